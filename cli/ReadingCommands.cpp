// The commands that show what the printer holds: its status and its EEPROM cells.
#include "cli/Commands.h"

#include "cli/CommandSupport.h"
#include "cli/StandardError.h"
#include "cli/JsonWriter.h"
#include "eeprom/EepromMap.h"
#include "link/PortChoice.h"
#include "platform/NewFile.h"
#include "platform/ShownText.h"
#include "service/EepromCheckLogic.h"

#include <array>
#include <iostream>
#include <optional>

namespace {

constexpr uint8_t UnknownInk = 0xFF;  // the printer's "not known": no number stands for it
constexpr int FirstWarningCode = 10;  // warning flag k is warning code 10 + k

const char* StateName(PrinterStateCode code) {
  switch (code) {
    case StatusError: return "error";
    case StatusSelfPrinting: return "self-printing";
    case StatusBusy: return "busy";
    case StatusPrinting: return "printing";
    case StatusReady: return "ready";
    case StatusCleaning: return "cleaning";
    case StatusBeforeInitialFill: return "before-initial-fill";
    case StatusMotorOff: return "motor-off";
    default: return "unknown";
  }
}

const char* ErrorName(PrinterErrorCode code) {
  switch (code) {
    case ErrorFatal: return "fatal";
    case ErrorCommunication: return "communication";
    case ErrorPaperJam: return "paper-jam";
    case ErrorInkOut: return "ink-out";
    case ErrorPaperOut: return "paper-out";
    case ErrorMaintenanceRequest: return "maintenance-request";
    case ErrorNone: return "none";
    default: return "unknown";
  }
}

void PrintStatusText(const PrinterStatus& status, const std::vector<std::string>& lines) {
  for (const std::string& line : lines) std::cout << line << '\n';
  std::cout << "Ink:";
  for (size_t i = 0; i < InkNames.size(); ++i) {
    const uint8_t quantity = status.InkQuantities[i];
    std::cout << (i == 0 ? " " : ", ") << InkNames[i] << ' '
              << (quantity == UnknownInk ? std::string("??") : std::to_string(quantity) + " %");
  }
  std::cout << std::endl;
}

// The keys in alphabetical order, as scripts have always read them.
// `port` names the port and how it reached the printer: its route and device node.
void PrintStatusJson(const PrinterStatus& status, const std::vector<std::string>& lines, bool restricted,
                     const char* portName, const TPPrinterDriver& port) {
  JsonValue warnings = JsonValue::Array();
  for (size_t k = 0; k < status.WarningFlags.size(); ++k)
    if (status.WarningFlags[k]) warnings.Append(JsonValue::Integer(FirstWarningCode + static_cast<int>(k)));
  JsonValue ink = JsonValue::Array();
  for (size_t i = 0; i < InkNames.size(); ++i) {
    const uint8_t quantity = status.InkQuantities[i];
    JsonValue cartridge = JsonValue::Object();
    cartridge.Set("colour", JsonValue::Text(InkNames[i]));
    cartridge.Set("percent", quantity == UnknownInk ? JsonValue::Null() : JsonValue::Integer(quantity));
    ink.Append(std::move(cartridge));
  }
  JsonValue out = JsonValue::Object();
  out.Set("device", JsonValue::Text(ShownText(port.OpenedNode())));
  out.Set("error", JsonValue::Text(ErrorName(status.ErrorCode)));
  out.Set("ink", std::move(ink));
  out.Set("messages", JsonValue::Texts(lines));
  out.Set("port", JsonValue::Text(portName));
  out.Set("restricted", JsonValue::Bool(restricted));
  out.Set("route", JsonValue::Text(port.OpenedRoute()));
  out.Set("state", JsonValue::Text(StateName(status.StatusCode)));
  out.Set("warnings", std::move(warnings));
  std::cout << out.Layout() << std::endl;
}

// The EEPROM check's table: low digit across, high digit down.
std::string CellTable(const std::array<std::optional<uint8_t>, EepromSize>& cells, int begin, int end) {
  constexpr const char* Digits = "0123456789ABCDEF";
  std::string text = "  ";
  for (int column = 0; column < 16; ++column) text += "  " + std::string(1, Digits[column]);
  text += "\n";
  for (int row = 0; row < 16; ++row) {
    text += std::string(1, Digits[row]) + " ";
    for (int column = 0; column < 16; ++column) {
      const int address = 16 * row + column;
      const bool inRange = address >= begin && address <= end;
      text += " " + (!inRange ? std::string("  ") : cells[address] ? Hex(*cells[address]) : std::string("??"));
    }
    text += "\n";
  }
  return text;
}

std::string CellList(const std::array<std::optional<uint8_t>, EepromSize>& cells, int begin, int end) {
  std::string text;
  for (int address = begin; address <= end; ++address)
    text += Hex(address) + " = " + (cells[address] ? Hex(*cells[address]) : "??") + "\n";
  return text;
}

}  // namespace

int RunStatus(CommandContext& context) {
  ServiceSession& session = context.Session;
  session.View.EchoStatusLines(false);  // they are this command's result
  session.Display.RefreshStatus();
  if (context.Options.Json) {
    PrintStatusJson(session.Status, session.View.StatusLines(), session.View.InErrorMode(),
                    PortNameOf(session.GetPortIndex()), session.Driver);
  } else {
    PrintStatusText(session.Status, session.View.StatusLines());
  }
  return ExitDone;
}

int RunDump(CommandContext& context) {
  ServiceSession& session = context.Session;
  const CommandOptions& options = context.Options;
  EepromCheckLogic logic(session.View, session.Comm);
  std::string problem;
  const std::optional<CellRange> range = ReadCellRange(options.Range, problem);
  if (!range) return Refuse("--range: " + problem);  // the option's check said so before the printer was opened
  const int begin = range->Begin;
  const int end = range->End;
  std::array<std::optional<uint8_t>, EepromSize> cells{};
  bool allRead = true;
  // A printer that stops answering ends the read at that cell: what was read is still shown.
  const bool whole = logic.ReadRange(begin, end, [&](int address, std::optional<uint8_t> value) {
    cells[static_cast<size_t>(address)] = value;
    allRead = allRead && value.has_value();
    session.View.Progress("reading", static_cast<size_t>(address - begin + 1), static_cast<size_t>(end - begin + 1), "cells");
  });
  allRead = allRead && whole;
  session.View.EndProgress();

  std::string text;
  if (options.Format == "bin") {
    if (!allRead) {
      SayError("Some cells could not be read; no binary dump is written.");
      return ExitPrinterFailure;
    }
    for (int address = begin; address <= end; ++address) text.push_back(static_cast<char>(*cells[address]));
  } else if (options.Format == "hex") {
    text = CellList(cells, begin, end);
  } else {
    text = CellTable(cells, begin, end);
  }
  if (options.Output.empty()) {
    std::cout << text << std::flush;
  } else {
    // Never over an existing file: it may be a backup.
    if (const Outcome<void> written = WriteNewFile(options.Output, text); !written)
      return Refuse("The dump cannot be written (" + written.Fault().Message + ").");
  }
  return allRead ? ExitDone : ExitPrinterFailure;
}
