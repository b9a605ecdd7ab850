#include <gtest/gtest.h>

#include <cmath>

#include "kova_test_support.h"

namespace {

constexpr LONG kN = 16;

float Tone(ULONG slot, LONG frame)
{
    return 0.25f * std::sin(0.11f * float(frame + 3) * float(slot + 2));
}

OutputStage StageAt48000(ULONG crossoverSelect)
{
    OutputStage stage{};
    stage.Reinitialize(KOVARate48000);
    stage.SetCrossoverSelect(crossoverSelect);
    stage.SetFrontPresence(1.0f);
    stage.SetCenterPresence(1.0f);
    stage.SelectCrossover();
    return stage;
}

SubviaStage DisabledSubvia()
{
    SubviaStage stage{};
    stage.Reinitialize(KOVARate48000);
    stage.SelectSize();
    return stage;
}

TEST(OutputStage, crossover_select_picks_the_pair_of_its_frequency)
{
    for (ULONG select = 0; select < 4; ++select) {
        OutputStage stage = StageAt48000(select);
        EXPECT_EQ(stage.crossoverLowpass.coefficients, &kCrossoverCoefficients[KOVARate48000].lowpass[select]);
        EXPECT_EQ(stage.crossoverHighpass[OutputRs].coefficients,
                  &kCrossoverCoefficients[KOVARate48000].highpass[select]);
    }
    OutputStage stage = StageAt48000(3);
    EXPECT_EQ(stage.crossoverLowpass.coefficients->c[1], 1.96298003f);  // fc 200 Hz
    stage.SetCrossoverSelect(7);  // stored, but the selection stays
    stage.SelectCrossover();
    EXPECT_EQ(stage.crossoverSelect.Load(), 7u);
    EXPECT_EQ(stage.crossoverLowpass.coefficients, &kCrossoverCoefficients[KOVARate48000].lowpass[3]);
}

// OutputMode 1 without either Subvia: L and R are high-passed, the LFE
// low-passed at the selected frequency; then front presence adds its
// high-passed copy to L and R.
TEST(OutputStage, a_subwoofer_layout_without_subvia_splits_the_band_at_the_crossover)
{
    OutputStage stage = StageAt48000(1);
    SubviaStage front = DisabledSubvia();
    SubviaStage sub = DisabledSubvia();
    KOVABlock block;
    FillBlock(block, kN, Tone);
    const KOVABlock in = block;
    KOVAScratch scratch{};
    stage.Process(1, front, sub, block, scratch, kN);

    Biquad highpass{&kCrossoverCoefficients[KOVARate48000].highpass[1], 0, 0};
    Biquad lowpass{&kCrossoverCoefficients[KOVARate48000].lowpass[1], 0, 0};
    Biquad presence{&kPresenceHighpass[KOVARate48000], 0, 0};
    float L[kN], PL[kN], LFE[kN];
    highpass.Process(in.slot[SlotL], L, kN);
    presence.Process(L, PL, kN);
    lowpass.Process(in.slot[SlotLFE], LFE, kN);
    for (LONG i = 0; i < kN; ++i) {
        EXPECT_EQ(block.slot[SlotL][i], L[i] + 1.0f * PL[i]) << "frame " << i;
        EXPECT_EQ(block.slot[SlotLFE][i], LFE[i]) << "frame " << i;
        EXPECT_EQ(block.slot[SlotCtr][i], in.slot[SlotCtr][i]) << "no centre output, no filter";
    }
}

TEST(OutputStage, without_a_subwoofer_no_crossover_runs_and_presence_lifts_the_highs)
{
    OutputStage stage = StageAt48000(0);
    SubviaStage front = DisabledSubvia();
    SubviaStage sub = DisabledSubvia();
    // A tone at half the rate gains about 6 dB; a constant stays.
    float highGain = 0.0f;
    for (int b = 0; b < 20; ++b) {
        KOVABlock block;
        FillBlock(block, kN, [](ULONG slot, LONG i) {
            return slot == SlotL ? 0.5f * float((i & 1) ? 1 : -1) : slot == SlotR ? 0.5f : 0.0f;
        });
        KOVAScratch scratch{};
        stage.Process(0, front, sub, block, scratch, kN);
        highGain = std::abs(block.slot[SlotL][kN - 1]) / 0.5f;
        if (b == 19) {
            EXPECT_NEAR(block.slot[SlotR][kN - 1], 0.5f, 1.0e-3f);
        }
    }
    EXPECT_NEAR(highGain, 2.0f, 0.05f);
    EXPECT_EQ(stage.crossoverHighpass[OutputL].s0, 0.0f);
    EXPECT_EQ(stage.crossoverLowpass.s0, 0.0f);
}

// Bypassed, the output is the bypass downmix of the conditioned input, bit
// for bit, scaled only by the speaker-group gains.
TEST(OutputStage, bypass_applies_only_the_speaker_group_gains)
{
    for (float frontGain : {1.0f, 0.5f}) {
        KOVAState state = FormattedState(KOVARate48000, [](KOVAParams& p) {
            p.Enable.Store(0);
            p.KVHDMode.Store(6);
            p.OutputMode.Store(0);
        });
        state.output.SetGroupGain(KOVAGroupFront, frontGain);
        KOVABlock block;
        FillBlock(block, kN, Tone);
        KOVABlock expected = block;
        const std::vector<float> dither = UpcomingDither(kKOVASlotCount * kN);
        for (ULONG s = 0; s < kKOVASlotCount; ++s) {
            const float g = (kSourceLayoutModes[6].presentSlots >> s) & 1 ? 1.0f : 0.0f;
            for (LONG i = 0; i < kN; ++i) {
                expected.slot[s][i] = g * expected.slot[s][i] + dither[s * kN + i];
            }
        }
        RenderBypassDownmix(6, 0, expected, kN);
        KOVAScratch scratch{};
        state.ProcessBlock(block, scratch, kN);
        for (LONG i = 0; i < kN; ++i) {
            EXPECT_EQ(block.slot[SlotL][i], frontGain * expected.slot[SlotL][i]);
            EXPECT_EQ(block.slot[SlotR][i], frontGain * expected.slot[SlotR][i]);
        }
        EXPECT_EQ(state.output.presence[OutputL].s0, 0.0f);
    }
}

TEST(OutputStage, subwoofer_gain_0_silences_the_lfe_output)
{
    for (LONG outputMode : {1, 3, 5, 7}) {
        KOVAState state = FormattedState(KOVARate48000, [](KOVAParams& p) { p.KVHDMode.Store(6); });
        state.core.SetOutputMode(outputMode);
        state.output.SetGroupGain(KOVAGroupSubwoofer, 0.0f);
        for (int b = 0; b < 10; ++b) {
            KOVABlock block;
            FillBlock(block, kN, Tone);
            KOVAScratch scratch{};
            state.ProcessBlock(block, scratch, kN);
            for (LONG i = 0; i < kN; ++i) {
                ASSERT_EQ(block.slot[SlotLFE][i], 0.0f) << "OutputMode " << outputMode;
            }
        }
    }
}

}  // namespace
