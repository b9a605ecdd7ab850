// The filter's own property set, KSPROPSETID_VYOFilter: which engine
// processes the device's audio, and the change events of its clients.

#include <vyofilter_properties.h>

#include "change_notification.h"
#include "property_handlers.h"

// The value is written as one 32-bit word; the audio path reads it again
// for every buffer, so a change applies from the next one.
NTSTATUS NTAPI GetProcMode(PIRP irp, PKSIDENTIFIER request, PVOID data)
{
    UNREFERENCED_PARAMETER(request);
    *static_cast<PULONG>(data) = ReadProcMode(FilterDeviceOfRequest(irp));
    return STATUS_SUCCESS;
}

NTSTATUS NTAPI SetProcMode(PIRP irp, PKSIDENTIFIER request, PVOID data)
{
    UNREFERENCED_PARAMETER(request);
    const ULONG procMode = *static_cast<const ULONG*>(data);
    if (procMode > VYOFILTER_PROCMODE_MAXIMUM) {
        return STATUS_INVALID_PARAMETER;
    }
    WriteProcMode(FilterDeviceOfRequest(irp), procMode);
    return STATUS_SUCCESS;
}

// The value is the handle of an event in the requester's process, as a
// 32-bit integer (handles are 32-bit values on the platform); null
// unregisters the requester's file object. The request arrives in the
// requester's thread, so the handle is resolved in its process, and with
// its access: a client cannot hand the driver a kernel handle.
NTSTATUS NTAPI SetHandlePrivate(PIRP irp, PKSIDENTIFIER request, PVOID data)
{
    UNREFERENCED_PARAMETER(request);
    FilterDevice* device = FilterDeviceOfRequest(irp);
    PFILE_OBJECT fileObject = IoGetCurrentIrpStackLocation(irp)->FileObject;
    const LONG handleValue = *static_cast<const LONG*>(data);
    if (handleValue == 0) {
        UnregisterChangeEvent(device, fileObject);
        return STATUS_SUCCESS;
    }
    const HANDLE eventHandle = reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(handleValue));
    return RegisterChangeEvent(device, fileObject, eventHandle, irp->RequestorMode);
}
