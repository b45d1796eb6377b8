// The item "Top margin": prints the check line and stores one of three top margin settings.
#pragma once

#include "items/AdjustFrame.h"
#include "service/TopMarginLogic.h"

#include <QObject>

class TopMarginItem : public QObject {
  Q_OBJECT

public:
  TopMarginItem(AdjustFrame& frame, TPDalD4Comm& comm, TPFactory& factory, TPRaster& raster, Dialogs& dialogs);

public slots:
  void TopMarginMainBtnClick();
  void TopMarginRtnBtnClick();
  void TopMarginWriteOKBtnClick();

private:
  AdjustFrame& Frame;
  TopMarginLogic Logic;
};
