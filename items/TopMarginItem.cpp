#include "items/TopMarginItem.h"

#include "ui_DalAdjust.h"

namespace {

constexpr int PrintChoice = 0;

}  // namespace

TopMarginItem::TopMarginItem(AdjustFrame& frame, TPDalD4Comm& comm, TPFactory& factory, TPRaster& raster,
                             Dialogs& dialogs)
    : Frame(frame), Logic(frame, comm, factory, raster, dialogs) {
  Ui::TFormAdjust& ui = Frame.Controls();
  ui.TopMarginRdoGrp->SetItems({"Print the Top margin", "Adjust"});
  QStringList choices;
  for (const TopMarginSetting& setting : TopMarginSettings) choices << QString("Adjust to %1").arg(setting.Sign);
  ui.TopMarginInputRdoGrp->SetItems(choices);
  connect(ui.TopMarginMainBtn, &QPushButton::clicked, this, &TopMarginItem::TopMarginMainBtnClick);
  connect(ui.TopMarginRtnBtn, &QPushButton::clicked, this, &TopMarginItem::TopMarginRtnBtnClick);
  connect(ui.TopMarginWriteOKBtn, &QPushButton::clicked, this, &TopMarginItem::TopMarginWriteOKBtnClick);
}

void TopMarginItem::TopMarginMainBtnClick() {
  Ui::TFormAdjust& ui = Frame.Controls();
  const int choice = ui.TopMarginRdoGrp->ItemIndex();
  if (choice < 0) return;
  if (choice == PrintChoice) {
    Logic.PrintLine();
    return;
  }
  const std::optional<int8_t> stored = Logic.StoredValue();
  // Nothing is preselected for a value that could not be read: the technician chooses.
  ui.TopMarginInputRdoGrp->SetItemIndex(stored ? TopMarginLogic::ChoiceOf(*stored) : -1);
  Frame.ResetItemArea(false, false);
  ui.TopMarginPnl->show();
  if (!stored) {
    Logic.ReportUnreadSetting();
  } else {
    Logic.ReportOutOfRange(*stored);
  }
}

void TopMarginItem::TopMarginRtnBtnClick() {
  Frame.ResetItemArea(false, false);
  Frame.Controls().TopMarginMainPnl->show();
}

void TopMarginItem::TopMarginWriteOKBtnClick() {
  Logic.WriteChoice(Frame.Controls().TopMarginInputRdoGrp->ItemIndex());
}
