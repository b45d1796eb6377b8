// The item "USB ID": writes the printer's serial number with the date of writing, and reads it back.
#pragma once

#include "service/UsbIdLogic.h"
#include "items/AdjustFrame.h"

#include <QObject>

class UsbIdItem : public QObject {
  Q_OBJECT

public:
  UsbIdItem(AdjustFrame& frame, TPDalUsbId& usbId, ConfirmedWrites& confirm, WriteGuard& guard);

public slots:
  void UsbIdOKBtnClick();
  void UsbIdInputOKBtnClick();
  void UsbIdInputRtnBtnClick();

private:
  AdjustFrame& Frame;
  UsbIdLogic Logic;
};
