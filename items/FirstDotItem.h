// The item "First dot position": moves the printer's first dot sideways and restarts it to take the new value.
#pragma once

#include "items/AdjustFrame.h"
#include "service/FirstDotLogic.h"

#include <QObject>

class FirstDotItem : public QObject {
  Q_OBJECT

public:
  FirstDotItem(AdjustFrame& frame, TPDalD4Comm& comm, TPFactory& factory, StatusDisplay& display,
               const PortChoice& port, Dialogs& dialogs, Clock& clock);

  // Limits the value, shows it, and sets the margin gauges and the millimetre text.
  void SetFirstDotPosition(int value);

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

  AdjustFrame& Frame;
  FirstDotLogic Logic;
};
