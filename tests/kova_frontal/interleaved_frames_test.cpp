#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "interleaved_frames.h"
#include "sample_codec.h"

namespace {

// Position p of every frame holds (p + 1) * 1000, so each slot shows which
// position it was gathered from.
std::vector<std::int16_t> Numbered(ULONG channels, ULONG frames)
{
    std::vector<std::int16_t> pcm(channels * frames);
    for (ULONG i = 0; i < frames; ++i) {
        for (ULONG p = 0; p < channels; ++p) {
            pcm[i * channels + p] = std::int16_t((p + 1) * 1000);
        }
    }
    return pcm;
}

TEST(InterleavedFrames, each_mask_gathers_its_positions_into_their_slots)
{
    // slot order L R Ls Rs Ctr LFE Cs; the number is the position + 1, 0 for silence
    const struct {
        ULONG mask;
        ULONG channels;
        int source[kKOVASlotCount];
    } cases[] = {
        {0x3, 2, {1, 2, 0, 0, 0, 0, 0}},
        {0x3, 8, {1, 2, 0, 0, 0, 0, 0}},
        {0x33, 4, {1, 2, 3, 4, 0, 0, 0}},
        {0x3F, 6, {1, 2, 5, 6, 3, 4, 0}},
        {0x60F, 6, {1, 2, 5, 6, 3, 4, 0}},
        {0x13F, 8, {1, 2, 5, 6, 3, 4, 7}},
    };
    for (const auto& c : cases) {
        const KOVAChannelLayout* layout = FindKOVAChannelLayout(c.mask);
        ASSERT_NE(layout, nullptr);
        const std::vector<std::int16_t> pcm = Numbered(c.channels, 3);
        KOVABlock block;
        for (auto& slot : block.slot) {
            for (float& x : slot) {
                x = 99.0f;
            }
        }
        GatherFrames<Pcm16>(*layout, c.channels, reinterpret_cast<const UCHAR*>(pcm.data()), 3, 0.5f, block);
        for (ULONG s = 0; s < kKOVASlotCount; ++s) {
            const float expected = c.source[s] * 1000 / 32768.0f * 0.5f;
            for (int i = 0; i < 3; ++i) {
                EXPECT_EQ(block.slot[s][i], expected) << "mask 0x" << std::hex << c.mask << std::dec << ", slot " << s;
            }
        }
    }
}

TEST(InterleavedFrames, write_back_uses_the_position_map_and_silences_positions_6_and_7)
{
    KOVABlock block;
    for (ULONG s = 0; s < kKOVASlotCount; ++s) {
        block.slot[s][0] = (s + 1) * 0.1f;
    }
    // slots L R Ls Rs Ctr LFE Cs hold 0.1 .. 0.7
    const struct {
        ULONG channels;
        std::vector<std::int16_t> expected;
    } cases[] = {
        {2, {3276, 6553}},
        {4, {3276, 6553, 16383, 19660}},
        {6, {3276, 6553, 16383, 19660, 9830, 13106}},
        {7, {3276, 6553, 16383, 19660, 9830, 13106, 0}},
        {8, {3276, 6553, 16383, 19660, 9830, 13106, 0, 0}},
    };
    for (const auto& c : cases) {
        std::vector<std::int16_t> pcm(c.channels, 1);
        WriteBackFrames<Pcm16>(block, c.channels, 1, 1.0f, reinterpret_cast<PUCHAR>(pcm.data()));
        EXPECT_EQ(pcm, c.expected) << c.channels << " channels";
    }
    std::int16_t scaled[2];
    WriteBackFrames<Pcm16>(block, 2, 1, 2.0f, reinterpret_cast<PUCHAR>(scaled));
    EXPECT_EQ(scaled[0], 6553);
}

}  // namespace
