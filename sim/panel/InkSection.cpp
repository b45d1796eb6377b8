#include "sim/panel/InkSection.h"

#include "sim/mechanism/PrintHead.h"

#include <QGridLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QSlider>

#include <algorithm>

namespace {

QString WarningText(int code) {
  switch (code) {
    case PrinterCore::WarningBlackLow:
      return "10 black low";
    case PrinterCore::WarningBlackOut:
      return "11 black out";
    case PrinterCore::WarningColourLow:
      return "12 colour low";
    case PrinterCore::WarningColourOut:
      return "13 colour out";
    default:
      return QString::number(code);
  }
}

}  // namespace

InkSection::InkSection(VirtualPrinter& printer, QWidget* parent)
    : QGroupBox(tr("Ink left (percent)"), parent), Printer(printer) {
  auto* grid = new QGridLayout(this);
  for (size_t i = 0; i < InkSliders.size(); ++i) {
    const int row = static_cast<int>(i);
    InkSliders[i] = new QSlider(Qt::Horizontal);
    InkSliders[i]->setObjectName(QString("InkSlider%1").arg(row));
    InkSliders[i]->setRange(0, 100);
    InkLabels[i] = new QLabel;
    InkLabels[i]->setMinimumWidth(30);
    grid->addWidget(new QLabel(PrintHead::QuantityNames[i]), row, 0);
    grid->addWidget(InkSliders[i], row, 1);
    grid->addWidget(InkLabels[i], row, 2);
    connect(InkSliders[i], &QSlider::valueChanged, this, [this, i](int value) { InkEdited(i, value); });
  }
  WarningLabel = new QLabel;
  WarningLabel->setObjectName("WarningLabel");
  grid->addWidget(WarningLabel, static_cast<int>(InkSliders.size()), 0, 1, 3);
}

void InkSection::InkEdited(size_t index, int percent) {
  std::array<uint8_t, 6> quantities = Printer.InkQuantities();
  quantities[index] = static_cast<uint8_t>(percent);
  Printer.SetInkQuantities(quantities);
  Show(Printer.Condition().Warnings);
}

void InkSection::Show(const std::vector<int>& warningCodes) {
  const std::array<uint8_t, 6> quantities = Printer.InkQuantities();
  for (size_t i = 0; i < InkSliders.size(); ++i) {
    if (!InkSliders[i]->isSliderDown()) {
      const QSignalBlocker blocker(InkSliders[i]);
      InkSliders[i]->setValue(std::min<int>(quantities[i], 100));
    }
    InkLabels[i]->setText(quantities[i] <= 100 ? QString::number(quantities[i]) : QString("?? (%1)").arg(quantities[i]));
  }
  QStringList warnings;
  for (int code : warningCodes) warnings << WarningText(code);
  WarningLabel->setText(tr("Warnings: %1").arg(warnings.isEmpty() ? tr("none") : warnings.join(", ")));
}
