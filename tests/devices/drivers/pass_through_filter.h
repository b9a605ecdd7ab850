// The skeleton the tests' upper filters share: a device extension naming
// the device below and the physical device, an AddDevice that attaches the
// filter above the card, a pass-down that sends a request on untouched, and
// a Plug and Play pass-down that leaves the stack after a removal. Each
// test filter adds only the requests it watches.
#pragma once

#include <wdm.h>

namespace passthrough {

struct FilterExtension {
    PDEVICE_OBJECT Lower;
    PDEVICE_OBJECT Pdo;
};

inline FilterExtension* ExtensionOf(PDEVICE_OBJECT device)
{
    return static_cast<FilterExtension*>(device->DeviceExtension);
}

// Any request: down to the next device, which owns it afterwards.
inline NTSTATUS NTAPI PassDown(PDEVICE_OBJECT device, PIRP irp)
{
    IoSkipCurrentIrpStackLocation(irp);
    return IoCallDriver(ExtensionOf(device)->Lower, irp);
}

// IRP_MJ_PNP: down to the next device; after IRP_MN_REMOVE_DEVICE the
// filter detaches and deletes its device.
inline NTSTATUS NTAPI PassDownPnp(PDEVICE_OBJECT device, PIRP irp)
{
    const UCHAR minor = IoGetCurrentIrpStackLocation(irp)->MinorFunction;
    PDEVICE_OBJECT lower = ExtensionOf(device)->Lower;
    const NTSTATUS status = PassDown(device, irp);
    if (minor == IRP_MN_REMOVE_DEVICE) {
        IoDetachDevice(lower);
        IoDeleteDevice(device);
    }
    return status;
}

// Creates the filter's device and attaches it above the stack of `pdo`,
// with the I/O flags of the device below.
inline NTSTATUS NTAPI AddDevice(PDRIVER_OBJECT driver, PDEVICE_OBJECT pdo)
{
    PDEVICE_OBJECT device = NULL;
    NTSTATUS status = IoCreateDevice(driver, sizeof(FilterExtension), NULL, FILE_DEVICE_KS, 0, FALSE, &device);
    if (!NT_SUCCESS(status)) {
        return status;
    }
    FilterExtension* extension = ExtensionOf(device);
    extension->Pdo = pdo;
    extension->Lower = IoAttachDeviceToDeviceStack(device, pdo);
    if (extension->Lower == NULL) {
        IoDeleteDevice(device);
        return STATUS_DEVICE_REMOVED;
    }
    device->Flags |= extension->Lower->Flags & (DO_DIRECT_IO | DO_BUFFERED_IO | DO_POWER_PAGABLE);
    device->Flags &= ~DO_DEVICE_INITIALIZING;
    return STATUS_SUCCESS;
}

}  // namespace passthrough
