#include "service/WriteGuard.h"

#include "service/RecordKeeping.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <set>
#include <tuple>

namespace {

std::string DateText(const LocalDateTime& when) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", when.Year, when.Month, when.Day, when.Hour,
                when.Minute, when.Second);
  return text;
}

// "cell 33 = 03, cell 36 = FE"
std::string StoredCellsText(std::span<const NoteCell> cells) {
  std::string text;
  for (const NoteCell& cell : cells) {
    char one[16];
    std::snprintf(one, sizeof one, "cell %02X = %02X", cell.Address, cell.Value);
    text += (text.empty() ? "" : ", ") + std::string(one);
  }
  return text;
}

}  // namespace

bool WriteGuard::BeginTrial(std::string item, std::vector<NoteCell> stored, std::string& problem) {
  EndTrial();
  UnfinishedNote note = NewNote(std::move(item), std::move(stored));
  std::string error;
  HeldNote file = Store.Save(note, error);
  if (!file.Held()) {
    problem = "the note of its stored value could not be saved (" + error + ")";
    return false;
  }
  Trial = ActiveTrial{std::move(note), std::move(file)};
  return true;
}

void WriteGuard::EndTrial() {
  if (!Trial) return;
  std::string ignored;  // a note that stays names the values the printer holds: finishing it changes nothing
  NoteStore::Remove(Trial->File.Path, ignored);
  Trial.reset();
}

std::string WriteGuard::TrialLeftText() const {
  if (!Trial) return {};
  const bool one = Trial->Note.Cells.size() == 1;
  return "The " + Trial->Note.Item + " was stopped while it tried other values, and " +
         (one ? "the stored value" : "the stored values") +
         " could not be put back: the printer may hold a value under trial instead of " +
         StoredCellsText(Trial->Note.Cells) + (one ? ". It stays noted until it is written again." :
                                                     ". They stay noted until they are written again.");
}

std::string WriteGuard::PutBackTrial(ConfirmedWrites& confirm) {
  if (!Trial || PuttingBack) return TrialLeftText();
  TPDalD4Comm& link = confirm.Link();
  if (!link.LinkUp() || link.PrinterSilent() || link.ShuttingDown()) return TrialLeftText();
  PuttingBack = true;
  const std::vector<EepromCell> cells = EepromCells(Trial->Note.Cells);
  const bool held = confirm.WriteCells(cells) == Ack::Ok && confirm.Differences(cells).empty();
  PuttingBack = false;
  if (!held) return TrialLeftText();
  const std::string text = "The " + Trial->Note.Item + " was stopped while it tried other values: the printer " +
                           (cells.size() == 1 ? "holds its stored value again (" : "holds its stored values again (") +
                           StoredCellsText(Trial->Note.Cells) + ", read back).";
  EndTrial();
  return text;
}

std::vector<FoundNote> WriteGuard::Unfinished(std::vector<std::string>* problems) const {
  return Store.NotesFor(PortNameOf(Port.GetPortIndex()), Place, problems);
}

UnfinishedNote WriteGuard::NewNote(std::string item, std::vector<NoteCell> cells) const {
  UnfinishedNote note;
  note.Item = std::move(item);
  note.Port = PortNameOf(Port.GetPortIndex());
  note.Printer = Place;
  note.Model = ModelName(Model.SelectedModelCode());
  note.Date = DateText(Time.LocalNow());
  note.Cells = std::move(cells);
  return note;
}

void WriteGuard::ReadOldValues(UnfinishedNote& note) const {
  if (!ReadCell) return;
  for (NoteCell& cell : note.Cells) {
    if (cell.Old) continue;
    uint8_t value = 0;
    // A printer that does not answer one read is not kept waiting for the rest: those stay unknown.
    if (!ReadCell(cell.Address, value)) return;
    cell.Old = value;
  }
}

std::optional<std::string> WriteGuard::OtherPrinter(const UnfinishedNote& note) const {
  if (!ReadCell) return std::nullopt;
  for (const NoteCell& cell : note.Cells) {
    uint8_t now = 0;
    if (!cell.Old || !ReadCell(cell.Address, now) || now == cell.Value || now == *cell.Old) continue;
    char text[200];
    std::snprintf(text, sizeof text,
                  "The printer on %s is not the one this write was made on: cell %02X holds %02X, neither the value "
                  "before (%02X) nor the one meant for it (%02X). Nothing was written to the printer.",
                  note.Port.c_str(), cell.Address, now, *cell.Old, cell.Value);
    return std::string(text);
  }
  return std::nullopt;
}

GuardedWrite::GuardedWrite(WriteGuard& guard, UnfinishedNote note)
    : Guard(guard), Note(std::move(note)), OwnNote(true), RecordItem(Note.Item) {
  ++Guard.OpenWrites;
  Guard.ReadOldValues(Note);
  std::string error;
  File = Guard.Store.Save(Note, error);
  if (!File.Held())
    SaveProblem = "The note of this write could not be saved (" + error + "). Nothing was written to the printer.";
}

GuardedWrite::GuardedWrite(WriteGuard& guard, const FoundNote& left)
    : Guard(guard), Note(left.Note), File(NoteStore::Take(left.Path)), RecordItem(Note.Item) {
  ++Guard.OpenWrites;
  if (!File.Held()) SaveProblem = "Another program is writing these cells now. Nothing was written to the printer.";
}

GuardedWrite::~GuardedWrite() {
  --Guard.OpenWrites;
  if (RecordView != nullptr) RecordWrite(*RecordView, RecordItem, RecordValue, Note.Cells, *RecordEnd);
}

void GuardedWrite::RecordLater(ItemView& view, WriteEnd end) {
  RecordView = &view;
  RecordEnd = std::move(end);
}

size_t GuardedWrite::Send(const std::function<bool(const NoteCell&)>& send) {
  if (!Started()) return 0;
  size_t sent = 0;
  for (const NoteCell& cell : Note.Cells) {
    if (Guard.StopSignal() != 0) {
      StoppedBySignal = true;
      Guard.WriteStopped = true;
      // Stopped before its first cell, a write of its own changed nothing: there is nothing to
      // finish. A note taken up from an earlier run still names cells that hold a mix: it stays.
      std::string ignored;
      if (sent == 0 && OwnNote) NoteStore::Remove(File.Path, ignored);
      break;
    }
    if (!send(cell)) break;
    ++sent;
  }
  return sent;
}

void GuardedWrite::NothingWritten() {
  std::string ignored;
  if (Started() && OwnNote) NoteStore::Remove(File.Path, ignored);
}

std::vector<CellDifference> GuardedWrite::DifferencesOrForget(ConfirmedWrites& confirm) {
  const std::vector<CellDifference> differences = confirm.Differences(EepromCells(Note.Cells));
  if (differences.empty()) return differences;
  const bool allOld = differences.size() == Note.Cells.size() &&
                      std::equal(differences.begin(), differences.end(), Note.Cells.begin(),
                                 [](const CellDifference& found, const NoteCell& cell) {
                                   return found.Found && cell.Old && *found.Found == *cell.Old;
                                 });
  if (allOld) NothingWritten();
  return differences;
}

bool GuardedWrite::WriteAndConfirm(ItemView& view, ConfirmedWrites& confirm,
                                   const std::function<bool(const NoteCell&)>& send, std::string_view notWritten) {
  if (!Started()) {
    view.WriteText(wsError, Problem());
    RecordLater(view, {.Result = RecordFailed, .Message = Problem(), .Sent = 0});
    return false;
  }
  OpenRecordVisit(view);
  const std::vector<EepromCell> cells = EepromCells(Note.Cells);
  const size_t sent = Send(send);
  if (Stopped()) {
    std::vector<CellDifference> differences =
        ReportStoppedWrite(view, confirm, std::span(cells).first(sent), sent, cells.size());
    RecordLater(view, {.Result = RecordStopped, .Message = StoppedText(sent, cells.size()), .Sent = sent,
                       .Differences = std::move(differences)});
    return false;
  }
  // The sender ends the program on a cell without an answer: a cell not sent was refused as busy.
  if (sent == 0) NothingWritten();
  WriteEnd end{.Result = RecordDone, .Message = {}, .Sent = sent};
  if (sent < cells.size()) {
    end = {.Result = RecordFailed, .Message = ConfirmedWrites::BusyText(notWritten), .Sent = sent, .ReadBack = false};
  } else if (end.Differences = DifferencesOrForget(confirm); !end.Differences.empty()) {
    end.Result = RecordFailed;
    end.Message = ConfirmedWrites::DifferenceText(end.Differences);
  }
  if (end.Result != RecordDone) {
    view.WriteText(wsError, end.Message);
    RecordLater(view, std::move(end));
    return false;
  }
  Confirmed();
  RecordLater(view, std::move(end));
  return true;
}

bool GuardedWrite::Confirmed() {
  if (!Started()) return false;
  std::string problem;
  const bool removed = NoteStore::Remove(File.Path, problem);
  if (!removed) RemovalProblem = "The note of this write could not be removed (" + problem + ").";
  // An older note whose every cell this write has put there afresh has nothing left to finish. A
  // newer one means values meant later: they stay to be finished after this one.
  std::set<uint8_t> written;
  for (const NoteCell& cell : Note.Cells) written.insert(cell.Address);
  for (const FoundNote& other : Guard.Store.NotesFor(Note.Port, Note.Printer)) {
    const bool older = std::tie(other.Note.Date, other.Path) < std::tie(Note.Date, File.Path);
    const bool covered = std::all_of(other.Note.Cells.begin(), other.Note.Cells.end(),
                                     [&](const NoteCell& cell) { return written.count(cell.Address) > 0; });
    std::string ignored;
    if (older && covered) NoteStore::Remove(other.Path, ignored);
  }
  return removed;
}

std::vector<NoteCell> NoteCells(std::span<const EepromCell> cells) {
  std::vector<NoteCell> notes;
  for (const EepromCell& cell : cells) notes.push_back({cell.Address, cell.Value, std::nullopt});
  return notes;
}

std::vector<EepromCell> EepromCells(std::span<const NoteCell> cells) {
  std::vector<EepromCell> plain;
  for (const NoteCell& cell : cells) plain.push_back({cell.Address, cell.Value});
  return plain;
}

std::vector<CellDifference> ReportStoppedWrite(ItemView& view, ConfirmedWrites& confirm,
                                               std::span<const EepromCell> sent, size_t written, size_t total,
                                               bool replace) {
  const std::vector<CellDifference> differences = confirm.Differences(sent);
  if (replace) {
    view.WriteText(wsError, StoppedText(written, total));
  } else {
    view.AddErrorText(StoppedText(written, total));
  }
  if (!differences.empty()) view.AddErrorText(ConfirmedWrites::DifferenceText(differences));
  return differences;
}

std::function<bool(const NoteCell&)> ControlChannelSender(ConfirmedWrites& writes) {
  return [&writes](const NoteCell& cell) {
    const std::array<EepromCell, 1> one{{{cell.Address, cell.Value}}};
    const Ack answer = writes.WriteCells(one);
    if (answer == Ack::Failed) writes.Link().FailAcknowledgement();
    return answer == Ack::Ok;
  };
}
