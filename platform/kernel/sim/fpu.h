// Test access to the simulated floating-point state saving.
#pragma once

#include <cstdint>

#include <ntstatus.h>

namespace sim::fpu {

// The next `count` calls of KeSaveFloatingPointState fail with `status`.
void FailNextSaves(std::uint32_t count, NTSTATUS status = STATUS_INSUFFICIENT_RESOURCES);
// Every save fails until this is switched off again.
void FailAllSaves(bool fail, NTSTATUS status = STATUS_INSUFFICIENT_RESOURCES);
void ClearFaults();

std::uint64_t SaveCalls();     // every call, failed or not
std::int64_t OutstandingSaves();  // successful saves not yet restored

}  // namespace sim::fpu
