// Control requests on the card's objects: KS properties and written
// streams; everything else (read streams, methods, events, resets) goes
// down untouched.

#include "filter_device.h"
#include "property_path.h"
#include "request_forwarding.h"
#include "stream_context.h"

// IRP_MJ_DEVICE_CONTROL, PASSIVE_LEVEL in the requester's thread. A
// property request is completed here or passed down by the property path;
// a written stream is processed in place and passed down.
NTSTATUS NTAPI DispatchDeviceControl(PDEVICE_OBJECT DeviceObject, PIRP Irp)
{
    FilterDevice* device = FilterDeviceOf(DeviceObject);
    NTSTATUS status = IoAcquireRemoveLock(&device->RemoveLock, NULL);
    if (!NT_SUCCESS(status)) {
        return CompleteRequest(Irp, status, 0);
    }
    switch (IoGetCurrentIrpStackLocation(Irp)->Parameters.DeviceIoControl.IoControlCode) {
    case IOCTL_KS_PROPERTY:
        status = HandleKsPropertyRequest(device, Irp);
        break;
    case IOCTL_KS_WRITE_STREAM:
        ProcessWriteStream(&device->Engines, Irp);
        status = PassDown(device, Irp);
        break;
    default:
        status = PassDown(device, Irp);
        break;
    }
    IoReleaseRemoveLock(&device->RemoveLock, NULL);
    return status;
}
