#include "items/HeadIdItem.h"

#include "items/CapitalsEdit.h"
#include "ui_DalAdjust.h"

#include <QPainter>
#include <QKeyEvent>

namespace {

// Where the ID stands on a print head: a label on the head's side, 13 characters in one line.
QPixmap HeadIdPicture() {
  QPixmap picture(360, 150);
  picture.fill(Qt::white);
  QPainter painter(&picture);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(QColor(70, 70, 80), 2));
  painter.setBrush(QColor(200, 204, 212));
  painter.drawRoundedRect(40, 20, 280, 90, 8, 8);  // head body
  painter.setBrush(QColor(150, 154, 164));
  for (int i = 0; i < 6; ++i) painter.drawRect(60 + 40 * i, 110, 24, 14);  // nozzle plates
  painter.setBrush(Qt::white);
  painter.drawRect(90, 45, 180, 34);  // the label
  QFont font = painter.font();
  font.setFamily("Monospace");
  font.setPointSize(11);
  font.setBold(true);
  painter.setFont(font);
  painter.setPen(QColor(200, 0, 0));
  painter.drawText(QRect(90, 45, 180, 34), Qt::AlignCenter, "XXXXXXXXXXXXX");
  painter.setPen(QPen(QColor(200, 0, 0), 2));
  painter.drawLine(180, 79, 180, 140);
  painter.drawText(QRect(190, 126, 160, 20), Qt::AlignLeft | Qt::AlignVCenter, "13 digits Head ID");
  return picture;
}

}  // namespace

HeadIdItem::HeadIdItem(AdjustFrame& frame, TPHeadID& headId, ConfirmedWrites& confirm, WriteGuard& guard)
    : Frame(frame), Logic(frame, headId, confirm, guard) {
  Ui::TFormAdjust& ui = Frame.Controls();
  ui.HdVolRdoBtn->SetItems({"Check present data", "Change data"});
  ui.HdVolRdoBtn->SetItemIndex(0);
  ui.HeadIdImg->setPixmap(HeadIdPicture());
  ForceCapitals(ui.HdVolWrtEdit);
  connect(ui.HdVolWrtEdit, &QLineEdit::returnPressed, this, &HeadIdItem::HdVolWrtOKBtnClick);
  // Escape on the input panel is "Previous"; the field passes the key on to its panel.
  ui.HdVolWrtPnl->installEventFilter(this);
  connect(ui.HdVolOKBtn, &QPushButton::clicked, this, &HeadIdItem::HdVolOKBtnClick);
  connect(ui.HdVolWrtOKBtn, &QPushButton::clicked, this, &HeadIdItem::HdVolWrtOKBtnClick);
  connect(ui.HdVolWrtRtnBtn, &QPushButton::clicked, this, &HeadIdItem::HdVolWrtRtnBtnClick);
}

bool HeadIdItem::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
    HdVolWrtRtnBtnClick();
    return true;
  }
  return QObject::eventFilter(watched, event);
}

void HeadIdItem::HdVolOKBtnClick() {
  Ui::TFormAdjust& ui = Frame.Controls();
  if (ui.HdVolRdoBtn->ItemIndex() == 1) {
    Frame.ResetItemArea(false, false);
    ui.HdVolWrtPnl->show();
    ui.HdVolWrtEdit->setFocus();
    return;
  }
  Logic.ShowHeadId();
}

void HeadIdItem::HdVolWrtOKBtnClick() {
  Ui::TFormAdjust& ui = Frame.Controls();
  // One byte per typed character: a letter outside the alphabet fails at its position, not as a length.
  if (!Logic.WriteHeadId(ui.HdVolWrtEdit->text().toLatin1().toStdString())) {
    ui.HdVolWrtEdit->setFocus();  // the text stays in the field for correction
  }
}

void HeadIdItem::HdVolWrtRtnBtnClick() {
  Ui::TFormAdjust& ui = Frame.Controls();
  Frame.ResetItemArea(false, false);
  ui.HdVolWrtEdit->clear();
  ui.HdVolPnl->show();
}
