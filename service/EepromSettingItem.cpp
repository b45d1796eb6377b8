#include "service/EepromSettingItem.h"

#include "ui_DalAdjust.h"

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
  Frame.SetBusyCursor(true);
  Comm.ControlWriteEeprom(InitialCellA, InitialValueA);
  Comm.ControlWriteEeprom(InitialCellB, InitialValueB);
  Comm.ControlWriteEeprom(MarketIdCell, model == ModelCode360 ? MarketId360 : MarketId350);
  Frame.SetBusyCursor(false);
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

bool EepromSettingItem::WriteBackup(const SavedValues& saved) {
  for (size_t i = 0; i < BackupSet.size(); ++i) {
    if (!Comm.ControlWriteEepromUnchecked(BackupSet[i], saved[i])) return false;
  }
  return true;
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
    if (WriteBackup(saved)) {
      Frame.WriteStatus(wsPlain, "Writing backup data succeeded.");
      return EndItem();
    }
    Boxes.ShowMessage(DialogKind::Error, "Writing backup data failed.", DialogButtons::Ok);
    Frame.WriteStatus(wsPlain, "");
  }
}
