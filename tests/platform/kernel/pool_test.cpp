#include <gtest/gtest.h>
#include <wdm.h>

#include "sim/pool.h"

namespace {

const std::uint32_t kTestTag = sim::pool::TagFromText("TstA");
const std::uint32_t kOtherTag = sim::pool::TagFromText("TstB");

class PoolTest : public ::testing::Test {
protected:
    void TearDown() override { sim::pool::ClearFaults(); }
};

TEST_F(PoolTest, tags_read_as_written_with_the_first_character_lowest)
{
    EXPECT_EQ(sim::pool::TagFromText("VYOm"), 0x6D4F5956u);
    EXPECT_EQ(sim::pool::TagToText(0x6D4F5956u), "VYOm");
    EXPECT_EQ(sim::pool::TagFromText("ELI"), sim::pool::TagFromText("ELI "));
}

TEST_F(PoolTest, live_blocks_and_bytes_are_counted_per_tag_until_freed)
{
    const auto before = sim::pool::Usage(kTestTag);
    PVOID a = ExAllocatePoolWithTag(NonPagedPool, 100, kTestTag);
    PVOID b = ExAllocatePoolWithTag(PagedPool, 28, kTestTag);
    PVOID c = ExAllocatePoolWithTag(NonPagedPool, 7, kOtherTag);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    ASSERT_NE(c, nullptr);

    auto during = sim::pool::Usage(kTestTag);
    EXPECT_EQ(during.liveBlocks, before.liveBlocks + 2);
    EXPECT_EQ(during.liveBytes, before.liveBytes + 128);
    EXPECT_EQ(during.totalAllocations, before.totalAllocations + 2);

    ExFreePoolWithTag(a, kTestTag);
    ExFreePool(b);
    ExFreePoolWithTag(c, kOtherTag);
    auto after = sim::pool::Usage(kTestTag);
    EXPECT_EQ(after.liveBlocks, before.liveBlocks);
    EXPECT_EQ(after.liveBytes, before.liveBytes);
    EXPECT_EQ(sim::pool::Usage(kOtherTag).liveBlocks, 0u);
}

TEST_F(PoolTest, fresh_blocks_are_not_zero_filled)
{
    auto* p = static_cast<unsigned char*>(ExAllocatePoolWithTag(NonPagedPool, 16, kTestTag));
    ASSERT_NE(p, nullptr);
    int zeros = 0;
    for (int i = 0; i < 16; ++i) {
        zeros += p[i] == 0;
    }
    EXPECT_EQ(zeros, 0) << "a driver that forgets to initialize must not be saved by luck";
    ExFreePool(p);
}

TEST_F(PoolTest, the_nth_allocation_fails_once_and_only_that_one)
{
    const auto calls = sim::pool::AllocationCalls();
    sim::pool::FailNthAllocation(3);
    EXPECT_TRUE(sim::pool::InjectionPending());
    PVOID first = ExAllocatePoolWithTag(NonPagedPool, 8, kTestTag);
    PVOID second = ExAllocatePoolWithTag(NonPagedPool, 8, kTestTag);
    PVOID third = ExAllocatePoolWithTag(NonPagedPool, 8, kTestTag);
    PVOID fourth = ExAllocatePoolWithTag(NonPagedPool, 8, kTestTag);
    EXPECT_NE(first, nullptr);
    EXPECT_NE(second, nullptr);
    EXPECT_EQ(third, nullptr);
    EXPECT_NE(fourth, nullptr);
    EXPECT_FALSE(sim::pool::InjectionPending());
    EXPECT_EQ(sim::pool::AllocationCalls(), calls + 4) << "failed calls count too";
    for (PVOID p : {first, second, fourth}) {
        ExFreePoolWithTag(p, kTestTag);
    }
}

TEST_F(PoolTest, a_failing_tag_fails_every_allocation_of_that_tag_only)
{
    sim::pool::FailTag(kTestTag);
    EXPECT_EQ(ExAllocatePoolWithTag(NonPagedPool, 8, kTestTag), nullptr);
    EXPECT_EQ(ExAllocatePoolWithTag(PagedPool, 8, kTestTag), nullptr);
    PVOID other = ExAllocatePoolWithTag(NonPagedPool, 8, kOtherTag);
    EXPECT_NE(other, nullptr);
    ExFreePool(other);

    sim::pool::FailTag(kTestTag, false);
    PVOID again = ExAllocatePoolWithTag(NonPagedPool, 8, kTestTag);
    EXPECT_NE(again, nullptr);
    ExFreePool(again);
}

using PoolDeathTest = PoolTest;

TEST_F(PoolDeathTest, freeing_with_the_wrong_tag_stops_the_machine)
{
    PVOID p = ExAllocatePoolWithTag(NonPagedPool, 8, kTestTag);
    EXPECT_DEATH(ExFreePoolWithTag(p, kOtherTag), "BAD_POOL_CALLER.*'TstB'.*'TstA'");
    ExFreePoolWithTag(p, kTestTag);
}

TEST_F(PoolDeathTest, freeing_twice_stops_the_machine)
{
    PVOID p = ExAllocatePoolWithTag(NonPagedPool, 8, kTestTag);
    ExFreePool(p);
    EXPECT_DEATH(ExFreePool(p), "BAD_POOL_CALLER.*not allocated");
}

}  // namespace
