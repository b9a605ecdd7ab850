// Headerless PCM: the system's own interleaved little-endian sample bytes,
// with the format given on the command line as RATE,BITS,CHANNELS.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "audio/audio.h"

namespace vastum {

// "48000,16,2": three decimal integers, a supported depth and channel count
// and a nonzero rate. Throws UsageError naming what is wrong. Raw PCM names
// no speaker positions, so the format has no channel mask.
AudioFormat ParseRawFormat(std::string_view text);

// The bytes must be whole frames. Throws CommandError naming `name`.
Audio DecodeRawPcm(std::vector<std::uint8_t> bytes, const AudioFormat& format, const std::string& name);

}  // namespace vastum
