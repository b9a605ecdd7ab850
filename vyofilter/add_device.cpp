// Creating a filter device above a sound card's device stack, and
// destroying it again.

#include "change_notification.h"
#include "filter_device.h"
#include "looped_streaming.h"
#include "pool_tags.h"
#include "service_parameters.h"
#include "settings.h"

namespace {

// The flags of the device below that say how it wants its buffers and its
// power requests; a filter must present the same to the drivers above.
constexpr ULONG kFlagsCopiedFromBelow = DO_BUFFERED_IO | DO_DIRECT_IO | DO_POWER_PAGABLE | DO_POWER_INRUSH;

// No time limit on a held remove lock; a high-water mark of 255 holders.
constexpr ULONG kRemoveLockMaximumMinutes = 0;
constexpr ULONG kRemoveLockHighWatermark = 255;

VOID InitializeFilterDevice(FilterDevice* device, PDEVICE_OBJECT self, PDEVICE_OBJECT physicalDeviceObject)
{
    device->Self = self;
    device->PhysicalDeviceObject = physicalDeviceObject;
    device->LowerDevice = NULL;
    InitializeEngineHost(&device->Engines, device);
    CreateEngineManagers(&device->Engines);
    WriteBooleanNoFence(&device->SettingsChanged, FALSE);
    WriteProcMode(device, 0);
    device->LoopedStreamingDisabled = ReadLoopedStreamingDisabled();
    KeInitializeMutex(&device->NotificationMutex, 0);
    InitializeListHead(&device->NotificationList);
    IoInitializeRemoveLock(&device->RemoveLock, kRemoveLockTag, kRemoveLockMaximumMinutes, kRemoveLockHighWatermark);
}

// The filter device looks to the drivers above as the device below does.
VOID TakeOverLowerDeviceTraits(PDEVICE_OBJECT self, PDEVICE_OBJECT lower)
{
    self->Flags |= lower->Flags & kFlagsCopiedFromBelow;
    self->DeviceType = lower->DeviceType;
    self->Characteristics = lower->Characteristics;
    self->Flags &= ~DO_DEVICE_INITIALIZING;
}

// Undoes a device that will never serve a request: its engines are
// released and its device object deleted.
NTSTATUS AbandonFilterDevice(FilterDevice* device, NTSTATUS status)
{
    PDEVICE_OBJECT self = device->Self;
    DestroyFilterDevice(device);
    IoDeleteDevice(self);
    return status;
}

}  // namespace

// AddDevice: creates the filter device for a sound card's physical device
// object with both engines, its one-time defaults and its saved settings,
// and attaches it to the top of the card's stack. PASSIVE_LEVEL. Fails
// (and leaves nothing behind) when a device object or an engine cannot be
// made, or the stack is going away.
NTSTATUS NTAPI FilterAddDevice(PDRIVER_OBJECT DriverObject, PDEVICE_OBJECT PhysicalDeviceObject)
{
    PDEVICE_OBJECT self = NULL;
    const NTSTATUS status =
        IoCreateDevice(DriverObject, sizeof(FilterDevice), NULL, FILE_DEVICE_UNKNOWN, 0, FALSE, &self);
    if (!NT_SUCCESS(status)) {
        return status;
    }
    FilterDevice* device = FilterDeviceOf(self);
    InitializeFilterDevice(device, self, PhysicalDeviceObject);
    LoadDefaults(&device->Engines, PhysicalDeviceObject);
    LoadDeviceSettings(&device->Engines, PhysicalDeviceObject);
    if (!EngineManagersPresent(&device->Engines)) {
        return AbandonFilterDevice(device, STATUS_INSUFFICIENT_RESOURCES);
    }
    PDEVICE_OBJECT lower = IoAttachDeviceToDeviceStack(self, PhysicalDeviceObject);
    if (lower == NULL) {
        return AbandonFilterDevice(device, STATUS_DEVICE_REMOVED);
    }
    device->LowerDevice = lower;
    TakeOverLowerDeviceTraits(self, lower);
    return status;
}

VOID DestroyFilterDevice(FilterDevice* device)
{
    SaveDeviceSettings(&device->Engines, device->PhysicalDeviceObject);
    ReleaseChangeEvents(device);
    ReleaseEngineHost(&device->Engines);
}
