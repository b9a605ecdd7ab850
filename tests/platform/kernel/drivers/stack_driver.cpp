// A small WDM driver for the Plug and Play tests, built once as a function
// driver (which registers a device interface) and twice as an upper filter.
// Each device records what reached it in the device's hardware key, so the
// tests can see the order of a stack from outside.

#include <wdm.h>

namespace {

// {A7C4E1D2-1B2C-4D5E-8F90-112233445566}
DEFINE_GUID(GUID_TEST_INTERFACE, 0xa7c4e1d2, 0x1b2c, 0x4d5e, 0x8f, 0x90, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66);

struct StackDevice {
    PDEVICE_OBJECT lower;
    PDEVICE_OBJECT pdo;
    UNICODE_STRING interfaceName;
};

// Appends this driver's name to a REG_SZ log value of the device's hardware
// key: "AddDevice", "Start", "Power".
VOID AppendToLog(PDEVICE_OBJECT pdo, PCWSTR valueName)
{
    HANDLE key = NULL;
    if (!NT_SUCCESS(IoOpenDeviceRegistryKey(pdo, PLUGPLAY_REGKEY_DEVICE, KEY_ALL_ACCESS, &key))) {
        return;
    }
    UNICODE_STRING name;
    RtlInitUnicodeString(&name, valueName);
    WCHAR log[256] = {0};
    UCHAR buffer[sizeof(KEY_VALUE_PARTIAL_INFORMATION) + sizeof(log)];
    ULONG length = 0;
    if (NT_SUCCESS(ZwQueryValueKey(key, &name, KeyValuePartialInformation, buffer, sizeof buffer, &length))) {
        auto* info = reinterpret_cast<PKEY_VALUE_PARTIAL_INFORMATION>(buffer);
        memcpy(log, info->Data, info->DataLength < sizeof(log) ? info->DataLength : sizeof(log) - sizeof(WCHAR));
    }
    size_t used = wcslen(log);
    const WCHAR* self = STACK_DRIVER_NAME L" ";
    for (size_t i = 0; self[i] != 0 && used < 250; ++i) {
        log[used++] = self[i];
    }
    log[used] = 0;
    ZwSetValueKey(key, &name, 0, REG_SZ, log, static_cast<ULONG>((used + 1) * sizeof(WCHAR)));
    ZwClose(key);
}

NTSTATUS NTAPI PassDown(PDEVICE_OBJECT device, PIRP irp)
{
    auto* extension = static_cast<StackDevice*>(device->DeviceExtension);
    const UCHAR major = IoGetCurrentIrpStackLocation(irp)->MajorFunction;
    if (STACK_DRIVER_REGISTERS_INTERFACE &&
        (major == IRP_MJ_CREATE || major == IRP_MJ_CLEANUP || major == IRP_MJ_CLOSE)) {
        irp->IoStatus.Status = STATUS_SUCCESS;  // the function driver owns the files opened on its device
        IoCompleteRequest(irp, IO_NO_INCREMENT);
        return STATUS_SUCCESS;
    }
    IoSkipCurrentIrpStackLocation(irp);
    return IoCallDriver(extension->lower, irp);
}

NTSTATUS NTAPI DispatchPower(PDEVICE_OBJECT device, PIRP irp)
{
    auto* extension = static_cast<StackDevice*>(device->DeviceExtension);
    PoStartNextPowerIrp(irp);
    AppendToLog(extension->pdo, L"Power");
    IoSkipCurrentIrpStackLocation(irp);
    return PoCallDriver(extension->lower, irp);
}

NTSTATUS NTAPI DispatchPnp(PDEVICE_OBJECT device, PIRP irp)
{
    auto* extension = static_cast<StackDevice*>(device->DeviceExtension);
    const UCHAR minor = IoGetCurrentIrpStackLocation(irp)->MinorFunction;
    if (minor == IRP_MN_START_DEVICE) {
        AppendToLog(extension->pdo, L"Start");
        if (extension->interfaceName.Buffer != NULL) {
            IoSetDeviceInterfaceState(&extension->interfaceName, TRUE);
        }
    }
    if (minor != IRP_MN_REMOVE_DEVICE) {
        IoSkipCurrentIrpStackLocation(irp);
        return IoCallDriver(extension->lower, irp);
    }
    if (extension->interfaceName.Buffer != NULL) {
        IoSetDeviceInterfaceState(&extension->interfaceName, FALSE);
        RtlFreeUnicodeString(&extension->interfaceName);
    }
    IoSkipCurrentIrpStackLocation(irp);
    const NTSTATUS status = IoCallDriver(extension->lower, irp);
    IoDetachDevice(extension->lower);
    IoDeleteDevice(device);
    return status;
}

NTSTATUS NTAPI AddDevice(PDRIVER_OBJECT driver, PDEVICE_OBJECT pdo)
{
    PDEVICE_OBJECT device = NULL;
    NTSTATUS status = IoCreateDevice(driver, sizeof(StackDevice), NULL, FILE_DEVICE_UNKNOWN, 0, FALSE, &device);
    if (!NT_SUCCESS(status)) {
        return status;
    }
    auto* extension = static_cast<StackDevice*>(device->DeviceExtension);
    RtlZeroMemory(extension, sizeof(*extension));
    extension->pdo = pdo;
#if STACK_DRIVER_REGISTERS_INTERFACE
    UNICODE_STRING reference;
    RtlInitUnicodeString(&reference, L"Wave");
    IoRegisterDeviceInterface(pdo, &GUID_TEST_INTERFACE, &reference, &extension->interfaceName);
#endif
    extension->lower = IoAttachDeviceToDeviceStack(device, pdo);
    device->Flags &= ~DO_DEVICE_INITIALIZING;
    AppendToLog(pdo, L"AddDevice");
    return STATUS_SUCCESS;
}

VOID NTAPI Unload(PDRIVER_OBJECT)
{
}

}  // namespace

NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING registryPath)
{
    UNREFERENCED_PARAMETER(registryPath);
    for (ULONG i = 0; i <= IRP_MJ_MAXIMUM_FUNCTION; ++i) {
        driver->MajorFunction[i] = PassDown;
    }
    driver->MajorFunction[IRP_MJ_PNP] = DispatchPnp;
    driver->MajorFunction[IRP_MJ_POWER] = DispatchPower;
    driver->DriverExtension->AddDevice = AddDevice;
    driver->DriverUnload = Unload;
    return STATUS_SUCCESS;
}
