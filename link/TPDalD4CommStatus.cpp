// The requests of TPDalD4Comm that travel on the control channel: status,
// EEPROM cells and reset, and the parsing of their replies.
#include "link/TPDalD4Comm.h"

#include <optional>
#include <string_view>

using namespace LinkWire;

namespace {

constexpr uint32_t ReadyPollPauseMs = 1000;

uint8_t TwoDecimalDigits(uint8_t tens, uint8_t ones) {
  return static_cast<uint8_t>(10 * (tens - '0') + (ones - '0'));
}

}  // namespace

void TPDalD4Comm::FailStatus(const char* text) {
  Boxes.ShowMessage(DialogKind::Error, text, DialogButtons::Ok);
  ForceExitNow(Fatal);
}

void TPDalD4Comm::RequestStatus() {
  Record.ErrorCode = ErrorNone;
  Record.WarningFlags.fill(0);
  // A failed exchange leaves no payload, so the search below finds no field.
  ControlRequest(StatusRequest.data(), StatusRequest.size());

  const std::string_view text(reinterpret_cast<const char*>(ReplyBuffer.data()), ReplyPayloadLength());
  const size_t status = text.find(StateTag);
  if (status == std::string_view::npos) FailStatus("Printer status acquisition failure 1");
  ParseStatusField(status);

  const size_t ink = text.find(InkTag);
  if (ink == std::string_view::npos) FailStatus("Ink quantity acquisition failure.");
  ParseInkField(ink);

  const size_t error = text.find(ErrorTag);
  if (error != std::string_view::npos) ParseErrorField(error);

  const size_t warning = text.find(WarningTag);
  if (warning != std::string_view::npos) ParseWarningField(warning);
}

void TPDalD4Comm::ParseStatusField(size_t tag) {
  const size_t at = tag + StateDigitOffset;
  if (at < ReplyPayloadLength()) {
    for (const StateDigit& entry : StateDigits) {
      if (entry.Digit == static_cast<char>(ReplyBuffer[at])) {
        Record.StatusCode = entry.Code;
        return;
      }
    }
  }
  FailStatus("Printer status acquisition failure 2");
}

void TPDalD4Comm::ParseInkField(size_t tag) {
  const size_t first = tag + FieldValueOffset;
  if (first + InkDigitCount > ReplyPayloadLength()) FailStatus("Ink quantity acquisition failure.");
  for (size_t i = 0; i < InkCount; ++i) {
    const uint8_t high = InkDigit(ReplyBuffer[first + 2 * i]);
    const uint8_t low = InkDigit(ReplyBuffer[first + 2 * i + 1]);
    Record.InkQuantities[i] = static_cast<uint8_t>(16 * high + low);
  }
}

void TPDalD4Comm::ParseErrorField(size_t tag) {
  const size_t first = tag + FieldValueOffset;
  if (first + 2 <= ReplyPayloadLength()) {
    const uint8_t number = TwoDecimalDigits(ReplyBuffer[first], ReplyBuffer[first + 1]);
    for (const ErrorNumber& entry : ErrorNumbers) {
      if (entry.Number == number) {
        Record.ErrorCode = entry.Code;
        return;
      }
    }
  }
  FailStatus("Error status acquisition failure");
}

void TPDalD4Comm::ParseWarningField(size_t tag) {
  // Up to six codes of two digits, back to back; a ';' right behind a code ends the field.
  const size_t payload = ReplyPayloadLength();
  for (size_t k = 0; k < WarningCount; ++k) {
    const size_t at = tag + FieldValueOffset + 2 * k;
    if (at + 2 > payload) {
      if (k == 0) FailStatus("Warning code acquisition failure");
      return;  // the reply ends behind the last code
    }
    const uint8_t code = TwoDecimalDigits(ReplyBuffer[at], ReplyBuffer[at + 1]);
    if (code < FirstWarningCode || code >= FirstWarningCode + WarningCount) {
      FailStatus("Warning code acquisition failure");
    }
    Record.WarningFlags[code - FirstWarningCode] = 1;
    if (at + 2 < payload && ReplyBuffer[at + 2] == FieldEnd) return;
  }
}

bool TPDalD4Comm::WaitReady() {
  for (;;) {
    // A data channel left closed at connection takes nothing until the
    // printer has been found ready and the channel opened.
    const bool dataClosed = PacketMode && !DataOpen;
    if (!dataClosed) {
      SendData(PrinterReset.data(), PrinterReset.size());
      FlushData();
    }
    RequestStatus();
    if (Record.StatusCode == StatusReady) {
      if (!dataClosed) return true;
      OpenDataChannelWhenReady();
      // Ready with an error field, or a channel the printer would not open: nothing can be printed.
      if (!DataOpen) return false;
      continue;  // the printer reset goes out on the channel just opened
    }
    if (Record.StatusCode == StatusError) {
      if (Record.ErrorCode != ErrorPaperOut) return false;
      Boxes.ShowMessage(DialogKind::Error, "Paper out error", DialogButtons::Ok);
    }
    Time.Pause(ReadyPollPauseMs);
  }
}

EepromRead TPDalD4Comm::ControlReadEeprom(uint8_t address) {
  const auto request = EepromReadRequest(address);
  switch (ControlExchange(request.data(), request.size())) {
    case ControlAnswer::Replied:
      // Only the reply just read counts: a short or refused one leaves older bytes where the value stands.
      if (const std::optional<uint8_t> value = EepromValueIn(ReplyBuffer.data(), ReplyPayloadLength()))
        return {EepromReadOutcome::Answered, *value};
      return {EepromReadOutcome::Refused};
    case ControlAnswer::Refused:
      return {EepromReadOutcome::Refused};
    case ControlAnswer::Silent:
      break;
  }
  return {EepromReadOutcome::Silent};
}

Ack TPDalD4Comm::ControlWriteEeprom(uint8_t address, uint8_t data) {
  const auto request = EepromWriteRequest(address, data);
  if (!ControlRequest(request.data(), request.size())) return Ack::Failed;
  return AckInReply();
}

Ack TPDalD4Comm::RequestReset() {
  if (!ControlRequest(ResetRequest.data(), ResetRequest.size())) return Ack::Failed;
  return AckInReply();
}

Ack TPDalD4Comm::AckInReply() const {
  if (AckLetterOffset >= ReplyPayloadLength()) return Ack::Failed;
  switch (ReplyBuffer[AckLetterOffset]) {
    case AckAcceptedLetter:
      return Ack::Ok;
    case AckBusyLetter:
      return Ack::Busy;
    default:
      return Ack::Failed;
  }
}

void TPDalD4Comm::FailAcknowledgement() {
  Boxes.ShowMessage(DialogKind::Error, "error", DialogButtons::Ok);
  ForceExitNow(Fatal);
}
