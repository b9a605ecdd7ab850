// Tracking the PCM audio pins opened through a filter device: a
// StreamContext from the pin's create to its close.

#include "allocate_zeroed_pool.h"
#include "data_format_query.h"
#include "filter_device.h"
#include "floating_point_guard.h"
#include "looped_streaming.h"
#include "pool_tags.h"
#include "stream_context.h"
#include "stream_list_lock.h"

namespace {

// The object class of a KS pin create, which begins the create item's
// object class (compared without regard to case).
constexpr ULONG kPinClassCharacters = sizeof(KSSTRING_Pin) / sizeof(WCHAR) - 1;

// The card's KS driver records the create item that dispatched a create in
// the request; a pin's item names the pin object class. Creates of the
// filter itself, of clocks or of allocators are not pins.
BOOLEAN IsPinCreate(PIRP createIrp)
{
    const PKSOBJECT_CREATE_ITEM item = KSCREATE_ITEM_IRP_STORAGE(createIrp);
    if (item == NULL || item->ObjectClass.Buffer == NULL ||
        item->ObjectClass.Length < kPinClassCharacters * sizeof(WCHAR)) {
        return FALSE;
    }
    return _wcsnicmp(item->ObjectClass.Buffer, KSSTRING_Pin, kPinClassCharacters) == 0;
}

// A pin is tracked when the card reports its data format as PCM audio.
BOOLEAN IsPcmAudioPin(FilterDevice* device, PFILE_OBJECT pin)
{
    PKSDATAFORMAT format = NULL;
    ULONG bytes = 0;
    if (!NT_SUCCESS(QueryPinDataFormat(device, pin, NonPagedPool, &format, &bytes))) {
        return FALSE;
    }
    const BOOLEAN pcmAudio = bytes >= sizeof(KSDATAFORMAT) &&
                             IsEqualGUID(format->MajorFormat, KSDATAFORMAT_TYPE_AUDIO) &&
                             IsEqualGUID(format->SubFormat, KSDATAFORMAT_SUBTYPE_PCM);
    FreeDataFormatAnswer(format);
    return pcmAudio;
}

// The stream processors are made with the floating-point state saved; a
// context without them plays its pin unprocessed.
VOID CreateStreamProcessors(EngineHost* host, StreamContext* context)
{
    FloatingPointGuard floatingPoint;
    if (!NT_SUCCESS(floatingPoint.Status())) {
        return;
    }
    if (host->Kova != NULL) {
        context->Kova = host->Kova->CreateStream();
    }
    if (host->Vyohd != NULL) {
        context->Vyohd = host->Vyohd->CreateStream();
    }
}

// Stops the context's worker and frees it with its stream processors,
// VYO HD first. The context is already out of the list.
VOID DestroyStreamContext(StreamContext* context)
{
    StopLoopWorker(context);
    if (context->Vyohd != NULL) {
        context->Vyohd->Release();
    }
    if (context->Kova != NULL) {
        context->Kova->Release();
    }
    ExFreePoolWithTag(context, kStreamContextTag);
}

}  // namespace

VOID TrackPin(FilterDevice* device, PIRP createIrp)
{
    PFILE_OBJECT pin = IoGetCurrentIrpStackLocation(createIrp)->FileObject;
    if (!IsPinCreate(createIrp) || !IsPcmAudioPin(device, pin)) {
        return;
    }
    AddStreamContext(&device->Engines, pin);
}

NTSTATUS AddStreamContext(EngineHost* host, PFILE_OBJECT fileObject)
{
    StreamContext* context =
        static_cast<StreamContext*>(AllocateZeroedPool(sizeof(StreamContext), NonPagedPool, kStreamContextTag));
    if (context == NULL) {
        return STATUS_INSUFFICIENT_RESOURCES;
    }
    context->Host = host;
    context->Device = host->Device;
    context->FileObject = fileObject;
    context->SampleRate = 44100;
    context->BitsPerSample = 16;
    context->Channels = 2;
    context->State = KSSTATE_STOP;
    KeInitializeEvent(&context->StopEvent, NotificationEvent, FALSE);
    KeInitializeEvent(&context->StartedEvent, NotificationEvent, FALSE);
    KeInitializeMutex(&context->WorkerMutex, 0);
    CreateStreamProcessors(host, context);

    ExclusiveStreamListLock lock(host);
    InsertTailList(&host->StreamList, &context->ListEntry);
    return STATUS_SUCCESS;
}

BOOLEAN UntrackPin(EngineHost* host, PFILE_OBJECT fileObject)
{
    ExclusiveStreamListLock lock(host);
    StreamContext* context = FindStreamContext(host, fileObject);
    if (context != NULL) {
        RemoveEntryList(&context->ListEntry);
        DestroyStreamContext(context);
    }
    return IsListEmpty(&host->StreamList);
}

VOID ReleaseAllStreamContexts(EngineHost* host)
{
    ExclusiveStreamListLock lock(host);
    while (!IsListEmpty(&host->StreamList)) {
        PLIST_ENTRY entry = RemoveHeadList(&host->StreamList);
        DestroyStreamContext(CONTAINING_RECORD(entry, StreamContext, ListEntry));
    }
}

StreamContext* FindStreamContext(EngineHost* host, PFILE_OBJECT fileObject)
{
    for (PLIST_ENTRY entry = host->StreamList.Flink; entry != &host->StreamList; entry = entry->Flink) {
        StreamContext* context = CONTAINING_RECORD(entry, StreamContext, ListEntry);
        if (context->FileObject == fileObject) {
            return context;
        }
    }
    return NULL;
}
