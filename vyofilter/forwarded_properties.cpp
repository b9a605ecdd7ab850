// Properties the filter hands on: to the card (pin data intersection, pin
// interfaces, and everything it does not watch), or, for protected content,
// to the DRM component that asked.

#include <drmk.h>

#include "ks_property_request.h"
#include "looped_streaming.h"
#include "property_handlers.h"

NTSTATUS NTAPI PassDownUntouched(PIRP irp, PKSIDENTIFIER request, PVOID data)
{
    UNREFERENCED_PARAMETER(request);
    UNREFERENCED_PARAMETER(data);
    IoSkipCurrentIrpStackLocation(irp);
    return STATUS_MORE_PROCESSING_REQUIRED;
}

NTSTATUS NTAPI ForwardCapturedProperty(PIRP irp, PKSIDENTIFIER request, PVOID data)
{
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    ULONG_PTR returned = 0;
    const NTSTATUS status = SendKsPropertyRequest(
        FilterDeviceOfRequest(irp)->LowerDevice, stack->FileObject, request,
        stack->Parameters.DeviceIoControl.InputBufferLength, data,
        stack->Parameters.DeviceIoControl.OutputBufferLength, &returned);
    irp->IoStatus.Information = returned;
    return status;
}

// The DRM component of the system sends this to tell the driver below
// about protected content; the request carries the function to call with
// the device and stream it should reach. Only a kernel-mode requester can
// be that component: a client's request would have the driver call any
// address the client wrote into it, so it is refused.
NTSTATUS NTAPI SetDrmContentId(PIRP irp, PKSIDENTIFIER request, PVOID data)
{
    if (irp->RequestorMode != KernelMode) {
        return STATUS_ACCESS_DENIED;
    }
    const KSP_DRMAUDIOSTREAM_CONTENTID* property = reinterpret_cast<const KSP_DRMAUDIOSTREAM_CONTENTID*>(request);
    if (property->DrmForwardContentToDeviceObject == NULL) {
        return STATUS_INVALID_PARAMETER;
    }
    DRMFORWARD forward;
    forward.Flags = 0;
    forward.DeviceObject = FilterDeviceOfRequest(irp)->LowerDevice;
    forward.FileObject = IoGetCurrentIrpStackLocation(irp)->FileObject;
    forward.Context = property->Context;
    property->DrmForwardContentToDeviceObject(static_cast<const KSDRMAUDIOSTREAM_CONTENTID*>(data)->ContentId, NULL,
                                              &forward);
    return STATUS_SUCCESS;
}

NTSTATUS NTAPI GetPinInterfaces(PIRP irp, PKSIDENTIFIER request, PVOID data)
{
    const NTSTATUS status = ForwardCapturedProperty(irp, request, data);
    if (NT_SUCCESS(status)) {
        FilterPinInterfaces(FilterDeviceOfRequest(irp), data,
                            IoGetCurrentIrpStackLocation(irp)->Parameters.DeviceIoControl.OutputBufferLength);
    }
    return status;
}
