// The service records read back: one printer's visits, each with its header and its events, as
// the job sheet, the history list and `arvana-service report` show them. No Qt in this header.
#pragma once

#include "platform/Outcome.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

// One row of a visit's sheet: what an item did, in the technician's words.
struct SheetRow {
  std::string Item;    // "head ID", "Bi-D MS Black", "head cleaning" ...
  std::string Before;  // "" when the row has no before (a read, a print)
  std::string After;   // the value now, or what was seen
  std::string Note;    // the outcome: "confirmed by read-back", the message shown ...
  bool Failed = false;
  bool Refusal = false;  // input refused before anything was sent
};

struct HistoryVisit {
  int Number = 0;  // 1, 2 ... in the printer's record
  std::string Time;
  std::string Program;
  std::string FrontEnd;
  std::string Port;
  std::string Model;
  std::string UsbId;   // "" when not known
  std::string HeadId;  // as the visit found it; "" when not known
  std::vector<std::string> EventLines;  // the record's lines of the visit, header first
  // The sheet's sections.
  std::vector<SheetRow> Adjustments;   // writes: before -> after
  std::vector<SheetRow> Maintenance;   // cleanings, ink charges, the counter
  std::vector<SheetRow> Checks;        // prints, nozzle check and Bi-D readings, values read
  std::vector<SheetRow> Refused;       // refused input and failed writes, with their messages
  std::vector<std::string> Pages;      // page files printed ("pages/0003.png")
};

struct PrinterHistory {
  std::string Name;  // "usb-AB12345678"
  std::string Path;
  std::vector<HistoryVisit> Visits;
  size_t UnreadableLines = 0;  // lines that are no event (one cut short by a full disk)
};

// The record file of the printer known by `serial` (its USB ID or its head ID) in `folder`; empty
// when it has none.
std::string HistoryFileFor(const std::string& folder, const std::string& serial);
// The record files in `folder`, by name.
std::vector<std::string> HistoryFiles(const std::string& folder);
// Reads a record file (up to RecordFileLimitBytes); a failure with its path and reason.
Outcome<PrinterHistory> ReadHistory(const std::string& path);
// The visits in the text of a record file called `name`; a line that is no event is counted, not read.
PrinterHistory ParseHistory(const std::string& text, const std::string& name);

// Which visits to show: from a date ("2026-12-10") on, or the N-th only; all by default.
struct VisitChoice {
  std::string Since;
  int Number = 0;
};
// The visits of `history` that `choice` names, in order.
std::vector<const HistoryVisit*> ChosenVisits(const PrinterHistory& history, const VisitChoice& choice);

// One line per visit: number, time, front-end, port, and what was done.
std::vector<std::string> HistoryLines(const PrinterHistory& history, const std::vector<const HistoryVisit*>& visits);
// The visits as a JSON array of {"visit": HEADER, "events": [...]}, as the record holds them.
std::string HistoryJson(const std::vector<const HistoryVisit*>& visits);
