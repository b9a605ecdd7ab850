// The five sample rates the KOVA engine holds coefficient sets for, and the
// bounds that choose one from a stream's rate.
#pragma once

#include <wdm.h>

enum KOVARateClass : ULONG {
    KOVARate32000 = 0,
    KOVARate44100 = 1,
    KOVARate48000 = 2,
    KOVARate88200 = 3,
    KOVARate96000 = 4,
};

constexpr ULONG kKOVARateClassCount = 5;

struct KOVARateBound {
    ULONG below;  // a rate below this bound ...
    KOVARateClass rateClass;  // ... selects this class
};

inline constexpr KOVARateBound kKOVARateBounds[] = {
    {38528, KOVARate32000},
    {46091, KOVARate44100},
    {71004, KOVARate48000},
    {92183, KOVARate88200},
};

// Unsigned comparison: any rate at or above the last bound is 96000 Hz.
constexpr KOVARateClass SelectKOVARateClass(ULONG sampleRate)
{
    for (const KOVARateBound& bound : kKOVARateBounds) {
        if (sampleRate < bound.below) {
            return bound.rateClass;
        }
    }
    return KOVARate96000;
}
