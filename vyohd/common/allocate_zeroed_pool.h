#pragma once

#include <wdm.h>

// Allocates `size` bytes of `poolType` with `tag` and fills them with zeros.
// Returns the block, or NULL when the pool has none to give.
PVOID AllocateZeroedPool(SIZE_T size, POOL_TYPE poolType, ULONG tag);
