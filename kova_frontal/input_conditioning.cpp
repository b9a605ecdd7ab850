// Input conditioning, every block, bypassed or not: slots the source layout
// carries are scaled by InputTrim, the others are silenced, and every sample
// gets a KOVADither offset so that the recursive filters downstream never
// see exact silence decay into denormals.
//
// Real-time code.
#include "kova_dither.h"
#include "virtualizer_core.h"

void ConditionInput(float inputTrim, const SourceLayoutMode& layout, KOVABlock& block, LONG n)
{
    KOVADitherRun dither(kKOVASlotCount * static_cast<ULONG>(n));
    for (ULONG slot = 0; slot < kKOVASlotCount; ++slot) {
        const float g = (layout.presentSlots & (1u << slot)) != 0 ? inputTrim : 0.0f;
        float* x = block.slot[slot];
        for (LONG i = 0; i < n; ++i) {
            x[i] = g * x[i];
            x[i] = x[i] + dither.Draw();
        }
    }
}
