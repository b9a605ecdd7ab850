// The virtual-surround render (Enable on). From the slots after the
// pre-stage it builds
//   D  the shaped difference L - R, which widens the front pair,
//   P  the centre path (the centre, or L + R, through Elevo),
//   S  the shaped surround difference, and
//   M  the shaped surround sum,
// and mixes them into L and R and, when the layout has them, into the Ctr,
// LFE, Ls and Rs outputs. Every step runs over the whole block before the
// next; on the right-hand sides L, R, Ls, Rs, Ctr, LFE, Cs are the slot
// values as they are at that step.
//
// Mode 11 (Cs feeds the surround-difference path) always renders to the
// front pair alone, whatever OutputMode says. Its back centre arrives as a
// difference signal (the bypass downmix matrixes it as L + Cs, R - Cs), so
// after surround path 1 it plays the part that the rear difference S plays
// in mode 8: +S on the left surround and -S on the right. Mode 11 therefore
// finishes like mode 8 with the surrounds folded down:
//     Ls' = 0.251 Ls + S,  Rs' = 0.251 Rs - S,
//     L = 0.126 L + D + P + Ls',  R = 0.126 R - D + P + Rs',
// so the back centre, the side surrounds' direct share and the centre all
// reach the two speakers, and Ctr, LFE, Ls and Rs are cleared. Surround
// path 2 is not used in this mode.
//
// Real-time code.
#include "virtualizer_core.h"

namespace {

// Step 13: the front pair from the source's own share, D and P.
void MixFrontPair(float* L, float* R, const float* D, const float* P, LONG n)
{
    for (LONG i = 0; i < n; ++i) {
        L[i] = ScaleAsDouble(kFrontDirect, L[i]) + D[i] + P[i];
        R[i] = ScaleAsDouble(kFrontDirect, R[i]) - D[i] + P[i];
    }
}

// Step 14 in modes 8 and 11: the surround difference, + left and - right.
void MixSurroundDifference(float* Ls, float* Rs, const float* S, LONG n)
{
    for (LONG i = 0; i < n; ++i) {
        Ls[i] = ScaleAsDouble(kSurroundDirect, Ls[i]) + S[i];
        Rs[i] = ScaleAsDouble(kSurroundDirect, Rs[i]) - S[i];
    }
}

// Step 15: without surround outputs, Ls and Rs fold into L and R.
void FoldSurrounds(float* L, float* R, float* Ls, float* Rs, LONG n)
{
    for (LONG i = 0; i < n; ++i) {
        L[i] = L[i] + Ls[i];
        R[i] = R[i] + Rs[i];
    }
    ClearSamples(Ls, n);
    ClearSamples(Rs, n);
}

void Scale(float* x, float gain, LONG n)
{
    for (LONG i = 0; i < n; ++i) {
        x[i] = gain * x[i];
    }
}

}  // namespace

void RenderVirtualSurround(VirtualizerCore& core, const CoreBlockSettings& settings, KOVABlock& block,
                           KOVAScratch& scratch, LONG n)
{
    const ULONG mode = settings.mode;
    const LONG outputMode = settings.outputMode;
    const SourceLayoutMode& layout = *settings.layout;
    const bool monoSurround = mode == 2 || mode == 5;

    float* L = block.slot[SlotL];
    float* R = block.slot[SlotR];
    float* Ls = block.slot[SlotLs];
    float* Rs = block.slot[SlotRs];
    float* Ctr = block.slot[SlotCtr];
    float* LFE = block.slot[SlotLFE];
    const float* Cs = block.slot[SlotCs];
    float* D = scratch.D;
    float* S = scratch.S;
    float* P = scratch.P;
    float* M = scratch.M;
    float* T = scratch.T;

    // 1. D = L - R; M = L + R
    for (LONG i = 0; i < n; ++i) {
        D[i] = L[i] - R[i];
        M[i] = L[i] + R[i];
    }
    // 2. Mode 8 derives its surrounds from the difference.
    if (mode == 8) {
        for (LONG i = 0; i < n; ++i) {
            Ls[i] = D[i];
            Rs[i] = -D[i];
        }
    }
    // 3, 4. D = difference path(DiffGain D)
    Scale(D, kDiffGain, n);
    core.difference.Process(D, T, n, settings.headphone);

    // 5, 6. P = Elevo(CenterPathGain (Ctr or L + R))
    const float* centreSource = layout.centreFlag != 0 ? Ctr : M;
    for (LONG i = 0; i < n; ++i) {
        P[i] = layout.centerPathGain * centreSource[i];
    }
    core.elevo.Process(P, T, n);

    // 7. The centre output takes P; the front pair keeps 0.71 of it.
    if (HasCentreOutput(outputMode)) {
        CopySamples(Ctr, P, n);
        for (LONG i = 0; i < n; ++i) {
            P[i] = ScaleAsDouble(kCentreShare, P[i]);
        }
    } else {
        ClearSamples(Ctr, n);
    }
    // 8. A real centre blends in a little L + R; without a subwoofer the
    //    LFE goes with the centre.
    const bool lfeInMix = !HasSubwooferOutput(outputMode);
    for (LONG i = 0; i < n; ++i) {
        if (layout.centreFlag != 0) {
            P[i] = P[i] + ScaleAsDouble(kCentreBlend, M[i]);
        }
        if (lfeInMix) {
            P[i] = P[i] + LFE[i];
        }
    }

    // 9. S = SurroundDiffGain path 1(Cs in mode 11, else M = Ls - Rs)
    if (!monoSurround) {
        if (mode == 11) {
            core.surround1.Process(Cs, S, T, n);
        } else {
            for (LONG i = 0; i < n; ++i) {
                M[i] = Ls[i] - Rs[i];
            }
            core.surround1.Process(M, S, T, n);
        }
        Scale(S, layout.surroundDiffGain, n);
    }

    // 10. Mode 11 ends in the front pair (see the top of this file).
    if (mode == 11) {
        MixFrontPair(L, R, D, P, n);
        MixSurroundDifference(Ls, Rs, S, n);
        FoldSurrounds(L, R, Ls, Rs, n);
        ClearSamples(Ctr, n);
        ClearSamples(LFE, n);
        return;
    }

    // 11. M = SurroundSumGain path 2(Cs in mode 7, else M = Ls + Rs); mode 8
    //     keeps Ls - Rs from step 9.
    if (mode != 8) {
        if (mode == 7) {
            core.surround2.Process(Cs, M, T, n);
        } else {
            for (LONG i = 0; i < n; ++i) {
                M[i] = Ls[i] + Rs[i];
            }
            core.surround2.Process(M, M, T, n);
        }
        Scale(M, layout.surroundSumGain, n);
    }
    // 12. Without a subwoofer the LFE goes with the surround sum too.
    if (lfeInMix) {
        for (LONG i = 0; i < n; ++i) {
            M[i] = M[i] + LFE[i];
        }
    }

    // 13. L = 0.126 L + D + P; R = 0.126 R - D + P
    MixFrontPair(L, R, D, P, n);

    // 14. The surround outputs.
    if (monoSurround) {
        for (LONG i = 0; i < n; ++i) {
            Ls[i] = ScaleAsDouble(kSurroundDirect, Ls[i]) + M[i];
            Rs[i] = ScaleAsDouble(kSurroundDirect, Rs[i]) + M[i];
        }
    } else if (mode == 8) {
        MixSurroundDifference(Ls, Rs, S, n);
    } else {
        for (LONG i = 0; i < n; ++i) {
            Ls[i] = ScaleAsDouble(kSurroundDirect, Ls[i]) + (S[i] + M[i]);
            Rs[i] = ScaleAsDouble(kSurroundDirect, Rs[i]) + (M[i] - S[i]);
        }
    }

    // 15. Without surround outputs Ls and Rs fold into the front pair.
    if (!HasSurroundOutputs(outputMode)) {
        FoldSurrounds(L, R, Ls, Rs, n);
    }

    // 16. The subwoofer output: half of P, the source LFE and M.
    if (HasSubwooferOutput(outputMode)) {
        for (LONG i = 0; i < n; ++i) {
            LFE[i] = ScaleAsDouble(kHalf, P[i] + LFE[i] + M[i]);
        }
    } else {
        ClearSamples(LFE, n);
    }
}
