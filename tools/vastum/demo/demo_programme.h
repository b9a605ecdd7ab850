// The built-in demo programme: ten seconds of synthesized stereo music at
// 48 kHz, 16-bit, with something for every effect to act on: a bass line and
// kick drum (bass enhancement), hi-hats (detail), chords panned hard left and
// right (stereo widening), a centred voice-like melody (elevation, centre
// level), and peaks close to full scale (limiter). Rendered with integer
// arithmetic only, it is the same bytes on every machine.
#pragma once

#include "audio/audio.h"

namespace vastum {

Audio DemoProgramme();

}  // namespace vastum
