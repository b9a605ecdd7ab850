// Coefficients of the Elevo stage: a first-order high-pass per rate class
// (b1 = -b0, a zero at 0 Hz) with its bilinear corner at 723 Hz and a gain of
// 1.99526 (+6 dB) at half the sample rate.
#pragma once

#include "filter_primitives.h"
#include "rate_class.h"

namespace vyohd {

struct ElevoRow {
    ULONG rateHz;
    FirstOrderCoefficients set;  // b0, -a1, b1
};

inline constexpr ElevoRow kElevoSets[RateClassCount] = {
    //  rate         b0          -a1           b1
    { 8000, {{  1.544554f, 0.548221469f,   -1.544554f}}},
    {11025, {{1.65036118f, 0.654279947f, -1.65036118f}}},
    {16000, {{1.74575531f,  0.74990052f, -1.74575531f}}},
    {22050, {{1.80832505f, 0.812618792f, -1.80832505f}}},
    {24000, {{1.82228374f, 0.826610684f, -1.82228374f}}},
    {32000, {{1.86281645f, 0.867239654f, -1.86281645f}}},
    {44100, {{1.89744771f, 0.901953161f, -1.89744771f}}},
    {48000, {{1.90504766f, 0.909571111f, -1.90504766f}}},
    {96000, {{1.94913685f, 0.953765035f, -1.94913685f}}},
};

static_assert(RowsFollowRateClasses(kElevoSets));

}  // namespace vyohd
