// KsPropertyHandler: the property dispatcher of the kernel-streaming
// library, as drivers call it from their IOCTL_KS_PROPERTY dispatch.
//
// The request's property and value are copied into pool blocks and the
// handler works on those copies; a get's answer is copied back to the
// requester's value buffer afterwards. A client's buffers (RequestorMode UserMode) are
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

// No property of the system comes near this. A larger property, or a larger
// value for an item the tables hold, is refused before it is copied: the
// stand-in cannot catch a fault in the middle of a copy as Windows does, so
// it does not copy what no real request would send.
constexpr ULONG kLargestBuffer = 64 * 1024;

ULONG AlignUp8(ULONG length)
{
    return (length + 7) & ~7u;
}

enum class Direction { FromRequester, ToRequester };

// Moves `length` bytes between the requester's buffer and a pool block in
// the given direction, probing the requester's side first when it is a
// client's. With no pool block the requester's side is only probed.
NTSTATUS CopyWithRequester(KPROCESSOR_MODE mode, Direction direction, void* requester, void* pool, ULONG length)
{
    volatile NTSTATUS status = STATUS_SUCCESS;  // set by the guarded block's handler
    if (length == 0) {
        return status;
    }
    SEH_TRY {
        if (direction == Direction::FromRequester) {
            if (mode == UserMode) {
                ProbeForRead(requester, length, 1);
            }
            if (pool != NULL) {
                memcpy(pool, requester, length);
            }
        } else {
            if (mode == UserMode) {
                ProbeForWrite(requester, length, 1);
            }
            if (pool != NULL) {
                memcpy(requester, pool, length);
            }
        }
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

PUCHAR AllocateCapture(ULONG length)
{
    auto* capture = static_cast<PUCHAR>(ExAllocatePoolWithTag(NonPagedPool, length, kCaptureTag));
    if (capture != NULL) {
        RtlZeroMemory(capture, length);
    }
    return capture;
}

// Calls the handler with the captured property and a copy of the value (a
// set's value read from the requester, a get's zero-filled so that it never
// returns pool memory the handler did not write), then returns a get's
// answer to the requester.
NTSTATUS CallHandler(PIRP Irp, const KSPROPERTY_SET* set, const KSPROPERTY_ITEM* item, PFNKSHANDLER handler,
                     PKSPROPERTY property, PUCHAR value)
{
    const ULONG valueLength = IoGetCurrentIrpStackLocation(Irp)->Parameters.DeviceIoControl.OutputBufferLength;
    const KPROCESSOR_MODE mode = Irp->RequestorMode;
    const bool isGet = (property->Flags & KSPROPERTY_TYPE_GET) != 0;
    // A get's target is probed before the handler runs, so a bad buffer
    // fails the request before the handler acts on it.
    NTSTATUS status = isGet ? CopyWithRequester(mode, Direction::ToRequester, Irp->UserBuffer, NULL, valueLength)
                            : CopyWithRequester(mode, Direction::FromRequester, Irp->UserBuffer, value, valueLength);
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
        if (Irp->IoStatus.Information > valueLength) {
            Irp->IoStatus.Information = valueLength;
        }
        status = CopyWithRequester(mode, Direction::ToRequester, Irp->UserBuffer, value,
                                   static_cast<ULONG>(Irp->IoStatus.Information));
    }
    return status;
}

// Finds the item of the captured property and checks the request against
// it before the value is touched.
NTSTATUS DispatchProperty(PIRP Irp, ULONG setCount, const KSPROPERTY_SET* sets, PKSPROPERTY property)
{
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(Irp);
    const ULONG propertyLength = stack->Parameters.DeviceIoControl.InputBufferLength;
    const ULONG valueLength = stack->Parameters.DeviceIoControl.OutputBufferLength;
    const KSPROPERTY_SET* set = NULL;
    const KSPROPERTY_ITEM* item = NULL;
    NTSTATUS status = FindItem(setCount, sets, property, &set, &item);
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
    if (valueLength > kLargestBuffer || (valueLength > 0 && Irp->UserBuffer == NULL)) {
        return STATUS_INVALID_BUFFER_SIZE;
    }
    PUCHAR value = NULL;
    if (valueLength > 0) {
        value = AllocateCapture(valueLength);
        if (value == NULL) {
            return STATUS_INSUFFICIENT_RESOURCES;
        }
    }
    status = CallHandler(Irp, set, item, handler, property, value);
    if (value != NULL) {
        ExFreePoolWithTag(value, kCaptureTag);
    }
    return status;
}

}  // namespace

KSDDKAPI NTSTATUS NTAPI KsPropertyHandler(PIRP Irp, ULONG PropertySetsCount, const KSPROPERTY_SET* PropertySet)
{
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(Irp);
    const ULONG propertyLength = stack->Parameters.DeviceIoControl.InputBufferLength;
    const PVOID requestedProperty = stack->Parameters.DeviceIoControl.Type3InputBuffer;
    Irp->IoStatus.Information = 0;
    if (propertyLength < sizeof(KSPROPERTY) || propertyLength > kLargestBuffer || requestedProperty == NULL) {
        return STATUS_INVALID_BUFFER_SIZE;
    }
    // Rounded up so the copy holds whole 8-byte words, as KSIDENTIFIER is aligned.
    PUCHAR property = AllocateCapture(AlignUp8(propertyLength));
    if (property == NULL) {
        return STATUS_INSUFFICIENT_RESOURCES;
    }
    NTSTATUS status =
        CopyWithRequester(Irp->RequestorMode, Direction::FromRequester, requestedProperty, property, propertyLength);
    if (NT_SUCCESS(status)) {
        status = DispatchProperty(Irp, PropertySetsCount, PropertySet, reinterpret_cast<PKSPROPERTY>(property));
    }
    ExFreePoolWithTag(property, kCaptureTag);
    if (NT_ERROR(status)) {
        Irp->IoStatus.Information = 0;
    }
    return status;
}
