// Writes of several cells that are never taken for good ones when cut off: a note on disk from
// before the first cell until the read-back, and a stop asked by a signal met between two cells.
#pragma once

#include "link/ModelChoice.h"
#include "link/PortChoice.h"
#include "platform/Clock.h"
#include "platform/StopSignals.h"
#include "service/ConfirmedWrites.h"
#include "service/ItemView.h"
#include "service/RecordKeeping.h"
#include "service/UnfinishedWrite.h"

#include <functional>
#include <optional>
#include <span>
#include <string_view>
#include <string>
#include <vector>

class WriteGuard {
public:
  WriteGuard(Clock& clock, const PortChoice& port, const ModelChoice& model)
      : Time(clock), Port(port), Model(model), Store(UnfinishedFolder()) {}
  WriteGuard(const WriteGuard&) = delete;  // it points into itself
  WriteGuard& operator=(const WriteGuard&) = delete;

  // Where stops come from (none until this is called), which printer the port leads to (the
  // virtual printer's folder; empty for a real printer), and where the notes are kept.
  void SetStopSignals(StopSignals& stops) { Stops = &stops; }
  void SetPrinterPlace(std::string place) { Place = std::move(place); }
  void SetFolder(std::string folder) { Store = NoteStore(std::move(folder)); }
  // How a cell's value before the write is read (on the control channel), for the note: a note
  // that knows the old values can tell the printer it was made on from another one.
  void SetCellReader(std::function<bool(uint8_t address, uint8_t& value)> reader) { ReadCell = std::move(reader); }
  // The cells of `note` whose old value is not known yet, read now where they can be.
  void ReadOldValues(UnfinishedNote& note) const;
  // Nothing when every cell of `note` holds its old or its intended value (or cannot be told);
  // otherwise why the printer on the port is not the one the note was made on.
  std::optional<std::string> OtherPrinter(const UnfinishedNote& note) const;

  // The signal that asked to stop, 0 for none.
  int StopSignal() const { return Stops->Pending(); }
  // Whether a write is under way: a stop then waits for the cell in flight.
  bool Writing() const { return OpenWrites > 0; }
  // Whether a write has met the stop and said so: the front-end then only has to end as usual.
  bool StopMet() const { return WriteStopped; }
  // The stop has been answered and the program goes on: forgets it, and that a write met it.
  void ForgetStop() {
    Stops->Forget();
    WriteStopped = false;
  }

  // --- Values an item puts into the printer for a while and gives back itself (the candidates of
  // the Bi-D page). While one may be there, a note on disk names the values the printer had stored.
  // Notes `stored` (each cell with its stored value) for `item`; false, with the reason in
  // `problem`, when the note cannot be saved: nothing may be tried then.
  bool BeginTrial(std::string item, std::vector<NoteCell> stored, std::string& problem);
  // The item has given the stored values back: the note goes.
  void EndTrial();
  // Whether a value under trial may be in the printer now.
  bool Trying() const { return Trial.has_value(); }
  // After a stop or a fault while trying: writes the stored values on the control channel, where
  // the link still allows, and reads them back. The note goes when the printer holds them all, and
  // stays for a later finish otherwise. The line that says which, for the technician.
  std::string PutBackTrial(ConfirmedWrites& confirm);
  // The line for an end that cannot put the values back (the link gone, no time left): the note stays.
  std::string TrialLeftText() const;

  // The notes left on the chosen port by writes that did not finish, oldest first; unreadable ones in `problems`.
  std::vector<FoundNote> Unfinished(std::vector<std::string>* problems = nullptr) const;
  // A new note, dated now, for the chosen port, model and printer.
  UnfinishedNote NewNote(std::string item, std::vector<NoteCell> cells) const;

private:
  friend class GuardedWrite;
  struct ActiveTrial {
    UnfinishedNote Note;
    HeldNote File;
  };
  Clock& Time;
  const PortChoice& Port;
  const ModelChoice& Model;
  NoStopSignals NoStops;
  StopSignals* Stops = &NoStops;
  std::string Place;
  NoteStore Store;
  int OpenWrites = 0;
  bool WriteStopped = false;
  std::function<bool(uint8_t, uint8_t&)> ReadCell;
  std::optional<ActiveTrial> Trial;
  bool PuttingBack = false;  // a fault met while putting back ends without trying again
};

// One write of several cells. Built before the first cell: it saves the note. Sends the cells
// one by one, looking for a stop before each. Confirmed() after the read-back removes the note,
// and with it older notes of the same port whose cells this write has all written again.
class GuardedWrite {
public:
  GuardedWrite(WriteGuard& guard, UnfinishedNote note);
  // Takes up a note left on disk by a write that did not finish: it is not saved again.
  GuardedWrite(WriteGuard& guard, const FoundNote& left);
  ~GuardedWrite();
  GuardedWrite(const GuardedWrite&) = delete;
  GuardedWrite& operator=(const GuardedWrite&) = delete;

  // False when the note could not be saved; nothing may be written then, and Problem() says why
  // in a line for the technician.
  bool Started() const { return File.Held(); }
  const std::string& Problem() const { return SaveProblem; }

  // Sends the cells in order through `send`, which says whether the printer took the cell; the
  // first it did not take ends the run. Before each cell a stop is looked for: when one was asked
  // no further cell is sent. The count of cells sent.
  size_t Send(const std::function<bool(const NoteCell&)>& send);
  bool Stopped() const { return StoppedBySignal; }
  // The printer holds nothing of this write (it refused the first cell as busy): a note of its own
  // goes, as there is nothing to finish. A note taken up from an earlier run stays.
  void NothingWritten();
  // Reads every cell back: nothing when the printer holds them all, otherwise what it holds
  // instead. A printer that still holds every old value got nothing of this write: a note of its
  // own then goes, as there is nothing to finish.
  std::vector<CellDifference> DifferencesOrForget(ConfirmedWrites& confirm);
  size_t Total() const { return Note.Cells.size(); }

  // The printer holds every cell (read back): the note goes. False when it stays on disk; then
  // NoteProblem() is the line to add below the success message.
  bool Confirmed();
  const std::string& NoteProblem() const { return RemovalProblem; }

  // The whole run as most items do it: every cell sent through `send`, all read back with
  // `confirm`. What went wrong is said in red on `view`: the note that could not be saved, how
  // far a stopped write got, a printer that stayed busy (`notWritten` names what was not written),
  // or what the printer holds instead. True when the printer holds every cell; the success message
  // is the caller's, and so is NoteProblem() below it.
  // The run and its outcome go to the service record as one event, named by SetRecordName, when
  // this write ends: after the caller's message, so that a record that cannot be kept says so last.
  bool WriteAndConfirm(ItemView& view, ConfirmedWrites& confirm, const std::function<bool(const NoteCell&)>& send,
                       std::string_view notWritten);
  // What the record calls this write: the item and the value it writes (the note's own name and
  // nothing, unless said).
  void SetRecordName(std::string item, std::string value) {
    RecordItem = std::move(item);
    RecordValue = std::move(value);
  }
  // The cells as the note holds them, with the values before where they were read.
  const std::vector<NoteCell>& Cells() const { return Note.Cells; }

private:
  WriteGuard& Guard;
  UnfinishedNote Note;
  HeldNote File;  // the note on disk, held while this write lives
  std::string SaveProblem;
  std::string RemovalProblem;
  bool OwnNote = false;  // saved by this write, not taken up from an earlier run
  bool StoppedBySignal = false;
  std::string RecordItem;
  std::string RecordValue;
  ItemView* RecordView = nullptr;  // set once the run is to be recorded
  std::optional<WriteEnd> RecordEnd;

  void RecordLater(ItemView& view, WriteEnd end);
};

// Sends a cell on the control channel, a busy printer asked again: false when it stayed busy.
std::function<bool(const NoteCell&)> ControlChannelSender(ConfirmedWrites& writes);

// The cells of a write as its note lists them, and back.
std::vector<NoteCell> NoteCells(std::span<const EepromCell> cells);
std::vector<EepromCell> EepromCells(std::span<const NoteCell> cells);

// After a write a signal stopped: reads back the cells sent and says, in red, how many of how
// many were written and, where the printer does not hold one of them, what it holds instead.
// `replace` starts the message area afresh; otherwise the lines go below what it shows. The cells
// read back that hold something else.
std::vector<CellDifference> ReportStoppedWrite(ItemView& view, ConfirmedWrites& confirm, std::span<const EepromCell> sent, size_t written,
                        size_t total, bool replace = true);
