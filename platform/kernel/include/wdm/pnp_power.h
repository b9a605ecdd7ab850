// Plug and Play and power: device registry keys, device interfaces, and the
// passing of power requests.
#pragma once

#include <wdm.h>

#define PLUGPLAY_REGKEY_DEVICE  1
#define PLUGPLAY_REGKEY_DRIVER  2
#define PLUGPLAY_REGKEY_CURRENT_HWPROFILE 4

// Opens the device's hardware key ("Device Parameters" of its instance) or
// its driver (software) key, as a kernel handle.
NTKERNELAPI NTSTATUS NTAPI IoOpenDeviceRegistryKey(PDEVICE_OBJECT DeviceObject, ULONG DevInstKeyType,
                                                   ACCESS_MASK DesiredAccess, PHANDLE DevInstRegKey);

// Registers an interface of the class for the physical device and returns
// its symbolic link name (freed by the caller with RtlFreeUnicodeString).
NTKERNELAPI NTSTATUS NTAPI IoRegisterDeviceInterface(PDEVICE_OBJECT PhysicalDeviceObject,
                                                     const GUID* InterfaceClassGuid,
                                                     PUNICODE_STRING ReferenceString,
                                                     PUNICODE_STRING SymbolicLinkName);
// Enabling makes the interface openable and announces its arrival to the
// clients that asked for notification; disabling announces its removal.
NTKERNELAPI NTSTATUS NTAPI IoSetDeviceInterfaceState(PUNICODE_STRING SymbolicLinkName, BOOLEAN Enable);

NTKERNELAPI VOID NTAPI PoStartNextPowerIrp(PIRP Irp);
NTKERNELAPI NTSTATUS NTAPI PoCallDriver(PDEVICE_OBJECT DeviceObject, PIRP Irp);
NTKERNELAPI POWER_STATE NTAPI PoSetPowerState(PDEVICE_OBJECT DeviceObject, POWER_STATE_TYPE Type,
                                              POWER_STATE State);
