// The item "A4 pattern will print": the two check pages.
#pragma once

#include "link/TPFactory.h"
#include "service/TPA4check.h"
#include "pattern/TPRaster.h"
#include "items/AdjustFrame.h"

#include <QObject>

class A4CheckItem : public QObject {
  Q_OBJECT

public:
  A4CheckItem(AdjustFrame& frame, TPFactory& factory, TPRaster& raster, TPA4check& pages);

public slots:
  void A4CheckPrnOKBtnClick();

private:
  AdjustFrame& Frame;
  TPFactory& Factory;
  TPRaster& Raster;
  TPA4check& Pages;
};
