#include "items/TopMarginItem.h"

#include "service/ConfirmedWrites.h"
#include "ui_DalAdjust.h"

#include <array>

namespace {

struct TopMarginSetting {
  const char* Sign;  // with its double quotes, as printed and shown
  uint8_t Value;
};
// In the order of the choices: "-", "0", "+".
constexpr std::array<TopMarginSetting, 3> Settings{{{"\"-\"", 0xD8}, {"\"0\"", 0x00}, {"\"+\"", 0x28}}};
constexpr int8_t SideThreshold = 20;
constexpr int PrintChoice = 0;

int SettingIndex(int8_t stored) {
  if (stored > SideThreshold) return 2;
  if (stored < -SideThreshold) return 0;
  return 1;
}

}  // namespace

TopMarginItem::TopMarginItem(AdjustFrame& frame, TPDalD4Comm& comm, TPFactory& factory, TPRaster& raster,
                             Dialogs& dialogs)
    : Frame(frame), Comm(comm), Factory(factory), Raster(raster), Boxes(dialogs) {
  Ui::TFormAdjust& ui = Frame.Controls();
  ui.TopMarginRdoGrp->SetItems({"Print the Top margin", "Adjust"});
  QStringList choices;
  for (const TopMarginSetting& setting : Settings) choices << QString("Adjust to %1").arg(setting.Sign);
  ui.TopMarginInputRdoGrp->SetItems(choices);
  connect(ui.TopMarginMainBtn, &QPushButton::clicked, this, &TopMarginItem::TopMarginMainBtnClick);
  connect(ui.TopMarginRtnBtn, &QPushButton::clicked, this, &TopMarginItem::TopMarginRtnBtnClick);
  connect(ui.TopMarginWriteOKBtn, &QPushButton::clicked, this, &TopMarginItem::TopMarginWriteOKBtnClick);
}

void TopMarginItem::TopMarginMainBtnClick() {
  Ui::TFormAdjust& ui = Frame.Controls();
  const int choice = ui.TopMarginRdoGrp->ItemIndex();
  if (choice < 0) return;
  if (choice == PrintChoice) {
    Frame.WriteStatus(wsBusy, "Now printing Top Margin Line.");
    Raster.ResetPrinter();
    Factory.SendRemoteModeSequence(RemoteSnPatternPrint);
    Raster.PrintTopMarginPattern(0);
    Frame.WriteStatus(wsDone, "Printing Top Margin Line completed.");
    return;
  }
  uint8_t stored = 0;
  const bool read = Comm.ControlTryReadEeprom(TopMarginCell, stored);
  // Nothing is preselected for a value that could not be read: the technician chooses.
  ui.TopMarginInputRdoGrp->SetItemIndex(read ? SettingIndex(static_cast<int8_t>(stored)) : -1);
  Frame.ResetItemArea(false, false);
  ui.TopMarginPnl->show();
  if (!read) Frame.WriteStatus(wsError, "The top margin could not be read.");
}

void TopMarginItem::TopMarginRtnBtnClick() {
  Frame.ResetItemArea(false, false);
  Frame.Controls().TopMarginMainPnl->show();
}

void TopMarginItem::TopMarginWriteOKBtnClick() {
  Ui::TFormAdjust& ui = Frame.Controls();
  const int choice = ui.TopMarginInputRdoGrp->ItemIndex();
  if (choice < 0 || choice >= static_cast<int>(Settings.size())) {
    Boxes.ShowMessage(DialogKind::Information, "Please select the Adjustment button.", DialogButtons::Ok);
    return;
  }
  const TopMarginSetting& setting = Settings[static_cast<size_t>(choice)];
  ConfirmedWrites writes(Comm);
  const std::array<EepromCell, 1> cell{{{TopMarginCell, setting.Value}}};
  if (!writes.WriteCells(cell)) {
    Frame.WriteStatus(wsError, QString::fromStdString(ConfirmedWrites::BusyText("the top margin was not written")));
    return;
  }
  Factory.NotifyEepromChanged();
  if (const std::optional<std::string> problem = writes.Confirm(cell)) {
    Frame.WriteStatus(wsError, QString::fromStdString(*problem));
    return;
  }
  Frame.WriteStatus(wsPlain, "As Top margin data, ");
  Frame.WriteStatus(wsAppend, setting.Sign);
  Frame.WriteStatus(wsAppend, " has been written in EEPROM.");
  ui.ShowTopMarginPnl->setText(setting.Sign);
}
