#include "items/EepromCheckItem.h"

#include "items/BusyCursor.h"
#include "items/CapitalsEdit.h"
#include "ui_DalAdjust.h"

namespace {

constexpr int GridDigits = 16;  // the table shows 16 rows of 16 cells below and beside its headers
const QString UnreadCell = "??";


}  // namespace

EepromCheckItem::EepromCheckItem(AdjustFrame& frame, TPDalD4Comm& comm) : Frame(frame), Logic(frame, comm) {
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

void EepromCheckItem::EepromReadOkBtnClick() {
  Ui::TFormAdjust& ui = Frame.Controls();
  int begin = 0;
  int end = 0;
  if (!Logic.CheckRange(ui.EepReadBegEdit->text().toStdString(), ui.EepReadEndEdit->text().toStdString(), begin,
                        end)) {
    ui.EepReadBegEdit->setFocus();
    return;
  }
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
  const bool answered = Logic.ReadRange(begin, end, [grid](int address, std::optional<uint8_t> value) {
    QTableWidgetItem* cell = grid->item(address / GridDigits + 1, address % GridDigits + 1);
    cell->setText(value ? QString::fromStdString(EepromCheckLogic::TwoHexDigits(*value)) : UnreadCell);
    cell->setTextAlignment(Qt::AlignCenter);
    // Painted at once: the table grows cell by cell while the technician watches.
    grid->viewport()->repaint(grid->visualItemRect(cell));
  });
  // The rows read stay in the table; why the rest are missing shows below it.
  if (!answered) Frame.SetMessageAreaVisible(true);
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
  if (!Logic.WriteCell(ui.EepWriteAddEdit->text().toStdString(), ui.EepWriteDataEdit->text().toStdString())) {
    ui.EepWriteAddEdit->setFocus();
  }
}

void EepromCheckItem::EepromWriteRtnBtnClick() {
  Frame.ResetItemArea(false, false);
  Frame.Controls().EepromCheckPnl->show();
}
