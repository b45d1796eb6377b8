#include "cli/CommandSupport.h"

#include "cli/Commands.h"
#include "service/EepromCheckLogic.h"

#include <algorithm>
#include <cctype>
#include <iostream>

int WriteOutcome(const TerminalView& view) {
  if (!view.ErrorShown()) return ExitDone;
  return view.PrinterInError() ? ExitPrinterFailure : ExitNotConfirmed;
}

int Refuse(const std::string& message) {
  std::cerr << "error: " << message << std::endl;
  return ExitUsage;
}

std::string Hex(unsigned value) { return EepromCheckLogic::TwoHexDigits(static_cast<int>(value)); }

std::string Upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::toupper(c); });
  return text;
}
