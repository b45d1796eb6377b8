// The printer of one visit as both front-ends keep it: the connection, the status polls until it is
// ready, and the link shut-down with the reset that ends the visit.
#pragma once

#include "link/TPDalD4Comm.h"
#include "platform/Clock.h"

#include <cstdint>
#include <functional>

// What a front-end shows around the reset that ends a visit; either may be empty.
struct ResetNotice {
  std::function<void()> Starting;        // before the reset is asked for
  std::function<void()> Accepted;        // the printer took the reset: the wait for it follows
  std::function<void()> Refused;         // the printer answered busy and did not reset: nothing is waited for
  std::function<void()> Unacknowledged;  // no acknowledgement came back: the port is closed without the wait
};

class PrinterSession {
public:
  // Told before each pause of a wait: how long it has waited so far and the state the printer reported.
  using WaitProgress = std::function<void(uint32_t waitedMs, PrinterStateCode statusCode)>;

  PrinterSession(TPDalD4Comm& comm, Clock& clock) : Comm(comm), Time(clock) {}

  // Starts the link on `portIndex` and asks for the status; a printer ready now gets its data
  // channel. False when the printer does not answer the mode switch: the port then stays open.
  bool Connect(int16_t portIndex);

  // Asks for the status every 2 s until the printer is ready (true) or in error (false); a data
  // channel left closed at connection is opened once it is ready. It gives up on nothing else.
  bool WaitUntilReadyOrError(const WaitProgress& progress = {});

  // After a status asked for elsewhere: a printer now found ready gets the data channel it did not
  // get at connection.
  void OpenDataChannelIfReady() { Comm.OpenDataChannelWhenReady(); }

  // Ends the visit: the channels closed, packet mode left, the port closed. With `reset` the printer
  // is reset while the control channel is still open and given 10 s to come back; a printer that
  // does not acknowledge the reset, or refuses it as busy, is not waited for. Results of the link commands are not tested.
  void End(bool reset, const ResetNotice& notice = {});

private:
  TPDalD4Comm& Comm;
  Clock& Time;
};
