// Names of the platform's status values, for tools and test messages.
#pragma once

#include <string>

#include <ntstatus.h>

namespace sim {

// "STATUS_INVALID_PARAMETER" for 0xC000000D; "0x…" for a value without a name.
std::string StatusName(NTSTATUS status);

// Seeds the kernel runtime's rand(), so engine dither is reproducible.
void SeedRandom(unsigned int seed);

}  // namespace sim
