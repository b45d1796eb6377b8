#include "app/TFormBoot.h"

#include "app/ArvanaProgram.h"
#include "items/BusyCursor.h"
#include "app/TAboutBox.h"
#include "app/TFormAdjust.h"
#include "items/TStatusMonitorWindow.h"
#include "link/PortSurvey.h"
#include "service/ModelFromPrinter.h"
#include "ui_DalBoot.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QShowEvent>
#include <QStyledItemDelegate>

#include <algorithm>
#include <array>

namespace {

// Interface rows in the order the list shows them, with their PortIndex.
struct InterfaceRow {
  const char* Text;
  int16_t PortIndex;
};
constexpr std::array<InterfaceRow, 6> InterfaceRows{{
    {"LPT1", 3},
    {"LPT2", 4},
    {"LPT3", 5},
    {"VLUSB1", 0},
    {"VLUSB2", 1},
    {"VLUSB3", 2},
}};

constexpr std::array<uint16_t, 2> ModelCodes{ModelCode350, ModelCode360};

// Where the version menu opens relative to the pointer, as the technician knows it.
constexpr int MenuOffsetX = 3;
constexpr int MenuOffsetY = 20;

// Where an interface row keeps its note, which is also its tool tip: the row's text stays the
// interface's name alone.
constexpr int FoundOnPortRole = Qt::ToolTipRole;
constexpr const char* NothingFoundText = "nothing found";
constexpr const char* UnknownModelText = "a printer of unknown model";
constexpr const char* ConfirmOtherModelText = "Go on with the ";

// The note of one port: the model of the printer on a USB port, or that nothing is there. A
// parallel port does not say what is on it: no note.
QString FoundText(const PortFinding& finding) {
  if (!IsUsbPort(finding.PortIndex)) return {};
  if (!finding.PrinterFound) return NothingFoundText;
  return finding.ModelCode != 0 ? ModelName(finding.ModelCode) : UnknownModelText;
}

// The chosen port's note under the list: on a real USB port also the route and the device node
// the program will open ("Arvana Print 360, through usblp on /dev/usb/lp0").
QString ChosenFoundText(const PortFinding& finding) {
  QString text = FoundText(finding);
  if (finding.PrinterFound && finding.Route && *finding.Route != UsbRoute::Virtual)
    text += QString(", through %1 on %2")
                .arg(QString::fromUtf8(UsbRouteName(*finding.Route)), QString::fromStdString(finding.DeviceNode));
  return text;
}

// Draws an interface row of the open list as its name followed by its note.
class PortRowDelegate : public QStyledItemDelegate {
public:
  using QStyledItemDelegate::QStyledItemDelegate;

protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
    QStyledItemDelegate::initStyleOption(option, index);
    const QString found = index.data(FoundOnPortRole).toString();
    if (!found.isEmpty()) option->text += QString("    (%1)").arg(found);
  }
};

}  // namespace

TFormBoot::TFormBoot(ArvanaProgram& program) : Program(program), Form(new Ui::TFormBoot), PopupMenu(new QMenu(this)) {
  Form->setupUi(this);
  setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
  setFixedSize(sizeHint());
  QAction* version = PopupMenu->addAction("Version");
  version->setObjectName("VersionMenuItem");
  PopupMenu->setObjectName("BootPopupMenu");
  connect(version, &QAction::triggered, this, &TFormBoot::VersionClick);
  connect(Form->PortSelectOKBtn, &QPushButton::clicked, this, &TFormBoot::PortSelectOKBtnClick);
  connect(Form->ProEndBtn, &QPushButton::clicked, this, &TFormBoot::ProEndBtnClick);
  connect(Form->ModelNameCombo, &QComboBox::currentIndexChanged, this, &TFormBoot::SetUsePortName);
  connect(Form->UsePortCombo, &QComboBox::activated, this, &TFormBoot::UsePortComboActivated);
  connect(Form->UsePortCombo, &QComboBox::currentIndexChanged, this, [this] { ShowWhatIsOnThePorts(); });
  Form->UsePortCombo->setItemDelegate(new PortRowDelegate(Form->UsePortCombo));
  Form->ModelNameCombo->setCurrentIndex(-1);
}

TFormBoot::~TFormBoot() { delete Form; }

int16_t TFormBoot::GetPortIndex() const {
  const int row = Form->UsePortCombo->currentIndex();
  return row >= 0 && row < static_cast<int>(InterfaceRows.size()) ? InterfaceRows[static_cast<size_t>(row)].PortIndex
                                                                   : -1;
}

uint16_t TFormBoot::SelectedModelCode() const {
  const int row = Form->ModelNameCombo->currentIndex();
  return row >= 0 && row < static_cast<int>(ModelCodes.size()) ? ModelCodes[static_cast<size_t>(row)] : 0;
}

void TFormBoot::SetUsePortName() {
  // Another model keeps the interface chosen: the rows are the same six, and a model the printer
  // named may be changed by hand without choosing the interface again.
  const int chosenRow = Form->UsePortCombo->currentIndex();
  const QSignalBlocker quiet(Form->UsePortCombo);
  Form->UsePortCombo->clear();
  if (Form->ModelNameCombo->currentIndex() < 0) {
    ShowWhatIsOnThePorts();
    return;
  }
  for (const InterfaceRow& row : InterfaceRows) Form->UsePortCombo->addItem(row.Text);
  Form->UsePortCombo->setCurrentIndex(chosenRow);
  ShowWhatIsOnThePorts();
}

void TFormBoot::ShowWhatIsOnThePorts() {
  QString chosenNote;
  const Outcome<std::vector<PortFinding>> findings = SurveyPorts(Program.Services.Ports);
  for (int row = 0; row < Form->UsePortCombo->count(); ++row) {
    const int16_t portIndex = InterfaceRows[static_cast<size_t>(row)].PortIndex;
    const QString note = findings ? FoundText((*findings)[static_cast<size_t>(portIndex)]) : QString();
    Form->UsePortCombo->setItemData(row, note, FoundOnPortRole);
    if (row == Form->UsePortCombo->currentIndex() && findings)
      chosenNote = ChosenFoundText((*findings)[static_cast<size_t>(portIndex)]);
  }
  Form->UsePortFoundLbl->setText(chosenNote);
}

void TFormBoot::UsePortComboActivated(int row) {
  if (row < 0 || row >= static_cast<int>(InterfaceRows.size())) return;
  const int16_t portIndex = InterfaceRows[static_cast<size_t>(row)].PortIndex;
  const uint16_t named = SurveyPort(Program.Services.Ports, portIndex).ModelCode;
  const auto model = std::find(ModelCodes.begin(), ModelCodes.end(), named);
  if (model == ModelCodes.end()) return;
  // The interface rows are the same for both models: they stay as they are, with the choice.
  const QSignalBlocker keepRows(Form->ModelNameCombo);
  Form->ModelNameCombo->setCurrentIndex(static_cast<int>(model - ModelCodes.begin()));
}

bool TFormBoot::ModelChoiceConfirmed() {
  const int16_t portIndex = GetPortIndex();
  const std::string other =
      OtherModelText(portIndex, SurveyPort(Program.Services.Ports, portIndex).ModelCode, SelectedModelCode());
  if (other.empty()) return true;
  const std::string question = other + "\n\n" + ConfirmOtherModelText + ModelName(SelectedModelCode()) + "?";
  return Program.Services.Boxes.ShowMessage(DialogKind::Warning, question, DialogButtons::OkCancel) == DialogAnswer::Ok;
}

void TFormBoot::showEvent(QShowEvent* event) {
  // Each visit chooses model and interface anew; the interface rows stay.
  // Restoring the minimised window keeps what was chosen.
  if (!event->spontaneous()) {
    Form->UsePortCombo->setCurrentIndex(-1);
    const QSignalBlocker keepRows(Form->ModelNameCombo);
    Form->ModelNameCombo->setCurrentIndex(-1);
  }
  ShowWhatIsOnThePorts();  // a printer may have been plugged in or switched on meanwhile
  QDialog::showEvent(event);
}

void TFormBoot::PortSelectOKBtnClick() {
  if (SelectedModelCode() != 0 && GetPortIndex() >= 0 && !ModelChoiceConfirmed()) return;
  BusyCursor busy;
  if (SelectedModelCode() == 0 || GetPortIndex() < 0) return;

  TFormAdjust& adjust = Program.Adjust();
  adjust.SetModelName(ModelName(SelectedModelCode()));
  adjust.SetNormalItems();

  TPDalD4Comm& comm = Program.Comm;
  Program.Record.BeginVisit();
  if (!comm.StartLinkToControlChannel(GetPortIndex())) {
    // The start window stays with its choices; OK may be pressed again.
    Program.Status.StatusCode = StatusError;
    Program.Status.ErrorCode = ErrorCommunication;
    return;
  }
  adjust.show();
  hide();
  comm.RequestStatus();
  if (Program.Status.StatusCode != StatusReady) {
    // The data channel stays closed until the printer is ready at a later start-up.
    Program.Monitor().RefreshStatus();
  } else {
    comm.OpenChannel(DataSocket);
  }
  // The control channel is open either way: what earlier runs left unfinished can be written now.
  adjust.OfferUnfinishedWrites();
}

void TFormBoot::ProEndBtnClick() { close(); }

void TFormBoot::reject() { close(); }

void TFormBoot::closeEvent(QCloseEvent* event) {
  // The start window is the main window: closing it ends the program.
  event->accept();
  QApplication::quit();
}

void TFormBoot::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::RightButton) {
    QDialog::mouseReleaseEvent(event);
    return;
  }
  const QPoint client = event->position().toPoint();
  const QRect outer = frameGeometry();
  PopupMenu->popup(QPoint(outer.left() + client.x() + MenuOffsetX, outer.top() + client.y() + MenuOffsetY));
}

void TFormBoot::VersionClick() { Program.About().exec(); }
