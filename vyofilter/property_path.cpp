#include "property_path.h"

#include <ks.h>
#include <vyofilter_properties.h>

#include "change_notification.h"
#include "property_table.h"
#include "request_forwarding.h"

namespace {

// The request's KSPROPERTY as the requester sent it, read once. Whether the
// request was a set (and a ProcMode set) is decided on this copy; a
// property too short or not readable is left to the engines and
// KsPropertyHandler to refuse.
BOOLEAN CaptureRequestedProperty(PIRP irp, PKSPROPERTY property)
{
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    const PVOID requested = stack->Parameters.DeviceIoControl.Type3InputBuffer;
    if (stack->Parameters.DeviceIoControl.InputBufferLength < sizeof(KSPROPERTY) || requested == NULL) {
        return FALSE;
    }
    const BOOLEAN fromClient = irp->RequestorMode == UserMode;
    volatile BOOLEAN captured = TRUE;  // cleared by the guarded block's handler
    SEH_TRY {
        if (fromClient) {
            ProbeForRead(requested, sizeof(KSPROPERTY), 1);
        }
        RtlCopyMemory(property, requested, sizeof(KSPROPERTY));
    } SEH_EXCEPT {
        captured = FALSE;
    } SEH_END;
    return captured;
}

BOOLEAN IsSetRequest(const KSPROPERTY* property)
{
    return (property->Flags & KSPROPERTY_TYPE_GET) == 0;
}

BOOLEAN IsProcModeSet(const KSPROPERTY* property)
{
    return IsEqualGUID(property->Set, KSPROPSETID_VYOFilter) && property->Id == KSPROPERTY_VYOFILTER_PROCMODE &&
           IsSetRequest(property);
}

// STATUS_NOT_IMPLEMENTED when neither engine owns the property.
NTSTATUS OfferToEngines(EngineHost* host, PIRP irp)
{
    NTSTATUS status = STATUS_NOT_IMPLEMENTED;
    if (host->Kova != NULL) {
        status = host->Kova->HandlePropertyRequest(irp);
    }
    if (status == STATUS_NOT_IMPLEMENTED && host->Vyohd != NULL) {
        status = host->Vyohd->HandlePropertyRequest(irp);
    }
    return status;
}

}  // namespace

NTSTATUS HandleKsPropertyRequest(FilterDevice* device, PIRP irp)
{
    PFILE_OBJECT requester = IoGetCurrentIrpStackLocation(irp)->FileObject;
    KSPROPERTY property;
    const BOOLEAN captured = CaptureRequestedProperty(irp, &property);

    NTSTATUS status = OfferToEngines(&device->Engines, irp);
    if (status != STATUS_NOT_IMPLEMENTED) {
        if (NT_SUCCESS(status) && captured && IsSetRequest(&property)) {
            NotifyOtherClients(device, requester);
        }
        return CompleteRequest(irp, status, irp->IoStatus.Information);
    }

    status = KsPropertyHandler(irp, kFilterPropertySetCount, kFilterPropertySets);
    if (status == STATUS_PROPSET_NOT_FOUND || status == STATUS_NOT_FOUND) {
        return PassDown(device, irp);
    }
    if (status == STATUS_MORE_PROCESSING_REQUIRED) {
        return IofCallDriver(device->LowerDevice, irp);  // the handler skipped the stack location
    }
    // A ProcMode set tells the other clients even when it was refused.
    if (captured && IsProcModeSet(&property)) {
        NotifyOtherClients(device, requester);
    }
    return CompleteRequest(irp, status, irp->IoStatus.Information);
}
