#include "items/MaintenanceItem.h"

#include "ui_DalAdjust.h"

MaintenanceItem::MaintenanceItem(AdjustFrame& frame, TPFactory& factory, TPMaintenance& maintenance,
                                 Dialogs& dialogs)
    : Frame(frame), Logic(frame, factory, maintenance, dialogs) {
  Ui::TFormAdjust& ui = Frame.Controls();
  ui.CounterRdoBtn->SetItems({"Check the present counter values.", "Clear the protection counter values."});
  ui.CounterRdoBtn->SetItemIndex(0);
  connect(ui.CleaningOKBtn, &QPushButton::clicked, this, &MaintenanceItem::CleaningOKBtnClick);
  connect(ui.ChargeOKBtn, &QPushButton::clicked, this, &MaintenanceItem::ChargeOKBtnClick);
  connect(ui.ProCounterOKBtn, &QPushButton::clicked, this, &MaintenanceItem::ProCounterOKBtnClick);
  connect(ui.CounterCheckOKBtn, &QPushButton::clicked, this, &MaintenanceItem::CounterCheckOKBtnClick);
  connect(ui.CounterCheckRtnBtn, &QPushButton::clicked, this, &MaintenanceItem::CounterCheckRtnBtnClick);
  connect(ui.CounterClearOKBtn, &QPushButton::clicked, this, &MaintenanceItem::CounterClearOKBtnClick);
  connect(ui.CounterClearRtnBtn, &QPushButton::clicked, this, &MaintenanceItem::CounterClearRtnBtnClick);
}

void MaintenanceItem::CleaningOKBtnClick() { Logic.CleanHead(); }

void MaintenanceItem::ChargeOKBtnClick() { Logic.ChargeInk(); }

void MaintenanceItem::ProCounterOKBtnClick() {
  Ui::TFormAdjust& ui = Frame.Controls();
  const bool clear = ui.CounterRdoBtn->ItemIndex() == 1;
  Frame.ResetItemArea(false, false);
  (clear ? ui.CounterClearPnl : ui.CounterCheckPnl)->show();
}

void MaintenanceItem::CounterCheckOKBtnClick() { Logic.CheckCounter(); }

void MaintenanceItem::ShowCounterPanel() {
  Frame.ResetItemArea(false, false);
  Frame.Controls().CounterPnl->show();
}

void MaintenanceItem::CounterCheckRtnBtnClick() { ShowCounterPanel(); }

void MaintenanceItem::CounterClearRtnBtnClick() { ShowCounterPanel(); }

void MaintenanceItem::CounterClearOKBtnClick() {
  if (Logic.ClearCounter()) return;
  Frame.ResetItemArea(false, false);
  Frame.ShowCanvas();
}
