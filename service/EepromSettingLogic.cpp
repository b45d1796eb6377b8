#include "service/EepromSettingLogic.h"

#include "service/RecordKeeping.h"

#include "eeprom/EepromMap.h"
#include "service/TPDalEeprom.h"
#include "platform/ShownText.h"

#include "service/ConfirmedWrites.h"

#include <cstdio>

#include <algorithm>
#include <array>

namespace {

constexpr const char* BoardChangeQuestion = "After replacing MAIN Board and turn on power. click the OK button.";
constexpr const char* DiscardQuestion =
    "The EEPROM data read from the old MAIN board will be discarded.\nDo you want to cancel the backup?";
constexpr const char* NoAnswerRetry =
    "The printer does not answer. Check the cable and the power, then click OK to write the backup data.";
constexpr const char* NoAnswerEnd = "The printer does not answer. Check the cable and the power, then quit and connect again.";

std::string TwoHexDigits(unsigned value) {
  char text[3];
  std::snprintf(text, sizeof text, "%02X", value & 0xFFu);
  return text;
}

}  // namespace

void EepromSettingLogic::WriteInitialSetting() {
  const uint16_t model = Model.SelectedModelCode();
  const std::array<EepromCell, 3> initial{{{InitialCellA, InitialValueA},
                                           {InitialCellB, InitialValueB},
                                           {MarketIdCell, model == ModelCode360 ? MarketId360 : MarketId350}}};
  View.SetBusyCursor(true);
  GuardedWrite write(Guard, Guard.NewNote("initial setting", NoteCells(initial)));
  ConfirmedWrites writes(Comm);
  const bool held = write.WriteAndConfirm(View, writes, ControlChannelSender(writes), "the initial setting was not written");
  View.SetBusyCursor(false);
  if (!held) return;
  View.WriteText(wsPlain, "The initial setting value of  ");
  View.WriteText(wsAppend, "\"");
  View.WriteText(wsAppend, ModelName(model));
  View.WriteText(wsAppend, "\"");
  View.WriteText(wsNewLine, "has been written in the EEPROM");
  if (!write.NoteProblem().empty()) View.AddErrorText(write.NoteProblem());
}

EepromReadOutcome EepromSettingLogic::ReadBoard(BackupValues& saved) {
  return TPDalEeprom::ReadCells(Comm, BackupSet, saved);
}

UnfinishedNote EepromSettingLogic::NoteOfWrite(const std::string& item, std::span<const EepromCell> cells) const {
  UnfinishedNote note = Guard.NewNote(item, NoteCells(cells));
  // What the printer held before, where the restore's question read it: the old values and the identity.
  if (ReadBefore.size() != note.Cells.size()) return note;
  BackupValues before{};
  bool allRead = true;
  for (size_t i = 0; i < note.Cells.size(); ++i) {
    note.Cells[i].Old = ReadBefore[i];
    allRead = allRead && ReadBefore[i].has_value();
    before[i] = ReadBefore[i].value_or(0);
  }
  if (allRead) {
    const BackupHeader header = DescribeBackup(before, Model.SelectedModelCode(), "", {}).Header;
    note.HeadId = header.HeadId;
    note.UsbId = header.UsbId;
  }
  return note;
}

EepromSettingLogic::WriteResult EepromSettingLogic::WriteValues(const BackupValues& saved, const std::string& item,
                                                                 std::string& problem) {
  std::array<EepromCell, BackupSet.size()> cells{};
  for (size_t i = 0; i < BackupSet.size(); ++i) cells[i] = {BackupSet[i], saved[i]};
  GuardedWrite write(Guard, NoteOfWrite(item, cells));
  if (!write.Started()) {
    problem = write.Problem();
    return WriteResult::NotHeld;
  }
  ConfirmedWrites writes(Comm);
  Ack answer = Ack::Ok;
  const size_t sent = write.Send([&](const NoteCell& cell) {
    const std::array<EepromCell, 1> one{{{cell.Address, cell.Value}}};
    answer = writes.WriteCells(one);
    return answer == Ack::Ok;
  });
  if (write.Stopped()) {
    ReportStoppedWrite(View, writes, std::span(cells).first(sent), sent, cells.size());
    return WriteResult::Stopped;
  }
  switch (answer) {
    case Ack::Ok:
      if (const std::vector<CellDifference> differences = write.DifferencesOrForget(writes); !differences.empty()) {
        problem = ConfirmedWrites::DifferenceText(differences);
        return WriteResult::NotHeld;
      }
      write.Confirmed();
      problem = write.NoteProblem();  // said below the success message
      return WriteResult::Held;
    case Ack::Busy:
      if (sent == 0) write.NothingWritten();
      problem = ConfirmedWrites::BusyText("the backup data was not written");
      return WriteResult::NotHeld;
    case Ack::Failed:
      problem.clear();
      return WriteResult::NotHeld;
  }
  return WriteResult::NotHeld;
}

bool EepromSettingLogic::StartLinkAgain() {
  // A printer not switched on yet after the board change has no USB device: that is no reason to end.
  if (!Comm.StartLinkToControlChannel(Port.GetPortIndex(), TPDalD4Comm::MissingPort::Reported)) {
    Comm.Status().ErrorCode = ErrorCommunication;
    return false;
  }
  Comm.OpenChannel(DataSocket);
  return true;
}

bool EepromSettingLogic::TechnicianGivesUpValues() {
  // Enter keeps the values: giving them up takes a deliberate Yes.
  return Boxes.ShowMessage(DialogKind::Confirmation, DiscardQuestion, DialogButtons::YesNoDefaultNo) ==
         DialogAnswer::Yes;
}

void EepromSettingLogic::EndItem() { View.SetBusyCursor(false); }

void EepromSettingLogic::RunBackup() {
  ReadBefore.clear();  // the new board is not read before its values are written
  View.SetBusyCursor(true);
  BackupValues saved{};
  if (const EepromReadOutcome read = ReadBoard(saved); read != EepromReadOutcome::Answered) {
    Boxes.ShowMessage(DialogKind::Error, "Reading EEPROM data failed.", DialogButtons::Ok);
    // A printer that answers nothing is no reading fault: the technician checks the cable and the power.
    if (read == EepromReadOutcome::Silent) {
      View.WriteText(wsError, PrinterSilentText);
    } else {
      View.WriteText(wsPlain, "");
    }
    return EndItem();
  }
  // The old board's values go to a file before the board may come out: nothing is held in memory only.
  std::string error;
  const std::optional<std::string> path = SaveBoard(saved, BackupFolder(), error);
  if (!path) {
    View.WriteText(wsError, "The backup could not be saved (" + error + "). Do not replace the main board.");
    return EndItem();
  }
  const std::string savedTo = "Saved to " + ShownText(*path) + ".";
  // The printer may be switched off now; it is not reset.
  Comm.ShutDownLink({});
  View.WriteText(wsPlain, savedTo);
  // The values of the old board are held until they are written or the technician gives them up.
  for (;;) {
    const DialogAnswer answer =
        Boxes.ShowMessage(DialogKind::Confirmation, BoardChangeQuestion, DialogButtons::OkCancel);
    if (answer != DialogAnswer::Ok) {
      if (!TechnicianGivesUpValues()) continue;
      if (StartLinkAgain()) {
        View.WriteText(wsPlain, savedTo);
      } else {
        View.WriteText(wsError, NoAnswerEnd);
        View.WriteText(wsNewLine, savedTo);
      }
      return EndItem();
    }
    if (!StartLinkAgain()) {
      View.WriteText(wsError, NoAnswerRetry);
      View.WriteText(wsNewLine, savedTo);
      View.SetBusyCursor(true);
      continue;
    }
    std::string problem;
    switch (WriteValues(saved, "backup data of the old main board", problem)) {
      case WriteResult::Held:
        View.WriteText(wsPlain, "Writing backup data succeeded.");
        if (!problem.empty()) View.AddErrorText(problem);
        return EndItem();
      case WriteResult::Stopped:
        // The values are in the file and the note names the cells: nothing is lost by stopping.
        View.AddErrorText(savedTo);
        return EndItem();
      case WriteResult::NotHeld:
        break;
    }
    Boxes.ShowMessage(DialogKind::Error, "Writing backup data failed.", DialogButtons::Ok);
    if (problem.empty()) {
      View.WriteText(wsPlain, savedTo);
    } else {
      View.WriteText(wsError, problem);
      View.WriteText(wsNewLine, savedTo);
    }
    View.SetBusyCursor(true);  // the item goes on: the values are still held
  }
}

std::vector<CellChange> EepromSettingLogic::ChangesOnPrinter(const BackupValues& values) {
  std::vector<CellChange> changes;
  ReadBefore.assign(BackupSet.size(), std::nullopt);
  for (size_t i = 0; i < BackupSet.size(); ++i) {
    const std::optional<uint8_t> now = Comm.ControlReadEeprom(BackupSet[i]).Answer();
    ReadBefore[i] = now;
    if (now == values[i]) continue;
    changes.push_back({BackupSet[i], now, values[i]});
  }
  return changes;
}

std::optional<std::string> EepromSettingLogic::UnreadCellsProblem() const {
  const auto unread = std::count(ReadBefore.begin(), ReadBefore.end(), std::nullopt);
  if (ReadBefore.size() == BackupSet.size() && unread == 0) return std::nullopt;
  const size_t count = ReadBefore.size() == BackupSet.size() ? static_cast<size_t>(unread) : BackupSet.size();
  return std::to_string(count) + " of " + std::to_string(BackupSet.size()) +
         " cells could not be read from the printer: a restore writes nothing without knowing what it replaces. "
         "Nothing was written to the printer.";
}

std::string EepromSettingLogic::ChangeText(const CellChange& change) {
  return "Address " + TwoHexDigits(change.Address) + ": now " + (change.Now ? TwoHexDigits(*change.Now) : "??") +
         ", from file " + TwoHexDigits(change.FromFile);
}

std::optional<std::string> EepromSettingLogic::SaveBoard(const BackupValues& values, const std::string& folder,
                                                         std::string& error) {
  const LocalDateTime now = Time.LocalNow();
  const BackupContents backup = DescribeBackup(values, Model.SelectedModelCode(), Comm.Driver().ChosenPortName(), now);
  const std::string name = BackupFileName(now, Model.SelectedModelCode(), backup.Header.HeadId);
  std::optional<std::string> saved = SaveBackupFile(folder, name, backup, error);
  RecordBackup(View, "saved", saved ? *saved : name, saved ? "" : error);
  return saved;
}

bool EepromSettingLogic::TechnicianTakesOtherModel(const BackupHeader& header, bool belowWarning) {
  const std::string otherModel = OtherModelProblem(header, Model.SelectedModelCode());
  if (otherModel.empty()) return true;
  if (belowWarning) {
    View.AddErrorText(otherModel);
  } else {
    View.WriteText(wsError, otherModel);
  }
  // Values of another model may not suit this printer's head and mechanics: only on purpose.
  return Boxes.ShowMessage(DialogKind::Warning, otherModel + "\n\nWrite its values into this printer all the same?",
                           DialogButtons::YesNoDefaultNo) == DialogAnswer::Yes;
}

bool EepromSettingLogic::TechnicianConfirmsRestore(const BackupContents& contents,
                                                   const std::vector<CellChange>& changes) {
  const BackupHeader& header = contents.Header;
  std::string text = "Write the values of this backup into the printer?\n\nModel: " + header.Model +
                     "\nDate: " + header.Date + "\nHead ID: " + header.HeadId + "\nUSB ID: " + header.UsbId +
                     "\n\nCells that change on this printer:";
  for (const CellChange& change : changes) text += "\n" + ChangeText(change);
  if (changes.empty()) text += "\nnone: the printer holds these values already.";
  return Boxes.ShowMessage(DialogKind::Confirmation, text, DialogButtons::OkCancel) == DialogAnswer::Ok;
}

void EepromSettingLogic::RestoreFromFile() {
  const std::string path = Boxes.ChooseFileToOpen("Restore from file", BackupFolder(),
                                                  "EEPROM backups (*" + std::string(BackupFileExtension) + ")");
  if (!path.empty()) RestoreFile(path);
}

void EepromSettingLogic::RestoreFile(const std::string& path) {
  if (!Comm.Driver().IsOpen()) {
    // A backup that ended without finding the printer again left no port to write through.
    View.WriteText(wsError, "The printer is not connected: quit and connect again. Nothing was written to the printer.");
    return;
  }
  const BackupFileCheck check = ReadBackupFile(path);
  if (!check.Contents) {
    View.WriteText(wsError, check.Problem + " Nothing was written to the printer.");
    return;
  }
  if (!check.HeaderProtected) View.WriteText(wsError, std::string(UnprotectedHeaderText));
  if (!TechnicianTakesOtherModel(check.Contents->Header, !check.HeaderProtected)) {
    View.AddErrorText("Nothing was written to the printer.");
    return;
  }
  View.SetBusyCursor(true);
  const std::vector<CellChange> changes = ChangesOnPrinter(check.Contents->Values);
  if (const std::optional<std::string> unread = UnreadCellsProblem()) {
    View.WriteText(wsError, *unread);
    return EndItem();
  }
  if (!TechnicianConfirmsRestore(*check.Contents, changes)) {
    View.WriteText(wsPlain, "");
    return EndItem();
  }
  RestoreValues(check.Contents->Values, path);
  EndItem();
}

bool EepromSettingLogic::RestoreValues(const BackupValues& values, const std::string& file) {
  if (ReadBefore.size() != BackupSet.size()) ChangesOnPrinter(values);
  if (const std::optional<std::string> unread = UnreadCellsProblem()) {
    View.WriteText(wsError, *unread);
    if (!file.empty()) RecordBackup(View, "restored", file, *unread);
    return false;
  }
  std::string problem;
  switch (WriteValues(values, "restore", problem)) {
    case WriteResult::Held:
      View.WriteText(wsPlain, "Writing backup data succeeded.");
      if (!problem.empty()) View.AddErrorText(problem);
      if (!file.empty()) RecordBackup(View, "restored", file, "");
      return true;
    case WriteResult::Stopped:
      if (!file.empty()) RecordBackup(View, "restored", file, "Stopped before every cell was written.");
      return false;
    case WriteResult::NotHeld:
      break;
  }
  View.WriteText(wsError, problem.empty() ? "Writing backup data failed." : problem);
  if (!file.empty()) RecordBackup(View, "restored", file, problem.empty() ? "Writing backup data failed." : problem);
  return false;
}
