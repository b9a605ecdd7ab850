// Subvia bass enhancement, one instance for the front pair and one for the
// subwoofer output. Each extracts the bass band of its speaker size, runs it
// through three resonant band-passes at fc, 1.5 fc and 2 fc, compresses it
// with a peak envelope and adds it back, so that small speakers suggest the
// bass they cannot play:
//     X = lowpass pair(0.79 in)          (L + R for the front)
//     H = BP1(X) + BP2(X) + BP3(X)
//     e follows |H| (attack ~10 ms, release ~100 ms)
//     Z = level (1.41 (H - k e H))       out = 0.79 in + Z
// The subtraction lets the added bass shrink as its envelope grows.
#pragma once

#include <wdm.h>

#include "delayed_one_pole.h"
#include "filter_primitives.h"
#include "kova_block.h"
#include "rate_class.h"
#include "shared_word.h"
#include "subvia_coefficients.h"

struct SubviaStage {
    // Parameters, stored by the manager's setters while blocks run.
    SharedFlag enable;
    SharedWord<LONG> sizeChanged;  // raised by SetSize, taken by the next block
    float k;                 // detector factor, from InputTrim at SetFormat
    SharedWord<ULONG> size;
    SharedWord<float> level;

    DelayedOnePole lowpass[2];
    BandpassSection bandpass[kSubviaBandpassCount];
    float envelope;
    float attack;
    float release;
    KOVARateClass rateClass;

    // Takes the rate class's tables and clears the states; then SetEnable,
    // SetLevel, SetSize and SetTrim apply the parameters and SelectSize
    // picks the coefficients.
    void Reinitialize(KOVARateClass rateClass);
    void ClearState();

    void SetEnable(USHORT value) { enable.Store(value); }
    void SetLevel(float value);   // ignored outside 0 .. 1
    void SetSize(ULONG value);    // ignored above 7
    void SetTrim(float inputTrim);
    void SelectSize();

    // Real-time code. The front instance works on L and R, the sub instance
    // on LFE; both use the five scratch arrays.
    void ProcessFront(float* L, float* R, KOVAScratch& scratch, LONG n);
    void ProcessSub(float* LFE, KOVAScratch& scratch, LONG n);

private:
    // Takes a pending size change and the block's level (0 when disabled);
    // returns whether the stage is enabled.
    bool BeginBlock(float* blockLevel);
    // X -> Z in place (X is scratch.D).
    void ComputeBass(float blockLevel, KOVAScratch& scratch, LONG n);
};
