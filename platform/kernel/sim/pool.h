// Test and tool access to the simulated kernel pool: per-tag accounting and
// fault injection. Linux-only; the system's own code never includes this.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace sim::pool {

// A pool tag is four characters; the first one is the lowest byte, so the
// tag reads in a memory dump as it is written here ("VYOm").
std::uint32_t TagFromText(std::string_view fourCharacters);
std::string TagToText(std::uint32_t tag);

struct TagUsage {
    std::uint32_t tag = 0;
    std::size_t liveBlocks = 0;        // allocated and not yet freed
    std::size_t liveBytes = 0;
    std::size_t totalAllocations = 0;  // successful allocations since start
};

TagUsage Usage(std::uint32_t tag);
TagUsage Usage(std::string_view tag);
std::vector<TagUsage> Snapshot();      // every tag ever allocated, by tag
std::size_t LiveBlocks();              // over all tags
std::uint64_t AllocationCalls();       // every ExAllocatePoolWithTag call, failed or not

// Fault injection. FailNthAllocation(1) fails the very next allocation call,
// FailNthAllocation(3) the third one from now; each call replaces the last.
void FailNthAllocation(std::uint64_t n);
void FailTag(std::uint32_t tag, bool fail = true);
void ClearFaults();
bool InjectionPending();               // a FailNthAllocation not reached yet

}  // namespace sim::pool
