#include "items/A4CheckItem.h"

#include "ui_DalAdjust.h"

A4CheckItem::A4CheckItem(AdjustFrame& frame, TPFactory& factory, TPRaster& raster, TPA4check& pages)
    : Frame(frame), Logic(frame, factory, raster, pages) {
  connect(Frame.Controls().A4CheckPrnOKBtn, &QPushButton::clicked, this, &A4CheckItem::A4CheckPrnOKBtnClick);
}
