// The item "A4 pattern will print": the two check pages.
#pragma once

#include "items/AdjustFrame.h"
#include "platform/Dialogs.h"
#include "service/A4CheckLogic.h"

#include <QObject>

#include <string>

class A4CheckItem : public QObject {
  Q_OBJECT

public:
  A4CheckItem(AdjustFrame& frame, TPFactory& factory, TPRaster& raster, TPA4check& pages, Dialogs& boxes,
              std::string scanFolder);

public slots:
  void A4CheckPrnOKBtnClick() { Logic.PrintPages(); }
  // Reads a scan of the first check page and lists the nozzles whose lines are missing.
  void A4CheckScanBtnClick();

private:
  AdjustFrame& Frame;
  A4CheckLogic Logic;
  Dialogs& Boxes;
  std::string ScanFolder;
};
