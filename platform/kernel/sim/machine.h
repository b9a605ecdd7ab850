// The simulated machine: Plug and Play over the registry's device tree,
// drivers loaded by service name from shared libraries, device interfaces
// with notifications, and the registry kept in a state folder.
//
// Registry layout (as on Windows):
//   ...\CurrentControlSet\Enum\<instance>          "DeviceDesc", "Service", "Driver",
//                                                   "UpperFilters" (REG_MULTI_SZ), "ConfigFlags"
//   ...\CurrentControlSet\Enum\<instance>\Device Parameters     the hardware key
//   ...\CurrentControlSet\Control\Class\<Driver>                the driver (software) key
//   ...\CurrentControlSet\Services\<service>       "ImagePath": the driver library's file name
//                                                   (default lib<service>.so, lower case)
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <wdm.h>

namespace sim::machine {

struct Options {
    std::filesystem::path stateFolder;                 // empty: the registry lives in memory only
    std::vector<std::filesystem::path> driverFolders;  // empty: the folder of the running program
};

struct BootReport {
    bool registryLoaded = false;     // a registry file was found and read
    std::vector<std::string> notes;  // files passed over, devices that failed to start, and why
};

// Loads the registry from the state folder and starts every device that is
// installed and not disabled.
BootReport Boot(const Options& options);
// Removes every device stack, unloads the drivers and saves the registry.
void Shutdown(std::string* error = nullptr);
bool Running();

struct DeviceSetup {
    std::wstring instanceId;  // "ROOT\MEDIA\0000"
    std::wstring description;
    std::wstring service;     // the function driver
    std::vector<std::wstring> upperFilters;
};

// Writes the device's keys and starts it when the machine runs.
NTSTATUS InstallDevice(const DeviceSetup& setup);

struct DeviceInfo {
    std::wstring instanceId;
    std::wstring description;
    std::wstring service;
    std::vector<std::wstring> upperFilters;
    bool started = false;
    bool disabled = false;
    NTSTATUS problem = STATUS_SUCCESS;   // why the device did not start
    std::vector<std::wstring> interfaces; // enabled interfaces, as clients open them
};
std::vector<DeviceInfo> Devices();

NTSTATUS SetUpperFilters(const std::wstring& instanceId, const std::vector<std::wstring>& filters);
// A disable is refused (STATUS_DEVICE_BUSY) while files are open on the
// device, or when a driver of its stack fails IRP_MN_QUERY_REMOVE_DEVICE.
NTSTATUS DisableDevice(const std::wstring& instanceId);
// Builds the stack anew from the current filter list.
NTSTATUS EnableDevice(const std::wstring& instanceId);
NTSTATUS SetDevicePower(const std::wstring& instanceId, DEVICE_POWER_STATE state);
PDEVICE_OBJECT PhysicalDevice(const std::wstring& instanceId);

// Device interfaces, by the path a client opens ("\\?\ROOT#MEDIA#0000#{...}\Wave").
struct InterfaceEvent {
    GUID interfaceClass;
    std::wstring path;
    bool arrival;
};
using InterfaceCallback = std::function<void(const InterfaceEvent&)>;
// Notifications are delivered in order, after the Plug and Play operation
// that caused them has finished, in the thread that ran it.
int RegisterInterfaceNotification(const GUID& interfaceClass, InterfaceCallback callback);
void UnregisterInterfaceNotification(int registration);
std::vector<std::wstring> InterfacePaths(const GUID& interfaceClass);

std::wstring GuidText(const GUID& guid);

}  // namespace sim::machine
