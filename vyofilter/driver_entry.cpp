// Driver entry of VYOFilter, the upper filter that Plug and Play loads above
// every sound card whose upper-filter list names "vyofilter".

#include "filter_device.h"

// DriverEntry: every request goes straight through to the card except the
// few the filter handles. The registry path is not used. PASSIVE_LEVEL;
// returns STATUS_SUCCESS.
NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT DriverObject, PUNICODE_STRING RegistryPath)
{
    UNREFERENCED_PARAMETER(RegistryPath);
    for (ULONG major = 0; major <= IRP_MJ_MAXIMUM_FUNCTION; ++major) {
        DriverObject->MajorFunction[major] = DispatchPassThrough;
    }
    DriverObject->MajorFunction[IRP_MJ_CREATE] = DispatchCreate;
    DriverObject->MajorFunction[IRP_MJ_CLOSE] = DispatchClose;
    DriverObject->MajorFunction[IRP_MJ_DEVICE_CONTROL] = DispatchDeviceControl;
    DriverObject->MajorFunction[IRP_MJ_POWER] = DispatchPower;
    DriverObject->MajorFunction[IRP_MJ_PNP] = DispatchPnp;
    DriverObject->DriverExtension->AddDevice = FilterAddDevice;
    DriverObject->DriverUnload = FilterUnload;
    return STATUS_SUCCESS;
}

// DriverUnload: the filter holds nothing beyond its devices, which are
// gone by the time the driver unloads. PASSIVE_LEVEL.
VOID NTAPI FilterUnload(PDRIVER_OBJECT DriverObject)
{
    UNREFERENCED_PARAMETER(DriverObject);
}
