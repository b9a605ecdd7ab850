// Pool tags of the VYO HD engine, one per kind of object. Everything lives
// in non-paged pool, since all of it is touched on the audio path.
#pragma once

#include "pool_tag.h"

namespace vyohd {

constexpr ULONG kVYOHDManagerTag = PoolTag("VYOm");     // zero-filled; freed with ExFreePool
constexpr ULONG kVYOHDStreamTag = PoolTag("VYOp");      // zero-filled; freed with ExFreePool
constexpr ULONG kVYOHDContextTag = PoolTag("VYOC");     // initialized field by field
constexpr ULONG kVYOHDStateBlockTag = PoolTag("VYOS");  // initialized field by field

}  // namespace vyohd
