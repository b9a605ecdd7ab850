// The surround virtualizer core: turns one block of up to seven source slots
// into a virtual-surround pair in L and R, and into Ctr, LFE, Ls and Rs
// outputs when the output layout has them.
//
// Per block, in this order: input conditioning (every block), the pre-stage
// of the source-layout mode (not in bypass), then the render: the plain
// bypass downmix, or the virtual-surround render with its difference,
// surround and centre paths.
#pragma once

#include <wdm.h>

#include "difference_path.h"
#include "elevo_stage.h"
#include "kova_block.h"
#include "pseudo_stereo.h"
#include "rate_class.h"
#include "shared_word.h"
#include "source_layout_modes.h"
#include "surround_path.h"
#include "virtualizer_coefficients.h"

// The core's parameters as one block reads them, once, at its start.
struct CoreBlockSettings {
    ULONG mode;
    LONG outputMode;
    bool bypassed;
    bool headphone;
    const SourceLayoutMode* layout;
};

struct VirtualizerCore {
    // Parameters, stored by the manager's setters while blocks run.
    SharedWord<ULONG> mode;        // KVHDMode 0 .. 11
    SharedWord<LONG> outputMode;   // OutputMode, a bit set
    SharedFlag bypass;       // 1 while Enable is 0
    SharedFlag headphone;
    float inputTrim;         // set at SetFormat only

    const VirtualizerCoefficients* coefficients;
    DifferencePath difference;
    SurroundPath surround1;  // surround difference
    SurroundPath surround2;  // surround sum
    PseudoStereo pseudoStereo;
    ElevoStage elevo;

    // Selects the rate class's coefficients and clears every state.
    void Reinitialize(KOVARateClass rateClass);
    void ClearState();

    // A mode above 11 is ignored.
    void SetMode(ULONG value);
    void SetEnable(USHORT enable) { bypass.Store(enable == 0 ? 1 : 0); }
    void SetHeadphone(USHORT value) { headphone.Store(value); }
    void SetOutputMode(LONG value) { outputMode.Store(value); }
    void SetInputTrim(float value) { inputTrim = value; }

    CoreBlockSettings ReadSettings() const;

    // Real-time code: runs the core over one block of n frames.
    void Process(const CoreBlockSettings& settings, KOVABlock& block, KOVAScratch& scratch, LONG n);
};

// The steps of Process, one file each.
void ConditionInput(float inputTrim, const SourceLayoutMode& layout, KOVABlock& block, LONG n);
void RunPreStage(VirtualizerCore& core, ULONG mode, KOVABlock& block, LONG n);
void RenderBypassDownmix(ULONG mode, LONG outputMode, KOVABlock& block, LONG n);
void RenderVirtualSurround(VirtualizerCore& core, const CoreBlockSettings& settings, KOVABlock& block,
                           KOVAScratch& scratch, LONG n);
