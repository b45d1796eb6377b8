#include "service/MaintenanceLogic.h"

void MaintenanceLogic::RunSequence(uint8_t sequence, const char* busyText, const char* doneText) {
  if (!View.CheckPrinterReady()) {
    View.WriteText(wsError, "Printer is error.");
    return;
  }
  View.WriteText(wsBusy, busyText);
  Factory.RunCleaning(sequence);
  View.WriteText(wsDone, doneText);
}

void MaintenanceLogic::CleanHead() {
  RunSequence(HeadCleaningSequence, "Cleaning the head now.", "Head cleaning is completed.");
}

void MaintenanceLogic::ChargeInk() {
  RunSequence(InkChargeSequence, "Performing Ink Charge now.", "Ink Charge is completed.");
}

void MaintenanceLogic::CheckCounter() {
  const std::optional<std::string> counter = Maintenance.ReadProtectionCounter();
  if (!counter) {
    View.WriteText(wsError, "The protection counter could not be read.");
    return;
  }
  View.WriteText(wsPlain, "Counter value = ");
  View.WriteText(wsAppend, *counter);
}

bool MaintenanceLogic::ClearCounter() {
  const DialogAnswer answer = Boxes.ShowMessage(DialogKind::Confirmation,
                                                "Have you replaced the Waste Ink Pad certainly?", DialogButtons::YesNo);
  if (answer != DialogAnswer::Yes) {
    Boxes.ShowMessage(DialogKind::Warning, "Please replace the Waste Ink Pad.", DialogButtons::Ok);
    return false;
  }
  if (const std::optional<std::string> problem = Maintenance.ClearProtectionCounter()) {
    View.WriteText(wsError, *problem);
    return true;
  }
  View.WriteText(wsPlain, "The protect counter has been initialized.");
  View.SetSummary(SummaryField::ProtectionCounter, "Initialized");
  return true;
}
