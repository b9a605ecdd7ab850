// Audio as the system itself holds it: interleaved PCM frames in the sample
// formats the engines process in place (8-bit unsigned with 128 as zero;
// 16-, 24- (packed in three bytes) and 32-bit signed little-endian), and the
// format that describes them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vastum {

struct AudioFormat {
    std::uint32_t sampleRate = 0;
    std::uint16_t bitsPerSample = 0;
    std::uint16_t channels = 0;
    // The speaker positions of a WAVE_FORMAT_EXTENSIBLE header (or --mask);
    // empty when the source names none.
    std::optional<std::uint32_t> channelMask;

    std::size_t BytesPerSample() const { return bitsPerSample / 8u; }
    std::size_t BytesPerFrame() const { return BytesPerSample() * channels; }

    bool operator==(const AudioFormat&) const = default;
};

struct Audio {
    AudioFormat format;
    std::vector<std::uint8_t> pcm;

    std::size_t Frames() const { return pcm.size() / format.BytesPerFrame(); }
};

// The formats the system processes: 8, 16, 24 or 32 bits per sample, 1 to 8
// channels, any nonzero rate.
inline constexpr std::uint16_t kMaxChannels = 8;
bool IsSupportedBitDepth(unsigned bitsPerSample);

// Throws CommandError naming `source` and what is wrong when the system
// cannot hold audio of this format.
void RequireSupportedFormat(const AudioFormat& format, const std::string& source);

// "48000 Hz, 16-bit, 2 channels"
std::string DescribeFormat(const AudioFormat& format);

// "10.00 s"
std::string DescribeDuration(const Audio& audio);

// "0x3F"
std::string DescribeChannelMask(std::uint32_t mask);

}  // namespace vastum
