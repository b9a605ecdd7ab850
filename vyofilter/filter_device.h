// The filter device: the device extension of each device object that
// VYOFilter attaches above a sound card's KS driver, and the driver's
// dispatch routines.
//
// The fields are written only during AddDevice, except SettingsChanged and
// ProcMode (single words, read and written without a lock) and the
// notification list (under NotificationMutex).
#pragma once

#include <wdm.h>

#include "engine_host.h"

struct FilterDevice {
    PDEVICE_OBJECT Self;
    PDEVICE_OBJECT PhysicalDeviceObject;
    PDEVICE_OBJECT LowerDevice;     // NULL until attached
    IO_REMOVE_LOCK RemoveLock;      // every dispatch routine holds it while it works
    EngineHost Engines;
    volatile BOOLEAN SettingsChanged;
    KMUTEX NotificationMutex;       // guards NotificationList
    LIST_ENTRY NotificationList;    // change events of the clients (change_notification.h)
    BOOLEAN LoopedStreamingDisabled;
    volatile LONG ProcMode;         // VYOFILTER_PROCMODE_*, 0 to 6
};

inline FilterDevice* FilterDeviceOf(PDEVICE_OBJECT deviceObject)
{
    return static_cast<FilterDevice*>(deviceObject->DeviceExtension);
}

inline ULONG ReadProcMode(FilterDevice* device)
{
    return static_cast<ULONG>(ReadNoFence(&device->ProcMode));
}

inline VOID WriteProcMode(FilterDevice* device, ULONG procMode)
{
    WriteNoFence(&device->ProcMode, static_cast<LONG>(procMode));
}

// Driver entry and device life (driver_entry.cpp, add_device.cpp)
DRIVER_ADD_DEVICE FilterAddDevice;
DRIVER_UNLOAD FilterUnload;
// Saves the settings and releases the streams, the change events and the
// engines. The device object itself is left to the caller.
VOID DestroyFilterDevice(FilterDevice* device);

// Dispatch routines, one per major function
DRIVER_DISPATCH DispatchPassThrough;
DRIVER_DISPATCH DispatchCreate;
DRIVER_DISPATCH DispatchClose;
DRIVER_DISPATCH DispatchDeviceControl;
DRIVER_DISPATCH DispatchPnp;
DRIVER_DISPATCH DispatchPower;
