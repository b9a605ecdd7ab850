#include "engines/property_request.h"

#include <ks_client.h>

#include "command_error.h"

namespace vastum {

PropertyAnswer SendPropertyRequest(const std::function<NTSTATUS(PIRP)>& dispatch, const GUID& set, ULONG id,
                                   ULONG flags, std::optional<ULONG> node, std::int32_t value)
{
    KSP_NODE property{};
    property.Property = ksclient::MakeProperty(set, id, flags);
    property.NodeId = node.value_or(0);
    const ULONG propertyLength = node ? sizeof(KSP_NODE) : sizeof(KSPROPERTY);
    LONG data = value;

    PIRP irp = IoAllocateIrp(1, FALSE);
    if (irp == nullptr) {
        throw CommandError("no IRP for the property request");
    }
    IoSetNextIrpStackLocation(irp);
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    stack->MajorFunction = IRP_MJ_DEVICE_CONTROL;
    stack->Parameters.DeviceIoControl.IoControlCode = IOCTL_KS_PROPERTY;
    stack->Parameters.DeviceIoControl.Type3InputBuffer = &property;
    stack->Parameters.DeviceIoControl.InputBufferLength = propertyLength;
    stack->Parameters.DeviceIoControl.OutputBufferLength = sizeof data;
    irp->UserBuffer = &data;
    irp->RequestorMode = UserMode;

    const NTSTATUS status = dispatch(irp);
    const PropertyAnswer answer{status, data, irp->IoStatus.Information};
    IoFreeIrp(irp);
    return answer;
}

}  // namespace vastum
