// The stages keep their filter memory as plain floats in the stream's state
// block, where the denormal register can reach them and where the 3D paths
// share one set of state words between filters of different forms. These
// run one filter form over a block with such memory: load the state into
// the form, process, store the state back.
//
// Real-time code: no allocation, no locks.
#pragma once

#include "filter_primitives.h"

namespace vyohd {

inline void RunBiquad(const BiquadCoefficients* set, float& s0, float& s1, const float* in, float* out, LONG n)
{
    Biquad filter{set, s0, s1};
    filter.Process(in, out, n);
    s0 = filter.s0;
    s1 = filter.s1;
}

inline void RunFirstOrder(const FirstOrderCoefficients* set, float& state, float* x, LONG n)
{
    FirstOrderSection filter{set, state};
    filter.Process(x, n);
    state = filter.s;
}

inline void RunPhaseA(const PhaseCoefficients* set, float& state, float* x, LONG n)
{
    PhaseSectionA filter{set, state};
    filter.Process(x, n);
    state = filter.s;
}

inline void RunPhaseB(const PhaseCoefficients* set, float& state, float* x, LONG n)
{
    PhaseSectionB filter{set, state};
    filter.Process(x, n);
    state = filter.s;
}

inline void RunOnePole(const OnePoleCoefficients* set, float& state, float* x, LONG n)
{
    OnePoleLowpass filter{set, state};
    filter.Process(x, n);
    state = filter.s;
}

inline void RunBandpass(const BandpassCoefficients* set, float& s0, float& s1, const float* in, float* out, LONG n)
{
    BandpassSection filter{set, s0, s1};
    filter.Process(in, out, n);
    s0 = filter.s0;
    s1 = filter.s1;
}

}  // namespace vyohd
