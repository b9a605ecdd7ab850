#include "subvia_stage.h"

#include "double_constants.h"
#include "kova_params.h"

void SubviaStage::Reinitialize(KOVARateClass newRateClass)
{
    rateClass = newRateClass;
    attack = kSubviaEnvelope[rateClass].attack;
    release = kSubviaEnvelope[rateClass].release;
    ClearState();
}

void SubviaStage::ClearState()
{
    for (DelayedOnePole& section : lowpass) {
        section.s = 0.0f;
    }
    for (BandpassSection& section : bandpass) {
        section.s0 = 0.0f;
        section.s1 = 0.0f;
    }
    envelope = 0.0f;
}

void SubviaStage::SetLevel(float value)
{
    if (IsKOVAUnitLevel(value)) {
        level.Store(value);
    }
}

// The block that sees the raised flag selects the new size's coefficients;
// the flag is raised after the size is stored, so no change is lost.
void SubviaStage::SetSize(ULONG value)
{
    if (value <= kKOVASubviaSizeMaximum && value != size.Load()) {
        size.Store(value);
        sizeChanged.Exchange(1);
    }
}

// k = 0.89 / max(0.79 InputTrim, 0.112)
void SubviaStage::SetTrim(float inputTrim)
{
    double detector = kPreScale * static_cast<double>(inputTrim);
    if (detector < kSubviaDetectorFloor) {
        detector = kSubviaDetectorFloor;
    }
    k = static_cast<float>(kSubviaDetectorScale / detector);
}

void SubviaStage::SelectSize()
{
    const ULONG entry = size.Load();
    for (DelayedOnePole& section : lowpass) {
        section.coefficients = &kSubviaLowpass[entry][rateClass];
    }
    for (ULONG j = 0; j < kSubviaBandpassCount; ++j) {
        bandpass[j].coefficients = &kSubviaBandpass[rateClass][entry][j];
    }
}

bool SubviaStage::BeginBlock(float* blockLevel)
{
    const bool enabled = enable.Load() != 0;
    *blockLevel = enabled ? level.Load() : 0.0f;
    if (sizeChanged.Load() != 0 && sizeChanged.Exchange(0) != 0) {
        SelectSize();
    }
    return enabled;
}

void SubviaStage::ComputeBass(float blockLevel, KOVAScratch& scratch, LONG n)
{
    float* X = scratch.D;
    float* H = scratch.S;
    float* B2 = scratch.P;
    float* B3 = scratch.M;
    float* Y = scratch.T;

    // X = low-pass pair(X)
    lowpass[0].Process(X, n);
    lowpass[1].Process(X, n);
    // H = (B1 + B2) + B3
    bandpass[0].Process(X, H, n);
    bandpass[1].Process(X, B2, n);
    bandpass[2].Process(X, B3, n);
    for (LONG i = 0; i < n; ++i) {
        H[i] = (H[i] + B2[i]) + B3[i];
    }
    // Peak envelope of |H|: a rises towards a larger peak, r decays.
    float e = envelope;
    for (LONG i = 0; i < n; ++i) {
        const float d = H[i] < 0.0f ? -H[i] : H[i];
        if (e < d) {
            e = d - attack * (d - e);
        } else {
            e = d + release * (e - d);
        }
        Y[i] = H[i] * e;
    }
    envelope = e;
    // Y = k Y; Z = level (1.41 (H - Y)), into X
    for (LONG i = 0; i < n; ++i) {
        Y[i] = k * Y[i];
        X[i] = blockLevel * ScaleAsDouble(kSubviaBoost, H[i] - Y[i]);
    }
}

void SubviaStage::ProcessFront(float* L, float* R, KOVAScratch& scratch, LONG n)
{
    float blockLevel;
    if (!BeginBlock(&blockLevel)) {
        return;
    }
    float* X = scratch.D;
    for (LONG i = 0; i < n; ++i) {
        L[i] = ScaleAsDouble(kPreScale, L[i]);
        R[i] = ScaleAsDouble(kPreScale, R[i]);
        X[i] = L[i] + R[i];
    }
    ComputeBass(blockLevel, scratch, n);
    const float* Z = scratch.D;
    for (LONG i = 0; i < n; ++i) {
        L[i] = L[i] + Z[i];
        R[i] = R[i] + Z[i];
    }
}

void SubviaStage::ProcessSub(float* LFE, KOVAScratch& scratch, LONG n)
{
    float blockLevel;
    if (!BeginBlock(&blockLevel)) {
        return;
    }
    float* X = scratch.D;
    for (LONG i = 0; i < n; ++i) {
        LFE[i] = ScaleAsDouble(kPreScale, LFE[i]);
        X[i] = LFE[i];
    }
    ComputeBass(blockLevel, scratch, n);
    const float* Z = scratch.D;
    for (LONG i = 0; i < n; ++i) {
        LFE[i] = LFE[i] + Z[i];
    }
}
