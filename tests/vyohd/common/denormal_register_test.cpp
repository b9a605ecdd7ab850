#include <gtest/gtest.h>

#include <cmath>

#include "denormal_register.h"

namespace {

TEST(DenormalRegister, a_register_of_two_alternates_between_its_entries_block_by_block)
{
    float a = 5.0e-16f;
    float b = 5.0e-16f;
    DenormalRegister<10> reg;
    reg.Reset();
    reg.Append(&a);
    reg.Append(&b);

    reg.Step();
    EXPECT_EQ(a, 0.0f);
    EXPECT_EQ(b, 5.0e-16f) << "one entry per step";
    reg.Step();
    EXPECT_EQ(b, 0.0f);

    a = -5.0e-16f;
    reg.Step();
    EXPECT_EQ(a, 0.0f) << "the cursor wrapped back to the first entry";
}

TEST(DenormalRegister, the_bounds_are_strict)
{
    struct Case {
        float value;
        bool cleared;
    };
    const Case cases[] = {
        {5.0e-16f, true},
        {-5.0e-16f, true},
        {1.0e-30f, true},
        {std::nextafter(1.0e-15f, 0.0f), true},
        {std::nextafter(-1.0e-15f, 0.0f), true},
        {1.0e-15f, false},
        {-1.0e-15f, false},
        {2.0e-15f, false},
        {-0.25f, false},
    };
    for (const Case& c : cases) {
        float state = c.value;
        DenormalRegister<1> reg;
        reg.Reset();
        reg.Append(&state);
        reg.Step();
        EXPECT_EQ(state, c.cleared ? 0.0f : c.value) << "state " << c.value;
    }
}

TEST(DenormalRegister, an_empty_register_and_a_full_one_stay_in_bounds)
{
    DenormalRegister<2> reg;
    reg.Reset();
    reg.Step();  // nothing registered: nothing to inspect
    EXPECT_EQ(reg.cursor, 0);

    float states[3] = {1e-20f, 1e-20f, 1e-20f};
    for (float& s : states) {
        reg.Append(&s);
    }
    EXPECT_EQ(reg.count, 2) << "appending beyond the capacity is ignored";
    reg.Step();
    reg.Step();
    reg.Step();
    EXPECT_EQ(states[2], 1e-20f);
    EXPECT_EQ(reg.cursor, 1);
}

}  // namespace
