// Every converted input sample gets a tiny offset, so that even digital
// silence reaches the recursive filters as a nonzero signal and their memory
// never settles into the slow denormal range. The offset is one entry of a
// four-entry table, drawn afresh for every sample (left before right).
//
// The draw comes from a generator per stream, seeded from the kernel
// runtime's rand() when the stream is created: a call per sample into the
// shared, locked rand() would cost more than the rest of a frame's work, and
// a stream's own sequence does not depend on what other streams draw.
#pragma once

#include <wdm.h>

namespace vyohd {

constexpr float kInputDither[4] = {0.0f, +1.0e-8f, 0.0f, -1.0e-8f};

struct DitherSource {
    ULONG state;

    void Seed(ULONG seed) { state = seed; }

    // A 32-bit linear congruential step; its top two bits index the table
    // (the low bits of such a generator repeat with a short period).
    float Next()
    {
        state = state * 1664525u + 1013904223u;
        return kInputDither[state >> 30];
    }
};

}  // namespace vyohd
