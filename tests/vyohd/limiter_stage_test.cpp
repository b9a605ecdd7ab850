#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "limiter_stage.h"
#include "limiter_tables.h"

namespace {

using namespace vyohd;

struct Limiter {
    LimiterStage stage{};
    LimiterState state{};

    explicit Limiter(float level, RateClass rateClass = RateClass44100)
    {
        stage.LoadDefaults();
        stage.state = nullptr;
        stage.Reinitialize(rateClass, &state);
        stage.SetLevel(level);
    }

    // One sample through the stage.
    float Step(float left, float right = 0.0f)
    {
        stage.Process(&left, &right, 1);
        return left;
    }
};

TEST(LimiterStage, release_factors_recover_one_db_per_second)
{
    for (const LimiterReleaseRow& row : kLimiterRelease) {
        const double r = std::pow(10.0, 1.0 / (20.0 * row.rateHz)) - 1.0;
        EXPECT_NEAR(row.r, r, r * 1e-5) << row.rateHz;
    }
    EXPECT_EQ(kLimiterRelease[RateClass44100].r, 2.61064542e-06f);
}

TEST(LimiterStage, a_peak_reduces_the_gain_within_its_own_sample)
{
    Limiter limiter(0.75f);
    const float out = limiter.Step(0.5f);
    EXPECT_EQ(limiter.state.gain, 1.0f - 0.2f * 0.25f);
    EXPECT_EQ(out, limiter.state.gain * 0.5f) << "recomputed from the input with the new gain";
    EXPECT_NEAR(out, 0.475f, 1e-7f);
    // The larger channel decides, for both.
    float left = 0.1f;
    float right = -0.6f;
    limiter.stage.Process(&left, &right, 1);
    EXPECT_LT(limiter.state.gain, 0.95f);
    EXPECT_EQ(left, limiter.state.gain * 0.1f);
}

TEST(LimiterStage, the_level_sets_the_deepest_reduction)
{
    struct Case {
        float level;
        float floor;
    };
    const Case cases[] = {{0.0f, 1.0f}, {0.75f, 0.4375f}, {1.0f, 0.25f}};
    for (const Case& c : cases) {
        Limiter limiter(c.level);
        for (int i = 0; i < 100; ++i) {
            limiter.Step(50.0f, -50.0f);
        }
        EXPECT_EQ(limiter.state.gain, c.floor) << "level " << c.level;
    }
    // At level 0 a sample above the threshold passes unchanged.
    EXPECT_EQ(Limiter(0.0f).Step(0.9f), 0.9f);
}

TEST(LimiterStage, gain_recovers_to_exactly_unity_and_stays_there)
{
    Limiter limiter(1.0f, RateClass8000);
    limiter.Step(0.5f);
    ASSERT_LT(limiter.state.gain, 1.0f);
    float previous = limiter.state.gain;
    int samples = 0;
    while (limiter.state.gain < 1.0f && samples < 100000) {
        limiter.Step(0.1f, 0.1f);
        ASSERT_GT(limiter.state.gain, previous) << "the gain only rises below the threshold";
        previous = limiter.state.gain;
        ++samples;
    }
    EXPECT_EQ(limiter.state.gain, 1.0f);
    // 1 dB per second: 0.95 is 0.45 dB down, about 0.45 s at 8 kHz.
    EXPECT_NEAR(samples, 0.445 * 8000, 40);
    for (int i = 0; i < 1000; ++i) {
        limiter.Step(0.2f);
    }
    EXPECT_EQ(limiter.state.gain, 1.0f);
}

}  // namespace
