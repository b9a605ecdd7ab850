// One PCM sample in the system's byte layout, seen as a left-justified 32-bit
// integer: the sample's value scaled to the full 32-bit range, its unused low
// bits zero. This is how libsndfile's integer interface exchanges samples of
// every integer depth, so a sample crosses to and from it without rounding.
#pragma once

#include <cstdint>

namespace vastum {

// bitsPerSample is 8, 16, 24 or 32.
std::int32_t ReadPcmSample(const std::uint8_t* sample, unsigned bitsPerSample);

// Keeps the top bitsPerSample bits of `value`; the lower bits are dropped,
// which loses nothing for a value that ReadPcmSample produced.
void WritePcmSample(std::uint8_t* sample, unsigned bitsPerSample, std::int32_t value);

}  // namespace vastum
