#include "app/TFormAdjust.h"

#include "app/ArvanaProgram.h"
#include "items/BusyCursor.h"
#include "app/QtClock.h"
#include "app/TFormBoot.h"
#include "app/TFormQuit.h"
#include "link/LinkWire.h"
#include "platform/NewFile.h"
#include "service/BackupFile.h"
#include "service/UnfinishedLogic.h"
#include "items/TStatusMonitorWindow.h"
#include "ui_DalAdjust.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QLabel>
#include <QLineEdit>
#include <QCheckBox>
#include <QTableWidget>
#include <QTextCursor>

#include <filesystem>

#include <array>
#include <cstdio>
#include <optional>

namespace {

// Every panel of the item area; the items add theirs to the window, and
// whichever exist are hidden when the area is reset.
constexpr std::array<const char*, 29> ItemPanels{
    "HdVolPnl",       "HdVolWrtPnl",   "BidPnl",          "BidPrnPnl",       "UsbIdPnl",        "UsbIdInputPnl",
    "BidInputPnl",    "LandMarginPnl", "CleaningPnl",     "ChargePnl",       "CounterPnl",      "CounterCheckPnl",
    "CounterClearPnl", "EepromCheckPnl", "EepromReadPnl", "EepromGridPnl",   "EepromWritePnl",  "A4CheckPrnPnl",
    "DefaultSetPnl",  "TraStep0Pnl",   "NotePnl",         "TraStep1Pnl",     "TraStep2Pnl",     "TransPnl",
    "TraStep3Pnl",    "TraStep4Pnl",   "TopMarginMainPnl", "TopMarginPnl",   "EepromBackupPnl"};

constexpr std::array<const char*, 9> InputEdits{"HdVolWrtEdit",    "UsbIdInputEdit",  "LandMarginEdit",
                                                "MsBkBidWrtEdit",  "MsClBidWrtEdit",  "Pl6BkBidWrtEdit",
                                                "Pl6ClBidWrtEdit", "Pl4BkBidWrtEdit", "Pl4ClBidWrtEdit"};

constexpr std::array<const char*, 6> BidCheckBoxes{"BidMsBkCheckBox",  "BidMsClCheckBox",  "Bid6plBkCheckBox",
                                                   "Bid6plClCheckBox", "Bid4plBkCheckBox", "Bid4plClCheckBox"};


// The label of each field of "Adjusted items", in the order of SummaryField.
constexpr std::array<const char*, 11> SummaryFieldLabels{"ShowHdVolIDPnl", "ShowMsBkPnl",  "ShowMsClPnl",
                                                         "Show6plBkPnl",   "Show6plClPnl", "Show4plBkPnl",
                                                         "Show4plClPnl",   "ShowUSBIDLbl", "ShowProCounterPnl",
                                                         "ShowTopMarginPnl", "ShowFirstDotPnl"};
static_assert(SummaryFieldLabels.size() == static_cast<size_t>(SummaryField::FirstDot) + 1);

// Panels chosen by the rows of each selector.
constexpr std::array<const char*, 6> AdjustPanels{"DefaultSetPnl", "HdVolPnl",         "BidPnl",
                                                  "UsbIdPnl",      "TopMarginMainPnl", "LandMarginPnl"};
constexpr std::array<const char*, 4> RestrictedPanels{"DefaultSetPnl", "CounterPnl", "EepromCheckPnl",
                                                      "EepromBackupPnl"};
constexpr std::array<const char*, 6> MaintenancePanels{"CleaningPnl",    "ChargePnl",      "TraStep0Pnl",
                                                       "CounterPnl",     "EepromCheckPnl", "EepromBackupPnl"};

constexpr int FirstDotPositionRow = 5;
constexpr int DisableTimerMs = 1000;
constexpr int IdleRetryMs = 50;  // how soon the timer looks again whether a wait has ended

const QColor BusyBlue(0, 0, 255);
const QColor ErrorRed(255, 0, 0);

}  // namespace

const QStringList TFormAdjust::NormalItems{"EEPROM initial setting", "Head ID",    "Bi-D",
                                           "USB ID",                 "Top margin", "First dot position"};
const QStringList TFormAdjust::RestrictedItemList{"EEPROM initial setting", "Protection counter", "EEPROM check",
                                                  "EEPROM backup data"};

TFormAdjust::TFormAdjust(ArvanaProgram& program)
    : Program(program),
      Session(program.Comm, program.Services.Time),
      Form(new Ui::TFormAdjust),
      DisableTimer(new QTimer(this)) {
  Form->setupUi(this);
  setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
  setFixedSize(size());
  Form->MentRdoGrp->SetItems({"Head cleaning", "Ink charge", "Refurbishment for DOA", "Protection counter check",
                              "EEPROM check", "EEPROM backup data"});
  DisableTimer->setObjectName("DisableTimer");
  DisableTimer->setSingleShot(true);
  DisableTimer->setInterval(DisableTimerMs);
  connect(DisableTimer, &QTimer::timeout, this, &TFormAdjust::DisableTimerTimer);
  connect(Form->AdjustRdoGrp, &RadioGroup::Clicked, this, &TFormAdjust::AdjustRdoGrpClick);
  connect(Form->MentRdoGrp, &RadioGroup::Clicked, this, &TFormAdjust::MentRdoGrpClick);
  connect(Form->A4patRdoBtn, &QRadioButton::clicked, this, &TFormAdjust::A4patRdoBtnClick);
  connect(Form->AdjustmentTab, &QTabWidget::currentChanged, this, &TFormAdjust::AdjustmentTabChange);
  connect(Form->AdjustRtnBtn, &QPushButton::clicked, this, &TFormAdjust::AdjustRtnBtnClick);
  connect(Form->GetStatusBtn, &QPushButton::clicked, this, &TFormAdjust::GetStatusBtnClick);
  connect(Form->ServiceReportBtn, &QPushButton::clicked, this, [this] { Program.ShowServiceReport(); });
  Form->MessageRdoGrp->SetItems({"Yes", "No"});
  Form->MessageRdoGrp->SetItemIndex(0);
  connect(Form->MessageOKBtn, &QPushButton::clicked, this, &TFormAdjust::MessageOKBtnClick);
  connect(Form->MainRtnBtn, &QPushButton::clicked, this, &TFormAdjust::MainRtnBtnClick);
  WriteGridHeaders();
  HideItemPanels();  // the window opens on the empty item area
  DisableTimer->start();
}

void TFormAdjust::WriteGridHeaders() {
  // Row 0 holds the low digit of the address, column 0 the high digit.
  QTableWidget* grid = Form->EepromStrGrid;
  for (int digit = 0; digit < 16; ++digit) {
    const QString text = QString::number(digit, 16).toUpper();
    grid->setItem(0, digit + 1, new QTableWidgetItem(text));
    grid->setItem(digit + 1, 0, new QTableWidgetItem(text));
    for (QTableWidgetItem* header : {grid->item(0, digit + 1), grid->item(digit + 1, 0)}) {
      header->setTextAlignment(Qt::AlignCenter);
      header->setBackground(palette().button());
    }
  }
}

TFormAdjust::~TFormAdjust() {
  SetWaiting(false);  // a program ended in the middle of a wait leaves no busy cursor behind
  delete Form;
}

void TFormAdjust::SetModelName(const QString& name) { Form->IndividualModelNameLbl->setText(name); }

void TFormAdjust::SetNormalItems() {
  Form->AdjustRdoGrp->SetItems(NormalItems);
  RestrictedItems = false;
}

// --- Message area.

void TFormAdjust::ReplaceMemo(const QString& text, const QColor& color) {
  Form->StatusMemo->clear();
  MemoColor = color;
  AppendMemo(text);
}

void TFormAdjust::AppendMemo(const QString& text) {
  QTextCursor cursor(Form->StatusMemo->document());
  cursor.movePosition(QTextCursor::End);
  QTextCharFormat format;
  format.setForeground(MemoColor);
  format.setFontWeight(QFont::Bold);
  cursor.insertText(text, format);
}

void TFormAdjust::WriteStatus(WriteStatusKind kind, const QString& text) {
  switch (kind) {
    case wsPlain:
      ReplaceMemo(text, Qt::black);
      break;
    case wsDone:
      if (!FinishBusy()) return;
      ReplaceMemo(text, Qt::black);
      break;
    case wsBusy:
      DisableTimer->stop();  // the window stays disabled until the item's wsDone
      ReplaceMemo(text, BusyBlue);
      setCursor(Qt::WaitCursor);
      setEnabled(false);
      SetWaiting(true);
      break;
    case wsError:
      ReplaceMemo(text, ErrorRed);
      unsetCursor();
      SetWaiting(false);
      break;
    case wsAppend:
      AppendMemo(text);
      break;
    case wsNewLine:
      AppendMemoLine(text, Qt::black);
      break;
  }
  Form->StatusMemo->repaint();
  repaint();
}

bool TFormAdjust::FinishBusy() {
  if (!CheckPrinterReady()) {
    // The window is given back at once, so the technician can reach
    // "Get status" and the items that work while the printer is in error.
    WriteStatus(wsError, "Printer is error.");
    setEnabled(true);
    return false;
  }
  setEnabled(true);
  unsetCursor();
  SetWaiting(false);
  DisableTimer->start();
  return true;
}

void TFormAdjust::SetWaiting(bool waiting) {
  // A disabled window shows no cursor of its own, so the wait is shown over the whole program.
  if (waiting == Waiting) return;
  Waiting = waiting;
  if (waiting) {
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  } else {
    QGuiApplication::restoreOverrideCursor();
  }
}

void TFormAdjust::AddErrorLine(const QString& text) {
  AppendMemoLine(text, ErrorRed);
  Form->StatusMemo->repaint();
  repaint();
}

void TFormAdjust::AppendMemoLine(const QString& text, const QColor& color) {
  MemoColor = color;
  AppendMemo(Form->StatusMemo->document()->isEmpty() ? text : "\n" + text);
}

void TFormAdjust::ClearMessages() {
  Form->StatusMemo->clear();
  MemoColor = Qt::black;
}

void TFormAdjust::ReplaceMessage(const std::string& text) { ReplaceMemo(QString::fromStdString(text), Qt::black); }

void TFormAdjust::AddMessageLine(const std::string& text) {
  WriteStatus(wsNewLine, QString::fromStdString(text));
}

void TFormAdjust::SetBusyCursor(bool busy) {
  if (busy) {
    setCursor(Qt::WaitCursor);
  } else {
    unsetCursor();
  }
}

void TFormAdjust::EnterErrorMode() {
  Form->MentRdoGrp->setEnabled(false);
  Form->A4patRdoBtn->setEnabled(false);
  Form->AdjustmentTab->setTabText(0, "");
  Form->AdjustRdoGrp->setTitle("");
  Form->AdjustRdoGrp->SetItems(RestrictedItemList);
  RestrictedItems = true;
}

void TFormAdjust::EnterNormalMode() {
  Form->MentRdoGrp->setEnabled(true);
  Form->A4patRdoBtn->setEnabled(true);
  Form->AdjustmentTab->setTabText(0, "Adjustment");
  Form->AdjustRdoGrp->setTitle("Adjustment items");
  SetModelName(ModelName(Program.Boot().SelectedModelCode()));
  SetNormalItems();
}

// --- Item area.

bool TFormAdjust::CheckPrinterReady() {
  const bool waitingBefore = Waiting;
  SetWaiting(true);
  // A printer that was not ready at connection gets its data channel here, before the item sends anything.
  const bool ready = Session.WaitUntilReadyOrError();
  SetWaiting(waitingBefore);
  return ready;
}

void TFormAdjust::ShowCanvas() { Form->CanvasPnl->show(); }

void TFormAdjust::SetMessageAreaVisible(bool visible) { Form->StatusMemo->setVisible(visible); }

void TFormAdjust::HideItemPanels() {
  for (const char* name : ItemPanels) {
    if (QWidget* panel = findChild<QWidget*>(name)) panel->hide();
  }
}

void TFormAdjust::ShowPanel(const char* name) {
  if (QWidget* panel = findChild<QWidget*>(name)) panel->show();
}

void TFormAdjust::ResetItemArea(bool keepText, bool resetBidCount) {
  // Queued, not flushed: it goes out ahead of the next print data.
  const auto& reset = LinkWire::PrinterReset;
  if (Program.Comm.DataChannelOpen()) Program.Comm.SendData(reset.data(), reset.size());
  Form->CanvasPnl->hide();
  HideItemPanels();
  if (resetBidCount) BidPrintCount = 1;
  if (!keepText) Form->StatusMemo->clear();
  Form->StatusMemo->show();
  MemoColor = Qt::black;
  Form->StatusMemo->setAlignment(Qt::AlignLeft);
  for (const char* name : InputEdits) {
    if (auto* edit = findChild<QLineEdit*>(name)) edit->clear();
  }
  for (const char* name : BidCheckBoxes) {
    if (auto* box = findChild<QCheckBox*>(name)) box->setChecked(false);
  }
}

void TFormAdjust::AdjustRdoGrpClick(int index) {
  ResetItemArea(false, true);
  if (RestrictedItems) {
    if (index >= 0 && index < static_cast<int>(RestrictedPanels.size())) ShowPanel(RestrictedPanels[static_cast<size_t>(index)]);
  } else if (index >= 0 && index < static_cast<int>(AdjustPanels.size())) {
    ShowPanel(AdjustPanels[static_cast<size_t>(index)]);
  }
  Form->MentRdoGrp->SetItemIndex(-1);
  Form->A4patRdoBtn->setChecked(false);
  if (!RestrictedItems && index == FirstDotPositionRow) emit FirstDotPositionChosen();
}

void TFormAdjust::MentRdoGrpClick(int index) {
  ResetItemArea(false, true);
  if (index >= 0 && index < static_cast<int>(MaintenancePanels.size())) {
    ShowPanel(MaintenancePanels[static_cast<size_t>(index)]);
  }
  Form->AdjustRdoGrp->SetItemIndex(-1);
  Form->A4patRdoBtn->setChecked(false);
}

void TFormAdjust::A4patRdoBtnClick() {
  ResetItemArea(false, true);
  Form->A4patRdoBtn->setChecked(true);
  ShowPanel("A4CheckPrnPnl");
  Form->AdjustRdoGrp->SetItemIndex(-1);
  Form->MentRdoGrp->SetItemIndex(-1);
}

void TFormAdjust::AdjustmentTabChange(int /*page*/) {
  ResetItemArea(false, false);
  Form->CanvasPnl->show();
  Form->StatusMemo->clear();
  Form->AdjustRdoGrp->SetItemIndex(-1);
  Form->MentRdoGrp->SetItemIndex(-1);
  Form->A4patRdoBtn->setChecked(false);
}

void TFormAdjust::GetStatusBtnClick() {
  ResetItemArea(false, false);
  Form->CanvasPnl->show();
  if (!Program.Driver.IsOpen()) {
    // A backup that ended without finding the printer again left no port to ask through.
    WriteStatus(wsError, "The printer is not connected: quit and connect again.");
    return;
  }
  Program.Monitor().RefreshStatus();
  Session.OpenDataChannelIfReady();
}

void TFormAdjust::MessageOKBtnClick() {
  // Only with the transportation liquid in the dummy cartridges may the exchange begin.
  const bool injected = Form->MessageRdoGrp->ItemIndex() == 0;
  ResetItemArea(false, false);
  (injected ? Form->TraStep1Pnl : Form->NotePnl)->show();
}

void TFormAdjust::MainRtnBtnClick() {
  ResetItemArea(false, false);
  Form->TraStep0Pnl->show();
}

void TFormAdjust::DisableTimerTimer() {
  // A wait in progress keeps the window as the running item set it; the
  // timer takes effect once the program is idle again.
  if (QtClock::InPause()) {
    QTimer::singleShot(IdleRetryMs, this, &TFormAdjust::DisableTimerTimer);
    return;
  }
  setEnabled(true);
}

void TFormAdjust::showEvent(QShowEvent* event) {
  // Centred on the screen, as the start window is.
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect frame = frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
  }
  QWidget::showEvent(event);
}

// --- Closing.

void TFormAdjust::AdjustRtnBtnClick() { close(); }

void TFormAdjust::closeEvent(QCloseEvent* event) {
  // While an item has locked "Quit" (the transport liquid exchange between its
  // first carriage move and exchange 2), the close box must not end the visit either.
  if (!Form->AdjustRtnBtn->isEnabled()) {
    event->ignore();
    return;
  }
  FormClose();
  event->accept();
}

void TFormAdjust::SetSummary(SummaryField field, const std::string& text) {
  if (auto* label = findChild<QLabel*>(SummaryFieldLabels[static_cast<size_t>(field)]))
    label->setText(QString::fromStdString(text));
}

void TFormAdjust::ClearSummary() {
  for (const char* name : SummaryFieldLabels) {
    if (auto* field = findChild<QLabel*>(name)) field->clear();
  }
}

ServiceRecord* TFormAdjust::Record() { return &Program.Record; }

void TFormAdjust::ShutDownForSignal() { ShutDownLink(false); }

void TFormAdjust::OfferUnfinishedWrites() {
  for (const std::string& path : RemoveLeftOverTemporaries(BackupFolder()))
    AddErrorLine(QString::fromStdString("A backup an interrupted program did not finish was removed: " + path));
  std::vector<std::string> problems;
  const std::vector<FoundNote> notes = Program.Guard.Unfinished(&problems);
  for (const std::string& problem : problems)
    AddErrorLine(QString::fromStdString("A note of an unfinished write cannot be read: " + problem));
  if (notes.empty()) return;
  const std::string summary = UnfinishedLogic::Summary(notes);
  const DialogAnswer answer = Program.Services.Boxes.ShowMessage(
      DialogKind::Confirmation, summary + "\n\nWrite the intended values into the printer again now?",
      DialogButtons::YesNoDefaultNo);
  if (answer != DialogAnswer::Yes) {
    AddErrorLine(QString::fromStdString(summary + "\nIt stays noted until it is finished."));
    return;
  }
  UnfinishedLogic logic(*this, Program.Comm, Program.Guard);
  for (const FoundNote& note : notes) {
    if (!std::filesystem::exists(note.Path)) continue;  // forgotten meanwhile by another program
    if (!logic.Finish(note)) return;
  }
}

void TFormAdjust::ShutDownLink(bool tellTechnician) {
  std::optional<BusyCursor> busy;  // from the reset until the port is closed
  ResetNotice notice;
  notice.Starting = [this, &busy, tellTechnician] {
    if (tellTechnician) {
      Program.Services.Boxes.ShowMessage(DialogKind::Information,
                                         "This program starts to initialize the printer.\nPlease wait about 15 seconds.",
                                         DialogButtons::Ok);
    }
    busy.emplace();
  };
  // A printer switched off or a pulled cable must not keep the technician
  // from the continue window: the visit ends with the port closed all the same.
  notice.Unacknowledged = [this] {
    std::fprintf(stderr, "%s the printer did not acknowledge the reset; the port is closed without it\n",
                 Program.Driver.ChosenPortName());
  };
  notice.Refused = [this] {
    std::fprintf(stderr, "%s the printer answered the reset with busy: it was not reset\n",
                 Program.Driver.ChosenPortName());
  };
  Session.End(!SkipResetOnClose, notice);
  Program.Record.EndVisit();
}

void TFormAdjust::FormClose() {
  ResetItemArea(false, false);
  ClearSummary();
  ShutDownLink(true);
  SkipResetOnClose = false;  // the skipped reset belonged to this visit only
  Form->CanvasPnl->show();
  Form->AdjustRdoGrp->SetItemIndex(-1);
  Form->MentRdoGrp->SetItemIndex(-1);
  for (const char* name : {"HdVolRdoBtn", "BidRdoBtn", "CounterRdoBtn"}) {
    if (auto* list = findChild<RadioGroup*>(name)) list->SetItemIndex(0);
  }
  Form->A4patRdoBtn->setChecked(false);
  {
    const QSignalBlocker quiet(Form->AdjustmentTab);
    Form->AdjustmentTab->setCurrentIndex(0);
  }
  hide();
  Program.Quit().Ask(Program.Boot());
  // The next connection fills the item list afresh.
  for (QWidget* control : std::initializer_list<QWidget*>{Form->MentRdoGrp, Form->A4patRdoBtn, Form->AdjustmentTab,
                                                          Form->AdjustRtnBtn, Form->GetStatusBtn}) {
    control->setEnabled(true);
  }
  Form->AdjustmentTab->setTabText(0, "Adjustment");
  Form->AdjustRdoGrp->setTitle("Adjustment items");
  Form->AdjustRdoGrp->SetItems({});
  RestrictedItems = false;
}
