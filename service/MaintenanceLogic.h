// What "Head cleaning", "Ink charge" and "Protection counter check" do, for any front-end.
#pragma once

#include "link/TPFactory.h"
#include "platform/Dialogs.h"
#include "service/ItemView.h"
#include "service/TPMaintenance.h"

class MaintenanceLogic {
public:
  MaintenanceLogic(ItemView& view, TPFactory& factory, TPMaintenance& maintenance, Dialogs& dialogs)
      : View(view), Factory(factory), Maintenance(maintenance), Boxes(dialogs) {}

  // Checks that the printer is ready, starts the sequence and waits until it is done.
  void CleanHead();
  void ChargeInk();
  // "Counter value = N", or a red line when the counter cannot be read.
  void CheckCounter();
  // Asks whether the waste ink pad was replaced. False when the technician
  // said No (after the warning box); true when the clear was tried, with its outcome in the message area.
  bool ClearCounter();

private:
  void RunSequence(uint8_t sequence, const char* item, const char* busyText, const char* doneText);

  ItemView& View;
  TPFactory& Factory;
  TPMaintenance& Maintenance;
  Dialogs& Boxes;
};
