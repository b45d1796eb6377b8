#include "link/TPDalD4Comm.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr int LinkCommandAttempts = 3;
constexpr uint32_t LinkRetryPauseMs = 1000;
constexpr uint32_t ChannelClosePauseMs = 200;

}  // namespace

TPDalD4Comm::TPDalD4Comm(TPPrinterDriver& driver, Clock& clock, Dialogs& dialogs, FatalExit& fatal,
                         PrinterStatus& status)
    : Port(driver), Time(clock), Boxes(dialogs), Fatal(fatal), Record(status) {}

bool TPDalD4Comm::EnterPacketMode() {
  return SendLinkCommand(LinkWire::ModeSwitch.data(), LinkWire::ModeSwitch.size());
}

bool TPDalD4Comm::SendLinkCommand(const LinkWire::LinkCommandBlock& command) {
  return SendLinkCommand(command.data(), command.size());
}

bool TPDalD4Comm::SendLinkCommand(const uint8_t* command, size_t length) {
  const uint64_t heardBefore = Port.BytesReceived();
  for (int attempt = 0; attempt < LinkCommandAttempts; ++attempt) {
    ReplyLength = 0;
    if (!Port.TryWritePort(command, length)) break;
    const bool read = Port.ReadReply(ReplyBuffer, ReplyLength);
    if (read && LinkWire::AnswersLinkCommand(ReplyBuffer.data(), ReplyLengthRead(), command)) {
      Silent = false;
      return true;
    }
    Time.Pause(LinkRetryPauseMs);
  }
  Silent = Port.BytesReceived() == heardBefore;
  return false;
}

bool TPDalD4Comm::InitLink() { return SendLinkCommand(LinkWire::InitCommand()); }

bool TPDalD4Comm::OpenChannel(uint8_t socket) {
  if (!SendLinkCommand(LinkWire::OpenChannelCommand(socket))) return false;
  if (socket == DataSocket) {
    DataCredit = 0;
    PrinterCredit = 0;
    DataOpen = true;
  }
  return true;
}

bool TPDalD4Comm::CloseChannel(uint8_t socket, uint8_t mode) {
  if (socket == DataSocket) DataOpen = false;
  return SendLinkCommand(LinkWire::CloseChannelCommand(socket, mode));
}

bool TPDalD4Comm::GiveCredit(uint8_t socket, int16_t amount) {
  if (!SendLinkCommand(LinkWire::CreditCommand(socket, amount))) return false;
  if (socket == DataSocket) {
    // A reply without the credit field grants what was given.
    const int16_t confirmed = CreditFromReply();
    PrinterCredit = confirmed >= 0 ? confirmed : amount;
  }
  return true;
}

bool TPDalD4Comm::RequestCredit(uint8_t socket, int16_t amount) {
  if (!SendLinkCommand(LinkWire::CreditRequestCommand(socket, amount))) return false;
  if (socket == DataSocket) DataCredit = std::max<int16_t>(CreditFromReply(), 0);
  return true;
}

void TPDalD4Comm::ExitLink() {
  DataOpen = false;
  PacketMode = false;
  SendLinkCommand(LinkWire::ExitCommand());
}

int16_t TPDalD4Comm::CreditFromReply() const {
  // Only the reply just read counts: bytes an earlier, longer reply left behind do not.
  return LinkWire::CreditInReply(ReplyBuffer.data(), ReplyLengthRead()).value_or(-1);
}

void TPDalD4Comm::BuildPacket(uint8_t socket, const uint8_t* payload, uint8_t* packet, int32_t& length) {
  const int32_t total = length + static_cast<int32_t>(PacketHeaderSize);
  LinkWire::WriteHeader(packet, socket, static_cast<size_t>(total), LinkWire::ChannelPacketCredit);
  if (length > 0) std::memcpy(packet + PacketHeaderSize, payload, static_cast<size_t>(length));
  length = total;
}

void TPDalD4Comm::EnsureCredits() {
  EnsureDataCredit();
  if (PrinterCredit <= 0) GiveCredit(DataSocket, DataChannelCreditRequest);
}

void TPDalD4Comm::EnsureDataCredit() {
  if (DataCredit <= 0) RequestCredit(DataSocket, DataChannelCreditRequest);
}

void TPDalD4Comm::WriteDataPacket(const uint8_t* payload, size_t count) {
  std::array<uint8_t, LinkWire::MaxPacketSize> packet{};
  int32_t length = static_cast<int32_t>(count);
  BuildPacket(DataSocket, payload, packet.data(), length);
  Port.WritePort(packet.data(), static_cast<size_t>(length));
  if (DataCredit > 0) --DataCredit;
}

void TPDalD4Comm::ProgramMiss() {
  Boxes.ShowMessage(DialogKind::Error, "Program miss!!!", DialogButtons::Ok);
  EndAfterFaultNow(Fatal);
}

void TPDalD4Comm::SendData(const uint8_t* bytes, size_t count) {
  if (count > MaxSendDataCount) ProgramMiss();
  EnsureCredits();
  // The preamble has just asked for credit for the first packet; asking again
  // at once would only triple the wait on a printer that does not answer.
  bool creditAsked = true;
  for (size_t i = 0; i < count; ++i) {
    SendBuffer[SendCount++] = bytes[i];
    if (SendCount == DataPacketPayload) {
      // Every further packet of the same call needs its unit of credit too.
      if (!creditAsked) EnsureDataCredit();
      creditAsked = false;
      WriteDataPacket(SendBuffer.data(), SendCount);
      SendCount = 0;
    }
  }
}

void TPDalD4Comm::FlushData() {
  if (SendCount == 0) return;
  EnsureDataCredit();
  WriteDataPacket(SendBuffer.data(), SendCount);
  SendCount = 0;
}

void TPDalD4Comm::SendCommand(const uint8_t* bytes, size_t count) {
  if (count > MaxCommandCount) {
    Boxes.ShowMessage(DialogKind::Error, "Program miss!!!", DialogButtons::Ok);
    ForceExitNow(Fatal);
  }
  EnsureCredits();
  WriteDataPacket(bytes, count);
}

void TPDalD4Comm::SpendPrinterCredit() {
  if (PrinterCredit > 0) --PrinterCredit;
}

bool TPDalD4Comm::ControlRequest(const uint8_t* request, size_t count) {
  return ControlExchange(request, count) == ControlAnswer::Replied;
}

TPDalD4Comm::ControlAnswer TPDalD4Comm::ControlExchange(const uint8_t* request, size_t count) {
  if (count + PacketHeaderSize > LinkWire::MaxPacketSize) return ControlAnswer::Refused;
  if (!GiveCredit(ControlSocket, 1) || !RequestCredit(ControlSocket, 1))
    return Silent ? ControlAnswer::Silent : ControlAnswer::Refused;
  std::array<uint8_t, LinkWire::MaxPacketSize> packet{};
  int32_t length = static_cast<int32_t>(count);
  BuildPacket(ControlSocket, request, packet.data(), length);
  Port.WritePort(packet.data(), static_cast<size_t>(length));

  ReplyLength = 0;
  const uint64_t heardBefore = Port.BytesReceived();
  if (!Port.ReadReply(ReplyBuffer, ReplyLength)) {
    // A reply that never came leaves the link as silent as a link command that got none.
    Silent = Port.BytesReceived() == heardBefore;
    return Silent ? ControlAnswer::Silent : ControlAnswer::Refused;
  }
  if (!LinkWire::IsFromSocket(ReplyBuffer.data(), ControlSocket)) {
    Boxes.ShowMessage(DialogKind::Warning, "Receive error", DialogButtons::Ok);
    ForceExitNow(Fatal);
  }
  const size_t payload = ReplyPayloadLength();
  std::memmove(ReplyBuffer.data(), ReplyBuffer.data() + PacketHeaderSize, payload);
  return ControlAnswer::Replied;
}

size_t TPDalD4Comm::ReplyLengthRead() const { return ReplyLength > 0 ? static_cast<size_t>(ReplyLength) : 0; }

size_t TPDalD4Comm::ReplyPayloadLength() const {
  return ReplyLength > static_cast<int32_t>(PacketHeaderSize) ? static_cast<size_t>(ReplyLength) - PacketHeaderSize
                                                              : 0;
}

bool TPDalD4Comm::StartLinkToControlChannel(int16_t portIndex, MissingPort missing) {
  DataOpen = false;
  PacketMode = false;
  if (missing == MissingPort::Reported) {
    if (!Port.TryOpenPort(portIndex)) return false;
  } else {
    Port.OpenPort(portIndex);
  }
  if (!EnterPacketMode()) return false;
  PacketMode = true;
  InitLink();
  OpenChannel(ControlSocket);
  GiveCredit(ControlSocket, 1);
  return true;
}

void TPDalD4Comm::ShutDownLink(const std::function<void()>& whileControlOpen) {
  if (!Port.IsOpen()) {
    // A re-connection that found no port left nothing to shut down.
    DataOpen = false;
    PacketMode = false;
    return;
  }
  Closing = true;
  // A printer that sent nothing back last is not asked to close anything: each request would only
  // wait out its retries. The caller's reset is still its own to try.
  if (!Silent) {
    CloseChannel(DataSocket, 0);
    Time.Pause(ChannelClosePauseMs);
  }
  if (whileControlOpen) whileControlOpen();
  if (!Silent) {
    CloseChannel(ControlSocket, 0);
    Time.Pause(ChannelClosePauseMs);
  }
  if (Silent) {
    DataOpen = false;
    PacketMode = false;
  } else {
    ExitLink();
  }
  Port.ClosePort();
  Closing = false;
}

void TPDalD4Comm::OpenDataChannelWhenReady() {
  if (!PacketMode || DataOpen) return;
  if (Record.StatusCode != StatusReady || Record.ErrorCode != ErrorNone) return;
  OpenChannel(DataSocket);
}
