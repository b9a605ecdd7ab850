#include "change_notification.h"

#include "allocate_zeroed_pool.h"
#include "mutex_guard.h"
#include "pool_tags.h"

namespace {

struct NotificationEntry {
    LIST_ENTRY ListEntry;
    PFILE_OBJECT FileObject;
    PKEVENT Event;  // referenced; NULL between an old event and a new one
};

// Access the driver needs to signal a client's event.
constexpr ACCESS_MASK kChangeEventAccess = GENERIC_READ | GENERIC_WRITE;

// The entry of the file object, or NULL. The caller holds the mutex.
NotificationEntry* FindEntry(FilterDevice* device, PFILE_OBJECT fileObject)
{
    for (PLIST_ENTRY link = device->NotificationList.Flink; link != &device->NotificationList; link = link->Flink) {
        NotificationEntry* entry = CONTAINING_RECORD(link, NotificationEntry, ListEntry);
        if (entry->FileObject == fileObject) {
            return entry;
        }
    }
    return NULL;
}

VOID DropEvent(NotificationEntry* entry)
{
    if (entry->Event != NULL) {
        ObfDereferenceObject(entry->Event);
        entry->Event = NULL;
    }
}

VOID FreeEntry(NotificationEntry* entry)
{
    DropEvent(entry);
    RemoveEntryList(&entry->ListEntry);
    ExFreePoolWithTag(entry, kNotificationEntryTag);
}

// The file object's entry with its old event dropped, or a new one at the
// tail of the list.
NotificationEntry* EntryForRegistration(FilterDevice* device, PFILE_OBJECT fileObject)
{
    NotificationEntry* entry = FindEntry(device, fileObject);
    if (entry != NULL) {
        DropEvent(entry);
        return entry;
    }
    entry = static_cast<NotificationEntry*>(
        AllocateZeroedPool(sizeof(NotificationEntry), PagedPool, kNotificationEntryTag));
    if (entry != NULL) {
        entry->FileObject = fileObject;
        InsertTailList(&device->NotificationList, &entry->ListEntry);
    }
    return entry;
}

}  // namespace

NTSTATUS RegisterChangeEvent(FilterDevice* device, PFILE_OBJECT fileObject, HANDLE eventHandle,
                             KPROCESSOR_MODE requestorMode)
{
    MutexGuard guard(&device->NotificationMutex);
    NotificationEntry* entry = EntryForRegistration(device, fileObject);
    if (entry == NULL) {
        return STATUS_INSUFFICIENT_RESOURCES;
    }
    PVOID event = NULL;
    const NTSTATUS status =
        ObReferenceObjectByHandle(eventHandle, kChangeEventAccess, *ExEventObjectType, requestorMode, &event, NULL);
    if (!NT_SUCCESS(status)) {
        FreeEntry(entry);
        return status;
    }
    entry->Event = static_cast<PKEVENT>(event);
    return STATUS_SUCCESS;
}

VOID UnregisterChangeEvent(FilterDevice* device, PFILE_OBJECT fileObject)
{
    MutexGuard guard(&device->NotificationMutex);
    NotificationEntry* entry = FindEntry(device, fileObject);
    if (entry != NULL) {
        FreeEntry(entry);
    }
}

VOID NotifyOtherClients(FilterDevice* device, PFILE_OBJECT requester)
{
    WriteBooleanNoFence(&device->SettingsChanged, TRUE);
    MutexGuard guard(&device->NotificationMutex);
    for (PLIST_ENTRY link = device->NotificationList.Flink; link != &device->NotificationList; link = link->Flink) {
        NotificationEntry* entry = CONTAINING_RECORD(link, NotificationEntry, ListEntry);
        if (entry->FileObject != requester && entry->Event != NULL) {
            KeSetEvent(entry->Event, 0, FALSE);
        }
    }
}

VOID ReleaseChangeEvents(FilterDevice* device)
{
    MutexGuard guard(&device->NotificationMutex);
    while (!IsListEmpty(&device->NotificationList)) {
        FreeEntry(CONTAINING_RECORD(device->NotificationList.Flink, NotificationEntry, ListEntry));
    }
}
