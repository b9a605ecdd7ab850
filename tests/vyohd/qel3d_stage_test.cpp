#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "qel3d_stage.h"
#include "qel3d_tables.h"
#include "test_signals.h"

namespace {

using namespace vyohd;

using vyohd_test::InBlocks;
using vyohd_test::Noise;

struct Qel3D {
    Qel3DStage stage{};
    Qel3DState state{};
    BlockArray work[5];

    explicit Qel3D(ULONG mode, ULONG sizeFlag = 0, float width = 0.8f, float center = 0.5f)
    {
        stage.LoadDefaults();
        stage.state = nullptr;
        stage.Reinitialize(RateClass44100, &state);
        stage.SetMode(mode);
        stage.SetSizeFlag(sizeFlag);
        stage.SetWidth(width);
        stage.SetCenterLevel(center);
    }

    void Run(std::vector<float>& left, std::vector<float>& right)
    {
        InBlocks(left, right, [&](float* l, float* r, LONG n) { stage.Process(l, r, work, n); });
    }
};

struct Stereo {
    std::vector<float> left = Noise(1000, 1, 0.5f);
    std::vector<float> right = Noise(1000, 2, 0.5f);
};

TEST(Qel3DStage, tables_have_the_values_of_the_design)
{
    const BiquadCoefficients& p0 = kPerspectiveSet0[RateClass44100].set;
    EXPECT_EQ(p0.c[0], -1.79940021f);
    EXPECT_EQ(p0.c[4], -1.3245312f);
    EXPECT_EQ(kPerspectiveSet1[RateClass8000].set.c[2], -0.0295261871f);
    EXPECT_EQ(kPerspectiveSet1[RateClass96000].set.c[4], -0.91729641f);
    EXPECT_EQ(kSideShapingAndSum[RateClass16000].side.c[0], -0.99775362f);
    EXPECT_EQ(kPhasePairP3.c[1], -0.543100357f);
    EXPECT_EQ(kPhasePairQ3.c[0], -0.469726562f);

    // The mode-1 sum pair has c0 = c1; the band sets b1 = 0 and b2 = -b0.
    EXPECT_EQ(kModeOneSets.sum[RateClass96000].c[0], 0.7154513f);
    EXPECT_EQ(kModeOneSets.sum[RateClass96000].c[1], 0.7154513f);
    const BiquadCoefficients& band2 = kModeOneSets.band[RateClass48000][1];
    const std::array<float, 5> expected{0.214324757f, 1.42612374f, 0.0f, -0.801760197f, -0.214324757f};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(band2.c[i], expected[i]) << "c" << i;
    }
}

TEST(Qel3DStage, width_gain_runs_from_one_to_0_528_and_follows_the_width)
{
    EXPECT_EQ(Qel3DWidthGain(0.0f), 1.0f);
    EXPECT_NEAR(Qel3DWidthGain(1.0f), 0.528f, 1e-7f);
    Qel3D q(3);
    q.stage.SetWidth(0.0f);
    EXPECT_EQ(q.state.k.Load(), 1.0f);
    q.stage.SetWidth(1.0f);
    EXPECT_EQ(q.state.k.Load(), Qel3DWidthGain(1.0f));
}

TEST(Qel3DStage, stereo_path_without_width_folds_down_to_the_mid_signal)
{
    Stereo in;
    Stereo out;
    Qel3D(2, 0, 0.0f, 0.5f).Run(out.left, out.right);
    for (std::size_t i = 0; i < in.left.size(); ++i) {
        const float mid = 0.5f * (in.left[i] + in.right[i]);
        ASSERT_EQ(out.left[i], mid) << "sample " << i;
        ASSERT_EQ(out.right[i], mid) << "sample " << i;
    }
}

TEST(Qel3DStage, identical_channels_leave_the_side_filters_at_rest)
{
    std::vector<float> left = Noise(500, 3, 0.5f);
    std::vector<float> right = left;
    const std::vector<float> in = left;
    Qel3D q(2, 0, 0.8f, 0.3f);
    q.Run(left, right);
    for (std::size_t i = 0; i < in.size(); ++i) {
        ASSERT_EQ(left[i], 0.3f * (2.0f * in[i])) << "sample " << i;
        ASSERT_EQ(right[i], left[i]) << "sample " << i;
    }
    EXPECT_EQ(q.state.perspective[0], 0.0f);
    EXPECT_EQ(q.state.sideShaping, 0.0f);
}

TEST(Qel3DStage, headphone_size_sends_modes_1_and_3_down_the_stereo_path)
{
    struct Run {
        ULONG mode;
        ULONG size;
        Stereo out;
    };
    std::vector<Run> runs;
    for (ULONG mode = 0; mode <= 3; ++mode) {
        for (ULONG size = 0; size <= 1; ++size) {
            Run run{mode, size, {}};
            Qel3D(mode, size).Run(run.out.left, run.out.right);
            runs.push_back(run);
        }
    }
    auto same = [](const Run& a, const Run& b) { return a.out.left == b.out.left && a.out.right == b.out.right; };
    const Run& stereoHeadphones = runs[2 * 2 + 1];
    for (const Run& run : runs) {
        const bool stereoWithSet1 = run.size == 1 && run.mode != 0;
        EXPECT_EQ(same(run, stereoHeadphones), stereoWithSet1) << "mode " << run.mode << " size " << run.size;
    }
    // Every other combination takes a path (or perspective set) of its own.
    for (std::size_t a = 0; a < runs.size(); ++a) {
        for (std::size_t b = a + 1; b < runs.size(); ++b) {
            if (!(same(runs[a], stereoHeadphones) && same(runs[b], stereoHeadphones))) {
                EXPECT_FALSE(same(runs[a], runs[b])) << "modes " << runs[a].mode << "/" << runs[a].size << " and "
                                                     << runs[b].mode << "/" << runs[b].size;
            }
        }
    }
}

TEST(Qel3DStage, mono_output_path_gives_both_channels_the_same_signal)
{
    Stereo out;
    Qel3D(1, 0).Run(out.left, out.right);
    EXPECT_EQ(out.left, out.right);
}

TEST(Qel3DStage, matrix_path_without_width_only_shifts_the_phase)
{
    Stereo in;
    Stereo out;
    Qel3D(3, 0, 0.0f).Run(out.left, out.right);

    PhaseSectionA p2{&kPhasePairP2, 0.0f};
    PhaseSectionA p3{&kPhasePairP3, 0.0f};
    PhaseSectionA q3{&kPhasePairQ3, 0.0f};
    InBlocks(in.left, in.right, [&](float* l, float* r, LONG n) {
        p2.Process(l, n);
        p3.Process(l, n);
        q3.Process(r, n);
    });
    EXPECT_EQ(out.left, in.left);
    EXPECT_EQ(out.right, in.right);
}

TEST(Qel3DStage, phase_network_with_a_silent_right_channel_puts_the_shifted_left_on_both)
{
    std::vector<float> left = Noise(1000, 4, 0.5f);
    std::vector<float> right(left.size(), 0.0f);
    std::vector<float> shifted = left;
    Qel3D(0).Run(left, right);

    PhaseSectionA p1{&kPhasePairP1, 0.0f};
    PhaseSectionA p2{&kPhasePairP2, 0.0f};
    PhaseSectionA p3{&kPhasePairP3, 0.0f};
    InBlocks(shifted, [&](float* x, LONG n) {
        p1.Process(x, n);
        p2.Process(x, n);
        p3.Process(x, n);
    });
    EXPECT_EQ(left, shifted);
    EXPECT_EQ(right, shifted);
}

TEST(Qel3DStage, refused_values_change_nothing_and_the_size_flag_reselects_at_once)
{
    Qel3D q(2);
    EXPECT_EQ(q.stage.SetWidth(1.01f), STATUS_INVALID_PARAMETER);
    EXPECT_EQ(q.stage.SetCenterLevel(-0.01f), STATUS_INVALID_PARAMETER);
    EXPECT_EQ(q.stage.SetMode(4), STATUS_INVALID_PARAMETER);
    EXPECT_EQ(q.stage.width.Load(), 0.8f);
    EXPECT_EQ(q.stage.centerLevel.Load(), 0.5f);
    EXPECT_EQ(q.stage.mode.Load(), 2u);

    EXPECT_EQ(q.state.selectedPerspective.Load(), &kPerspectiveSet0[RateClass44100].set);
    q.stage.SetSizeFlag(1);
    EXPECT_EQ(q.state.selectedPerspective.Load(), &kPerspectiveSet1[RateClass44100].set);
}

}  // namespace
