// The 3D stereo stage. In its main (stereo) path it splits the signal into
// sum and difference, shapes the difference with a perspective filter and a
// phase section, and recombines them with the width and centre weights.
// QELMode and QELSize choose one of four paths:
//
//   QELMode   QELSize 0        QELSize 1
//   0         phase network    phase network
//   1         mono output      stereo
//   2         stereo           stereo
//   3         matrix           stereo
//
// Lifecycle: Reinitialize for a rate class (select tables, clear memory),
// set parameters, Process a block.
#pragma once

#include "denormal_register.h"
#include "filter_primitives.h"
#include "process_block.h"
#include "rate_class.h"
#include "shared_word.h"

namespace vyohd {

// Running state and coefficient references of one stream's 3D stage.
struct Qel3DState {
    float perspective[2];  // perspective biquad
    float sideShaping;
    float modeOneSum;
    // W1..W6, used by whichever path runs: phase-section states in modes 0
    // and 3, the state pairs of the three band filters in mode 1. A mode
    // change does not clear them.
    float w[6];
    const BiquadCoefficients* perspectiveSet1;
    const BiquadCoefficients* perspectiveSet0;
    SharedPointer<BiquadCoefficients> selectedPerspective;
    const PhaseCoefficients* sideShapingPair;
    const PhaseCoefficients* modeOneSumPair;
    const BiquadCoefficients* modeOneBands;  // three sets
    SharedWord<float> k;                     // width gain of the matrix path
    DenormalRegister<10> denormals;
};

// The stage's parameters inside a VYOHDContext.
struct Qel3DStage {
    SharedWord<LONG> enable;
    SharedWord<float> width;        // QELWidth
    SharedWord<float> centerLevel;  // CenterLevel
    SharedWord<ULONG> mode;         // QELMode
    SharedWord<ULONG> sizeFlag;     // QELSize
    Qel3DState* state;              // null in the manager's context

    void LoadDefaults();

    // Each returns STATUS_INVALID_PARAMETER, and changes nothing, for a value
    // outside its range. With a state linked, width and size flag also update
    // the coefficients that follow them.
    NTSTATUS SetEnable(LONG value);
    NTSTATUS SetWidth(float value);
    NTSTATUS SetCenterLevel(float value);
    NTSTATUS SetMode(ULONG value);
    NTSTATUS SetSizeFlag(ULONG value);
    void CopyFrom(const Qel3DStage& source);

    void Reinitialize(RateClass rateClass, Qel3DState* stateBlockPart);

    // Processes left and right in place; work holds five scratch arrays.
    void Process(float* left, float* right, BlockArray* work, LONG n);

private:
    void StereoPath(float* left, float* right, BlockArray* work, LONG n);
    void PhaseNetworkPath(float* left, float* right, BlockArray* work, LONG n);
    void MonoOutputPath(float* left, float* right, BlockArray* work, LONG n);
    void MatrixPath(float* left, float* right, LONG n);
};

// k = 1 - 0.63 w + 0.158 w^2: 1 at w = 0, 0.528 at w = 1.
float Qel3DWidthGain(float width);

}  // namespace vyohd
