// The output limiter: one gain shared by both channels, which drops within
// the sample on a peak above 0.25 (in proportion to the overshoot) and
// recovers by 1 dB per second. The frame scales the signal by 0.25 before
// the whole chain and by 4.0 after the limiter, so its 0.25 threshold is full
// scale at the output. The gain never drops below 1 - 0.75 x level.
//
// Lifecycle: Reinitialize for a rate class (gain back to 1), set
// parameters, Process a block. While disabled the gain keeps its value.
#pragma once

#include "rate_class.h"
#include "shared_word.h"

namespace vyohd {

struct LimiterState {
    float gain;
    float release;  // r of the rate class
};

struct LimiterStage {
    SharedWord<LONG> enable;  // LimiterEnable
    SharedWord<float> level;  // LimiterLevel
    LimiterState* state;      // null in the manager's context

    void LoadDefaults();
    NTSTATUS SetEnable(LONG value);
    NTSTATUS SetLevel(float value);
    void CopyFrom(const LimiterStage& source);

    void Reinitialize(RateClass rateClass, LimiterState* stateBlockPart);

    void Process(float* left, float* right, LONG n);
};

}  // namespace vyohd
