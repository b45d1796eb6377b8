// Everything one run of the program consists of, created in the order the
// program needs it: the link objects first, then the five windows.
#pragma once

#include "app/WindowForcedEnd.h"
#include "link/ModelChoice.h"
#include "link/PortChoice.h"
#include "link/PrinterStatus.h"
#include "link/TPDalD4Comm.h"
#include "link/TPFactory.h"
#include "link/TPPrinterDriver.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/PortDevice.h"
#include "platform/ProgramEnd.h"
#include "service/TPA4check.h"
#include "pattern/TPRaster.h"
#include "service/ServiceCore.h"
#include "service/TPBid.h"
#include "service/TPDalUsbId.h"
#include "service/TPHeadID.h"
#include "service/TPMaintenance.h"

#include <memory>

class TFormBoot;
class TFormAdjust;
class TFormQuit;
class TFormReport;
class TAboutBox;
class TStatusMonitorWindow;
class A4CheckItem;
class BidItem;
class EepromCheckItem;
class FirstDotItem;
class TopMarginItem;
class EepromSettingItem;
class HeadIdItem;
class MaintenanceItem;
class TransportLiquidItem;
class UsbIdItem;

// What the operating system and the technician's screen give the program.
struct ProgramServices {
  Clock& Time;
  Dialogs& Boxes;
  ProgramEnd& End;
  PortSystem& Ports;
  // Where the file dialog for scans opens: the virtual printer's pages, or the working folder.
  std::string ScanFolder = {};
};

// The choices and the forced end come first among the bases: the core keeps references to them from its
// construction on.
class ArvanaProgram : public PortChoice, public ModelChoice, public WindowForcedEnd, public ServiceCore {
public:
  explicit ArvanaProgram(const ProgramServices& services);
  ~ArvanaProgram() override;

  ArvanaProgram(const ArvanaProgram&) = delete;
  ArvanaProgram& operator=(const ArvanaProgram&) = delete;

  // Shows the start window.
  void Start();

  // The interface chosen in the start window, read afresh on every call.
  int16_t GetPortIndex() const override;
  // The model chosen in the start window.
  uint16_t SelectedModelCode() const override;

  // A fault ends the program: values under trial (the Bi-D page's candidates) are put back first
  // where the link allows, and standard error says whether they are.
  [[noreturn]] void ForceExit() override;
  [[noreturn]] void EndAfterFault() override;
  // The same after a stop; the line said on standard error.
  void PutBackTrial();

  ProgramServices Services;

  TFormBoot& Boot() { return *BootWindow; }
  TFormAdjust& Adjust() { return *AdjustWindow; }
  TFormQuit& Quit() { return *QuitWindow; }
  TFormReport& Report() { return *ReportWindow; }
  // The service report of the printer of this visit (or of the one just ended).
  void ShowServiceReport();
  TAboutBox& About() { return *AboutWindow; }
  TStatusMonitorWindow& Monitor() { return *MonitorWindow; }

private:
  std::unique_ptr<TFormBoot> BootWindow;
  std::unique_ptr<TFormAdjust> AdjustWindow;
  std::unique_ptr<TFormQuit> QuitWindow;
  std::unique_ptr<TFormReport> ReportWindow;
  std::unique_ptr<TAboutBox> AboutWindow;
  std::unique_ptr<TStatusMonitorWindow> MonitorWindow;

  // The service items, bound to the adjustment window's panels.
  std::unique_ptr<EepromCheckItem> EepromCheck;
  std::unique_ptr<MaintenanceItem> MaintenanceItems;
  std::unique_ptr<HeadIdItem> HeadIdItems;
  std::unique_ptr<UsbIdItem> UsbIdItems;
  std::unique_ptr<EepromSettingItem> EepromSettingItems;
  std::unique_ptr<TransportLiquidItem> TransportLiquidItems;
  std::unique_ptr<BidItem> BidItems;
  std::unique_ptr<A4CheckItem> A4CheckItems;
  std::unique_ptr<TopMarginItem> TopMarginItems;
  std::unique_ptr<FirstDotItem> FirstDotItems;
};
