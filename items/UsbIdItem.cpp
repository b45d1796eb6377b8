#include "items/UsbIdItem.h"

#include "ui_DalAdjust.h"

UsbIdItem::UsbIdItem(AdjustFrame& frame, TPDalUsbId& usbId, ConfirmedWrites& confirm)
    : Frame(frame), UsbId(usbId), Confirm(confirm) {
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
  Frame.SetBusyCursor(true);
  std::string stored;
  switch (UsbId.ReadUsbId(stored)) {
    case TPDalUsbId::ReadResult::Valid:
      Frame.WriteStatus(wsPlain, "USB ID = ");
      Frame.WriteStatus(wsAppend, QString::fromStdString(stored));
      break;
    case TPDalUsbId::ReadResult::Invalid:
      Frame.WriteStatus(wsError, "Invalid USB ID");
      break;
    case TPDalUsbId::ReadResult::Unreadable:
      Frame.WriteStatus(wsError, "The USB ID could not be read.");
      break;
  }
  Frame.SetBusyCursor(false);
}

void UsbIdItem::UsbIdInputOKBtnClick() {
  Ui::TFormAdjust& ui = Frame.Controls();
  Frame.ClearMessages();
  // One byte per typed character, so a letter outside A..Z counts as a wrong character, not as a wrong length.
  const std::string serial = ui.UsbIdInputEdit->text().toLatin1().toStdString();
  if (const char* problem = TPDalUsbId::CheckSerial(serial)) {
    Frame.WriteStatus(wsError, problem);
    ui.UsbIdInputEdit->setFocus();
    return;
  }
  std::vector<EepromCell> written;
  const QString shown = QString::fromStdString(UsbId.WriteUsbId(serial, &written));
  if (const std::optional<std::string> problem = Confirm.Confirm(written)) {
    Frame.WriteStatus(wsError, QString::fromStdString(*problem));
    return;
  }
  ui.ShowUSBIDLbl->setText(shown);
  Frame.WriteStatus(wsPlain, "USB ID");
  Frame.WriteStatus(wsNewLine, "\"");
  Frame.WriteStatus(wsAppend, shown);
  Frame.WriteStatus(wsAppend, "\"");
  Frame.WriteStatus(wsNewLine, " has been written in EEPROM.");
}

void UsbIdItem::UsbIdInputRtnBtnClick() {
  Ui::TFormAdjust& ui = Frame.Controls();
  Frame.ResetItemArea(false, false);
  ui.UsbIdInputEdit->clear();
  ui.UsbIdPnl->show();
}
