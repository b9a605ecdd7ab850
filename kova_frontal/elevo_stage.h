// Elevo on the centre path: lifts the upper band of the centre signal so the
// image rises from the speakers' height towards the listener's eyes. ElevoLow
// keeps a quiet low band (about -11 dB up to 100 Hz, notched near 450 Hz);
// ElevoHigh is the upper band (corner near 720 Hz, gain 2.0 above), added at
// ElevoLevel.
//
// Real-time code.
#pragma once

#include "double_constants.h"
#include "filter_primitives.h"
#include "kova_params.h"
#include "shared_word.h"
#include "virtualizer_coefficients.h"

struct ElevoStage {
    SharedFlag enable;
    SharedWord<float> level;
    Biquad low;
    FirstOrderSection high;

    void Reinitialize(const VirtualizerCoefficients& coefficients)
    {
        low.coefficients = &coefficients.elevoLow;
        high.coefficients = &coefficients.elevoHigh;
        ClearState();
    }

    void ClearState()
    {
        low.s0 = 0.0f;
        low.s1 = 0.0f;
        high.s = 0.0f;
    }

    void SetEnable(USHORT value) { enable.Store(value); }

    // A level outside 0 .. 1 is ignored.
    void SetLevel(float value)
    {
        if (IsKOVAUnitLevel(value)) {
            level.Store(value);
        }
    }

    // P = Elevo(P), in place; T is scratch.
    void Process(float* P, float* T, LONG n)
    {
        if (enable.Load() == 0) {
            return;
        }
        const float elevoLevel = level.Load();
        for (LONG i = 0; i < n; ++i) {
            P[i] = ScaleAsDouble(kPreScale, P[i]);
        }
        low.Process(P, T, n);
        for (LONG i = 0; i < n; ++i) {
            T[i] = T[i] + P[i];
        }
        high.Process(P, n);
        for (LONG i = 0; i < n; ++i) {
            P[i] = elevoLevel * P[i] + T[i];
        }
    }
};
