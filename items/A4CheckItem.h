// The item "A4 pattern will print": the two check pages.
#pragma once

#include "items/AdjustFrame.h"
#include "service/A4CheckLogic.h"

#include <QObject>

class A4CheckItem : public QObject {
  Q_OBJECT

public:
  A4CheckItem(AdjustFrame& frame, TPFactory& factory, TPRaster& raster, TPA4check& pages);

public slots:
  void A4CheckPrnOKBtnClick() { Logic.PrintPages(); }

private:
  AdjustFrame& Frame;
  A4CheckLogic Logic;
};
