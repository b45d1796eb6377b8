// The status display's logic: turns the printer's reported state into messages and into the
// adjustment window's normal or restricted mode, for any front-end that implements StatusView.
#pragma once

#include "link/PrinterStatus.h"
#include "link/TPDalD4Comm.h"
#include "service/StatusView.h"

#include <cstddef>
#include <cstdint>

class StatusDisplay {
public:
  explicit StatusDisplay(TPDalD4Comm& comm) : Comm(comm) {}

  // The front-end whose message area and item lists the display drives.
  void SetView(StatusView& view) { View = &view; }

  // Asks the printer for its state and shows it. A reply that cannot be
  // understood ends the program before anything is shown.
  void RefreshStatus();

  PrinterStateCode DisplayedStatus{};
  PrinterErrorCode DisplayedError{};

  // Ink states of the black and the colour inks.
  static constexpr uint8_t InkNone = 0;
  static constexpr uint8_t InkLow = 1;
  static constexpr uint8_t InkOut = 2;
  // Positions of the inks in the reported ink values.
  static constexpr size_t InkBlack = 0, InkCyan = 1, InkMagenta = 2, InkYellow = 3, InkLightCyan = 4,
                          InkLightMagenta = 5;
  static constexpr uint8_t InkUnknown = 0xFF;
  static constexpr uint8_t InkLowPercent = 15;

  uint8_t BlackInkState = 0;
  uint8_t ColorInkState = 0;
  uint8_t YellowLow = 0;
  uint8_t MagentaLow = 0;
  uint8_t CyanLow = 0;

private:
  void ShowState();
  void ShowError();
  void TakeInkStates(const PrinterStatus& status);
  void ShowInkWarnings();

  TPDalD4Comm& Comm;
  StatusView* View = nullptr;
};
