// System threads: each runs its start routine on a thread of its own, in the
// system process, and is a waitable object that is signalled when it ends.

#include <thread>

#include "dispatcher.h"
#include "object_manager.h"
#include "process.h"
#include "sim/bugcheck.h"

namespace {

// Thrown by PsTerminateSystemThread and caught where the thread began, so
// the thread ends without returning into its start routine.
struct SystemThreadTermination {
};

void RunSystemThread(PKTHREAD thread, PKSTART_ROUTINE startRoutine, PVOID startContext)
{
    sim::dispatcher::SetCurrentSystemThread(thread);
    sim::thread_state::SetCurrentProcess(sim::SystemProcess());
    try {
        startRoutine(startContext);
    } catch (const SystemThreadTermination&) {
    }
    sim::dispatcher::SetCurrentSystemThread(nullptr);
    sim::dispatcher::SignalThreadEnd(thread);
    ObfDereferenceObject(thread);  // the running thread's own reference
}

}  // namespace

NTKERNELAPI NTSTATUS NTAPI PsCreateSystemThread(PHANDLE ThreadHandle, ULONG DesiredAccess,
                                                POBJECT_ATTRIBUTES ObjectAttributes, HANDLE ProcessHandle,
                                                PCLIENT_ID ClientId, PKSTART_ROUTINE StartRoutine,
                                                PVOID StartContext)
{
    if (ProcessHandle != nullptr) {
        return STATUS_NOT_SUPPORTED;  // threads of the system process only
    }
    auto* thread = static_cast<PKTHREAD>(sim::ob::CreateObject(*PsThreadType, sizeof(_KTHREAD)));
    if (thread == nullptr) {
        return STATUS_INSUFFICIENT_RESOURCES;
    }
    thread->Header.Type = kThreadObject;
    thread->Header.SignalState = 0;
    thread->Priority = 8;
    thread->SystemThread = TRUE;

    const ULONG attributes = ObjectAttributes != nullptr ? ObjectAttributes->Attributes : 0;
    sim::ob::InsertHandle(thread, DesiredAccess, attributes, ThreadHandle);
    if (ClientId != nullptr) {
        ClientId->UniqueProcess = nullptr;
        ClientId->UniqueThread = thread;
    }
    // The creation reference now belongs to the running thread.
    std::thread(RunSystemThread, thread, StartRoutine, StartContext).detach();
    return STATUS_SUCCESS;
}

NTKERNELAPI NTSTATUS NTAPI PsTerminateSystemThread(NTSTATUS ExitStatus)
{
    (void)ExitStatus;
    if (!KeGetCurrentThread()->SystemThread) {
        return STATUS_INVALID_PARAMETER;
    }
    throw SystemThreadTermination{};
}

NTKERNELAPI KPRIORITY NTAPI KeSetPriorityThread(PKTHREAD Thread, KPRIORITY Priority)
{
    if (Priority < LOW_PRIORITY || Priority > HIGH_PRIORITY) {
        sim::BugCheck("INVALID_PRIORITY", "KeSetPriorityThread outside 0..31");
    }
    std::lock_guard<std::mutex> guard(sim::dispatcher::Lock());
    const KPRIORITY previous = Thread->Priority;
    Thread->Priority = Priority;
    return previous;
}

NTKERNELAPI KPRIORITY NTAPI KeQueryPriorityThread(PKTHREAD Thread)
{
    std::lock_guard<std::mutex> guard(sim::dispatcher::Lock());
    return Thread->Priority;
}
