#include "status/TStatusMonitorWindow.h"

#include <array>

namespace {

struct ErrorMessage {
  int16_t Code;
  const char* Text;  // null: the message area stays empty
};

constexpr std::array<ErrorMessage, 7> ErrorMessages{{
    {ErrorFatal, "A fatal error has occurred."},
    {ErrorCommunication, "A communication error has occurred."},
    {ErrorPaperJam, "Paper is jammed."},
    {ErrorInkOut, nullptr},  // the ink warnings tell the technician instead
    {ErrorPaperOut, "The paper is loaded incorrectly in the Automatic Sheet"},
    {ErrorMaintenanceRequest, "A maintenance request error has occured."},
    {ErrorNone, nullptr},
}};

}  // namespace

TStatusMonitorWindow::TStatusMonitorWindow(TPDalD4Comm& comm, QWidget* parent) : QWidget(parent), Comm(comm) {
  setObjectName("StatusMonitorWindow");
}

void TStatusMonitorWindow::RefreshStatus() {
  View->ClearMessages();
  View->SetBusyCursor(true);
  Comm.RequestStatus();
  const PrinterStatus& status = Comm.Status();
  DisplayedStatus = status.StatusCode;
  DisplayedError = status.ErrorCode;
  if (DisplayedError != ErrorNone) DisplayedStatus = StatusError;
  ShowState();
  const auto& flags = status.WarningFlags;
  if (flags[0] || flags[1] || flags[2] || flags[3]) ShowInkWarnings();
  View->SetBusyCursor(false);
}

void TStatusMonitorWindow::ShowState() {
  switch (DisplayedStatus) {
    case StatusError:
      ShowError();
      View->EnterErrorMode();
      return;
    case StatusSelfPrinting:
      View->ReplaceMessage("Nozzle check pattern printing...");
      return;
    case StatusBusy:
      View->ReplaceMessage("Printer is busy.");
      return;
    case StatusPrinting:
      View->ReplaceMessage("Printing...");
      return;
    case StatusReady:
      View->AddMessageLine("Ready to print.");
      View->EnterNormalMode();
      return;
    case StatusCleaning:
      View->ReplaceMessage("The printer is busy cleaning the print head or charging ink.");
      View->AddMessageLine("Please wait...");
      return;
    case StatusBeforeInitialFill:
      View->ReplaceMessage("Before initial fill up.");
      return;
    case StatusMotorOff:
      View->ReplaceMessage("Motor current off.");
      return;
  }
}

void TStatusMonitorWindow::ShowError() {
  View->ClearMessages();
  for (const ErrorMessage& entry : ErrorMessages) {
    if (entry.Code == DisplayedError && entry.Text != nullptr) View->ReplaceMessage(entry.Text);
  }
}

void TStatusMonitorWindow::ShowInkWarnings() {
  // With no ink state set there is nothing to say, and the state message stays.
  if (BlackInkState == 0 && ColorInkState == 0) return;
  View->ClearMessages();
  const auto add = [this](const char* line) { View->AddMessageLine(line); };
  if (BlackInkState == 2 && ColorInkState == 2) {
    add("The black and color inks are out.");
    add("Black : K207");
    add("Color : K208");
    add("Replace the black and color ink cartridges.");
  } else if (BlackInkState == 2 && ColorInkState == 0) {
    add("Black ink is out.");
    add("Black : K207");
    add("Replace the black ink cartridge.");
  } else if (BlackInkState == 1 && ColorInkState == 0) {
    add("Black ink is low.");
    add("Black : K207");
  } else if (ColorInkState == 2 && BlackInkState == 0) {
    add("Color ink is out.");
    add("Color : K208");
    add("Replace the color ink cartridge.");
  } else if (ColorInkState == 1 && BlackInkState == 0) {
    add("Color ink is low.");
    if (YellowLow) add("Yellow ink is low");
    if (MagentaLow) add("Magenta ink is low");
    if (CyanLow) add("Cyan ink is low");
    add("Color : K208");
  }
}
