#include "dispatcher.h"

#include <atomic>
#include <chrono>

#include "sim/bugcheck.h"
#include "sim/sync.h"

namespace {

std::atomic<std::uint64_t> gWaitCalls{0};
std::atomic<std::uint64_t> gMutexReleases{0};

bool IsSignalled(DISPATCHER_HEADER* header, PKTHREAD thread)
{
    switch (header->Type) {
    case kMutexObject: {
        auto* mutex = reinterpret_cast<KMUTEX*>(header);
        return mutex->OwnerThread == nullptr || mutex->OwnerThread == thread;
    }
    case kNotificationEventObject:
    case kSynchronizationEventObject:
    case kThreadObject:
        return header->SignalState > 0;
    default:
        sim::BugCheck("INVALID_DISPATCHER_OBJECT", "a wait on an object that cannot be waited for");
    }
}

// What a satisfied wait does to the object: a synchronization event lets
// one waiter through, a mutex becomes the waiter's.
void Satisfy(DISPATCHER_HEADER* header, PKTHREAD thread)
{
    if (header->Type == kMutexObject) {
        auto* mutex = reinterpret_cast<KMUTEX*>(header);
        mutex->OwnerThread = thread;
        mutex->Header.SignalState -= 1;  // 1 when free, 0 held once, -1 held twice ...
    } else if (header->Type == kSynchronizationEventObject) {
        header->SignalState = 0;
    }
}

void CheckEvent(PRKEVENT event)
{
    if (event->Header.Type != kNotificationEventObject && event->Header.Type != kSynchronizationEventObject) {
        sim::BugCheck("INVALID_DISPATCHER_OBJECT", "an event routine was handed an object that is not an event");
    }
}

}  // namespace

namespace sim::dispatcher {

std::mutex& Lock()
{
    static std::mutex lock;
    return lock;
}

std::condition_variable& Changed()
{
    static std::condition_variable changed;
    return changed;
}

std::optional<ULONGLONG> Deadline(const LARGE_INTEGER* timeout)
{
    if (timeout == nullptr) {
        return std::nullopt;
    }
    const ULONGLONG now = clock_internal::InterruptTime();
    if (timeout->QuadPart <= 0) {
        return now + static_cast<ULONGLONG>(-timeout->QuadPart);
    }
    LARGE_INTEGER systemNow;
    KeQuerySystemTime(&systemNow);
    const LONGLONG ahead = timeout->QuadPart - systemNow.QuadPart;
    return ahead > 0 ? now + static_cast<ULONGLONG>(ahead) : now;
}

void SignalThreadEnd(PKTHREAD thread)
{
    {
        std::lock_guard<std::mutex> guard(Lock());
        thread->Header.SignalState = 1;
    }
    Changed().notify_all();
}

}  // namespace sim::dispatcher

namespace {

thread_local PKTHREAD tSystemThread = nullptr;

}  // namespace

void sim::dispatcher::SetCurrentSystemThread(PKTHREAD thread)
{
    tSystemThread = thread;
}

NTKERNELAPI PKTHREAD NTAPI KeGetCurrentThread(VOID)
{
    // Threads the machine did not create get an identity of their own the
    // first time they enter the kernel.
    thread_local _KTHREAD self{{kThreadObject, {0, 0, 0}, 0}, 8, FALSE};
    return tSystemThread != nullptr ? tSystemThread : &self;
}

NTKERNELAPI VOID NTAPI KeInitializeMutex(PRKMUTEX Mutex, ULONG Level)
{
    std::lock_guard<std::mutex> guard(sim::dispatcher::Lock());
    Mutex->Header.Type = kMutexObject;
    Mutex->Header.SignalState = 1;
    Mutex->OwnerThread = nullptr;
    Mutex->Level = Level;
}

NTKERNELAPI LONG NTAPI KeReleaseMutex(PRKMUTEX Mutex, BOOLEAN Wait)
{
    (void)Wait;
    gMutexReleases.fetch_add(1, std::memory_order_relaxed);
    PKTHREAD self = KeGetCurrentThread();
    LONG previous;
    {
        std::lock_guard<std::mutex> guard(sim::dispatcher::Lock());
        if (Mutex->Header.Type != kMutexObject || Mutex->OwnerThread != self) {
            sim::BugCheck("MUTEX_NOT_OWNED", "KeReleaseMutex by a thread that does not own the mutex");
        }
        previous = Mutex->Header.SignalState;
        Mutex->Header.SignalState += 1;
        if (Mutex->Header.SignalState == 1) {
            Mutex->OwnerThread = nullptr;
        }
    }
    sim::dispatcher::Changed().notify_all();
    return previous;
}

NTKERNELAPI VOID NTAPI KeInitializeEvent(PRKEVENT Event, EVENT_TYPE Type, BOOLEAN State)
{
    std::lock_guard<std::mutex> guard(sim::dispatcher::Lock());
    Event->Header.Type = Type == NotificationEvent ? kNotificationEventObject : kSynchronizationEventObject;
    Event->Header.SignalState = State ? 1 : 0;
}

NTKERNELAPI LONG NTAPI KeSetEvent(PRKEVENT Event, KPRIORITY Increment, BOOLEAN Wait)
{
    (void)Increment;
    (void)Wait;
    LONG previous;
    {
        std::lock_guard<std::mutex> guard(sim::dispatcher::Lock());
        CheckEvent(Event);
        previous = Event->Header.SignalState;
        Event->Header.SignalState = 1;
    }
    sim::dispatcher::Changed().notify_all();
    return previous;
}

NTKERNELAPI LONG NTAPI KeResetEvent(PRKEVENT Event)
{
    std::lock_guard<std::mutex> guard(sim::dispatcher::Lock());
    CheckEvent(Event);
    const LONG previous = Event->Header.SignalState;
    Event->Header.SignalState = 0;
    return previous;
}

NTKERNELAPI VOID NTAPI KeClearEvent(PRKEVENT Event)
{
    KeResetEvent(Event);
}

NTKERNELAPI LONG NTAPI KeReadStateEvent(PRKEVENT Event)
{
    std::lock_guard<std::mutex> guard(sim::dispatcher::Lock());
    CheckEvent(Event);
    return Event->Header.SignalState;
}

NTKERNELAPI NTSTATUS NTAPI KeWaitForMultipleObjects(ULONG Count, PVOID Object[], WAIT_TYPE WaitType,
                                                    KWAIT_REASON WaitReason, KPROCESSOR_MODE WaitMode,
                                                    BOOLEAN Alertable, PLARGE_INTEGER Timeout,
                                                    PKWAIT_BLOCK WaitBlockArray)
{
    (void)WaitReason;
    (void)WaitMode;
    (void)Alertable;
    gWaitCalls.fetch_add(1, std::memory_order_relaxed);
    if (Count == 0 || Count > MAXIMUM_WAIT_OBJECTS || (Count > THREAD_WAIT_OBJECTS && WaitBlockArray == nullptr)) {
        sim::BugCheck("MAXIMUM_WAIT_OBJECTS_EXCEEDED", "a wait on more objects than its wait blocks allow");
    }
    PKTHREAD self = KeGetCurrentThread();
    const auto deadline = sim::dispatcher::Deadline(Timeout);
    auto header = [&](ULONG i) { return static_cast<DISPATCHER_HEADER*>(Object[i]); };

    NTSTATUS result = STATUS_TIMEOUT;
    auto ready = [&] {
        if (WaitType == WaitAny) {
            for (ULONG i = 0; i < Count; ++i) {
                if (IsSignalled(header(i), self)) {
                    Satisfy(header(i), self);
                    result = STATUS_WAIT_0 + static_cast<NTSTATUS>(i);
                    return true;
                }
            }
            return false;
        }
        for (ULONG i = 0; i < Count; ++i) {
            if (!IsSignalled(header(i), self)) {
                return false;
            }
        }
        for (ULONG i = 0; i < Count; ++i) {
            Satisfy(header(i), self);
        }
        result = STATUS_SUCCESS;
        return true;
    };

    bool satisfied;
    {
        std::unique_lock<std::mutex> lock(sim::dispatcher::Lock());
        satisfied = sim::dispatcher::WaitUntil(lock, deadline, ready);
    }
    if (satisfied) {
        sim::dispatcher::Changed().notify_all();  // a satisfied wait may have changed what others wait for
    }
    return satisfied ? result : STATUS_TIMEOUT;
}

NTKERNELAPI NTSTATUS NTAPI KeWaitForSingleObject(PVOID Object, KWAIT_REASON WaitReason, KPROCESSOR_MODE WaitMode,
                                                 BOOLEAN Alertable, PLARGE_INTEGER Timeout)
{
    PVOID objects[1] = {Object};
    return KeWaitForMultipleObjects(1, objects, WaitAny, WaitReason, WaitMode, Alertable, Timeout, nullptr);
}

NTKERNELAPI NTSTATUS NTAPI KeDelayExecutionThread(KPROCESSOR_MODE WaitMode, BOOLEAN Alertable,
                                                  PLARGE_INTEGER Interval)
{
    (void)WaitMode;
    (void)Alertable;
    const auto deadline = sim::dispatcher::Deadline(Interval);
    std::unique_lock<std::mutex> lock(sim::dispatcher::Lock());
    sim::dispatcher::WaitUntil(lock, deadline, [] { return false; });
    return STATUS_SUCCESS;
}

namespace sim::sync {

std::uint64_t WaitCalls()
{
    return gWaitCalls.load(std::memory_order_relaxed);
}

std::uint64_t MutexReleases()
{
    return gMutexReleases.load(std::memory_order_relaxed);
}

}  // namespace sim::sync
