#include "sim/panel/SwitchesSection.h"

#include "sim/panel/PanelText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QSignalBlocker>
#include <QSpinBox>

#include <algorithm>
#include <array>
#include <optional>

namespace {

// Paper choices and held states, in the order of their combo boxes.
enum PaperIndex { PaperLoaded, PaperOut, PaperJammed };
constexpr std::array<std::optional<PrinterState>, 4> HeldStates = {std::nullopt, PrinterState::Busy,
                                                                    PrinterState::Printing, PrinterState::Cleaning};

QString StateText(const PrinterCondition& condition) {
  switch (condition.State) {
    case PrinterState::Error:
      return QString("error %1").arg(condition.ErrorNumber.value_or(0), 2, 10, QChar('0'));
    case PrinterState::SelfPrinting:
      return "self printing";
    case PrinterState::Busy:
      return "busy";
    case PrinterState::Printing:
      return "printing";
    case PrinterState::Ready:
      return "ready";
    case PrinterState::Cleaning:
      return "cleaning";
    case PrinterState::BeforeInitialFill:
      return "before the initial ink fill";
    case PrinterState::MotorOff:
      return "motor off";
  }
  return "unknown";
}

}  // namespace

SwitchesSection::SwitchesSection(VirtualPrinter& printer, QWidget* parent)
    : QGroupBox(tr("Switches (faults.conf)"), parent), Printer(printer) {
  auto* form = new QFormLayout(this);
  PowerBox = new QCheckBox(tr("Power on"));
  PowerBox->setObjectName("PowerBox");
  form->addRow(PowerBox);
  PaperChoice = new QComboBox;
  PaperChoice->setObjectName("PaperChoice");
  PaperChoice->addItems({tr("loaded"), tr("out"), tr("jammed")});
  form->addRow(tr("Paper"), PaperChoice);
  auto* errorRow = new QHBoxLayout;
  ErrorBox = new QCheckBox(tr("Error number"));
  ErrorBox->setObjectName("ErrorBox");
  ErrorNumber = new QSpinBox;
  ErrorNumber->setRange(0, 99);
  errorRow->addWidget(ErrorBox);
  errorRow->addWidget(ErrorNumber);
  form->addRow(errorRow);
  BusyAckBox = new QCheckBox(tr("Busy acknowledgement of EEPROM writes and resets"));
  BusyAckBox->setObjectName("BusyAckBox");
  NoAnswerBox = new QCheckBox(tr("No answer"));
  NoAnswerBox->setObjectName("NoAnswerBox");
  form->addRow(BusyAckBox);
  form->addRow(NoAnswerBox);
  HeldChoice = new QComboBox;
  HeldChoice->setObjectName("HeldChoice");
  HeldChoice->addItems({tr("as the mechanism works"), tr("busy"), tr("printing"), tr("cleaning")});
  form->addRow(tr("Reported state"), HeldChoice);
  ShortEepromBox = new QCheckBox(tr("EEPROM read answers cut short"));
  DropEepromBox = new QCheckBox(tr("EEPROM read answers lost"));
  FaultCellEdit = new QLineEdit;
  FaultCellEdit->setPlaceholderText(tr("every cell"));
  FaultCellEdit->setMaxLength(2);
  FaultCellEdit->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9A-Fa-f]{0,2}"), FaultCellEdit));
  ShortWriteBox = new QCheckBox(tr("Port takes one byte fewer"));
  WrongSocketBox = new QCheckBox(tr("Control answers on the data socket"));
  form->addRow(ShortEepromBox);
  form->addRow(DropEepromBox);
  form->addRow(tr("...only for cell"), FaultCellEdit);
  form->addRow(ShortWriteBox);
  form->addRow(WrongSocketBox);
  ReportLabel = new QLabel;
  ReportLabel->setObjectName("ReportLabel");
  form->addRow(tr("Reports"), ReportLabel);

  for (QCheckBox* check : {PowerBox, ErrorBox, BusyAckBox, NoAnswerBox, ShortEepromBox, DropEepromBox, ShortWriteBox,
                           WrongSocketBox})
    connect(check, &QCheckBox::toggled, this, &SwitchesSection::SwitchesEdited);
  for (QComboBox* choice : {PaperChoice, HeldChoice})
    connect(choice, &QComboBox::currentIndexChanged, this, &SwitchesSection::SwitchesEdited);
  connect(ErrorNumber, &QSpinBox::valueChanged, this, [this] {
    if (ErrorBox->isChecked()) SwitchesEdited();
  });
  connect(FaultCellEdit, &QLineEdit::editingFinished, this, &SwitchesSection::SwitchesEdited);
}

void SwitchesSection::Show(const PrinterCondition& condition) {
  ShowSwitches(Printer.Switches());
  ReportLabel->setText(Printer.PoweredOn() ? StateText(condition) : tr("nothing: switched off"));
}

FaultSwitches SwitchesSection::SwitchesFromWidgets() const {
  FaultSwitches switches = Printer.Switches();  // keeps what the panel has no widget for
  PrinterFaults& faults = switches.Faults;
  switches.PowerOn = PowerBox->isChecked();
  faults.PaperOut = PaperChoice->currentIndex() == PaperOut;
  faults.PrinterError.reset();
  if (PaperChoice->currentIndex() == PaperJammed) faults.PrinterError = ErrorNumberPaperJam;
  if (ErrorBox->isChecked()) faults.PrinterError = ErrorNumber->value();  // the error wins, as in the printer
  faults.BusyAck = BusyAckBox->isChecked();
  faults.NoAnswer = NoAnswerBox->isChecked();
  faults.HeldState = HeldStates[static_cast<size_t>(std::max(0, HeldChoice->currentIndex()))];
  faults.ShortEepromReply = ShortEepromBox->isChecked();
  faults.DropEepromReply = DropEepromBox->isChecked();
  faults.EepromFaultCell.reset();
  bool ok = false;
  const unsigned cell = FaultCellEdit->text().toUInt(&ok, 16);
  if (ok && FaultCellEdit->text().size() == 2) faults.EepromFaultCell = static_cast<uint8_t>(cell);
  faults.ShortWrite = ShortWriteBox->isChecked();
  faults.WrongSocket = WrongSocketBox->isChecked();
  return switches;
}

void SwitchesSection::ShowSwitches(const FaultSwitches& switches) {
  const PrinterFaults& faults = switches.Faults;
  const QSignalBlocker blockers[] = {QSignalBlocker(PowerBox),       QSignalBlocker(PaperChoice),
                                     QSignalBlocker(ErrorBox),       QSignalBlocker(ErrorNumber),
                                     QSignalBlocker(BusyAckBox),     QSignalBlocker(NoAnswerBox),
                                     QSignalBlocker(HeldChoice),     QSignalBlocker(ShortEepromBox),
                                     QSignalBlocker(DropEepromBox),  QSignalBlocker(FaultCellEdit),
                                     QSignalBlocker(ShortWriteBox),  QSignalBlocker(WrongSocketBox)};
  PowerBox->setChecked(switches.PowerOn);
  // A jam is error 04 with no paper-out beside it; any other error number is shown as such.
  const bool jammed = faults.PrinterError == ErrorNumberPaperJam && !faults.PaperOut;
  PaperChoice->setCurrentIndex(jammed ? PaperJammed : faults.PaperOut ? PaperOut : PaperLoaded);
  ErrorBox->setChecked(faults.PrinterError && !jammed);
  if (faults.PrinterError && !jammed) ErrorNumber->setValue(*faults.PrinterError);
  BusyAckBox->setChecked(faults.BusyAck);
  NoAnswerBox->setChecked(faults.NoAnswer);
  for (size_t i = 0; i < HeldStates.size(); ++i)
    if (HeldStates[i] == faults.HeldState) HeldChoice->setCurrentIndex(static_cast<int>(i));
  ShortEepromBox->setChecked(faults.ShortEepromReply);
  DropEepromBox->setChecked(faults.DropEepromReply);
  if (!FaultCellEdit->hasFocus())
    FaultCellEdit->setText(faults.EepromFaultCell ? Hex2(*faults.EepromFaultCell) : QString());
  ShortWriteBox->setChecked(faults.ShortWrite);
  WrongSocketBox->setChecked(faults.WrongSocket);
}

void SwitchesSection::SwitchesEdited() {
  Printer.SetSwitches(SwitchesFromWidgets());
  emit SwitchesChanged();
}
