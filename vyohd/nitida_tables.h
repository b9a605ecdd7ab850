// Coefficients of the Nitida stage: a second-order high-pass per rate class
// with a double zero at 0 Hz (b1 = -2 b0, b2 = b0) and two real poles, one of
// them at the bilinear position of 414 Hz.
#pragma once

#include "filter_primitives.h"
#include "rate_class.h"

namespace vyohd {

struct NitidaRow {
    ULONG rateHz;
    BiquadCoefficients set;  // b0, -a1, b1, -a2, b2
};

inline constexpr NitidaRow kNitidaSets[RateClassCount] = {
    //  rate         b0           -a1            b1            -a2            b2
    { 8000, {{ 0.34237197f,  0.70047158f, -0.684743941f,  0.0127148945f,  0.34237197f}}},
    {11025, {{0.446208417f, 0.909271598f, -0.892416835f, -0.0955109671f, 0.446208417f}}},
    {16000, {{0.561895669f,  1.13078964f,  -1.12379134f,  -0.239047766f, 0.561895669f}}},
    {22050, {{0.651937425f,  1.30218124f,  -1.30387485f,    -0.3675659f, 0.651937425f}}},
    {24000, {{0.673758268f,  1.34392083f,  -1.34751654f,  -0.400846899f, 0.673758268f}}},
    {32000, {{0.740911424f,  1.47347248f,  -1.48182285f,   -0.50851512f, 0.740911424f}}},
    {44100, {{0.802387357f,  1.59531248f,  -1.60477471f,  -0.615221083f, 0.802387357f}}},
    {48000, {{0.816104472f,  1.62367117f,  -1.63220894f,  -0.640746832f, 0.816104472f}}},
    {96000, {{0.900526106f,  1.79871893f,  -1.80105221f,  -0.803385496f, 0.900526106f}}},
};

static_assert(RowsFollowRateClasses(kNitidaSets));

}  // namespace vyohd
