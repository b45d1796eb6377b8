#include "items/A4CheckItem.h"

#include "ui_DalAdjust.h"

A4CheckItem::A4CheckItem(AdjustFrame& frame, TPFactory& factory, TPRaster& raster, TPA4check& pages)
    : Frame(frame), Factory(factory), Raster(raster), Pages(pages) {
  connect(Frame.Controls().A4CheckPrnOKBtn, &QPushButton::clicked, this, &A4CheckItem::A4CheckPrnOKBtnClick);
}

void A4CheckItem::A4CheckPrnOKBtnClick() {
  Frame.WriteStatus(wsBusy, "A4 pattern is printing now.");
  Raster.ResetPrinter();
  Factory.SendRemoteModeSequence(RemoteSnPatternPrint);
  const std::vector<std::string> unread = Pages.PrintCheckPages();
  Frame.WriteStatus(wsDone, "A4 pattern print is completed.");
  for (const std::string& sentence : unread) Frame.AddErrorLine(QString::fromStdString(sentence));
}
