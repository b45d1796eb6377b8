// What "EEPROM check" does: read a range of cells, change one cell, for any front-end.
#pragma once

#include "link/TPDalD4Comm.h"
#include "service/ItemView.h"

#include <functional>
#include <optional>
#include <string>

class EepromCheckLogic {
public:
  EepromCheckLogic(ItemView& view, TPDalD4Comm& comm) : View(view), Comm(comm) {}

  // The two typed range ends as addresses; "Input data is wrong." and false
  // unless both are two hexadecimal digits and the start is not above the end.
  bool CheckRange(const std::string& beginText, const std::string& endText, int& begin, int& end);
  // Reads the cells in address order and hands each over as it arrives; no value for a cell that
  // was refused or cut short. A printer that sends nothing back for a cell stops the read there,
  // with the message that it does not answer: false, and the cells from there on are not handed over.
  bool ReadRange(int begin, int end, const std::function<void(int address, std::optional<uint8_t> value)>& shown);
  // Writes one cell and reads it back; false, after "Input data is wrong.",
  // when either text is not two hexadecimal digits (nothing is sent then).
  bool WriteCell(const std::string& addressText, const std::string& dataText);

  static std::string TwoHexDigits(int value);

private:
  ItemView& View;
  TPDalD4Comm& Comm;
};
