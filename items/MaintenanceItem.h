// The items "Head cleaning", "Ink charge" and "Protection counter check".
#pragma once

#include "link/TPFactory.h"
#include "platform/Dialogs.h"
#include "service/TPMaintenance.h"
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
  // Runs one of the printer's cleaning sequences and waits until it is done.
  void RunSequence(uint8_t sequence, const QString& busyText, const QString& doneText);
  void ShowCounterPanel();

  AdjustFrame& Frame;
  TPFactory& Factory;
  TPMaintenance& Maintenance;
  Dialogs& Boxes;
};
