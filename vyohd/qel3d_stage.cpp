#include "qel3d_stage.h"

#include "filter_runs.h"
#include "qel3d_tables.h"
#include "vyohd_parameters.h"

namespace vyohd {

void Qel3DStage::LoadDefaults()
{
    enable.Store(1);
    width.Store(kVYOHDDefaultQELWidth);
    centerLevel.Store(kVYOHDDefaultCenterLevel);
    mode.Store(kVYOHDDefaultQELMode);
    sizeFlag.Store(kVYOHDDefaultQELSize);
}

NTSTATUS Qel3DStage::SetEnable(LONG value)
{
    if (value != 0 && value != 1) {
        return STATUS_INVALID_PARAMETER;
    }
    enable.Store(value);
    return STATUS_SUCCESS;
}

float Qel3DWidthGain(float w)
{
    const float squared = w * w;
    const float linear = 0.63f * w;
    const float quadratic = 0.158f * squared;
    return 1.0f - linear + quadratic;
}

NTSTATUS Qel3DStage::SetWidth(float value)
{
    if (!IsWithinZeroTo(value, kVYOHDLevelMaximum)) {
        return STATUS_INVALID_PARAMETER;
    }
    width.Store(value);
    if (state != NULL) {
        state->k.Store(Qel3DWidthGain(value));
    }
    return STATUS_SUCCESS;
}

NTSTATUS Qel3DStage::SetCenterLevel(float value)
{
    if (!IsWithinZeroTo(value, kVYOHDLevelMaximum)) {
        return STATUS_INVALID_PARAMETER;
    }
    centerLevel.Store(value);
    return STATUS_SUCCESS;
}

NTSTATUS Qel3DStage::SetMode(ULONG value)
{
    if (value > kVYOHDQELModeMaximum) {
        return STATUS_INVALID_PARAMETER;
    }
    mode.Store(value);
    return STATUS_SUCCESS;
}

NTSTATUS Qel3DStage::SetSizeFlag(ULONG value)
{
    sizeFlag.Store(value);
    if (state != NULL) {
        state->selectedPerspective.Store(value == 0 ? state->perspectiveSet0 : state->perspectiveSet1);
    }
    return STATUS_SUCCESS;
}

void Qel3DStage::CopyFrom(const Qel3DStage& source)
{
    SetEnable(source.enable.Load());
    SetWidth(source.width.Load());
    SetCenterLevel(source.centerLevel.Load());
    SetMode(source.mode.Load());
    SetSizeFlag(source.sizeFlag.Load());
}

void Qel3DStage::Reinitialize(RateClass rateClass, Qel3DState* stateBlockPart)
{
    Qel3DState& s = *stateBlockPart;
    s.perspectiveSet1 = &kPerspectiveSet1[rateClass].set;
    s.perspectiveSet0 = &kPerspectiveSet0[rateClass].set;
    s.selectedPerspective.Store(sizeFlag.Load() == 0 ? s.perspectiveSet0 : s.perspectiveSet1);
    s.sideShapingPair = &kSideShapingAndSum[rateClass].side;
    s.modeOneSumPair = &kModeOneSets.sum[rateClass];
    s.modeOneBands = kModeOneSets.band[rateClass];
    s.k.Store(Qel3DWidthGain(width.Load()));

    s.perspective[0] = 0.0f;
    s.perspective[1] = 0.0f;
    s.sideShaping = 0.0f;
    s.modeOneSum = 0.0f;
    for (float& word : s.w) {
        word = 0.0f;
    }
    s.denormals.Reset();
    s.denormals.Append(&s.perspective[0]);
    s.denormals.Append(&s.perspective[1]);
    s.denormals.Append(&s.sideShaping);
    s.denormals.Append(&s.modeOneSum);
    for (float& word : s.w) {
        s.denormals.Append(&word);
    }
    state = stateBlockPart;
}

// The path is chosen once per block; each filter then runs over the block.
void Qel3DStage::Process(float* left, float* right, BlockArray* work, LONG n)
{
    const ULONG m = mode.Load();
    const ULONG size = sizeFlag.Load();
    if (m == 2 || (size != 0 && (m == 3 || m == 1))) {
        StereoPath(left, right, work, n);
    } else if (m == 3) {
        MatrixPath(left, right, n);
    } else if (m == 1) {
        MonoOutputPath(left, right, work, n);
    } else {
        PhaseNetworkPath(left, right, work, n);
    }
    state->denormals.Step();
}

void Qel3DStage::StereoPath(float* left, float* right, BlockArray* work, LONG n)
{
    Qel3DState& s = *state;
    float* side = work[0];
    for (LONG i = 0; i < n; ++i) {
        side[i] = left[i] - right[i];
    }
    RunBiquad(s.selectedPerspective.Load(), s.perspective[0], s.perspective[1], side, side, n);
    RunPhaseA(s.sideShapingPair, s.sideShaping, side, n);

    const float w = width.Load();
    const float c = centerLevel.Load();
    for (LONG i = 0; i < n; ++i) {
        const float mid = left[i] + right[i];
        const float centre = c * mid;
        const float wide = w * side[i];
        left[i] = centre + wide;
        right[i] = centre - wide;
    }
}

void Qel3DStage::PhaseNetworkPath(float* left, float* right, BlockArray* work, LONG n)
{
    Qel3DState& s = *state;
    RunPhaseA(&kPhasePairP1, s.w[0], left, n);
    RunPhaseA(&kPhasePairP2, s.w[1], left, n);
    RunPhaseA(&kPhasePairP3, s.w[4], left, n);

    RunPhaseA(&kPhasePairQ1, s.w[2], right, n);
    RunPhaseA(&kPhasePairQ2, s.w[3], right, n);
    RunPhaseA(&kPhasePairQ3, s.w[5], right, n);
    for (LONG i = 0; i < n; ++i) {
        right[i] = -right[i];
    }

    float* x = work[0];
    RunBiquad(s.selectedPerspective.Load(), s.perspective[0], s.perspective[1], right, x, n);
    RunPhaseA(s.sideShapingPair, s.sideShaping, x, n);

    const float w = width.Load();
    for (LONG i = 0; i < n; ++i) {
        const float h = w * x[i] + right[i];
        const float shiftedLeft = left[i];
        left[i] = shiftedLeft + h;
        right[i] = shiftedLeft - h;
    }
}

// Both outputs carry the same signal.
void Qel3DStage::MonoOutputPath(float* left, float* right, BlockArray* work, LONG n)
{
    Qel3DState& s = *state;
    float* sum = work[0];
    float* difference = work[1];
    for (LONG i = 0; i < n; ++i) {
        sum[i] = left[i] + right[i];
        difference[i] = left[i] - right[i];
    }
    RunPhaseB(s.modeOneSumPair, s.modeOneSum, sum, n);

    float* band1 = work[2];
    float* band2 = work[3];
    float* band3 = work[4];
    RunBiquad(&s.modeOneBands[0], s.w[0], s.w[1], difference, band1, n);
    RunBiquad(&s.modeOneBands[1], s.w[2], s.w[3], difference, band2, n);
    RunBiquad(&s.modeOneBands[2], s.w[4], s.w[5], difference, band3, n);

    const float w = width.Load();
    for (LONG i = 0; i < n; ++i) {
        const float bands = band3[i] + band2[i] + band1[i];
        const float out = sum[i] + w * bands;
        left[i] = out;
        right[i] = out;
    }
}

void Qel3DStage::MatrixPath(float* left, float* right, LONG n)
{
    Qel3DState& s = *state;
    RunPhaseA(&kPhasePairP2, s.w[0], left, n);
    RunPhaseA(&kPhasePairP3, s.w[2], left, n);
    RunPhaseA(&kPhasePairQ3, s.w[4], right, n);

    const float k = s.k.Load();
    const float w = width.Load();
    for (LONG i = 0; i < n; ++i) {
        const float a = k * left[i];
        const float b = k * right[i];
        const float e = (a - b) * w * 2.51f;
        left[i] = a + e;
        right[i] = b - e;
    }
}

}  // namespace vyohd
