#include "service/EepromCheckLogic.h"

#include "service/RecordKeeping.h"
#include "service/WriteGuard.h"

#include "service/ConfirmedWrites.h"
#include "service/TPDalEeprom.h"

#include <array>
#include <cstdio>

namespace {

// One cell changed by hand, as the record names it.
constexpr const char* CellItem = "EEPROM cell";

constexpr const char* WrongInput = "Input data is wrong.";

// Both texts exactly two hexadecimal digits: their values, else nothing.
bool TwoBytes(const std::string& firstText, const std::string& secondText, int& first, int& second) {
  if (firstText.size() != 2 || secondText.size() != 2) return false;
  first = TPDalEeprom::HexToByte(firstText);
  second = TPDalEeprom::HexToByte(secondText);
  return first != InvalidHexByte && second != InvalidHexByte;
}

}  // namespace

std::string EepromCheckLogic::TwoHexDigits(int value) {
  char text[3];
  std::snprintf(text, sizeof text, "%02X", value & 0xFF);
  return text;
}

bool EepromCheckLogic::CheckRange(const std::string& beginText, const std::string& endText, int& begin, int& end) {
  if (TwoBytes(beginText, endText, begin, end) && begin <= end) return true;
  View.WriteText(wsError, WrongInput);
  return false;
}

bool EepromCheckLogic::ReadRange(int begin, int end,
                                 const std::function<void(int address, std::optional<uint8_t> value)>& shown) {
  for (int address = begin; address <= end; ++address) {
    const EepromRead read = Comm.ControlReadEeprom(static_cast<uint8_t>(address));
    // Every further cell would wait out the same retries on a printer that is off.
    if (read.Outcome == EepromReadOutcome::Silent) {
      View.WriteText(wsError, PrinterSilentText);
      return false;
    }
    // A refused cell says so instead of showing what an older reply left behind.
    const bool answered = read.Outcome == EepromReadOutcome::Answered;
    shown(address, answered ? std::optional<uint8_t>(read.Value) : std::nullopt);
  }
  return true;
}

bool EepromCheckLogic::WriteCell(const std::string& addressText, const std::string& dataText) {
  int address = 0;
  int data = 0;
  if (!TwoBytes(addressText, dataText, address, data)) {
    View.WriteText(wsError, WrongInput);
    RecordRefused(View, CellItem, addressText + " = " + dataText, WrongInput);
    return false;
  }
  OpenRecordVisit(View);
  // A refused acknowledgement has already ended the program; a busy one is tried again.
  const std::array<EepromCell, 1> cell{{{static_cast<uint8_t>(address), static_cast<uint8_t>(data)}}};
  const std::vector<NoteCell> noted = NoteCells(cell);
  const std::string notWritten = "address " + TwoHexDigits(address) + " was not written";
  ConfirmedWrites writes(Comm);
  const Ack answer = writes.WriteCells(cell);
  if (answer == Ack::Failed) Comm.FailAcknowledgement();
  WriteEnd end{.Result = RecordDone, .Message = {}, .Sent = answer == Ack::Ok ? 1U : 0U};
  if (answer != Ack::Ok) {
    end = {.Result = RecordFailed, .Message = ConfirmedWrites::BusyText(notWritten), .Sent = 0, .ReadBack = false};
  } else if (end.Differences = writes.Differences(cell); !end.Differences.empty()) {
    end.Result = RecordFailed;
    end.Message = ConfirmedWrites::DifferenceText(end.Differences);
  }
  if (end.Result != RecordDone) {
    View.WriteText(wsError, end.Message);
    RecordWrite(View, CellItem, TwoHexDigits(address) + " = " + TwoHexDigits(data), noted, end);
    return true;
  }
  View.WriteText(wsPlain, "Address = ");
  View.WriteText(wsAppend, TwoHexDigits(address));
  View.WriteText(wsNewLine, "Data = ");
  View.WriteText(wsAppend, TwoHexDigits(data));
  RecordWrite(View, CellItem, TwoHexDigits(address) + " = " + TwoHexDigits(data), noted, end);
  return true;
}
