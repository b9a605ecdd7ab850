// Sound files through libsndfile. Decoding accepts WAVE, AIFF, AU, CAF,
// Wave64 and FLAC files whose samples are 8-, 16-, 24- or 32-bit integer PCM
// with 1 to 8 channels; encoding writes WAVE. Samples cross exactly in both directions, so a file
// that is decoded and encoded again holds the same sample values.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "audio/audio.h"

namespace vastum {

// `name` is how errors refer to the file. Throws CommandError.
Audio DecodeSoundFile(std::span<const std::uint8_t> file, const std::string& name);

// A WAVE file: WAVE_FORMAT_EXTENSIBLE carrying the channel mask when the
// audio has one, plain PCM otherwise. Throws CommandError.
std::vector<std::uint8_t> EncodeWave(const Audio& audio);

}  // namespace vastum
