// The Subvia bass stage. It takes the low band of the mono sum below a
// cut-off chosen by the speaker size, removes that band from both channels,
// and returns a mono bass signal B: two resonant band filters over the low
// band, driven by an adaptive gain that follows the programme level, plus
// half of the low band itself, all scaled by the level. The frame adds B
// back to both channels after the 3D stage.
//
// Lifecycle: Reinitialize for a rate class (select tables, clear memory and
// level tracking), set parameters, Process a block.
#pragma once

#include "denormal_register.h"
#include "filter_primitives.h"
#include "process_block.h"
#include "rate_class.h"
#include "shared_word.h"
#include "subvia_tables.h"

namespace vyohd {

// Level tracking and gain computer, advanced once per sample.
struct SubviaDetector {
    float env;         // envelope of the band signal
    float upper;       // T: upper level reference
    float lower;       // Bf: lower level reference
    float reciprocal;  // G: running estimate of 1 / T
    float peak;        // pk: peak of the current window
    float nextPeak;    // pk2: peak since the last new peak
    LONG windowCounter;
    LONG windowLength;
    LONG peakRaised;
    float gain;        // gs: adaptive gain

    // Takes one band sample v and returns the new adaptive gain.
    float Step(float v, float factor, float gainCeiling, float attack, float release);
};

struct SubviaState {
    float lowpass[2];  // first pass, second pass
    float band1[2];
    float band2[2];
    SubviaDetector detector;
    SharedWord<float> gainCeiling;  // gmax = 6 x level + 2
    float compensation;             // detector factor, set by the frame per block
    const SubviaLowpassRow* lowpassRows;  // the eight sizes of the rate class
    const SubviaBandRow* bandRows;
    SharedPointer<OnePoleCoefficients> lowpassPair;
    SharedPointer<BandpassCoefficients> band1Set;
    SharedPointer<BandpassCoefficients> band2Set;
    float attack;
    float release;
    DenormalRegister<6> denormals;
};

struct SubviaStage {
    SharedWord<LONG> enable;
    SharedWord<ULONG> size;   // SubviaSize
    SharedWord<float> level;  // SubviaLevel
    SubviaState* state;       // null in the manager's context

    void LoadDefaults();

    // A size change switches the coefficient references and keeps all
    // filter and level memory.
    NTSTATUS SetEnable(LONG value);
    NTSTATUS SetSize(ULONG value);
    NTSTATUS SetLevel(float value);
    void CopyFrom(const SubviaStage& source);

    void Reinitialize(RateClass rateClass, SubviaState* stateBlockPart);

    // The frame sets the detector compensation (4.0 with the limiter's
    // headroom, 0 without) before every block.
    void SetCompensation(float factor) { state->compensation = factor; }

    // Removes the low band from left and right in place and writes B into
    // bass; work1 and work2 are scratch arrays.
    void Process(float* left, float* right, float* bass, float* work1, float* work2, LONG n);
};

}  // namespace vyohd
