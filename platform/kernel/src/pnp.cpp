// The Plug and Play manager of the simulated machine: device nodes from the
// registry, driver libraries loaded by service name, device stacks built in
// the order Windows builds them, and device interfaces.

#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <map>
#include <memory>
#include <mutex>

#include "io_manager.h"
#include "names.h"
#include "pool_tags.h"
#include "registry_tree.h"
#include "sim/io.h"
#include "sim/machine.h"
#include "sim/registry.h"

namespace {

using sim::Lower;

const std::wstring kControlSet = L"\\Registry\\Machine\\System\\CurrentControlSet";
const std::wstring kEnum = kControlSet + L"\\Enum";
const std::wstring kClass = kControlSet + L"\\Control\\Class";
const std::wstring kServices = kControlSet + L"\\Services";
const std::wstring kMediaClass = L"{4d36e96c-e325-11ce-bfc1-08002be10318}";
constexpr std::uint32_t kConfigFlagDisabled = 0x1;

struct DeviceInterface {
    GUID interfaceClass;
    std::wstring link;       // "\??\ROOT#MEDIA#0000#{guid}"
    std::wstring reference;  // "\Wave" or empty
    bool enabled = false;
};

struct Devnode {
    std::wstring instanceId;
    PDEVICE_OBJECT pdo = nullptr;
    bool started = false;
    NTSTATUS problem = STATUS_SUCCESS;
    std::vector<DeviceInterface> interfaces;
};

struct LoadedDriver {
    PDRIVER_OBJECT driver = nullptr;
    void* library = nullptr;
};

struct Notification {
    int id;
    GUID interfaceClass;
    sim::machine::InterfaceCallback callback;
};

struct MachineState {
    std::recursive_mutex operations;  // one Plug and Play operation at a time
    std::mutex tables;                // devnodes' interfaces, notifications, queued events
    bool running = false;
    sim::machine::Options options;
    PDRIVER_OBJECT busDriver = nullptr;
    std::map<std::wstring, std::unique_ptr<Devnode>> devnodes;  // by lower-case instance id
    std::map<std::wstring, LoadedDriver> drivers;              // by lower-case service name
    std::vector<Notification> notifications;
    int nextNotification = 1;
    std::vector<sim::machine::InterfaceEvent> queued;
};

MachineState& Machine()
{
    static MachineState* state = new MachineState;
    return *state;
}

std::wstring ReadString(const std::wstring& key, const std::wstring& name)
{
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    if (!sim::registry::GetValue(key, name, &type, &data) || (type != REG_SZ && type != REG_EXPAND_SZ)) {
        return {};
    }
    return sim::registry::StringFromData(data);
}

std::vector<std::wstring> ReadMultiString(const std::wstring& key, const std::wstring& name)
{
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    if (!sim::registry::GetValue(key, name, &type, &data) || type != REG_MULTI_SZ) {
        return {};
    }
    return sim::registry::MultiStrings(data);
}

std::uint32_t ReadDword(const std::wstring& key, const std::wstring& name)
{
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    std::uint32_t value = 0;
    if (sim::registry::GetValue(key, name, &type, &data) && type == REG_DWORD && data.size() == 4) {
        memcpy(&value, data.data(), 4);
    }
    return value;
}

void WriteDword(const std::wstring& key, const std::wstring& name, std::uint32_t value)
{
    std::vector<std::uint8_t> data(4);
    memcpy(data.data(), &value, 4);
    sim::registry::SetValue(key, name, REG_DWORD, data);
}

std::string Narrow(const std::wstring& text)
{
    std::string out;
    for (wchar_t c : text) {
        out += c < 0x80 ? static_cast<char>(c) : '?';
    }
    return out;
}

std::vector<std::filesystem::path> DriverFolders()
{
    MachineState& machine = Machine();
    if (!machine.options.driverFolders.empty()) {
        return machine.options.driverFolders;
    }
    char self[PATH_MAX] = {};
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    return {length > 0 ? std::filesystem::path(std::string(self, static_cast<size_t>(length))).parent_path()
                       : std::filesystem::current_path()};
}

// Loads the driver of a service once; DriverEntry runs at the first load.
NTSTATUS LoadServiceDriver(const std::wstring& service, PDRIVER_OBJECT* driver)
{
    MachineState& machine = Machine();
    auto loaded = machine.drivers.find(Lower(service));
    if (loaded != machine.drivers.end()) {
        *driver = loaded->second.driver;
        return STATUS_SUCCESS;
    }
    std::wstring image = ReadString(kServices + L"\\" + service, L"ImagePath");
    if (image.empty()) {
        image = L"lib" + Lower(service) + L".so";
    }
    void* library = nullptr;
    for (const auto& folder : DriverFolders()) {
        const std::filesystem::path path = std::filesystem::path(Narrow(image)).is_absolute()
                                               ? std::filesystem::path(Narrow(image))
                                               : folder / Narrow(image);
        library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (library != nullptr) {
            break;
        }
    }
    if (library == nullptr) {
        return STATUS_DRIVER_UNABLE_TO_LOAD;
    }
    auto entry = reinterpret_cast<PDRIVER_INITIALIZE>(dlsym(library, "DriverEntry"));
    if (entry == nullptr) {
        dlclose(library);
        return STATUS_DRIVER_UNABLE_TO_LOAD;
    }
    PDRIVER_OBJECT object = nullptr;
    const NTSTATUS status = sim::io::CreateDriver(service, kServices + L"\\" + service, entry, &object);
    if (!NT_SUCCESS(status)) {
        dlclose(library);
        return status;
    }
    machine.drivers[Lower(service)] = LoadedDriver{object, library};
    *driver = object;
    return STATUS_SUCCESS;
}

// Unloads every driver none of whose device objects is left.
void UnloadIdleDrivers()
{
    MachineState& machine = Machine();
    for (auto it = machine.drivers.begin(); it != machine.drivers.end();) {
        PDRIVER_OBJECT driver = it->second.driver;
        if (sim::io::PrivateOf(driver)->liveDevices.load() != 0) {
            ++it;
            continue;
        }
        if (driver->DriverUnload != nullptr) {
            driver->DriverUnload(driver);
        }
        void* library = it->second.library;
        ObfDereferenceObject(driver);
        dlclose(library);
        it = machine.drivers.erase(it);
    }
}

void DeliverQueuedNotifications()
{
    MachineState& machine = Machine();
    std::vector<sim::machine::InterfaceEvent> events;
    std::vector<Notification> targets;
    {
        std::lock_guard<std::mutex> guard(machine.tables);
        events.swap(machine.queued);
        targets = machine.notifications;
    }
    for (const auto& event : events) {
        for (const auto& target : targets) {
            if (IsEqualGUID(target.interfaceClass, event.interfaceClass)) {
                target.callback(event);
            }
        }
    }
}

std::wstring ClientPath(const DeviceInterface& deviceInterface)
{
    return L"\\\\?\\" + deviceInterface.link.substr(4) + deviceInterface.reference;
}

// The bus driver's handling of its physical device objects: they accept the
// Plug and Play and power requests of their stack and nothing else.
NTSTATUS NTAPI PdoPnp(PDEVICE_OBJECT, PIRP irp)
{
    const UCHAR minor = IoGetCurrentIrpStackLocation(irp)->MinorFunction;
    if (minor == IRP_MN_START_DEVICE || minor == IRP_MN_QUERY_REMOVE_DEVICE || minor == IRP_MN_REMOVE_DEVICE ||
        minor == IRP_MN_CANCEL_REMOVE_DEVICE || minor == IRP_MN_SURPRISE_REMOVAL) {
        irp->IoStatus.Status = STATUS_SUCCESS;
    }
    const NTSTATUS status = irp->IoStatus.Status;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return status;
}

NTSTATUS NTAPI PdoPower(PDEVICE_OBJECT, PIRP irp)
{
    PoStartNextPowerIrp(irp);
    irp->IoStatus.Status = STATUS_SUCCESS;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return STATUS_SUCCESS;
}

NTSTATUS NTAPI PdoRefuse(PDEVICE_OBJECT, PIRP irp)
{
    irp->IoStatus.Status = STATUS_NO_SUCH_DEVICE;
    irp->IoStatus.Information = 0;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return STATUS_NO_SUCH_DEVICE;
}

NTSTATUS NTAPI BusDriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING)
{
    for (PDRIVER_DISPATCH& dispatch : driver->MajorFunction) {
        dispatch = PdoRefuse;
    }
    driver->MajorFunction[IRP_MJ_PNP] = PdoPnp;
    driver->MajorFunction[IRP_MJ_POWER] = PdoPower;
    return STATUS_SUCCESS;
}

NTSTATUS SendPnp(Devnode& node, UCHAR minor)
{
    return sim::io::SendSynchronousRequest(node.pdo, IRP_MJ_PNP, minor, nullptr, nullptr, true);
}

void DisableInterfaces(Devnode& node)
{
    for (auto& deviceInterface : node.interfaces) {
        if (deviceInterface.enabled) {
            UNICODE_STRING link;
            const std::wstring full = deviceInterface.link + deviceInterface.reference;
            RtlInitUnicodeString(&link, full.c_str());
            IoSetDeviceInterfaceState(&link, FALSE);
        }
    }
}

void RemoveStack(Devnode& node)
{
    if (node.pdo->AttachedDevice != nullptr || node.started) {
        SendPnp(node, IRP_MN_REMOVE_DEVICE);
    }
    DisableInterfaces(node);
    node.started = false;
}

NTSTATUS AddDriverToStack(Devnode& node, const std::wstring& service)
{
    PDRIVER_OBJECT driver = nullptr;
    NTSTATUS status = LoadServiceDriver(service, &driver);
    if (!NT_SUCCESS(status)) {
        return status;
    }
    if (driver->DriverExtension->AddDevice == nullptr) {
        return STATUS_DRIVER_UNABLE_TO_LOAD;
    }
    return driver->DriverExtension->AddDevice(driver, node.pdo);
}

// The function driver, then each upper filter in list order, then the start
// request down the finished stack. Any failure removes what was built.
void StartDevnode(Devnode& node)
{
    const std::wstring key = kEnum + L"\\" + node.instanceId;
    node.problem = STATUS_SUCCESS;
    NTSTATUS status = AddDriverToStack(node, ReadString(key, L"Service"));
    for (const std::wstring& filter : ReadMultiString(key, L"UpperFilters")) {
        if (!NT_SUCCESS(status)) {
            break;
        }
        status = AddDriverToStack(node, filter);
    }
    if (NT_SUCCESS(status)) {
        status = SendPnp(node, IRP_MN_START_DEVICE);
    }
    if (!NT_SUCCESS(status)) {
        node.problem = status;
        RemoveStack(node);
        UnloadIdleDrivers();
        return;
    }
    node.started = true;
}

Devnode* FindDevnode(const std::wstring& instanceId)
{
    auto found = Machine().devnodes.find(Lower(instanceId));
    return found == Machine().devnodes.end() ? nullptr : found->second.get();
}

Devnode* DevnodeOf(PDEVICE_OBJECT pdo)
{
    return pdo != nullptr ? static_cast<Devnode*>(pdo->DeviceObjectExtension->devnode) : nullptr;
}

// Creates the physical device object of an installed device.
Devnode* CreateDevnode(const std::wstring& instanceId)
{
    MachineState& machine = Machine();
    auto node = std::make_unique<Devnode>();
    node->instanceId = instanceId;
    if (!NT_SUCCESS(IoCreateDevice(machine.busDriver, 0, nullptr, FILE_DEVICE_BUS_EXTENDER,
                                   FILE_AUTOGENERATED_DEVICE_NAME, FALSE, &node->pdo))) {
        return nullptr;
    }
    node->pdo->Flags &= ~DO_DEVICE_INITIALIZING;
    node->pdo->DeviceObjectExtension->devnode = node.get();
    Devnode* raw = node.get();
    machine.devnodes[Lower(instanceId)] = std::move(node);
    return raw;
}

std::vector<std::wstring> InstalledInstances()
{
    std::vector<std::wstring> instances;
    for (const auto& enumerator : sim::registry::SubkeyNames(kEnum)) {
        for (const auto& id : sim::registry::SubkeyNames(kEnum + L"\\" + enumerator)) {
            for (const auto& instance : sim::registry::SubkeyNames(kEnum + L"\\" + enumerator + L"\\" + id)) {
                instances.push_back(enumerator + L"\\" + id + L"\\" + instance);
            }
        }
    }
    return instances;
}

}  // namespace

namespace sim::machine {

std::wstring GuidText(const GUID& guid)
{
    wchar_t text[40];
    swprintf(text, 40, L"{%08x-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x}", guid.Data1, guid.Data2, guid.Data3,
             guid.Data4[0], guid.Data4[1], guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5], guid.Data4[6],
             guid.Data4[7]);
    return text;
}

BootReport Boot(const Options& options)
{
    MachineState& machine = Machine();
    BootReport report;
    {
        std::lock_guard<std::recursive_mutex> guard(machine.operations);
        machine.options = options;
        sim::registry::Reset();
        if (!options.stateFolder.empty()) {
            const auto loaded = sim::registry::LoadFrom(options.stateFolder);
            report.registryLoaded = loaded.loaded;
            for (const auto& problem : loaded.problems) {
                report.notes.push_back("registry: " + problem);
            }
            if (loaded.usedPreviousCopy) {
                report.notes.push_back("registry: using the previous good copy");
            }
        }
        sim::io::LoadDriver(L"PnpManager", BusDriverEntry, &machine.busDriver);
        machine.running = true;
        for (const auto& instance : InstalledInstances()) {
            Devnode* node = CreateDevnode(instance);
            if (node == nullptr) {
                continue;
            }
            if (ReadDword(kEnum + L"\\" + instance, L"ConfigFlags") & kConfigFlagDisabled) {
                continue;
            }
            StartDevnode(*node);
            if (!NT_SUCCESS(node->problem)) {
                report.notes.push_back("device " + Narrow(instance) + " did not start: status 0x" + [&] {
                    char hex[16];
                    snprintf(hex, sizeof hex, "%08X", static_cast<unsigned>(node->problem));
                    return std::string(hex);
                }());
            }
        }
    }
    DeliverQueuedNotifications();
    return report;
}

void Shutdown(std::string* error)
{
    MachineState& machine = Machine();
    {
        std::lock_guard<std::recursive_mutex> guard(machine.operations);
        if (!machine.running) {
            return;
        }
        for (auto& entry : machine.devnodes) {
            if (entry.second->started) {
                RemoveStack(*entry.second);
            }
        }
        for (auto& entry : machine.devnodes) {
            entry.second->pdo->DeviceObjectExtension->devnode = nullptr;
            IoDeleteDevice(entry.second->pdo);
        }
        machine.devnodes.clear();
        UnloadIdleDrivers();
        sim::io::UnloadDriver(machine.busDriver);
        machine.busDriver = nullptr;
        machine.running = false;
        std::string failure;
        if (!machine.options.stateFolder.empty() && !sim::registry::SaveTo(machine.options.stateFolder, &failure) &&
            error != nullptr) {
            *error = failure;
        }
        sim::registry::Reset();  // the next boot reads the registry from its file again
    }
    DeliverQueuedNotifications();
}

bool Running()
{
    return Machine().running;
}

NTSTATUS InstallDevice(const DeviceSetup& setup)
{
    MachineState& machine = Machine();
    const std::wstring key = kEnum + L"\\" + setup.instanceId;
    {
        std::lock_guard<std::recursive_mutex> guard(machine.operations);
        if (FindDevnode(setup.instanceId) != nullptr) {
            return STATUS_OBJECT_NAME_COLLISION;
        }
        const std::wstring driverKey = kMediaClass + L"\\" + [&] {
            wchar_t number[8];
            swprintf(number, 8, L"%04u", static_cast<unsigned>(sim::registry::SubkeyNames(kClass + L"\\" +
                                                                                           kMediaClass).size()));
            return std::wstring(number);
        }();
        sim::registry::SetValue(key, L"DeviceDesc", REG_SZ, sim::registry::StringData(setup.description));
        sim::registry::SetValue(key, L"Service", REG_SZ, sim::registry::StringData(setup.service));
        sim::registry::SetValue(key, L"ClassGUID", REG_SZ, sim::registry::StringData(kMediaClass));
        sim::registry::SetValue(key, L"Driver", REG_SZ, sim::registry::StringData(driverKey));
        if (!setup.upperFilters.empty()) {
            sim::registry::SetValue(key, L"UpperFilters", REG_MULTI_SZ,
                                    sim::registry::MultiStringData(setup.upperFilters));
        }
        WriteDword(key, L"ConfigFlags", 0);
        {
            std::lock_guard<std::mutex> lock(sim::registry_internal::Lock());
            sim::registry_internal::CreatePath(key + L"\\Device Parameters");
            sim::registry_internal::CreatePath(kClass + L"\\" + driverKey);
            sim::registry_internal::CreatePath(kServices + L"\\" + setup.service);
        }
        if (machine.running) {
            Devnode* node = CreateDevnode(setup.instanceId);
            if (node == nullptr) {
                return STATUS_INSUFFICIENT_RESOURCES;
            }
            StartDevnode(*node);
        }
    }
    DeliverQueuedNotifications();
    return STATUS_SUCCESS;
}

std::vector<DeviceInfo> Devices()
{
    MachineState& machine = Machine();
    std::lock_guard<std::recursive_mutex> guard(machine.operations);
    std::vector<DeviceInfo> devices;
    for (const auto& entry : machine.devnodes) {
        const Devnode& node = *entry.second;
        const std::wstring key = kEnum + L"\\" + node.instanceId;
        DeviceInfo info;
        info.instanceId = node.instanceId;
        info.description = ReadString(key, L"DeviceDesc");
        info.service = ReadString(key, L"Service");
        info.upperFilters = ReadMultiString(key, L"UpperFilters");
        info.started = node.started;
        info.disabled = (ReadDword(key, L"ConfigFlags") & kConfigFlagDisabled) != 0;
        info.problem = node.problem;
        std::lock_guard<std::mutex> tables(machine.tables);
        for (const auto& deviceInterface : node.interfaces) {
            if (deviceInterface.enabled) {
                info.interfaces.push_back(ClientPath(deviceInterface));
            }
        }
        devices.push_back(info);
    }
    return devices;
}

NTSTATUS SetUpperFilters(const std::wstring& instanceId, const std::vector<std::wstring>& filters)
{
    const std::wstring key = kEnum + L"\\" + instanceId;
    if (!sim::registry::KeyExists(key)) {
        return STATUS_NO_SUCH_DEVICE;
    }
    sim::registry::SetValue(key, L"UpperFilters", REG_MULTI_SZ, sim::registry::MultiStringData(filters));
    return STATUS_SUCCESS;
}

NTSTATUS DisableDevice(const std::wstring& instanceId)
{
    MachineState& machine = Machine();
    NTSTATUS status = STATUS_SUCCESS;
    {
        std::lock_guard<std::recursive_mutex> guard(machine.operations);
        Devnode* node = FindDevnode(instanceId);
        if (node == nullptr) {
            return STATUS_NO_SUCH_DEVICE;
        }
        if (node->started) {
            if (node->pdo->DeviceObjectExtension->openFiles.load() > 0) {
                return STATUS_DEVICE_BUSY;  // a device with open handles cannot be removed in order
            }
            status = SendPnp(*node, IRP_MN_QUERY_REMOVE_DEVICE);
            if (!NT_SUCCESS(status)) {
                SendPnp(*node, IRP_MN_CANCEL_REMOVE_DEVICE);
                return status;
            }
            RemoveStack(*node);
            UnloadIdleDrivers();
        }
        WriteDword(kEnum + L"\\" + instanceId, L"ConfigFlags", kConfigFlagDisabled);
    }
    DeliverQueuedNotifications();
    return status;
}

NTSTATUS EnableDevice(const std::wstring& instanceId)
{
    MachineState& machine = Machine();
    NTSTATUS status;
    {
        std::lock_guard<std::recursive_mutex> guard(machine.operations);
        Devnode* node = FindDevnode(instanceId);
        if (node == nullptr) {
            return STATUS_NO_SUCH_DEVICE;
        }
        WriteDword(kEnum + L"\\" + instanceId, L"ConfigFlags", 0);
        if (!node->started) {
            StartDevnode(*node);
        }
        status = node->problem;
    }
    DeliverQueuedNotifications();
    return status;
}

NTSTATUS SetDevicePower(const std::wstring& instanceId, DEVICE_POWER_STATE state)
{
    MachineState& machine = Machine();
    std::lock_guard<std::recursive_mutex> guard(machine.operations);
    Devnode* node = FindDevnode(instanceId);
    if (node == nullptr || !node->started) {
        return STATUS_NO_SUCH_DEVICE;
    }
    return sim::io::SendSynchronousRequest(
        node->pdo, IRP_MJ_POWER, IRP_MN_SET_POWER, nullptr,
        [state](PIO_STACK_LOCATION stack) {
            stack->Parameters.Power.Type = DevicePowerState;
            stack->Parameters.Power.State.DeviceState = state;
        },
        true);
}

PDEVICE_OBJECT PhysicalDevice(const std::wstring& instanceId)
{
    std::lock_guard<std::recursive_mutex> guard(Machine().operations);
    Devnode* node = FindDevnode(instanceId);
    return node != nullptr ? node->pdo : nullptr;
}

int RegisterInterfaceNotification(const GUID& interfaceClass, InterfaceCallback callback)
{
    MachineState& machine = Machine();
    std::lock_guard<std::mutex> guard(machine.tables);
    const int id = machine.nextNotification++;
    machine.notifications.push_back(Notification{id, interfaceClass, std::move(callback)});
    return id;
}

void UnregisterInterfaceNotification(int registration)
{
    MachineState& machine = Machine();
    std::lock_guard<std::mutex> guard(machine.tables);
    std::erase_if(machine.notifications, [&](const Notification& n) { return n.id == registration; });
}

std::vector<std::wstring> InterfacePaths(const GUID& interfaceClass)
{
    MachineState& machine = Machine();
    std::lock_guard<std::recursive_mutex> guard(machine.operations);
    std::lock_guard<std::mutex> tables(machine.tables);
    std::vector<std::wstring> paths;
    for (const auto& entry : machine.devnodes) {
        for (const auto& deviceInterface : entry.second->interfaces) {
            if (deviceInterface.enabled && IsEqualGUID(deviceInterface.interfaceClass, interfaceClass)) {
                paths.push_back(ClientPath(deviceInterface));
            }
        }
    }
    return paths;
}

}  // namespace sim::machine

// ---------------------------------------------------------------------------
// Kernel routines of Plug and Play and power

NTKERNELAPI NTSTATUS NTAPI IoOpenDeviceRegistryKey(PDEVICE_OBJECT DeviceObject, ULONG DevInstKeyType,
                                                   ACCESS_MASK DesiredAccess, PHANDLE DevInstRegKey)
{
    Devnode* node = DevnodeOf(DeviceObject);
    if (node == nullptr) {
        return STATUS_INVALID_PARAMETER;  // only a physical device object has registry keys
    }
    std::wstring path;
    if (DevInstKeyType == PLUGPLAY_REGKEY_DEVICE) {
        path = kEnum + L"\\" + node->instanceId + L"\\Device Parameters";
    } else if (DevInstKeyType == PLUGPLAY_REGKEY_DRIVER) {
        path = kClass + L"\\" + ReadString(kEnum + L"\\" + node->instanceId, L"Driver");
    } else {
        return STATUS_INVALID_PARAMETER;
    }
    UNICODE_STRING name;
    RtlInitUnicodeString(&name, path.c_str());
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &name, OBJ_CASE_INSENSITIVE | OBJ_KERNEL_HANDLE, nullptr, nullptr);
    return ZwOpenKey(DevInstRegKey, DesiredAccess, &attributes);
}

NTKERNELAPI NTSTATUS NTAPI IoRegisterDeviceInterface(PDEVICE_OBJECT PhysicalDeviceObject,
                                                     const GUID* InterfaceClassGuid, PUNICODE_STRING ReferenceString,
                                                     PUNICODE_STRING SymbolicLinkName)
{
    Devnode* node = DevnodeOf(PhysicalDeviceObject);
    if (node == nullptr) {
        return STATUS_INVALID_DEVICE_REQUEST;
    }
    std::wstring instance = node->instanceId;
    std::replace(instance.begin(), instance.end(), L'\\', L'#');
    DeviceInterface deviceInterface;
    deviceInterface.interfaceClass = *InterfaceClassGuid;
    deviceInterface.link = L"\\??\\" + instance + L"#" + sim::machine::GuidText(*InterfaceClassGuid);
    if (ReferenceString != nullptr && ReferenceString->Length > 0) {
        deviceInterface.reference =
            L"\\" + sim::FromUnicodeString(ReferenceString);
    }
    const std::wstring full = deviceInterface.link + deviceInterface.reference;
    const SIZE_T bytes = (full.size() + 1) * sizeof(WCHAR);
    auto* buffer = static_cast<PWSTR>(ExAllocatePoolWithTag(PagedPool, bytes, sim::kStringTag));
    if (buffer == nullptr) {
        return STATUS_INSUFFICIENT_RESOURCES;
    }
    memcpy(buffer, full.c_str(), bytes);
    SymbolicLinkName->Buffer = buffer;
    SymbolicLinkName->Length = static_cast<USHORT>(bytes - sizeof(WCHAR));
    SymbolicLinkName->MaximumLength = static_cast<USHORT>(bytes);

    MachineState& machine = Machine();
    std::lock_guard<std::mutex> guard(machine.tables);
    for (const auto& existing : node->interfaces) {
        if (existing.link == deviceInterface.link && existing.reference == deviceInterface.reference) {
            return STATUS_SUCCESS;
        }
    }
    node->interfaces.push_back(deviceInterface);
    return STATUS_SUCCESS;
}

NTKERNELAPI NTSTATUS NTAPI IoSetDeviceInterfaceState(PUNICODE_STRING SymbolicLinkName, BOOLEAN Enable)
{
    const std::wstring full = sim::FromUnicodeString(SymbolicLinkName);
    MachineState& machine = Machine();
    std::lock_guard<std::mutex> guard(machine.tables);
    for (auto& entry : machine.devnodes) {
        for (auto& deviceInterface : entry.second->interfaces) {
            if (Lower(deviceInterface.link + deviceInterface.reference) != Lower(full)) {
                continue;
            }
            if (static_cast<bool>(Enable) == deviceInterface.enabled) {
                return STATUS_SUCCESS;
            }
            deviceInterface.enabled = Enable != FALSE;
            if (Enable) {
                const NTSTATUS status =
                    sim::io::AddSymbolicLink(deviceInterface.link, entry.second->pdo->DeviceObjectExtension->name);
                if (!NT_SUCCESS(status)) {
                    deviceInterface.enabled = false;
                    return status;
                }
            } else {
                sim::io::RemoveSymbolicLink(deviceInterface.link);
            }
            machine.queued.push_back({deviceInterface.interfaceClass, ClientPath(deviceInterface), Enable != FALSE});
            return STATUS_SUCCESS;
        }
    }
    return STATUS_OBJECT_NAME_NOT_FOUND;
}

NTKERNELAPI VOID NTAPI PoStartNextPowerIrp(PIRP Irp)
{
    (void)Irp;
}

NTKERNELAPI NTSTATUS NTAPI PoCallDriver(PDEVICE_OBJECT DeviceObject, PIRP Irp)
{
    return IofCallDriver(DeviceObject, Irp);
}

NTKERNELAPI POWER_STATE NTAPI PoSetPowerState(PDEVICE_OBJECT DeviceObject, POWER_STATE_TYPE Type, POWER_STATE State)
{
    (void)DeviceObject;
    (void)Type;
    return State;
}
