#include "object_manager.h"

#include <new>

#include "pool_tags.h"
#include "process.h"
#include "sim/bugcheck.h"

namespace {

constexpr ULONG_PTR kKernelHandleBit = 0x80000000u;

// Handles are multiples of four, as on Windows; kernel handles carry the
// top bit of a 32-bit handle value, sign-extended.
HANDLE EncodeHandle(size_t index, bool kernel)
{
    const ULONG value = static_cast<ULONG>((index + 1) * 4) | (kernel ? static_cast<ULONG>(kKernelHandleBit) : 0u);
    return reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(static_cast<LONG>(value)));
}

bool DecodeHandle(HANDLE handle, size_t* index)
{
    const ULONG value = static_cast<ULONG>(reinterpret_cast<ULONG_PTR>(handle)) & ~static_cast<ULONG>(kKernelHandleBit);
    if (value == 0 || (value & 3) != 0) {
        return false;
    }
    *index = value / 4 - 1;
    return true;
}

sim::ob::HandleTable& TableFor(HANDLE handle)
{
    return sim::ob::IsKernelHandle(handle) ? sim::SystemProcess()->handles
                                           : sim::thread_state::CurrentProcess()->handles;
}

struct ThreadState {
    PEPROCESS process = nullptr;
    KPROCESSOR_MODE previousMode = KernelMode;
    LONG criticalRegionDepth = 0;
    SEH_FRAME* exceptionFrames = nullptr;
};

ThreadState& State()
{
    thread_local ThreadState state;
    return state;
}

}  // namespace

namespace sim::ob {

PVOID CreateObject(POBJECT_TYPE type, SIZE_T bodySize)
{
    void* block = ExAllocatePoolWithTag(NonPagedPool, sizeof(ObjectHeader) + bodySize, type->poolTag);
    if (block == nullptr) {
        return nullptr;
    }
    auto* header = new (block) ObjectHeader;
    header->pointerCount.store(1);
    header->handleCount.store(0);
    header->type = type;
    PVOID body = header + 1;
    memset(body, 0, bodySize);
    return body;
}

ObjectHeader* HeaderOf(PVOID body)
{
    return static_cast<ObjectHeader*>(body) - 1;
}

POBJECT_TYPE TypeOf(PVOID body)
{
    return HeaderOf(body)->type;
}

HANDLE HandleTable::Insert(PVOID object, ACCESS_MASK grantedAccess)
{
    std::lock_guard<std::mutex> guard(m_lock);
    for (size_t i = 0; i < m_entries.size(); ++i) {
        if (m_entries[i].object == nullptr) {
            m_entries[i] = HandleEntry{object, grantedAccess};
            return EncodeHandle(i, m_kernel);
        }
    }
    m_entries.push_back(HandleEntry{object, grantedAccess});
    return EncodeHandle(m_entries.size() - 1, m_kernel);
}

HandleEntry* HandleTable::EntryOf(HANDLE handle)
{
    size_t index = 0;
    if (IsKernelHandle(handle) != m_kernel || !DecodeHandle(handle, &index) || index >= m_entries.size() ||
        m_entries[index].object == nullptr) {
        return nullptr;
    }
    return &m_entries[index];
}

bool HandleTable::Lookup(HANDLE handle, HandleEntry* entry)
{
    std::lock_guard<std::mutex> guard(m_lock);
    const HandleEntry* found = EntryOf(handle);
    if (found == nullptr) {
        return false;
    }
    *entry = *found;
    ObfReferenceObject(entry->object);
    return true;
}

bool HandleTable::Remove(HANDLE handle, HandleEntry* entry)
{
    std::lock_guard<std::mutex> guard(m_lock);
    HandleEntry* found = EntryOf(handle);
    if (found == nullptr) {
        return false;
    }
    *entry = *found;
    *found = HandleEntry{};
    return true;
}

std::vector<HANDLE> HandleTable::Handles()
{
    std::lock_guard<std::mutex> guard(m_lock);
    std::vector<HANDLE> handles;
    for (size_t i = 0; i < m_entries.size(); ++i) {
        if (m_entries[i].object != nullptr) {
            handles.push_back(EncodeHandle(i, m_kernel));
        }
    }
    return handles;
}

size_t HandleTable::Count()
{
    return Handles().size();
}

bool IsKernelHandle(HANDLE handle)
{
    const auto value = reinterpret_cast<LONG_PTR>(handle);
    return value < 0 && value != -1 && value != -2;
}

ACCESS_MASK MapGenericAccess(POBJECT_TYPE type, ACCESS_MASK access)
{
    ACCESS_MASK mapped = access & ~(GENERIC_READ | GENERIC_WRITE | GENERIC_EXECUTE | GENERIC_ALL);
    if (access & GENERIC_READ) {
        mapped |= type->mapping.GenericRead;
    }
    if (access & GENERIC_WRITE) {
        mapped |= type->mapping.GenericWrite;
    }
    if (access & GENERIC_EXECUTE) {
        mapped |= type->mapping.GenericExecute;
    }
    if (access & GENERIC_ALL) {
        mapped |= type->mapping.GenericAll;
    }
    return mapped;
}

NTSTATUS InsertHandle(PVOID object, ACCESS_MASK desiredAccess, ULONG attributes, PHANDLE handle)
{
    PEPROCESS process = (attributes & OBJ_KERNEL_HANDLE) ? SystemProcess() : thread_state::CurrentProcess();
    ObjectHeader* header = HeaderOf(object);
    ACCESS_MASK granted = MapGenericAccess(header->type, desiredAccess);
    if (desiredAccess & MAXIMUM_ALLOWED) {
        granted |= header->type->mapping.GenericAll;
    }
    ObfReferenceObject(object);
    header->handleCount.fetch_add(1);
    *handle = process->handles.Insert(object, granted);
    return STATUS_SUCCESS;
}

NTSTATUS CloseHandle(HANDLE handle, KPROCESSOR_MODE mode)
{
    if (IsKernelHandle(handle) && mode == UserMode) {
        return STATUS_INVALID_HANDLE;
    }
    HandleEntry entry;
    if (!TableFor(handle).Remove(handle, &entry)) {
        return STATUS_INVALID_HANDLE;
    }
    ObjectHeader* header = HeaderOf(entry.object);
    if (header->handleCount.fetch_sub(1) == 1 && header->type->lastHandleClosed != nullptr) {
        header->type->lastHandleClosed(entry.object);
    }
    ObfDereferenceObject(entry.object);
    return STATUS_SUCCESS;
}

}  // namespace sim::ob

namespace sim::thread_state {

PEPROCESS CurrentProcess()
{
    ThreadState& state = State();
    return state.process != nullptr ? state.process : DefaultClientProcess();
}

void SetCurrentProcess(PEPROCESS process)
{
    State().process = process;
}

KPROCESSOR_MODE PreviousMode()
{
    return State().previousMode;
}

void SetPreviousMode(KPROCESSOR_MODE mode)
{
    State().previousMode = mode;
}

LONG& CriticalRegionDepth()
{
    return State().criticalRegionDepth;
}

SEH_FRAME*& ExceptionFrames()
{
    return State().exceptionFrames;
}

UserModeCall::UserModeCall() : m_saved(PreviousMode())
{
    SetPreviousMode(UserMode);
}

UserModeCall::~UserModeCall()
{
    SetPreviousMode(m_saved);
}

}  // namespace sim::thread_state

NTKERNELAPI LONG_PTR NTAPI ObfReferenceObject(PVOID Object)
{
    return sim::ob::HeaderOf(Object)->pointerCount.fetch_add(1) + 1;
}

NTKERNELAPI LONG_PTR NTAPI ObfDereferenceObject(PVOID Object)
{
    sim::ob::ObjectHeader* header = sim::ob::HeaderOf(Object);
    const LONG_PTR remaining = header->pointerCount.fetch_sub(1) - 1;
    if (remaining < 0) {
        sim::BugCheck("REFERENCE_BY_POINTER", "an object was dereferenced more often than referenced");
    }
    if (remaining == 0) {
        if (header->type->deleteProcedure != nullptr) {
            header->type->deleteProcedure(Object);
        }
        header->~ObjectHeader();
        ExFreePoolWithTag(header, header->type->poolTag);
    }
    return remaining;
}

NTKERNELAPI NTSTATUS NTAPI ObReferenceObjectByHandle(HANDLE Handle, ACCESS_MASK DesiredAccess,
                                                     POBJECT_TYPE ObjectType, KPROCESSOR_MODE AccessMode,
                                                     PVOID* Object, POBJECT_HANDLE_INFORMATION HandleInformation)
{
    *Object = nullptr;
    if (Handle == nullptr || (sim::ob::IsKernelHandle(Handle) && AccessMode == UserMode)) {
        return STATUS_INVALID_HANDLE;
    }
    sim::ob::HandleEntry entry;
    if (!TableFor(Handle).Lookup(Handle, &entry)) {
        return STATUS_INVALID_HANDLE;
    }
    POBJECT_TYPE type = sim::ob::TypeOf(entry.object);
    if (ObjectType != nullptr && type != ObjectType) {
        ObfDereferenceObject(entry.object);
        return STATUS_OBJECT_TYPE_MISMATCH;
    }
    if (AccessMode == UserMode) {
        const ACCESS_MASK wanted = sim::ob::MapGenericAccess(type, DesiredAccess);
        if ((entry.grantedAccess & wanted) != wanted) {
            ObfDereferenceObject(entry.object);
            return STATUS_ACCESS_DENIED;
        }
    }
    if (HandleInformation != nullptr) {
        HandleInformation->HandleAttributes = 0;
        HandleInformation->GrantedAccess = entry.grantedAccess;
    }
    *Object = entry.object;
    return STATUS_SUCCESS;
}

NTSYSAPI NTSTATUS NTAPI ZwClose(HANDLE Handle)
{
    return sim::ob::CloseHandle(Handle, KernelMode);
}

NTKERNELAPI KPROCESSOR_MODE NTAPI ExGetPreviousMode(VOID)
{
    return sim::thread_state::PreviousMode();
}

NTKERNELAPI PEPROCESS NTAPI PsGetCurrentProcess(VOID)
{
    return sim::thread_state::CurrentProcess();
}
