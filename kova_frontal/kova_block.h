// The memory one block is processed in: the seven channel slots of up to
// kKOVABlockFrames frames (input and output are the same arrays, each stage
// overwrites its input) and the five scratch arrays of the DSP.
#pragma once

#include <wdm.h>

#include "channel_layout.h"
#include "kova_params.h"

struct KOVABlock {
    float slot[kKOVASlotCount][kKOVABlockFrames];
};

struct KOVAScratch {
    float D[kKOVABlockFrames];  // difference
    float S[kKOVABlockFrames];  // surround difference
    float P[kKOVABlockFrames];  // centre path
    float M[kKOVABlockFrames];  // mix
    float T[kKOVABlockFrames];  // temporary
};

// The output layout (OutputMode) as bits: which outputs besides L and R exist.
constexpr LONG kSubwooferOutputBit = 1;  // slot LFE
constexpr LONG kCentreOutputBit = 2;     // slot Ctr

inline bool HasSubwooferOutput(LONG outputMode) { return (outputMode & kSubwooferOutputBit) != 0; }
inline bool HasCentreOutput(LONG outputMode) { return (outputMode & kCentreOutputBit) != 0; }
// A signed test: values above 3 have surround outputs (Ls and Rs).
inline bool HasSurroundOutputs(LONG outputMode) { return outputMode > 3; }

inline void CopySamples(float* to, const float* from, LONG n)
{
    for (LONG i = 0; i < n; ++i) {
        to[i] = from[i];
    }
}

inline void ClearSamples(float* x, LONG n)
{
    for (LONG i = 0; i < n; ++i) {
        x[i] = 0.0f;
    }
}
