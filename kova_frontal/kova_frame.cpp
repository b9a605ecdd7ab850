// The frame processing of one block: the stages of the engine in the order
// the signal flows through them. The parameters that choose the path
// (bypass, mode, output layout) are read once, at the start of the block.
//
// Real-time code: no allocation, no lock.
#include "kova_state.h"

void KOVAState::ProcessBlock(KOVABlock& block, KOVAScratch& scratch, LONG n)
{
    const CoreBlockSettings settings = core.ReadSettings();

    // Input conditioning, pre-stage, then bypass downmix or virtual surround.
    core.Process(settings, block, scratch, n);

    if (!settings.bypassed) {
        subviaFront.ProcessFront(block.slot[SlotL], block.slot[SlotR], scratch, n);
        output.Process(settings.outputMode, subviaFront, subviaSub, block, scratch, n);
    }

    output.ApplySpeakerGroupGains(block, n);
}
