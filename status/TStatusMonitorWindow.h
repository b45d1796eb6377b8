// The status display: turns the printer's reported state into messages and
// into the adjustment window's normal or restricted mode.
#pragma once

#include "link/PrinterStatus.h"
#include "link/TPDalD4Comm.h"
#include "status/StatusView.h"

#include <QWidget>

class TStatusMonitorWindow : public QWidget {
  Q_OBJECT

public:
  TStatusMonitorWindow(TPDalD4Comm& comm, QWidget* parent = nullptr);

  // The window whose message area and item lists the display drives.
  void SetView(StatusView& view) { View = &view; }

  // Asks the printer for its state and shows it. A reply that cannot be
  // understood ends the program before anything is shown.
  void RefreshStatus();

  int16_t DisplayedStatus = 0;
  int16_t DisplayedError = 0;

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
