#include "sim/panel/PrinterPanel.h"

#include "sim/panel/HeadSection.h"
#include "sim/panel/InkSection.h"
#include "sim/panel/PagesSection.h"
#include "sim/panel/SwitchesSection.h"
#include "sim/panel/WireSection.h"

#include <QComboBox>
#include <QEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

PrinterPanel::PrinterPanel(VirtualPrinter& printer, QWidget* parent)
    : QWidget(parent),
      ModelChoice(new QComboBox),
      Printer(printer),
      RefreshTimer(new QTimer(this)),
      Switches(new SwitchesSection(printer)),
      Ink(new InkSection(printer)),
      Head(new HeadSection(printer)),
      Tabs(new QTabWidget),
      Pages(new PagesSection(printer)),
      Eeprom(new EepromSection(printer)),
      Wire(new WireSection(printer)) {
  setWindowTitle(tr("Virtual printer front panel"));

  // In the order of SimModel.
  ModelChoice->setObjectName("ModelChoice");
  ModelChoice->addItems({SimModelName(SimModel::Print350), SimModelName(SimModel::Print360)});
  auto* identity = new QGroupBox(tr("Printer (printer.conf)"));
  auto* identityForm = new QFormLayout(identity);
  identityForm->addRow(tr("Model"), ModelChoice);

  auto* controls = new QVBoxLayout;
  controls->addWidget(identity);
  controls->addWidget(Switches);
  controls->addWidget(Ink);
  controls->addWidget(Head);
  controls->addStretch(1);

  Tabs->addTab(Pages, tr("&Pages"));
  Tabs->addTab(Eeprom, tr("&EEPROM"));
  Tabs->addTab(Wire, tr("&Wire"));

  auto* layout = new QHBoxLayout(this);
  layout->addLayout(controls);
  layout->addWidget(Tabs, 1);
  resize(1280, 860);

  Refresh();
  connect(Switches, &SwitchesSection::SwitchesChanged, this, &PrinterPanel::Refresh);
  connect(Head, &HeadSection::PrinterChanged, this, &PrinterPanel::Refresh);
  connect(RefreshTimer, &QTimer::timeout, this, &PrinterPanel::Refresh);
  connect(ModelChoice, &QComboBox::activated, this,
          [this](int row) { Printer.SetModel(row == 0 ? SimModel::Print350 : SimModel::Print360); });
  RefreshTimer->start(RefreshMs);
}

void PrinterPanel::Refresh() {
  Printer.CheckTrainerFiles();
  {
    const QSignalBlocker quiet(ModelChoice);
    ModelChoice->setCurrentIndex(Printer.Model() == SimModel::Print350 ? 0 : 1);
  }
  const PrinterCondition condition = Printer.Condition();
  Switches->Show(condition);
  Head->Show();
  Ink->Show(condition.Warnings);
  Eeprom->Show();
  Wire->Show();
  // New pages bring their tab to the front.
  if (Pages->ListNewPages()) Tabs->setCurrentIndex(0);
}

bool PrinterPanel::event(QEvent* event) {
  // Beside a program in the same process, a modal message of the program
  // would block the panel too; but the trainer must be able to act on the
  // printer then (switch it off, replace the board). The panel makes itself
  // a transient of the modal window, which Qt does not block.
  if (event->type() == QEvent::WindowBlocked && windowHandle() != nullptr) {
    QWindow* modal = QGuiApplication::modalWindow();
    if (modal != nullptr && modal != windowHandle()) windowHandle()->setTransientParent(modal);
  }
  return QWidget::event(event);
}
