// Opening and closing objects of the card through the filter: the card's
// pins are tracked from their create to their close.

#include "change_notification.h"
#include "filter_device.h"
#include "request_forwarding.h"
#include "settings.h"
#include "stream_context.h"

// IRP_MJ_CREATE: the card creates the object first; a pin it accepted is
// then tracked. PASSIVE_LEVEL, in the requester's thread. Completes the
// request with the card's status and byte count.
NTSTATUS NTAPI DispatchCreate(PDEVICE_OBJECT DeviceObject, PIRP Irp)
{
    FilterDevice* device = FilterDeviceOf(DeviceObject);
    NTSTATUS status = IoAcquireRemoveLock(&device->RemoveLock, NULL);
    if (!NT_SUCCESS(status)) {
        return CompleteRequest(Irp, status, 0);
    }
    status = ForwardSynchronously(device, Irp);
    if (NT_SUCCESS(status)) {
        TrackPin(device, Irp);
    }
    IoReleaseRemoveLock(&device->RemoveLock, NULL);
    return CompleteRequest(Irp, status, Irp->IoStatus.Information);
}

// IRP_MJ_CLOSE: the closing object's context and change event go; when it
// was the last tracked pin and a setting changed, the settings are saved.
// PASSIVE_LEVEL. The request goes down to the card.
NTSTATUS NTAPI DispatchClose(PDEVICE_OBJECT DeviceObject, PIRP Irp)
{
    FilterDevice* device = FilterDeviceOf(DeviceObject);
    NTSTATUS status = IoAcquireRemoveLock(&device->RemoveLock, NULL);
    if (!NT_SUCCESS(status)) {
        return CompleteRequest(Irp, status, 0);
    }
    PFILE_OBJECT fileObject = IoGetCurrentIrpStackLocation(Irp)->FileObject;
    const BOOLEAN noStreamLeft = UntrackPin(&device->Engines, fileObject);
    UnregisterChangeEvent(device, fileObject);
    if (noStreamLeft && ReadBooleanNoFence(&device->SettingsChanged)) {
        SaveSettingsAndClearChange(device);
    }
    status = PassDown(device, Irp);
    IoReleaseRemoveLock(&device->RemoveLock, NULL);
    return status;
}
