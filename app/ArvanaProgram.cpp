#include "app/ArvanaProgram.h"

#include "app/TAboutBox.h"
#include "app/TFormAdjust.h"
#include "app/TFormBoot.h"
#include "app/TFormQuit.h"
#include "app/TFormReport.h"
#include "items/A4CheckItem.h"
#include "items/FirstDotItem.h"
#include "items/TopMarginItem.h"
#include "items/BidItem.h"
#include "items/EepromCheckItem.h"
#include "items/EepromSettingItem.h"
#include "items/HeadIdItem.h"
#include "items/MaintenanceItem.h"
#include "items/TransportLiquidItem.h"
#include "items/UsbIdItem.h"
#include "items/TStatusMonitorWindow.h"

#include <cstdio>

ArvanaProgram::ArvanaProgram(const ProgramServices& services)
    : WindowForcedEnd(services.Boxes, services.End),
      ServiceCore(services.Time, services.Ports, services.Boxes, *this, *this, *this),
      Services(services) {
  // The start window comes first and so is the main window.
  BootWindow = std::make_unique<TFormBoot>(*this);
  AdjustWindow = std::make_unique<TFormAdjust>(*this);
  QuitWindow = std::make_unique<TFormQuit>();
  ReportWindow = std::make_unique<TFormReport>(services.Boxes);
  QuitWindow->SetReportAction([this] { ShowServiceReport(); });
  AboutWindow = std::make_unique<TAboutBox>();
  MonitorWindow = std::make_unique<TStatusMonitorWindow>(Comm);
  MonitorWindow->SetView(*AdjustWindow);
  EepromCheck = std::make_unique<EepromCheckItem>(*AdjustWindow, Comm);
  MaintenanceItems = std::make_unique<MaintenanceItem>(*AdjustWindow, Factory, Maintenance, services.Boxes);
  HeadIdItems = std::make_unique<HeadIdItem>(*AdjustWindow, HeadId, Confirm, Guard);
  UsbIdItems = std::make_unique<UsbIdItem>(*AdjustWindow, UsbId, Confirm, Guard);
  EepromSettingItems = std::make_unique<EepromSettingItem>(*AdjustWindow, Comm, *this, *this, services.Boxes,
                                                           services.Time, Guard);
  TransportLiquidItems = std::make_unique<TransportLiquidItem>(*AdjustWindow, Factory, Confirm, services.Time, Guard);
  BidItems = std::make_unique<BidItem>(*AdjustWindow, Bid, Raster, Confirm, Guard, services.Boxes, services.ScanFolder);
  A4CheckItems = std::make_unique<A4CheckItem>(*AdjustWindow, Factory, Raster, A4check, services.Boxes, services.ScanFolder);
  TopMarginItems = std::make_unique<TopMarginItem>(*AdjustWindow, Comm, Factory, Raster, services.Boxes);
  FirstDotItems = std::make_unique<FirstDotItem>(*AdjustWindow, Comm, Factory, MonitorWindow->Display, *this, services.Boxes,
                                                 services.Time);
  QObject::connect(AdjustWindow.get(), &TFormAdjust::FirstDotPositionChosen, FirstDotItems.get(),
                   &FirstDotItem::ShowStoredValue);
}

ArvanaProgram::~ArvanaProgram() {
  // Items and windows go before the link objects they use; the driver closes an open port last.
  FirstDotItems.reset();
  TopMarginItems.reset();
  A4CheckItems.reset();
  BidItems.reset();
  TransportLiquidItems.reset();
  EepromSettingItems.reset();
  UsbIdItems.reset();
  HeadIdItems.reset();
  MaintenanceItems.reset();
  EepromCheck.reset();
  MonitorWindow.reset();
  AboutWindow.reset();
  ReportWindow.reset();
  QuitWindow.reset();
  AdjustWindow.reset();
  BootWindow.reset();
}

void ArvanaProgram::Start() { BootWindow->show(); }

void ArvanaProgram::ShowServiceReport() { ReportWindow->ShowRecord(Record.FileOfPrinter(), Record.PrinterPlace()); }

int16_t ArvanaProgram::GetPortIndex() const { return BootWindow->GetPortIndex(); }

uint16_t ArvanaProgram::SelectedModelCode() const { return BootWindow->SelectedModelCode(); }

void ArvanaProgram::PutBackTrial() {
  if (Guard.Trying()) std::fprintf(stderr, "%s\n", Guard.PutBackTrial(Confirm).c_str());
}

void ArvanaProgram::ForceExit() {
  PutBackTrial();
  WindowForcedEnd::ForceExit();
}

void ArvanaProgram::EndAfterFault() {
  PutBackTrial();
  WindowForcedEnd::EndAfterFault();
}
