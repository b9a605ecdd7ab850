#include "demo/stereo_mix.h"

#include <algorithm>

namespace vastum::demo {

std::vector<std::uint8_t> StereoMix::ToPcm16() const
{
    std::vector<std::uint8_t> pcm;
    pcm.reserve(left_.size() * 4);
    auto append = [&pcm](std::int32_t sum) {
        const auto sample = static_cast<std::uint16_t>(std::clamp<std::int32_t>(sum, -32768, 32767));
        pcm.push_back(static_cast<std::uint8_t>(sample));
        pcm.push_back(static_cast<std::uint8_t>(sample >> 8));
    };
    for (std::size_t frame = 0; frame < left_.size(); ++frame) {
        append(left_[frame]);
        append(right_[frame]);
    }
    return pcm;
}

}  // namespace vastum::demo
