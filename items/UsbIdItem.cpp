#include "items/UsbIdItem.h"

#include "ui_DalAdjust.h"

UsbIdItem::UsbIdItem(AdjustFrame& frame, TPDalUsbId& usbId, ConfirmedWrites& confirm, WriteGuard& guard)
    : Frame(frame), Logic(frame, usbId, confirm, guard) {
  Ui::TFormAdjust& ui = Frame.Controls();
  ui.UsbIdRdoBtn->SetItems({"Input USB ID", "Check USB ID"});
  ui.UsbIdRdoBtn->SetItemIndex(0);
  ui.ShowUSBIDLbl->setWordWrap(true);
  connect(ui.UsbIdOKBtn, &QPushButton::clicked, this, &UsbIdItem::UsbIdOKBtnClick);
  connect(ui.UsbIdInputOKBtn, &QPushButton::clicked, this, &UsbIdItem::UsbIdInputOKBtnClick);
  connect(ui.UsbIdInputRtnBtn, &QPushButton::clicked, this, &UsbIdItem::UsbIdInputRtnBtnClick);
  connect(ui.UsbIdInputEdit, &QLineEdit::returnPressed, this, &UsbIdItem::UsbIdInputOKBtnClick);
}

void UsbIdItem::UsbIdOKBtnClick() {
  Ui::TFormAdjust& ui = Frame.Controls();
  if (ui.UsbIdRdoBtn->ItemIndex() != 1) {
    Frame.ResetItemArea(true, false);
    ui.UsbIdInputPnl->show();
    ui.UsbIdInputEdit->setFocus();
    return;
  }
  Logic.ShowUsbId();
}

void UsbIdItem::UsbIdInputOKBtnClick() {
  Ui::TFormAdjust& ui = Frame.Controls();
  Frame.ClearMessages();
  // One byte per typed character, so a letter outside A..Z counts as a wrong character, not as a wrong length.
  if (!Logic.WriteUsbId(ui.UsbIdInputEdit->text().toLatin1().toStdString())) ui.UsbIdInputEdit->setFocus();
}

void UsbIdItem::UsbIdInputRtnBtnClick() {
  Ui::TFormAdjust& ui = Frame.Controls();
  Frame.ResetItemArea(false, false);
  ui.UsbIdInputEdit->clear();
  ui.UsbIdPnl->show();
}
