// The demo programme's instruments. Each adds one note or hit to the mix.
#pragma once

#include <cstdint>
#include <span>

#include "demo/note_envelope.h"
#include "demo/oscillator.h"
#include "demo/stereo_mix.h"

namespace vastum::demo {

// A pitched voice built from the harmonics of its note.
struct ToneVoice {
    EnvelopeShape envelope;
    Pan pan;
    std::int32_t vibratoDepth;  // Q15 share of the pitch; 0 for a steady pitch
};

struct ToneNote {
    std::uint32_t start;
    std::uint32_t length;
    std::uint32_t phaseIncrement;                // of the fundamental
    std::span<const std::int32_t> harmonics;     // Q15 amplitudes of harmonics 1, 2, ...; they sum to at most 1.0
};

void AddTone(StereoMix& mix, const ToneVoice& voice, const ToneNote& note);

// A kick drum: a sine falling from 160 Hz to 45 Hz, centred.
void AddKick(StereoMix& mix, std::uint32_t start, Pan pan);

// A hi-hat: high-passed noise, short when closed, longer when open.
void AddHiHat(StereoMix& mix, WhiteNoise& noise, std::uint32_t start, bool open, Pan pan);

}  // namespace vastum::demo
