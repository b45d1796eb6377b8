#include "sim/panel/PrinterPanel.h"

#include "sim/mechanism/BidMechanics.h"
#include "sim/engine/PageGeometry.h"
#include "sim/mechanism/PrintHead.h"
#include "sim/panel/PageView.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QSplitter>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>
#include <optional>
#include <string>

namespace {

// Paper choices and held states, in the order of their combo boxes.
enum PaperIndex { PaperLoaded, PaperOut, PaperJammed };
constexpr std::array<std::optional<PrinterState>, 4> HeldStates = {std::nullopt, PrinterState::Busy,
                                                                    PrinterState::Printing, PrinterState::Cleaning};

const QColor ChangedColour(255, 236, 150);
const QColor FlashColour(255, 140, 40);

QString Hex2(unsigned value) { return QString::asprintf("%02X", value & 0xFF); }

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

// The head's nozzles: one row per ink, nozzle 1 on the left; a clogged nozzle is a red gap.
class NozzleMap : public QWidget {
public:
  static constexpr int Cell = 6;
  static constexpr int NameWidth = 90;

  explicit NozzleMap(const PrintHead& head, QWidget* parent = nullptr)
      : QWidget(parent), Head(head), RowHeight(std::max(Cell + 4, fontMetrics().height())) {
    setFixedSize(NameWidth + static_cast<int>(PrintHead::NozzlesPerInk) * Cell + 1,
                 static_cast<int>(PrintHead::InkCount) * RowHeight);
    setToolTip(tr("Nozzles 1 to 48 of each ink from the left; red: clogged."));
  }

protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    int y = 0;
    for (const PageGeometry::InkInfo& info : PageGeometry::Inks) {
      painter.setPen(palette().color(QPalette::WindowText));
      painter.drawText(QRect(0, y, NameWidth - 6, RowHeight), Qt::AlignRight | Qt::AlignVCenter, info.Name);
      const QColor ink = QColor::fromRgb(info.Rgb);
      for (size_t n = 0; n < PrintHead::NozzlesPerInk; ++n) {
        // A clogged nozzle is a gap with a red mark, as its missing line on the page.
        const QRect cell(NameWidth + static_cast<int>(n) * Cell, y + (RowHeight - Cell) / 2, Cell - 1, Cell);
        if (Head.Clogged(info.Which, n)) {
          painter.fillRect(cell.adjusted(1, 1, -1, -1), Qt::red);
        } else {
          painter.fillRect(cell, ink);
        }
      }
      y += RowHeight;
    }
  }

private:
  const PrintHead& Head;
  const int RowHeight;
};

PrinterPanel::PrinterPanel(VirtualPrinter& printer, QWidget* parent)
    : QWidget(parent), Printer(printer), RefreshTimer(new QTimer(this)) {
  setWindowTitle(tr("Virtual printer front panel"));
  EepromAtOpen = Printer.Eeprom();
  ShownEeprom = EepromAtOpen;
  SeenWrites = Printer.EepromWriteCounts();
  FlashUntil.fill(-1);
  SinceOpen.start();

  auto* controls = new QVBoxLayout;
  controls->addWidget(BuildSwitches());
  controls->addWidget(BuildInk());
  controls->addWidget(BuildHead());
  controls->addStretch(1);

  Tabs = new QTabWidget;
  Tabs->addTab(BuildPages(), tr("&Pages"));
  Tabs->addTab(BuildEeprom(), tr("&EEPROM"));
  Tabs->addTab(BuildWire(), tr("&Wire"));

  auto* layout = new QHBoxLayout(this);
  layout->addLayout(controls);
  layout->addWidget(Tabs, 1);
  resize(1280, 860);

  Refresh();
  connect(RefreshTimer, &QTimer::timeout, this, &PrinterPanel::Refresh);
  RefreshTimer->start(RefreshMs);
}

QWidget* PrinterPanel::BuildSwitches() {
  auto* box = new QGroupBox(tr("Switches (faults.conf)"));
  auto* form = new QFormLayout(box);
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
    connect(check, &QCheckBox::toggled, this, &PrinterPanel::SwitchesEdited);
  for (QComboBox* choice : {PaperChoice, HeldChoice})
    connect(choice, &QComboBox::currentIndexChanged, this, &PrinterPanel::SwitchesEdited);
  connect(ErrorNumber, &QSpinBox::valueChanged, this, [this] {
    if (ErrorBox->isChecked()) SwitchesEdited();
  });
  connect(FaultCellEdit, &QLineEdit::editingFinished, this, &PrinterPanel::SwitchesEdited);
  return box;
}

QWidget* PrinterPanel::BuildInk() {
  auto* box = new QGroupBox(tr("Ink left (percent)"));
  auto* grid = new QGridLayout(box);
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
  return box;
}

QWidget* PrinterPanel::BuildHead() {
  auto* box = new QGroupBox(tr("Head and main board"));
  auto* layout = new QVBoxLayout(box);
  Nozzles = new NozzleMap(Printer.Head());
  layout->addWidget(Nozzles);
  auto* nozzleRow = new QHBoxLayout;
  NozzleLabel = new QLabel;
  auto* clog = new QPushButton(tr("&Clog nozzles"));
  clog->setObjectName("ClogButton");
  clog->setToolTip(tr("Clogs %1 nozzles at random, for a lesson in head cleaning.").arg(PrintHead::TrainerClogs));
  connect(clog, &QPushButton::clicked, this, [this] {
    Printer.Head().ClogRandomNozzles(PrintHead::TrainerClogs);
    Refresh();
  });
  nozzleRow->addWidget(NozzleLabel, 1);
  nozzleRow->addWidget(clog);
  layout->addLayout(nozzleRow);

  auto* offsets = new QGridLayout;
  for (size_t i = 0; i < OffsetBoxes.size(); ++i) {
    OffsetBoxes[i] = new QSpinBox;
    OffsetBoxes[i]->setRange(-BidMechanics::Limit, BidMechanics::Limit);
    OffsetBoxes[i]->setValue(Printer.TrueBidOffsets()[i]);
    const int row = static_cast<int>(i / 2);
    const int column = static_cast<int>(i % 2) * 2;
    offsets->addWidget(new QLabel(BidMechanics::Names[i]), row, column);
    offsets->addWidget(OffsetBoxes[i], row, column + 1);
  }
  layout->addWidget(new QLabel(tr("True Bi-D offsets of the head:")));
  layout->addLayout(offsets);
  auto* boardRow = new QHBoxLayout;
  auto* setOffsets = new QPushButton(tr("Set &offsets"));
  connect(setOffsets, &QPushButton::clicked, this, &PrinterPanel::SetBidOffsets);
  auto* replace = new QPushButton(tr("&Replace main board"));
  replace->setObjectName("ReplaceBoardButton");
  replace->setToolTip(tr("A new main board: every EEPROM cell FF; the printer restarts."));
  connect(replace, &QPushButton::clicked, this, [this] {
    Printer.ReplaceMainBoard();
    Refresh();
  });
  boardRow->addWidget(setOffsets);
  boardRow->addWidget(replace);
  layout->addLayout(boardRow);
  OffsetLabel = new QLabel;
  OffsetLabel->setWordWrap(true);
  layout->addWidget(OffsetLabel);
  return box;
}

QWidget* PrinterPanel::BuildEeprom() {
  EepromTable = new QTableWidget(16, 16);
  EepromTable->setObjectName("EepromTable");
  EepromTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
  QStringList columns;
  QStringList rows;
  for (unsigned i = 0; i < 16; ++i) {
    columns << QString::asprintf("%X", i);
    rows << Hex2(i * 16);
  }
  EepromTable->setHorizontalHeaderLabels(columns);
  EepromTable->setVerticalHeaderLabels(rows);
  EepromTable->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
  EepromTable->verticalHeader()->setSectionResizeMode(QHeaderView::Stretch);
  QFont fixed("Monospace");
  fixed.setStyleHint(QFont::TypeWriter);
  EepromTable->setFont(fixed);
  for (int cell = 0; cell < static_cast<int>(EepromImage::Size); ++cell) {
    auto* item = new QTableWidgetItem(Hex2(ShownEeprom[cell]));
    item->setTextAlignment(Qt::AlignCenter);
    EepromTable->setItem(cell / 16, cell % 16, item);
  }
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(EepromTable);
  layout->addWidget(new QLabel(tr("Yellow: changed since the panel opened. Orange, flashing: just written.")));
  return page;
}

QWidget* PrinterPanel::BuildWire() {
  Wire = new QPlainTextEdit;
  Wire->setObjectName("Wire");
  Wire->setReadOnly(true);
  Wire->setMaximumBlockCount(WireLines);
  Wire->setLineWrapMode(QPlainTextEdit::NoWrap);
  QFont fixed("Monospace");
  fixed.setStyleHint(QFont::TypeWriter);
  Wire->setFont(fixed);
  return Wire;
}

QWidget* PrinterPanel::BuildPages() {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  auto* splitter = new QSplitter;
  PageList = new QListWidget;
  PageList->setObjectName("PageList");
  PageShown = new PageView;
  PageShown->setObjectName("PageView");
  splitter->addWidget(PageList);
  splitter->addWidget(PageShown);
  splitter->setStretchFactor(1, 1);
  splitter->setSizes({160, 900});
  layout->addWidget(splitter, 1);
  auto* zoomRow = new QHBoxLayout;
  const auto button = [&zoomRow](const QString& text, const QString& tip) {
    auto* b = new QPushButton(text);
    b->setToolTip(tip);
    zoomRow->addWidget(b);
    return b;
  };
  connect(button(tr("Whole sheet"), tr("Key 0")), &QPushButton::clicked, PageShown, &PageView::FitSheet);
  connect(button(tr("1:1"), tr("Key 1: one dot per screen pixel")), &QPushButton::clicked, PageShown,
          &PageView::ShowActualPixels);
  connect(button(tr("Zoom in"), tr("Key +, or Ctrl and the wheel")), &QPushButton::clicked, PageShown,
          &PageView::ZoomIn);
  connect(button(tr("Zoom out"), tr("Key -")), &QPushButton::clicked, PageShown, &PageView::ZoomOut);
  zoomRow->addStretch(1);
  layout->addLayout(zoomRow);
  connect(PageList, &QListWidget::currentRowChanged, this, &PrinterPanel::ShowSelectedPage);
  return page;
}

FaultSwitches PrinterPanel::SwitchesFromWidgets() const {
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

void PrinterPanel::ShowSwitches(const FaultSwitches& switches) {
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

void PrinterPanel::SwitchesEdited() {
  Printer.SetSwitches(SwitchesFromWidgets());
  Refresh();
}

void PrinterPanel::InkEdited(size_t index, int percent) {
  std::array<uint8_t, 6> quantities = Printer.InkQuantities();
  quantities[index] = static_cast<uint8_t>(percent);
  Printer.SetInkQuantities(quantities);
  ShowInk(Printer.Condition().Warnings);
}

void PrinterPanel::SetBidOffsets() {
  BidMechanics::Offsets offsets{};
  for (size_t i = 0; i < OffsetBoxes.size(); ++i) offsets[i] = OffsetBoxes[i]->value();
  std::string reason;
  OffsetLabel->setText(Printer.SetTrueBidOffsets(offsets, &reason)
                           ? tr("The head now prints with these offsets.")
                           : QString::fromStdString("Not set: " + reason + "."));
}

void PrinterPanel::Refresh() {
  Printer.CheckTrainerFiles();
  ShowSwitches(Printer.Switches());
  const PrinterCondition condition = Printer.Condition();
  ReportLabel->setText(Printer.PoweredOn() ? StateText(condition) : tr("nothing: switched off"));
  ShowBidOffsets();
  ShowInk(condition.Warnings);
  NozzleLabel->setText(tr("%1 nozzles clogged").arg(Printer.Head().CloggedCount()));
  Nozzles->update();
  ShowEeprom();
  ShowWire();
  ShowPages();
}

void PrinterPanel::ShowBidOffsets() {
  // Offsets being edited stay as the trainer typed them until "Set offsets".
  for (const QSpinBox* box : OffsetBoxes)
    if (box->hasFocus()) return;
  for (size_t i = 0; i < OffsetBoxes.size(); ++i) OffsetBoxes[i]->setValue(Printer.TrueBidOffsets()[i]);
}

void PrinterPanel::ShowInk(const std::vector<int>& warningCodes) {
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

bool PrinterPanel::CellFlashing(uint8_t address) const { return FlashUntil[address] > SinceOpen.elapsed(); }

void PrinterPanel::ShowEeprom() {
  const EepromImage::Cells& cells = Printer.Eeprom();
  const auto& writes = Printer.EepromWriteCounts();
  const qint64 now = SinceOpen.elapsed();
  FlashPhase = !FlashPhase;
  for (size_t cell = 0; cell < EepromImage::Size; ++cell) {
    if (writes[cell] != SeenWrites[cell]) FlashUntil[cell] = now + FlashMs;
    SeenWrites[cell] = writes[cell];
    QTableWidgetItem* item = EepromTable->item(static_cast<int>(cell / 16), static_cast<int>(cell % 16));
    if (ShownEeprom[cell] != cells[cell]) item->setText(Hex2(cells[cell]));
    ShownEeprom[cell] = cells[cell];
    const uint8_t address = static_cast<uint8_t>(cell);
    QBrush background;
    if (CellFlashing(address) && FlashPhase) {
      background = FlashColour;
    } else if (CellChanged(address)) {
      background = ChangedColour;
    }
    if (item->background() != background) item->setBackground(background);
    QFont font = item->font();
    if (font.bold() != CellChanged(address)) {
      font.setBold(CellChanged(address));
      item->setFont(font);
    }
  }
}

void PrinterPanel::ShowWire() {
  // The printer keeps only its latest records: WireRecordsShown counts all records ever, and
  // record i of Capture() is record CaptureDropped() + i of all.
  const std::vector<CaptureRecord>& records = Printer.Capture();
  const size_t dropped = Printer.CaptureDropped();
  const size_t total = dropped + records.size();
  if (total == WireRecordsShown) return;
  // Every record still kept passes the decoder (it follows the remote mode); only the last lines are shown.
  const size_t firstNew = std::max(WireRecordsShown, dropped);
  const size_t firstShown = total - std::min<size_t>(total - firstNew, WireLines);
  QStringList lines;
  if (firstNew > WireRecordsShown)
    lines << tr("... %1 blocks no longer kept ...").arg(static_cast<qulonglong>(firstNew - WireRecordsShown));
  for (size_t i = firstNew; i < total; ++i) {
    std::string line = WireDecoder.DescribeLine(records[i - dropped]);
    if (i >= firstShown) lines << QString::fromStdString(line);
  }
  WireRecordsShown = total;
  Wire->appendPlainText(lines.join('\n'));
}

void PrinterPanel::ShowPages() {
  const std::vector<QImage>& pages = Printer.Pages();
  if (pages.size() == PagesListed) return;
  const std::vector<std::string>& files = Printer.PageFiles();
  for (size_t i = PagesListed; i < pages.size(); ++i) {
    auto* item = new QListWidgetItem(tr("Page %1").arg(i + 1));
    if (i < files.size() && !files[i].empty()) {
      const QString path = QString::fromStdString(files[i]);
      item->setText(item->text() + "  " + QFileInfo(path).fileName());
      item->setToolTip(path);
    }
    PageList->addItem(item);
  }
  PagesListed = pages.size();
  // The newest page is what the trainer wants to see.
  PageList->setCurrentRow(static_cast<int>(PagesListed) - 1);
  Tabs->setCurrentIndex(0);
}

void PrinterPanel::ShowSelectedPage() {
  const int row = PageList->currentRow();
  if (row < 0) return;
  const size_t index = static_cast<size_t>(row);
  QImage page = index < Printer.Pages().size() ? Printer.Pages()[index] : QImage();
  // Older pages have left memory; their files are read back.
  if (page.isNull() && index < Printer.PageFiles().size()) page.load(QString::fromStdString(Printer.PageFiles()[index]));
  PageShown->ShowPage(page);
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
