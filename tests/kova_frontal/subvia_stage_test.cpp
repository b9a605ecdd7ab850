#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "double_constants.h"
#include "kova_test_support.h"

namespace {

constexpr float kPi = 3.14159265f;

// A Subvia front stage at 48000 Hz with the given size and level.
SubviaStage FrontStage(ULONG size, float level, USHORT enable = 1)
{
    SubviaStage stage{};
    stage.Reinitialize(KOVARate48000);
    stage.SetEnable(enable);
    stage.SetLevel(level);
    stage.SetSize(size);
    stage.SelectSize();
    stage.sizeChanged.Store(0);
    stage.SetTrim(1.0f);
    return stage;
}

// Runs `seconds` of a tone through the stage; returns the largest |Z| of
// the last tenth, where Z = out - 0.79 in.
float AddedBass(SubviaStage& stage, float frequency, float seconds = 0.5f, float amplitude = 0.25f)
{
    const LONG total = LONG(48000 * seconds);
    float largest = 0.0f;
    KOVAScratch scratch{};
    for (LONG start = 0; start < total; start += 16) {
        float L[16], R[16], in[16];
        for (LONG i = 0; i < 16; ++i) {
            in[i] = amplitude * std::sin(2 * kPi * frequency * float(start + i) / 48000.0f);
            L[i] = in[i];
            R[i] = in[i];
        }
        stage.ProcessFront(L, R, scratch, 16);
        if (start > total * 9 / 10) {
            for (LONG i = 0; i < 16; ++i) {
                largest = std::max(largest, std::abs(L[i] - ScaleAsDouble(kPreScale, in[i])));
            }
        }
    }
    return largest;
}

TEST(SubviaStage, level_0_scales_the_front_pair_by_exactly_0_79)
{
    SubviaStage stage = FrontStage(1, 0.0f);
    KOVAScratch scratch{};
    float L[16], R[16];
    for (LONG i = 0; i < 16; ++i) {
        L[i] = 0.1f * float(i) - 0.7f;
        R[i] = 0.05f * float(i);
    }
    const std::vector<float> inL(L, L + 16), inR(R, R + 16);
    stage.ProcessFront(L, R, scratch, 16);
    for (LONG i = 0; i < 16; ++i) {
        EXPECT_EQ(L[i], static_cast<float>(0.7900000214576721 * inL[i]));
        EXPECT_EQ(R[i], static_cast<float>(0.7900000214576721 * inR[i]));
    }
}

TEST(SubviaStage, disabled_leaves_the_pair_bit_identical_and_keeps_its_state)
{
    SubviaStage stage = FrontStage(1, 0.6f);
    AddedBass(stage, 60.0f, 0.05f);
    const float envelope = stage.envelope;
    const float state = stage.bandpass[0].s0;
    stage.SetEnable(0);
    stage.SetSize(6);
    KOVAScratch scratch{};
    float L[16], R[16];
    for (LONG i = 0; i < 16; ++i) {
        L[i] = std::sin(float(i));
        R[i] = std::cos(float(i));
    }
    const std::vector<float> inL(L, L + 16), inR(R, R + 16);
    stage.ProcessFront(L, R, scratch, 16);
    EXPECT_EQ(std::vector<float>(L, L + 16), inL);
    EXPECT_EQ(std::vector<float>(R, R + 16), inR);
    EXPECT_EQ(stage.envelope, envelope);
    EXPECT_EQ(stage.bandpass[0].s0, state);
    // The size change was still taken at the start of the block.
    EXPECT_EQ(stage.lowpass[0].coefficients, &kSubviaLowpass[6][KOVARate48000]);
}

// Quiet tones keep the compressor out of the way: the added bass is then
// the band-pass response of the size.
TEST(SubviaStage, the_added_bass_follows_the_speaker_size)
{
    constexpr float kQuiet = 0.02f;
    SubviaStage small = FrontStage(0, 1.0f);
    SubviaStage large = FrontStage(7, 1.0f);
    const float at40Size0 = AddedBass(small, 40.0f, 0.5f, kQuiet);
    const float at40Size7 = AddedBass(large, 40.0f, 0.5f, kQuiet);
    EXPECT_GT(at40Size0, 2.0f * at40Size7);
    const float cutoffs[] = {40, 60, 100, 150};
    for (ULONG size = 0; size < 4; ++size) {
        SubviaStage atCutoff = FrontStage(size, 1.0f);
        SubviaStage at1k = FrontStage(size, 1.0f);
        EXPECT_LT(AddedBass(at1k, 1000.0f, 0.5f, kQuiet), 0.1f * AddedBass(atCutoff, cutoffs[size], 0.5f, kQuiet))
            << "size " << size;
    }
}

TEST(SubviaStage, a_size_change_takes_effect_at_the_next_block_without_clearing)
{
    SubviaStage stage = FrontStage(1, 0.6f);
    AddedBass(stage, 60.0f, 0.05f);
    const float state = stage.lowpass[0].s;
    stage.SetSize(4);
    EXPECT_EQ(stage.sizeChanged.Load(), 1);
    EXPECT_EQ(stage.lowpass[0].coefficients, &kSubviaLowpass[1][KOVARate48000]);
    stage.SetSize(9);
    EXPECT_EQ(stage.size.Load(), 4u);
    KOVAScratch scratch{};
    float L[1] = {0.0f}, R[1] = {0.0f};
    stage.ProcessFront(L, R, scratch, 0);
    EXPECT_EQ(stage.sizeChanged.Load(), 0);
    EXPECT_EQ(stage.lowpass[1].coefficients, &kSubviaLowpass[4][KOVARate48000]);
    EXPECT_EQ(stage.bandpass[2].coefficients, &kSubviaBandpass[KOVARate48000][4][2]);
    EXPECT_EQ(stage.lowpass[0].s, state);
}

TEST(SubviaStage, the_detector_factor_follows_the_input_trim)
{
    SubviaStage stage{};
    stage.SetTrim(1.0f);
    EXPECT_EQ(stage.k, 1.12658226f);
    stage.SetTrim(0.0f);  // 0.79 x 0 is below the floor of 0.112
    EXPECT_EQ(stage.k, static_cast<float>(0.8899999856948853 / 0.1120000034570694));
}

// A steady bass tone: the envelope settles on the tone's peak, and the added
// bass on level x 1.41 x H x (1 - k e).
TEST(SubviaStage, the_envelope_settles_on_the_peak_of_the_bass_band)
{
    SubviaStage stage = FrontStage(2, 0.5f);
    AddedBass(stage, 100.0f, 1.0f);
    float peak = 0.0f;
    KOVAScratch scratch{};
    for (LONG start = 0; start < 4800; start += 16) {
        float L[16] = {}, R[16] = {};
        for (LONG i = 0; i < 16; ++i) {
            L[i] = R[i] = 0.25f * std::sin(2 * kPi * 100.0f * float(48000 + start + i) / 48000.0f);
        }
        stage.ProcessFront(L, R, scratch, 16);
        for (LONG i = 0; i < 16; ++i) {
            peak = std::max(peak, std::abs(scratch.S[i]));  // H of the block
        }
    }
    EXPECT_GT(peak, 0.01f);
    EXPECT_NEAR(stage.envelope, peak, 0.2f * peak);
}

TEST(SubviaStage, the_sub_instance_runs_only_with_a_subwoofer_output)
{
    auto lfeEnergy = [](LONG outputMode) {
        KOVAState state = FormattedState(KOVARate48000, [](KOVAParams& p) { p.KVHDMode.Store(6); });
        state.core.SetOutputMode(outputMode);
        float energy = 0.0f;
        for (int b = 0; b < 100; ++b) {
            KOVABlock block{};
            for (LONG i = 0; i < 16; ++i) {
                block.slot[SlotLFE][i] = 0.5f * std::sin(2 * kPi * 50.0f * float(b * 16 + i) / 48000.0f);
            }
            KOVAScratch scratch{};
            state.ProcessBlock(block, scratch, 16);
            for (LONG i = 0; i < 16; ++i) {
                energy += std::abs(block.slot[SlotLFE][i]);
            }
        }
        return std::make_pair(energy, state.subviaSub.envelope);
    };
    const auto without = lfeEnergy(0);
    EXPECT_EQ(without.first, 0.0f);
    EXPECT_EQ(without.second, 0.0f);
    const auto with = lfeEnergy(1);
    EXPECT_GT(with.first, 1.0f);
    EXPECT_GT(with.second, 0.0f);
}

}  // namespace
