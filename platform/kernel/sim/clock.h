// Test and tool control of the machine's clock. Every timed wait, the
// interrupt time and the sound card's play position run on it.
#pragma once

#include <chrono>

namespace sim::clock {

// A manual clock stands still until Advance moves it; switching it on starts
// it at the current real time, switching it off returns to real time.
void UseManualClock(bool manual);
// Moves the manual clock forward and wakes every timed wait that is due.
void Advance(std::chrono::nanoseconds interval);

}  // namespace sim::clock
