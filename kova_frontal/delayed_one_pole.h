// The delayed one-pole low-pass of the Subvia stages: the output is the state
// before this sample's update, so each section delays by one sample.
//     y = s;  s = g x + p s
// With g + p = 1 its gain at 0 Hz is unity.
//
// Real-time code: no allocation, no locks, no branches per sample.
#pragma once

#include <wdm.h>

struct DelayedOnePoleCoefficients {
    float g;
    float p;
};

struct DelayedOnePole {
    const DelayedOnePoleCoefficients* coefficients;
    float s;

    void Process(float* x, LONG n)
    {
        const float g = coefficients->g;
        const float p = coefficients->p;
        float z = s;
        for (LONG i = 0; i < n; ++i) {
            const float in = x[i];
            x[i] = z;
            z = g * in + p * z;
        }
        s = z;
    }
};
