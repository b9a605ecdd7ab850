#include "engines/stream_playback.h"

#include <algorithm>

#include "engines/saved_floating_point_state.h"

namespace vastum {

void PlayThroughStream(StreamProcessor& stream, Audio& audio, std::size_t bufferFrames)
{
    const std::size_t frameBytes = audio.format.BytesPerFrame();
    const std::size_t frames = audio.Frames();
    for (std::size_t first = 0; first < frames; first += bufferFrames) {
        const std::size_t count = std::min(bufferFrames, frames - first);
        SavedFloatingPointState floatingPoint;
        stream.ProcessInPlace(std::span<std::uint8_t>(audio.pcm).subspan(first * frameBytes, count * frameBytes));
    }
}

}  // namespace vastum
