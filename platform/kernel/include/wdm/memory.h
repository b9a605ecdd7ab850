// Memory descriptor lists and client memory. A client's buffer is checked
// against the memory of the process whose thread makes the request: probing
// and locking raise STATUS_ACCESS_VIOLATION (see exceptions.h) for a range
// the client cannot read, or cannot write when write access is asked for.
#pragma once

#include <wdm.h>

#define PAGE_SIZE 0x1000
#define PAGE_SHIFT 12
#define BYTE_OFFSET(Va) ((ULONG)((ULONG_PTR)(Va) & (PAGE_SIZE - 1)))
#define PAGE_ALIGN(Va) ((PVOID)((ULONG_PTR)(Va) & ~(ULONG_PTR)(PAGE_SIZE - 1)))
#define ADDRESS_AND_SIZE_TO_SPAN_PAGES(Va, Size) \
    ((ULONG)((((ULONG_PTR)(Size)) + BYTE_OFFSET(Va) + PAGE_SIZE - 1) >> PAGE_SHIFT))

struct _MDL {
    struct _MDL* Next;
    CSHORT Size;
    CSHORT MdlFlags;
    PEPROCESS Process;
    PVOID MappedSystemVa;
    PVOID StartVa;  // page-aligned start of the described range
    ULONG ByteCount;
    ULONG ByteOffset;
};

#define MDL_MAPPED_TO_SYSTEM_VA     0x0001
#define MDL_PAGES_LOCKED            0x0002
#define MDL_SOURCE_IS_NONPAGED_POOL 0x0004
#define MDL_ALLOCATED_FIXED_SIZE    0x0008
#define MDL_PARTIAL                 0x0010

typedef enum _LOCK_OPERATION { IoReadAccess, IoWriteAccess, IoModifyAccess } LOCK_OPERATION;
typedef enum _MEMORY_CACHING_TYPE { MmNonCached = 0, MmCached = 1, MmWriteCombined = 2 } MEMORY_CACHING_TYPE;
typedef enum _MM_PAGE_PRIORITY {
    LowPagePriority,
    NormalPagePriority = 16,
    HighPagePriority = 32
} MM_PAGE_PRIORITY;

NTKERNELAPI PMDL NTAPI IoAllocateMdl(PVOID VirtualAddress, ULONG Length, BOOLEAN SecondaryBuffer,
                                     BOOLEAN ChargeQuota, PIRP Irp);
NTKERNELAPI VOID NTAPI IoFreeMdl(PMDL Mdl);
// Raises STATUS_ACCESS_VIOLATION when the range is not accessible to the
// current process as Operation asks.
NTKERNELAPI VOID NTAPI MmProbeAndLockPages(PMDL MemoryDescriptorList, KPROCESSOR_MODE AccessMode,
                                           LOCK_OPERATION Operation);
NTKERNELAPI VOID NTAPI MmUnlockPages(PMDL MemoryDescriptorList);
NTKERNELAPI PVOID NTAPI MmMapLockedPagesSpecifyCache(PMDL MemoryDescriptorList, KPROCESSOR_MODE AccessMode,
                                                     MEMORY_CACHING_TYPE CacheType, PVOID RequestedAddress,
                                                     ULONG BugCheckOnFailure, ULONG Priority);
NTKERNELAPI VOID NTAPI MmUnmapLockedPages(PVOID BaseAddress, PMDL MemoryDescriptorList);
NTKERNELAPI VOID NTAPI MmBuildMdlForNonPagedPool(PMDL MemoryDescriptorList);

#define MmGetMdlVirtualAddress(Mdl) ((PVOID)((PCHAR)((Mdl)->StartVa) + (Mdl)->ByteOffset))
#define MmGetMdlByteCount(Mdl) ((Mdl)->ByteCount)
#define MmGetMdlByteOffset(Mdl) ((Mdl)->ByteOffset)

FORCEINLINE PVOID MmGetSystemAddressForMdlSafe(PMDL Mdl, ULONG Priority)
{
    if (Mdl->MdlFlags & (MDL_MAPPED_TO_SYSTEM_VA | MDL_SOURCE_IS_NONPAGED_POOL)) {
        return Mdl->MappedSystemVa;
    }
    return MmMapLockedPagesSpecifyCache(Mdl, KernelMode, MmCached, NULL, FALSE, Priority);
}

// Raise STATUS_ACCESS_VIOLATION when the range is not readable (writable) by
// the current process, STATUS_DATATYPE_MISALIGNMENT when Address is not a
// multiple of Alignment. A zero length checks nothing.
NTKERNELAPI VOID NTAPI ProbeForRead(const volatile VOID* Address, SIZE_T Length, ULONG Alignment);
NTKERNELAPI VOID NTAPI ProbeForWrite(volatile VOID* Address, SIZE_T Length, ULONG Alignment);

// ---------------------------------------------------------------------------
// Virtual memory of a client process (the system services behind
// VirtualAlloc, VirtualProtect and VirtualFree).

#define NtCurrentProcess() ((HANDLE)(LONG_PTR)-1)
#define ZwCurrentProcess() NtCurrentProcess()

NTSYSAPI NTSTATUS NTAPI ZwAllocateVirtualMemory(HANDLE ProcessHandle, PVOID* BaseAddress, ULONG_PTR ZeroBits,
                                                PSIZE_T RegionSize, ULONG AllocationType, ULONG Protect);
NTSYSAPI NTSTATUS NTAPI ZwProtectVirtualMemory(HANDLE ProcessHandle, PVOID* BaseAddress, PSIZE_T RegionSize,
                                               ULONG NewProtect, PULONG OldProtect);
NTSYSAPI NTSTATUS NTAPI ZwFreeVirtualMemory(HANDLE ProcessHandle, PVOID* BaseAddress, PSIZE_T RegionSize,
                                            ULONG FreeType);
