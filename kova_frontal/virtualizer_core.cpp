#include "virtualizer_core.h"

void VirtualizerCore::Reinitialize(KOVARateClass rateClass)
{
    coefficients = &kVirtualizerCoefficients[rateClass];
    difference.Reinitialize(*coefficients);
    surround1.Reinitialize(*coefficients);
    surround2.Reinitialize(*coefficients);
    pseudoStereo.Reinitialize();
    elevo.Reinitialize(*coefficients);
}

void VirtualizerCore::ClearState()
{
    difference.ClearState();
    surround1.ClearState();
    surround2.ClearState();
    pseudoStereo.ClearState();
    elevo.ClearState();
}

void VirtualizerCore::SetMode(ULONG value)
{
    if (value < kSourceLayoutModeCount) {
        mode.Store(value);
    }
}

// The mode's row (centre flag and path gains) is looked up here rather than
// stored by the setter, so a block always sees a mode with its own gains.
CoreBlockSettings VirtualizerCore::ReadSettings() const
{
    CoreBlockSettings settings;
    settings.mode = mode.Load();
    settings.outputMode = outputMode.Load();
    settings.bypassed = bypass.Load() != 0;
    settings.headphone = headphone.Load() != 0;
    settings.layout = &kSourceLayoutModes[settings.mode];
    return settings;
}

void VirtualizerCore::Process(const CoreBlockSettings& settings, KOVABlock& block, KOVAScratch& scratch, LONG n)
{
    ConditionInput(inputTrim, *settings.layout, block, n);
    if (!settings.bypassed) {
        RunPreStage(*this, settings.mode, block, n);
    }

    // Common to both renders: the mono surround of modes 2 and 5 feeds both sides.
    if (settings.mode == 2 || settings.mode == 5) {
        CopySamples(block.slot[SlotLs], block.slot[SlotCs], n);
        CopySamples(block.slot[SlotRs], block.slot[SlotCs], n);
    }

    if (settings.bypassed) {
        RenderBypassDownmix(settings.mode, settings.outputMode, block, n);
    } else {
        RenderVirtualSurround(*this, settings, block, scratch, n);
    }
}
