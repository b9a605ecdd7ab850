#include "audio/audio.h"

#include <cstdio>

#include "command_error.h"

namespace vastum {

bool IsSupportedBitDepth(unsigned bitsPerSample)
{
    return bitsPerSample == 8 || bitsPerSample == 16 || bitsPerSample == 24 || bitsPerSample == 32;
}

void RequireSupportedFormat(const AudioFormat& format, const std::string& source)
{
    if (!IsSupportedBitDepth(format.bitsPerSample)) {
        throw CommandError(source + ": unsupported sample format: " + std::to_string(format.bitsPerSample) +
                           "-bit samples (8, 16, 24 or 32-bit integer PCM expected)");
    }
    if (format.channels < 1 || format.channels > kMaxChannels) {
        throw CommandError(source + ": unsupported channel count " + std::to_string(format.channels) +
                           " (1 to " + std::to_string(kMaxChannels) + " expected)");
    }
    if (format.sampleRate == 0) {
        throw CommandError(source + ": sample rate 0 Hz");
    }
}

std::string DescribeFormat(const AudioFormat& format)
{
    std::string text = std::to_string(format.sampleRate) + " Hz, " + std::to_string(format.bitsPerSample) +
                       "-bit, " + std::to_string(format.channels) +
                       (format.channels == 1 ? " channel" : " channels");
    if (format.channelMask) {
        text += ", channel mask " + DescribeChannelMask(*format.channelMask);
    }
    return text;
}

std::string DescribeDuration(const Audio& audio)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.2f s", static_cast<double>(audio.Frames()) / audio.format.sampleRate);
    return text;
}

std::string DescribeChannelMask(std::uint32_t mask)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", static_cast<unsigned>(mask));
    return text;
}

}  // namespace vastum
