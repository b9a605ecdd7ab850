#include "audio/sound_file.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <string>
#include <vector>

#include "audio/memory_sound_io.h"
#include "audio_fixtures.h"
#include "command_error.h"

namespace {

using vastum::Audio;
using vastum::CommandError;
using vastum::DecodeSoundFile;
using vastum::EncodeWave;

struct FormatCase {
    std::uint16_t bits;
    std::uint16_t channels;
    std::uint32_t rate;
};

constexpr FormatCase kFormats[] = {
    {8, 1, 8000},   {8, 2, 22050},  {8, 8, 44100},  {16, 1, 44100}, {16, 2, 48000},
    {16, 8, 96000}, {24, 1, 48000}, {24, 6, 88200}, {32, 2, 192000}, {32, 8, 11025},
};

std::string Describe(const FormatCase& c)
{
    return std::to_string(c.bits) + "-bit, " + std::to_string(c.channels) + " channels, " + std::to_string(c.rate) +
           " Hz";
}

// A WAVE file's data chunk is the system's PCM layout, so a file made by
// hand decodes to exactly its data bytes, and an encoded file's data chunk
// is exactly the audio's bytes.
TEST(SoundFile, wave_samples_cross_exactly_at_every_depth)
{
    for (const FormatCase& c : kFormats) {
        SCOPED_TRACE(Describe(c));
        const Audio original = TestAudio(c.rate, c.bits, c.channels, 301);

        const Audio decoded = DecodeSoundFile(HandMadeWave(original), "hand-made.wav");
        EXPECT_EQ(decoded.format, original.format);
        EXPECT_EQ(decoded.pcm, original.pcm);

        const std::vector<std::uint8_t> encoded = EncodeWave(original);
        EXPECT_EQ(WaveDataChunk(encoded), original.pcm);
        const Audio again = DecodeSoundFile(encoded, "encoded.wav");
        EXPECT_EQ(again.format, original.format);
        EXPECT_EQ(again.pcm, original.pcm);
    }
}

// The mask is carried bit for bit, also where libsndfile's channel map could
// not express it: fewer speaker bits than channels, a mask of 0, or bits
// beyond the channel count.
TEST(SoundFile, extensible_channel_mask_is_read_and_written_back)
{
    struct MaskCase {
        std::uint16_t channels;
        std::uint32_t mask;
    };
    const MaskCase cases[] = {{6, 0x3F}, {8, 0x63F}, {4, 0x33}, {6, 0x3}, {2, 0x0}, {1, 0x4}, {2, 0x80000003}};
    for (const MaskCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.channels) + " channels, mask " + std::to_string(c.mask));
        const Audio original = TestAudio(48000, 24, c.channels, 64, c.mask);

        const Audio decoded = DecodeSoundFile(HandMadeWave(original), "hand-made.wav");
        ASSERT_TRUE(decoded.format.channelMask.has_value());
        EXPECT_EQ(*decoded.format.channelMask, c.mask);
        EXPECT_EQ(decoded.pcm, original.pcm);

        const Audio again = DecodeSoundFile(EncodeWave(decoded), "encoded.wav");
        EXPECT_EQ(again.format, original.format);
        EXPECT_EQ(again.pcm, original.pcm);
    }
}

// An outside reader agrees: libsndfile itself sees an extensible file whose
// speakers are those of the mask.
TEST(SoundFile, encoded_mask_reads_back_as_speaker_positions_in_libsndfile)
{
    const std::vector<std::uint8_t> encoded = EncodeWave(TestAudio(48000, 16, 6, 16, 0x3F));
    vastum::MemorySoundIo io(encoded);
    SF_INFO info{};
    SNDFILE* file = io.Open(SFM_READ, &info);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(info.format & SF_FORMAT_TYPEMASK, SF_FORMAT_WAVEX);
    int map[6] = {};
    ASSERT_EQ(sf_command(file, SFC_GET_CHANNEL_MAP_INFO, map, sizeof map), SF_TRUE);
    const int expected[6] = {SF_CHANNEL_MAP_LEFT,     SF_CHANNEL_MAP_RIGHT,     SF_CHANNEL_MAP_CENTER,
                             SF_CHANNEL_MAP_LFE,      SF_CHANNEL_MAP_REAR_LEFT, SF_CHANNEL_MAP_REAR_RIGHT};
    EXPECT_TRUE(std::equal(map, map + 6, expected));
    sf_close(file);
}

TEST(SoundFile, plain_input_stays_plain_pcm_without_a_mask)
{
    const Audio original = TestAudio(44100, 16, 6, 16);
    const std::vector<std::uint8_t> encoded = EncodeWave(original);
    EXPECT_FALSE(DecodeSoundFile(encoded, "x").format.channelMask.has_value());
    EXPECT_EQ(encoded[20] | encoded[21] << 8, 1) << "wFormatTag of the fmt chunk";
}

TEST(SoundFile, signed_8_bit_files_become_unsigned_system_samples)
{
    // An AIFF file stores 8-bit samples signed; the system's are unsigned with 128 as zero.
    std::vector<std::uint8_t> aiff;
    vastum::MemorySoundIo io(aiff);
    SF_INFO info{};
    info.samplerate = 8000;
    info.channels = 1;
    info.format = SF_FORMAT_AIFF | SF_FORMAT_PCM_S8;
    SNDFILE* file = io.Open(SFM_WRITE, &info);
    ASSERT_NE(file, nullptr);
    const int samples[4] = {INT32_MIN, -(1 << 24), 0, 127 << 24};
    sf_write_int(file, samples, 4);
    sf_close(file);

    const Audio decoded = DecodeSoundFile(aiff, "x.aiff");
    EXPECT_EQ(decoded.pcm, (std::vector<std::uint8_t>{0x00, 0x7F, 0x80, 0xFF}));
}

TEST(SoundFile, refuses_what_the_system_cannot_process_with_a_message_naming_it)
{
    struct RefusedCase {
        const char* what;
        std::vector<std::uint8_t> file;
        const char* message;
    };
    const RefusedCase cases[] = {
        {"float samples", LibsndfileWave(SF_FORMAT_WAV | SF_FORMAT_FLOAT, 2),
         "in.wav: unsupported sample format: 32 bit float"},
        {"12 channels", LibsndfileWave(SF_FORMAT_WAV | SF_FORMAT_PCM_16, 12), "in.wav: unsupported channel count 12"},
        {"mu-law", LibsndfileWave(SF_FORMAT_WAV | SF_FORMAT_ULAW, 1), "in.wav: unsupported sample format"},
        {"text", {'h', 'e', 'l', 'l', 'o'}, "in.wav: not a readable sound file"},
        {"damaged RIFF", {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'}, "in.wav: not a readable sound file"},
        {"nothing", {}, "in.wav: not a readable sound file"},
    };
    for (const RefusedCase& c : cases) {
        SCOPED_TRACE(c.what);
        try {
            DecodeSoundFile(c.file, "in.wav");
            ADD_FAILURE() << "decoded without complaint";
        } catch (const CommandError& error) {
            EXPECT_NE(std::string(error.what()).find(c.message), std::string::npos) << error.what();
        }
    }
}

}  // namespace
