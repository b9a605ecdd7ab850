// A KS property request as it reaches a driver's device-control dispatch:
// an IRP whose current stack location holds IRP_MJ_DEVICE_CONTROL and
// IOCTL_KS_PROPERTY, the property as Type3InputBuffer and the value as
// UserBuffer (METHOD_NEITHER: the requester's own addresses), sent by a
// client (UserMode) unless the test says otherwise.
#pragma once

#include <wdm.h>

#include <ks.h>

#include <cstring>

namespace ks_test {

inline KSPROPERTY Property(const GUID& set, ULONG id, ULONG flags)
{
    KSPROPERTY property{};
    property.Set = set;
    property.Id = id;
    property.Flags = flags;
    return property;
}

inline KSP_NODE NodeProperty(const GUID& set, ULONG id, ULONG flags, ULONG nodeId)
{
    KSP_NODE node{};
    node.Property = Property(set, id, flags);
    node.NodeId = nodeId;
    return node;
}

class PropertyIrp {
public:
    PropertyIrp(const void* property, ULONG propertyLength, void* value, ULONG valueLength,
                KPROCESSOR_MODE requestor = UserMode)
        : m_irp(IoAllocateIrp(1, FALSE))
    {
        IoSetNextIrpStackLocation(m_irp);
        PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(m_irp);
        stack->MajorFunction = IRP_MJ_DEVICE_CONTROL;
        stack->Parameters.DeviceIoControl.IoControlCode = IOCTL_KS_PROPERTY;
        stack->Parameters.DeviceIoControl.Type3InputBuffer = const_cast<void*>(property);
        stack->Parameters.DeviceIoControl.InputBufferLength = propertyLength;
        stack->Parameters.DeviceIoControl.OutputBufferLength = valueLength;
        m_irp->UserBuffer = value;
        m_irp->RequestorMode = requestor;
        m_irp->IoStatus.Information = 0xDEAD;  // so a test sees whether anything set it
    }
    ~PropertyIrp() { IoFreeIrp(m_irp); }
    PropertyIrp(const PropertyIrp&) = delete;
    PropertyIrp& operator=(const PropertyIrp&) = delete;

    PIRP Irp() const { return m_irp; }
    PIO_STACK_LOCATION Stack() const { return IoGetCurrentIrpStackLocation(m_irp); }

private:
    PIRP m_irp;
};

}  // namespace ks_test
