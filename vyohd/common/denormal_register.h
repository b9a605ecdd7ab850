// Keeps a stage's filter memory out of the denormal range. Instead of testing
// every state update, a stage steps its register once per block: the step
// looks at one registered state float, in rotation, and sets it to an exact
// zero when its magnitude has decayed below 1.0e-15. A stage with ten state
// floats has each one inspected every tenth block.
//
// Real-time code: one comparison per stage per block.
#pragma once

#include <wdm.h>

// The single-precision value nearest 1.0e-15; both bounds are strict.
constexpr float kDenormalCleanupBound = 1.0e-15f;

template <LONG Capacity>
struct DenormalRegister {
    float* entries[Capacity];
    LONG cursor;
    LONG count;

    // Forgets every entry; the stage appends its state floats in its own
    // order right after clearing them.
    void Reset()
    {
        count = 0;
        cursor = 0;
    }

    void Append(float* state)
    {
        if (count < Capacity) {
            entries[count] = state;
            count += 1;
        }
    }

    void Step()
    {
        if (count <= 0) {
            return;
        }
        float* state = entries[cursor];
        if (-kDenormalCleanupBound < *state && *state < kDenormalCleanupBound) {
            *state = 0.0f;
        }
        cursor += 1;
        if (cursor >= count) {
            cursor = 0;
        }
    }
};
