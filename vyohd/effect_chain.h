// Frame processing of one block of a stream: the input and output gains
// around the effect chain, or the bypass while the engine is disabled.
//
// Real-time code: no allocation, no locks. Parameters are read as whole
// words; a block may see some of a concurrent change and not the rest.
#pragma once

#include "process_block.h"
#include "vyohd_context.h"

namespace vyohd {

void ProcessFrameBlock(VYOHDContext& context, ProcessBlock& block, LONG n);

}  // namespace vyohd
