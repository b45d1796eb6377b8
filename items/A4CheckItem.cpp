#include "items/A4CheckItem.h"

#include "items/ScanPreview.h"
#include "service/ScanLogic.h"
#include "ui_DalAdjust.h"

A4CheckItem::A4CheckItem(AdjustFrame& frame, TPFactory& factory, TPRaster& raster, TPA4check& pages, Dialogs& boxes,
                         std::string scanFolder)
    : Frame(frame), Logic(frame, factory, raster, pages), Boxes(boxes), ScanFolder(std::move(scanFolder)) {
  connect(Frame.Controls().A4CheckPrnOKBtn, &QPushButton::clicked, this, &A4CheckItem::A4CheckPrnOKBtnClick);
  connect(Frame.Controls().A4CheckScanBtn, &QPushButton::clicked, this, &A4CheckItem::A4CheckScanBtnClick);
}

void A4CheckItem::A4CheckScanBtnClick() {
  // The check prints two pages and the nozzle check is on the first: the folder opens, no page chosen.
  const std::string path = Boxes.ChooseFileToOpen("Scan of the first check page", ScanFolder, ScanFileFilter);
  if (path.empty()) return;
  Frame.SetBusyCursor(true);
  const NozzleCheckReading reading = ScanLogic::ReadNozzleScan(path);
  Frame.SetBusyCursor(false);
  ScanLogic::ShowNozzleScan(Frame, reading);
}
