#include "items/EepromSettingItem.h"

#include "service/ConfirmedWrites.h"
#include "ui_DalAdjust.h"

#include <array>

namespace {

// Initial values of a new main board; the market ID depends on the model.
constexpr uint8_t InitialCellA = 0x3A, InitialValueA = 0x03;
constexpr uint8_t InitialCellB = 0x3C, InitialValueB = 0x99;
constexpr uint8_t MarketIdCell = 0x5F;
constexpr uint8_t MarketId350 = 0x00, MarketId360 = 0x10;

const QString BoardChangeQuestion = "After replacing MAIN Board and turn on power. click the OK button.";
const QString DiscardQuestion =
    "The EEPROM data read from the old MAIN board will be discarded.\nDo you want to cancel the backup?";
const QString NoAnswerRetry =
    "The printer does not answer. Check the cable and the power, then click OK to write the backup data.";
const QString NoAnswerEnd = "The printer does not answer. Check the cable and the power, then quit and connect again.";

std::string TwoHexDigits(unsigned value) {
  return QString("%1").arg(value, 2, 16, QChar('0')).toUpper().toStdString();
}

}  // namespace

EepromSettingItem::EepromSettingItem(AdjustFrame& frame, TPDalD4Comm& comm, const PortChoice& port,
                                     const ModelChoice& model, Dialogs& dialogs, Clock& clock)
    : Frame(frame), Comm(comm), Port(port), Model(model), Boxes(dialogs), Time(clock) {
  Ui::TFormAdjust& ui = Frame.Controls();
  connect(ui.DefaultSetBtn, &QPushButton::clicked, this, &EepromSettingItem::DefaultSetBtnClick);
  connect(ui.BackupOKBtn, &QPushButton::clicked, this, &EepromSettingItem::BackupOKBtnClick);
  connect(ui.BackupFileBtn, &QPushButton::clicked, this, &EepromSettingItem::BackupFileBtnClick);
}

void EepromSettingItem::DefaultSetBtnClick() {
  const uint16_t model = Model.SelectedModelCode();
  const std::array<EepromCell, 3> initial{{{InitialCellA, InitialValueA},
                                           {InitialCellB, InitialValueB},
                                           {MarketIdCell, model == ModelCode360 ? MarketId360 : MarketId350}}};
  Frame.SetBusyCursor(true);
  const std::optional<std::string> problem =
      ConfirmedWrites(Comm).WriteAndConfirm(initial, "the initial setting was not written");
  Frame.SetBusyCursor(false);
  if (problem) {
    Frame.WriteStatus(wsError, QString::fromStdString(*problem));
    return;
  }
  Frame.WriteStatus(wsPlain, "The initial setting value of  ");
  Frame.WriteStatus(wsAppend, "\"");
  Frame.WriteStatus(wsAppend, ModelName(model));
  Frame.WriteStatus(wsAppend, "\"");
  Frame.WriteStatus(wsNewLine, "has been written in the EEPROM");
}

bool EepromSettingItem::ReadBackup(SavedValues& saved) {
  for (size_t i = 0; i < BackupSet.size(); ++i) {
    if (!Comm.ControlTryReadEeprom(BackupSet[i], saved[i])) return false;
  }
  return true;
}

std::optional<std::string> EepromSettingItem::WriteBackup(const SavedValues& saved) {
  std::array<EepromCell, BackupSet.size()> cells{};
  for (size_t i = 0; i < BackupSet.size(); ++i) cells[i] = {BackupSet[i], saved[i]};
  ConfirmedWrites writes(Comm);
  switch (writes.WriteCellsUnchecked(cells)) {
    case EepromWriteAnswer::Accepted:
      return writes.Confirm(cells);
    case EepromWriteAnswer::Busy:
      return ConfirmedWrites::BusyText("the backup data was not written");
    case EepromWriteAnswer::Failed:
      return std::string();
  }
  return std::string();
}

bool EepromSettingItem::StartLinkAgain() {
  // A printer not switched on yet after the board change has no USB device: that is no reason to end.
  if (!Comm.StartLinkToControlChannel(Port.GetPortIndex(), TPDalD4Comm::MissingPort::Reported)) {
    Comm.Status().ErrorCode = ErrorCommunication;
    return false;
  }
  Comm.OpenChannel(DataSocket);
  return true;
}

bool EepromSettingItem::TechnicianGivesUpValues() {
  // Enter keeps the values: giving them up takes a deliberate Yes.
  return Boxes.ShowMessage(DialogKind::Confirmation, DiscardQuestion.toStdString(), DialogButtons::YesNoDefaultNo) ==
         DialogAnswer::Yes;
}

void EepromSettingItem::EndItem() { Frame.SetBusyCursor(false); }

void EepromSettingItem::BackupOKBtnClick() {
  Frame.SetBusyCursor(true);
  SavedValues saved{};
  if (!ReadBackup(saved)) {
    Boxes.ShowMessage(DialogKind::Error, "Reading EEPROM data failed.", DialogButtons::Ok);
    Frame.WriteStatus(wsPlain, "");
    return EndItem();
  }
  // The old board's values go to a file before the board may come out: nothing is held in memory only.
  const BackupContents backup =
      DescribeBackup(saved, Model.SelectedModelCode(), Comm.Driver().ChosenPortName(), Time.LocalNow());
  std::string error;
  const std::optional<std::string> path =
      SaveBackupFile(BackupFolder(), BackupFileName(Time.LocalNow(), Model.SelectedModelCode(), backup.Header.HeadId),
                     backup, error);
  if (!path) {
    Frame.WriteStatus(wsError, QString::fromStdString("The backup could not be saved (" + error +
                                                      "). Do not replace the main board."));
    return EndItem();
  }
  const QString savedTo = QString::fromStdString("Saved to " + *path + ".");
  // The printer may be switched off now; it is not reset.
  Comm.ShutDownLink({});
  Frame.WriteStatus(wsPlain, savedTo);
  // The values of the old board are held until they are written or the technician gives them up.
  for (;;) {
    const DialogAnswer answer =
        Boxes.ShowMessage(DialogKind::Confirmation, BoardChangeQuestion.toStdString(), DialogButtons::OkCancel);
    if (answer != DialogAnswer::Ok) {
      if (!TechnicianGivesUpValues()) continue;
      if (StartLinkAgain()) {
        Frame.WriteStatus(wsPlain, savedTo);
      } else {
        Frame.WriteStatus(wsError, NoAnswerEnd);
        Frame.WriteStatus(wsNewLine, savedTo);
      }
      return EndItem();
    }
    if (!StartLinkAgain()) {
      Frame.WriteStatus(wsError, NoAnswerRetry);
      Frame.WriteStatus(wsNewLine, savedTo);
      Frame.SetBusyCursor(true);
      continue;
    }
    const std::optional<std::string> problem = WriteBackup(saved);
    if (!problem) {
      Frame.WriteStatus(wsPlain, "Writing backup data succeeded.");
      return EndItem();
    }
    Boxes.ShowMessage(DialogKind::Error, "Writing backup data failed.", DialogButtons::Ok);
    if (problem->empty()) {
      Frame.WriteStatus(wsPlain, savedTo);
    } else {
      Frame.WriteStatus(wsError, QString::fromStdString(*problem));
      Frame.WriteStatus(wsNewLine, savedTo);
    }
    Frame.SetBusyCursor(true);  // the item goes on: the values are still held
  }
}

bool EepromSettingItem::TechnicianConfirmsRestore(const BackupContents& contents) {
  const BackupHeader& header = contents.Header;
  std::string text = "Write the values of this backup into the printer?\n\nModel: " + header.Model +
                     "\nDate: " + header.Date + "\nHead ID: " + header.HeadId + "\nUSB ID: " + header.UsbId +
                     "\n\nCells that change on this printer:";
  int changes = 0;
  for (size_t i = 0; i < BackupSet.size(); ++i) {
    uint8_t now = 0;
    const bool read = Comm.ControlTryReadEeprom(BackupSet[i], now);
    if (read && now == contents.Values[i]) continue;
    ++changes;
    text += "\nAddress " + TwoHexDigits(BackupSet[i]) + ": now " + (read ? TwoHexDigits(now) : "??") + ", from file " +
            TwoHexDigits(contents.Values[i]);
  }
  if (changes == 0) text += "\nnone: the printer holds these values already.";
  return Boxes.ShowMessage(DialogKind::Confirmation, text, DialogButtons::OkCancel) == DialogAnswer::Ok;
}

void EepromSettingItem::BackupFileBtnClick() {
  const std::string path = Boxes.ChooseFileToOpen("Restore from file", BackupFolder(),
                                                  "EEPROM backups (*" + std::string(BackupFileExtension) + ")");
  if (path.empty()) return;
  const BackupFileCheck check = ReadBackupFile(path);
  if (!check.Contents) {
    Frame.WriteStatus(wsError, QString::fromStdString(check.Problem + " Nothing was written to the printer."));
    return;
  }
  Frame.SetBusyCursor(true);
  if (!TechnicianConfirmsRestore(*check.Contents)) {
    Frame.WriteStatus(wsPlain, "");
    return EndItem();
  }
  const std::optional<std::string> problem = WriteBackup(check.Contents->Values);
  if (!problem) {
    Frame.WriteStatus(wsPlain, "Writing backup data succeeded.");
  } else {
    Frame.WriteStatus(wsError, QString::fromStdString(problem->empty() ? "Writing backup data failed." : *problem));
  }
  EndItem();
}
