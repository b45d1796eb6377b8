#include "service/ServiceRecord.h"

#include "platform/AppendedFile.h"
#include "platform/ManualPage.h"
#include "platform/ProgramVersion.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

namespace {

constexpr const char* PagesFolder = "pages";
constexpr const char* PageEnding = ".png";

// Letters, digits and '-' as they are; anything else of a printer's ID as '_', so that no ID
// leads out of the folder or makes a name the desktop cannot show.
std::string FileSafe(const std::string& text) {
  std::string safe;
  for (const char c : text) {
    const bool plain = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '-';
    safe += plain ? c : '_';
  }
  return safe;
}

// The number of a page file "NNNN.png", 0 for any other name.
int PageNumber(const std::string& name) {
  const size_t ending = name.size() >= 4 ? name.size() - 4 : 0;
  if (name.size() < 5 || name.compare(ending, 4, PageEnding) != 0) return 0;
  int number = 0;
  for (size_t i = 0; i < ending; ++i) {
    if (name[i] < '0' || name[i] > '9' || number > 1000000) return 0;
    number = number * 10 + (name[i] - '0');
  }
  return number;
}

}  // namespace

std::string RecordNameFor(const RecordedPrinter& printer) {
  if (printer.UsbId && !printer.UsbId->empty()) return "usb-" + FileSafe(*printer.UsbId);
  if (printer.HeadId && !printer.HeadId->empty()) return "head-" + FileSafe(*printer.HeadId);
  return "unknown";
}

std::string RecordFileFor(const std::string& folder, const RecordedPrinter& printer) {
  return (std::filesystem::path(folder) / (RecordNameFor(printer) + RecordFileEnding)).string();
}

ServiceRecord::ServiceRecord(Clock& clock, const PortChoice& port, const ModelChoice& model)
    : Time(clock), Port(port), Model(model), Folder(UserFolder(RecordPlace)), Append(AppendAndSync) {}

std::string ServiceRecord::Now() const {
  const LocalDateTime now = Time.LocalNow();
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", now.Year, now.Month, now.Day, now.Hour, now.Minute,
                now.Second);
  return text;
}

void ServiceRecord::BeginVisit() {
  InVisit = true;
  Open = false;
  Identity = {};
  Path.clear();
}

const std::string& ServiceRecord::FileOfPrinter() {
  if (Path.empty() && InVisit) {
    if (ReadPrinter) Identity = ReadPrinter();
    Path = RecordFileFor(Folder, Identity);
  }
  return Path;
}

std::optional<std::string> ServiceRecord::OpenVisit() {
  if (Open || !InVisit) return std::nullopt;
  FileOfPrinter();
  RecordEvent header(RecordVisitKind, false);
  header.Values()
      .Text("program", std::string(ManualPackage) + " " + ProgramVersion)
      .Text("front-end", FrontEnd)
      .Text("port", PortNameOf(Port.GetPortIndex()))
      .MaybeText("model", Model.SelectedModelCode() != 0 ? std::optional<std::string>(ModelName(Model.SelectedModelCode()))
                                                        : std::nullopt)
      .MaybeText("usb-id", Identity.UsbId)
      .MaybeText("head-id", Identity.HeadId);
  const Outcome<void> written = Append(Path, header.Line(Now()));
  if (!written) return written.Fault().Message;
  Open = true;
  if (!SizeSaid && FolderBytes(Folder) > RecordFolderLimitBytes) SizeNoticePending = true;
  return std::nullopt;
}

std::optional<std::string> ServiceRecord::Add(const RecordEvent& event) {
  if (!InVisit) return std::nullopt;
  if (std::optional<std::string> problem = OpenVisit()) return problem;
  const Outcome<void> written = Append(Path, event.Line(Now()));
  if (!written) return written.Fault().Message;
  return std::nullopt;
}

std::optional<std::string> ServiceRecord::TakeSizeNotice() {
  if (!SizeNoticePending) return std::nullopt;
  SizeNoticePending = false;
  SizeSaid = true;
  return "The service records in " + Folder + " have grown past " + std::to_string(RecordFolderLimitBytes >> 20) +
         " MiB. Remove those no longer needed with 'arvana-service report --delete --printer SERIAL'.";
}

int ServiceRecord::PageMark() const {
  if (Place.empty()) return 0;
  int highest = 0;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(Place) / PagesFolder, error))
    highest = std::max(highest, PageNumber(entry.path().filename().string()));
  return highest;
}

std::vector<std::string> ServiceRecord::PagesAfter(int mark) const {
  std::vector<std::pair<int, std::string>> pages;
  if (Place.empty()) return {};
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(Place) / PagesFolder, error)) {
    const std::string name = entry.path().filename().string();
    if (const int number = PageNumber(name); number > mark) pages.emplace_back(number, name);
  }
  std::sort(pages.begin(), pages.end());
  std::vector<std::string> names;
  for (const auto& page : pages) names.push_back(std::string(PagesFolder) + "/" + page.second);
  return names;
}
