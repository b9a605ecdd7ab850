// Pool tags of the kernel stand-in's own objects.
#pragma once

#include <wdm.h>

namespace sim {

constexpr ULONG Tag(const char (&text)[5])
{
    return static_cast<ULONG>(static_cast<UCHAR>(text[0])) | static_cast<ULONG>(static_cast<UCHAR>(text[1])) << 8 |
           static_cast<ULONG>(static_cast<UCHAR>(text[2])) << 16 |
           static_cast<ULONG>(static_cast<UCHAR>(text[3])) << 24;
}

constexpr ULONG kEventTag = Tag("Even");
constexpr ULONG kThreadTag = Tag("Thre");
constexpr ULONG kFileTag = Tag("File");
constexpr ULONG kDeviceTag = Tag("Devi");
constexpr ULONG kDriverTag = Tag("Driv");
constexpr ULONG kKeyTag = Tag("Key ");
constexpr ULONG kIrpTag = Tag("Irp ");
constexpr ULONG kMdlTag = Tag("Mdl ");
constexpr ULONG kIoBufferTag = Tag("IoBf");
constexpr ULONG kStringTag = Tag("Strg");

// Allocates without the injected faults of sim::pool: for what the platform
// must never fail to get (the request that closes a file, say).
PVOID AllocatePoolMustSucceed(POOL_TYPE type, SIZE_T size, ULONG tag);

}  // namespace sim
