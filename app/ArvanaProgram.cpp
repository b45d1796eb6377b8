#include "app/ArvanaProgram.h"

#include "app/TAboutBox.h"
#include "app/TFormAdjust.h"
#include "app/TFormBoot.h"
#include "app/TFormQuit.h"
#include "service/EepromCheckItem.h"
#include "service/MaintenanceItem.h"
#include "status/TStatusMonitorWindow.h"

ArvanaProgram::ArvanaProgram(const ProgramServices& services)
    : Services(services),
      ForceExit(services.Boxes, services.End),
      Driver(services.Ports, *this, services.Time, services.Boxes, services.End, ForceExit),
      Comm(Driver, services.Time, services.Boxes, services.End, ForceExit, Status),
      Factory(Comm, services.Boxes),
      Maintenance(Comm) {
  // The start window comes first and so is the main window.
  BootWindow = std::make_unique<TFormBoot>(*this);
  AdjustWindow = std::make_unique<TFormAdjust>(*this);
  QuitWindow = std::make_unique<TFormQuit>();
  AboutWindow = std::make_unique<TAboutBox>();
  MonitorWindow = std::make_unique<TStatusMonitorWindow>(Comm);
  MonitorWindow->SetView(*AdjustWindow);
  EepromCheck = std::make_unique<EepromCheckItem>(*AdjustWindow, Comm);
  MaintenanceItems = std::make_unique<MaintenanceItem>(*AdjustWindow, Factory, Maintenance, services.Boxes);
}

ArvanaProgram::~ArvanaProgram() {
  // Items and windows go before the link objects they use; the driver closes an open port last.
  MaintenanceItems.reset();
  EepromCheck.reset();
  MonitorWindow.reset();
  AboutWindow.reset();
  QuitWindow.reset();
  AdjustWindow.reset();
  BootWindow.reset();
}

void ArvanaProgram::Start() { BootWindow->show(); }

int16_t ArvanaProgram::GetPortIndex() const { return BootWindow->GetPortIndex(); }
