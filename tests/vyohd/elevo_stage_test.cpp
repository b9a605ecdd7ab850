#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "elevo_stage.h"
#include "elevo_tables.h"
#include "test_signals.h"

namespace {

using namespace vyohd;

using vyohd_test::Alternating;
using vyohd_test::InBlocks;
using vyohd_test::Noise;

struct Elevo {
    ElevoStage stage{};
    ElevoState state{};

    explicit Elevo(float level, RateClass rateClass = RateClass44100)
    {
        stage.LoadDefaults();
        stage.state = nullptr;
        stage.Reinitialize(rateClass, &state);
        stage.SetLevel(level);
    }

    void Run(std::vector<float>& x)
    {
        InBlocks(x, [&](float* block, LONG n) { stage.Process(block, n); });
    }
};

TEST(ElevoStage, every_set_is_a_723_hz_high_pass_with_6_db_at_half_the_rate)
{
    for (const ElevoRow& row : kElevoSets) {
        const float b0 = row.set.c[0];
        const double pole = row.set.c[1];
        EXPECT_EQ(row.set.c[2], -b0) << row.rateHz << ": a zero at 0 Hz";
        const double corner = row.rateHz / M_PI * std::atan((1.0 - pole) / (1.0 + pole));
        EXPECT_NEAR(corner, 723.0, 0.5) << row.rateHz;
        EXPECT_NEAR(2.0 * b0 / (1.0 + pole), 1.99526, 1e-5) << row.rateHz;
    }
    EXPECT_EQ(kElevoSets[RateClass44100].set.c[0], 1.89744771f);
    EXPECT_EQ(kElevoSets[RateClass8000].set.c[1], 0.548221469f);
}

TEST(ElevoStage, level_zero_adds_nothing)
{
    std::vector<float> x = Noise(1000, 5, 0.8f);
    Elevo(0.0f).Run(x);
    for (float v : x) {
        ASSERT_EQ(v, 0.0f);
    }
}

TEST(ElevoStage, is_silent_at_dc_and_near_1_99526_times_the_level_at_half_the_rate)
{
    for (LONG rate = 0; rate < RateClassCount; ++rate) {
        std::vector<float> dc(4000, 0.5f);
        Elevo(1.0f, static_cast<RateClass>(rate)).Run(dc);
        EXPECT_NEAR(dc.back(), 0.0f, 1e-6f) << kRateClassHz[rate];

        std::vector<float> nyquist = Alternating(4000, 0.25f);
        Elevo(0.4f, static_cast<RateClass>(rate)).Run(nyquist);
        EXPECT_NEAR(nyquist.back(), -1.99526f * 0.4f * 0.25f, 1e-5f) << kRateClassHz[rate];
    }
}

TEST(ElevoStage, its_denormal_register_clears_a_decayed_state)
{
    Elevo elevo(0.4f);
    elevo.state.s = 5.0e-16f;
    std::vector<float> silence(16, 0.0f);
    elevo.Run(silence);
    EXPECT_EQ(elevo.state.s, 0.0f);
}

}  // namespace
