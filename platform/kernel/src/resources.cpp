// Executive resources and critical regions.

#include <map>

#include "dispatcher.h"
#include "object_manager.h"
#include "sim/bugcheck.h"

namespace {

struct ResourceState {
    PKTHREAD exclusiveOwner = nullptr;
    LONG exclusiveCount = 0;
    LONG exclusiveWaiters = 0;
    std::map<PKTHREAD, LONG> sharedOwners;
};

ResourceState* StateOf(PERESOURCE resource)
{
    if (resource->Internal == nullptr) {
        sim::BugCheck("RESOURCE_NOT_OWNED", "use of an executive resource that was never initialized");
    }
    return static_cast<ResourceState*>(resource->Internal);
}

void RequireCriticalRegion()
{
    if (sim::thread_state::CriticalRegionDepth() <= 0) {
        sim::BugCheck("IRQL_NOT_LESS_OR_EQUAL",
                      "an executive resource acquired outside a critical region (KeEnterCriticalRegion)");
    }
}

}  // namespace

NTKERNELAPI VOID NTAPI KeEnterCriticalRegion(VOID)
{
    sim::thread_state::CriticalRegionDepth() += 1;
}

NTKERNELAPI VOID NTAPI KeLeaveCriticalRegion(VOID)
{
    LONG& depth = sim::thread_state::CriticalRegionDepth();
    if (depth <= 0) {
        sim::BugCheck("APC_INDEX_MISMATCH", "KeLeaveCriticalRegion without KeEnterCriticalRegion");
    }
    depth -= 1;
}

NTKERNELAPI NTSTATUS NTAPI ExInitializeResourceLite(PERESOURCE Resource)
{
    memset(Resource, 0, sizeof(*Resource));
    Resource->Internal = new ResourceState;
    return STATUS_SUCCESS;
}

NTKERNELAPI NTSTATUS NTAPI ExDeleteResourceLite(PERESOURCE Resource)
{
    ResourceState* state = StateOf(Resource);
    {
        std::lock_guard<std::mutex> guard(sim::dispatcher::Lock());
        if (state->exclusiveOwner != nullptr || !state->sharedOwners.empty()) {
            sim::BugCheck("RESOURCE_OWNER_POINTER_INVALID", "ExDeleteResourceLite of a resource that is held");
        }
    }
    delete state;
    Resource->Internal = nullptr;
    return STATUS_SUCCESS;
}

NTKERNELAPI BOOLEAN NTAPI ExAcquireResourceSharedLite(PERESOURCE Resource, BOOLEAN Wait)
{
    RequireCriticalRegion();
    ResourceState* state = StateOf(Resource);
    PKTHREAD self = KeGetCurrentThread();
    std::unique_lock<std::mutex> lock(sim::dispatcher::Lock());
    if (state->exclusiveOwner == self) {
        state->exclusiveCount += 1;
        return TRUE;
    }
    auto owned = state->sharedOwners.find(self);
    if (owned != state->sharedOwners.end()) {
        owned->second += 1;
        return TRUE;
    }
    // Waiting writers go first, so readers cannot starve them.
    auto available = [&] { return state->exclusiveOwner == nullptr && state->exclusiveWaiters == 0; };
    if (!available()) {
        if (!Wait) {
            return FALSE;
        }
        sim::dispatcher::WaitUntil(lock, std::nullopt, available);
    }
    state->sharedOwners[self] = 1;
    return TRUE;
}

NTKERNELAPI BOOLEAN NTAPI ExAcquireResourceExclusiveLite(PERESOURCE Resource, BOOLEAN Wait)
{
    RequireCriticalRegion();
    ResourceState* state = StateOf(Resource);
    PKTHREAD self = KeGetCurrentThread();
    std::unique_lock<std::mutex> lock(sim::dispatcher::Lock());
    if (state->exclusiveOwner == self) {
        state->exclusiveCount += 1;
        return TRUE;
    }
    if (state->sharedOwners.count(self) != 0) {
        sim::BugCheck("RESOURCE_DEADLOCK", "a shared owner of a resource asked for it exclusively");
    }
    auto available = [&] { return state->exclusiveOwner == nullptr && state->sharedOwners.empty(); };
    if (!available()) {
        if (!Wait) {
            return FALSE;
        }
        state->exclusiveWaiters += 1;
        sim::dispatcher::WaitUntil(lock, std::nullopt, available);
        state->exclusiveWaiters -= 1;
    }
    state->exclusiveOwner = self;
    state->exclusiveCount = 1;
    return TRUE;
}

NTKERNELAPI VOID NTAPI ExReleaseResourceLite(PERESOURCE Resource)
{
    ResourceState* state = StateOf(Resource);
    PKTHREAD self = KeGetCurrentThread();
    {
        std::lock_guard<std::mutex> guard(sim::dispatcher::Lock());
        if (state->exclusiveOwner == self) {
            state->exclusiveCount -= 1;
            if (state->exclusiveCount == 0) {
                state->exclusiveOwner = nullptr;
            }
        } else {
            auto owned = state->sharedOwners.find(self);
            if (owned == state->sharedOwners.end()) {
                sim::BugCheck("RESOURCE_NOT_OWNED", "ExReleaseResourceLite by a thread that does not own it");
            }
            owned->second -= 1;
            if (owned->second == 0) {
                state->sharedOwners.erase(owned);
            }
        }
    }
    sim::dispatcher::Changed().notify_all();
}

NTKERNELAPI BOOLEAN NTAPI ExIsResourceAcquiredExclusiveLite(PERESOURCE Resource)
{
    ResourceState* state = StateOf(Resource);
    std::lock_guard<std::mutex> guard(sim::dispatcher::Lock());
    return state->exclusiveOwner == KeGetCurrentThread();
}

NTKERNELAPI ULONG NTAPI ExIsResourceAcquiredSharedLite(PERESOURCE Resource)
{
    ResourceState* state = StateOf(Resource);
    PKTHREAD self = KeGetCurrentThread();
    std::lock_guard<std::mutex> guard(sim::dispatcher::Lock());
    if (state->exclusiveOwner == self) {
        return static_cast<ULONG>(state->exclusiveCount);
    }
    auto owned = state->sharedOwners.find(self);
    return owned == state->sharedOwners.end() ? 0 : static_cast<ULONG>(owned->second);
}
