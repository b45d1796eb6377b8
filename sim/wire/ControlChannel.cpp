// Control-channel requests of the virtual printer and the texts it answers with.
#include "sim/wire/ControlChannel.h"

#include <algorithm>

#include "sim/wire/PrinterWire.h"

using namespace PrinterWire;

namespace {

std::vector<uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

void AppendTwoDigits(std::string& text, int number) {
  text += static_cast<char>('0' + number / 10);
  text += static_cast<char>('0' + number % 10);
}

}  // namespace

std::string ControlChannel::StatusText(const PrinterCondition& condition) {
  std::string text(StatusReplyHeader);
  text += StateTag;
  text += '0';
  text += static_cast<char>('0' + static_cast<int>(condition.State));
  text += ';';
  if (condition.ErrorNumber) {
    text += ErrorTag;
    AppendTwoDigits(text, std::clamp(*condition.ErrorNumber, 0, 99));
    text += ';';
  }
  std::string warnings;
  for (int code : condition.Warnings)
    if (code >= 0 && code <= 99) AppendTwoDigits(warnings, code);
  if (!warnings.empty()) {
    // Codes stand back to back: the reader takes two digits at a time and
    // stops at the ';' right behind a code.
    text += WarningTag;
    text += warnings;
    text += ';';
  }
  text += InkTag;
  for (uint8_t quantity : condition.InkQuantities) text += HexByte(quantity);
  text += ";\r\n";
  return text;
}

ControlChannel::Answer ControlChannel::Handle(const std::vector<uint8_t>& request) {
  const uint8_t* data = request.data();
  const size_t length = request.size();
  Answer answer;
  if (Equals(StatusRequest, data, length)) {
    const PrinterFaults& faults = Core.Faults();
    answer.Payload = Bytes(faults.GarbageStatus ? *faults.GarbageStatus : StatusText(Core.Condition()));
    return answer;
  }
  if (Equals(ResetRequest, data, length)) {
    const bool busy = Core.Faults().BusyAck;
    answer.Payload = Bytes(std::string(ResetAckPrefix) + std::string(busy ? AckBusy : AckOk));
    answer.ResetRequested = !busy;
    return answer;
  }
  if (StartsWith(EepromRequestTag, data, length)) return HandleEeprom(request);
  return Refuse(request, "unknown control request " + HexBytes(data, length));
}

ControlChannel::Answer ControlChannel::HandleEeprom(const std::vector<uint8_t>& request) {
  const uint8_t* data = request.data();
  const size_t length = request.size();
  if (length != EepromReadRequestSize && length != EepromWriteRequestSize) {
    return Refuse(request, "EEPROM request of " + std::to_string(length) + " bytes instead of 10 or 11");
  }
  const size_t lengthField =
      static_cast<size_t>(data[EepromRequestLengthOffset] | (data[EepromRequestLengthOffset + 1] << 8));
  if (lengthField + EepromRequestModelCodeOffset != length) {
    return Refuse(request,
                  "EEPROM request of " + std::to_string(length) + " bytes gives length " + std::to_string(lengthField));
  }
  const bool isWrite = length == EepromWriteRequestSize;
  const uint8_t expected = static_cast<uint8_t>(isWrite ? ServiceCommand::WriteEeprom : ServiceCommand::ReadEeprom);
  const uint8_t code = data[EepromRequestCodeOffset];
  if (code != expected) {
    return Refuse(request, "EEPROM request of " + std::to_string(length) + " bytes carries command 0x" + HexByte(code) +
                               " instead of 0x" + HexByte(expected));
  }
  if (data[EepromRequestCodeOffset + 1] != Complement(code) || data[EepromRequestCodeOffset + 2] != RotateRight(code)) {
    return Refuse(request, "EEPROM request 0x" + HexByte(code) + " carries check bytes " +
                               HexBytes(data + EepromRequestCodeOffset + 1, 2) + " instead of " +
                               HexByte(Complement(code)) + " " + HexByte(RotateRight(code)));
  }
  if (!Core.CheckModelCode(data[EepromRequestModelCodeOffset], data[EepromRequestModelCodeOffset + 1],
                           "control-channel EEPROM request")) {
    return Refuse(request, "");
  }
  const uint8_t address = data[EepromRequestAddressOffset];
  Answer answer;
  if (!isWrite) {
    answer.Payload =
        Bytes(std::string(EepromValuePrefix) + HexByte(address) + HexByte(Core.Eeprom().Get(address)) + "\r\n");
    switch (Core.Faults().EepromReadFault(address)) {
      case PrinterFaults::ReadFault::None:
        break;
      case PrinterFaults::ReadFault::Short:
        answer.Payload.resize(ShortEepromAnswerLength);
        break;
      case PrinterFaults::ReadFault::Dropped:
        answer.Lost = true;
        break;
    }
    return answer;
  }
  if (Core.Faults().BusyAck) {
    answer.Payload = Bytes(std::string(EepromWriteAckPrefix) + std::string(AckBusy));
    return answer;
  }
  Core.Eeprom().Set(address, data[EepromRequestDataOffset]);
  answer.Payload = Bytes(std::string(EepromWriteAckPrefix) + std::string(AckOk));
  return answer;
}

ControlChannel::Answer ControlChannel::Refuse(const std::vector<uint8_t>& request, const std::string& why) {
  if (!why.empty()) Core.Violation(why);
  std::string letters = "??";
  if (request.size() >= 2 && IsReadableBare(request[0]) && IsReadableBare(request[1])) {
    letters = {static_cast<char>(request[0]), static_cast<char>(request[1])};
  }
  Answer answer;
  answer.Payload = Bytes(letters + std::string(RefusalSuffix));
  return answer;
}
