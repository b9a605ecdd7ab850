// Internals of the simulated processes: each has its own handle table and
// its own view of which memory a client may touch.
#pragma once

#include <wdm.h>

#include <map>
#include <mutex>
#include <string>

#include "object_manager.h"

namespace sim {

// The memory a client process has reserved through the virtual-memory
// services. Memory the process did not reserve there (its heap, stack and
// static data) is accessible to it, except the lowest 64 KiB, which no
// process ever has. Each reserved region is followed by a guard page.
class AddressSpace {
public:
    enum class Access { Read, Write };

    NTSTATUS Allocate(PVOID* base, SIZE_T* size, ULONG protect);
    NTSTATUS Protect(PVOID base, SIZE_T size, ULONG newProtect, ULONG* oldProtect);
    NTSTATUS Free(PVOID base);
    bool IsAccessible(const void* address, SIZE_T length, Access access);
    // A locked range keeps its pages even when the client frees them, until
    // the last lock is gone.
    void Lock(const void* address, SIZE_T length);
    void Unlock(const void* address, SIZE_T length);
    void ReleaseAll();

private:
    struct Region {
        SIZE_T size;      // accessible part, whole pages
        ULONG protect;
        bool freed;
        LONG locks;
    };
    std::map<ULONG_PTR, Region>::iterator Find(ULONG_PTR address);
    void Unmap(ULONG_PTR base, const Region& region);

    std::mutex m_lock;
    std::map<ULONG_PTR, Region> m_regions;
};

}  // namespace sim

struct _KPROCESS {
    std::string name;
    bool system;
    sim::ob::HandleTable handles;
    sim::AddressSpace memory;

    _KPROCESS(std::string processName, bool isSystem)
        : name(std::move(processName)), system(isSystem), handles(isSystem)
    {
    }
};

namespace sim {

PEPROCESS SystemProcess();
PEPROCESS DefaultClientProcess();

}  // namespace sim
