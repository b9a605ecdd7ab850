// The pre-stage of the source-layout mode, only when not bypassed: mode 0
// builds pseudo-stereo from the mono centre, mode 9 folds the centre into
// the front pair. The other modes have none.
//
// Real-time code.
#include "virtualizer_core.h"

namespace {

void FoldCentre(float* L, float* R, float* Ctr, LONG n)
{
    for (LONG i = 0; i < n; ++i) {
        L[i] = L[i] + Ctr[i];
        R[i] = R[i] + Ctr[i];
    }
    ClearSamples(Ctr, n);
}

}  // namespace

void RunPreStage(VirtualizerCore& core, ULONG mode, KOVABlock& block, LONG n)
{
    if (mode == 0) {
        core.pseudoStereo.Process(block.slot[SlotL], block.slot[SlotR], block.slot[SlotCtr], n);
    } else if (mode == 9) {
        FoldCentre(block.slot[SlotL], block.slot[SlotR], block.slot[SlotCtr], n);
    }
}
