// Power requests: a device going to D3 saves its settings first.

#include "filter_device.h"
#include "request_forwarding.h"
#include "settings.h"

namespace {

BOOLEAN IsSetPowerToD3(PIO_STACK_LOCATION stack)
{
    return stack->MinorFunction == IRP_MN_SET_POWER && stack->Parameters.Power.Type == DevicePowerState &&
           stack->Parameters.Power.State.DeviceState == PowerDeviceD3;
}

}  // namespace

// IRP_MJ_POWER, PASSIVE_LEVEL (the device is pageable as the card is).
// The request goes down to the card.
NTSTATUS NTAPI DispatchPower(PDEVICE_OBJECT DeviceObject, PIRP Irp)
{
    FilterDevice* device = FilterDeviceOf(DeviceObject);
    PoStartNextPowerIrp(Irp);
    NTSTATUS status = IoAcquireRemoveLock(&device->RemoveLock, NULL);
    if (!NT_SUCCESS(status)) {
        return CompleteRequest(Irp, status, 0);
    }
    if (IsSetPowerToD3(IoGetCurrentIrpStackLocation(Irp))) {
        SaveSettingsAndClearChange(device);
    }
    IoSkipCurrentIrpStackLocation(Irp);
    status = PoCallDriver(device->LowerDevice, Irp);
    IoReleaseRemoveLock(&device->RemoveLock, NULL);
    return status;
}
