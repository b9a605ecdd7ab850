// The loudness contour of one note, one Q15 value per frame: a linear
// attack, an exponential decay, and a linear release that reaches zero at
// the note's end, so no note starts or stops with a click.
#pragma once

#include <algorithm>
#include <cstdint>

namespace vastum::demo {

struct EnvelopeShape {
    std::uint32_t attackFrames;
    std::int64_t decayPerFrame;  // Q30; 1 << 30 holds the level
    std::uint32_t releaseFrames;
};

inline constexpr std::int64_t kNoDecay = std::int64_t(1) << 30;

class NoteEnvelope {
public:
    NoteEnvelope(const EnvelopeShape& shape, std::uint32_t lengthFrames) : shape_(shape), length_(lengthFrames) {}

    std::int32_t Next()
    {
        const std::int32_t attack = Ramp(frame_, shape_.attackFrames);
        const std::int32_t release = Ramp(length_ - frame_, shape_.releaseFrames);
        const std::int32_t ramp = std::min(attack, release);
        const auto level = static_cast<std::int32_t>(((decay_ >> 15) * ramp) >> 15);
        decay_ = (decay_ * shape_.decayPerFrame) >> 30;
        ++frame_;
        return level;
    }

private:
    // 0 at position 0, full scale from `frames` on.
    static std::int32_t Ramp(std::uint32_t position, std::uint32_t frames)
    {
        return position >= frames ? 32767 : static_cast<std::int32_t>(std::int64_t(position) * 32767 / frames);
    }

    EnvelopeShape shape_;
    std::uint32_t length_;
    std::uint32_t frame_ = 0;
    std::int64_t decay_ = kNoDecay;
};

}  // namespace vastum::demo
