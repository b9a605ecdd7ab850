// KsPropertyHandler: the property dispatcher of the kernel-streaming
// library, as drivers call it from their IOCTL_KS_PROPERTY dispatch.
//
// The request's property and value are copied into one pool block (the
// property first, the value at the next 8-byte boundary) and the handler
// works on those copies; a get's answer is copied back to the requester's
// value buffer afterwards. A client's buffers (RequestorMode UserMode) are
// probed before they are touched and every access to them is guarded, so a
// buffer that is not the client's accessible memory fails the request with
// the raised status instead of reaching the handler. The request's own
// buffers and stack location are never changed, so a handler may still pass
// the request down untouched.

#include <wdm.h>

#include <ks.h>

#include "sim/bugcheck.h"

namespace {

constexpr ULONG kCaptureTag = 'K' | 'S' << 8 | 'p' << 16 | 'c' << 24;  // "KSpc"

// No property of the system comes near this; anything larger is refused
// before the stand-in copies it.
constexpr ULONG kLargestBuffer = 64 * 1024;

ULONG AlignUp8(ULONG length)
{
    return (length + 7) & ~7u;
}

// Copies `length` bytes of the requester's buffer into `capture`.
NTSTATUS CaptureFromRequester(KPROCESSOR_MODE mode, const void* source, ULONG length, void* capture)
{
    NTSTATUS status = STATUS_SUCCESS;
    if (length == 0) {
        return status;
    }
    SEH_TRY {
        if (mode == UserMode) {
            ProbeForRead(source, length, 1);
        }
        memcpy(capture, source, length);
    } SEH_EXCEPT {
        status = SEH_EXCEPTION_CODE;
    } SEH_END;
    return status;
}

// Checks that the requester may receive `length` bytes at `target`.
NTSTATUS ProbeRequesterTarget(KPROCESSOR_MODE mode, void* target, ULONG length)
{
    NTSTATUS status = STATUS_SUCCESS;
    if (mode == UserMode) {
        SEH_TRY {
            ProbeForWrite(target, length, 1);
        } SEH_EXCEPT {
            status = SEH_EXCEPTION_CODE;
        } SEH_END;
    }
    return status;
}

NTSTATUS ReturnToRequester(KPROCESSOR_MODE mode, void* target, const void* answer, ULONG length)
{
    NTSTATUS status = STATUS_SUCCESS;
    if (length == 0) {
        return status;
    }
    SEH_TRY {
        if (mode == UserMode) {
            ProbeForWrite(target, length, 1);
        }
        memcpy(target, answer, length);
    } SEH_EXCEPT {
        status = SEH_EXCEPTION_CODE;
    } SEH_END;
    return status;
}

// The set of the request's GUID, then its item of the request's id.
NTSTATUS FindItem(ULONG setCount, const KSPROPERTY_SET* sets, const KSPROPERTY* property,
                  const KSPROPERTY_SET** foundSet, const KSPROPERTY_ITEM** foundItem)
{
    for (ULONG s = 0; s < setCount; ++s) {
        if (!IsEqualGUID(*sets[s].Set, property->Set)) {
            continue;
        }
        for (ULONG i = 0; i < sets[s].PropertiesCount; ++i) {
            if (sets[s].PropertyItem[i].PropertyId == property->Id) {
                *foundSet = &sets[s];
                *foundItem = &sets[s].PropertyItem[i];
                return STATUS_SUCCESS;
            }
        }
        return STATUS_NOT_FOUND;
    }
    return STATUS_PROPSET_NOT_FOUND;
}

// The item's handler for the request's type. The topology flag only says
// that the property addresses a node; any other type than a plain get or
// set (support queries, serialization) is not answered here.
NTSTATUS HandlerFor(const KSPROPERTY_ITEM* item, ULONG flags, PFNKSHANDLER* handler)
{
    switch (flags & ~KSPROPERTY_TYPE_TOPOLOGY) {
    case KSPROPERTY_TYPE_GET:
        *handler = item->GetPropertyHandler;
        break;
    case KSPROPERTY_TYPE_SET:
        *handler = item->SetPropertyHandler;
        break;
    default:
        return STATUS_NOT_SUPPORTED;
    }
    return *handler != NULL ? STATUS_SUCCESS : STATUS_INVALID_DEVICE_REQUEST;
}

// Runs the request on the captured block: property at its start, the value
// `valueOffset` bytes in (zero-filled, so a get never returns pool memory
// the handler did not write).
NTSTATUS DispatchCaptured(PIRP Irp, ULONG setCount, const KSPROPERTY_SET* sets, PUCHAR capture, ULONG valueOffset)
{
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(Irp);
    const ULONG propertyLength = stack->Parameters.DeviceIoControl.InputBufferLength;
    const ULONG valueLength = stack->Parameters.DeviceIoControl.OutputBufferLength;
    const KPROCESSOR_MODE mode = Irp->RequestorMode;

    NTSTATUS status = CaptureFromRequester(mode, stack->Parameters.DeviceIoControl.Type3InputBuffer,
                                           propertyLength, capture);
    if (!NT_SUCCESS(status)) {
        return status;
    }
    auto* property = reinterpret_cast<PKSPROPERTY>(capture);
    const KSPROPERTY_SET* set = NULL;
    const KSPROPERTY_ITEM* item = NULL;
    status = FindItem(setCount, sets, property, &set, &item);
    if (!NT_SUCCESS(status)) {
        return status;
    }
    if (propertyLength < item->MinProperty || valueLength < item->MinData) {
        return STATUS_BUFFER_TOO_SMALL;
    }
    PFNKSHANDLER handler = NULL;
    status = HandlerFor(item, property->Flags, &handler);
    if (!NT_SUCCESS(status)) {
        return status;
    }

    const bool isGet = (property->Flags & KSPROPERTY_TYPE_GET) != 0;
    PUCHAR value = valueLength > 0 ? capture + valueOffset : NULL;
    status = isGet ? ProbeRequesterTarget(mode, Irp->UserBuffer, valueLength)
                   : CaptureFromRequester(mode, Irp->UserBuffer, valueLength, value);
    if (!NT_SUCCESS(status)) {
        return status;
    }

    KSPROPERTY_SET_IRP_STORAGE(Irp) = set;
    Irp->IoStatus.Information = isGet ? item->MinData : 0;
    status = handler(Irp, property, value);
    if (status == STATUS_PENDING) {
        sim::BugCheck("DRIVER_VERIFIER_DETECTED_VIOLATION",
                      "a property handler left a request pending; its captured buffers would outlive the call");
    }
    if (NT_SUCCESS(status) && isGet) {
        ULONG_PTR answered = Irp->IoStatus.Information;
        if (answered > valueLength) {
            answered = valueLength;
            Irp->IoStatus.Information = answered;
        }
        status = ReturnToRequester(mode, Irp->UserBuffer, value, static_cast<ULONG>(answered));
    }
    return status;
}

}  // namespace

KSDDKAPI NTSTATUS NTAPI KsPropertyHandler(PIRP Irp, ULONG PropertySetsCount, const KSPROPERTY_SET* PropertySet)
{
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(Irp);
    const ULONG propertyLength = stack->Parameters.DeviceIoControl.InputBufferLength;
    const ULONG valueLength = stack->Parameters.DeviceIoControl.OutputBufferLength;
    Irp->IoStatus.Information = 0;
    if (propertyLength < sizeof(KSPROPERTY) || propertyLength > kLargestBuffer || valueLength > kLargestBuffer) {
        return STATUS_INVALID_BUFFER_SIZE;
    }
    if (stack->Parameters.DeviceIoControl.Type3InputBuffer == NULL ||
        (valueLength > 0 && Irp->UserBuffer == NULL)) {
        return STATUS_INVALID_PARAMETER;
    }

    const ULONG valueOffset = AlignUp8(propertyLength);
    const ULONG captureLength = valueOffset + valueLength;
    auto* capture = static_cast<PUCHAR>(ExAllocatePoolWithTag(NonPagedPool, captureLength, kCaptureTag));
    if (capture == NULL) {
        return STATUS_INSUFFICIENT_RESOURCES;
    }
    RtlZeroMemory(capture, captureLength);
    NTSTATUS status = DispatchCaptured(Irp, PropertySetsCount, PropertySet, capture, valueOffset);
    ExFreePoolWithTag(capture, kCaptureTag);
    if (NT_ERROR(status)) {
        Irp->IoStatus.Information = 0;
    }
    return status;
}
