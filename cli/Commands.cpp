#include "cli/Commands.h"

#include "platform/ShownText.h"

#include "eeprom/BidValues.h"
#include "eeprom/EepromMap.h"
#include "platform/NewFile.h"
#include "service/A4CheckLogic.h"
#include "service/BackupFile.h"
#include "service/BidLogic.h"
#include "service/ScanLogic.h"
#include "service/EepromCheckLogic.h"
#include "service/TPDalEeprom.h"
#include "service/EepromSettingLogic.h"
#include "service/FirstDotLogic.h"
#include "service/HeadIdLogic.h"
#include "service/MaintenanceLogic.h"
#include "service/TopMarginLogic.h"
#include "service/TransportLiquidLogic.h"
#include "service/UnfinishedLogic.h"
#include "service/UsbIdLogic.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <cmath>
#include <iostream>
#include <map>
#include <optional>

namespace {

constexpr uint8_t UnknownInk = 0xFF;

// A write command's outcome from what the front-end was told.
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

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

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

// Reads the backup cells, all or none: a file or a comparison is never made from part of them.
// Says why when a cell could not be read.
std::optional<BackupValues> ReadPrinterValues(ServiceSession& session) {
  BackupValues values{};
  switch (TPDalEeprom::ReadCells(session.Comm, BackupSet, values)) {
    case EepromReadOutcome::Answered:
      return values;
    case EepromReadOutcome::Silent:
      std::cerr << "error: " << PrinterSilentText << std::endl;
      return std::nullopt;
    case EepromReadOutcome::Refused:
      break;
  }
  std::cerr << "error: Reading EEPROM data failed." << std::endl;
  return std::nullopt;
}

}  // namespace

bool ChangesPrinter(const std::string& command, bool writing) {
  if (command == "status" || command == "dump" || command == "backup" || command == "diff") return false;
  if (command == "init" || command == "clean" || command == "charge" || command == "print")
    return true;
  return writing;
}

int RunStatus(CommandContext& context, bool json) {
  ServiceSession& session = context.Session;
  session.View.EchoStatusLines(false);  // they are this command's result
  session.Display.RefreshStatus();
  const PrinterStatus& status = session.Status;
  const std::vector<std::string>& lines = session.View.StatusLines();
  if (!json) {
    for (const std::string& line : lines) std::cout << line << '\n';
    // 0xFF is the printer's "not known": no number stands for it.
    std::cout << "Ink:";
    for (uint8_t quantity : status.InkQuantities) {
      std::cout << ' ' << (quantity == UnknownInk ? std::string("??") : std::to_string(quantity));
    }
    std::cout << std::endl;
    return ExitDone;
  }
  nlohmann::json out;
  out["state"] = StateName(status.StatusCode);
  out["error"] = ErrorName(status.ErrorCode);
  nlohmann::json warnings = nlohmann::json::array();
  for (size_t k = 0; k < status.WarningFlags.size(); ++k)
    if (status.WarningFlags[k]) warnings.push_back(static_cast<int>(10 + k));
  out["warnings"] = warnings;
  nlohmann::json ink = nlohmann::json::array();
  for (uint8_t quantity : status.InkQuantities) {
    if (quantity == UnknownInk) {
      ink.push_back(nullptr);
    } else {
      ink.push_back(quantity);
    }
  }
  out["ink"] = ink;
  out["messages"] = lines;
  out["restricted"] = session.View.InErrorMode();
  std::cout << out.dump(2) << std::endl;
  return ExitDone;
}

int RunDump(CommandContext& context, const std::string& range, const std::string& format, const std::string& output) {
  ServiceSession& session = context.Session;
  EepromCheckLogic logic(session.View, session.Comm);
  // The window turns typed letters into capitals; so does the command line.
  const std::string upper = Upper(range);
  const size_t dash = upper.find('-');
  int begin = 0;
  int end = 0;
  if (dash == std::string::npos ||
      !logic.CheckRange(upper.substr(0, dash), upper.substr(dash + 1), begin, end)) {
    session.View.Flush();
    return ExitUsage;
  }
  std::array<std::optional<uint8_t>, EepromSize> cells{};
  bool allRead = true;
  // A printer that stops answering ends the read at that cell: what was read is still shown.
  const bool whole = logic.ReadRange(begin, end, [&](int address, std::optional<uint8_t> value) {
    cells[static_cast<size_t>(address)] = value;
    allRead = allRead && value.has_value();
    session.View.Progress("reading", static_cast<size_t>(address - begin + 1), static_cast<size_t>(end - begin + 1));
  });
  allRead = allRead && whole;
  session.View.EndProgress();

  std::string text;
  if (format == "bin") {
    if (!allRead) {
      std::cerr << "error: Some cells could not be read; no binary dump is written." << std::endl;
      return ExitPrinterFailure;
    }
    for (int address = begin; address <= end; ++address) text.push_back(static_cast<char>(*cells[address]));
  } else if (format == "hex") {
    for (int address = begin; address <= end; ++address)
      text += Hex(address) + " = " + (cells[address] ? Hex(*cells[address]) : "??") + "\n";
  } else {
    // The EEPROM check's table: low digit across, high digit down.
    text = "  ";
    for (int column = 0; column < 16; ++column) text += "  " + std::string(1, "0123456789ABCDEF"[column]);
    text += "\n";
    for (int row = 0; row < 16; ++row) {
      text += std::string(1, "0123456789ABCDEF"[row]) + " ";
      for (int column = 0; column < 16; ++column) {
        const int address = 16 * row + column;
        const bool inRange = address >= begin && address <= end;
        text += " " + (!inRange ? std::string("  ") : cells[address] ? Hex(*cells[address]) : std::string("??"));
      }
      text += "\n";
    }
  }
  if (output.empty()) {
    std::cout << text << std::flush;
  } else {
    // Never over an existing file: it may be a backup.
    if (const Outcome<void> written = WriteNewFile(output, text); !written)
      return Refuse("The dump cannot be written (" + written.Fault().Message + ").");
  }
  return allRead ? ExitDone : ExitPrinterFailure;
}

int RunBackup(CommandContext& context, const std::string& output) {
  ServiceSession& session = context.Session;
  EepromSettingLogic logic(session.View, session.Comm, session, session, session.Boxes, session.Time, session.Guard);
  const std::optional<BackupValues> read = ReadPrinterValues(session);
  if (!read) return ExitPrinterFailure;
  const BackupValues& values = *read;
  std::string error;
  std::optional<std::string> path;
  if (output.empty()) {
    path = logic.SaveBoard(values, BackupFolder(), error);
  } else {
    const BackupContents contents = DescribeBackup(values, session.SelectedModelCode(),
                                                   session.Driver.ChosenPortName(), session.Time.LocalNow());
    std::error_code ignored;
    if (std::filesystem::exists(output, ignored)) return Refuse(ShownText(output) + " exists already: a backup is never written over.");
    if (const Outcome<void> written = WriteNewFile(output, FormatBackup(contents)); written) {
      path = output;
    } else {
      error = written.Fault().Message;
    }
  }
  if (!path) {
    std::cerr << "error: The backup could not be saved (" << error << ")." << std::endl;
    return ExitPrinterFailure;
  }
  std::cerr << "Saved to " << ShownText(*path) << "." << std::endl;
  std::cout << *path << std::endl;
  return ExitDone;
}

int RunRestore(CommandContext& context, const std::string& file, bool dryRun, bool force) {
  ServiceSession& session = context.Session;
  const BackupFileCheck check = ReadBackupFile(file);
  if (!check.Contents) return Refuse(check.Problem + " Nothing was written to the printer.");
  if (!check.HeaderProtected) std::cerr << UnprotectedHeaderText << std::endl;
  const std::string otherModel = OtherModelProblem(check.Contents->Header, session.SelectedModelCode());
  if (!otherModel.empty() && !force)
    return Refuse(otherModel + " Nothing was written to the printer; give --force to restore it all the same.");
  EepromSettingLogic logic(session.View, session.Comm, session, session, session.Boxes, session.Time, session.Guard);
  const std::vector<CellChange> changes = logic.ChangesOnPrinter(check.Contents->Values);
  bool allRead = true;
  for (const CellChange& change : changes) {
    allRead = allRead && change.Now.has_value();
    std::cout << EepromSettingLogic::ChangeText(change) << '\n';
  }
  std::cout << std::flush;
  if (dryRun) return allRead ? ExitDone : ExitPrinterFailure;
  const BackupHeader& header = check.Contents->Header;
  const DialogAnswer answer = context.Questions.ShowMessage(
      DialogKind::Confirmation,
      "Write the values of this backup (" + header.Model + ", " + header.Date + ", head ID " + header.HeadId +
          ") into the printer? " + std::to_string(changes.size()) + " cells change.",
      DialogButtons::OkCancel);
  if (context.Questions.Refused()) return ExitUsage;
  if (answer != DialogAnswer::Ok) {
    std::cerr << "Nothing was written to the printer." << std::endl;
    return ExitDone;
  }
  return logic.RestoreValues(check.Contents->Values) ? ExitDone : WriteOutcome(session.View);
}

int RunDiff(CommandContext& context, const std::string& first, const std::string& second, bool printer, bool all) {
  const BackupFileCheck left = ReadBackupFile(first);
  if (!left.Contents) return Refuse(ShownText(first) + ": " + left.Problem);
  BackupValues right{};
  std::string rightName = "printer";
  if (printer) {
    const std::optional<BackupValues> read = ReadPrinterValues(context.Session);
    if (!read) return ExitPrinterFailure;
    right = *read;
  } else {
    const BackupFileCheck other = ReadBackupFile(second);
    if (!other.Contents) return Refuse(ShownText(second) + ": " + other.Problem);
    right = other.Contents->Values;
    rightName = second;
  }
  std::cout << "cell  " << first << "  " << rightName << "  what\n";
  for (size_t i = 0; i < BackupSet.size(); ++i) {
    const bool differs = left.Contents->Values[i] != right[i];
    if (!differs && !all) continue;
    std::cout << Hex(BackupSet[i]) << "    " << Hex(left.Contents->Values[i]) << "  " << Hex(right[i]) << "  "
              << CellName(BackupSet[i]) << (differs && all ? "  *" : "") << '\n';
  }
  std::cout << std::flush;
  return ExitDone;
}

int RunHeadId(CommandContext& context, const std::string& write) {
  ServiceSession& session = context.Session;
  if (write.empty()) {
    const std::optional<StoredHeadId> stored = session.HeadId.ReadHeadId();
    if (!stored) {
      std::cerr << "error: The head ID could not be read." << std::endl;
      return ExitPrinterFailure;
    }
    std::cout << stored->Text << std::endl;
    if (!stored->Damaged) return ExitDone;
    std::cerr << "error: " << DamagedHeadIdText << std::endl;
    return ExitPrinterFailure;
  }
  HeadIdLogic logic(session.View, session.HeadId, session.Confirm, session.Guard);
  const bool accepted = logic.WriteHeadId(Upper(write));  // as the window's field takes it
  session.View.Flush();
  return accepted ? WriteOutcome(session.View) : ExitUsage;
}

int RunUsbId(CommandContext& context, const std::string& write) {
  ServiceSession& session = context.Session;
  if (write.empty()) {
    std::string stored;
    switch (session.UsbId.ReadUsbId(stored)) {
      case TPDalUsbId::ReadResult::Valid:
        std::cout << stored << std::endl;
        return ExitDone;
      case TPDalUsbId::ReadResult::Damaged:
        std::cout << stored << std::endl;
        std::cerr << "error: " << DamagedUsbIdText << std::endl;
        return ExitPrinterFailure;
      case TPDalUsbId::ReadResult::Invalid:
        std::cerr << "error: Invalid USB ID" << std::endl;
        return ExitPrinterFailure;
      case TPDalUsbId::ReadResult::Unreadable:
        std::cerr << "error: The USB ID could not be read." << std::endl;
        return ExitPrinterFailure;
    }
  }
  UsbIdLogic logic(session.View, session.UsbId, session.Confirm, session.Guard);
  const bool accepted = logic.WriteUsbId(write);
  session.View.Flush();
  return accepted ? WriteOutcome(session.View) : ExitUsage;
}

namespace {

nlohmann::ordered_json OrNull(const std::optional<double>& value, double step) {
  if (!value) return nullptr;
  return std::round(*value / step) * step;
}

void PrintBidJson(const BidPageReading& page) {
  nlohmann::ordered_json sections = nlohmann::ordered_json::array();
  for (size_t i = 0; i < page.Sections.size(); ++i) {
    const BidSectionReading& section = page.Sections[i];
    nlohmann::ordered_json offsets = nlohmann::ordered_json::array();
    for (const auto& offset : section.OffsetDots) offsets.push_back(OrNull(offset, 0.01));
    nlohmann::ordered_json entry;
    entry["name"] = BidSectionNames[i];
    entry["candidates"] = section.Candidates;
    entry["offsets"] = offsets;
    entry["best"] = section.Best ? nlohmann::ordered_json(*section.Best) : nlohmann::ordered_json(nullptr);
    entry["estimate"] = section.Read() ? OrNull(section.Estimate, 0.1) : nlohmann::ordered_json(nullptr);
    entry["confidence"] = std::round(section.Confidence * 100) / 100;
    entry["outside"] = section.Outside;
    entry["suggestion"] = section.Suggestion() ? nlohmann::ordered_json(*section.Suggestion()) : nlohmann::ordered_json(nullptr);
    if (!section.Problem.empty()) entry["problem"] = section.Problem;
    sections.push_back(entry);
  }
  std::cout << nlohmann::ordered_json{{"sections", sections}}.dump(2) << std::endl;
}

void PrintNozzleJson(const NozzleCheckReading& reading) {
  nlohmann::ordered_json colours = nlohmann::ordered_json::array();
  for (size_t i = 0; i < reading.Colours.size(); ++i) {
    // A colour that could not be read has no list: null, never an empty one that reads as "none missing".
    const bool read = reading.Colours[i].Problem.empty();
    nlohmann::ordered_json entry{{"name", NozzleColourNames[i]},
                                 {"missing", read ? nlohmann::ordered_json(reading.Colours[i].Missing) : nlohmann::ordered_json(nullptr)}};
    if (!reading.Colours[i].Problem.empty()) entry["problem"] = reading.Colours[i].Problem;
    colours.push_back(entry);
  }
  std::cout << nlohmann::ordered_json{{"colours", colours}}.dump(2) << std::endl;
}

// The scan's verdict as an exit status: every section read, some not, or no page at all.
int ScanOutcome(bool allRead) { return allRead ? ExitDone : ExitPrinterFailure; }

int AnalyseBid(CommandContext* context, const std::string& image, bool json, const std::string& values) {
  BidScan scan;
  if (!values.empty()) {
    const auto stored = ParseSixValues(values);
    if (!stored)
      return Refuse("--values takes six whole numbers within " + std::to_string(BidLowest) + ".." +
                    std::to_string(BidHighest) + ", " + BidValuesOrderText() + ".");
    scan = ScanLogic::ReadBidScan(image, *stored);
  } else {
    scan = ScanLogic(context->Session.View, context->Session.Bid).ReadBidScan(image);
    if (scan.Problem == UnknownCandidatesText) {
      std::cerr << "error: " << scan.Problem << std::endl;
      return ExitPrinterFailure;
    }
  }
  if (!scan.Problem.empty()) return Refuse(scan.Problem);
  if (json) {
    PrintBidJson(scan.Page);
  } else {
    for (size_t i = 0; i < scan.Page.Sections.size(); ++i)
      std::cout << ScanLogic::DescribeSection(i, scan.Page.Sections[i], scan.Stored[i]) << '\n';
    std::cout << std::flush;
  }
  return ScanOutcome(scan.AllRead());
}

int AnalyseNozzles(const std::string& image, bool json) {
  const NozzleCheckReading reading = ScanLogic::ReadNozzleScan(image);
  if (!reading.Problem.empty()) return Refuse(reading.Problem);
  bool allRead = true;
  for (const NozzleColourReading& colour : reading.Colours) allRead = allRead && colour.Problem.empty();
  if (json) {
    PrintNozzleJson(reading);
  } else {
    for (size_t i = 0; i < reading.Colours.size(); ++i) std::cout << ScanLogic::DescribeColour(i, reading.Colours[i]) << '\n';
    if (reading.AnyMissing()) std::cout << CleaningAdviceForTerminal << '\n';
    std::cout << std::flush;
  }
  return ScanOutcome(allRead);
}

// Writes what a scan of the Bi-D page suggests, once the technician agrees.
int WriteFromScan(CommandContext& context, BidLogic& logic, const std::string& image) {
  ServiceSession& session = context.Session;
  const BidScan scan = ScanLogic(session.View, session.Bid).ReadBidScan(image);
  if (scan.Problem == UnknownCandidatesText) {
    std::cerr << "error: " << scan.Problem << std::endl;
    return ExitPrinterFailure;
  }
  if (!scan.Problem.empty()) return Refuse(scan.Problem + " Nothing was written to the printer.");
  std::vector<BidEntry> entries;
  std::string list;
  for (size_t i = 0; i < BidValues.size(); ++i) {
    std::cout << ScanLogic::DescribeSection(i, scan.Page.Sections[i], scan.Stored[i]) << '\n';
    if (!scan.Suggested[i] || *scan.Suggested[i] == scan.Stored[i]) continue;
    entries.push_back({i, std::to_string(*scan.Suggested[i])});
    list += (list.empty() ? "" : ", ") + std::string(BidValues[i].Name) + " = " + entries.back().Text;
  }
  std::cout << std::flush;
  if (entries.empty()) {
    std::cerr << "Nothing to write: the stored values already line up." << std::endl;
    return ScanOutcome(scan.AllRead());
  }
  const DialogAnswer answer =
      context.Questions.ShowMessage(DialogKind::Confirmation, "Write " + list + " into the printer?", DialogButtons::OkCancel);
  if (context.Questions.Refused()) return ExitUsage;
  if (answer != DialogAnswer::Ok) {
    std::cerr << "Nothing was written to the printer." << std::endl;
    return ExitDone;
  }
  logic.WriteValues(entries);
  session.View.Flush();
  const int outcome = WriteOutcome(session.View);
  return outcome == ExitDone ? ScanOutcome(scan.AllRead()) : outcome;
}

}  // namespace

std::string BidArgumentList() {
  std::string list;
  for (const BidValue& value : BidValues) list += (list.empty() ? "" : ", ") + std::string(value.ArgumentName);
  return list;
}

std::string BidValuesOrderText() { return std::string(BidValues.front().Name) + " first, as 1,-2,0,3,0,4"; }

std::optional<std::array<int, BidValues.size()>> ParseSixValues(const std::string& text) {
  std::array<int, BidValues.size()> values{};
  size_t count = 0;
  size_t start = 0;
  while (start <= text.size()) {
    const size_t comma = std::min(text.find(',', start), text.size());
    const std::optional<int> value = BidLogic::CheckValue(text.substr(start, comma - start));
    if (count == values.size() || !value) return std::nullopt;
    values[count++] = *value;
    start = comma + 1;
  }
  if (count != values.size()) return std::nullopt;
  return values;
}

std::optional<std::vector<BidEntry>> ParseBidWrites(const std::vector<std::string>& writes, std::string& problem) {
  std::vector<BidEntry> entries;
  for (const std::string& write : writes) {
    const size_t equals = write.find('=');
    const BidValue* named = BidValueOfArgument(Lower(write.substr(0, equals)));
    if (equals == std::string::npos || named == nullptr) {
      problem = "\"" + ShownText(write) + "\" is no NAME=VALUE with NAME one of " + BidArgumentList() + ".";
      return std::nullopt;
    }
    const std::string value = write.substr(equals + 1);
    const size_t index = static_cast<size_t>(named - BidValues.data());
    if (std::any_of(entries.begin(), entries.end(), [index](const BidEntry& entry) { return entry.Index == index; })) {
      problem = std::string(named->ArgumentName) + " is given twice: which value is meant?";
      return std::nullopt;
    }
    if (!BidLogic::CheckValue(value)) {
      problem = BidLogic::WrongDigitText;
      return std::nullopt;
    }
    entries.push_back({index, value});
  }
  // The window writes in table order, whatever order the boxes were ticked in.
  std::sort(entries.begin(), entries.end(), [](const BidEntry& a, const BidEntry& b) { return a.Index < b.Index; });
  return entries;
}

int RunAnalyse(CommandContext* context, const std::string& what, const std::string& image, bool json,
               const std::string& values) {
  return what == "bid" ? AnalyseBid(context, image, json, values) : AnalyseNozzles(image, json);
}

int RunBid(CommandContext& context, const std::vector<std::string>& writes, const std::string& fromScan) {
  ServiceSession& session = context.Session;
  BidLogic logic(session.View, session.Bid, session.Raster, session.Confirm, session.Guard);
  if (!fromScan.empty()) {
    if (!writes.empty()) return Refuse("--from-scan and --write cannot be given together.");
    return WriteFromScan(context, logic, fromScan);
  }
  if (writes.empty()) {
    const auto stored = logic.StoredValues();
    bool allRead = true;
    for (size_t i = 0; i < BidValues.size(); ++i) {
      allRead = allRead && stored[i].has_value();
      std::cout << BidValues[i].ArgumentName << " = " << BidLogic::ValueText(stored[i]) << '\n';
    }
    std::cout << std::flush;
    const bool outOfRange = logic.ReportOutOfRange(stored);
    session.View.Flush();
    return allRead && !outOfRange ? ExitDone : ExitPrinterFailure;
  }
  std::string problem;
  const std::optional<std::vector<BidEntry>> entries = ParseBidWrites(writes, problem);
  if (!entries) return Refuse(problem);
  logic.WriteValues(*entries);
  session.View.Flush();
  return WriteOutcome(session.View);
}

int RunTopMargin(CommandContext& context, const std::string& write) {
  ServiceSession& session = context.Session;
  TopMarginLogic logic(session.View, session.Comm, session.Factory, session.Raster, session.Boxes);
  if (write.empty()) {
    const std::optional<int8_t> stored = logic.StoredValue();
    if (!stored) {
      std::cerr << "error: The top margin could not be read." << std::endl;
      return ExitPrinterFailure;
    }
    std::cout << TopMarginSettings[static_cast<size_t>(TopMarginLogic::ChoiceOf(*stored))].Sign[1] << std::endl;
    const bool outOfRange = logic.ReportOutOfRange(*stored);
    session.View.Flush();
    return outOfRange ? ExitPrinterFailure : ExitDone;
  }
  const std::optional<int> choice = write.size() == 1 ? TopMarginLogic::ChoiceOfSign(write[0]) : std::nullopt;
  if (!choice) return Refuse("The top margin is one of -, 0 and +.");
  logic.WriteChoice(*choice);
  session.View.Flush();
  return WriteOutcome(session.View);
}

int RunFirstDot(CommandContext& context, const std::string& write) {
  ServiceSession& session = context.Session;
  FirstDotLogic logic(session.View, session.Comm, session.Factory, session.Display, session, session.Boxes,
                      session.Time);
  if (write.empty()) {
    const std::optional<int> stored = logic.StoredValue();
    if (!stored) {
      std::cerr << "error: The first dot position could not be read." << std::endl;
      return ExitPrinterFailure;
    }
    std::cout << *stored << std::endl;
    const bool outOfRange = logic.ReportOutOfRange(*stored);
    session.View.Flush();
    return outOfRange ? ExitPrinterFailure : ExitDone;
  }
  if (!logic.Write(write)) {
    session.View.Flush();
    return ExitUsage;
  }
  session.View.Flush();
  if (!session.View.ErrorShown() && session.Status.StatusCode != StatusReady) return ExitPrinterFailure;
  return WriteOutcome(session.View);
}

int RunInit(CommandContext& context) {
  ServiceSession& session = context.Session;
  EepromSettingLogic logic(session.View, session.Comm, session, session, session.Boxes, session.Time, session.Guard);
  logic.WriteInitialSetting();
  session.View.Flush();
  return WriteOutcome(session.View);
}

int RunCounter(CommandContext& context, bool clear) {
  ServiceSession& session = context.Session;
  if (!clear) {
    const std::optional<std::string> counter = session.Maintenance.ReadProtectionCounter();
    if (!counter) {
      std::cerr << "error: The protection counter could not be read." << std::endl;
      return ExitPrinterFailure;
    }
    std::cout << *counter << std::endl;
    return ExitDone;
  }
  MaintenanceLogic logic(session.View, session.Factory, session.Maintenance, session.Boxes);
  const bool tried = logic.ClearCounter();
  session.View.Flush();
  if (!tried) return context.Questions.Refused() ? ExitUsage : ExitDone;
  return WriteOutcome(session.View);
}

int RunCleaning(CommandContext& context, bool charge) {
  ServiceSession& session = context.Session;
  MaintenanceLogic logic(session.View, session.Factory, session.Maintenance, session.Boxes);
  if (charge) {
    logic.ChargeInk();
  } else {
    logic.CleanHead();
  }
  session.View.Flush();
  return session.View.ErrorShown() ? ExitPrinterFailure : ExitDone;
}

int RunPrint(CommandContext& context, const std::string& what) {
  ServiceSession& session = context.Session;
  if (what == "check") {
    A4CheckLogic(session.View, session.Factory, session.Raster, session.A4check).PrintPages();
  } else if (what == "bid") {
    BidLogic(session.View, session.Bid, session.Raster, session.Confirm, session.Guard).PrintPage(1);
    session.Comm.FlushData();  // the page's form feed waits in the queue for the next data: there is none
  } else {
    TopMarginLogic(session.View, session.Comm, session.Factory, session.Raster, session.Boxes).PrintLine();
  }
  session.View.Flush();
  if (session.View.PrinterInError()) return ExitPrinterFailure;
  return session.View.ErrorShown() ? ExitPrinterFailure : ExitDone;
}

int RunUnfinished(CommandContext& context, bool finish, bool discard) {
  ServiceSession& session = context.Session;
  std::vector<std::string> problems;
  const std::vector<FoundNote> notes = session.Guard.Unfinished(&problems);
  for (const std::string& problem : problems) std::cerr << "warning: a note cannot be read: " << problem << std::endl;
  if (notes.empty()) {
    std::cerr << "No write was left unfinished on " << PortNameOf(session.GetPortIndex()) << "." << std::endl;
    return ExitDone;
  }
  if (!finish && !discard) {
    for (const FoundNote& found : notes) {
      std::cout << DescribeNote(found.Note) << '\n';
      for (const NoteCell& cell : found.Note.Cells)
        std::cout << "  " << Hex(cell.Address) << " = " << Hex(cell.Value) << (cell.Old ? " was " + Hex(*cell.Old) : "")
                  << '\n';
    }
    std::cout << std::flush;
    return ExitDone;
  }
  if (discard) {
    const DialogAnswer answer = context.Questions.ShowMessage(
        DialogKind::Confirmation,
        UnfinishedLogic::Summary(notes) + "\nForget these notes? The printer keeps the values it holds now.",
        DialogButtons::YesNoDefaultNo);
    if (context.Questions.Refused()) return ExitUsage;
    if (answer != DialogAnswer::Yes) {
      std::cerr << "Nothing was forgotten." << std::endl;
      return ExitDone;
    }
    for (const FoundNote& found : notes) {
      // Held while it goes: a program finishing it right now keeps it.
      const HeldNote held = NoteStore::Take(found.Path);
      if (!held.Held()) {
        std::cerr << "Kept: the " << found.Note.Item << " of " << found.Note.Date << " is being written now." << std::endl;
        continue;
      }
      std::string error;
      if (!NoteStore::Remove(found.Path, error)) {
        std::cerr << "error: The note cannot be removed (" << error << ")." << std::endl;
        return ExitPrinterFailure;
      }
      std::cerr << "Forgotten: the " << found.Note.Item << " of " << found.Note.Date << "." << std::endl;
    }
    return ExitDone;
  }
  UnfinishedLogic logic(session.View, session.Comm, session.Guard);
  for (const FoundNote& found : notes) {
    // A note removed meanwhile (forgotten by another program) is passed over.
    if (!std::filesystem::exists(found.Path)) continue;
    const bool finished = logic.Finish(found);
    session.View.Flush();
    if (!finished) return WriteOutcome(session.View);
  }
  return ExitDone;
}
