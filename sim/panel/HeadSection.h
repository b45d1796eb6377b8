// The front panel's head and main board: the nozzles, the head's true Bi-D offsets, a new main board.
#pragma once

#include <QGroupBox>

#include <array>

#include "sim/VirtualPrinter.h"

class QLabel;
class QSpinBox;
class NozzleMap;

class HeadSection : public QGroupBox {
  Q_OBJECT

public:
  explicit HeadSection(VirtualPrinter& printer, QWidget* parent = nullptr);

  // Shows the printer's nozzles and true offsets (but offsets being edited).
  void Show();

signals:
  // The trainer clogged nozzles or replaced the main board.
  void PrinterChanged();

private:
  void SetBidOffsets();
  void ShowBidOffsets();

  VirtualPrinter& Printer;
  NozzleMap* Nozzles;
  QLabel* NozzleLabel;
  std::array<QSpinBox*, 6> OffsetBoxes{};
  QLabel* OffsetLabel;
};
