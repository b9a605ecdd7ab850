// The nine sample rates for which every stage holds a coefficient set. A
// stream's rate is mapped to the nearest class once, at format time; the
// stages then index their constant tables by the class.
#pragma once

#include <wdm.h>

namespace vyohd {

enum RateClass : LONG {
    RateClass8000,
    RateClass11025,
    RateClass16000,
    RateClass22050,
    RateClass24000,
    RateClass32000,
    RateClass44100,
    RateClass48000,
    RateClass96000,
    RateClassCount
};

constexpr ULONG kRateClassHz[RateClassCount] = {
    8000, 11025, 16000, 22050, 24000, 32000, 44100, 48000, 96000,
};

// The class for nSamplesPerSec. The bounds lie close to the geometric means
// of neighbouring class rates; any rate above the last bound is 96000.
RateClass SelectRateClass(ULONG samplesPerSec);

// A coefficient table laid out like its source has one row per class, each
// beginning with the class rate in Hz; this proves the rows are in order.
template <typename Row, LONG Count>
constexpr bool RowsFollowRateClasses(const Row (&rows)[Count])
{
    if (Count != RateClassCount) {
        return false;
    }
    for (LONG i = 0; i < Count; ++i) {
        if (rows[i].rateHz != kRateClassHz[i]) {
            return false;
        }
    }
    return true;
}

}  // namespace vyohd
