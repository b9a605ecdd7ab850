// Reading and writing one registry value under a key the caller opened.
// Parameters are stored as REG_DWORD (booleans and integers) or as the 4
// bytes of a single-precision float in REG_BINARY (levels and gains). A
// value is accepted only with the expected type and exactly 4 bytes of data;
// anything else reads as "not found" and the caller keeps its value.
//
// PASSIVE_LEVEL. The key handle stays the caller's.
#pragma once

#include <wdm.h>

#include "pool_tag.h"

// Query buffers come from paged pool with this tag.
constexpr ULONG kRegistryQueryTag = PoolTag("RegL");

// Copies the 4 data bytes of the value to `out` when it exists with
// `expectedType` and exactly 4 bytes; returns whether it did. `out` is
// untouched otherwise (a missing value, another type or length, a failed
// query or allocation).
BOOLEAN ReadRegistryValue(HANDLE key, PCWSTR name, PVOID out, ULONG expectedType);

inline BOOLEAN ReadRegistryDword(HANDLE key, PCWSTR name, PULONG out)
{
    return ReadRegistryValue(key, name, out, REG_DWORD);
}

inline BOOLEAN ReadRegistryFloat(HANDLE key, PCWSTR name, float* out)
{
    return ReadRegistryValue(key, name, out, REG_BINARY);
}

// `out` is 0 unless a REG_DWORD is found, then 1 for any nonzero value.
BOOLEAN ReadRegistryBool(HANDLE key, PCWSTR name, PUCHAR out);

NTSTATUS WriteRegistryDword(HANDLE key, PCWSTR name, ULONG value);
// The float's 4 bytes as REG_BINARY, least significant byte first.
NTSTATUS WriteRegistryFloat(HANDLE key, PCWSTR name, float value);
