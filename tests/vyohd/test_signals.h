// Test signals and block runners shared by the VYO HD tests.
#pragma once

#include <cmath>
#include <cstdint>
#include <functional>
#include <vector>

#include "process_block.h"

namespace vyohd_test {

using namespace vyohd;

inline std::vector<float> Sine(double hz, double rateHz, int count, float amplitude)
{
    std::vector<float> x(count);
    for (int i = 0; i < count; ++i) {
        x[i] = amplitude * static_cast<float>(std::sin(2.0 * M_PI * hz * i / rateHz));
    }
    return x;
}

// +a, -a, +a, ...: a tone at half the sample rate.
inline std::vector<float> Alternating(int count, float amplitude)
{
    std::vector<float> x(count);
    for (int i = 0; i < count; ++i) {
        x[i] = (i % 2 == 0) ? amplitude : -amplitude;
    }
    return x;
}

inline std::vector<float> Noise(int count, std::uint32_t seed, float amplitude)
{
    std::vector<float> x(count);
    for (float& v : x) {
        seed = seed * 1664525u + 1013904223u;
        v = amplitude * (static_cast<float>(seed >> 8) / 8388608.0f - 1.0f);
    }
    return x;
}

// Runs process(x + offset, n) over x in blocks of at most 16 samples.
inline void InBlocks(std::vector<float>& x, const std::function<void(float*, LONG)>& process)
{
    for (std::size_t offset = 0; offset < x.size(); offset += kProcessBlockFrames) {
        const LONG n = static_cast<LONG>(std::min<std::size_t>(kProcessBlockFrames, x.size() - offset));
        process(x.data() + offset, n);
    }
}

// Same for two channels processed together.
inline void InBlocks(std::vector<float>& left, std::vector<float>& right,
                     const std::function<void(float*, float*, LONG)>& process)
{
    for (std::size_t offset = 0; offset < left.size(); offset += kProcessBlockFrames) {
        const LONG n = static_cast<LONG>(std::min<std::size_t>(kProcessBlockFrames, left.size() - offset));
        process(left.data() + offset, right.data() + offset, n);
    }
}

}  // namespace vyohd_test
