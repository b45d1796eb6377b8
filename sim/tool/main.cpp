// arvana-printer-sim: serves the virtual printer on a pseudo-terminal, renders saved jobs and decodes captures.
#include <csignal>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "platform/LinuxClock.h"
#include "sim/CaptureDecoder.h"
#include "sim/CaptureLog.h"
#include "sim/JobFileRenderer.h"
#include "sim/PtyServer.h"
#include "sim/VirtualPrinter.h"

namespace {

constexpr const char* Usage =
    "usage: arvana-printer-sim serve [--dir DIR]\n"
    "           serves the virtual printer on a pseudo-terminal; DIR (default ./virtual-printer)\n"
    "           keeps eeprom.bin, mechanics.txt, capture.log, jobs/ and pages/\n"
    "       arvana-printer-sim render JOB.prn [--dir DIR]\n"
    "           prints a saved job on a printer fresh from the factory (top margin and first\n"
    "           dot position 0, Bi-D values that match the head) and writes its pages as\n"
    "           DIR/<job name>-NNNN.png, replacing pages of the same name; DIR defaults to the\n"
    "           job's own folder. Mistakes in the job are listed on standard error.\n"
    "       arvana-printer-sim decode CAPTURE.log\n"
    "           prints a capture as readable lines\n";

volatile std::sig_atomic_t StopRequested = 0;

void RequestStop(int) { StopRequested = 1; }

int Serve(const std::string& directory) {
  LinuxClock clock;
  VirtualPrinter printer(clock, directory);
  for (const std::string& message : printer.Messages()) std::cerr << "virtual printer: " << message << "\n";

  PtyServer server(printer, clock);
  std::string reason;
  if (!server.Open(reason)) {
    std::cerr << "arvana-printer-sim: cannot open a pseudo-terminal: " << reason << "\n";
    return 1;
  }
  std::cout << server.SlavePath() << std::endl;
  std::cerr << "Virtual printer ready. Start the program with ARVANA_DEVICE_VLUSB1=" << server.SlavePath()
            << " (USB) or ARVANA_DEVICE_LPT1=" << server.SlavePath() << " (parallel).\n"
            << "Files in " << directory << ". Stop with Ctrl+C.\n";

  std::signal(SIGINT, RequestStop);
  std::signal(SIGTERM, RequestStop);
  size_t violationsShown = 0;
  size_t jobErrorsShown = 0;
  size_t pagesShown = 0;
  while (StopRequested == 0) {
    if (!server.ServeOnce(100, reason)) {
      std::cerr << "arvana-printer-sim: " << reason << "\n";
      return 1;
    }
    const std::vector<std::string>& violations = printer.ProtocolViolations();
    for (; violationsShown < violations.size(); ++violationsShown)
      std::cerr << "protocol violation at " << violations[violationsShown] << "\n";
    const std::vector<std::string>& jobErrors = printer.JobErrors();
    for (; jobErrorsShown < jobErrors.size(); ++jobErrorsShown)
      std::cerr << "job error: " << jobErrors[jobErrorsShown] << "\n";
    const std::vector<std::string>& pageFiles = printer.PageFiles();
    for (; pagesShown < pageFiles.size(); ++pagesShown)
      if (!pageFiles[pagesShown].empty()) std::cerr << "printed " << pageFiles[pagesShown] << "\n";
  }
  return 0;
}

int Decode(const std::string& path) {
  std::ifstream file(path);
  if (!file.is_open()) {
    std::cerr << "arvana-printer-sim: cannot read " << path << "\n";
    return 1;
  }
  CaptureDecoder decoder;
  std::string line;
  int lineNumber = 0;
  int badLines = 0;
  while (std::getline(file, line)) {
    ++lineNumber;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    CaptureRecord record;
    std::string reason;
    if (!CaptureLog::ParseLine(line, record, reason)) {
      std::cerr << path << ":" << lineNumber << ": " << reason << "\n";
      ++badLines;
      continue;
    }
    std::cout << decoder.DescribeLine(record) << "\n";
  }
  return badLines == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (!args.empty() && args[0] == "serve") {
    std::string directory = "./virtual-printer";
    if (args.size() == 3 && args[1] == "--dir" && !args[2].empty()) {
      directory = args[2];
    } else if (args.size() != 1) {
      std::cerr << Usage;
      return 2;
    }
    return Serve(directory);
  }
  if (args.size() == 2 && args[0] == "decode") return Decode(args[1]);
  if (!args.empty() && args[0] == "render") {
    if (args.size() == 2 && !args[1].empty()) return RenderJobFile(args[1], "", std::cout, std::cerr);
    if (args.size() == 4 && !args[1].empty() && args[2] == "--dir" && !args[3].empty())
      return RenderJobFile(args[1], args[3], std::cout, std::cerr);
  }
  std::cerr << Usage;
  return 2;
}
