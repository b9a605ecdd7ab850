// Internals of the simulated dispatcher, shared by the kernel stand-in's
// sources: the object types a wait can be handed, the identity of the
// calling thread, and the one lock and condition that guard every
// dispatcher object (as the dispatcher database lock does on Windows).
#pragma once

#include <wdm.h>

#include <condition_variable>
#include <mutex>
#include <optional>

// Values of DISPATCHER_HEADER.Type in this stand-in.
enum DispatcherObjectType : UCHAR {
    kNotificationEventObject = 0,
    kSynchronizationEventObject = 1,
    kMutexObject = 2,
    kThreadObject = 6,
};

// Every thread that enters the kernel stand-in has one of these; threads the
// kernel creates itself are objects of the object manager and are signalled
// when they end.
struct _KTHREAD {
    DISPATCHER_HEADER Header;
    KPRIORITY Priority;
    BOOLEAN SystemThread;
};

namespace sim::dispatcher {

std::mutex& Lock();
std::condition_variable& Changed();

// The interrupt time at which a wait with this timeout gives up: none for a
// null timeout (wait forever); negative values are relative in 100 ns units,
// positive ones absolute system time in 100 ns units since 1601.
std::optional<ULONGLONG> Deadline(const LARGE_INTEGER* timeout);

// Waits on Changed() until `ready` holds or the deadline passes on the
// machine's clock; returns false on timeout. The lock must be held.
template <typename Predicate>
bool WaitUntil(std::unique_lock<std::mutex>& lock, const std::optional<ULONGLONG>& deadline, Predicate ready);

// Sets a thread object signalled (the thread has ended) and wakes waiters.
void SignalThreadEnd(PKTHREAD thread);
void SetCurrentSystemThread(PKTHREAD thread);

}  // namespace sim::dispatcher

namespace sim::clock_internal {

ULONGLONG InterruptTime();
bool Manual();
// Real time until the deadline, for a condition wait; only for a real clock.
std::chrono::steady_clock::time_point SteadyDeadline(ULONGLONG deadline);

}  // namespace sim::clock_internal

template <typename Predicate>
bool sim::dispatcher::WaitUntil(std::unique_lock<std::mutex>& lock, const std::optional<ULONGLONG>& deadline,
                                Predicate ready)
{
    while (!ready()) {
        if (!deadline) {
            Changed().wait(lock);
            continue;
        }
        if (clock_internal::InterruptTime() >= *deadline) {
            return false;
        }
        if (clock_internal::Manual()) {
            Changed().wait(lock);  // the manual clock wakes every waiter when it moves
        } else {
            Changed().wait_until(lock, clock_internal::SteadyDeadline(*deadline));
        }
    }
    return true;
}
