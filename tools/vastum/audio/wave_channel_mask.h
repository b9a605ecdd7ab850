// The channel mask of a WAVE file's WAVE_FORMAT_EXTENSIBLE header.
//
// libsndfile reads and writes the samples, but it offers the mask only as a
// channel map, which cannot express every mask (fewer or more speaker bits
// than channels, a mask of 0). The mask is therefore read from and written
// into the file's "fmt " chunk directly, bit for bit.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace vastum {

// The dwChannelMask of a RIFF (or RF64) WAVE file whose "fmt " chunk holds a
// WAVEFORMATEXTENSIBLE; empty for any other file.
std::optional<std::uint32_t> ReadWaveChannelMask(std::span<const std::uint8_t> file);

// Stores `mask` into such a file's header; false when the file has no
// extensible "fmt " chunk.
bool WriteWaveChannelMask(std::span<std::uint8_t> file, std::uint32_t mask);

}  // namespace vastum
