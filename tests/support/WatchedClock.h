// A virtual clock that lets a test look at the program at every pause.
#pragma once

#include "platform/VirtualClock.h"

#include <functional>

class WatchedClock : public VirtualClock {
public:
  void Pause(uint32_t milliseconds) override {
    if (OnPause) OnPause(milliseconds);
    VirtualClock::Pause(milliseconds);
  }
  std::function<void(uint32_t)> OnPause;
};
