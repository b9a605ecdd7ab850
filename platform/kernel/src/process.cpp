#include "process.h"

#include <sys/mman.h>

namespace {

constexpr ULONG_PTR kLowestClientAddress = 0x10000;

SIZE_T RoundUpToPages(SIZE_T size)
{
    return (size + PAGE_SIZE - 1) & ~static_cast<SIZE_T>(PAGE_SIZE - 1);
}

int ProtectionFlags(ULONG protect)
{
    switch (protect) {
    case PAGE_READWRITE:
        return PROT_READ | PROT_WRITE;
    case PAGE_READONLY:
        return PROT_READ;
    default:
        return PROT_NONE;
    }
}

bool ValidProtection(ULONG protect)
{
    return protect == PAGE_READWRITE || protect == PAGE_READONLY || protect == PAGE_NOACCESS;
}

}  // namespace

namespace sim {

std::map<ULONG_PTR, AddressSpace::Region>::iterator AddressSpace::Find(ULONG_PTR address)
{
    auto region = m_regions.upper_bound(address);
    if (region == m_regions.begin()) {
        return m_regions.end();
    }
    --region;
    // The guard page behind the region belongs to it too.
    if (address < region->first + region->second.size + PAGE_SIZE) {
        return region;
    }
    return m_regions.end();
}

NTSTATUS AddressSpace::Allocate(PVOID* base, SIZE_T* size, ULONG protect)
{
    if (*size == 0 || !ValidProtection(protect)) {
        return STATUS_INVALID_PARAMETER;
    }
    const SIZE_T accessible = RoundUpToPages(*size);
    void* mapping = mmap(nullptr, accessible + PAGE_SIZE, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapping == MAP_FAILED) {
        return STATUS_INSUFFICIENT_RESOURCES;
    }
    mprotect(mapping, accessible, ProtectionFlags(protect));
    std::lock_guard<std::mutex> guard(m_lock);
    m_regions[reinterpret_cast<ULONG_PTR>(mapping)] = Region{accessible, protect, false, 0};
    *base = mapping;
    *size = accessible;
    return STATUS_SUCCESS;
}

NTSTATUS AddressSpace::Protect(PVOID base, SIZE_T size, ULONG newProtect, ULONG* oldProtect)
{
    if (!ValidProtection(newProtect)) {
        return STATUS_INVALID_PARAMETER;
    }
    std::lock_guard<std::mutex> guard(m_lock);
    auto region = m_regions.find(reinterpret_cast<ULONG_PTR>(base));
    if (region == m_regions.end() || region->second.freed || RoundUpToPages(size) != region->second.size) {
        return STATUS_INVALID_PARAMETER;  // whole regions only, which is all the clients need
    }
    *oldProtect = region->second.protect;
    region->second.protect = newProtect;
    mprotect(base, region->second.size, ProtectionFlags(newProtect));
    return STATUS_SUCCESS;
}

void AddressSpace::Unmap(ULONG_PTR base, const Region& region)
{
    munmap(reinterpret_cast<void*>(base), region.size + PAGE_SIZE);
}

NTSTATUS AddressSpace::Free(PVOID base)
{
    std::lock_guard<std::mutex> guard(m_lock);
    auto region = m_regions.find(reinterpret_cast<ULONG_PTR>(base));
    if (region == m_regions.end() || region->second.freed) {
        return STATUS_INVALID_PARAMETER;
    }
    if (region->second.locks > 0) {
        // Locked pages stay until the last lock is released; the client
        // cannot reach them any more.
        region->second.freed = true;
        return STATUS_SUCCESS;
    }
    Unmap(region->first, region->second);
    m_regions.erase(region);
    return STATUS_SUCCESS;
}

bool AddressSpace::IsAccessible(const void* address, SIZE_T length, Access access)
{
    const auto start = reinterpret_cast<ULONG_PTR>(address);
    if (length == 0) {
        return true;
    }
    if (start < kLowestClientAddress || start + length < start) {
        return false;
    }
    const ULONG_PTR end = start + length;
    std::lock_guard<std::mutex> guard(m_lock);
    // Any reserved region the range touches must hold the whole range.
    auto region = Find(start);
    if (region == m_regions.end()) {
        auto next = m_regions.lower_bound(start);
        return next == m_regions.end() || next->first >= end;
    }
    const Region& r = region->second;
    if (r.freed || end > region->first + r.size) {
        return false;
    }
    return access == Access::Read ? r.protect != PAGE_NOACCESS : r.protect == PAGE_READWRITE;
}

void AddressSpace::Lock(const void* address, SIZE_T length)
{
    (void)length;
    std::lock_guard<std::mutex> guard(m_lock);
    auto region = Find(reinterpret_cast<ULONG_PTR>(address));
    if (region != m_regions.end()) {
        region->second.locks += 1;
    }
}

void AddressSpace::Unlock(const void* address, SIZE_T length)
{
    (void)length;
    std::lock_guard<std::mutex> guard(m_lock);
    auto region = Find(reinterpret_cast<ULONG_PTR>(address));
    if (region == m_regions.end()) {
        return;
    }
    region->second.locks -= 1;
    if (region->second.locks == 0 && region->second.freed) {
        Unmap(region->first, region->second);
        m_regions.erase(region);
    }
}

void AddressSpace::ReleaseAll()
{
    std::lock_guard<std::mutex> guard(m_lock);
    for (auto region = m_regions.begin(); region != m_regions.end();) {
        if (region->second.locks > 0) {
            region->second.freed = true;
            ++region;
        } else {
            Unmap(region->first, region->second);
            region = m_regions.erase(region);
        }
    }
}

PEPROCESS SystemProcess()
{
    static PEPROCESS system = new _KPROCESS("System", true);
    return system;
}

PEPROCESS DefaultClientProcess()
{
    static PEPROCESS process = new _KPROCESS("vastum", false);
    return process;
}

}  // namespace sim

namespace {

sim::AddressSpace* SpaceOf(HANDLE process)
{
    if (process != NtCurrentProcess()) {
        return nullptr;
    }
    return &sim::thread_state::CurrentProcess()->memory;
}

}  // namespace

NTSYSAPI NTSTATUS NTAPI ZwAllocateVirtualMemory(HANDLE ProcessHandle, PVOID* BaseAddress, ULONG_PTR ZeroBits,
                                                PSIZE_T RegionSize, ULONG AllocationType, ULONG Protect)
{
    (void)ZeroBits;
    sim::AddressSpace* space = SpaceOf(ProcessHandle);
    if (space == nullptr) {
        return STATUS_INVALID_HANDLE;
    }
    if (*BaseAddress != nullptr || (AllocationType & MEM_COMMIT) == 0) {
        return STATUS_NOT_SUPPORTED;  // fresh committed regions only
    }
    return space->Allocate(BaseAddress, RegionSize, Protect);
}

NTSYSAPI NTSTATUS NTAPI ZwProtectVirtualMemory(HANDLE ProcessHandle, PVOID* BaseAddress, PSIZE_T RegionSize,
                                               ULONG NewProtect, PULONG OldProtect)
{
    sim::AddressSpace* space = SpaceOf(ProcessHandle);
    if (space == nullptr) {
        return STATUS_INVALID_HANDLE;
    }
    return space->Protect(*BaseAddress, *RegionSize, NewProtect, OldProtect);
}

NTSYSAPI NTSTATUS NTAPI ZwFreeVirtualMemory(HANDLE ProcessHandle, PVOID* BaseAddress, PSIZE_T RegionSize,
                                            ULONG FreeType)
{
    (void)RegionSize;
    sim::AddressSpace* space = SpaceOf(ProcessHandle);
    if (space == nullptr) {
        return STATUS_INVALID_HANDLE;
    }
    if (FreeType != MEM_RELEASE) {
        return STATUS_NOT_SUPPORTED;
    }
    return space->Free(*BaseAddress);
}
