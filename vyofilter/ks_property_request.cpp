#include "ks_property_request.h"

NTSTATUS SendKsPropertyRequest(PDEVICE_OBJECT lower, PFILE_OBJECT fileObject, PVOID property, ULONG propertyLength,
                               PVOID value, ULONG valueLength, PULONG_PTR information)
{
    *information = 0;
    KEVENT done;
    IO_STATUS_BLOCK ioStatus;
    KeInitializeEvent(&done, NotificationEvent, FALSE);
    ioStatus.Status = STATUS_SUCCESS;
    ioStatus.Information = 0;
    PIRP irp = IoBuildDeviceIoControlRequest(IOCTL_KS_PROPERTY, lower, property, propertyLength, value, valueLength,
                                             FALSE, &done, &ioStatus);
    if (irp == NULL) {
        return STATUS_INSUFFICIENT_RESOURCES;
    }
    IoGetNextIrpStackLocation(irp)->FileObject = fileObject;
    NTSTATUS status = IofCallDriver(lower, irp);
    if (status == STATUS_PENDING) {
        KeWaitForSingleObject(&done, Executive, KernelMode, FALSE, NULL);
        status = ioStatus.Status;
    }
    *information = ioStatus.Information;
    return status;
}

NTSTATUS SendKsPropertyRequest(PDEVICE_OBJECT lower, PFILE_OBJECT fileObject, const GUID& set, ULONG id,
                               ULONG flags, PVOID value, ULONG valueLength, PULONG_PTR information)
{
    KSPROPERTY property;
    RtlZeroMemory(&property, sizeof(property));
    property.Set = set;
    property.Id = id;
    property.Flags = flags;
    return SendKsPropertyRequest(lower, fileObject, &property, sizeof(property), value, valueLength, information);
}
