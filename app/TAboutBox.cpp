#include "app/TAboutBox.h"

#include "ui_DalAbout.h"

#include "platform/ProgramVersion.h"

#include <QPainter>
#include <QPixmap>

namespace {

// A 64 x 64 picture of a photo printer with a sheet coming out.
QPixmap ProgramIcon() {
  QPixmap picture(64, 64);
  picture.fill(Qt::transparent);
  QPainter painter(&picture);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(QColor(60, 60, 70), 2));
  painter.setBrush(Qt::white);
  painter.drawRect(18, 6, 28, 20);  // sheet in the feeder
  painter.setBrush(QColor(120, 130, 150));
  painter.drawRoundedRect(6, 22, 52, 24, 5, 5);  // body
  painter.setBrush(Qt::white);
  painter.drawRect(16, 42, 32, 16);  // printed sheet
  const QColor inks[] = {QColor(0, 170, 230), QColor(220, 0, 140), QColor(250, 220, 0), Qt::black};
  for (int i = 0; i < 4; ++i) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(inks[i]);
    painter.drawRect(20 + 6 * i, 46, 5, 8);
  }
  return picture;
}

}  // namespace

TAboutBox::TAboutBox() : Form(new Ui::TAboutBox) {
  Form->setupUi(this);
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  setFixedSize(size());
  Form->ProgramIconImg->setPixmap(ProgramIcon());
  Form->VersionLbl->setText(QString("Version ") + ProgramVersion);
  connect(Form->OKButton, &QPushButton::clicked, this, &QDialog::accept);
}

TAboutBox::~TAboutBox() { delete Form; }
