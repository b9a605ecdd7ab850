// The Nitida detail stage, one instance per channel: a second-order
// high-pass of the channel's post-3D copy, scaled by the level. The frame
// adds it to the channel.
//
// The record stores a quarter of NitidaLevel (0..1); the manager's NitidaLevel
// (0..4) is four times the stored level.
//
// Lifecycle: Reinitialize for a rate class, set the level, Process a block.
#pragma once

#include "denormal_register.h"
#include "filter_primitives.h"
#include "rate_class.h"
#include "shared_word.h"

namespace vyohd {

struct NitidaState {
    float s[2];
    const BiquadCoefficients* set;
    DenormalRegister<2> denormals;
};

struct NitidaStage {
    SharedWord<LONG> enable;
    SharedWord<float> storedLevel;  // NitidaLevel / 4
    NitidaState* state;             // null in the manager's context

    void LoadDefaults();
    NTSTATUS SetEnable(LONG value);
    NTSTATUS SetStoredLevel(float value);
    void CopyFrom(const NitidaStage& source);

    void Reinitialize(RateClass rateClass, NitidaState* stateBlockPart);

    // Replaces x with the stage's output.
    void Process(float* x, LONG n);
};

}  // namespace vyohd
