// The front panel's ink: what is left of each of the six inks, and the warnings that gives.
#pragma once

#include <QGroupBox>

#include <array>
#include <cstddef>
#include <vector>

#include "sim/VirtualPrinter.h"

class QLabel;
class QSlider;

// A slider moved here sets the printer's ink at once.
class InkSection : public QGroupBox {
  Q_OBJECT

public:
  explicit InkSection(VirtualPrinter& printer, QWidget* parent = nullptr);

  // Shows the printer's ink and the warnings a status request reports.
  void Show(const std::vector<int>& warningCodes);

private:
  void InkEdited(size_t index, int percent);

  VirtualPrinter& Printer;
  std::array<QSlider*, 6> InkSliders{};
  std::array<QLabel*, 6> InkLabels{};
  QLabel* WarningLabel;
};
