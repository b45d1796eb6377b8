#include "service/MaintenanceLogic.h"

#include "service/RecordKeeping.h"


void MaintenanceLogic::RunSequence(uint8_t sequence, const char* item, const char* busyText, const char* doneText) {
  RecordEvent event(RecordMaintenanceKind, true);
  event.Values().Text("item", item);
  if (!View.CheckPrinterReady()) {
    View.WriteText(wsError, "Printer is error.");
    event.SetChangesPrinter(false);
    event.Values().Text("result", RecordFailed).Text("message", "Printer is error.");
    KeepEvent(View, event);
    return;
  }
  OpenRecordVisit(View);
  // The sequence adds to the protection counter: the record shows by how much.
  const std::optional<int64_t> before = CounterNumber(Maintenance.ReadProtectionCounter());
  View.WriteText(wsBusy, busyText);
  Factory.RunCleaning(sequence);
  View.WriteText(wsDone, doneText);
  const bool done = Factory.Link().Status().StatusCode == StatusReady;
  event.Values().Text("result", done ? RecordDone : RecordFailed);
  if (!done) event.Values().Text("message", "Printer is error.");
  event.Values().MaybeNumber("counter-before", before).MaybeNumber("counter-after",
                                                                 CounterNumber(Maintenance.ReadProtectionCounter()));
  KeepEvent(View, event);
}

void MaintenanceLogic::CleanHead() {
  RunSequence(HeadCleaningSequence, "head cleaning", "Cleaning the head now.", "Head cleaning is completed.");
}

void MaintenanceLogic::ChargeInk() {
  RunSequence(InkChargeSequence, "ink charge", "Performing Ink Charge now.", "Ink Charge is completed.");
}

void MaintenanceLogic::CheckCounter() {
  const std::optional<std::string> counter = Maintenance.ReadProtectionCounter();
  if (!counter) {
    View.WriteText(wsError, "The protection counter could not be read.");
    RecordRead(View, RecordedCounter, std::nullopt, "The protection counter could not be read.");
    return;
  }
  View.WriteText(wsPlain, "Counter value = ");
  View.WriteText(wsAppend, *counter);
  RecordRead(View, RecordedCounter, counter);
}

bool MaintenanceLogic::ClearCounter() {
  const DialogAnswer answer = Boxes.ShowMessage(DialogKind::Confirmation,
                                                "Have you replaced the Waste Ink Pad certainly?", DialogButtons::YesNo);
  if (answer != DialogAnswer::Yes) {
    Boxes.ShowMessage(DialogKind::Warning, "Please replace the Waste Ink Pad.", DialogButtons::Ok);
    return false;
  }
  OpenRecordVisit(View);
  const std::optional<int64_t> before = CounterNumber(Maintenance.ReadProtectionCounter());
  RecordEvent event(RecordCounterClearedKind, true);
  event.Values().MaybeNumber("counter-before", before);
  if (const std::optional<std::string> problem = Maintenance.ClearProtectionCounter()) {
    View.WriteText(wsError, *problem);
    event.SetChangesPrinter(false);  // the printer may hold anything now: the counter read after says what
    event.Values().Text("result", RecordFailed).Text("message", *problem);
    event.Values().MaybeNumber("counter-after", CounterNumber(Maintenance.ReadProtectionCounter()));
    KeepEvent(View, event);
    return true;
  }
  View.WriteText(wsPlain, "The protect counter has been initialized.");
  View.SetSummary(SummaryField::ProtectionCounter, "Initialized");
  // The clear has read both cells back as 0.
  event.Values().Text("result", RecordDone).Number("counter-after", 0);
  KeepEvent(View, event);
  return true;
}
