// IOCTL_KS_PROPERTY on the card: the requester's property and value are
// captured into pool memory (probed first when the requester is a client),
// the property is looked up in the card's table, and a get's answer is
// copied back to the requester's value buffer.

#include "allocate_zeroed_pool.h"
#include "card_properties.h"

namespace {

enum CardTarget : ULONG { TargetFilter = 1, TargetPin = 2, TargetAny = 3 };

// Buffers larger than this are refused: no property of the card needs them.
constexpr ULONG kLargestBuffer = 64 * 1024;

typedef struct _CARD_PROPERTY_ITEM {
    const GUID* PropertySet;
    ULONG Id;
    ULONG Targets;
    ULONG MinProperty;
    ULONG MinValue;  // 0: the handler sizes its own answer
    PFN_CARD_PROPERTY_HANDLER GetHandler;
    PFN_CARD_PROPERTY_HANDLER SetHandler;
} CARD_PROPERTY_ITEM;

const CARD_PROPERTY_ITEM kCardProperties[] = {
    {&KSPROPSETID_Pin, KSPROPERTY_PIN_CINSTANCES, TargetFilter, sizeof(KSP_PIN), sizeof(KSPIN_CINSTANCES),
     CardGetPinInstances, NULL},
    {&KSPROPSETID_Pin, KSPROPERTY_PIN_CTYPES, TargetFilter, sizeof(KSPROPERTY), sizeof(ULONG), CardGetPinTypes, NULL},
    {&KSPROPSETID_Pin, KSPROPERTY_PIN_DATAFLOW, TargetFilter, sizeof(KSP_PIN), sizeof(KSPIN_DATAFLOW),
     CardGetPinDataFlow, NULL},
    {&KSPROPSETID_Pin, KSPROPERTY_PIN_DATARANGES, TargetFilter, sizeof(KSP_PIN), 0, CardGetPinDataRanges, NULL},
    {&KSPROPSETID_Pin, KSPROPERTY_PIN_DATAINTERSECTION, TargetFilter, sizeof(KSP_PIN) + sizeof(KSMULTIPLE_ITEM), 0,
     CardGetPinDataIntersection, NULL},
    {&KSPROPSETID_Pin, KSPROPERTY_PIN_INTERFACES, TargetFilter, sizeof(KSP_PIN), 0, CardGetPinInterfaces, NULL},
    {&KSPROPSETID_Pin, KSPROPERTY_PIN_MEDIUMS, TargetFilter, sizeof(KSP_PIN), 0, CardGetPinMediums, NULL},
    {&KSPROPSETID_Pin, KSPROPERTY_PIN_COMMUNICATION, TargetFilter, sizeof(KSP_PIN), sizeof(KSPIN_COMMUNICATION),
     CardGetPinCommunication, NULL},
    {&KSPROPSETID_Connection, KSPROPERTY_CONNECTION_STATE, TargetPin, sizeof(KSPROPERTY), sizeof(KSSTATE),
     CardGetState, CardSetState},
    {&KSPROPSETID_Connection, KSPROPERTY_CONNECTION_DATAFORMAT, TargetPin, sizeof(KSPROPERTY), 0, CardGetDataFormat,
     CardSetDataFormat},
    {&KSPROPSETID_Audio, KSPROPERTY_AUDIO_POSITION, TargetPin, sizeof(KSPROPERTY), sizeof(KSAUDIO_POSITION),
     CardGetPosition, NULL},
    {&KSPROPSETID_Audio, KSPROPERTY_AUDIO_STEREO_SPEAKER_GEOMETRY, TargetAny, sizeof(KSP_NODE), sizeof(LONG),
     CardGetSpeakerGeometry, CardSetSpeakerGeometry},
};

ULONG TargetOf(const CARD_OBJECT* Object)
{
    return Object->Kind == CardPinObject ? TargetPin : TargetFilter;
}

// The table's item for the request: STATUS_PROPSET_NOT_FOUND for a set the
// card does not have, STATUS_NOT_FOUND for an id it does not have (or not
// on this object).
NTSTATUS FindProperty(const KSPROPERTY* Property, const CARD_OBJECT* Object, const CARD_PROPERTY_ITEM** Found)
{
    BOOLEAN setKnown = FALSE;
    for (const CARD_PROPERTY_ITEM& item : kCardProperties) {
        if (!IsEqualGUID(*item.PropertySet, Property->Set)) {
            continue;
        }
        setKnown = TRUE;
        if (item.Id == Property->Id && (item.Targets & TargetOf(Object)) != 0) {
            *Found = &item;
            return STATUS_SUCCESS;
        }
    }
    return setKnown ? STATUS_NOT_FOUND : STATUS_PROPSET_NOT_FOUND;
}

// Copies Bytes of the requester's buffer at Source into Capture. A client's
// buffer is probed first; a fault is the request's status.
NTSTATUS CaptureBuffer(PIRP Irp, PVOID Source, ULONG Bytes, PUCHAR Capture)
{
    const BOOLEAN fromClient = Irp->RequestorMode == UserMode;
    NTSTATUS status = STATUS_SUCCESS;
    SEH_TRY {
        if (fromClient) {
            ProbeForRead(Source, Bytes, 1);
        }
        RtlCopyMemory(Capture, Source, Bytes);
    } SEH_EXCEPT {
        status = SEH_EXCEPTION_CODE;
    } SEH_END;
    return status;
}

NTSTATUS ReturnAnswer(PIRP Irp, const VOID* Answer, ULONG_PTR Bytes)
{
    if (Bytes == 0) {
        return STATUS_SUCCESS;  // a size query: nothing to copy
    }
    const BOOLEAN toClient = Irp->RequestorMode == UserMode;
    NTSTATUS status = STATUS_SUCCESS;
    SEH_TRY {
        if (toClient) {
            ProbeForWrite(Irp->UserBuffer, Bytes, 1);
        }
        RtlCopyMemory(Irp->UserBuffer, Answer, Bytes);
    } SEH_EXCEPT {
        status = SEH_EXCEPTION_CODE;
    } SEH_END;
    return status;
}

// Checks the request against the item and calls its handler.
NTSTATUS CallHandler(const CARD_PROPERTY_ITEM* Item, PCARD_PROPERTY_REQUEST Request, BOOLEAN IsSet)
{
    const PFN_CARD_PROPERTY_HANDLER handler = IsSet ? Item->SetHandler : Item->GetHandler;
    if (handler == NULL) {
        return STATUS_NOT_FOUND;  // the property cannot be read (or written)
    }
    if (Request->PropertyLength < Item->MinProperty) {
        return STATUS_BUFFER_TOO_SMALL;
    }
    if (!IsSet && Request->ValueLength == 0 && Item->MinValue > 0) {
        Request->Information = Item->MinValue;  // the requester asks how large the value is
        return STATUS_BUFFER_OVERFLOW;
    }
    if (Request->ValueLength < Item->MinValue) {
        return STATUS_BUFFER_TOO_SMALL;
    }
    if (!IsSet && Item->MinValue > 0) {
        Request->Information = Item->MinValue;
    }
    return handler(Request);
}

}  // namespace

NTSTATUS CardHandleProperty(PIRP Irp)
{
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(Irp);
    const ULONG propertyLength = stack->Parameters.DeviceIoControl.InputBufferLength;
    const ULONG valueLength = stack->Parameters.DeviceIoControl.OutputBufferLength;
    PCARD_OBJECT object = CardObjectOf(Irp);
    if (object == NULL) {
        return STATUS_INVALID_DEVICE_REQUEST;
    }
    if (propertyLength < sizeof(KSPROPERTY)) {
        return STATUS_BUFFER_TOO_SMALL;
    }
    if (propertyLength > kLargestBuffer || valueLength > kLargestBuffer) {
        return STATUS_INVALID_BUFFER_SIZE;
    }
    if (valueLength > 0 && Irp->UserBuffer == NULL) {
        return STATUS_INVALID_PARAMETER;
    }
    // The property first, 8-aligned, then the value.
    const ULONG valueOffset = (propertyLength + 7) & ~7u;
    PUCHAR capture = static_cast<PUCHAR>(AllocateZeroedPool(valueOffset + valueLength, PagedPool, kCardPropertyTag));
    if (capture == NULL) {
        return STATUS_INSUFFICIENT_RESOURCES;
    }

    const KSPROPERTY* requested = reinterpret_cast<const KSPROPERTY*>(capture);
    NTSTATUS status = CaptureBuffer(Irp, stack->Parameters.DeviceIoControl.Type3InputBuffer, propertyLength, capture);
    const ULONG flags = requested->Flags & ~KSPROPERTY_TYPE_TOPOLOGY;
    const BOOLEAN isSet = flags == KSPROPERTY_TYPE_SET;
    if (NT_SUCCESS(status) && isSet && valueLength > 0) {
        status = CaptureBuffer(Irp, Irp->UserBuffer, valueLength, capture + valueOffset);
    }
    const CARD_PROPERTY_ITEM* item = NULL;
    if (NT_SUCCESS(status)) {
        status = FindProperty(requested, object, &item);
    }
    if (NT_SUCCESS(status) && flags != KSPROPERTY_TYPE_GET && flags != KSPROPERTY_TYPE_SET) {
        status = STATUS_NOT_FOUND;  // no support queries, serialization or defaults
    }
    CARD_PROPERTY_REQUEST request = {object, requested, propertyLength, capture + valueOffset, valueLength, 0};
    if (NT_SUCCESS(status)) {
        status = CallHandler(item, &request, isSet);
    }
    if (!isSet && (NT_SUCCESS(status) || status == STATUS_BUFFER_OVERFLOW)) {
        const ULONG_PTR returned = request.Information < valueLength ? request.Information : valueLength;
        const NTSTATUS copied = ReturnAnswer(Irp, request.Value, returned);
        if (!NT_SUCCESS(copied)) {
            status = copied;
        }
    }
    Irp->IoStatus.Information = (NT_SUCCESS(status) || status == STATUS_BUFFER_OVERFLOW) ? request.Information : 0;
    ExFreePoolWithTag(capture, kCardPropertyTag);
    return status;
}

NTSTATUS CardAnswerItems(PCARD_PROPERTY_REQUEST Request, const VOID* Items, ULONG Count, ULONG ItemBytes)
{
    KSMULTIPLE_ITEM header;
    header.Count = Count;
    header.Size = sizeof(KSMULTIPLE_ITEM) + Count * ItemBytes;
    if (Request->ValueLength == 0) {
        Request->Information = header.Size;
        return STATUS_BUFFER_OVERFLOW;
    }
    if (Request->ValueLength == sizeof(ULONG)) {
        RtlCopyMemory(Request->Value, &header.Size, sizeof(ULONG));
        Request->Information = sizeof(ULONG);
        return STATUS_SUCCESS;
    }
    if (Request->ValueLength == sizeof(KSMULTIPLE_ITEM)) {
        RtlCopyMemory(Request->Value, &header, sizeof(header));
        Request->Information = sizeof(header);
        return STATUS_SUCCESS;
    }
    if (Request->ValueLength < header.Size) {
        return STATUS_BUFFER_TOO_SMALL;
    }
    RtlCopyMemory(Request->Value, &header, sizeof(header));
    RtlCopyMemory(static_cast<PUCHAR>(Request->Value) + sizeof(header), Items, Count * ItemBytes);
    Request->Information = header.Size;
    return STATUS_SUCCESS;
}

NTSTATUS CardAnswerBytes(PCARD_PROPERTY_REQUEST Request, const VOID* Data, ULONG Bytes)
{
    if (Request->ValueLength == 0) {
        Request->Information = Bytes;
        return STATUS_BUFFER_OVERFLOW;
    }
    if (Request->ValueLength < Bytes) {
        return STATUS_BUFFER_TOO_SMALL;
    }
    RtlCopyMemory(Request->Value, Data, Bytes);
    Request->Information = Bytes;
    return STATUS_SUCCESS;
}
