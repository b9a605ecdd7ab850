// Control requests on the card's objects: KS properties and written
// streams. Both arrive in the requester's thread with the requester's
// buffers (METHOD_NEITHER), which the handlers check before use.

#include "card.h"

// IRP_MJ_DEVICE_CONTROL, at PASSIVE_LEVEL; completes the request.
NTSTATUS NTAPI CardDispatchDeviceControl(PDEVICE_OBJECT DeviceObject, PIRP Irp)
{
    PCARD_DEVICE card = static_cast<PCARD_DEVICE>(DeviceObject->DeviceExtension);
    NTSTATUS status = IoAcquireRemoveLock(&card->RemoveLock, Irp);
    if (!NT_SUCCESS(status)) {
        return CardCompleteRequest(Irp, status, 0);
    }
    Irp->IoStatus.Information = 0;
    switch (IoGetCurrentIrpStackLocation(Irp)->Parameters.DeviceIoControl.IoControlCode) {
    case IOCTL_KS_PROPERTY:
        status = CardHandleProperty(Irp);
        break;
    case IOCTL_KS_WRITE_STREAM:
        status = CardWriteStream(Irp);
        break;
    default:
        status = STATUS_INVALID_DEVICE_REQUEST;  // a render card reads no stream; it has no methods or events
        break;
    }
    if (NT_ERROR(status)) {
        Irp->IoStatus.Information = 0;
    }
    CardCompleteRequest(Irp, status, Irp->IoStatus.Information);
    IoReleaseRemoveLock(&card->RemoveLock, Irp);
    return status;
}
