// Release factor of the output limiter per rate class: the gain recovers by
// 1 dB per second, r = 10^(1 / (20 x fs)) - 1.
#pragma once

#include "rate_class.h"

namespace vyohd {

struct LimiterReleaseRow {
    ULONG rateHz;
    float r;
};

inline constexpr LimiterReleaseRow kLimiterRelease[RateClassCount] = {
    //  rate              r
    { 8000,  1.4391183e-05f},
    {11025, 1.04425817e-05f},
    {16000, 7.19559148e-06f},
    {22050, 5.22129085e-06f},
    {24000, 4.79706068e-06f},
    {32000, 3.59779574e-06f},
    {44100, 2.61064542e-06f},
    {48000, 2.39853034e-06f},
    {96000, 1.19926233e-06f},
};

static_assert(RowsFollowRateClasses(kLimiterRelease));

}  // namespace vyohd
