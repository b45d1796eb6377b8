#include "items/TransportLiquidItem.h"

#include "ui_DalAdjust.h"

TransportLiquidItem::TransportLiquidItem(AdjustFrame& frame, TPFactory& factory, ConfirmedWrites& confirm,
                                         Clock& clock, WriteGuard& guard)
    : Frame(frame), Logic(frame, factory, confirm, clock, guard) {
  Ui::TFormAdjust& ui = Frame.Controls();
  connect(ui.CRmoveBtn, &QPushButton::clicked, this, &TransportLiquidItem::CRmoveBtnClick);
  connect(ui.CRreturnBtn, &QPushButton::clicked, this, &TransportLiquidItem::CRreturnBtnClick);
  connect(ui.TransOKBtn, &QPushButton::clicked, this, &TransportLiquidItem::TransOKBtnClick);
  connect(ui.TransCompleteBtn, &QPushButton::clicked, this, &TransportLiquidItem::TransCompleteBtnClick);
  connect(ui.CRreturn2Btn, &QPushButton::clicked, this, &TransportLiquidItem::CRreturn2BtnClick);
}

void TransportLiquidItem::LockOtherControls(bool locked) {
  Ui::TFormAdjust& ui = Frame.Controls();
  for (QWidget* control : std::initializer_list<QWidget*>{ui.AdjustmentTab, ui.MentRdoGrp, ui.AdjustRtnBtn,
                                                          ui.GetStatusBtn}) {
    control->setEnabled(!locked);
  }
}

void TransportLiquidItem::AfterStep(bool ready) {
  if (!ready) Frame.Controls().AdjustRtnBtn->setEnabled(true);
}

void TransportLiquidItem::CRmoveBtnClick() {
  Frame.ResetItemArea(false, false);
  Frame.Controls().TraStep2Pnl->show();
  const bool ready = Logic.MoveCarriageToReplacement();
  LockOtherControls(true);
  AfterStep(ready);
}

void TransportLiquidItem::CRreturnBtnClick() {
  Frame.ResetItemArea(false, false);
  Frame.Controls().TransPnl->show();
  AfterStep(Logic.ReturnCarriageHome());
}

void TransportLiquidItem::TransOKBtnClick() {
  Frame.ResetItemArea(false, false);
  Frame.Controls().TraStep3Pnl->show();
  AfterStep(Logic.RunExchangeOne());
}

void TransportLiquidItem::TransCompleteBtnClick() {
  Frame.ResetItemArea(false, false);
  Frame.Controls().TraStep4Pnl->show();
  AfterStep(Logic.MoveCarriageToReplacementAgain());
}

void TransportLiquidItem::CRreturn2BtnClick() {
  const std::vector<EepromCell> cleared = Logic.StartExchangeTwo();
  LockOtherControls(false);
  Frame.ResetItemArea(false, false);
  Frame.Controls().TraStep0Pnl->show();
  Logic.FinishExchangeTwo(cleared);
}
