// The demo programme's mixing bus: two channels of 32-bit Q15 sums, into
// which every note adds its samples, panned.
#pragma once

#include <cstdint>
#include <vector>

namespace vastum::demo {

// Q15 gains of a voice into the left and right channel.
struct Pan {
    std::int32_t left;
    std::int32_t right;
};

class StereoMix {
public:
    explicit StereoMix(std::uint32_t frames) : left_(frames), right_(frames) {}

    std::uint32_t Frames() const { return static_cast<std::uint32_t>(left_.size()); }

    // A sample past the end of the programme is dropped.
    void Add(std::uint32_t frame, std::int32_t sample, Pan pan)
    {
        if (frame < left_.size()) {
            left_[frame] += static_cast<std::int32_t>((static_cast<std::int64_t>(sample) * pan.left) >> 15);
            right_[frame] += static_cast<std::int32_t>((static_cast<std::int64_t>(sample) * pan.right) >> 15);
        }
    }

    // Interleaved 16-bit little-endian frames, each sum limited to the
    // 16-bit range.
    std::vector<std::uint8_t> ToPcm16() const;

private:
    std::vector<std::int32_t> left_;
    std::vector<std::int32_t> right_;
};

}  // namespace vastum::demo
