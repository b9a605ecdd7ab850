// Internals of the simulated object manager: object types, the header in
// front of every object's body, handle tables, and the state each thread
// carries into the kernel (its process and previous mode).
#pragma once

#include <wdm.h>

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

// What the object manager knows about a kind of object.
struct _OBJECT_TYPE {
    const char* name;
    ULONG poolTag;
    GENERIC_MAPPING mapping;
    // Runs when the last reference is gone, before the memory is freed.
    void (*deleteProcedure)(PVOID body);
    // Runs when the last handle of the object has been closed.
    void (*lastHandleClosed)(PVOID body);
};

namespace sim::ob {

// Sits right in front of an object's body, in the same pool block, as the
// object header does on Windows.
struct alignas(16) ObjectHeader {
    std::atomic<LONG_PTR> pointerCount;
    std::atomic<LONG_PTR> handleCount;
    POBJECT_TYPE type;
};

// A new object with a zero-filled body and one reference (the creator's).
// Returns NULL when the pool has no memory for it.
PVOID CreateObject(POBJECT_TYPE type, SIZE_T bodySize);
ObjectHeader* HeaderOf(PVOID body);
POBJECT_TYPE TypeOf(PVOID body);

struct HandleEntry {
    PVOID object = nullptr;
    ACCESS_MASK grantedAccess = 0;
};

// The handles of one process. A handle holds one reference to its object.
class HandleTable {
public:
    explicit HandleTable(bool kernel) : m_kernel(kernel) {}
    HANDLE Insert(PVOID object, ACCESS_MASK grantedAccess);
    bool Lookup(HANDLE handle, HandleEntry* entry);
    bool Remove(HANDLE handle, HandleEntry* entry);
    std::vector<HANDLE> Handles();
    size_t Count();

private:
    // The live entry the handle names, or null. m_lock held.
    HandleEntry* EntryOf(HANDLE handle);

    bool m_kernel;
    std::mutex m_lock;
    std::vector<HandleEntry> m_entries;
};

bool IsKernelHandle(HANDLE handle);

// Creates a handle for the object in the table that the attributes and the
// caller's process choose (OBJ_KERNEL_HANDLE: the system process). The
// handle takes a reference of its own.
NTSTATUS InsertHandle(PVOID object, ACCESS_MASK desiredAccess, ULONG attributes, PHANDLE handle);
NTSTATUS CloseHandle(HANDLE handle, KPROCESSOR_MODE mode);
ACCESS_MASK MapGenericAccess(POBJECT_TYPE type, ACCESS_MASK access);

}  // namespace sim::ob

namespace sim::thread_state {

// The process the calling thread works for: a client process it is
// attached to, the system process for system threads, or the machine's
// default client process.
PEPROCESS CurrentProcess();
void SetCurrentProcess(PEPROCESS process);
KPROCESSOR_MODE PreviousMode();
void SetPreviousMode(KPROCESSOR_MODE mode);
LONG& CriticalRegionDepth();
struct _SEH_FRAME*& ExceptionFrames();

// Marks a call that enters the kernel from a client: the previous mode is
// UserMode until the scope ends.
class UserModeCall {
public:
    UserModeCall();
    ~UserModeCall();
    UserModeCall(const UserModeCall&) = delete;
    UserModeCall& operator=(const UserModeCall&) = delete;

private:
    KPROCESSOR_MODE m_saved;
};

}  // namespace sim::thread_state
