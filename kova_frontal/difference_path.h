// The difference path of the render: the (L - R) signal shaped for the
// listener. DiffA removes the rumble below ~48 Hz; DiffB keeps the body below
// ~200 Hz and DiffC the air above ~6.5 kHz. Loudspeakers and headphones
// differ only in how the high-passed signal T and the low band y are mixed.
//
// Real-time code.
#pragma once

#include "double_constants.h"
#include "filter_primitives.h"
#include "kova_block.h"
#include "virtualizer_coefficients.h"

struct DifferencePath {
    FirstOrderSection diffA;
    FirstOrderSection diffB;
    FirstOrderSection diffC;

    void Reinitialize(const VirtualizerCoefficients& coefficients)
    {
        diffA.coefficients = &coefficients.diffA;
        diffB.coefficients = &coefficients.diffB;
        diffC.coefficients = &coefficients.diffC;
        ClearState();
    }

    void ClearState()
    {
        diffA.s = 0.0f;
        diffB.s = 0.0f;
        diffC.s = 0.0f;
    }

    // y = path(y), in place; T is scratch.
    void Process(float* y, float* T, LONG n, bool headphone)
    {
        // 1. T = DiffA(x)
        CopySamples(T, y, n);
        diffA.Process(T, n);
        // 2. y = DiffB(T)
        CopySamples(y, T, n);
        diffB.Process(y, n);
        // 3. the speaker or headphone mix
        const double direct = headphone ? kHeadphoneDirect : kSpeakerDirect;
        const double shaped = headphone ? kHeadphoneShaped : kSpeakerShaped;
        for (LONG i = 0; i < n; ++i) {
            y[i] = ScaleAsDouble(direct, T[i]) + ScaleAsDouble(shaped, y[i]);
        }
        // 4. T = DiffC(T)
        diffC.Process(T, n);
        // 5. y = y + T
        for (LONG i = 0; i < n; ++i) {
            y[i] = y[i] + T[i];
        }
    }
};
