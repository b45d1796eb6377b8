// The item "Top margin": prints the check line and stores one of three top margin settings.
#pragma once

#include "link/TPDalD4Comm.h"
#include "link/TPFactory.h"
#include "pattern/TPRaster.h"
#include "platform/Dialogs.h"
#include "items/AdjustFrame.h"

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
  TPDalD4Comm& Comm;
  TPFactory& Factory;
  TPRaster& Raster;
  Dialogs& Boxes;
};
