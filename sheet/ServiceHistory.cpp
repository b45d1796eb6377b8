#include "sheet/ServiceHistory.h"

#include "platform/RegularFile.h"
#include "service/RecordEvent.h"
#include "service/ServiceRecord.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <sstream>

namespace {

std::string Str(const QJsonObject& object, const char* name) {
  const QJsonValue value = object.value(name);
  if (value.isString()) return value.toString().toStdString();
  if (value.isDouble()) return std::to_string(value.toInteger());
  return {};
}

// A number of the record, "?" when it is null (the printer did not give it).
std::string NumberText(const QJsonValue& value) { return value.isDouble() ? std::to_string(value.toInteger()) : "?"; }

std::string Hex(qint64 value) {
  char text[8];
  std::snprintf(text, sizeof text, "%02llX", static_cast<unsigned long long>(value & 0xFF));
  return text;
}

// A Bi-D value's cell as the signed number it stands for.
std::string SignedCell(const QJsonValue& value) {
  if (!value.isDouble()) return "?";
  return std::to_string(static_cast<int8_t>(static_cast<uint8_t>(value.toInteger() & 0xFF)));
}

// What a write's cells held before and hold now, in hexadecimal, for writes of many cells.
std::string CellsText(const QJsonArray& cells, const char* which) {
  std::string text;
  for (const QJsonValue& cell : cells) {
    const QJsonObject object = cell.toObject();
    const QJsonValue value = object.value(which);
    if (!text.empty()) text += " ";
    text += Hex(object.value("cell").toInteger()) + "=" + (value.isDouble() ? Hex(value.toInteger()) : "??");
  }
  return text;
}

// The values a visit knows at each moment, so that a write's "before" is what the printer held then.
struct KnownValues {
  std::map<std::string, std::string> Values;
  std::string Before(const std::string& item) const {
    const auto found = Values.find(item);
    return found == Values.end() ? "?" : found->second;
  }
};

// Every cell sent and none read back: the printer may hold the write, but it is not known.
bool SentButNotReadBack(const QJsonArray& cells) {
  if (cells.isEmpty()) return false;
  return std::all_of(cells.begin(), cells.end(), [](const QJsonValue& cell) {
    return cell.toObject().value("sent").toString() != "no" && !cell.toObject().value("read").isDouble();
  });
}

void AddWrite(HistoryVisit& visit, const QJsonObject& event, KnownValues& known) {
  const std::string item = Str(event, "item");
  const std::string value = Str(event, "value");
  const std::string result = Str(event, "result");
  const QJsonArray cells = event.value("cells").toArray();
  const bool done = result == RecordDone;
  SheetRow row{.Item = item, .Before = known.Before(item), .After = done                         ? value
                                                            : SentButNotReadBack(cells) ? "not confirmed"
                                                                                        : "not written",
                .Note = {}};
  if (item.rfind("Bi-D ", 0) == 0 && !cells.isEmpty()) {
    // Its first cell holds the value; the other two are markers.
    const QJsonObject first = cells.first().toObject();
    if (row.Before == "?") row.Before = SignedCell(first.value("before"));
    if (first.value("read").isDouble()) row.After = SignedCell(first.value("read"));
  } else if (item != "head ID" && item != "USB ID" && cells.size() > 1 && row.Before == "?") {
    row.Item = item + " (" + std::to_string(cells.size()) + " cells)";
    row.Before = CellsText(cells, "before");
  } else if (cells.size() == 1 && row.Before == "?" && cells.first().toObject().value("before").isDouble()) {
    row.Before = SignedCell(cells.first().toObject().value("before"));
  }
  row.Note = done ? "confirmed by read-back" : Str(event, "message");
  row.Failed = !done;
  if (done) known.Values[item] = row.After;
  visit.Adjustments.push_back(row);
  if (!done) visit.Refused.push_back({.Item = item, .Before = {}, .After = value, .Note = row.Note, .Failed = true});
}

void AddScan(HistoryVisit& visit, const QJsonObject& event) {
  const std::string item = Str(event, "item");
  if (event.contains("message")) {
    visit.Checks.push_back({.Item = item + " scan", .Before = {}, .After = "not read", .Note = Str(event, "message"), .Failed = true});
    return;
  }
  if (event.contains("sections")) {
    for (const QJsonValue& entry : event.value("sections").toArray()) {
      const QJsonObject section = entry.toObject();
      const bool read = section.value("suggestion").isDouble();
      visit.Checks.push_back({.Item = "Bi-D scan " + Str(section, "name"),
                              .Before = {},
                              .After = read ? "suggests " + NumberText(section.value("suggestion")) + " (stored " +
                                                  NumberText(section.value("stored")) + ")"
                                            : "cannot read",
                              .Note = read ? std::to_string(static_cast<int>(section.value("confidence").toDouble() * 100 + 0.5)) + " % sure"
                                           : Str(section, "message"),
                              .Failed = !read});
    }
    return;
  }
  for (const QJsonValue& entry : event.value("colours").toArray()) {
    const QJsonObject colour = entry.toObject();
    std::string missing;
    for (const QJsonValue& nozzle : colour.value("missing").toArray())
      missing += (missing.empty() ? "" : ", ") + std::to_string(nozzle.toInteger());
    const bool read = !colour.contains("message");
    visit.Checks.push_back({.Item = "nozzle check " + Str(colour, "name"),
                            .Before = {},
                            .After = !read ? "cannot read" : missing.empty() ? "all nozzles fire" : "missing " + missing,
                            .Note = Str(colour, "message"),
                            .Failed = !read || !missing.empty()});
  }
}

void AddEvent(HistoryVisit& visit, const QJsonObject& event, KnownValues& known) {
  const std::string kind = Str(event, "event");
  const std::string item = Str(event, "item");
  if (kind == RecordWriteKind) {
    AddWrite(visit, event, known);
  } else if (kind == RecordReadKind) {
    const bool read = event.value("value").isString();
    if (read) known.Values[item] = Str(event, "value");
    SheetRow row{.Item = item, .Before = {}, .After = read ? Str(event, "value") : "not read", .Note = Str(event, "message"),
                 .Failed = !read};
    (item == "protection counter" ? visit.Maintenance : visit.Checks).push_back(row);
  } else if (kind == RecordRefusedKind) {
    visit.Refused.push_back(
        {.Item = item, .Before = {}, .After = Str(event, "input"), .Note = Str(event, "message"), .Failed = true, .Refusal = true});
  } else if (kind == RecordMaintenanceKind || kind == RecordCounterClearedKind) {
    const bool done = Str(event, "result") == RecordDone;
    visit.Maintenance.push_back({.Item = kind == RecordCounterClearedKind ? "protection counter cleared" : item,
                                 .Before = NumberText(event.value("counter-before")),
                                 .After = NumberText(event.value("counter-after")),
                                 .Note = done ? "done" : Str(event, "message"),
                                 .Failed = !done});
  } else if (kind == RecordBackupKind) {
    visit.Checks.push_back({.Item = "backup " + item, .Before = {}, .After = Str(event, "file"), .Note = Str(event, "message"),
                            .Failed = Str(event, "result") != RecordDone});
  } else if (kind == RecordPrintedKind) {
    std::string pages;
    for (const QJsonValue& page : event.value("pages").toArray()) {
      pages += (pages.empty() ? "" : ", ") + page.toString().toStdString();
      visit.Pages.push_back(page.toString().toStdString());
    }
    visit.Checks.push_back({.Item = item + " printed", .Before = {}, .After = pages, .Note = {}});
  } else if (kind == RecordScanKind) {
    AddScan(visit, event);
  }
}

HistoryVisit VisitFrom(const QJsonObject& header, int number) {
  HistoryVisit visit;
  visit.Number = number;
  visit.Time = Str(header, "time");
  visit.Program = Str(header, "program");
  visit.FrontEnd = Str(header, "front-end");
  visit.Port = Str(header, "port");
  visit.Model = Str(header, "model");
  visit.UsbId = Str(header, "usb-id");
  visit.HeadId = Str(header, "head-id");
  return visit;
}

}  // namespace

std::string HistoryFileFor(const std::string& folder, const std::string& serial) {
  for (const RecordedPrinter& printer : {RecordedPrinter{.UsbId = serial, .HeadId = {}}, RecordedPrinter{.UsbId = {}, .HeadId = serial}}) {
    const std::string path = RecordFileFor(folder, printer);
    std::error_code error;
    if (std::filesystem::exists(path, error)) return path;
  }
  // The record of printers that said neither, by the name the list gives it.
  const std::string unnamed = RecordFileFor(folder, RecordedPrinter{});
  std::error_code error;
  if (serial == RecordNameFor(RecordedPrinter{}) && std::filesystem::exists(unnamed, error)) return unnamed;
  return {};
}

std::vector<std::string> HistoryFiles(const std::string& folder) {
  std::vector<std::string> files;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    const std::string name = entry.path().filename().string();
    if (name.ends_with(RecordFileEnding)) files.push_back(entry.path().string());
  }
  std::sort(files.begin(), files.end());
  return files;
}

Outcome<PrinterHistory> ReadHistory(const std::string& path) {
  Outcome<std::string> contents = ReadWholeFile(path, RecordFileLimitBytes);
  if (!contents) return contents.Fault();
  PrinterHistory history = ParseHistory(*contents, std::filesystem::path(path).stem().string());
  history.Path = path;
  return history;
}

PrinterHistory ParseHistory(const std::string& text, const std::string& name) {
  PrinterHistory history;
  history.Name = name;
  std::istringstream lines(text);
  std::string line;
  KnownValues known;
  while (std::getline(lines, line)) {
    if (line.empty()) continue;
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(line));
    if (!document.isObject()) {
      ++history.UnreadableLines;
      continue;
    }
    const QJsonObject event = document.object();
    if (Str(event, "event") == RecordVisitKind) {
      history.Visits.push_back(VisitFrom(event, static_cast<int>(history.Visits.size()) + 1));
      known = {};
      if (!history.Visits.back().HeadId.empty()) known.Values["head ID"] = history.Visits.back().HeadId;
      if (!history.Visits.back().UsbId.empty()) known.Values["USB ID"] = history.Visits.back().UsbId;
    } else if (history.Visits.empty()) {
      ++history.UnreadableLines;  // an event before any visit: not of this program's making
      continue;
    } else {
      AddEvent(history.Visits.back(), event, known);
    }
    history.Visits.back().EventLines.push_back(line);
  }
  return history;
}

std::vector<const HistoryVisit*> ChosenVisits(const PrinterHistory& history, const VisitChoice& choice) {
  std::vector<const HistoryVisit*> chosen;
  for (const HistoryVisit& visit : history.Visits) {
    if (choice.Number != 0 && visit.Number != choice.Number) continue;
    // The times are ISO dates: compared as text they sort as dates.
    if (!choice.Since.empty() && visit.Time.substr(0, choice.Since.size()) < choice.Since) continue;
    chosen.push_back(&visit);
  }
  return chosen;
}

std::vector<std::string> HistoryLines(const PrinterHistory& history, const std::vector<const HistoryVisit*>& visits) {
  std::vector<std::string> lines;
  (void)history;
  for (const HistoryVisit* visit : visits) {
    std::string line = "Visit " + std::to_string(visit->Number) + "  " + visit->Time + "  " + visit->FrontEnd + " on " +
                       visit->Port + (visit->Model.empty() ? "" : ", " + visit->Model) + ": ";
    std::string done;
    const auto add = [&done](const std::vector<SheetRow>& rows, bool changes) {
      for (const SheetRow& row : rows) {
        std::string text = row.Item;
        if (changes && !row.Before.empty()) text += " " + row.Before + " -> " + row.After;
        else if (!row.After.empty()) text += " " + row.After;
        if (row.Failed && !row.Note.empty() && changes) text += " (" + row.Note.substr(0, row.Note.find('\n')) + ")";
        done += (done.empty() ? "" : "; ") + text;
      }
    };
    add(visit->Adjustments, true);
    add(visit->Maintenance, true);
    add(visit->Checks, false);
    for (const SheetRow& row : visit->Refused)
      if (row.Refusal) done += (done.empty() ? "" : "; ") + row.Item + " " + row.After + " refused (" + row.Note + ")";
    lines.push_back(line + (done.empty() ? "nothing recorded" : done));
  }
  return lines;
}

std::string HistoryJson(const std::vector<const HistoryVisit*>& visits) {
  std::string json = "[";
  for (size_t i = 0; i < visits.size(); ++i) {
    const HistoryVisit& visit = *visits[i];
    json += i == 0 ? "\n  " : ",\n  ";
    json += "{\"visit\": " + visit.EventLines.front() + ", \"events\": [";
    for (size_t j = 1; j < visit.EventLines.size(); ++j) json += (j == 1 ? "\n    " : ",\n    ") + visit.EventLines[j];
    json += visit.EventLines.size() > 1 ? "\n  ]}" : "]}";
  }
  return json + (visits.empty() ? "]\n" : "\n]\n");
}
