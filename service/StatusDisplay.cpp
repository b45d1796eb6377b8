#include "service/StatusDisplay.h"

#include <array>

namespace {

struct ErrorMessage {
  PrinterErrorCode Code;
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

void StatusDisplay::RefreshStatus() {
  View->ClearMessages();
  View->SetBusyCursor(true);
  Comm.RequestStatus();
  const PrinterStatus& status = Comm.Status();
  DisplayedStatus = status.StatusCode;
  DisplayedError = status.ErrorCode;
  if (DisplayedError != ErrorNone) DisplayedStatus = StatusError;
  ShowState();
  const auto& flags = status.WarningFlags;
  if (flags[0] || flags[1] || flags[2] || flags[3] || DisplayedError == ErrorInkOut) {
    TakeInkStates(status);
    ShowInkWarnings();
  }
  View->SetBusyCursor(false);
}

void StatusDisplay::ShowState() {
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

void StatusDisplay::ShowError() {
  View->ClearMessages();
  for (const ErrorMessage& entry : ErrorMessages) {
    if (entry.Code == DisplayedError && entry.Text != nullptr) View->ReplaceMessage(entry.Text);
  }
}

void StatusDisplay::TakeInkStates(const PrinterStatus& status) {
  // Warning codes 10 and 11 say black ink is low or out, 12 and 13 the same
  // of the colour inks; 14 and 15 are not about ink. The ink values are
  // percentages in the order black, cyan, magenta, yellow, light cyan, light
  // magenta (0xFF: not known); a colour at or below InkLowPercent is named
  // when the colour inks are low. An ink-out error without warning codes is
  // worked out from the values that stand at 0.
  const auto& flags = status.WarningFlags;
  const auto& ink = status.InkQuantities;
  const auto known = [](uint8_t value) { return value != InkUnknown; };
  const auto low = [&](size_t i) { return known(ink[i]) && ink[i] <= InkLowPercent; };
  const auto out = [&](size_t i) { return known(ink[i]) && ink[i] == 0; };

  BlackInkState = flags[1] ? InkOut : flags[0] ? InkLow : InkNone;
  ColorInkState = flags[3] ? InkOut : flags[2] ? InkLow : InkNone;
  if (DisplayedError == ErrorInkOut && BlackInkState == InkNone && ColorInkState == InkNone) {
    if (out(InkBlack)) BlackInkState = InkOut;
    for (size_t i : {InkCyan, InkMagenta, InkYellow, InkLightCyan, InkLightMagenta}) {
      if (out(i)) ColorInkState = InkOut;
    }
  }
  CyanLow = low(InkCyan) || low(InkLightCyan);
  MagentaLow = low(InkMagenta) || low(InkLightMagenta);
  YellowLow = low(InkYellow);
}

void StatusDisplay::ShowInkWarnings() {
  // The lines go below the printer's state ("Ready to print.", "Paper is jammed."), which stays.
  if (BlackInkState == InkNone && ColorInkState == InkNone) return;
  const auto add = [this](const char* line) { View->AddMessageLine(line); };
  if (BlackInkState == InkOut && ColorInkState == InkOut) {
    add("The black and color inks are out.");
    add("Black : K207");
    add("Color : K208");
    add("Replace the black and color ink cartridges.");
    return;
  }
  // Each ink gets its own lines, so a black and a colour warning together both show.
  if (BlackInkState == InkOut) {
    add("Black ink is out.");
    add("Black : K207");
    add("Replace the black ink cartridge.");
  } else if (BlackInkState == InkLow) {
    add("Black ink is low.");
    add("Black : K207");
  }
  if (ColorInkState == InkOut) {
    add("Color ink is out.");
    add("Color : K208");
    add("Replace the color ink cartridge.");
  } else if (ColorInkState == InkLow) {
    add("Color ink is low.");
    if (YellowLow) add("Yellow ink is low");
    if (MagentaLow) add("Magenta ink is low");
    if (CyanLow) add("Cyan ink is low");
    add("Color : K208");
  }
}
