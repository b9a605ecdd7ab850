#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "effect_chain.h"
#include "test_signals.h"

namespace {

using namespace vyohd;

using vyohd_test::Noise;
using vyohd_test::Sine;

// One stream's context and state, without the PCM conversions or dither.
struct Frame {
    VYOHDContext context;
    VYOHDStateBlock state;
    ProcessBlock block;

    Frame()
    {
        context.Initialize();
        context.inputGain.Store(1.0f);
        context.Reinitialize(RateClass44100, &state);
    }

    void Run(std::vector<float>& left, std::vector<float>& right)
    {
        vyohd_test::InBlocks(left, right, [&](float* l, float* r, LONG n) {
            std::memcpy(block.left, l, n * sizeof(float));
            std::memcpy(block.right, r, n * sizeof(float));
            ProcessFrameBlock(context, block, n);
            std::memcpy(l, block.left, n * sizeof(float));
            std::memcpy(r, block.right, n * sizeof(float));
        });
    }
};

// A programme with bass, mid and treble, different on each side.
struct Programme {
    std::vector<float> left = Sine(55.0, 44100.0, 22050, 0.2f);
    std::vector<float> right = Sine(82.0, 44100.0, 22050, 0.15f);

    Programme()
    {
        const std::vector<float> noiseLeft = Noise(22050, 7, 0.05f);
        const std::vector<float> noiseRight = Noise(22050, 8, 0.05f);
        for (std::size_t i = 0; i < left.size(); ++i) {
            left[i] += noiseLeft[i];
            right[i] += noiseRight[i];
        }
    }
};

TEST(EffectChain, bypass_scales_and_leaves_all_filter_memory_as_it_was)
{
    Frame frame;
    Programme warmUp;
    frame.Run(warmUp.left, warmUp.right);
    frame.context.SetEnable(0);
    frame.context.bypassGain.Store(0.5f);
    VYOHDStateBlock before;
    std::memcpy(&before, &frame.state, sizeof(before));

    Programme in;
    Programme out;
    frame.Run(out.left, out.right);
    EXPECT_EQ(std::memcmp(&before, &frame.state, sizeof(before)), 0);
    for (std::size_t i = 0; i < in.left.size(); ++i) {
        ASSERT_EQ(out.left[i], in.left[i] * 0.5f);
        ASSERT_EQ(out.right[i], in.right[i] * 0.5f);
    }
}

TEST(EffectChain, bypass_folds_to_the_scaled_sum_in_the_single_channel_modes)
{
    struct Case {
        ULONG mode;
        ULONG size;
        bool folds;
    };
    const Case cases[] = {{0, 0, true}, {0, 1, true}, {1, 0, true}, {1, 1, false}, {2, 0, false}, {3, 0, false}};
    for (const Case& c : cases) {
        Frame frame;
        frame.context.SetEnable(0);
        frame.context.qel3d.SetMode(c.mode);
        frame.context.qel3d.SetSizeFlag(c.size);
        Programme in;
        Programme out;
        frame.Run(out.left, out.right);
        for (std::size_t i = 0; i < in.left.size(); ++i) {
            const float expectedLeft = c.folds ? (in.left[i] + in.right[i]) * 0.5f : in.left[i] * 0.5f;
            ASSERT_EQ(out.left[i], expectedLeft) << "mode " << c.mode << " size " << c.size << " sample " << i;
            ASSERT_EQ(out.right[i], c.folds ? expectedLeft : in.right[i] * 0.5f);
        }
    }
}

// The limiter's 0.25 headroom and its 4.0 make-up are exact powers of two,
// and Subvia's detector compensation undoes the headroom for its level
// tracking; with a limiter that never reduces (level 0), switching it on
// must not change a single sample.
TEST(EffectChain, headroom_and_make_up_cancel_when_the_limiter_never_reduces)
{
    Frame withLimiter;
    withLimiter.context.limiter.SetLevel(0.0f);
    Frame without;
    without.context.limiter.SetEnable(0);

    Programme a;
    Programme b;
    withLimiter.Run(a.left, a.right);
    without.Run(b.left, b.right);
    EXPECT_EQ(a.left, b.left);
    EXPECT_EQ(a.right, b.right);
}

TEST(EffectChain, mono_output_mode_gives_both_channels_the_same_signal_bass_included)
{
    Frame frame;
    frame.context.qel3d.SetMode(1);
    Programme out;
    frame.Run(out.left, out.right);
    EXPECT_EQ(out.left, out.right);
    Programme in;
    EXPECT_NE(out.left, in.left);
}

// The chain shares six scratch arrays among its stages. Composed here with
// buffers of their own, in signal order, the stages must give the very same
// samples: no stage may overwrite what a later one still needs.
TEST(EffectChain, equals_its_stages_composed_in_signal_order)
{
    for (ULONG mode = 0; mode <= 3; ++mode) {
        for (LONG limiter = 0; limiter <= 1; ++limiter) {
            Frame chain;
            Frame stages;
            for (Frame* f : {&chain, &stages}) {
                f->context.qel3d.SetMode(mode);
                f->context.limiter.SetEnable(limiter);
                f->context.inputGain.Store(1.5f);
                f->context.outputGain.Store(0.7f);
            }
            Programme out;
            chain.Run(out.left, out.right);

            Programme expected;
            VYOHDContext& c = stages.context;
            vyohd_test::InBlocks(expected.left, expected.right, [&](float* left, float* right, LONG n) {
                std::vector<float> l(left, left + n), r(right, right + n), bass(n), u1(n), u2(n);
                BlockArray work[5];
                for (LONG i = 0; i < n; ++i) {
                    l[i] = l[i] * 1.5f;
                    r[i] = r[i] * 1.5f;
                    if (limiter) {
                        l[i] = l[i] * 0.25f;
                        r[i] = r[i] * 0.25f;
                    }
                }
                c.subvia.SetCompensation(limiter ? 4.0f : 0.0f);
                c.subvia.Process(l.data(), r.data(), bass.data(), u1.data(), u2.data(), n);
                c.qel3d.Process(l.data(), r.data(), work, n);
                std::vector<float> dryLeft = l, dryRight = r;
                for (LONG i = 0; i < n; ++i) {
                    l[i] = mode == 1 ? bass[i] - l[i] : l[i] + bass[i];
                    r[i] = mode == 1 ? bass[i] - r[i] : r[i] + bass[i];
                }
                std::vector<float> detailLeft = dryLeft, detailRight = dryRight;
                c.nitidaLeft.Process(detailLeft.data(), n);
                c.nitidaRight.Process(detailRight.data(), n);
                c.elevoLeft.Process(dryLeft.data(), n);
                c.elevoRight.Process(dryRight.data(), n);
                for (LONG i = 0; i < n; ++i) {
                    l[i] = l[i] + detailLeft[i] + dryLeft[i];
                    r[i] = r[i] + detailRight[i] + dryRight[i];
                }
                if (limiter) {
                    c.limiter.Process(l.data(), r.data(), n);
                }
                for (LONG i = 0; i < n; ++i) {
                    left[i] = (limiter ? l[i] * 4.0f : l[i]) * 0.7f;
                    right[i] = (limiter ? r[i] * 4.0f : r[i]) * 0.7f;
                }
            });
            EXPECT_EQ(out.left, expected.left) << "mode " << mode << ", limiter " << limiter;
            EXPECT_EQ(out.right, expected.right) << "mode " << mode << ", limiter " << limiter;
        }
    }
}

TEST(EffectChain, gains_scale_around_the_chain)
{
    Frame silent;
    silent.context.inputGain.Store(0.0f);
    Programme quiet;
    silent.Run(quiet.left, quiet.right);
    for (std::size_t i = 0; i < quiet.left.size(); ++i) {
        ASSERT_EQ(quiet.left[i], 0.0f);
        ASSERT_EQ(quiet.right[i], 0.0f);
    }

    Frame unity;
    Frame doubled;
    unity.context.limiter.SetEnable(0);
    doubled.context.limiter.SetEnable(0);
    doubled.context.outputGain.Store(2.0f);
    Programme a;
    Programme b;
    unity.Run(a.left, a.right);
    doubled.Run(b.left, b.right);
    for (std::size_t i = 0; i < a.left.size(); ++i) {
        ASSERT_EQ(b.left[i], a.left[i] * 2.0f);
    }
}

}  // namespace
