// Plug and Play and power requests of the virtual sound card.

#include "card.h"

namespace {

NTSTATUS NTAPI SignalForwardDone(PDEVICE_OBJECT DeviceObject, PIRP Irp, PVOID Context)
{
    UNREFERENCED_PARAMETER(DeviceObject);
    UNREFERENCED_PARAMETER(Irp);
    KeSetEvent(static_cast<PKEVENT>(Context), IO_NO_INCREMENT, FALSE);
    return STATUS_MORE_PROCESSING_REQUIRED;
}

// Sends the request to the device below and waits until it has completed
// there; the request is this driver's again afterwards.
NTSTATUS ForwardAndWait(PCARD_DEVICE Card, PIRP Irp)
{
    KEVENT done;
    KeInitializeEvent(&done, NotificationEvent, FALSE);
    IoCopyCurrentIrpStackLocationToNext(Irp);
    IoSetCompletionRoutine(Irp, SignalForwardDone, &done, TRUE, TRUE, TRUE);
    if (IoCallDriver(Card->LowerDevice, Irp) == STATUS_PENDING) {
        KeWaitForSingleObject(&done, Executive, KernelMode, FALSE, NULL);
    }
    return Irp->IoStatus.Status;
}

NTSTATUS PassDown(PCARD_DEVICE Card, PIRP Irp)
{
    IoSkipCurrentIrpStackLocation(Irp);
    return IoCallDriver(Card->LowerDevice, Irp);
}

// IRP_MN_START_DEVICE: the bus starts the device first, then its
// interfaces become openable.
NTSTATUS StartDevice(PCARD_DEVICE Card, PIRP Irp)
{
    NTSTATUS status = ForwardAndWait(Card, Irp);
    if (NT_SUCCESS(status)) {
        status = IoSetDeviceInterfaceState(&Card->AudioInterface, TRUE);
    }
    if (NT_SUCCESS(status)) {
        status = IoSetDeviceInterfaceState(&Card->RenderInterface, TRUE);
    }
    return CardCompleteRequest(Irp, status, 0);
}

// IRP_MN_REMOVE_DEVICE: the interfaces go, the request goes down, and once
// every request in flight has released the remove lock the device is
// detached and deleted. The caller's hold on the lock is given up here.
NTSTATUS RemoveDevice(PCARD_DEVICE Card, PIRP Irp)
{
    IoSetDeviceInterfaceState(&Card->AudioInterface, FALSE);
    IoSetDeviceInterfaceState(&Card->RenderInterface, FALSE);
    const NTSTATUS status = PassDown(Card, Irp);
    IoReleaseRemoveLockAndWait(&Card->RemoveLock, Irp);
    IoDetachDevice(Card->LowerDevice);
    RtlFreeUnicodeString(&Card->AudioInterface);
    RtlFreeUnicodeString(&Card->RenderInterface);
    IoDeleteDevice(Card->Self);
    return status;
}

}  // namespace

// IRP_MJ_PNP, at PASSIVE_LEVEL. Start and removal have their own helpers;
// every other minor function goes down to the bus unchanged.
NTSTATUS NTAPI CardDispatchPnp(PDEVICE_OBJECT DeviceObject, PIRP Irp)
{
    PCARD_DEVICE card = static_cast<PCARD_DEVICE>(DeviceObject->DeviceExtension);
    NTSTATUS status = IoAcquireRemoveLock(&card->RemoveLock, Irp);
    if (!NT_SUCCESS(status)) {
        return CardCompleteRequest(Irp, status, 0);
    }
    switch (IoGetCurrentIrpStackLocation(Irp)->MinorFunction) {
    case IRP_MN_START_DEVICE:
        status = StartDevice(card, Irp);
        break;
    case IRP_MN_REMOVE_DEVICE:
        return RemoveDevice(card, Irp);
    default:
        status = PassDown(card, Irp);
        break;
    }
    IoReleaseRemoveLock(&card->RemoveLock, Irp);
    return status;
}

// IRP_MJ_POWER: the card keeps no power state of its own; the bus sets it.
NTSTATUS NTAPI CardDispatchPower(PDEVICE_OBJECT DeviceObject, PIRP Irp)
{
    PCARD_DEVICE card = static_cast<PCARD_DEVICE>(DeviceObject->DeviceExtension);
    PoStartNextPowerIrp(Irp);
    const NTSTATUS locked = IoAcquireRemoveLock(&card->RemoveLock, Irp);
    if (!NT_SUCCESS(locked)) {
        return CardCompleteRequest(Irp, locked, 0);
    }
    IoSkipCurrentIrpStackLocation(Irp);
    const NTSTATUS status = PoCallDriver(card->LowerDevice, Irp);
    IoReleaseRemoveLock(&card->RemoveLock, Irp);
    return status;
}
