// Internals of the simulated I/O manager shared by its sources and by Plug
// and Play: the bookkeeping behind driver, device and file objects, the
// names of devices and symbolic links, and the opening of files.
#pragma once

#include <wdm.h>

#include <atomic>
#include <functional>
#include <string>

#include "object_manager.h"

// What the I/O manager keeps about a device object besides the published
// fields.
struct _DEVOBJ_EXTENSION {
    PDEVICE_OBJECT attachedTo = nullptr;  // the device below
    bool deletePending = false;
    std::wstring name;
    std::atomic<LONG> openFiles{0};       // file objects opened on this device
    PVOID devnode = nullptr;              // the Plug and Play manager's, for physical devices
};

namespace sim::io {

// What the I/O manager keeps about a driver object besides the published
// fields.
struct DriverPrivate {
    std::wstring name;
    std::wstring serviceName;
    std::wstring serviceKey;
    std::atomic<LONG> liveDevices{0};     // device objects not yet freed
    std::function<void(PDRIVER_OBJECT)> lastDeviceFreed;
};

DriverPrivate* PrivateOf(PDRIVER_OBJECT driver);

// Creates a driver object named "\Driver\<name>" and runs its entry point.
// On success the caller holds one reference to the object.
NTSTATUS CreateDriver(const std::wstring& name, const std::wstring& serviceKeyPath,
                      PDRIVER_INITIALIZE entry, PDRIVER_OBJECT* driver);

// The topmost device of the stack the device belongs to.
PDEVICE_OBJECT TopOfStack(PDEVICE_OBJECT device);
PDEVICE_OBJECT LowerDevice(PDEVICE_OBJECT device);

// Opens a file on a device by its name ("\??\NAME", "\Device\X\rest", an
// interface link) or relative to an open file (root directory handle).
NTSTATUS OpenFile(HANDLE rootDirectory, const std::wstring& name, ACCESS_MASK desiredAccess, ULONG shareAccess,
                  ULONG createOptions, PHANDLE handle, PIO_STATUS_BLOCK ioStatus);

// Sends a request that has no parameters besides its codes and waits for
// its completion (Plug and Play, power, cleanup and close).
NTSTATUS SendSynchronousRequest(PDEVICE_OBJECT device, UCHAR majorFunction, UCHAR minorFunction,
                                PFILE_OBJECT fileObject, const std::function<void(PIO_STACK_LOCATION)>& fill,
                                bool mustSucceed);

// Names of devices and symbolic links.
NTSTATUS AddSymbolicLink(const std::wstring& link, const std::wstring& target);
void RemoveSymbolicLink(const std::wstring& link);
bool ResolveName(const std::wstring& name, PDEVICE_OBJECT* device, std::wstring* remainder);

}  // namespace sim::io
