// Ctrl-C, a kill or a closed terminal, as a request to stop that the program answers where it is
// safe: a write to the printer finishes the cell in flight and stops; anything else ends after the
// link is shut down as on a normal end.
#pragma once

// Whether a stop has been asked for, and by which signal.
class StopSignals {
public:
  virtual ~StopSignals() = default;

  // The number of the signal that asked to stop; 0 while none has.
  virtual int Pending() const = 0;
  // The stop has been answered and the program goes on (a window that ended a visit): the next
  // signal is a first one again.
  virtual void Forget() {}
};

// Nobody ever asks: for tests and tools that take no signals.
class NoStopSignals : public StopSignals {
public:
  int Pending() const override { return 0; }
};

// The process's own signals, while an instance lives (one at a time): SIGINT, SIGTERM and SIGHUP
// are recorded, and a second one while the first is being answered (a second Ctrl-C) ends the
// program at once with a line on standard error that says so. SIGXFSZ is ignored, so that a file too large for the user's limit is a failed write
// with its reason (EFBIG) and not the end of the program.
class ProcessStopSignals : public StopSignals {
public:
  ProcessStopSignals();
  ~ProcessStopSignals() override;
  ProcessStopSignals(const ProcessStopSignals&) = delete;
  ProcessStopSignals& operator=(const ProcessStopSignals&) = delete;

  int Pending() const override;
  void Forget() override;
  // The descriptor that becomes readable when a stop is asked, for an event loop to watch.
  static int WakeDescriptor();
};

// The exit status of a program ended by `signal`, as shells report it.
constexpr int ExitStatusForSignal(int signal) { return 128 + signal; }
