// Driver objects, device objects, device stacks, and the names by which
// devices are opened.

#include <map>
#include <mutex>
#include <new>

#include "io_manager.h"
#include "names.h"
#include "object_types.h"
#include "pool_tags.h"
#include "sim/bugcheck.h"
#include "sim/io.h"

namespace {

using sim::FromUnicodeString;
using sim::Lower;

struct DriverBody {
    DRIVER_OBJECT object;
    DRIVER_EXTENSION extension;
    sim::io::DriverPrivate priv;
};

constexpr SIZE_T AlignUp(SIZE_T size)
{
    return (size + 15) & ~static_cast<SIZE_T>(15);
}

// One lock over the attachment of stacks and the name space.
std::mutex& TopologyLock()
{
    static std::mutex lock;
    return lock;
}

std::map<std::wstring, PDEVICE_OBJECT>& DeviceNames()
{
    static std::map<std::wstring, PDEVICE_OBJECT> names;
    return names;
}

struct Link {
    std::wstring target;
    LONG references;
};

std::map<std::wstring, Link>& SymbolicLinks()
{
    static std::map<std::wstring, Link> links;
    return links;
}

// The longest entry of the map that is the name itself or a prefix of it
// followed by a backslash.
template <typename Map>
typename Map::iterator LongestPrefix(Map& map, const std::wstring& lowerName)
{
    for (size_t length = lowerName.size(); length > 0; --length) {
        if (length < lowerName.size() && lowerName[length] != L'\\') {
            continue;
        }
        auto found = map.find(lowerName.substr(0, length));
        if (found != map.end()) {
            return found;
        }
    }
    return map.end();
}

std::wstring CanonicalPrefix(const std::wstring& name)
{
    const std::wstring dosDevices = L"\\DosDevices\\";
    if (Lower(name.substr(0, dosDevices.size())) == Lower(dosDevices)) {
        return L"\\??\\" + name.substr(dosDevices.size());
    }
    return name;
}

}  // namespace

namespace sim::io {

DriverPrivate* PrivateOf(PDRIVER_OBJECT driver)
{
    return &reinterpret_cast<DriverBody*>(driver)->priv;
}

NTSTATUS CreateDriver(const std::wstring& name, const std::wstring& serviceKeyPath, PDRIVER_INITIALIZE entry,
                      PDRIVER_OBJECT* driver)
{
    auto* body = static_cast<DriverBody*>(ob::CreateObject(*IoDriverObjectType, sizeof(DriverBody)));
    if (body == nullptr) {
        return STATUS_INSUFFICIENT_RESOURCES;
    }
    new (&body->priv) DriverPrivate;
    body->priv.name = L"\\Driver\\" + name;
    body->priv.serviceKey = serviceKeyPath;
    PDRIVER_OBJECT object = &body->object;
    object->Type = 4;
    object->Size = sizeof(DRIVER_OBJECT);
    object->DriverExtension = &body->extension;
    body->extension.DriverObject = object;
    RtlInitUnicodeString(&object->DriverName, body->priv.name.c_str());
    body->priv.serviceName = name;
    RtlInitUnicodeString(&body->extension.ServiceKeyName, body->priv.serviceName.c_str());
    object->DriverInit = entry;
    for (PDRIVER_DISPATCH& dispatch : object->MajorFunction) {
        dispatch = [](PDEVICE_OBJECT, PIRP irp) -> NTSTATUS {
            irp->IoStatus.Status = STATUS_INVALID_DEVICE_REQUEST;
            irp->IoStatus.Information = 0;
            IoCompleteRequest(irp, IO_NO_INCREMENT);
            return STATUS_INVALID_DEVICE_REQUEST;
        };
    }
    UNICODE_STRING registryPath;
    RtlInitUnicodeString(&registryPath, body->priv.serviceKey.c_str());
    const NTSTATUS status = entry(object, &registryPath);
    if (!NT_SUCCESS(status)) {
        ObfDereferenceObject(object);
        return status;
    }
    *driver = object;
    return STATUS_SUCCESS;
}

void DeleteDriverObject(PVOID body)
{
    static_cast<DriverBody*>(body)->priv.~DriverPrivate();
}

PDEVICE_OBJECT TopOfStack(PDEVICE_OBJECT device)
{
    std::lock_guard<std::mutex> guard(TopologyLock());
    while (device->AttachedDevice != nullptr) {
        device = device->AttachedDevice;
    }
    return device;
}

PDEVICE_OBJECT LowerDevice(PDEVICE_OBJECT device)
{
    std::lock_guard<std::mutex> guard(TopologyLock());
    return device->DeviceObjectExtension->attachedTo;
}

void DeleteDeviceObject(PVOID body)
{
    auto* device = static_cast<PDEVICE_OBJECT>(body);
    PDRIVER_OBJECT driver = device->DriverObject;
    device->DeviceObjectExtension->~_DEVOBJ_EXTENSION();
    DriverPrivate* priv = PrivateOf(driver);
    if (priv->liveDevices.fetch_sub(1) == 1 && priv->lastDeviceFreed) {
        priv->lastDeviceFreed(driver);
    }
    ObfDereferenceObject(driver);
}

NTSTATUS AddSymbolicLink(const std::wstring& link, const std::wstring& target)
{
    std::lock_guard<std::mutex> guard(TopologyLock());
    const std::wstring key = Lower(CanonicalPrefix(link));
    auto existing = SymbolicLinks().find(key);
    if (existing != SymbolicLinks().end()) {
        if (Lower(existing->second.target) != Lower(target)) {
            return STATUS_OBJECT_NAME_COLLISION;
        }
        existing->second.references += 1;
        return STATUS_SUCCESS;
    }
    SymbolicLinks()[key] = Link{target, 1};
    return STATUS_SUCCESS;
}

void RemoveSymbolicLink(const std::wstring& link)
{
    std::lock_guard<std::mutex> guard(TopologyLock());
    auto existing = SymbolicLinks().find(Lower(CanonicalPrefix(link)));
    if (existing != SymbolicLinks().end() && --existing->second.references == 0) {
        SymbolicLinks().erase(existing);
    }
}

bool ResolveName(const std::wstring& name, PDEVICE_OBJECT* device, std::wstring* remainder)
{
    std::lock_guard<std::mutex> guard(TopologyLock());
    std::wstring path = CanonicalPrefix(name);
    for (int depth = 0; depth < 8; ++depth) {
        auto link = LongestPrefix(SymbolicLinks(), Lower(path));
        if (link == SymbolicLinks().end()) {
            break;
        }
        path = link->second.target + path.substr(link->first.size());
    }
    auto found = LongestPrefix(DeviceNames(), Lower(path));
    if (found == DeviceNames().end()) {
        return false;
    }
    *device = found->second;
    *remainder = path.substr(found->first.size());
    return true;
}

}  // namespace sim::io

NTKERNELAPI NTSTATUS NTAPI IoCreateDevice(PDRIVER_OBJECT DriverObject, ULONG DeviceExtensionSize,
                                          PUNICODE_STRING DeviceName, DEVICE_TYPE DeviceType,
                                          ULONG DeviceCharacteristics, BOOLEAN Exclusive,
                                          PDEVICE_OBJECT* DeviceObject)
{
    *DeviceObject = nullptr;
    std::wstring name = FromUnicodeString(DeviceName);
    if (name.empty() && (DeviceCharacteristics & FILE_AUTOGENERATED_DEVICE_NAME)) {
        static std::atomic<ULONG> next{1};
        wchar_t generated[32];
        swprintf(generated, 32, L"\\Device\\%08X", next.fetch_add(1));
        name = generated;
    }
    {
        std::lock_guard<std::mutex> guard(TopologyLock());
        if (!name.empty() && DeviceNames().count(Lower(name)) != 0) {
            return STATUS_OBJECT_NAME_COLLISION;
        }
    }
    const SIZE_T extensionOffset = AlignUp(sizeof(DEVICE_OBJECT));
    const SIZE_T privateOffset = extensionOffset + AlignUp(DeviceExtensionSize);
    auto* block = static_cast<UCHAR*>(
        sim::ob::CreateObject(*IoDeviceObjectType, privateOffset + sizeof(_DEVOBJ_EXTENSION)));
    if (block == nullptr) {
        return STATUS_INSUFFICIENT_RESOURCES;
    }
    auto* device = reinterpret_cast<PDEVICE_OBJECT>(block);
    auto* priv = new (block + privateOffset) _DEVOBJ_EXTENSION;
    priv->name = name;
    device->Type = 3;
    device->Size = static_cast<USHORT>(privateOffset);
    device->ReferenceCount = 0;
    device->DriverObject = DriverObject;
    device->Flags = DO_DEVICE_INITIALIZING | (Exclusive ? DO_EXCLUSIVE : 0);
    device->Characteristics = DeviceCharacteristics & ~FILE_AUTOGENERATED_DEVICE_NAME;
    device->DeviceExtension = DeviceExtensionSize > 0 ? block + extensionOffset : nullptr;
    device->DeviceType = DeviceType;
    device->StackSize = 1;
    device->DeviceObjectExtension = priv;
    InitializeListHead(&device->Queue);
    KeInitializeEvent(&device->DeviceLock, SynchronizationEvent, TRUE);

    ObfReferenceObject(DriverObject);
    sim::io::PrivateOf(DriverObject)->liveDevices.fetch_add(1);
    std::lock_guard<std::mutex> guard(TopologyLock());
    device->NextDevice = DriverObject->DeviceObject;
    DriverObject->DeviceObject = device;
    if (!name.empty()) {
        DeviceNames()[Lower(name)] = device;
    }
    *DeviceObject = device;
    return STATUS_SUCCESS;
}

NTKERNELAPI VOID NTAPI IoDeleteDevice(PDEVICE_OBJECT DeviceObject)
{
    {
        std::lock_guard<std::mutex> guard(TopologyLock());
        _DEVOBJ_EXTENSION* priv = DeviceObject->DeviceObjectExtension;
        if (priv->deletePending) {
            sim::BugCheck("MULTIPLE_IRP_COMPLETE_REQUESTS", "IoDeleteDevice of a device that was deleted already");
        }
        if (priv->attachedTo != nullptr) {
            sim::BugCheck("DRIVER_VERIFIER_DETECTED_VIOLATION",
                          "IoDeleteDevice of a device still attached to a lower device (IoDetachDevice first)");
        }
        priv->deletePending = true;
        PDEVICE_OBJECT* link = &DeviceObject->DriverObject->DeviceObject;
        while (*link != nullptr && *link != DeviceObject) {
            link = &(*link)->NextDevice;
        }
        if (*link == DeviceObject) {
            *link = DeviceObject->NextDevice;
        }
        if (!priv->name.empty()) {
            DeviceNames().erase(Lower(priv->name));
        }
    }
    // The memory stays until the last reference (an open file, say) is gone.
    ObfDereferenceObject(DeviceObject);
}

NTKERNELAPI PDEVICE_OBJECT NTAPI IoAttachDeviceToDeviceStack(PDEVICE_OBJECT SourceDevice,
                                                             PDEVICE_OBJECT TargetDevice)
{
    std::lock_guard<std::mutex> guard(TopologyLock());
    PDEVICE_OBJECT top = TargetDevice;
    while (top->AttachedDevice != nullptr) {
        top = top->AttachedDevice;
    }
    if (top->DeviceObjectExtension->deletePending) {
        return nullptr;
    }
    top->AttachedDevice = SourceDevice;
    SourceDevice->DeviceObjectExtension->attachedTo = top;
    ObfReferenceObject(top);  // a device below stays in memory while something is attached to it
    SourceDevice->StackSize = static_cast<CCHAR>(top->StackSize + 1);
    SourceDevice->AlignmentRequirement = top->AlignmentRequirement;
    return top;
}

NTKERNELAPI VOID NTAPI IoDetachDevice(PDEVICE_OBJECT TargetDevice)
{
    {
        std::lock_guard<std::mutex> guard(TopologyLock());
        PDEVICE_OBJECT upper = TargetDevice->AttachedDevice;
        if (upper == nullptr) {
            sim::BugCheck("DRIVER_VERIFIER_DETECTED_VIOLATION", "IoDetachDevice of a device nothing is attached to");
        }
        upper->DeviceObjectExtension->attachedTo = nullptr;
        TargetDevice->AttachedDevice = nullptr;
    }
    ObfDereferenceObject(TargetDevice);
}

NTKERNELAPI PDEVICE_OBJECT NTAPI IoGetAttachedDeviceReference(PDEVICE_OBJECT DeviceObject)
{
    PDEVICE_OBJECT top = sim::io::TopOfStack(DeviceObject);
    ObfReferenceObject(top);
    return top;
}

NTKERNELAPI PDEVICE_OBJECT NTAPI IoGetRelatedDeviceObject(PFILE_OBJECT FileObject)
{
    return sim::io::TopOfStack(FileObject->DeviceObject);
}

NTKERNELAPI NTSTATUS NTAPI IoCreateSymbolicLink(PUNICODE_STRING SymbolicLinkName, PUNICODE_STRING DeviceName)
{
    return sim::io::AddSymbolicLink(FromUnicodeString(SymbolicLinkName), FromUnicodeString(DeviceName));
}

NTKERNELAPI NTSTATUS NTAPI IoDeleteSymbolicLink(PUNICODE_STRING SymbolicLinkName)
{
    sim::io::RemoveSymbolicLink(FromUnicodeString(SymbolicLinkName));
    return STATUS_SUCCESS;
}

namespace sim::io {

NTSTATUS LoadDriver(const std::wstring& name, PDRIVER_INITIALIZE entry, PDRIVER_OBJECT* driver)
{
    return CreateDriver(name, L"\\Registry\\Machine\\System\\CurrentControlSet\\Services\\" + name, entry, driver);
}

void UnloadDriver(PDRIVER_OBJECT driver)
{
    if (driver->DriverUnload != nullptr) {
        driver->DriverUnload(driver);
    }
    ObfDereferenceObject(driver);
}

}  // namespace sim::io
