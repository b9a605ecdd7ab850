// The output stage: bass management when the layout has a subwoofer (the
// crossover high-pass on the other speakers, the low-pass on the LFE), a
// presence boost (a high-passed copy added back at a level) on the front
// pair, the surrounds and the centre, and a final gain per speaker group.
// Only the speaker-group gains run while the engine is bypassed.
#pragma once

#include <wdm.h>

#include "filter_primitives.h"
#include "kova_block.h"
#include "kova_interface.h"
#include "output_coefficients.h"
#include "rate_class.h"
#include "shared_word.h"
#include "subvia_stage.h"

// The five outputs the crossover high-pass and the presence filter run on.
enum OutputChannel : ULONG {
    OutputL = 0,
    OutputR = 1,
    OutputCtr = 2,
    OutputLs = 3,
    OutputRs = 4,
};
constexpr ULONG kOutputChannelCount = 5;
constexpr ULONG kSpeakerGroupCount = 4;

struct OutputStage {
    // Parameters, stored by the manager's setters while blocks run.
    SharedWord<ULONG> crossoverSelect;
    SharedWord<float> frontPresence;
    SharedWord<float> surroundPresence;
    SharedWord<float> centerPresence;
    SharedWord<float> groupGain[kSpeakerGroupCount];  // by KOVASpeakerGroup

    const CrossoverCoefficients* crossover;
    Biquad crossoverLowpass;                        // on LFE
    Biquad crossoverHighpass[kOutputChannelCount];
    Biquad presence[kOutputChannelCount];

    // Takes the rate class's crossover and presence sets and clears the
    // eleven states.
    void Reinitialize(KOVARateClass rateClass);
    void ClearState();

    void SetCrossoverSelect(ULONG value) { crossoverSelect.Store(value); }
    void SetFrontPresence(float value) { frontPresence.Store(value); }
    void SetSurroundPresence(float value) { surroundPresence.Store(value); }
    void SetCenterPresence(float value) { centerPresence.Store(value); }
    void SetGroupGain(ULONG group, float value);

    // Points the crossover sections at the sets CrossoverSelect names; a value
    // above 3 keeps the previous selection.
    void SelectCrossover();

    // Real-time code: the crossover and presence steps (not in bypass),
    // after Subvia front has run on L and R; runs Subvia sub on the LFE.
    void Process(LONG outputMode, SubviaStage& subviaFront, SubviaStage& subviaSub, KOVABlock& block,
                 KOVAScratch& scratch, LONG n);
    // Real-time code: the speaker-group gains, bypassed or not.
    void ApplySpeakerGroupGains(KOVABlock& block, LONG n);
};
