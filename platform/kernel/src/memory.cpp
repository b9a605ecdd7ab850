// Memory descriptor lists, probing of client memory, and the guarded blocks
// that catch a raised status.

#include <atomic>

#include "object_manager.h"
#include "pool_tags.h"
#include "process.h"
#include "sim/bugcheck.h"
#include "sim/memory.h"

namespace {

std::atomic<std::uint32_t> gFailingMappings{0};

sim::AddressSpace& CurrentMemory()
{
    return sim::thread_state::CurrentProcess()->memory;
}

void RaiseUnless(bool accessible)
{
    if (!accessible) {
        ExRaiseStatus(STATUS_ACCESS_VIOLATION);
    }
}

}  // namespace

NTKERNELAPI VOID NTAPI SehEnterFrame(SEH_FRAME* Frame)
{
    SEH_FRAME*& top = sim::thread_state::ExceptionFrames();
    Frame->Previous = top;
    Frame->Code = STATUS_SUCCESS;
    top = Frame;
}

NTKERNELAPI VOID NTAPI SehLeaveFrame(SEH_FRAME* Frame)
{
    SEH_FRAME*& top = sim::thread_state::ExceptionFrames();
    if (top != Frame) {
        sim::BugCheck("KMODE_EXCEPTION_NOT_HANDLED", "a guarded block was left out of order (return inside SEH_TRY?)");
    }
    top = Frame->Previous;
}

NTKERNELAPI VOID NTAPI ExRaiseStatus(NTSTATUS Status)
{
    SEH_FRAME*& top = sim::thread_state::ExceptionFrames();
    SEH_FRAME* frame = top;
    if (frame == nullptr) {
        sim::BugCheck("KMODE_EXCEPTION_NOT_HANDLED", "a status was raised outside any guarded block");
    }
    top = frame->Previous;
    frame->Code = Status;
    longjmp(frame->Target, 1);
}

NTKERNELAPI VOID NTAPI ProbeForRead(const volatile VOID* Address, SIZE_T Length, ULONG Alignment)
{
    if (Length == 0) {
        return;
    }
    if (Alignment != 0 && (reinterpret_cast<ULONG_PTR>(Address) & (Alignment - 1)) != 0) {
        ExRaiseStatus(STATUS_DATATYPE_MISALIGNMENT);
    }
    RaiseUnless(CurrentMemory().IsAccessible(const_cast<const void*>(Address), Length, sim::AddressSpace::Access::Read));
}

NTKERNELAPI VOID NTAPI ProbeForWrite(volatile VOID* Address, SIZE_T Length, ULONG Alignment)
{
    if (Length == 0) {
        return;
    }
    if (Alignment != 0 && (reinterpret_cast<ULONG_PTR>(Address) & (Alignment - 1)) != 0) {
        ExRaiseStatus(STATUS_DATATYPE_MISALIGNMENT);
    }
    RaiseUnless(CurrentMemory().IsAccessible(const_cast<const void*>(Address), Length, sim::AddressSpace::Access::Write));
}

NTKERNELAPI PMDL NTAPI IoAllocateMdl(PVOID VirtualAddress, ULONG Length, BOOLEAN SecondaryBuffer,
                                     BOOLEAN ChargeQuota, PIRP Irp)
{
    (void)ChargeQuota;
    if (Length == 0) {
        return nullptr;
    }
    const ULONG pages = ADDRESS_AND_SIZE_TO_SPAN_PAGES(VirtualAddress, Length);
    const SIZE_T size = sizeof(MDL) + pages * sizeof(ULONG_PTR);  // room for the page frame numbers
    auto* mdl = static_cast<PMDL>(ExAllocatePoolWithTag(NonPagedPool, size, sim::kMdlTag));
    if (mdl == nullptr) {
        return nullptr;
    }
    memset(mdl, 0, size);
    mdl->Size = static_cast<CSHORT>(size);
    mdl->StartVa = PAGE_ALIGN(VirtualAddress);
    mdl->ByteOffset = BYTE_OFFSET(VirtualAddress);
    mdl->ByteCount = Length;
    if (Irp != nullptr) {
        if (!SecondaryBuffer || Irp->MdlAddress == nullptr) {
            Irp->MdlAddress = mdl;
        } else {
            PMDL last = Irp->MdlAddress;
            while (last->Next != nullptr) {
                last = last->Next;
            }
            last->Next = mdl;
        }
    }
    return mdl;
}

NTKERNELAPI VOID NTAPI IoFreeMdl(PMDL Mdl)
{
    if (Mdl->MdlFlags & MDL_PAGES_LOCKED) {
        sim::BugCheck("DRIVER_VERIFIER_DETECTED_VIOLATION", "IoFreeMdl of an MDL whose pages are still locked");
    }
    ExFreePoolWithTag(Mdl, sim::kMdlTag);
}

NTKERNELAPI VOID NTAPI MmProbeAndLockPages(PMDL MemoryDescriptorList, KPROCESSOR_MODE AccessMode,
                                           LOCK_OPERATION Operation)
{
    (void)AccessMode;
    PMDL mdl = MemoryDescriptorList;
    if (mdl->MdlFlags & MDL_PAGES_LOCKED) {
        sim::BugCheck("DRIVER_VERIFIER_DETECTED_VIOLATION", "MmProbeAndLockPages of an MDL that is locked already");
    }
    const void* address = MmGetMdlVirtualAddress(mdl);
    const auto access = Operation == IoReadAccess ? sim::AddressSpace::Access::Read : sim::AddressSpace::Access::Write;
    PEPROCESS process = sim::thread_state::CurrentProcess();
    RaiseUnless(process->memory.IsAccessible(address, mdl->ByteCount, access));
    process->memory.Lock(address, mdl->ByteCount);
    mdl->Process = process;
    mdl->MdlFlags |= MDL_PAGES_LOCKED;
}

NTKERNELAPI VOID NTAPI MmUnlockPages(PMDL MemoryDescriptorList)
{
    PMDL mdl = MemoryDescriptorList;
    if (!(mdl->MdlFlags & MDL_PAGES_LOCKED)) {
        sim::BugCheck("DRIVER_VERIFIER_DETECTED_VIOLATION", "MmUnlockPages of an MDL that is not locked");
    }
    if (mdl->MdlFlags & MDL_MAPPED_TO_SYSTEM_VA) {
        MmUnmapLockedPages(mdl->MappedSystemVa, mdl);
    }
    mdl->Process->memory.Unlock(MmGetMdlVirtualAddress(mdl), mdl->ByteCount);
    mdl->MdlFlags &= ~MDL_PAGES_LOCKED;
}

NTKERNELAPI PVOID NTAPI MmMapLockedPagesSpecifyCache(PMDL MemoryDescriptorList, KPROCESSOR_MODE AccessMode,
                                                     MEMORY_CACHING_TYPE CacheType, PVOID RequestedAddress,
                                                     ULONG BugCheckOnFailure, ULONG Priority)
{
    (void)AccessMode;
    (void)CacheType;
    (void)RequestedAddress;
    (void)Priority;
    PMDL mdl = MemoryDescriptorList;
    if (!(mdl->MdlFlags & (MDL_PAGES_LOCKED | MDL_SOURCE_IS_NONPAGED_POOL))) {
        sim::BugCheck("DRIVER_VERIFIER_DETECTED_VIOLATION", "a mapping of pages that are not locked");
    }
    std::uint32_t failing = gFailingMappings.load();
    while (failing > 0 && !gFailingMappings.compare_exchange_weak(failing, failing - 1)) {
    }
    if (failing > 0) {
        if (BugCheckOnFailure) {
            sim::BugCheck("NO_MORE_SYSTEM_PTES", "a mapping failed and the caller asked to stop the machine");
        }
        return nullptr;
    }
    // The system-space view of locked client pages is the same memory.
    mdl->MappedSystemVa = MmGetMdlVirtualAddress(mdl);
    mdl->MdlFlags |= MDL_MAPPED_TO_SYSTEM_VA;
    return mdl->MappedSystemVa;
}

NTKERNELAPI VOID NTAPI MmUnmapLockedPages(PVOID BaseAddress, PMDL MemoryDescriptorList)
{
    PMDL mdl = MemoryDescriptorList;
    if (!(mdl->MdlFlags & MDL_MAPPED_TO_SYSTEM_VA) || BaseAddress != mdl->MappedSystemVa) {
        sim::BugCheck("DRIVER_VERIFIER_DETECTED_VIOLATION", "MmUnmapLockedPages of an address that is not mapped");
    }
    mdl->MdlFlags &= ~MDL_MAPPED_TO_SYSTEM_VA;
    mdl->MappedSystemVa = nullptr;
}

NTKERNELAPI VOID NTAPI MmBuildMdlForNonPagedPool(PMDL MemoryDescriptorList)
{
    MemoryDescriptorList->MdlFlags |= MDL_SOURCE_IS_NONPAGED_POOL;
    MemoryDescriptorList->MappedSystemVa = MmGetMdlVirtualAddress(MemoryDescriptorList);
}

namespace sim::memory {

void FailNextMappings(std::uint32_t count)
{
    gFailingMappings.store(count);
}

}  // namespace sim::memory
