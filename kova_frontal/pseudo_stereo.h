// Pseudo-stereo from a mono centre (source-layout mode 0): the centre feeds
// two chains of three first-order all-pass sections whose phase responses
// drift apart, so their sum and difference spread the mono signal across the
// stereo stage. The coefficients are the same for every rate class.
//
// Real-time code.
#pragma once

#include "double_constants.h"
#include "filter_primitives.h"
#include "kova_block.h"

//                                               b0            -a1            b1
inline constexpr FirstOrderCoefficients kPseudoStereoLeft[3] = {
    {{-0.971839905f,  0.97183609f,  0.999996185f}},   // left 1
    {{-0.785430908f,  0.785429001f, 0.999998093f}},   // left 2
    {{ 0.54309845f,  -0.543100357f, 0.999998093f}},   // left 3
};
inline constexpr FirstOrderCoefficients kPseudoStereoRight[3] = {
    {{-0.99288559f,   0.992883682f, 0.999998093f}},   // right 1
    {{-0.917785645f,  0.91778183f,  0.999996185f}},   // right 2
    {{-0.469726562f,  0.469724655f, 0.999998093f}},   // right 3
};

struct PseudoStereo {
    FirstOrderSection left[3];
    FirstOrderSection right[3];

    void Reinitialize()
    {
        for (ULONG k = 0; k < 3; ++k) {
            left[k].coefficients = &kPseudoStereoLeft[k];
            right[k].coefficients = &kPseudoStereoRight[k];
        }
        ClearState();
    }

    void ClearState()
    {
        for (ULONG k = 0; k < 3; ++k) {
            left[k].s = 0.0f;
            right[k].s = 0.0f;
        }
    }

    // L and R become the pseudo-stereo pair of Ctr; Ctr is cleared.
    void Process(float* L, float* R, float* Ctr, LONG n)
    {
        // m = 0.56 Ctr, into both chains
        for (LONG i = 0; i < n; ++i) {
            const float m = ScaleAsDouble(kPseudoStereoInput, Ctr[i]);
            L[i] = m;
            R[i] = m;
        }
        for (ULONG k = 0; k < 3; ++k) {
            left[k].Process(L, n);
            right[k].Process(R, n);
        }
        // L' = L + R, R' = L - R
        for (LONG i = 0; i < n; ++i) {
            const float sum = L[i] + R[i];
            const float difference = L[i] - R[i];
            L[i] = sum;
            R[i] = difference;
        }
        ClearSamples(Ctr, n);
    }
};
