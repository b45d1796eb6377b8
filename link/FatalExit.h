// The forced end of the program after a fault of the link or the printer. The front-end decides
// how the program ends; the link and the pages only report that it must.
#pragma once

#include <cstdlib>

class FatalExit {
public:
  virtual ~FatalExit() = default;

  // Tells the technician the program is closed by force and ends it; never returns.
  [[noreturn]] virtual void ForceExit() = 0;
  // Ends the program with the fault status after a message of the caller's own; never returns.
  [[noreturn]] virtual void EndAfterFault() = 0;
};

// The same calls, known to the compiler never to return.
[[noreturn]] inline void ForceExitNow(FatalExit& fatal) {
  fatal.ForceExit();
  std::abort();
}

[[noreturn]] inline void EndAfterFaultNow(FatalExit& fatal) {
  fatal.EndAfterFault();
  std::abort();
}
