// The six recursive filter forms the effect stages are built from.
//
// Each form is a small value type: a reference to its coefficient set (a row
// of a constant table chosen per rate class, never designed at run time) and
// its state floats, with one block function. Every output and every state is
// stored as a float after each sample, in the order the difference equations
// below are written. A count of zero or less leaves input, output and state
// untouched. Where a form takes an input and an output array they may be the
// same array; the other forms work in place.
//
// Real-time code: no allocation, no locks, no branches per sample.
#pragma once

#include <wdm.h>

// (b0 + b1 z^-1 + b2 z^-2) / (1 + a1 z^-1 + a2 z^-2); c = b0, -a1, b1, -a2, b2.
struct BiquadCoefficients {
    float c[5];
};

// (b0 + b1 z^-1) / (1 + a1 z^-1); c = b0, -a1, b1.
struct FirstOrderCoefficients {
    float c[3];
};

// Phase section A: (c0 + z^-1) / (1 - c1 z^-1); B: (c0 - z^-1) / (1 - c1 z^-1).
struct PhaseCoefficients {
    float c[2];
};

// g (1 + z^-1) / (1 - p z^-1).
struct OnePoleCoefficients {
    float g;
    float p;
};

// g (1 - z^-2) / (1 - p1 z^-1 - p2 z^-2).
struct BandpassCoefficients {
    float g;
    float p1;
    float p2;
};

// y = c0 x + s0; s0 = c1 y + c2 x + s1; s1 = c3 y + c4 x
struct Biquad {
    const BiquadCoefficients* coefficients;
    float s0;
    float s1;

    void Process(const float* in, float* out, LONG n)
    {
        const float* c = coefficients->c;
        float z0 = s0;
        float z1 = s1;
        for (LONG i = 0; i < n; ++i) {
            const float x = in[i];
            const float y = c[0] * x + z0;
            z0 = c[1] * y + c[2] * x + z1;
            z1 = c[3] * y + c[4] * x;
            out[i] = y;
        }
        s0 = z0;
        s1 = z1;
    }
};

// y = c0 x + s; s = c1 y + c2 x
struct FirstOrderSection {
    const FirstOrderCoefficients* coefficients;
    float s;

    void Process(float* x, LONG n)
    {
        const float* c = coefficients->c;
        float z = s;
        for (LONG i = 0; i < n; ++i) {
            const float in = x[i];
            const float y = c[0] * in + z;
            z = c[1] * y + c[2] * in;
            x[i] = y;
        }
        s = z;
    }
};

// y = c0 x + s; s = x + c1 y
struct PhaseSectionA {
    const PhaseCoefficients* coefficients;
    float s;

    void Process(float* x, LONG n)
    {
        const float* c = coefficients->c;
        float z = s;
        for (LONG i = 0; i < n; ++i) {
            const float in = x[i];
            const float y = c[0] * in + z;
            z = in + c[1] * y;
            x[i] = y;
        }
        s = z;
    }
};

// y = c0 x + s; s = c1 y - x
struct PhaseSectionB {
    const PhaseCoefficients* coefficients;
    float s;

    void Process(float* x, LONG n)
    {
        const float* c = coefficients->c;
        float z = s;
        for (LONG i = 0; i < n; ++i) {
            const float in = x[i];
            const float y = c[0] * in + z;
            z = c[1] * y - in;
            x[i] = y;
        }
        s = z;
    }
};

// y = g x + s; s = g x + p y
struct OnePoleLowpass {
    const OnePoleCoefficients* coefficients;
    float s;

    void Process(float* x, LONG n)
    {
        const float g = coefficients->g;
        const float p = coefficients->p;
        float z = s;
        for (LONG i = 0; i < n; ++i) {
            const float gx = g * x[i];
            const float y = gx + z;
            z = gx + p * y;
            x[i] = y;
        }
        s = z;
    }
};

// y = g x + s0; s0 = p1 y + s1; s1 = p2 y - g x
struct BandpassSection {
    const BandpassCoefficients* coefficients;
    float s0;
    float s1;

    void Process(const float* in, float* out, LONG n)
    {
        const float g = coefficients->g;
        const float p1 = coefficients->p1;
        const float p2 = coefficients->p2;
        float z0 = s0;
        float z1 = s1;
        for (LONG i = 0; i < n; ++i) {
            const float gx = g * in[i];
            const float y = gx + z0;
            z0 = p1 * y + z1;
            z1 = p2 * y - gx;
            out[i] = y;
        }
        s0 = z0;
        s1 = z1;
    }
};
