// A printer's service record: every visit and everything its items read, wrote and printed,
// appended to one JSON Lines file per printer and synced, never rewritten, so that nothing of a
// visit is held only in memory and a killed program leaves every event up to the kill.
#pragma once

#include "link/ModelChoice.h"
#include "link/PortChoice.h"
#include "platform/Clock.h"
#include "platform/NewFile.h"
#include "platform/Outcome.h"
#include "service/RecordEvent.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

constexpr UserFolderPlace RecordPlace{"XDG_DATA_HOME", ".local/share", "arvana-adjust/records"};
// Past this the folder of records says it has grown, once a visit; nothing is lost for it.
constexpr uint64_t RecordFolderLimitBytes = 16ULL << 20;
// A record file is read up to this size (about a hundred thousand visits).
constexpr size_t RecordFileLimitBytes = 64U << 20;
// The ending of a record file; the rest of its name says whose it is: "usb-<USB ID>" or "head-<head ID>".
constexpr const char* RecordFileEnding = ".jsonl";

// Who the printer is, as it says itself; either may be unknown.
struct RecordedPrinter {
  std::optional<std::string> UsbId;   // the 10 characters of its serial
  std::optional<std::string> HeadId;  // the 13 characters of its head ID
};

// The record file of a printer, below `folder`: by its USB ID, else by its head ID, else "unknown".
std::string RecordFileFor(const std::string& folder, const RecordedPrinter& printer);
// The name part of a record file for a serial or head ID typed by the technician ("usb-AB12345678").
std::string RecordNameFor(const RecordedPrinter& printer);

class ServiceRecord {
public:
  using Appender = std::function<Outcome<void>(const std::string& path, const std::string& text)>;

  // `port` and `model` are asked at the start of each visit.
  ServiceRecord(Clock& clock, const PortChoice& port, const ModelChoice& model);

  void SetFolder(std::string folder) { Folder = std::move(folder); }
  const std::string& FolderPath() const { return Folder; }
  // How lines reach the disk (AppendAndSync unless a test gives a disk of its own).
  void SetAppender(Appender append) { Append = std::move(append); }
  // How the printer is asked who it is, at the first event of each visit.
  void SetPrinterReader(std::function<RecordedPrinter()> reader) { ReadPrinter = std::move(reader); }
  // "window" or "command line", for the visit's header.
  void SetFrontEnd(std::string name) { FrontEnd = std::move(name); }
  // The virtual printer's folder, whose pages/ the record names after a print; empty for a real printer.
  void SetPrinterPlace(std::string place) { Place = std::move(place); }
  const std::string& PrinterPlace() const { return Place; }

  // A visit starts: its header goes before its first event, with the printer's identity read then.
  void BeginVisit();
  // The visit has ended: events outside a visit (a scan read with no printer attached) are not kept.
  void EndVisit() { InVisit = false; }
  // The printer of this visit, read and its header written when not done yet. The reason when
  // the header could not be written (it is tried again with the next event).
  std::optional<std::string> OpenVisit();
  // Appends `event` below the visit's header; nothing when it is on the disk (or when no visit
  // is going on), else the reason.
  std::optional<std::string> Add(const RecordEvent& event);
  // The file of this visit's printer; empty until the visit is open.
  const std::string& File() const { return Path; }
  // The same, the printer asked who it is when that is not known yet in a visit (nothing written);
  // after a visit, the file of its printer, empty when the visit recorded nothing.
  const std::string& FileOfPrinter();
  const RecordedPrinter& Printer() const { return Identity; }
  // Once a visit, after its header: the line that says the folder has grown past its limit.
  std::optional<std::string> TakeSizeNotice();

  // The highest number of the virtual printer's page files now (0 when none or no virtual printer),
  // and the page files numbered above `mark`, as the record names them ("pages/0003.png").
  int PageMark() const;
  std::vector<std::string> PagesAfter(int mark) const;

private:
  std::string Now() const;

  Clock& Time;
  const PortChoice& Port;
  const ModelChoice& Model;
  std::string Folder;
  Appender Append;
  std::function<RecordedPrinter()> ReadPrinter;
  std::string FrontEnd = "window";
  std::string Place;
  bool InVisit = false;
  bool Open = false;
  bool SizeSaid = false;
  bool SizeNoticePending = false;
  RecordedPrinter Identity;
  std::string Path;
};
