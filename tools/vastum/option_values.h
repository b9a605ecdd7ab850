// The values of `process` options that are more than a name: each parser
// takes the option's text and throws UsageError naming the option and what
// is wrong with it.
#pragma once

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace vastum {

// The whole text as one unsigned number in `base`: no sign, no spaces.
template <typename Unsigned>
bool ParseWhole(std::string_view text, Unsigned& value, int base)
{
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    return !text.empty() && error == std::errc{} && end == text.data() + text.size();
}

// --mask HEX: hexadecimal, with or without 0x, at most 32 bits.
std::uint32_t ParseChannelMask(std::string_view text);

// --seed N: 0 to 4294967295.
std::uint32_t ParseSeed(std::string_view text);

// --buffer-frames N: 1 to kMaxBufferFrames.
inline constexpr std::size_t kMaxBufferFrames = 1u << 20;
std::size_t ParseBufferFrames(std::string_view text);

}  // namespace vastum
