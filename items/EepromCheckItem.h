// The "EEPROM check" item: shows any address range as a hexadecimal table and changes single cells.
#pragma once

#include "link/TPDalD4Comm.h"
#include "items/AdjustFrame.h"

#include <QObject>

class QLineEdit;

class EepromCheckItem : public QObject {
  Q_OBJECT

public:
  EepromCheckItem(AdjustFrame& frame, TPDalD4Comm& comm);

public slots:
  void EepromCheckOkBtnClick();
  void EepromReadOkBtnClick();
  void EepromReadRtnBtnClick();
  void EepromGridRtnBtnClick();
  void EepromWriteOkBtnClick();
  void EepromWriteRtnBtnClick();

private:
  void ShowRange(int begin, int end);
  void RejectInput(QLineEdit* focus);

  AdjustFrame& Frame;
  TPDalD4Comm& Comm;
};
