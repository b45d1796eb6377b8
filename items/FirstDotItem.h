// The item "First dot position": moves the printer's first dot sideways and restarts it to take the new value.
#pragma once

#include "link/PortChoice.h"
#include "link/TPDalD4Comm.h"
#include "link/TPFactory.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "items/AdjustFrame.h"
#include "items/TStatusMonitorWindow.h"

#include <QObject>

// The first dot position byte, in 1/2880 inch; the item offers -72..72.
constexpr uint8_t FirstDotCell = 0x39;
constexpr int FirstDotLimit = 72;

class FirstDotItem : public QObject {
  Q_OBJECT

public:
  FirstDotItem(AdjustFrame& frame, TPDalD4Comm& comm, TPFactory& factory, TStatusMonitorWindow& monitor,
               const PortChoice& port, Dialogs& dialogs, Clock& clock);

  // Limits the value, shows it, and sets the margin gauges and the millimetre text.
  void SetFirstDotPosition(int value);

  // A stored byte as the item reads it: above 128 negative, 0..128 as they are.
  static int StoredToValue(uint8_t stored);

public slots:
  // The item was chosen: shows the value stored in the printer.
  void ShowStoredValue();
  void SteptoLeftBitBtnClick();
  void SteptoRightBitBtnClick();
  void GotoLeftEdgeBitBtnClick();
  void GotoRightEdgeBitBtnClick();
  void CenteringBitBtnClick();
  void LandMarginUpDownClick();
  void LandMarginWriteBtnClick();

private:
  int EditValue() const;
  void ShowGaugesAndMillimetres(double value, int percent);
  bool RestartPrinter();

  AdjustFrame& Frame;
  TPDalD4Comm& Comm;
  TPFactory& Factory;
  TStatusMonitorWindow& Monitor;
  const PortChoice& Port;
  Dialogs& Boxes;
  Clock& Time;
};
