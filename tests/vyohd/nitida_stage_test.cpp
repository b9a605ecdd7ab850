#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "nitida_stage.h"
#include "nitida_tables.h"
#include "test_signals.h"

namespace {

using namespace vyohd;

using vyohd_test::InBlocks;
using vyohd_test::Noise;

struct Nitida {
    NitidaStage stage{};
    NitidaState state{};

    explicit Nitida(float storedLevel, RateClass rateClass = RateClass44100)
    {
        stage.LoadDefaults();
        stage.state = nullptr;
        stage.Reinitialize(rateClass, &state);
        stage.SetStoredLevel(storedLevel);
    }

    void Run(std::vector<float>& x)
    {
        InBlocks(x, [&](float* block, LONG n) { stage.Process(block, n); });
    }
};

double BilinearFrequency(double pole, double rateHz)
{
    return rateHz / M_PI * std::atan((1.0 - pole) / (1.0 + pole));
}

TEST(NitidaStage, every_set_has_a_double_zero_at_dc_and_a_pole_at_414_hz)
{
    for (const NitidaRow& row : kNitidaSets) {
        const float* c = row.set.c;
        EXPECT_EQ(c[2], -2.0f * c[0]) << row.rateHz;
        EXPECT_EQ(c[4], c[0]) << row.rateHz;
        // Poles: z^2 - c1 z - c3 = 0, both real.
        const double root = std::sqrt(static_cast<double>(c[1]) * c[1] + 4.0 * c[3]);
        const double p1 = (c[1] + root) / 2.0;
        const double p2 = (c[1] - root) / 2.0;
        const double f1 = BilinearFrequency(p1, row.rateHz);
        const double f2 = BilinearFrequency(p2, row.rateHz);
        EXPECT_TRUE(std::fabs(f1 - 414.0) < 1.0 || std::fabs(f2 - 414.0) < 1.0)
            << row.rateHz << ": poles at " << f1 << " and " << f2 << " Hz";
    }
    EXPECT_EQ(kNitidaSets[RateClass96000].set.c[3], -0.803385496f);
}

TEST(NitidaStage, level_scales_the_high_passed_copy_from_nothing_to_four_times)
{
    const std::vector<float> in = Noise(1000, 6, 0.5f);
    std::vector<float> none = in;
    std::vector<float> unity = in;
    std::vector<float> four = in;
    Nitida(0.0f).Run(none);
    Nitida(0.25f).Run(unity);
    Nitida(1.0f).Run(four);
    for (std::size_t i = 0; i < in.size(); ++i) {
        ASSERT_EQ(none[i], 0.0f);
        ASSERT_EQ(four[i], 4.0f * unity[i]) << "sample " << i;
    }
    EXPECT_EQ(Nitida(0.4f).stage.SetStoredLevel(1.01f), STATUS_INVALID_PARAMETER);
}

TEST(NitidaStage, is_silent_at_dc_and_at_its_set_gain_at_half_the_rate)
{
    for (LONG rate = 0; rate < RateClassCount; ++rate) {
        std::vector<float> dc(8000, 0.5f);
        Nitida(1.0f, static_cast<RateClass>(rate)).Run(dc);
        // Within the rounding of a recursion whose poles sit close to 1.
        EXPECT_NEAR(dc.back(), 0.0f, 1e-5f) << kRateClassHz[rate];

        // At z = -1 the set's gain is (b0 - b1 + b2) / (1 + c1 - c3).
        const float* c = kNitidaSets[rate].set.c;
        const double gain = (c[0] - c[2] + c[4]) / (1.0 + c[1] - c[3]);
        std::vector<float> nyquist = vyohd_test::Alternating(8000, 0.25f);
        Nitida(0.25f, static_cast<RateClass>(rate)).Run(nyquist);
        EXPECT_NEAR(nyquist.back(), -gain * 0.25, 1e-5) << kRateClassHz[rate];
    }
}

}  // namespace
