// The unit of engine processing: up to 16 frames held as one array of left
// and one of right floats, plus six scratch arrays that the stages use for
// their side signals. Each stage runs over the whole block before the next.
#pragma once

#include <wdm.h>

namespace vyohd {

constexpr LONG kProcessBlockFrames = 16;
constexpr LONG kScratchArrays = 6;

typedef float BlockArray[kProcessBlockFrames];

struct ProcessBlock {
    BlockArray left;
    BlockArray right;
    BlockArray scratch[kScratchArrays];
};

}  // namespace vyohd
