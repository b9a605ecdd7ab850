// KOVADither: the tiny offsets that keep the engine's recursive filters out
// of the denormal range even when the input is digital silence.
//
// One 12-bit generator word s, shared by every stream of every manager and
// never reset, starts at 1. One advance is
//     s = (s >> 1) | ((s0 ^ s6 ^ s8 ^ s11) << 11)        (sN: bit N of s),
// a maximal-length shift register that visits all 4095 nonzero words. A draw
// advances twice and returns kKOVADitherTable[s & 3].
//
// Real-time code: a block reserves all of its draws with one compare-exchange
// on the shared word, so streams on different threads never tear it and
// never take a lock; when two blocks race, one of them simply reserves again
// from the other's result, which only changes which offsets each draws.
#pragma once

#include <wdm.h>

inline constexpr float kKOVADitherTable[4] = {0.0f, 1.0e-10f, 0.0f, -1.0e-10f};

constexpr LONG kKOVADitherPeriod = 4095;

constexpr LONG AdvanceKOVADither(LONG s)
{
    const LONG feedback = (s ^ (s >> 6) ^ (s >> 8) ^ (s >> 11)) & 1;
    return (s >> 1) | (feedback << 11);
}

// A reserved run of draws: Draw() returns the next offset of the run.
class KOVADitherRun {
public:
    // Reserves `draws` draws from the shared generator.
    explicit KOVADitherRun(ULONG draws);

    float Draw()
    {
        m_Position += 2;
        return m_Offsets[m_Position];
    }

private:
    LONG m_Position;        // sequence position of the last advance
    const float* m_Offsets; // offset of every sequence position
};

// Test access: the shared word as it is now.
LONG KOVADitherWord();
