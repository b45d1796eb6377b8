// Prints the two A4 check pages through the whole chain on the virtual clock —
// built by the raster builder, sent through the link, rendered by the virtual
// printer — and reports the CPU time and the size of the print job.
//   build-rel/arvana-bench-check-pages [DIR]   (DIR: keep the job and the PNG pages there)
#include "link/ModelChoice.h"
#include "link/TPDalD4Comm.h"
#include "link/TPFactory.h"
#include "link/TPPrinterDriver.h"
#include "service/TPA4check.h"
#include "pattern/TPRaster.h"
#include "platform/VirtualClock.h"
#include "service/TPBid.h"
#include "service/TPHeadID.h"
#include "sim/ports/SimPortSystem.h"
#include "sim/VirtualPrinter.h"

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

class Lpt1 : public PortChoice {
public:
  int16_t GetPortIndex() const override { return FirstParallelPortIndex; }
};

class Model360 : public ModelChoice {
public:
  uint16_t SelectedModelCode() const override { return ModelCode360; }
};

// Every box would be a fault here: say so and go on.
class ReportingDialogs : public Dialogs {
public:
  DialogAnswer ShowMessage(DialogKind, const std::string& text, DialogButtons) override {
    std::fprintf(stderr, "box: %s\n", text.c_str());
    return DialogAnswer::Ok;
  }
  void ShowSystemMessage(const std::string& text, const std::string&) override {
    std::fprintf(stderr, "box: %s\n", text.c_str());
  }
  std::string ChooseFileToOpen(const std::string&, const std::string&, const std::string&) override { return {}; }
};

class ExitingEnd : public ProgramEnd {
public:
  [[noreturn]] void End(int status) override { std::exit(status); }
};

class ExitingFatal : public FatalExit {
public:
  [[noreturn]] void ForceExit() override { std::exit(ExitFatal); }
};

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

}  // namespace

int main(int argc, char** argv) {
  const std::string directory = argc > 1 ? argv[1] : "";
  VirtualClock clock;
  VirtualPrinter printer(clock, directory);
  SimPortSystem ports(printer, clock);
  Lpt1 port;
  Model360 model;
  ReportingDialogs dialogs;
  ExitingEnd end;
  ExitingFatal fatal;
  PrinterStatus status;
  TPPrinterDriver driver(ports, port, clock, dialogs, end, fatal);
  TPDalD4Comm comm(driver, clock, dialogs, end, fatal, status);
  TPFactory factory(comm, dialogs);
  TPRaster raster(comm, factory, dialogs, end);
  TPBid bid(comm, factory, raster);
  TPHeadID headId(factory);
  TPA4check pages(comm, factory, raster, bid, headId, model);

  if (!comm.StartLinkToControlChannel(FirstParallelPortIndex) || !comm.OpenChannel(DataSocket)) {
    std::fprintf(stderr, "the virtual printer did not answer\n");
    return 1;
  }
  const double started = CpuSeconds();
  raster.ResetPrinter();
  factory.SendRemoteModeSequence(RemoteSnPatternPrint);
  pages.PrintCheckPages();
  comm.FlushData();
  const double cpu = CpuSeconds() - started;

  size_t jobBytes = 0;
  size_t packets = 0;
  for (const CaptureRecord& record : printer.Capture()) {
    if (!record.FromHost || record.Bytes.size() <= PacketHeaderSize || record.Bytes[0] != DataSocket) continue;
    jobBytes += record.Bytes.size() - PacketHeaderSize;
    ++packets;
  }
  std::printf("A4 check pages on the virtual clock\n");
  std::printf("  CPU time            %.3f s (build, link and rendering%s)\n", cpu,
              directory.empty() ? "" : ", PNG files included");
  std::printf("  print job           %zu bytes in %zu data-channel packets\n", jobBytes, packets);
  std::printf("  pages printed       %zu, job errors %zu, protocol violations %zu\n", printer.Pages().size(),
              printer.JobErrors().size(), printer.ProtocolViolations().size());
  std::printf("  printer time        %.1f s on the virtual clock\n", clock.SteadyMilliseconds() / 1000.0);
  return 0;
}
