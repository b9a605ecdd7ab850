// Test access to the simulated dispatcher: how often code waited on or
// released a dispatcher object, so a test can prove a path takes no lock.
#pragma once

#include <cstdint>

namespace sim::sync {

std::uint64_t WaitCalls();     // KeWaitForSingleObject calls
std::uint64_t MutexReleases(); // KeReleaseMutex calls

}  // namespace sim::sync
