#include "service/RecordKeeping.h"

#include "service/ServiceRecord.h"

#include <charconv>
#include <filesystem>

void KeepEvent(ItemView& view, const RecordEvent& event) {
  ServiceRecord* record = view.Record();
  if (record == nullptr) return;
  if (const std::optional<std::string> problem = record->Add(event)) {
    view.AddRecordProblem("The service record could not be written (" + *problem + ")" +
                      (event.ChangesPrinter() ? ": the printer has been changed all the same." : "."));
    return;
  }
  if (const std::optional<std::string> notice = record->TakeSizeNotice()) view.WriteText(wsNewLine, *notice);
}

void OpenRecordVisit(ItemView& view) {
  // A header that cannot be written now is tried again with the event, which says so.
  if (ServiceRecord* record = view.Record()) (void)record->OpenVisit();
}

void RecordRead(ItemView& view, std::string_view item, const std::optional<std::string>& value,
                std::string_view message) {
  RecordEvent event(RecordReadKind, false);
  event.Values().Text("item", item).MaybeText("value", value);
  if (!message.empty()) event.Values().Text("message", message);
  KeepEvent(view, event);
}

void RecordRefused(ItemView& view, std::string_view item, std::string_view input, std::string_view message) {
  RecordEvent event(RecordRefusedKind, false);
  event.Values().Text("item", item).Text("input", input).Text("message", message);
  KeepEvent(view, event);
}

void RecordWrite(ItemView& view, std::string_view item, std::string_view value, std::span<const NoteCell> cells,
                 const WriteEnd& end) {
  std::vector<RecordObject> cellObjects;
  for (size_t i = 0; i < cells.size(); ++i) {
    const NoteCell& cell = cells[i];
    RecordObject object;
    object.Number("cell", cell.Address);
    object.MaybeNumber("before", cell.Old ? std::optional<int64_t>(*cell.Old) : std::nullopt);
    object.Number("written", cell.Value);
    std::optional<int64_t> read;
    if (i < end.Sent && end.ReadBack) {
      read = cell.Value;
      for (const CellDifference& difference : end.Differences)
        if (difference.Address == cell.Address)
          read = difference.Found ? std::optional<int64_t>(*difference.Found) : std::nullopt;
    }
    if (i >= end.Sent) {
      object.Text("sent", std::string_view("no"));
    } else {
      object.MaybeNumber("read", read);
    }
    cellObjects.push_back(object);
  }
  RecordEvent event(RecordWriteKind, end.Sent > 0);
  event.Values().Text("item", item).Text("value", value).Text("result", end.Result);
  if (!end.Message.empty()) event.Values().Text("message", end.Message);
  event.Values().Objects("cells", cellObjects);
  KeepEvent(view, event);
}

void RecordBackup(ItemView& view, std::string_view what, const std::string& path, const std::string& problem) {
  RecordEvent event(RecordBackupKind, what == "restored" && problem.empty());
  event.Values().Text("item", what).Text("file", std::filesystem::path(path).filename().string());
  event.Values().Text("result", problem.empty() ? RecordDone : RecordFailed);
  if (!problem.empty()) event.Values().Text("message", problem);
  KeepEvent(view, event);
}

std::optional<int64_t> CounterNumber(const std::optional<std::string>& text) {
  if (!text) return std::nullopt;
  int64_t value = 0;
  const auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), value);
  if (error != std::errc() || end != text->data() + text->size()) return std::nullopt;
  return value;
}

PrintRecord::PrintRecord(ItemView& view, std::string item) : View(view), Item(std::move(item)) {
  OpenRecordVisit(view);
  if (const ServiceRecord* record = view.Record()) PageMark = record->PageMark();
}

PrintRecord::~PrintRecord() {
  const ServiceRecord* record = View.Record();
  if (record == nullptr) return;
  RecordEvent event(RecordPrintedKind, true);
  event.Values().Text("item", Item).Texts("pages", record->PagesAfter(PageMark));
  KeepEvent(View, event);
}
