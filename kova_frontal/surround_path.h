// One surround path of the render (there are two, each with its own state
// and the same coefficients): a band above ~13 kHz limited at ~8-9 kHz by
// SurrD and SurrE, mixed with the band below ~950 Hz from SurrF.
//
// Real-time code.
#pragma once

#include "double_constants.h"
#include "filter_primitives.h"
#include "kova_block.h"
#include "virtualizer_coefficients.h"

struct SurroundPath {
    FirstOrderSection surrD;
    FirstOrderSection surrE;
    FirstOrderSection surrF;

    void Reinitialize(const VirtualizerCoefficients& coefficients)
    {
        surrD.coefficients = &coefficients.surrD;
        surrE.coefficients = &coefficients.surrE;
        surrF.coefficients = &coefficients.surrF;
        ClearState();
    }

    void ClearState()
    {
        surrD.s = 0.0f;
        surrE.s = 0.0f;
        surrF.s = 0.0f;
    }

    // y = path(x); x and y may be the same array; T is scratch.
    void Process(const float* x, float* y, float* T, LONG n)
    {
        // 1. T = SurrE(SurrD(x))
        CopySamples(T, x, n);
        surrD.Process(T, n);
        surrE.Process(T, n);
        // 2. y = SurrF(x)
        CopySamples(y, x, n);
        surrF.Process(y, n);
        // 3. y = 0.665 T + 0.34 y
        for (LONG i = 0; i < n; ++i) {
            y[i] = ScaleAsDouble(kSurroundHigh, T[i]) + ScaleAsDouble(kSurroundLow, y[i]);
        }
    }
};
