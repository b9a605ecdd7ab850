// Stand-in for the platform's GUID header: the GUID layout, DEFINE_GUID and
// comparison, shared by kernel-mode and user-mode code.
#pragma once

#include <stdint.h>
#include <string.h>

#ifndef GUID_DEFINED
#define GUID_DEFINED
typedef struct _GUID {
    uint32_t Data1;
    uint16_t Data2;
    uint16_t Data3;
    uint8_t Data4[8];
} GUID;
#endif

typedef GUID* LPGUID;
typedef const GUID* LPCGUID;
typedef const GUID& REFGUID;

// One definition for every translation unit that includes the header, made
// at compile time, so no global constructor runs for it.
#define DEFINE_GUID(name, l, w1, w2, b1, b2, b3, b4, b5, b6, b7, b8) \
    inline constexpr GUID name = {l, w1, w2, {b1, b2, b3, b4, b5, b6, b7, b8}}

inline bool IsEqualGUID(REFGUID a, REFGUID b)
{
    return memcmp(&a, &b, sizeof(GUID)) == 0;
}

#define InlineIsEqualGUID(a, b) IsEqualGUID((a), (b))

DEFINE_GUID(GUID_NULL, 0x00000000L, 0x0000, 0x0000, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00);
