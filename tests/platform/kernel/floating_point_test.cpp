#include <gtest/gtest.h>
#include <wdm.h>

#include "sim/fpu.h"

namespace {

class FloatingPointStateTest : public ::testing::Test {
protected:
    void TearDown() override { sim::fpu::ClearFaults(); }
};

TEST_F(FloatingPointStateTest, a_save_is_outstanding_until_it_is_restored)
{
    const auto outstanding = sim::fpu::OutstandingSaves();
    KFLOATING_SAVE save;
    ASSERT_EQ(KeSaveFloatingPointState(&save), STATUS_SUCCESS);
    EXPECT_EQ(sim::fpu::OutstandingSaves(), outstanding + 1);
    EXPECT_EQ(KeRestoreFloatingPointState(&save), STATUS_SUCCESS);
    EXPECT_EQ(sim::fpu::OutstandingSaves(), outstanding);
}

TEST_F(FloatingPointStateTest, injected_failures_hit_the_next_saves_then_stop)
{
    sim::fpu::FailNextSaves(2, STATUS_ILLEGAL_FLOAT_CONTEXT);
    KFLOATING_SAVE save;
    EXPECT_EQ(KeSaveFloatingPointState(&save), STATUS_ILLEGAL_FLOAT_CONTEXT);
    EXPECT_EQ(KeSaveFloatingPointState(&save), STATUS_ILLEGAL_FLOAT_CONTEXT);
    ASSERT_EQ(KeSaveFloatingPointState(&save), STATUS_SUCCESS);
    KeRestoreFloatingPointState(&save);

    sim::fpu::FailAllSaves(true);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(KeSaveFloatingPointState(&save), STATUS_INSUFFICIENT_RESOURCES);
    }
}

TEST_F(FloatingPointStateTest, every_call_is_counted_failed_or_not)
{
    const auto calls = sim::fpu::SaveCalls();
    sim::fpu::FailNextSaves(1);
    KFLOATING_SAVE save;
    KeSaveFloatingPointState(&save);
    KeSaveFloatingPointState(&save);
    KeRestoreFloatingPointState(&save);
    EXPECT_EQ(sim::fpu::SaveCalls(), calls + 2);
}

TEST(FloatingPointStateDeathTest, restoring_a_state_that_was_never_saved_stops_the_machine)
{
    KFLOATING_SAVE save{};
    EXPECT_DEATH(KeRestoreFloatingPointState(&save), "INVALID_FLOATING_POINT_STATE");
}

}  // namespace
