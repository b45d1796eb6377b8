// The program entry: chooses the real or the virtual printer, creates the
// program's objects and windows, and runs the message loop.
#include "app/ArvanaProgram.h"
#include "app/ProgramOptions.h"
#include "app/QtClock.h"
#include "app/QtDialogs.h"
#include "app/QtProgramEnd.h"
#include "app/SignalStops.h"
#include "platform/LinuxPortSystem.h"
#include "sim/ports/SimPortSystem.h"
#include "sim/VirtualPrinter.h"
#include "sim/panel/PrinterPanel.h"

#include <QApplication>
#include <QMessageBox>

#include <cstdio>
#include <exception>
#include <filesystem>
#include <memory>
#include <string>

namespace {

constexpr const char* DefaultSimulatorDirectory = "virtual-printer";

bool HasOption(int argc, char** argv, const char* option) {
  for (int i = 1; i < argc; ++i)
    if (std::string(argv[i]) == option) return true;
  return false;
}

// The folder of the virtual printer when the program runs on it, empty otherwise.
std::string SimulatorDirectory(int argc, char** argv) {
  const std::string option = SimulatorOption.Name;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == option) return DefaultSimulatorDirectory;
    if (argument.rfind(option + "=", 0) == 0 && argument.size() > option.size() + 1) {
      return argument.substr(option.size() + 1);
    }
  }
  return {};
}

// `printerPlace`: the virtual printer's folder, which keeps its own notes of unfinished writes.
int RunProgram(PortSystem& ports, QtClock& clock, ProcessStopSignals& stops, const std::string& scanFolder,
               const std::string& printerPlace) {
  QtDialogs dialogs;
  QtProgramEnd end;
  ArvanaProgram program({clock, dialogs, end, ports, scanFolder});
  program.Guard.SetStopSignals(stops);
  program.Guard.SetPrinterPlace(printerPlace);
  program.Record.SetPrinterPlace(printerPlace.empty() ? printerPlace : std::filesystem::absolute(printerPlace).string());
  SignalStops signalStops(program, stops, ProcessStopSignals::WakeDescriptor(), end);
  program.Start();
  return QApplication::exec();
}

}  // namespace

int main(int argc, char** argv) {
  // The build writes the manual page with the program itself, before any window or display.
  if (argc == 2 && std::string(argv[1]) == ManualOption) {
    std::fputs(AdjustManualPage().c_str(), stdout);
    return std::fflush(stdout) == 0 ? ExitNormal : ExitFatal;
  }
  QApplication app(argc, argv);
  QApplication::setApplicationName("Adjustment Program for Arvana Print 350 360");
  // The desktop entry's name: the desktop shows the window with the entry's name and icon.
  QGuiApplication::setDesktopFileName(ARVANA_APP_ID);
  // The start window ends the program when it closes; hiding it for the
  // adjustment window must not.
  QApplication::setQuitOnLastWindowClosed(false);
  QtClock clock;
  ProcessStopSignals stops;
  try {
    const std::string simulator = SimulatorDirectory(argc, argv);
    if (simulator.empty()) {
      LinuxPortSystem ports;
      RunProgram(ports, clock, stops, "", "");
    } else {
      VirtualPrinter printer(clock, simulator);
      for (const std::string& message : printer.Messages()) std::fprintf(stderr, "%s\n", message.c_str());
      std::fprintf(stderr, "Virtual printer in %s\n", simulator.c_str());
      SimPortSystem ports(printer, clock);
      std::unique_ptr<PrinterPanel> panel;
      if (HasOption(argc, argv, PanelOption.Name)) {
        panel = std::make_unique<PrinterPanel>(printer);
        panel->show();
        // The trainer switches faults while the program waits for the printer.
        QtClock::LetInputThrough(*panel);
      }
      // The pages the virtual printer rendered stand in for scans.
      RunProgram(ports, clock, stops, simulator + "/pages",
                 std::filesystem::absolute(simulator).lexically_normal().string());
    }
  } catch (const std::exception& fault) {
    QMessageBox::critical(nullptr, QApplication::applicationName(), fault.what());
    return ExitFatal;
  }
  return ExitNormal;
}
