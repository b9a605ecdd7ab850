#include "audio/wave_channel_mask.h"

#include <gtest/gtest.h>

#include <vector>

#include "audio_fixtures.h"

namespace {

using vastum::ReadWaveChannelMask;
using vastum::WriteWaveChannelMask;

std::vector<std::uint8_t> Extensible(std::uint32_t mask, const std::vector<std::uint8_t>& extraChunk = {})
{
    return HandMadeWave(TestAudio(48000, 16, 2, 4, mask), extraChunk);
}

void PutLittleEndian32(std::vector<std::uint8_t>& file, std::size_t offset, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i) {
        file[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

TEST(WaveChannelMask, is_found_behind_other_chunks_of_odd_size)
{
    std::vector<std::uint8_t> file = Extensible(0x60F, {'I', 'N', 'F', 'O', 'x'});  // 5 bytes + pad
    EXPECT_EQ(ReadWaveChannelMask(file), std::optional<std::uint32_t>(0x60F));
    ASSERT_TRUE(WriteWaveChannelMask(file, 0x33));
    EXPECT_EQ(ReadWaveChannelMask(file), std::optional<std::uint32_t>(0x33));
}

// Headers are walked by their declared sizes; none of these may be read
// past the end of the bytes (the address sanitizer build checks that), and
// none of them has a mask to report or to overwrite.
TEST(WaveChannelMask, malformed_or_plain_headers_have_no_mask)
{
    const std::vector<std::uint8_t> good = Extensible(0x3);
    constexpr std::size_t kFmtSize = 16;  // offset of the fmt chunk's size field
    constexpr std::size_t kCbSize = 20 + 16;

    struct HeaderCase {
        const char* what;
        std::vector<std::uint8_t> file;
    };
    std::vector<HeaderCase> cases = {
        {"plain PCM", HandMadeWave(TestAudio(48000, 16, 2, 4))},
        {"empty", {}},
        {"RIFF header only", {good.begin(), good.begin() + 12}},
        {"cut inside the fmt chunk", {good.begin(), good.begin() + 40}},
        {"not WAVE", good},
        {"fmt chunk declared too short", good},
        {"cbSize too small for the extension", good},
        {"first chunk claims 4 GiB", good},
    };
    cases[4].file[8] = 'A';
    PutLittleEndian32(cases[5].file, kFmtSize, 18);
    cases[6].file[kCbSize] = 21;
    PutLittleEndian32(cases[7].file, kFmtSize, 0xFFFFFFFFu);
    cases[7].file[12] = 'J';  // "Jmt " is skipped by its size

    for (HeaderCase& c : cases) {
        SCOPED_TRACE(c.what);
        const std::vector<std::uint8_t> before = c.file;
        EXPECT_EQ(ReadWaveChannelMask(c.file), std::nullopt);
        EXPECT_FALSE(WriteWaveChannelMask(c.file, 0x3F));
        EXPECT_EQ(c.file, before);
    }
}

}  // namespace
