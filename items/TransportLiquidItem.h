// The panels of "Refurbishment for DOA": the transport liquid exchange that prepares a printer for return.
#pragma once

#include "items/AdjustFrame.h"
#include "service/TransportLiquidLogic.h"

#include <QObject>

class TransportLiquidItem : public QObject {
  Q_OBJECT

public:
  TransportLiquidItem(AdjustFrame& frame, TPFactory& factory, ConfirmedWrites& confirm, Clock& clock, WriteGuard& guard);

public slots:
  void CRmoveBtnClick();
  void CRreturnBtnClick();
  void TransOKBtnClick();
  void TransCompleteBtnClick();
  void CRreturn2BtnClick();

private:
  // After "Printer is error." the close box and "Quit" work again; the chain stays where it is.
  void AfterStep(bool ready);
  // Keeps the technician in the chain: no other item, no quitting, no status window.
  void LockOtherControls(bool locked);

  AdjustFrame& Frame;
  TransportLiquidLogic Logic;
};
