// Internals of the simulated dispatcher, shared by the kernel stand-in's
// sources: the object types a wait can be handed, the identity of the
// calling thread, and the one lock and condition that guard every
// dispatcher object (as the dispatcher database lock does on Windows).
#pragma once

#include <wdm.h>

#include <chrono>
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
// kernel creates itself get theirs when they start.
struct _KTHREAD {
    DISPATCHER_HEADER Header;
};

namespace sim::dispatcher {

std::mutex& Lock();
std::condition_variable& Changed();

// The moment a wait with this timeout gives up: none for a null timeout
// (wait forever); negative values are relative in 100 ns units, positive
// ones absolute system time in 100 ns units since 1601.
std::optional<std::chrono::steady_clock::time_point> Deadline(const LARGE_INTEGER* timeout);

}  // namespace sim::dispatcher
