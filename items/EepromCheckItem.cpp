#include "items/EepromCheckItem.h"

#include "items/BusyCursor.h"
#include "service/ConfirmedWrites.h"
#include "service/TPDalEeprom.h"
#include "items/CapitalsEdit.h"
#include "ui_DalAdjust.h"

#include <array>

namespace {

constexpr int GridDigits = 16;  // the table shows 16 rows of 16 cells below and beside its headers
const QString UnreadCell = "??";

QString TwoHexDigits(int value) { return QString("%1").arg(value, 2, 16, QChar('0')).toUpper(); }

}  // namespace

EepromCheckItem::EepromCheckItem(AdjustFrame& frame, TPDalD4Comm& comm) : Frame(frame), Comm(comm) {
  Ui::TFormAdjust& ui = Frame.Controls();
  ui.EepromCheckRdoGrp->SetItems({"Check the EEPROM data", "Change the EEPROM data"});
  ui.EepromCheckRdoGrp->SetItemIndex(0);
  for (QLineEdit* edit : {ui.EepReadBegEdit, ui.EepReadEndEdit, ui.EepWriteAddEdit, ui.EepWriteDataEdit}) {
    ForceCapitals(edit);
  }
  connect(ui.EepromCheckOkBtn, &QPushButton::clicked, this, &EepromCheckItem::EepromCheckOkBtnClick);
  connect(ui.EepromReadOkBtn, &QPushButton::clicked, this, &EepromCheckItem::EepromReadOkBtnClick);
  connect(ui.EepromReadRtnBtn, &QPushButton::clicked, this, &EepromCheckItem::EepromReadRtnBtnClick);
  connect(ui.EepromGridRtnBtn, &QPushButton::clicked, this, &EepromCheckItem::EepromGridRtnBtnClick);
  connect(ui.EepromWriteOkBtn, &QPushButton::clicked, this, &EepromCheckItem::EepromWriteOkBtnClick);
  connect(ui.EepromWriteRtnBtn, &QPushButton::clicked, this, &EepromCheckItem::EepromWriteRtnBtnClick);
  // Enter in a field is OK of its panel.
  for (QLineEdit* edit : {ui.EepReadBegEdit, ui.EepReadEndEdit}) {
    connect(edit, &QLineEdit::returnPressed, this, &EepromCheckItem::EepromReadOkBtnClick);
  }
  for (QLineEdit* edit : {ui.EepWriteAddEdit, ui.EepWriteDataEdit}) {
    connect(edit, &QLineEdit::returnPressed, this, &EepromCheckItem::EepromWriteOkBtnClick);
  }
}

void EepromCheckItem::EepromCheckOkBtnClick() {
  Ui::TFormAdjust& ui = Frame.Controls();
  Frame.ResetItemArea(false, false);
  if (ui.EepromCheckRdoGrp->ItemIndex() == 1) {
    ui.EepromWritePnl->show();
    ui.EepWriteAddEdit->clear();
    ui.EepWriteDataEdit->clear();
    ui.EepWriteAddEdit->setFocus();
    return;
  }
  ui.EepromReadPnl->show();
  ui.EepReadBegEdit->clear();
  ui.EepReadEndEdit->clear();
  ui.EepReadBegEdit->setFocus();
}

void EepromCheckItem::RejectInput(QLineEdit* focus) {
  Frame.WriteStatus(wsError, "Input data is wrong.");
  focus->setFocus();
}

void EepromCheckItem::EepromReadOkBtnClick() {
  Ui::TFormAdjust& ui = Frame.Controls();
  const QString beginText = ui.EepReadBegEdit->text();
  const QString endText = ui.EepReadEndEdit->text();
  if (beginText.size() != 2 || endText.size() != 2) return RejectInput(ui.EepReadBegEdit);
  const int begin = TPDalEeprom::HexToByte(beginText.toStdString());
  const int end = TPDalEeprom::HexToByte(endText.toStdString());
  if (begin == InvalidHexByte || end == InvalidHexByte || begin > end) return RejectInput(ui.EepReadBegEdit);
  ShowRange(begin, end);
}

void EepromCheckItem::ShowRange(int begin, int end) {
  Ui::TFormAdjust& ui = Frame.Controls();
  QTableWidget* grid = ui.EepromStrGrid;
  for (int row = 1; row <= GridDigits; ++row) {
    for (int column = 1; column <= GridDigits; ++column) grid->setItem(row, column, new QTableWidgetItem());
  }
  Frame.ResetItemArea(false, false);
  Frame.SetMessageAreaVisible(false);
  ui.EepromGridPnl->show();
  BusyCursor busy;
  for (int address = begin; address <= end; ++address) {
    const int row = address / GridDigits + 1;
    const int column = address % GridDigits + 1;
    QTableWidgetItem* cell = grid->item(row, column);
    // A cell whose read got no reply says so instead of showing what an older reply left behind.
    uint8_t value = 0;
    const bool read = Comm.ControlTryReadEeprom(static_cast<uint8_t>(address), value);
    cell->setText(read ? TwoHexDigits(value) : UnreadCell);
    cell->setTextAlignment(Qt::AlignCenter);
    // Painted at once: the table grows cell by cell while the technician watches.
    grid->viewport()->repaint(grid->visualItemRect(cell));
  }
}

void EepromCheckItem::EepromReadRtnBtnClick() {
  Frame.ResetItemArea(false, false);
  Frame.Controls().EepromCheckPnl->show();
}

void EepromCheckItem::EepromGridRtnBtnClick() {
  Ui::TFormAdjust& ui = Frame.Controls();
  Frame.ResetItemArea(false, false);
  ui.EepromReadPnl->show();
  ui.EepReadBegEdit->setFocus();
}

void EepromCheckItem::EepromWriteOkBtnClick() {
  Ui::TFormAdjust& ui = Frame.Controls();
  const QString addressText = ui.EepWriteAddEdit->text();
  const QString dataText = ui.EepWriteDataEdit->text();
  if (addressText.size() != 2 || dataText.size() != 2) return RejectInput(ui.EepWriteAddEdit);
  const int address = TPDalEeprom::HexToByte(addressText.toStdString());
  const int data = TPDalEeprom::HexToByte(dataText.toStdString());
  if (address == InvalidHexByte || data == InvalidHexByte) return RejectInput(ui.EepWriteAddEdit);
  // A refused acknowledgement has already ended the program; a busy one is tried again.
  const std::array<EepromCell, 1> cell{{{static_cast<uint8_t>(address), static_cast<uint8_t>(data)}}};
  const std::string notWritten = "address " + TwoHexDigits(address).toStdString() + " was not written";
  if (const std::optional<std::string> problem = ConfirmedWrites(Comm).WriteAndConfirm(cell, notWritten)) {
    Frame.WriteStatus(wsError, QString::fromStdString(*problem));
    return;
  }
  Frame.WriteStatus(wsPlain, "Address = ");
  Frame.WriteStatus(wsAppend, TwoHexDigits(address));
  Frame.WriteStatus(wsNewLine, "Data = ");
  Frame.WriteStatus(wsAppend, TwoHexDigits(data));
}

void EepromCheckItem::EepromWriteRtnBtnClick() {
  Frame.ResetItemArea(false, false);
  Frame.Controls().EepromCheckPnl->show();
}
