// The simulated kernel pool. Blocks come from the C heap (so the address
// sanitizer sees overruns); a table of live blocks keeps each block's tag and
// size, which gives per-tag accounting and catches a free with the wrong tag,
// a double free and a free of memory the pool never handed out.

#include <wdm.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <unordered_map>

#include "sim/bugcheck.h"
#include "sim/pool.h"
#include "pool_tags.h"

namespace {

// New blocks are filled with this byte, not zeros, so code that forgets to
// initialize what it allocated is caught by the tests.
constexpr unsigned char kFreshPoolFill = 0xA5;

struct Block {
    std::uint32_t tag;
    std::size_t size;
};

struct PoolState {
    std::mutex lock;
    std::unordered_map<void*, Block> live;
    std::map<std::uint32_t, sim::pool::TagUsage> usage;
    std::uint64_t calls = 0;
    std::uint64_t failAtCall = 0;  // 0: no pending failure
    std::map<std::uint32_t, bool> failingTags;
};

PoolState& State()
{
    static PoolState state;
    return state;
}

bool ShouldFail(PoolState& state, std::uint32_t tag)
{
    if (state.failAtCall != 0 && state.calls == state.failAtCall) {
        state.failAtCall = 0;
        return true;
    }
    auto failing = state.failingTags.find(tag);
    return failing != state.failingTags.end() && failing->second;
}

void Release(PVOID p, bool checkTag, ULONG tag)
{
    if (p == nullptr) {
        sim::BugCheck("BAD_POOL_CALLER", "free of a null pointer");
    }
    PoolState& state = State();
    std::size_t size = 0;
    {
        std::lock_guard<std::mutex> guard(state.lock);
        auto block = state.live.find(p);
        if (block == state.live.end()) {
            sim::BugCheck("BAD_POOL_CALLER", "free of a block that is not allocated (double free?)");
        }
        if (checkTag && block->second.tag != tag) {
            std::string detail = "free with tag '" + sim::pool::TagToText(tag) + "' of a block tagged '" +
                                 sim::pool::TagToText(block->second.tag) + "'";
            sim::BugCheck("BAD_POOL_CALLER", detail.c_str());
        }
        size = block->second.size;
        sim::pool::TagUsage& usage = state.usage[block->second.tag];
        usage.liveBlocks -= 1;
        usage.liveBytes -= size;
        state.live.erase(block);
    }
    std::free(p);
}

// A fresh block, counted under its tag; null when the host is out of
// memory. state.lock held.
void* AllocateTracked(PoolState& state, SIZE_T size, ULONG tag)
{
    // A zero-byte request still gets a distinct block, as the pool gives one.
    void* p = std::malloc(size == 0 ? 1 : size);
    if (p == nullptr) {
        return nullptr;
    }
    std::memset(p, kFreshPoolFill, size);
    state.live.emplace(p, Block{tag, size});
    sim::pool::TagUsage& usage = state.usage[tag];
    usage.tag = tag;
    usage.liveBlocks += 1;
    usage.liveBytes += size;
    usage.totalAllocations += 1;
    return p;
}

}  // namespace

NTKERNELAPI PVOID NTAPI ExAllocatePoolWithTag(POOL_TYPE PoolType, SIZE_T NumberOfBytes, ULONG Tag)
{
    (void)PoolType;
    PoolState& state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    state.calls += 1;
    if (ShouldFail(state, Tag)) {
        return nullptr;
    }
    return AllocateTracked(state, NumberOfBytes, Tag);
}

NTKERNELAPI VOID NTAPI ExFreePool(PVOID P)
{
    Release(P, false, 0);
}

NTKERNELAPI VOID NTAPI ExFreePoolWithTag(PVOID P, ULONG Tag)
{
    Release(P, true, Tag);
}

namespace sim::pool {

std::uint32_t TagFromText(std::string_view text)
{
    std::uint32_t tag = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        const unsigned char c = i < text.size() ? static_cast<unsigned char>(text[i]) : ' ';
        tag |= static_cast<std::uint32_t>(c) << (8 * i);
    }
    return tag;
}

std::string TagToText(std::uint32_t tag)
{
    std::string text;
    for (int i = 0; i < 4; ++i) {
        text += static_cast<char>((tag >> (8 * i)) & 0xFF);
    }
    return text;
}

TagUsage Usage(std::uint32_t tag)
{
    PoolState& state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    auto usage = state.usage.find(tag);
    if (usage == state.usage.end()) {
        TagUsage none;
        none.tag = tag;
        return none;
    }
    return usage->second;
}

TagUsage Usage(std::string_view tag)
{
    return Usage(TagFromText(tag));
}

std::vector<TagUsage> Snapshot()
{
    PoolState& state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    std::vector<TagUsage> all;
    for (const auto& entry : state.usage) {
        all.push_back(entry.second);
    }
    return all;
}

std::size_t LiveBlocks()
{
    PoolState& state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    return state.live.size();
}

std::uint64_t AllocationCalls()
{
    PoolState& state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    return state.calls;
}

void FailNthAllocation(std::uint64_t n)
{
    PoolState& state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    state.failAtCall = n == 0 ? 0 : state.calls + n;
}

void FailTag(std::uint32_t tag, bool fail)
{
    PoolState& state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    state.failingTags[tag] = fail;
}

void ClearFaults()
{
    PoolState& state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    state.failAtCall = 0;
    state.failingTags.clear();
}

bool InjectionPending()
{
    PoolState& state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    return state.failAtCall != 0;
}

}  // namespace sim::pool

namespace sim {

PVOID AllocatePoolMustSucceed(POOL_TYPE type, SIZE_T size, ULONG tag)
{
    (void)type;
    PoolState& state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    void* p = AllocateTracked(state, size, tag);
    if (p == nullptr) {
        sim::BugCheck("MUST_SUCCEED_POOL_EMPTY", "the machine ran out of memory");
    }
    return p;
}

}  // namespace sim
