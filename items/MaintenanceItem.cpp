#include "items/MaintenanceItem.h"

#include "ui_DalAdjust.h"

MaintenanceItem::MaintenanceItem(AdjustFrame& frame, TPFactory& factory, TPMaintenance& maintenance,
                                 Dialogs& dialogs)
    : Frame(frame), Factory(factory), Maintenance(maintenance), Boxes(dialogs) {
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

void MaintenanceItem::RunSequence(uint8_t sequence, const QString& busyText, const QString& doneText) {
  if (!Frame.CheckPrinterReady()) {
    Frame.WriteStatus(wsError, "Printer is error.");
    return;
  }
  Frame.WriteStatus(wsBusy, busyText);
  Factory.RunCleaning(sequence);
  Frame.WriteStatus(wsDone, doneText);
}

void MaintenanceItem::CleaningOKBtnClick() {
  RunSequence(HeadCleaningSequence, "Cleaning the head now.", "Head cleaning is completed.");
}

void MaintenanceItem::ChargeOKBtnClick() {
  RunSequence(InkChargeSequence, "Performing Ink Charge now.", "Ink Charge is completed.");
}

void MaintenanceItem::ProCounterOKBtnClick() {
  Ui::TFormAdjust& ui = Frame.Controls();
  const bool clear = ui.CounterRdoBtn->ItemIndex() == 1;
  Frame.ResetItemArea(false, false);
  (clear ? ui.CounterClearPnl : ui.CounterCheckPnl)->show();
}

void MaintenanceItem::CounterCheckOKBtnClick() {
  const std::optional<std::string> counter = Maintenance.ReadProtectionCounter();
  if (!counter) {
    Frame.WriteStatus(wsError, "The protection counter could not be read.");
    return;
  }
  Frame.WriteStatus(wsPlain, "Counter value = ");
  Frame.WriteStatus(wsAppend, QString::fromStdString(*counter));
}

void MaintenanceItem::ShowCounterPanel() {
  Frame.ResetItemArea(false, false);
  Frame.Controls().CounterPnl->show();
}

void MaintenanceItem::CounterCheckRtnBtnClick() { ShowCounterPanel(); }

void MaintenanceItem::CounterClearRtnBtnClick() { ShowCounterPanel(); }

void MaintenanceItem::CounterClearOKBtnClick() {
  const DialogAnswer answer = Boxes.ShowMessage(DialogKind::Confirmation,
                                                "Have you replaced the Waste Ink Pad certainly?", DialogButtons::YesNo);
  if (answer != DialogAnswer::Yes) {
    Boxes.ShowMessage(DialogKind::Warning, "Please replace the Waste Ink Pad.", DialogButtons::Ok);
    Frame.ResetItemArea(false, false);
    Frame.ShowCanvas();
    return;
  }
  if (const std::optional<std::string> problem = Maintenance.ClearProtectionCounter()) {
    Frame.WriteStatus(wsError, QString::fromStdString(*problem));
    return;
  }
  Frame.WriteStatus(wsPlain, "The protect counter has been initialized.");
  Frame.Controls().ShowProCounterPnl->setText("Initialized");
}
