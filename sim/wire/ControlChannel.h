// The printer's control channel: status, reset and EEPROM requests and their answer texts.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sim/PrinterCore.h"

class ControlChannel {
public:
  struct Answer {
    std::vector<uint8_t> Payload;
    bool ResetRequested = false;  // the caller restarts the firmware after answering
    bool Lost = false;            // a fault swallows the answer: nothing is sent
  };

  // How much of an EEPROM value answer a short-reply fault lets through: not up to the value.
  static constexpr size_t ShortEepromAnswerLength = 10;

  explicit ControlChannel(PrinterCore& core) : Core(core) {}

  // Answers one request. A request the printer does not understand is a
  // violation and gets a refusal text with neither 'O' nor 'B' at position 6.
  Answer Handle(const std::vector<uint8_t>& request);

  // The status text for `condition`. Error numbers outside 0..99 are clamped
  // to two digits; warning codes outside 0..99 are left out.
  static std::string StatusText(const PrinterCondition& condition);

private:
  Answer HandleEeprom(const std::vector<uint8_t>& request);
  Answer Refuse(const std::vector<uint8_t>& request, const std::string& why);

  PrinterCore& Core;
};
