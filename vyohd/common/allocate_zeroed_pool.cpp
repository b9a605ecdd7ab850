#include "allocate_zeroed_pool.h"

PVOID AllocateZeroedPool(SIZE_T size, POOL_TYPE poolType, ULONG tag)
{
    PVOID block = ExAllocatePoolWithTag(poolType, size, tag);
    if (block != NULL) {
        RtlZeroMemory(block, size);
    }
    return block;
}
