// The item "Head ID": checks and writes a new print head's 13-character ID, and reads the stored one back.
#pragma once

#include "service/HeadIdLogic.h"
#include "items/AdjustFrame.h"

#include <QObject>

class HeadIdItem : public QObject {
  Q_OBJECT

public:
  HeadIdItem(AdjustFrame& frame, TPHeadID& headId, ConfirmedWrites& confirm, WriteGuard& guard);

public slots:
  void HdVolOKBtnClick();
  void HdVolWrtOKBtnClick();
  void HdVolWrtRtnBtnClick();

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  AdjustFrame& Frame;
  HeadIdLogic Logic;
};
