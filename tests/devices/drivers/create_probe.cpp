// An upper filter for the card's tests: it forwards every create to the
// card, waits for it, and writes the object class of the create item the
// card recorded in the request to the device's hardware key ("Creates",
// entries ended by ';'), as a filter above a KS driver reads it.

#include <wdm.h>

#include <ks.h>

#include "pass_through_filter.h"

namespace {

VOID AppendToLog(PDEVICE_OBJECT pdo, PCUNICODE_STRING entry)
{
    HANDLE key = NULL;
    if (!NT_SUCCESS(IoOpenDeviceRegistryKey(pdo, PLUGPLAY_REGKEY_DEVICE, KEY_ALL_ACCESS, &key))) {
        return;
    }
    UNICODE_STRING name;
    RtlInitUnicodeString(&name, L"Creates");
    WCHAR log[512] = {0};
    UCHAR buffer[sizeof(KEY_VALUE_PARTIAL_INFORMATION) + sizeof(log)];
    ULONG length = 0;
    if (NT_SUCCESS(ZwQueryValueKey(key, &name, KeyValuePartialInformation, buffer, sizeof buffer, &length))) {
        auto* info = reinterpret_cast<PKEY_VALUE_PARTIAL_INFORMATION>(buffer);
        memcpy(log, info->Data, info->DataLength < sizeof(log) ? info->DataLength : sizeof(log) - sizeof(WCHAR));
    }
    size_t used = wcslen(log);
    const size_t characters = entry->Length / sizeof(WCHAR);
    for (size_t i = 0; i < characters && used < 500; ++i) {
        log[used++] = entry->Buffer[i];
    }
    log[used++] = L';';
    log[used] = 0;
    ZwSetValueKey(key, &name, 0, REG_SZ, log, static_cast<ULONG>((used + 1) * sizeof(WCHAR)));
    ZwClose(key);
}

NTSTATUS NTAPI SignalDone(PDEVICE_OBJECT, PIRP, PVOID context)
{
    KeSetEvent(static_cast<PKEVENT>(context), IO_NO_INCREMENT, FALSE);
    return STATUS_MORE_PROCESSING_REQUIRED;
}

NTSTATUS NTAPI DispatchCreate(PDEVICE_OBJECT device, PIRP irp)
{
    passthrough::FilterExtension* extension = passthrough::ExtensionOf(device);
    KEVENT done;
    KeInitializeEvent(&done, NotificationEvent, FALSE);
    IoCopyCurrentIrpStackLocationToNext(irp);
    IoSetCompletionRoutine(irp, SignalDone, &done, TRUE, TRUE, TRUE);
    if (IoCallDriver(extension->Lower, irp) == STATUS_PENDING) {
        KeWaitForSingleObject(&done, Executive, KernelMode, FALSE, NULL);
    }
    const NTSTATUS status = irp->IoStatus.Status;
    PKSOBJECT_CREATE_ITEM item = KSCREATE_ITEM_IRP_STORAGE(irp);
    if (NT_SUCCESS(status) && item != NULL) {
        AppendToLog(extension->Pdo, &item->ObjectClass);
    }
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return status;
}

}  // namespace

NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING)
{
    for (ULONG i = 0; i <= IRP_MJ_MAXIMUM_FUNCTION; ++i) {
        driver->MajorFunction[i] = passthrough::PassDown;
    }
    driver->MajorFunction[IRP_MJ_CREATE] = DispatchCreate;
    driver->MajorFunction[IRP_MJ_PNP] = passthrough::PassDownPnp;
    driver->DriverExtension->AddDevice = passthrough::AddDevice;
    return STATUS_SUCCESS;
}
