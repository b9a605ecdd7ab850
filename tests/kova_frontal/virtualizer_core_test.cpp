#include <gtest/gtest.h>

#include <cmath>

#include "double_constants.h"
#include "kova_test_support.h"

namespace {

constexpr LONG kN = 16;

float Tone(ULONG slot, LONG frame)
{
    return 0.3f * std::sin(0.37f * float(frame + 1) * float(slot + 1)) + 0.01f * float(slot);
}

// Runs the core (conditioning, pre-stage, render) over one block.
void RunCore(KOVAState& state, KOVABlock& block, LONG n = kN)
{
    KOVAScratch scratch{};
    state.core.Process(state.core.ReadSettings(), block, scratch, n);
}

KOVAState CoreState(ULONG mode, LONG outputMode, bool enable = true)
{
    KOVAState state = FormattedState(KOVARate48000);
    state.core.SetMode(mode);
    state.core.SetOutputMode(outputMode);
    state.core.SetEnable(enable ? 1 : 0);
    return state;
}

TEST(VirtualizerCore, input_conditioning_keeps_present_slots_and_dithers_every_sample)
{
    KOVABlock block;
    FillBlock(block, kN, Tone);
    const KOVABlock input = block;
    const std::vector<float> dither = UpcomingDither(kKOVASlotCount * kN);
    ConditionInput(1.0f, kSourceLayoutModes[4], block, kN);  // L R Ctr LFE
    std::size_t draw = 0;
    for (ULONG s = 0; s < kKOVASlotCount; ++s) {
        const bool present = (kSourceLayoutModes[4].presentSlots >> s) & 1;
        for (LONG i = 0; i < kN; ++i, ++draw) {
            const float scaled = (present ? 1.0f : 0.0f) * input.slot[s][i];
            ASSERT_EQ(block.slot[s][i], scaled + dither[draw]) << "slot " << s << ", frame " << i;
        }
    }
}

TEST(VirtualizerCore, bypass_downmix_of_mode_6_without_surround_outputs_is_exact)
{
    KOVABlock block;
    FillBlock(block, kN, Tone);
    const KOVABlock in = block;
    RenderBypassDownmix(6, 0, block, kN);
    for (LONG i = 0; i < kN; ++i) {
        const float centre = ScaleAsDouble(kCentreShare, in.slot[SlotCtr][i]);
        EXPECT_EQ(block.slot[SlotL][i], in.slot[SlotL][i] + in.slot[SlotLs][i] + centre + in.slot[SlotLFE][i]);
        EXPECT_EQ(block.slot[SlotR][i], in.slot[SlotR][i] + in.slot[SlotRs][i] + centre + in.slot[SlotLFE][i]);
        for (KOVASlot cleared : {SlotLs, SlotRs, SlotCtr, SlotLFE}) {
            EXPECT_EQ(block.slot[cleared][i], 0.0f);
        }
    }
}

TEST(VirtualizerCore, bypass_downmix_of_mode_7_with_surround_outputs_keeps_them)
{
    KOVABlock block;
    FillBlock(block, kN, Tone);
    const KOVABlock in = block;
    RenderBypassDownmix(7, 4, block, kN);
    for (LONG i = 0; i < kN; ++i) {
        const float back = ScaleAsDouble(kCentreShare, in.slot[SlotCs][i]);
        const float centre = ScaleAsDouble(kCentreShare, in.slot[SlotCtr][i]);
        EXPECT_EQ(block.slot[SlotL][i], centre + (in.slot[SlotL][i] + back) + in.slot[SlotLFE][i]);
        EXPECT_EQ(block.slot[SlotLs][i], in.slot[SlotLs][i]);
        EXPECT_EQ(block.slot[SlotRs][i], in.slot[SlotRs][i]);
        EXPECT_EQ(block.slot[SlotCtr][i], 0.0f);
        EXPECT_EQ(block.slot[SlotLFE][i], 0.0f);
    }
}

TEST(VirtualizerCore, bypass_downmix_of_mode_11_ignores_the_output_mode)
{
    for (LONG outputMode = 0; outputMode <= 7; ++outputMode) {
        KOVABlock block;
        FillBlock(block, kN, Tone);
        const KOVABlock in = block;
        RenderBypassDownmix(11, outputMode, block, kN);
        for (LONG i = 0; i < kN; ++i) {
            ASSERT_EQ(block.slot[SlotL][i], in.slot[SlotL][i] + in.slot[SlotCtr][i] + in.slot[SlotCs][i]);
            ASSERT_EQ(block.slot[SlotR][i], in.slot[SlotR][i] + in.slot[SlotCtr][i] - in.slot[SlotCs][i]);
            for (KOVASlot cleared : {SlotLs, SlotRs, SlotCtr, SlotLFE}) {
                ASSERT_EQ(block.slot[cleared][i], 0.0f) << "OutputMode " << outputMode;
            }
        }
    }
}

TEST(VirtualizerCore, bypass_leaves_every_filter_state_untouched)
{
    KOVAState state = CoreState(6, 7, false);
    KOVABlock block;
    FillBlock(block, kN, Tone);
    RunCore(state, block);
    EXPECT_EQ(state.core.difference.diffA.s, 0.0f);
    EXPECT_EQ(state.core.surround2.surrF.s, 0.0f);
    EXPECT_EQ(state.core.elevo.low.s0, 0.0f);
}

TEST(VirtualizerCore, silence_in_gives_only_dither_sized_output)
{
    KOVAState state = CoreState(1, 0);
    state.core.elevo.SetEnable(0);
    float largest = 0.0f;
    for (int b = 0; b < 50; ++b) {
        KOVABlock block{};
        RunCore(state, block);
        for (LONG i = 0; i < kN; ++i) {
            largest = std::max({largest, std::abs(block.slot[SlotL][i]), std::abs(block.slot[SlotR][i])});
        }
    }
    EXPECT_GT(largest, 0.0f);
    EXPECT_LT(largest, 1.0e-8f);
}

// Identical L and R: the difference is only dither, so both outputs are
// 0.126 L + P with P = Elevo(0.355 (L + R)) plus the LFE.
TEST(VirtualizerCore, identical_front_channels_render_as_centre_plus_direct_share)
{
    KOVAState state = CoreState(1, 0);
    KOVAState reference = state;
    KOVABlock block;
    FillBlock(block, kN, [](ULONG slot, LONG i) { return slot <= SlotR ? 0.4f * std::cos(0.2f * i) : 0.0f; });
    const KOVABlock in = block;
    RunCore(state, block);

    float P[kN], T[kN];
    for (LONG i = 0; i < kN; ++i) {
        P[i] = 0.355f * (in.slot[SlotL][i] + in.slot[SlotR][i]);
    }
    reference.core.elevo.Process(P, T, kN);
    for (LONG i = 0; i < kN; ++i) {
        const float expected = ScaleAsDouble(kFrontDirect, in.slot[SlotL][i]) + P[i];
        EXPECT_NEAR(block.slot[SlotL][i], expected, 1.0e-6f) << "frame " << i;
        EXPECT_NEAR(block.slot[SlotR][i], expected, 1.0e-6f) << "frame " << i;
    }
}

TEST(VirtualizerCore, mode_0_ignores_the_front_channels_and_spreads_the_centre)
{
    auto render = [](float front) {
        KOVAState state = CoreState(0, 0);
        KOVABlock out[4];
        for (int b = 0; b < 4; ++b) {
            FillBlock(out[b], kN, Tone);
            for (LONG i = 0; i < kN; ++i) {
                out[b].slot[SlotL][i] = front;
                out[b].slot[SlotR][i] = -front;
            }
            RunCore(state, out[b]);
        }
        return out[3];
    };
    const KOVABlock quiet = render(0.0f);
    const KOVABlock loud = render(0.9f);
    bool different = false;
    for (LONG i = 0; i < kN; ++i) {
        EXPECT_NEAR(quiet.slot[SlotL][i], loud.slot[SlotL][i], 1.0e-7f);
        EXPECT_NEAR(quiet.slot[SlotR][i], loud.slot[SlotR][i], 1.0e-7f);
        different |= std::abs(quiet.slot[SlotL][i] - quiet.slot[SlotR][i]) > 1.0e-3f;
    }
    EXPECT_TRUE(different) << "the all-pass chains give L and R different phases";
}

TEST(VirtualizerCore, output_mode_0_leaves_the_extra_outputs_silent_and_7_fills_them)
{
    for (ULONG mode = 0; mode < kSourceLayoutModeCount; ++mode) {
        KOVAState folded = CoreState(mode, 0);
        KOVAState full = CoreState(mode, 7);
        KOVABlock a, b;
        FillBlock(a, kN, Tone);
        FillBlock(b, kN, Tone);
        RunCore(folded, a);
        RunCore(full, b);
        // Modes 0, 1 and 4 carry no surround source, so their Ls and Rs
        // outputs hold little more than dither.
        const bool surroundSource = mode != 0 && mode != 1 && mode != 4;
        for (KOVASlot slot : {SlotLs, SlotRs, SlotCtr, SlotLFE}) {
            for (LONG i = 0; i < kN; ++i) {
                ASSERT_EQ(a.slot[slot][i], 0.0f) << "mode " << mode << ", slot " << slot;
            }
            if (!surroundSource && (slot == SlotLs || slot == SlotRs)) {
                continue;
            }
            float energy = 0.0f;
            for (LONG i = 0; i < kN; ++i) {
                energy += std::abs(b.slot[slot][i]);
            }
            if (mode == 11) {
                EXPECT_EQ(energy, 0.0f) << "mode 11 renders to the front pair only";
            } else {
                EXPECT_GT(energy, 1.0e-3f) << "mode " << mode << ", slot " << slot;
            }
        }
    }
}

// Mode 11: the back centre reaches the front pair as +S on the left and -S
// on the right.
TEST(VirtualizerCore, mode_11_renders_the_back_centre_as_a_difference_in_the_front_pair)
{
    KOVAState state = CoreState(11, 3);
    KOVABlock block;
    float difference = 0.0f;
    for (int b = 0; b < 8; ++b) {
        FillBlock(block, kN, [](ULONG slot, LONG i) { return slot == SlotCs ? 0.5f * std::sin(0.9f * i) : 0.0f; });
        RunCore(state, block);
        for (LONG i = 0; i < kN; ++i) {
            ASSERT_NEAR(block.slot[SlotL][i], -block.slot[SlotR][i], 1.0e-6f);
            difference += std::abs(block.slot[SlotL][i]);
        }
    }
    EXPECT_GT(difference, 0.1f);
}

// The headphone switch changes the difference path only: L + R (where D
// cancels) stays, L - R changes.
TEST(VirtualizerCore, headphone_switch_changes_only_the_difference_path)
{
    KOVAState speakers = CoreState(3, 0);
    KOVAState headphones = CoreState(3, 0);
    headphones.core.SetHeadphone(1);
    float sideChange = 0.0f;
    for (int b = 0; b < 4; ++b) {
        KOVABlock a, h;
        FillBlock(a, kN, Tone);
        FillBlock(h, kN, Tone);
        RunCore(speakers, a);
        RunCore(headphones, h);
        for (LONG i = 0; i < kN; ++i) {
            EXPECT_NEAR(a.slot[SlotL][i] + a.slot[SlotR][i], h.slot[SlotL][i] + h.slot[SlotR][i], 2.0e-6f);
            sideChange += std::abs((a.slot[SlotL][i] - a.slot[SlotR][i]) - (h.slot[SlotL][i] - h.slot[SlotR][i]));
        }
    }
    EXPECT_GT(sideChange, 1.0e-3f);
}

TEST(VirtualizerCore, a_mode_above_11_is_ignored_by_the_stream)
{
    KOVAState state = CoreState(5, 0);
    state.core.SetMode(12);
    EXPECT_EQ(state.core.mode.Load(), 5u);
    EXPECT_EQ(state.core.ReadSettings().layout, &kSourceLayoutModes[5]);
}

TEST(VirtualizerCore, mode_4_with_a_centre_output_sends_the_elevo_centre_there)
{
    KOVAState state = CoreState(4, 2);
    state.core.elevo.SetEnable(0);
    KOVABlock block;
    FillBlock(block, kN, Tone);
    const KOVABlock in = block;
    RunCore(state, block);
    for (LONG i = 0; i < kN; ++i) {
        EXPECT_NEAR(block.slot[SlotCtr][i], 0.71f * in.slot[SlotCtr][i], 1.0e-7f);
    }
}

}  // namespace
