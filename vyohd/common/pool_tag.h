// Pool tags are written as the four characters a pool dump shows ("VYOm");
// the first character is the lowest byte of the tag.
#pragma once

#include <wdm.h>

constexpr ULONG PoolTag(const char (&text)[5])
{
    return static_cast<ULONG>(static_cast<UCHAR>(text[0])) |
           static_cast<ULONG>(static_cast<UCHAR>(text[1])) << 8 |
           static_cast<ULONG>(static_cast<UCHAR>(text[2])) << 16 |
           static_cast<ULONG>(static_cast<UCHAR>(text[3])) << 24;
}
