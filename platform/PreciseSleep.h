// Sleeping until a moment on the steady clock without the wake-up lateness of the kernel's timers.
#pragma once

#include <chrono>

// Sleeps until `deadline` and returns at it, not a tenth of a millisecond
// later: the thread wakes early by the lateness seen on earlier sleeps and
// waits out the rest. Hundreds of short pauses of an exchange so take the
// time they ask for, not a percent more.
void SleepUntil(std::chrono::steady_clock::time_point deadline);
