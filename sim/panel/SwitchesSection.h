// The front panel's switches: the faults and forced conditions of faults.conf, and what a status request reports.
#pragma once

#include <QGroupBox>

#include "sim/VirtualPrinter.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QSpinBox;

// A switch changed here goes to the printer (and so to faults.conf) at once.
class SwitchesSection : public QGroupBox {
  Q_OBJECT

public:
  explicit SwitchesSection(VirtualPrinter& printer, QWidget* parent = nullptr);

  // Shows the printer's switches and `condition` as its report.
  void Show(const PrinterCondition& condition);

signals:
  // The trainer changed a switch; the printer has it.
  void SwitchesChanged();

private:
  FaultSwitches SwitchesFromWidgets() const;
  void ShowSwitches(const FaultSwitches& switches);
  void SwitchesEdited();

  VirtualPrinter& Printer;
  QCheckBox* PowerBox;
  QComboBox* PaperChoice;
  QCheckBox* ErrorBox;
  QSpinBox* ErrorNumber;
  QCheckBox* BusyAckBox;
  QCheckBox* NoAnswerBox;
  QComboBox* HeldChoice;
  QCheckBox* ShortEepromBox;
  QCheckBox* DropEepromBox;
  QLineEdit* FaultCellEdit;
  QCheckBox* ShortWriteBox;
  QCheckBox* WrongSocketBox;
  QLabel* ReportLabel;
};
