// arvana-printer-sim: serves the virtual printer on a pseudo-terminal, a device node or as a USB gadget, renders
// saved jobs and decodes captures.
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

#include "platform/LinuxClock.h"
#include "platform/RegularFile.h"
#include "sim/wire/CaptureDecoder.h"
#include "sim/wire/CaptureLog.h"
#include "sim/engine/JobFileRenderer.h"
#include "sim/ports/DeviceServer.h"
#include "sim/ports/PrinterGadget.h"
#include "sim/ports/PtyServer.h"
#include "sim/engine/PageReduction.h"
#include "sim/VirtualPrinter.h"
#include "sim/panel/PrinterPanel.h"
#include "sim/tool/ToolUsage.h"

#include <QApplication>
#include <QSocketNotifier>
#include <QTimer>

namespace {

// decode reads a capture line by line, so its size costs time only: captures from before
// capture.log had a limit, or capture.log.1 and capture.log joined, are larger than
// CaptureLog::FileLimit; 1 GiB is more than any of those.
constexpr size_t CaptureDecodeLimit = 1024ull * 1024 * 1024;
// The longest line of a capture: a block the pseudo-terminal passes on is at most
// HostBlockSplitter::MaxBlock plus one read, three characters a byte, and the time stamp.
constexpr size_t CaptureLineLimit = 3 * (HostBlockSplitter::MaxBlock + PtyServer::ReadSize) + 64;

volatile std::sig_atomic_t StopRequested = 0;

void RequestStop(int) { StopRequested = 1; }

struct ServeOptions {
  std::string Directory = "./virtual-printer";
  bool Panel = false;
  double PageScale = 0;
  std::string Device;      // serve: a device node to serve instead of a pseudo-terminal
  std::string Controller;  // gadget: the USB device controller; empty for the first there is
};

// The maker as the printer's USB device names it.
constexpr const char* UsbManufacturer = "VELOR";

// Reports what the printer did since the last call on standard error.
class ServeReport {
public:
  explicit ServeReport(const VirtualPrinter& printer) : Printer(printer) {}
  void Update() {
    // The printer keeps its latest violations only: ViolationsShown counts all of them.
    const std::vector<std::string>& violations = Printer.ProtocolViolations();
    const size_t dropped = Printer.ProtocolViolationsDropped();
    if (ViolationsShown < dropped) {
      std::cerr << "protocol violations: " << dropped - ViolationsShown << " more, no longer kept\n";
      ViolationsShown = dropped;
    }
    for (; ViolationsShown < dropped + violations.size(); ++ViolationsShown)
      std::cerr << "protocol violation at " << violations[ViolationsShown - dropped] << "\n";
    const std::vector<std::string>& jobErrors = Printer.JobErrors();
    for (; JobErrorsShown < jobErrors.size(); ++JobErrorsShown)
      std::cerr << "job error: " << jobErrors[JobErrorsShown] << "\n";
    const std::vector<std::string>& pageFiles = Printer.PageFiles();
    for (; PagesShown < pageFiles.size(); ++PagesShown)
      if (!pageFiles[PagesShown].empty()) std::cerr << "printed " << pageFiles[PagesShown] << "\n";
  }

private:
  const VirtualPrinter& Printer;
  size_t ViolationsShown = 0;
  size_t JobErrorsShown = 0;
  size_t PagesShown = 0;
};

// The panel's event loop serves the terminal or the device: bytes from the host wake it,
// and a slow timer passes on stale partial blocks and waiting answers.
template <class Server>
int ServeWithPanel(VirtualPrinter& printer, Server& server, ServeReport& report) {
  int argc = 1;
  char name[] = "arvana-printer-sim";
  char* argv[] = {name, nullptr};
  QApplication application(argc, argv);
  PrinterPanel panel(printer);
  panel.show();
  int result = 0;
  const auto serve = [&] {
    std::string reason;
    if (StopRequested != 0) {
      QApplication::quit();
    } else if (!server.ServeOnce(0, reason)) {
      std::cerr << "arvana-printer-sim: " << reason << "\n";
      result = 1;
      QApplication::quit();
    }
    report.Update();
  };
  // A device node is opened anew when a host comes again: the notifier follows the descriptor.
  // A notifier is let go with deleteLater: it may be the one whose signal runs this.
  QSocketNotifier* hostBytes = nullptr;
  std::function<void()> serveAndWatch;
  serveAndWatch = [&] {
    serve();
    const bool follows = hostBytes != nullptr && hostBytes->socket() == server.Descriptor();
    if (!follows && hostBytes != nullptr) {
      hostBytes->setEnabled(false);
      hostBytes->deleteLater();
      hostBytes = nullptr;
    }
    if (!follows && server.Descriptor() >= 0) {
      hostBytes = new QSocketNotifier(server.Descriptor(), QSocketNotifier::Read, &application);
      QObject::connect(hostBytes, &QSocketNotifier::activated, &application, [&] { serveAndWatch(); });
    }
    // While the host leaves its answers unread the server reads nothing, and the notifier, which
    // would fire without end on the bytes left waiting, rests; the timer goes on writing answers.
    if (hostBytes) hostBytes->setEnabled(server.Reading());
  };
  serveAndWatch();
  QTimer slowTurn;
  QObject::connect(&slowTurn, &QTimer::timeout, &application, serveAndWatch);
  slowTurn.start(50);
  QObject::connect(&application, &QApplication::lastWindowClosed, &application, &QApplication::quit);
  QApplication::exec();
  return result;
}

// Serves until Ctrl-C or kill, on the panel's event loop or on its own.
template <class Server>
int ServeUntilStopped(VirtualPrinter& printer, Server& server, const ServeOptions& options) {
  std::signal(SIGINT, RequestStop);
  std::signal(SIGTERM, RequestStop);
  std::signal(SIGHUP, RequestStop);
  ServeReport report(printer);
  if (options.Panel) return ServeWithPanel(printer, server, report);
  std::string reason;
  while (StopRequested == 0) {
    if (!server.ServeOnce(100, reason)) {
      std::cerr << "arvana-printer-sim: " << reason << "\n";
      return ToolExitFailure;
    }
    report.Update();
  }
  return 0;
}

struct StandalonePrinter {
  explicit StandalonePrinter(const ServeOptions& options) : Printer(Time, options.Directory) {
    Printer.LimitCaptureMemory(CaptureLog::StandaloneMemoryLimit);
    if (options.PageScale > 0) Printer.SetReducedPageScale(options.PageScale);
    for (const std::string& message : Printer.Messages()) std::cerr << "virtual printer: " << message << "\n";
  }
  void Describe() const {
    std::cerr << "It is an " << SimModelName(Printer.Model()) << " (printer.conf), device ID " << Printer.DeviceId()
              << "\n";
  }
  LinuxClock Time;
  VirtualPrinter Printer;
};

int ServeTerminal(const ServeOptions& options) {
  StandalonePrinter standalone(options);
  PtyServer server(standalone.Printer, standalone.Time);
  std::string reason;
  if (!server.Open(reason)) {
    std::cerr << "arvana-printer-sim: cannot open a pseudo-terminal: " << reason << "\n";
    return ToolExitFailure;
  }
  std::cout << server.SlavePath() << std::endl;
  std::cerr << "Virtual printer ready. Start the program with ARVANA_DEVICE_VLUSB1=" << server.SlavePath()
            << " (USB) or ARVANA_DEVICE_LPT1=" << server.SlavePath() << " (parallel).\n";
  standalone.Describe();
  std::cerr << "Files in " << options.Directory << ". Stop with Ctrl+C.\n";
  return ServeUntilStopped(standalone.Printer, server, options);
}

int ServeDevice(VirtualPrinter& printer, Clock& clock, const std::string& path, const ServeOptions& options) {
  DeviceServer server(printer, clock);
  std::string reason;
  if (!server.Open(path, reason)) {
    std::cerr << "arvana-printer-sim: " << reason << "\n";
    return ToolExitFailure;
  }
  std::cout << path << std::endl;
  std::cerr << "Virtual printer ready on " << path << ". Files in " << options.Directory << ". Stop with Ctrl+C.\n";
  return ServeUntilStopped(printer, server, options);
}

int Serve(const ServeOptions& options) {
  if (options.Device.empty()) return ServeTerminal(options);
  StandalonePrinter standalone(options);
  standalone.Describe();
  return ServeDevice(standalone.Printer, standalone.Time, options.Device, options);
}

// The printer as a USB printer gadget on a device controller, removed again however serving ends.
int ServeGadget(const ServeOptions& options) {
  StandalonePrinter standalone(options);
  const VirtualPrinter& printer = standalone.Printer;
  const GadgetIdentity identity{.Manufacturer = UsbManufacturer,
                                .Product = SimModelName(printer.Model()),
                                .Serial = printer.UsbSerial(),
                                .DeviceId = printer.DeviceId()};
  Outcome<std::unique_ptr<PrinterGadget>> gadget = PrinterGadget::Create(identity, options.Controller);
  if (!gadget) {
    std::cerr << "arvana-printer-sim: cannot make the USB printer gadget: " << gadget.Fault().Message << "\n";
    return ToolExitFailure;
  }
  std::cerr << "USB printer gadget on the device controller " << (*gadget)->Controller() << ", "
            << identity.Product << (identity.Serial.empty() ? std::string() : ", serial " + identity.Serial)
            << ", device ID " << identity.DeviceId << "\n";
  return ServeDevice(standalone.Printer, standalone.Time, (*gadget)->DeviceNode(), options);
}

// serve's and gadget's options; false for anything else.
bool ReadServeOptions(const std::vector<std::string>& args, ServeOptions& options) {
  const bool gadget = args[0] == "gadget";
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& option = args[i];
    const bool hasValue = i + 1 < args.size() && !args[i + 1].empty();
    if (option == "--device" && hasValue && !gadget) {
      options.Device = args[++i];
    } else if (option == "--udc" && hasValue && gadget) {
      options.Controller = args[++i];
    } else if (option == "--panel") {
      options.Panel = true;
    } else if (option == "--dir" && hasValue) {
      options.Directory = args[++i];
    } else if (option == "--page-scale" && hasValue) {
      const std::string& text = args[++i];
      char* end = nullptr;
      const double scale = std::strtod(text.c_str(), &end);
      if (end != text.c_str() + text.size() || !(scale >= SmallestPageScale && scale <= 1.0)) {
        std::cerr << "arvana-printer-sim: --page-scale takes a number from " << SmallestPageScale << " to 1, not \""
                  << text << "\".\n";
        return false;
      }
      options.PageScale = scale;
    } else {
      return false;
    }
  }
  return true;
}

int Decode(const std::string& path) {
  const Outcome<int> opened = OpenRegularFile(path, CaptureDecodeLimit);
  const int descriptor = opened ? *opened : -1;
  std::FILE* file = descriptor < 0 ? nullptr : fdopen(descriptor, "r");
  if (file == nullptr) {
    if (descriptor >= 0) close(descriptor);
    std::cerr << "arvana-printer-sim: cannot read " << (descriptor < 0 ? opened.Fault().Message : path) << "\n";
    return 1;
  }
  CaptureDecoder decoder;
  std::string line;
  int lineNumber = 0;
  int badLines = 0;
  bool lineTooLong = false;
  // Line by line, each at most CaptureLineLimit: only what one line needs is held.
  for (int c = std::getc(file);; c = std::getc(file)) {
    if (c != EOF && c != '\n') {
      if (line.size() < CaptureLineLimit) {
        line += static_cast<char>(c);
      } else {
        lineTooLong = true;
      }
      continue;
    }
    if (c == EOF && line.empty() && !lineTooLong) break;
    ++lineNumber;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (lineTooLong) {
      std::cerr << path << ":" << lineNumber << ": longer than " << CaptureLineLimit << " bytes\n";
      ++badLines;
    } else if (!line.empty()) {
      CaptureRecord record;
      std::string reason;
      if (CaptureLog::ParseLine(line, record, reason)) {
        std::cout << decoder.DescribeLine(record) << "\n";
      } else {
        std::cerr << path << ":" << lineNumber << ": " << reason << "\n";
        ++badLines;
      }
    }
    line.clear();
    lineTooLong = false;
    if (c == EOF) break;
  }
  const bool readError = std::ferror(file) != 0;
  std::fclose(file);
  if (readError) {
    std::cerr << "arvana-printer-sim: cannot read " << path << " to its end\n";
    return 1;
  }
  return badLines == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  // The build writes the manual page with the program itself.
  if (args.size() == 1 && args[0] == "--man") {
    std::cout << ToolManualPage();
    return std::cout.flush() ? 0 : ToolExitFailure;
  }
  if (!args.empty() && (args[0] == "serve" || args[0] == "gadget")) {
    ServeOptions options;
    if (!ReadServeOptions(args, options)) {
      std::cerr << ToolUsageText();
      return ToolExitUsage;
    }
    try {
      return args[0] == "gadget" ? ServeGadget(options) : Serve(options);
    } catch (const DirectoryInUse& refused) {
      std::cerr << "arvana-printer-sim: " << refused.what() << "\n";
      return 1;
    }
  }
  if (args.size() == 2 && args[0] == "decode") return Decode(args[1]);
  if (!args.empty() && args[0] == "render") {
    if (args.size() == 2 && !args[1].empty()) return RenderJobFile(args[1], "", std::cout, std::cerr);
    if (args.size() == 4 && !args[1].empty() && args[2] == "--dir" && !args[3].empty())
      return RenderJobFile(args[1], args[3], std::cout, std::cerr);
  }
  std::cerr << ToolUsageText();
  return ToolExitUsage;
}
