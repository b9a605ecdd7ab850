#include "audio/pcm_sample.h"

namespace vastum {

// Shifts work on the unsigned pattern, so a negative sample never meets a
// signed shift; the final cast reads the pattern back as two's complement.
std::int32_t ReadPcmSample(const std::uint8_t* sample, unsigned bitsPerSample)
{
    std::uint32_t pattern = 0;
    switch (bitsPerSample) {
    case 8:
        // Unsigned with 128 as zero: flipping the top bit gives the signed byte.
        pattern = std::uint32_t(sample[0] ^ 0x80u) << 24;
        break;
    case 16:
        pattern = std::uint32_t(sample[0]) << 16 | std::uint32_t(sample[1]) << 24;
        break;
    case 24:
        pattern = std::uint32_t(sample[0]) << 8 | std::uint32_t(sample[1]) << 16 | std::uint32_t(sample[2]) << 24;
        break;
    case 32:
        pattern = std::uint32_t(sample[0]) | std::uint32_t(sample[1]) << 8 | std::uint32_t(sample[2]) << 16 |
                  std::uint32_t(sample[3]) << 24;
        break;
    }
    return static_cast<std::int32_t>(pattern);
}

void WritePcmSample(std::uint8_t* sample, unsigned bitsPerSample, std::int32_t value)
{
    const auto pattern = static_cast<std::uint32_t>(value);
    switch (bitsPerSample) {
    case 8:
        sample[0] = static_cast<std::uint8_t>((pattern >> 24) ^ 0x80u);
        break;
    case 16:
        sample[0] = static_cast<std::uint8_t>(pattern >> 16);
        sample[1] = static_cast<std::uint8_t>(pattern >> 24);
        break;
    case 24:
        sample[0] = static_cast<std::uint8_t>(pattern >> 8);
        sample[1] = static_cast<std::uint8_t>(pattern >> 16);
        sample[2] = static_cast<std::uint8_t>(pattern >> 24);
        break;
    case 32:
        sample[0] = static_cast<std::uint8_t>(pattern);
        sample[1] = static_cast<std::uint8_t>(pattern >> 8);
        sample[2] = static_cast<std::uint8_t>(pattern >> 16);
        sample[3] = static_cast<std::uint8_t>(pattern >> 24);
        break;
    }
}

}  // namespace vastum
