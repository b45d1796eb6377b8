#include "platform/PreciseSleep.h"

#include <algorithm>
#include <thread>

namespace {

using Nanoseconds = std::chrono::nanoseconds;

// How late the kernel wakes a sleeper, learnt as sleeps go by; starts at a
// typical value and never grows past a bound, so a stall of the machine
// cannot turn later sleeps into busy waits.
Nanoseconds WakeLateness(100'000);
constexpr Nanoseconds MaxWakeLateness(500'000);

}  // namespace

void SleepUntil(std::chrono::steady_clock::time_point deadline) {
  using SteadyTime = std::chrono::steady_clock;
  const SteadyTime::time_point wake = deadline - WakeLateness;
  if (wake > SteadyTime::now()) {
    std::this_thread::sleep_until(wake);
    const Nanoseconds late = std::chrono::duration_cast<Nanoseconds>(SteadyTime::now() - wake);
    WakeLateness = std::min((WakeLateness * 7 + late) / 8, MaxWakeLateness);
  }
  while (SteadyTime::now() < deadline) std::this_thread::yield();
}
