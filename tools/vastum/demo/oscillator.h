// Integer oscillators of the demo programme: a sine read from a table by a
// 32-bit phase, and a white-noise source. Samples are Q15 (full scale 32767).
#pragma once

#include <array>
#include <cstdint>

#include "demo/compile_time_math.h"

namespace vastum::demo {

inline constexpr int kSineTableBits = 10;
inline constexpr int kSineTableSize = 1 << kSineTableBits;

// One cycle, plus the first entry again at the end for interpolation.
inline constexpr auto kSineTable = []() consteval {
    std::array<std::int16_t, kSineTableSize + 1> table{};
    for (int i = 0; i <= kSineTableSize; ++i) {
        table[i] = static_cast<std::int16_t>(RoundToInteger(32767.0 * Sin(2.0 * kPi * i / kSineTableSize)));
    }
    table[kSineTableSize] = table[0];
    return table;
}();

// The top bits of the phase pick the table entry, the next 16 interpolate.
inline std::int32_t Sine(std::uint32_t phase)
{
    const std::uint32_t index = phase >> (32 - kSineTableBits);
    const std::int32_t fraction = static_cast<std::int32_t>((phase >> (16 - kSineTableBits)) & 0xFFFFu);
    const std::int32_t a = kSineTable[index];
    const std::int32_t b = kSineTable[index + 1];
    return a + static_cast<std::int32_t>((static_cast<std::int64_t>(b - a) * fraction) >> 16);
}

// Marsaglia's xorshift32: the same sequence everywhere.
class WhiteNoise {
public:
    std::int32_t Next()
    {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return static_cast<std::int32_t>(state_ >> 16) - 32768;
    }

private:
    std::uint32_t state_ = 0x12345678u;
};

}  // namespace vastum::demo
