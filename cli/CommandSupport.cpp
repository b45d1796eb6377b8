#include "cli/CommandSupport.h"

#include "cli/Commands.h"
#include "cli/StandardError.h"
#include "service/EepromCheckLogic.h"
#include "service/TPDalEeprom.h"
#include "platform/ShownText.h"

#include <algorithm>
#include <cctype>

int WriteOutcome(const TerminalView& view) {
  if (!view.ErrorShown()) return ExitDone;
  return view.PrinterInError() ? ExitPrinterFailure : ExitNotConfirmed;
}

int Refuse(const std::string& message) {
  SayError(message);
  return ExitUsage;
}

std::string Hex(unsigned value) { return EepromCheckLogic::TwoHexDigits(static_cast<int>(value)); }

std::string Upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::toupper(c); });
  return text;
}

std::optional<CellRange> ReadCellRange(const std::string& text, std::string& problem) {
  const std::string upper = Upper(text);  // the window's fields take capitals
  const size_t dash = upper.find('-');
  const std::string first = upper.substr(0, dash);
  const std::string last = dash == std::string::npos ? std::string() : upper.substr(dash + 1);
  const int begin = first.size() == 2 ? TPDalEeprom::HexToByte(first) : InvalidHexByte;
  const int end = last.size() == 2 ? TPDalEeprom::HexToByte(last) : InvalidHexByte;
  if (begin == InvalidHexByte || end == InvalidHexByte) {
    problem = "'" + ShownText(text) + "' is not AA-BB with hexadecimal cells 00..FF";
    return std::nullopt;
  }
  if (begin > end) {
    problem = "'" + ShownText(text) + "' ends before it begins: AA-BB takes AA at most BB";
    return std::nullopt;
  }
  return CellRange{begin, end};
}
