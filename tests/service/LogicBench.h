// The program's core and every service item's logic on the in-process virtual printer and a
// watched virtual clock, shown through a recording front-end: the items as the window runs them,
// without the window.
#pragma once

#include "service/A4CheckLogic.h"
#include "service/BidLogic.h"
#include "service/EepromCheckLogic.h"
#include "service/EepromSettingLogic.h"
#include "service/FirstDotLogic.h"
#include "service/HeadIdLogic.h"
#include "service/MaintenanceLogic.h"
#include "service/ServiceCore.h"
#include "service/StatusDisplay.h"
#include "service/TopMarginLogic.h"
#include "service/TransportLiquidLogic.h"
#include "service/UsbIdLogic.h"
#include "sim/ports/SimPortSystem.h"
#include "sim/VirtualPrinter.h"
#include "tests/sim/SimTestSupport.h"
#include "tests/support/CapturedWire.h"
#include "tests/support/DataHomeIn.h"
#include "tests/support/FakeFatalExit.h"
#include "tests/support/RecordingView.h"
#include "tests/support/TestDialogs.h"
#include "tests/support/WatchedClock.h"

#include <filesystem>

// The model and the interface the start window would give; a test may choose others.
class BenchChoice : public PortChoice, public ModelChoice {
public:
  int16_t GetPortIndex() const override { return PortIndex; }
  uint16_t SelectedModelCode() const override { return ModelCode; }

  int16_t PortIndex = FirstParallelPortIndex;
  uint16_t ModelCode = ModelCode360;
};

struct LogicBench {
  // `notes`: where the notes of unfinished writes go, the test's own folder. `printerFolder` empty:
  // the printer keeps everything in memory.
  explicit LogicBench(const std::filesystem::path& notes, const std::string& printerFolder = "")
      : Printer(Clock, printerFolder) {
    Core.Guard.SetFolder(notes.string());
    Display.SetView(View);
  }

  // Opens the link as the start window's OK does: the data channel only when the printer is ready.
  bool Connect() {
    if (!Core.Comm.StartLinkToControlChannel(Choice.PortIndex)) return false;
    Core.Comm.RequestStatus();
    if (Core.Status.StatusCode != StatusReady) {
      Display.RefreshStatus();
    } else {
      Core.Comm.OpenChannel(DataSocket);
    }
    return true;
  }

  WatchedClock Clock;
  TestDialogs Boxes;
  TestProgramEnd End;
  FakeFatalExit Fatal{Boxes, End};
  VirtualPrinter Printer;
  SimPortSystem Ports{Printer, Clock};
  BenchChoice Choice;
  ServiceCore Core{Clock, Ports, Boxes, Fatal, Choice, Choice};
  RecordingView View{Core.Comm};
  StatusDisplay Display{Core.Comm};

  A4CheckLogic A4Check{View, Core.Factory, Core.Raster, Core.A4check};
  EepromCheckLogic EepromCheck{View, Core.Comm};
  MaintenanceLogic Maintenance{View, Core.Factory, Core.Maintenance, Boxes};
  EepromSettingLogic EepromSetting{View, Core.Comm, Choice, Choice, Boxes, Clock, Core.Guard};
  HeadIdLogic HeadId{View, Core.HeadId, Core.Confirm, Core.Guard};
  UsbIdLogic UsbId{View, Core.UsbId, Core.Confirm, Core.Guard};
  BidLogic Bid{View, Core.Bid, Core.Raster, Core.Confirm, Core.Guard};
  TopMarginLogic TopMargin{View, Core.Comm, Core.Factory, Core.Raster, Boxes};
  FirstDotLogic FirstDot{View, Core.Comm, Core.Factory, Display, Choice, Boxes, Clock};
  TransportLiquidLogic TransportLiquid{View, Core.Factory, Core.Confirm, Clock, Core.Guard};
};

// A bench per test, connected to an Arvana Print 360 (on LPT1 unless told), with its own folders of
// notes and backups.
class LogicTest : public testing::Test {
protected:
  explicit LogicTest(int16_t portIndex = FirstParallelPortIndex) { Bench->Choice.PortIndex = portIndex; }

  void SetUp() override {
    std::filesystem::create_directories(Notes.Path);
    if (ConnectAtStart) {
      ASSERT_TRUE(Bench->Connect());
    }
  }
  std::vector<int> ControlEepromAddresses(uint8_t command) const {
    return captured::ControlEepromAddresses(Printer, command);
  }
  std::vector<captured::Block> ServiceCommands() const { return captured::ServiceCommands(Printer); }
  std::vector<std::filesystem::path> BackupFiles() const {
    std::vector<std::filesystem::path> files;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(BackupFolder(), error)) files.push_back(entry.path());
    return files;
  }
  void TearDown() override {
    EXPECT_TRUE(Bench->Printer.ProtocolViolations().empty())
        << testing::PrintToString(Bench->Printer.ProtocolViolations());
  }

  bool ConnectAtStart = true;  // false: the test arranges the printer first and connects itself
  TempDirectory Notes;
  DataHomeIn DataHome{Notes.Path / "data"};
  // On the heap: the printer's buffers are too large for the stack.
  std::unique_ptr<LogicBench> Bench = std::make_unique<LogicBench>(Notes.Path);
  VirtualPrinter& Printer = Bench->Printer;
  RecordingView& View = Bench->View;
  TestDialogs& Boxes = Bench->Boxes;
};
