// Test and tool access to the simulated I/O manager: drivers made from an
// entry point in the calling program, as the machine makes them from a
// driver library.
#pragma once

#include <string>

#include <wdm.h>

namespace sim::io {

// Creates the driver object "\Driver\<name>" and calls its entry point.
NTSTATUS LoadDriver(const std::wstring& name, PDRIVER_INITIALIZE entry, PDRIVER_OBJECT* driver);
// Calls DriverUnload (when the driver set one) and drops the driver object.
void UnloadDriver(PDRIVER_OBJECT driver);

}  // namespace sim::io
