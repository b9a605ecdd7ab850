// The bypass downmix (Enable 0): no filter runs and no filter state changes;
// the source is folded into the outputs the layout has. The centre and the
// LFE always go into L and R here, whatever OutputMode says.
//
// Real-time code.
#include "virtualizer_core.h"

void RenderBypassDownmix(ULONG mode, LONG outputMode, KOVABlock& block, LONG n)
{
    float* L = block.slot[SlotL];
    float* R = block.slot[SlotR];
    float* Ls = block.slot[SlotLs];
    float* Rs = block.slot[SlotRs];
    float* Ctr = block.slot[SlotCtr];
    float* LFE = block.slot[SlotLFE];
    const float* Cs = block.slot[SlotCs];

    if (mode == 11) {
        // Cs is matrixed into the front pair as a difference signal.
        for (LONG i = 0; i < n; ++i) {
            L[i] = L[i] + Ctr[i] + Cs[i];
            R[i] = R[i] + Ctr[i] - Cs[i];
        }
        ClearSamples(Ctr, n);
        ClearSamples(LFE, n);
        ClearSamples(Ls, n);
        ClearSamples(Rs, n);
        return;
    }

    if (mode == 7) {
        for (LONG i = 0; i < n; ++i) {
            const float back = ScaleAsDouble(kCentreShare, Cs[i]);
            L[i] = L[i] + back;
            R[i] = R[i] + back;
        }
    }

    if (!HasSurroundOutputs(outputMode)) {
        for (LONG i = 0; i < n; ++i) {
            const float centre = ScaleAsDouble(kCentreShare, Ctr[i]);
            L[i] = L[i] + Ls[i] + centre + LFE[i];
            R[i] = R[i] + Rs[i] + centre + LFE[i];
        }
        ClearSamples(Ls, n);
        ClearSamples(Rs, n);
    } else {
        for (LONG i = 0; i < n; ++i) {
            const float centre = ScaleAsDouble(kCentreShare, Ctr[i]);
            L[i] = centre + L[i] + LFE[i];
            R[i] = centre + R[i] + LFE[i];
        }
    }
    ClearSamples(Ctr, n);
    ClearSamples(LFE, n);
}
