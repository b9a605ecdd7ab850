#include <gtest/gtest.h>
#include <wdm.h>

#include <atomic>
#include <thread>

#include "allocate_zeroed_pool.h"
#include "mutex_guard.h"
#include "pool_tag.h"
#include "sim/pool.h"
#include "sim/sync.h"

namespace {

constexpr ULONG kTag = PoolTag("UtlT");

TEST(KernelUtilities, pool_tags_are_stored_first_character_lowest)
{
    static_assert(PoolTag("VYOm") == 0x6D4F5956u);
    EXPECT_EQ(sim::pool::TagToText(PoolTag("ELI ")), "ELI ");
}

TEST(KernelUtilities, zeroed_pool_is_zero_filled_and_tagged)
{
    auto* block = static_cast<unsigned char*>(AllocateZeroedPool(64, NonPagedPool, kTag));
    ASSERT_NE(block, nullptr);
    for (int i = 0; i < 64; ++i) {
        ASSERT_EQ(block[i], 0) << "byte " << i;
    }
    EXPECT_EQ(sim::pool::Usage(kTag).liveBytes, 64u);
    ExFreePoolWithTag(block, kTag);

    sim::pool::FailNthAllocation(1);
    EXPECT_EQ(AllocateZeroedPool(64, NonPagedPool, kTag), nullptr);
    EXPECT_EQ(sim::pool::Usage(kTag).liveBlocks, 0u);
}

TEST(KernelUtilities, mutex_guard_holds_the_mutex_for_its_scope)
{
    KMUTEX mutex;
    KeInitializeMutex(&mutex, 0);
    const auto releases = sim::sync::MutexReleases();
    std::atomic<NTSTATUS> fromOther{STATUS_PENDING};
    auto tryFromOtherThread = [&] {
        std::thread([&] {
            LARGE_INTEGER poll;
            poll.QuadPart = 0;
            fromOther = KeWaitForSingleObject(&mutex, Executive, KernelMode, FALSE, &poll);
            if (fromOther == STATUS_SUCCESS) {
                KeReleaseMutex(&mutex, FALSE);
            }
        }).join();
    };
    {
        MutexGuard guard(&mutex);
        tryFromOtherThread();
        EXPECT_EQ(fromOther, STATUS_TIMEOUT);
    }
    tryFromOtherThread();
    EXPECT_EQ(fromOther, STATUS_SUCCESS);
    EXPECT_EQ(sim::sync::MutexReleases(), releases + 2);
}

}  // namespace
