// What the command handlers share: how a refusal and a write end, and how cells are shown.
#pragma once

#include "cli/TerminalView.h"

#include <optional>
#include <string>

// A write command's outcome from what the front-end was told.
int WriteOutcome(const TerminalView& view);
// Says why the input is refused, on standard error; returns the usage status.
int Refuse(const std::string& message);
// A cell's address or value as the EEPROM check shows it: two hexadecimal digits.
std::string Hex(unsigned value);
// The window turns typed letters into capitals; so does the command line.
std::string Upper(std::string text);

// The cells of a --range: "AA-BB", two hexadecimal digits each, as the EEPROM check's fields take them.
struct CellRange {
  int Begin = 0;
  int End = 0;
};
// The range `text` names; nullopt with `problem` saying what is wrong and what is taken.
std::optional<CellRange> ReadCellRange(const std::string& text, std::string& problem);
