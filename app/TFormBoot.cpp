#include "app/TFormBoot.h"

#include "app/ArvanaProgram.h"
#include "items/BusyCursor.h"
#include "app/TAboutBox.h"
#include "app/TFormAdjust.h"
#include "items/TStatusMonitorWindow.h"
#include "ui_DalBoot.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QShowEvent>

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
  Form->UsePortCombo->clear();
  if (Form->ModelNameCombo->currentIndex() < 0) return;
  for (const InterfaceRow& row : InterfaceRows) Form->UsePortCombo->addItem(row.Text);
  Form->UsePortCombo->setCurrentIndex(-1);
}

void TFormBoot::showEvent(QShowEvent* event) {
  // Each visit chooses model and interface anew; the interface rows stay.
  // Restoring the minimised window keeps what was chosen.
  if (!event->spontaneous()) {
    Form->UsePortCombo->setCurrentIndex(-1);
    const QSignalBlocker keepRows(Form->ModelNameCombo);
    Form->ModelNameCombo->setCurrentIndex(-1);
  }
  QDialog::showEvent(event);
}

void TFormBoot::PortSelectOKBtnClick() {
  BusyCursor busy;
  if (SelectedModelCode() == 0 || GetPortIndex() < 0) return;

  TFormAdjust& adjust = Program.Adjust();
  adjust.SetModelName(ModelName(SelectedModelCode()));
  adjust.SetNormalItems();

  TPDalD4Comm& comm = Program.Comm;
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
