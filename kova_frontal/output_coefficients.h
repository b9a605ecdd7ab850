// Coefficients of the output stage.
//
// Crossover: for fc and the class's rate fs the poles are those of a
// second-order Butterworth low-pass mapped by z = e^(sT):
//     theta = pi sqrt(2) fc / fs,  r = e^-theta,  -a1 = 2 r cos theta,  -a2 = -r^2.
// The low-pass has b1 = 2 b0, b2 = b0 (unity gain at 0 Hz, within 0.03 %);
// the high-pass b1 = -2 b0, b2 = b0 (unity gain at half the rate).
// Presence: a second-order high-pass near 1.1 kHz with Q about 0.33.
#pragma once

#include "filter_primitives.h"
#include "rate_class.h"

constexpr ULONG kCrossoverCount = 4;  // CrossoverSelect 0 .. 3: fc 80, 120, 160, 200 Hz

struct CrossoverRow {
    float a1;          // -a1
    float a2;          // -a2
    float lowpassB0;
    float highpassB0;
};

inline constexpr CrossoverRow kCrossoverTable[kKOVARateClassCount][kCrossoverCount] = {
    //  CrossoverSelect (fc)   -a1          -a2             low-pass b0      high-pass b0
    {   // 32000 Hz
        /* 0 (80 Hz) */ {1.97778654f, -0.978030503f, 6.10061797e-05f, 0.988954246f},
        /* 1 (120 Hz) */ {1.96668136f, -0.967227399f, 0.000136510716f, 0.983477175f},
        /* 2 (160 Hz) */ {1.95557821f, -0.956543684f, 0.000241359056f, 0.978030503f},
        /* 3 (200 Hz) */ {1.94447768f, -0.945977926f, 0.00037506962f, 0.972613871f},
    },
    {   // 44100 Hz
        /* 0 (80 Hz) */ {1.983881f, -0.984009922f, 3.22189735e-05f, 0.991972744f},
        /* 1 (120 Hz) */ {1.97582221f, -0.976110995f, 7.22030964e-05f, 0.987983286f},
        /* 2 (160 Hz) */ {1.96776414f, -0.968275547f, 0.000127849678f, 0.984009922f},
        /* 3 (200 Hz) */ {1.95970702f, -0.960502923f, 0.000198971407f, 0.980052471f},
    },
    {   // 48000 Hz
        /* 0 (80 Hz) */ {1.98519063f, -0.985299528f, 2.72138077e-05f, 0.992622554f},
        /* 1 (120 Hz) */ {1.97778654f, -0.978030503f, 6.10061797e-05f, 0.988954246f},
        /* 2 (160 Hz) */ {1.97038293f, -0.970815122f, 0.000108058084f, 0.985299528f},
        /* 3 (200 Hz) */ {1.96298003f, -0.963652968f, 0.000168223705f, 0.98165828f},
    },
    {   // 88200 Hz
        /* 0 (80 Hz) */ {1.99194038f, -0.991972744f, 8.08713685e-06f, 0.995978296f},
        /* 1 (120 Hz) */ {1.98791063f, -0.987983286f, 1.81595533e-05f, 0.993973494f},
        /* 2 (160 Hz) */ {1.983881f, -0.984009922f, 3.22189735e-05f, 0.991972744f},
        /* 3 (200 Hz) */ {1.97985148f, -0.980052531f, 5.02414223e-05f, 0.989975989f},
    },
    {   // 96000 Hz
        /* 0 (80 Hz) */ {1.9925952f, -0.992622554f, 6.828594e-06f, 0.996304452f},
        /* 1 (120 Hz) */ {1.98889291f, -0.988954246f, 1.53360088e-05f, 0.994461775f},
        /* 2 (160 Hz) */ {1.98519063f, -0.985299528f, 2.72138077e-05f, 0.992622554f},
        /* 3 (200 Hz) */ {1.98148847f, -0.98165828f, 4.24433674e-05f, 0.990786672f},
    },
};

constexpr BiquadCoefficients CrossoverLowpass(const CrossoverRow& row)
{
    return BiquadCoefficients{{row.lowpassB0, row.a1, 2.0f * row.lowpassB0, row.a2, row.lowpassB0}};
}

constexpr BiquadCoefficients CrossoverHighpass(const CrossoverRow& row)
{
    return BiquadCoefficients{{row.highpassB0, row.a1, -2.0f * row.highpassB0, row.a2, row.highpassB0}};
}

struct CrossoverCoefficients {
    BiquadCoefficients lowpass[kCrossoverCount];
    BiquadCoefficients highpass[kCrossoverCount];
};

constexpr CrossoverCoefficients CrossoverClass(ULONG rateClass)
{
    CrossoverCoefficients set{};
    for (ULONG i = 0; i < kCrossoverCount; ++i) {
        set.lowpass[i] = CrossoverLowpass(kCrossoverTable[rateClass][i]);
        set.highpass[i] = CrossoverHighpass(kCrossoverTable[rateClass][i]);
    }
    return set;
}

inline constexpr CrossoverCoefficients kCrossoverCoefficients[kKOVARateClassCount] = {
    CrossoverClass(KOVARate32000), CrossoverClass(KOVARate44100), CrossoverClass(KOVARate48000),
    CrossoverClass(KOVARate88200), CrossoverClass(KOVARate96000),
};

//                                                   b0            -a1           b1             -a2            b2
inline constexpr BiquadCoefficients kPresenceHighpass[kKOVARateClassCount] = {
    /* 32000 Hz */ {{0.745197773f, 1.4728533f, -1.49039555f, -0.507937908f, 0.745197773f}},
    /* 44100 Hz */ {{0.802719057f, 1.59548855f, -1.60543811f, -0.615387559f, 0.802719057f}},
    /* 48000 Hz */ {{0.816103458f, 1.62366855f, -1.63220692f, -0.640745401f, 0.816103458f}},
    /* 88200 Hz */ {{0.891795278f, 1.78082716f, -1.78359056f, -0.786353946f, 0.891795278f}},
    /* 96000 Hz */ {{0.899798751f, 1.79724407f, -1.7995975f, -0.801951051f, 0.899798751f}},
};

static_assert(kCrossoverCoefficients[KOVARate48000].lowpass[3].c[1] == 1.96298003f);
static_assert(kCrossoverCoefficients[KOVARate48000].highpass[3].c[2] == -2.0f * 0.98165828f);
static_assert(kCrossoverCoefficients[KOVARate88200].lowpass[0].c[2] == 2.0f * 8.08713685e-06f);
static_assert(kCrossoverCoefficients[KOVARate32000].highpass[0].c[3] == -0.978030503f);
static_assert(kPresenceHighpass[KOVARate44100].c[2] == -1.60543811f);
