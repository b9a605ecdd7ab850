// Test control of the simulated memory manager.
#pragma once

#include <cstdint>

namespace sim::memory {

// The next `count` calls of MmMapLockedPagesSpecifyCache fail.
void FailNextMappings(std::uint32_t count);

}  // namespace sim::memory
