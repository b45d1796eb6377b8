// The item "Bi-D": prints the Bi-D pattern page, shows and writes the six bi-directional alignment values.
#pragma once

#include "service/BidLogic.h"
#include "service/ScanLogic.h"
#include "items/AdjustFrame.h"
#include "items/ScanPreview.h"
#include "platform/Dialogs.h"

#include <QObject>

#include <memory>
#include <string>

class BidItem : public QObject {
  Q_OBJECT

public:
  BidItem(AdjustFrame& frame, TPBid& bid, TPRaster& raster, ConfirmedWrites& confirm, WriteGuard& guard, Dialogs& boxes,
          std::string scanFolder);

public slots:
  void BidOKBtnClick();
  void BidPrnOKBtnClick();
  void BidPrnRtnBtnClick();
  void BidWrtOKBtnClick();
  void BidWrtRtnBtnClick();
  // Reads a scan of the page: fills the edits with what it suggests, ticks
  // the values that differ from the stored ones, shows the page marked.
  void BidScanBtnClick();

private:
  void ShowPrintCount();

  AdjustFrame& Frame;
  BidLogic Logic;
  TPBid& Bid;
  Dialogs& Boxes;
  std::string ScanFolder;
  std::unique_ptr<ScanPreview> Preview;
};
