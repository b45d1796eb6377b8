#include "platform/StopSignals.h"

#include "platform/LibusbPrinters.h"

#include <atomic>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

// A signal handler can only reach the program through state of the process; this is all of it.
volatile std::sig_atomic_t PendingSignal = 0;
int WakePipe[2] = {-1, -1};

constexpr int CaughtSignals[] = {SIGINT, SIGTERM, SIGHUP};
struct sigaction Previous[3];

constexpr char SecondInterrupt[] =
    "\nSecond signal: ending at once. A write under way may be left unfinished; the next start names it.\n";

extern "C" void RecordStop(int signal) {
  // A second stop while the first is still being answered: whoever sends it will not wait.
  if (PendingSignal != 0) {
    const ssize_t ignored = ::write(STDERR_FILENO, SecondInterrupt, sizeof SecondInterrupt - 1);
    (void)ignored;
    // A USB printer held through libusb goes back to its kernel driver even so.
    ReattachUsbInterfacesAtOnce();
    ::_exit(ExitStatusForSignal(signal));
  }
  if (PendingSignal == 0) PendingSignal = signal;
  if (WakePipe[1] >= 0) {
    const char byte = 1;
    const ssize_t ignored = ::write(WakePipe[1], &byte, 1);
    (void)ignored;
  }
}

}  // namespace

ProcessStopSignals::ProcessStopSignals() {
  PendingSignal = 0;
  if (WakePipe[0] < 0 && ::pipe2(WakePipe, O_CLOEXEC | O_NONBLOCK) != 0) WakePipe[0] = WakePipe[1] = -1;
  struct sigaction action {};
  action.sa_handler = RecordStop;
  sigemptyset(&action.sa_mask);
  // No SA_RESTART: a blocking read of the terminal gives up, and the question counts as unanswered.
  action.sa_flags = 0;
  for (size_t i = 0; i < std::size(CaughtSignals); ++i) sigaction(CaughtSignals[i], &action, &Previous[i]);
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  sigaction(SIGXFSZ, &ignore, nullptr);
}

ProcessStopSignals::~ProcessStopSignals() {
  for (size_t i = 0; i < std::size(CaughtSignals); ++i) sigaction(CaughtSignals[i], &Previous[i], nullptr);
  // SIGXFSZ stays ignored: the output flushed at the very end must not end the program by a signal either.
}

int ProcessStopSignals::Pending() const { return PendingSignal; }

void ProcessStopSignals::Forget() { PendingSignal = 0; }

int ProcessStopSignals::WakeDescriptor() { return WakePipe[0]; }
