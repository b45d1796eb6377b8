// The items "Head cleaning", "Ink charge" and "Protection counter check".
#pragma once

#include "link/TPFactory.h"
#include "platform/Dialogs.h"
#include "service/MaintenanceLogic.h"
#include "items/AdjustFrame.h"

#include <QObject>

class MaintenanceItem : public QObject {
  Q_OBJECT

public:
  MaintenanceItem(AdjustFrame& frame, TPFactory& factory, TPMaintenance& maintenance, Dialogs& dialogs);

public slots:
  void CleaningOKBtnClick();
  void ChargeOKBtnClick();
  void ProCounterOKBtnClick();
  void CounterCheckOKBtnClick();
  void CounterCheckRtnBtnClick();
  void CounterClearOKBtnClick();
  void CounterClearRtnBtnClick();

private:
  void ShowCounterPanel();

  AdjustFrame& Frame;
  MaintenanceLogic Logic;
};
