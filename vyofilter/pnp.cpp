// Plug and Play requests: the start is forwarded and completed here; the
// removal tears the filter device down once no request is in flight.

#include "filter_device.h"
#include "request_forwarding.h"

namespace {

// IRP_MN_START_DEVICE: the card starts first; its result is the request's.
NTSTATUS StartDevice(FilterDevice* device, PIRP irp)
{
    const NTSTATUS status = ForwardSynchronously(device, irp);
    CompleteRequest(irp, status, irp->IoStatus.Information);
    IoReleaseRemoveLock(&device->RemoveLock, NULL);
    return status;
}

// IRP_MN_REMOVE_DEVICE: waits until every request that holds the remove
// lock has released it (new ones are refused from now on), then passes
// the removal down, detaches, and destroys the device.
NTSTATUS RemoveDevice(FilterDevice* device, PIRP irp)
{
    IoReleaseRemoveLockAndWait(&device->RemoveLock, NULL);
    PDEVICE_OBJECT self = device->Self;
    PDEVICE_OBJECT lower = device->LowerDevice;
    const NTSTATUS status = PassDown(device, irp);
    IoDetachDevice(lower);
    DestroyFilterDevice(device);
    IoDeleteDevice(self);
    return status;
}

NTSTATUS PassDownAndRelease(FilterDevice* device, PIRP irp)
{
    const NTSTATUS status = PassDown(device, irp);
    IoReleaseRemoveLock(&device->RemoveLock, NULL);
    return status;
}

}  // namespace

// IRP_MJ_PNP, PASSIVE_LEVEL in a Plug and Play thread. Each minor function
// releases the remove lock itself: the removal does so before it waits.
NTSTATUS NTAPI DispatchPnp(PDEVICE_OBJECT DeviceObject, PIRP Irp)
{
    FilterDevice* device = FilterDeviceOf(DeviceObject);
    const NTSTATUS status = IoAcquireRemoveLock(&device->RemoveLock, NULL);
    if (!NT_SUCCESS(status)) {
        return CompleteRequest(Irp, status, 0);
    }
    switch (IoGetCurrentIrpStackLocation(Irp)->MinorFunction) {
    case IRP_MN_START_DEVICE:
        return StartDevice(device, Irp);
    case IRP_MN_REMOVE_DEVICE:
        return RemoveDevice(device, Irp);
    default:
        return PassDownAndRelease(device, Irp);
    }
}
