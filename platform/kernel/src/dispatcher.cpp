#include "dispatcher.h"

#include <atomic>

#include "sim/bugcheck.h"
#include "sim/sync.h"

namespace {

std::atomic<std::uint64_t> gWaitCalls{0};
std::atomic<std::uint64_t> gMutexReleases{0};

// 100 ns intervals between 1601-01-01 and 1970-01-01.
constexpr LONGLONG kEpochDifference = 116444736000000000LL;

bool MutexAvailable(const KMUTEX* mutex, PKTHREAD thread)
{
    return mutex->OwnerThread == nullptr || mutex->OwnerThread == thread;
}

void TakeMutex(KMUTEX* mutex, PKTHREAD thread)
{
    mutex->OwnerThread = thread;
    mutex->Header.SignalState -= 1;  // 1 when free, 0 held once, -1 held twice ...
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

std::optional<std::chrono::steady_clock::time_point> Deadline(const LARGE_INTEGER* timeout)
{
    if (timeout == nullptr) {
        return std::nullopt;
    }
    const auto now = std::chrono::steady_clock::now();
    LONGLONG interval = timeout->QuadPart;
    if (interval > 0) {
        const auto sinceUnixEpoch = std::chrono::system_clock::now().time_since_epoch();
        const LONGLONG nowSystem =
            std::chrono::duration_cast<std::chrono::nanoseconds>(sinceUnixEpoch).count() / 100 + kEpochDifference;
        interval = nowSystem - interval;  // negative while the moment lies ahead
        if (interval > 0) {
            interval = 0;
        }
    }
    return now + std::chrono::nanoseconds(-interval * 100);
}

}  // namespace sim::dispatcher

NTKERNELAPI PKTHREAD NTAPI KeGetCurrentThread(VOID)
{
    thread_local _KTHREAD self{{kThreadObject, {0, 0, 0}, 0}};
    return &self;
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

NTKERNELAPI NTSTATUS NTAPI KeWaitForSingleObject(PVOID Object, KWAIT_REASON WaitReason,
                                                 KPROCESSOR_MODE WaitMode, BOOLEAN Alertable,
                                                 PLARGE_INTEGER Timeout)
{
    (void)WaitReason;
    (void)WaitMode;
    (void)Alertable;
    gWaitCalls.fetch_add(1, std::memory_order_relaxed);
    auto* header = static_cast<DISPATCHER_HEADER*>(Object);
    PKTHREAD self = KeGetCurrentThread();
    const auto deadline = sim::dispatcher::Deadline(Timeout);

    std::unique_lock<std::mutex> lock(sim::dispatcher::Lock());
    switch (header->Type) {
    case kMutexObject: {
        auto* mutex = static_cast<KMUTEX*>(Object);
        auto available = [&] { return MutexAvailable(mutex, self); };
        if (deadline) {
            if (!sim::dispatcher::Changed().wait_until(lock, *deadline, available)) {
                return STATUS_TIMEOUT;
            }
        } else {
            sim::dispatcher::Changed().wait(lock, available);
        }
        TakeMutex(mutex, self);
        return STATUS_SUCCESS;
    }
    default:
        sim::BugCheck("INVALID_DISPATCHER_OBJECT", "KeWaitForSingleObject on an object it cannot wait for");
    }
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
