// Plays audio through one engine stream the way a player feeds the filter
// driver: buffer after buffer, each processed in place.
#pragma once

#include <cstddef>

#include "audio/audio.h"
#include "engines/engine.h"

namespace vastum {

inline constexpr std::size_t kDefaultBufferFrames = 480;  // 10 ms at 48 kHz

// Hands the processor `bufferFrames` frames per call (the last buffer may be
// shorter), with the floating-point state saved around each call as the
// filter driver saves it around each write request. Throws CommandError when
// the state cannot be saved; the audio is then partly processed.
void PlayThroughStream(StreamProcessor& stream, Audio& audio, std::size_t bufferFrames);

}  // namespace vastum
