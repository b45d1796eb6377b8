#include "service/PrinterSession.h"

namespace {

constexpr uint32_t ReadyPollMs = 2000;   // between two status requests of a wait
constexpr uint32_t ResetWaitMs = 10000;  // what the printer takes to start again after the reset

}  // namespace

bool PrinterSession::Connect(int16_t portIndex) {
  if (!Comm.StartLinkToControlChannel(portIndex)) return false;
  Comm.RequestStatus();
  Comm.OpenDataChannelWhenReady();
  return true;
}

bool PrinterSession::WaitUntilReadyOrError(const WaitProgress& progress) {
  for (uint32_t waitedMs = 0;; waitedMs += ReadyPollMs) {
    Comm.RequestStatus();
    const PrinterStateCode state = Comm.Status().StatusCode;
    if (state == StatusReady) {
      Comm.OpenDataChannelWhenReady();
      return true;
    }
    if (state == StatusError) return false;
    if (progress) progress(waitedMs, state);
    Time.Pause(ReadyPollMs);
  }
}

void PrinterSession::End(bool reset, const ResetNotice& notice) {
  Comm.ShutDownLink([this, reset, &notice] {
    if (!reset) return;
    if (notice.Starting) notice.Starting();
    switch (Comm.RequestReset()) {
      case Ack::Failed:
        if (notice.Unacknowledged) notice.Unacknowledged();
        return;
      case Ack::Busy:
        if (notice.Refused) notice.Refused();
        return;
      case Ack::Ok:
        if (notice.Accepted) notice.Accepted();
        Time.Pause(ResetWaitMs);
        return;
    }
  });
}
