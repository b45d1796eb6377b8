// The requests of TPDalD4Comm that travel on the control channel: status,
// EEPROM cells and reset, and the parsing of their replies.
#include "link/ModelCode.h"
#include "link/TPDalD4Comm.h"

#include <optional>
#include <string_view>

namespace {

// Control requests of five bytes: two letters, length 1 (little-endian), parameter 1.
constexpr std::array<uint8_t, 5> StatusRequest{'s', 't', 0x01, 0x00, 0x01};
constexpr std::array<uint8_t, 5> ResetRequest{'r', 's', 0x01, 0x00, 0x01};

// EEPROM requests: "||", length of what follows (little-endian), ModelCode,
// command, its complement, its rotation, address [, data].
constexpr uint8_t EepromReadCommand = 0x41;
constexpr uint8_t EepromWriteCommand = 0x42;
constexpr size_t EepromValueOffset = 14;  // two hexadecimal characters in the read reply
constexpr size_t AckOffset = 6;           // 'O' accepted, 'B' busy

struct StatusDigit {
  char Digit;
  int16_t Code;
};
// The state digit stands four characters behind "ST:"; the digit before it is not looked at.
constexpr std::array<StatusDigit, 8> StatusDigits{{
    {'0', StatusError},
    {'1', StatusSelfPrinting},
    {'2', StatusBusy},
    {'3', StatusPrinting},
    {'4', StatusReady},
    {'7', StatusCleaning},
    {'8', StatusBeforeInitialFill},
    {'9', StatusMotorOff},
}};

struct ErrorNumber {
  uint8_t Number;
  int16_t Code;
};
// Two decimal digits behind "ER:".
constexpr std::array<ErrorNumber, 6> ErrorNumbers{{
    {0, ErrorFatal},
    {1, ErrorCommunication},
    {4, ErrorPaperJam},
    {5, ErrorInkOut},
    {6, ErrorPaperOut},
    {10, ErrorMaintenanceRequest},
}};

constexpr size_t StatusDigitOffset = 4;
constexpr size_t FieldValueOffset = 3;
constexpr size_t InkDigitCount = 12;
constexpr uint8_t FirstWarningCode = 10;
constexpr uint32_t ReadyPollPauseMs = 1000;

// A digit of the ink field: 'N' stands for 15; anything else unknown is taken by its code.
uint8_t InkDigit(uint8_t c) {
  if (c >= '0' && c <= '9') return static_cast<uint8_t>(c - '0');
  if (c >= 'A' && c <= 'F') return static_cast<uint8_t>(c - 'A' + 10);
  if (c == 'N') return 15;
  return c;
}

// A digit of an EEPROM value: anything that is not a decimal digit counts its code minus 0x37.
uint8_t EepromDigit(uint8_t c) {
  return static_cast<uint8_t>(c >= '0' && c <= '9' ? c - '0' : c - 0x37);
}

bool IsHexDigit(uint8_t c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }

uint8_t TwoDecimalDigits(uint8_t tens, uint8_t ones) {
  return static_cast<uint8_t>(10 * (tens - '0') + (ones - '0'));
}

std::array<uint8_t, 10> EepromReadRequest(uint8_t address) {
  return {0x7C, 0x7C, 0x06, 0x00, ModelCode[0], ModelCode[1], EepromReadCommand, 0xBE, 0xA0, address};
}

std::array<uint8_t, 11> EepromWriteRequest(uint8_t address, uint8_t data) {
  return {0x7C, 0x7C, 0x07, 0x00, ModelCode[0], ModelCode[1], EepromWriteCommand, 0xBD, 0x21, address, data};
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
  const size_t status = text.find("ST:");
  if (status == std::string_view::npos) FailStatus("Printer status acquisition failure 1");
  ParseStatusField(status);

  const size_t ink = text.find("IQ:");
  if (ink == std::string_view::npos) FailStatus("Ink quantity acquisition failure.");
  ParseInkField(ink);

  const size_t error = text.find("ER:");
  if (error != std::string_view::npos) ParseErrorField(error);

  const size_t warning = text.find("WR:");
  if (warning != std::string_view::npos) ParseWarningField(warning);
}

void TPDalD4Comm::ParseStatusField(size_t tag) {
  const size_t at = tag + StatusDigitOffset;
  if (at < ReplyPayloadLength()) {
    for (const StatusDigit& entry : StatusDigits) {
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
    if (at + 2 < payload && ReplyBuffer[at + 2] == ';') return;
  }
}

bool TPDalD4Comm::WaitReady() {
  static constexpr std::array<uint8_t, 2> ResetPrinter{0x1B, 0x40};
  for (;;) {
    // A data channel left closed at connection takes nothing until the
    // printer has been found ready and the channel opened.
    const bool dataClosed = PacketMode && !DataOpen;
    if (!dataClosed) {
      SendData(ResetPrinter.data(), ResetPrinter.size());
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

uint8_t TPDalD4Comm::DecodeEepromReply() const {
  return static_cast<uint8_t>(16 * EepromDigit(ReplyBuffer[EepromValueOffset]) +
                              EepromDigit(ReplyBuffer[EepromValueOffset + 1]));
}

bool TPDalD4Comm::EepromValueInReply() const {
  // Only the reply just read counts: a short or refused one leaves older bytes where the value stands.
  if (ReplyPayloadLength() < EepromValueOffset + 2) return false;
  return IsHexDigit(ReplyBuffer[EepromValueOffset]) && IsHexDigit(ReplyBuffer[EepromValueOffset + 1]);
}

bool TPDalD4Comm::ControlTryReadEeprom(uint8_t address, uint8_t& value) {
  const EepromRead read = ControlReadEeprom(address);
  if (read.Outcome != EepromReadOutcome::Answered) return false;
  value = read.Value;
  return true;
}

EepromRead TPDalD4Comm::ControlReadEeprom(uint8_t address) {
  const auto request = EepromReadRequest(address);
  switch (ControlExchange(request.data(), request.size())) {
    case ControlAnswer::Replied:
      if (EepromValueInReply()) return {EepromReadOutcome::Answered, DecodeEepromReply()};
      return {EepromReadOutcome::Refused};
    case ControlAnswer::Refused:
      return {EepromReadOutcome::Refused};
    case ControlAnswer::Silent:
      break;
  }
  return {EepromReadOutcome::Silent};
}

uint16_t TPDalD4Comm::ControlWriteEeprom(uint8_t address, uint8_t data) {
  const auto request = EepromWriteRequest(address, data);
  ControlRequest(request.data(), request.size());
  return EvaluateAck();
}

EepromWriteAnswer TPDalD4Comm::ControlWriteEepromUnchecked(uint8_t address, uint8_t data) {
  const auto request = EepromWriteRequest(address, data);
  if (!ControlRequest(request.data(), request.size())) return EepromWriteAnswer::Failed;
  const uint8_t letter = AckLetter();
  if (letter == 'O') return EepromWriteAnswer::Accepted;
  if (letter == 'B') return EepromWriteAnswer::Busy;
  return EepromWriteAnswer::Failed;
}

uint16_t TPDalD4Comm::RequestReset() {
  ControlRequest(ResetRequest.data(), ResetRequest.size());
  return EvaluateAck();
}

bool TPDalD4Comm::RequestResetUnchecked() {
  if (!ControlRequest(ResetRequest.data(), ResetRequest.size())) return false;
  const uint8_t letter = AckLetter();
  return letter == 'O' || letter == 'B';
}

uint8_t TPDalD4Comm::AckLetter() const {
  // Only the reply just read counts; a request that got no reply has no letter.
  return AckOffset < ReplyPayloadLength() ? ReplyBuffer[AckOffset] : 0;
}

uint16_t TPDalD4Comm::EvaluateAck() {
  const uint8_t letter = AckLetter();
  if (letter == 'B') return static_cast<uint16_t>(StatusBusy);
  if (letter == 'O') return AckOk;
  Boxes.ShowMessage(DialogKind::Error, "error", DialogButtons::Ok);
  ForceExitNow(Fatal);
}
