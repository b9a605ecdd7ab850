// One complete VYO HD parameter set. The manager's context only stores
// parameters; each stream's context is linked to the stream's state block,
// so its stage setters also update the coefficients that follow them.
//
// Contexts live in pool memory (tag VYOC) and are initialized field by
// field, not zero-filled.
#pragma once

#include "elevo_stage.h"
#include "limiter_stage.h"
#include "nitida_stage.h"
#include "qel3d_stage.h"
#include "rate_class.h"
#include "shared_word.h"
#include "subvia_stage.h"
#include "vyohd_state_block.h"

namespace vyohd {

struct VYOHDContext {
    SharedWord<LONG> enable;
    SharedWord<float> inputGain;   // linear
    SharedWord<float> outputGain;  // linear
    SharedWord<float> bypassGain;  // linear, used only while enable is 0
    SubviaStage subvia;
    ElevoStage elevoLeft;
    ElevoStage elevoRight;
    LimiterStage limiter;
    Qel3DStage qel3d;
    NitidaStage nitidaLeft;
    NitidaStage nitidaRight;
    VYOHDStateBlock* stateBlock;  // null in the manager's context

    // Unlinks every stage and loads the defaults of a fresh context: enable
    // 1, input gain 0.5, output gain 1.0, bypass gain 0.5, stage defaults.
    void Initialize();

    NTSTATUS SetEnable(LONG value);

    // Copies every parameter of source, the stages through their setters, so
    // this context's coefficients follow the copied values. Source may be
    // this context itself.
    void CopyParametersFrom(const VYOHDContext& source);

    // Points every stage at its coefficient sets for the rate class, clears
    // all filter memory in block, links the context to it, and copies the
    // parameters onto themselves so the parameter-dependent coefficients are
    // recomputed for the class.
    void Reinitialize(RateClass rateClass, VYOHDStateBlock* block);
};

}  // namespace vyohd
