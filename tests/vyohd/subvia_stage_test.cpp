#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

#include "subvia_stage.h"
#include "subvia_tables.h"
#include "test_signals.h"

namespace {

using namespace vyohd;

using vyohd_test::InBlocks;
using vyohd_test::Sine;

struct Subvia {
    SubviaStage stage{};
    SubviaState state{};
    BlockArray work[2];
    std::vector<float> bass;

    explicit Subvia(RateClass rateClass = RateClass44100, ULONG size = 0, float level = 0.6f)
    {
        stage.LoadDefaults();
        stage.state = nullptr;
        stage.Reinitialize(rateClass, &state);
        stage.SetSize(size);
        stage.SetLevel(level);
    }

    // Runs left and right through the stage in blocks, as the frame does,
    // with the limiter's detector compensation; B lands in `bass`.
    void Run(std::vector<float>& left, std::vector<float>& right, float compensation = 4.0f,
             const std::function<void()>& afterBlock = [] {})
    {
        bass.assign(left.size(), 0.0f);
        float* b = bass.data();
        InBlocks(left, right, [&](float* l, float* r, LONG n) {
            stage.SetCompensation(compensation);
            stage.Process(l, r, b, work[0], work[1], n);
            b += n;
            afterBlock();
        });
    }
};

TEST(SubviaStage, lowpass_pairs_are_the_bilinear_designs_of_the_cut_offs)
{
    for (LONG rate = 0; rate < RateClassCount; ++rate) {
        for (LONG size = 0; size < kSubviaSizeCount; ++size) {
            const double t = std::tan(M_PI * kSubviaCutoffHz[size] / kRateClassHz[rate]);
            const OnePoleCoefficients& pair = kSubviaLowpass[rate * kSubviaSizeCount + size].pair;
            EXPECT_EQ(pair.g, static_cast<float>(t / (1.0 + t))) << kRateClassHz[rate] << " Hz, size " << size;
            EXPECT_EQ(pair.p, static_cast<float>((1.0 - t) / (1.0 + t))) << kRateClassHz[rate] << " Hz, size " << size;
        }
    }
}

TEST(SubviaStage, envelope_and_window_follow_their_formulas)
{
    for (const SubviaEnvelopeRow& row : kSubviaEnvelope) {
        const double fs = row.rateHz;
        EXPECT_EQ(row.window, static_cast<LONG>(0.05 * fs)) << row.rateHz;
        EXPECT_EQ(row.attack, static_cast<float>(std::exp(-1.0 / (0.0002 * fs)))) << row.rateHz;
        EXPECT_EQ(row.release, static_cast<float>(std::exp(-1.0 / (0.06 * fs)))) << row.rateHz;
    }
}

TEST(SubviaStage, band_sets_have_the_values_of_the_design_and_are_stable)
{
    const SubviaBandRow& first = kSubviaBandSets[RateClass44100 * kSubviaSizeCount + 0];
    EXPECT_EQ(first.band1.g, 0.00102917803f);
    EXPECT_EQ(first.band1.p2, -0.997261882f);
    EXPECT_EQ(first.band2.p1, 1.99248719f);
    const SubviaBandRow& last = kSubviaBandSets[RateClass96000 * kSubviaSizeCount + 7];
    EXPECT_EQ(last.band2.g, 0.018888304f);
    EXPECT_EQ(last.band2.p2, -0.979778111f);

    // 1 - p1 z^-1 - p2 z^-2 has both poles inside the unit circle when
    // |p2| < 1 and |p1| < 1 - p2: a mistyped digit would rarely keep that.
    for (const SubviaBandRow& row : kSubviaBandSets) {
        for (const BandpassCoefficients* band : {&row.band1, &row.band2}) {
            EXPECT_LT(std::fabs(band->p2), 1.0f) << row.rateHz << " Hz size " << row.size;
            EXPECT_LT(std::fabs(band->p1), 1.0f - band->p2) << row.rateHz << " Hz size " << row.size;
            EXPECT_GT(band->g, 0.0f);
        }
    }
}

TEST(SubviaStage, at_level_zero_the_bass_is_silent_but_the_low_band_still_leaves)
{
    // A 20 Hz tone, far below the 400 Hz cut-off of size 7: the low band of
    // the sum is about 2x, so each channel leaves as about -x.
    std::vector<float> left = Sine(20.0, 44100.0, 44100, 0.2f);
    std::vector<float> right = left;
    const std::vector<float> in = left;
    Subvia subvia(RateClass44100, 7, 0.0f);
    subvia.Run(left, right);
    for (std::size_t i = 0; i < in.size(); ++i) {
        ASSERT_EQ(subvia.bass[i], 0.0f) << "sample " << i;
    }
    for (std::size_t i = in.size() / 2; i < in.size(); ++i) {
        ASSERT_NEAR(left[i], -in[i], 0.02f) << "sample " << i;
        ASSERT_EQ(right[i], left[i]);
    }
}

TEST(SubviaStage, level_references_follow_the_programme)
{
    Subvia subvia(RateClass44100, 2, 1.0f);
    const SubviaDetector& d = subvia.state.detector;

    std::vector<float> loud = Sine(60.0, 44100.0, 2 * 44100, 0.2f);
    std::vector<float> loudRight = loud;
    subvia.Run(loud, loudRight);
    const float loudUpper = d.upper;
    EXPECT_GE(d.upper, d.peak) << "T rises at once to every new peak";
    EXPECT_NEAR(d.reciprocal * d.upper, 1.0f, 1e-3f) << "G has converged to 1 / T";

    // 20 dB quieter: T moves half way down at the end of every window.
    std::vector<float> quiet = Sine(60.0, 44100.0, 4 * 44100, 0.02f);
    std::vector<float> quietRight = quiet;
    subvia.Run(quiet, quietRight);
    EXPECT_LT(d.upper, 0.2f * loudUpper);
    EXPECT_GE(d.upper, d.peak);
    EXPECT_NEAR(d.reciprocal * d.upper, 1.0f, 1e-3f);
    EXPECT_GT(d.gain, 0.0f);
    EXPECT_LE(d.gain, subvia.state.gainCeiling.Load());
    for (float b : subvia.bass) {
        ASSERT_TRUE(std::isfinite(b));
    }
}

// A loud onset can raise T more than twice above 1 / G within a sample; the
// Newton step would then turn G negative and run it to -infinity.
TEST(SubviaStage, a_sudden_loud_onset_keeps_the_gain_estimate_positive_and_the_bass_finite)
{
    struct Case {
        RateClass rateClass;
        ULONG size;
        float compensation;
    };
    const Case cases[] = {
        {RateClass8000, 5, 4.0f},
        {RateClass8000, 6, 0.0f},
        {RateClass8000, 7, 4.0f},
        {RateClass11025, 6, 4.0f},
    };
    for (const Case& c : cases) {
        Subvia subvia(c.rateClass, c.size, 1.0f);
        std::vector<float> left(4000);
        for (std::size_t i = 0; i < left.size(); ++i) {
            left[i] = (i / 200) % 2 ? 0.5f : -0.5f;
        }
        std::vector<float> right = left;
        float lowestEstimate = subvia.state.detector.reciprocal;
        subvia.Run(left, right, c.compensation,
                   [&] { lowestEstimate = std::min(lowestEstimate, subvia.state.detector.reciprocal); });
        EXPECT_GT(lowestEstimate, 0.0f) << kRateClassHz[c.rateClass] << " Hz, size " << c.size;
        for (float v : subvia.bass) {
            ASSERT_TRUE(std::isfinite(v)) << kRateClassHz[c.rateClass] << " Hz, size " << c.size;
        }
    }
}

TEST(SubviaStage, a_size_change_switches_the_filters_and_keeps_their_memory)
{
    Subvia subvia(RateClass48000, 0);
    std::vector<float> left = Sine(50.0, 48000.0, 480, 0.3f);
    std::vector<float> right = left;
    subvia.Run(left, right);
    const SubviaState before = subvia.state;

    EXPECT_EQ(subvia.stage.SetSize(8), STATUS_INVALID_PARAMETER);
    EXPECT_EQ(subvia.stage.size.Load(), 0u);
    EXPECT_EQ(subvia.stage.SetSize(3), STATUS_SUCCESS);
    const SubviaBandRow& row = kSubviaBandSets[RateClass48000 * kSubviaSizeCount + 3];
    EXPECT_EQ(subvia.state.band1Set.Load(), &row.band1);
    EXPECT_EQ(subvia.state.band2Set.Load(), &row.band2);
    EXPECT_EQ(subvia.state.lowpassPair.Load(), &kSubviaLowpass[RateClass48000 * kSubviaSizeCount + 3].pair);
    EXPECT_EQ(subvia.state.lowpass[0], before.lowpass[0]);
    EXPECT_EQ(subvia.state.band2[1], before.band2[1]);
    EXPECT_EQ(subvia.state.detector.upper, before.detector.upper);
}

TEST(SubviaStage, the_level_moves_the_gain_ceiling)
{
    Subvia subvia;
    EXPECT_EQ(subvia.state.gainCeiling.Load(), 6.0f * 0.6f + 2.0f);
    subvia.stage.SetLevel(1.0f);
    EXPECT_EQ(subvia.state.gainCeiling.Load(), 8.0f);
    EXPECT_EQ(subvia.stage.SetLevel(1.5f), STATUS_INVALID_PARAMETER);
    EXPECT_EQ(subvia.state.gainCeiling.Load(), 8.0f);
}

}  // namespace
