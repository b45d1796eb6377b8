// The "EEPROM check" item: shows any address range as a hexadecimal table and changes single cells.
#pragma once

#include "items/AdjustFrame.h"
#include "service/EepromCheckLogic.h"

#include <QObject>

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

  AdjustFrame& Frame;
  EepromCheckLogic Logic;
};
