// The machine's clock: real time since the machine's first use, or a manual
// clock that tests move forward.

#include <atomic>
#include <chrono>

#include "dispatcher.h"
#include "sim/clock.h"

namespace {

// 100 ns intervals between 1601-01-01 and 1970-01-01.
constexpr LONGLONG kEpochDifference = 116444736000000000LL;

struct ClockState {
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
    std::atomic<bool> manual{false};
    std::atomic<ULONGLONG> manualTime{0};
};

ClockState& Clock()
{
    static ClockState state;
    return state;
}

ULONGLONG RealInterruptTime()
{
    const auto elapsed = std::chrono::steady_clock::now() - Clock().start;
    return static_cast<ULONGLONG>(std::chrono::duration_cast<std::chrono::nanoseconds>(elapsed).count() / 100);
}

}  // namespace

namespace sim::clock_internal {

ULONGLONG InterruptTime()
{
    ClockState& clock = Clock();
    return clock.manual.load() ? clock.manualTime.load() : RealInterruptTime();
}

bool Manual()
{
    return Clock().manual.load();
}

std::chrono::steady_clock::time_point SteadyDeadline(ULONGLONG deadline)
{
    return Clock().start + std::chrono::nanoseconds(static_cast<LONGLONG>(deadline) * 100);
}

}  // namespace sim::clock_internal

namespace sim::clock {

void UseManualClock(bool manual)
{
    ClockState& clock = Clock();
    {
        std::lock_guard<std::mutex> guard(dispatcher::Lock());
        clock.manualTime.store(RealInterruptTime());
        clock.manual.store(manual);
    }
    dispatcher::Changed().notify_all();
}

void Advance(std::chrono::nanoseconds interval)
{
    {
        std::lock_guard<std::mutex> guard(dispatcher::Lock());
        Clock().manualTime.fetch_add(static_cast<ULONGLONG>(interval.count() / 100));
    }
    dispatcher::Changed().notify_all();
}

}  // namespace sim::clock

NTKERNELAPI ULONGLONG NTAPI KeQueryInterruptTime(VOID)
{
    return sim::clock_internal::InterruptTime();
}

NTKERNELAPI VOID NTAPI KeQuerySystemTime(PLARGE_INTEGER CurrentTime)
{
    // System time moves with the machine's clock from the moment it started.
    static const LONGLONG bootSystemTime =
        std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::system_clock::now().time_since_epoch())
                .count() / 100 +
        kEpochDifference;
    CurrentTime->QuadPart = bootSystemTime + static_cast<LONGLONG>(sim::clock_internal::InterruptTime());
}
