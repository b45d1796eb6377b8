#include "service/EepromSettingItem.h"

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

}  // namespace

EepromSettingItem::EepromSettingItem(AdjustFrame& frame, TPDalD4Comm& comm, const PortChoice& port,
                                     const ModelChoice& model, Dialogs& dialogs)
    : Frame(frame), Comm(comm), Port(port), Model(model), Boxes(dialogs) {
  Ui::TFormAdjust& ui = Frame.Controls();
  connect(ui.DefaultSetBtn, &QPushButton::clicked, this, &EepromSettingItem::DefaultSetBtnClick);
  connect(ui.BackupOKBtn, &QPushButton::clicked, this, &EepromSettingItem::BackupOKBtnClick);
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
  if (!Comm.StartLinkToControlChannel(Port.GetPortIndex())) {
    Comm.Status().ErrorCode = ErrorCommunication;
    return false;
  }
  Comm.OpenChannel(DataSocket);
  return true;
}

bool EepromSettingItem::TechnicianGivesUpValues() {
  return Boxes.ShowMessage(DialogKind::Confirmation, DiscardQuestion.toStdString(), DialogButtons::YesNo) ==
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
  // The printer may be switched off now; it is not reset.
  Comm.ShutDownLink({});
  Frame.WriteStatus(wsPlain, "");
  // The values of the old board are held until they are written or the technician gives them up.
  for (;;) {
    const DialogAnswer answer =
        Boxes.ShowMessage(DialogKind::Confirmation, BoardChangeQuestion.toStdString(), DialogButtons::OkCancel);
    if (answer != DialogAnswer::Ok) {
      if (!TechnicianGivesUpValues()) continue;
      if (StartLinkAgain()) {
        Frame.WriteStatus(wsPlain, "");
      } else {
        Frame.WriteStatus(wsError, NoAnswerEnd);
      }
      return EndItem();
    }
    if (!StartLinkAgain()) {
      Frame.WriteStatus(wsError, NoAnswerRetry);
      continue;
    }
    const std::optional<std::string> problem = WriteBackup(saved);
    if (!problem) {
      Frame.WriteStatus(wsPlain, "Writing backup data succeeded.");
      return EndItem();
    }
    Boxes.ShowMessage(DialogKind::Error, "Writing backup data failed.", DialogButtons::Ok);
    if (problem->empty()) {
      Frame.WriteStatus(wsPlain, "");
    } else {
      Frame.WriteStatus(wsError, QString::fromStdString(*problem));
      Frame.SetBusyCursor(true);  // the item goes on: the values are still held
    }
  }
}
