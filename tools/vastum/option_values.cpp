#include "option_values.h"

#include <string>

#include "command_error.h"

namespace vastum {

std::uint32_t ParseChannelMask(std::string_view text)
{
    std::string_view digits = text;
    if (digits.starts_with("0x") || digits.starts_with("0X")) {
        digits.remove_prefix(2);
    }
    std::uint32_t mask = 0;
    if (!ParseWhole(digits, mask, 16)) {
        throw UsageError("--mask '" + std::string(text) + "' is not a 32-bit hexadecimal channel mask (e.g. 0x3F)");
    }
    return mask;
}

std::uint32_t ParseSeed(std::string_view text)
{
    std::uint32_t seed = 0;
    if (!ParseWhole(text, seed, 10)) {
        throw UsageError("--seed '" + std::string(text) + "' is not a whole number from 0 to 4294967295");
    }
    return seed;
}

std::size_t ParseBufferFrames(std::string_view text)
{
    std::size_t frames = 0;
    if (!ParseWhole(text, frames, 10) || frames < 1 || frames > kMaxBufferFrames) {
        throw UsageError("--buffer-frames '" + std::string(text) + "' is not a whole number from 1 to " +
                         std::to_string(kMaxBufferFrames));
    }
    return frames;
}

}  // namespace vastum
