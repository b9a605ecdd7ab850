#include "audio/raw_pcm.h"

#include <gtest/gtest.h>

#include <string>

#include "command_error.h"

namespace {

using vastum::ParseRawFormat;
using vastum::AudioFormat;
using vastum::UsageError;

TEST(RawPcm, format_is_rate_bits_channels)
{
    struct ValidCase {
        const char* text;
        AudioFormat expected;
    };
    const ValidCase cases[] = {
        {"48000,16,2", {48000, 16, 2, {}}},
        {"8000,8,1", {8000, 8, 1, {}}},
        {"96000,24,8", {96000, 24, 8, {}}},
        {"1,32,6", {1, 32, 6, {}}},
        {"2147483647,16,2", {2147483647u, 16, 2, {}}},
    };
    for (const ValidCase& c : cases) {
        const AudioFormat format = ParseRawFormat(c.text);
        EXPECT_EQ(format.sampleRate, c.expected.sampleRate) << c.text;
        EXPECT_EQ(format.bitsPerSample, c.expected.bitsPerSample) << c.text;
        EXPECT_EQ(format.channels, c.expected.channels) << c.text;
        EXPECT_FALSE(format.channelMask) << c.text << ": raw PCM names no speaker positions";
    }
}

TEST(RawPcm, malformed_format_is_refused_naming_the_problem)
{
    struct MalformedCase {
        const char* text;
        const char* message;
    };
    const MalformedCase cases[] = {
        {"", "expected RATE,BITS,CHANNELS"},
        {"48000", "expected RATE,BITS,CHANNELS"},
        {"48000,16", "expected RATE,BITS,CHANNELS"},
        {"48000,16,2,0", "expected RATE,BITS,CHANNELS"},
        {"48000,,2", "bits '' is not a whole number"},
        {"48k,16,2", "rate '48k' is not a whole number"},
        {"48000, 16,2", "bits ' 16' is not a whole number"},
        {"-48000,16,2", "rate '-48000' is not a whole number"},
        {"48000,16,+2", "channels '+2' is not a whole number"},
        {"99999999999,16,2", "rate '99999999999' is not a whole number"},
        {"0,16,2", "rate must be 1 to"},
        {"2147483648,16,2", "rate must be 1 to"},
        {"48000,12,2", "bits must be 8, 16, 24 or 32"},
        {"48000,0,2", "bits must be 8, 16, 24 or 32"},
        {"48000,16,0", "channels must be 1 to 8"},
        {"48000,16,9", "channels must be 1 to 8"},
    };
    for (const MalformedCase& c : cases) {
        try {
            ParseRawFormat(c.text);
            ADD_FAILURE() << "'" << c.text << "' was accepted";
        } catch (const UsageError& error) {
            const std::string message = error.what();
            EXPECT_TRUE(message.starts_with("malformed --raw '" + std::string(c.text) + "'")) << message;
            EXPECT_NE(message.find(c.message), std::string::npos) << message;
        }
    }
}

TEST(RawPcm, input_must_be_whole_frames)
{
    const AudioFormat stereo24 = {48000, 24, 2, {}};
    EXPECT_EQ(vastum::DecodeRawPcm(std::vector<std::uint8_t>(12), stereo24, "in").Frames(), 2u);
    EXPECT_EQ(vastum::DecodeRawPcm({}, stereo24, "in").Frames(), 0u);
    try {
        vastum::DecodeRawPcm(std::vector<std::uint8_t>(13), stereo24, "'in.raw'");
        ADD_FAILURE() << "a partial frame was accepted";
    } catch (const vastum::CommandError& error) {
        EXPECT_EQ(std::string(error.what()),
                  "'in.raw': 13 bytes are not whole frames of 6 bytes (48000 Hz, 24-bit, 2 channels)");
    }
}

}  // namespace
