// Headerless PCM: the system's own interleaved little-endian sample bytes,
// with the format given on the command line as RATE,BITS,CHANNELS.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "audio/audio.h"

namespace vastum {

struct RawFormat {
    std::uint32_t sampleRate = 0;
    std::uint16_t bitsPerSample = 0;
    std::uint16_t channels = 0;

    AudioFormat ToAudioFormat() const { return {sampleRate, bitsPerSample, channels, std::nullopt}; }
};

// "48000,16,2": three decimal integers, a supported depth and channel count
// and a nonzero rate. Throws UsageError naming what is wrong.
RawFormat ParseRawFormat(std::string_view text);

// The bytes must be whole frames. Throws CommandError naming `name`.
Audio DecodeRawPcm(std::vector<std::uint8_t> bytes, const RawFormat& format, const std::string& name);

}  // namespace vastum
