#include "engine_property_request.h"

namespace {

// Reads the set GUID at the start of the request's property. A request too
// short to hold a KSPROPERTY names no set of any engine. A client's property
// is its own memory: it is probed first and read under exception
// protection, so an unreadable one fails with the raised status and nothing
// outside the client's memory is ever read.
NTSTATUS ReadRequestedSet(PIRP irp, GUID* set)
{
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    const PVOID property = stack->Parameters.DeviceIoControl.Type3InputBuffer;
    if (stack->Parameters.DeviceIoControl.InputBufferLength < sizeof(KSPROPERTY) || property == NULL) {
        return STATUS_NOT_IMPLEMENTED;
    }
    const KPROCESSOR_MODE requestor = irp->RequestorMode;
    volatile NTSTATUS status = STATUS_SUCCESS;  // set by the guarded block's handler
    SEH_TRY {
        if (requestor == UserMode) {
            ProbeForRead(property, sizeof(GUID), 1);
        }
        RtlCopyMemory(set, property, sizeof(GUID));
    } SEH_EXCEPT {
        status = SEH_EXCEPTION_CODE;
    } SEH_END;
    return status;
}

}  // namespace

NTSTATUS HandleEnginePropertyRequest(PIRP irp, PVOID engine, const KSPROPERTY_SET* propertySet)
{
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    if (stack->MajorFunction != IRP_MJ_DEVICE_CONTROL ||
        stack->Parameters.DeviceIoControl.IoControlCode != IOCTL_KS_PROPERTY) {
        return STATUS_NOT_IMPLEMENTED;
    }
    GUID set;
    NTSTATUS status = ReadRequestedSet(irp, &set);
    if (!NT_SUCCESS(status)) {
        return status;
    }
    if (IsEqualGUID(set, GUID_NULL)) {
        return STATUS_NOT_IMPLEMENTED;
    }

    PVOID savedContext = irp->Tail.Overlay.DriverContext[3];
    irp->Tail.Overlay.DriverContext[3] = engine;
    status = KsPropertyHandler(irp, 1, propertySet);
    irp->Tail.Overlay.DriverContext[3] = savedContext;

    if (status == STATUS_PROPSET_NOT_FOUND || status == STATUS_NOT_FOUND) {
        return STATUS_NOT_IMPLEMENTED;
    }
    return status;
}
