// Completing requests, passing them down, forwarding them synchronously,
// and the dispatch routine of every major function the filter does not
// handle itself.

#include "request_forwarding.h"

namespace {

// Completion routine of a synchronous forward: wakes the waiting dispatch
// routine and keeps the request for it. Any IRQL up to DISPATCH_LEVEL.
NTSTATUS NTAPI SignalForwardDone(PDEVICE_OBJECT DeviceObject, PIRP Irp, PVOID Context)
{
    UNREFERENCED_PARAMETER(DeviceObject);
    UNREFERENCED_PARAMETER(Irp);
    KeSetEvent(static_cast<PKEVENT>(Context), IO_NO_INCREMENT, FALSE);
    return STATUS_MORE_PROCESSING_REQUIRED;
}

}  // namespace

NTSTATUS CompleteRequest(PIRP irp, NTSTATUS status, ULONG_PTR information)
{
    irp->IoStatus.Status = status;
    irp->IoStatus.Information = information;
    IofCompleteRequest(irp, IO_NO_INCREMENT);
    return status;
}

NTSTATUS PassDown(FilterDevice* device, PIRP irp)
{
    IoSkipCurrentIrpStackLocation(irp);
    return IofCallDriver(device->LowerDevice, irp);
}

NTSTATUS ForwardSynchronously(FilterDevice* device, PIRP irp)
{
    KEVENT done;
    KeInitializeEvent(&done, NotificationEvent, FALSE);
    IoCopyCurrentIrpStackLocationToNext(irp);
    IoSetCompletionRoutine(irp, SignalForwardDone, &done, TRUE, TRUE, TRUE);
    IofCallDriver(device->LowerDevice, irp);
    KeWaitForSingleObject(&done, Executive, KernelMode, FALSE, NULL);
    return irp->IoStatus.Status;
}

// Every major function the filter does not handle: the request goes down
// unchanged, in the requester's thread. Any IRQL the request arrives at;
// the request belongs to the drivers below afterwards.
NTSTATUS NTAPI DispatchPassThrough(PDEVICE_OBJECT DeviceObject, PIRP Irp)
{
    FilterDevice* device = FilterDeviceOf(DeviceObject);
    if (device->LowerDevice == NULL) {
        return CompleteRequest(Irp, STATUS_DEVICE_NOT_READY, 0);
    }
    NTSTATUS status = IoAcquireRemoveLock(&device->RemoveLock, NULL);
    if (!NT_SUCCESS(status)) {
        return CompleteRequest(Irp, status, 0);
    }
    status = PassDown(device, Irp);
    IoReleaseRemoveLock(&device->RemoveLock, NULL);
    return status;
}
