// The item "Bi-D": prints the Bi-D pattern page, shows and writes the six bi-directional alignment values.
#pragma once

#include "service/BidLogic.h"
#include "items/AdjustFrame.h"

#include <QObject>

class BidItem : public QObject {
  Q_OBJECT

public:
  BidItem(AdjustFrame& frame, TPBid& bid, TPRaster& raster);

public slots:
  void BidOKBtnClick();
  void BidPrnOKBtnClick();
  void BidPrnRtnBtnClick();
  void BidWrtOKBtnClick();
  void BidWrtRtnBtnClick();

private:
  void ShowPrintCount();

  AdjustFrame& Frame;
  BidLogic Logic;
};
