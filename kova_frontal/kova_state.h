// KOVAState: a stream's DSP. The stage records of the virtualizer core, the
// two Subvia instances and the output stage, each with its parameters (the
// stream's copy, kept current by the manager's broadcasts), its coefficient
// references for the rate class and its filter memory.
#pragma once

#include <wdm.h>

#include "kova_block.h"
#include "kova_params.h"
#include "output_stage.h"
#include "rate_class.h"
#include "subvia_stage.h"
#include "virtualizer_core.h"

struct KOVAState {
    KOVARateClass rateClass;
    VirtualizerCore core;
    SubviaStage subviaFront;
    SubviaStage subviaSub;
    OutputStage output;

    // Selects the coefficient sets of `rateClass`, applies every parameter
    // of `params` and clears all filter memory.
    void Initialize(KOVARateClass newRateClass, const KOVAParams& params);

    // Clears all filter memory (states and envelopes) and repeats the
    // crossover selection; parameters and coefficients stay.
    void ClearState();

    // Real-time code: the frame processing of one block of n frames, the
    // stages in signal order.
    void ProcessBlock(KOVABlock& block, KOVAScratch& scratch, LONG n);
};
