// The Elevo elevation stage, one instance per channel: a first-order
// high-pass (corner 723 Hz, +6 dB at half the rate) of the channel's post-3D
// copy, scaled by the level. The frame adds it to the channel, which gives a
// high shelf rising toward 1 + 1.99526 x level.
//
// Lifecycle: Reinitialize for a rate class, set the level, Process a block.
#pragma once

#include "denormal_register.h"
#include "filter_primitives.h"
#include "rate_class.h"
#include "shared_word.h"

namespace vyohd {

struct ElevoState {
    float s;
    const FirstOrderCoefficients* set;
    DenormalRegister<1> denormals;
};

struct ElevoStage {
    SharedWord<LONG> enable;
    SharedWord<float> level;  // ELEVOLevel
    ElevoState* state;        // null in the manager's context

    void LoadDefaults();
    NTSTATUS SetEnable(LONG value);
    NTSTATUS SetLevel(float value);
    void CopyFrom(const ElevoStage& source);

    void Reinitialize(RateClass rateClass, ElevoState* stateBlockPart);

    // Replaces x with the stage's output.
    void Process(float* x, LONG n);
};

}  // namespace vyohd
