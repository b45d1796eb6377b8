#include "cli/CommandLine.h"

#include "platform/ShownText.h"

#include "cli/Commands.h"
#include "cli/ProgressClock.h"
#include "cli/ServiceSession.h"
#include "cli/TerminalDialogs.h"
#include "platform/NewFile.h"
#include "service/BackupFile.h"
#include "service/UnfinishedLogic.h"
#include "platform/LinuxPortSystem.h"
#include "sim/ports/SimPortSystem.h"
#include "sim/VirtualPrinter.h"

#include <CLI/CLI.hpp>

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr const char* Version = "1.0";
constexpr const char* DefaultSimulatorDirectory = "virtual-printer";

struct Options {
  std::string Port = "LPT1";
  std::string Model = "360";
  std::string Simulator;
  bool Yes = false;
  bool ModelGiven = false;
  int TimeoutSeconds = 900;
  bool Json = false;
  std::string Range = "00-FF";
  std::string Format = "table";
  std::string Output;
  std::string File;
  std::string Second;
  bool DryRun = false;
  bool Force = false;
  bool Printer = false;
  bool All = false;
  std::string Write;
  std::vector<std::string> Writes;
  bool Clear = false;
  std::string What;
  std::string Values;
  std::string FromScan;
  bool Finish = false;
  bool Discard = false;
};

// The items the window offers only while the printer is not in error; they also need the data channel.
bool NeedsWorkingPrinter(const std::string& command) {
  for (const char* name : {"head-id", "usb-id", "bid", "top-margin", "first-dot", "print", "clean", "charge"})
    if (command == name) return true;
  return false;
}

int16_t PortIndexOf(const std::string& port) {
  for (int16_t i = 0; i < PortCount; ++i) {
    if (strcasecmp(PortNameOf(i), port.c_str()) == 0) return i;
  }
  return -1;
}

// "--simulator" alone means the default folder; only "--simulator=DIR" names another, so that a
// command name after it is never taken for a folder.
std::vector<std::string> Arguments(const std::vector<std::string>& given) {
  std::vector<std::string> arguments;
  for (auto argument = given.rbegin(); argument != given.rend(); ++argument) {
    arguments.push_back(*argument == "--simulator" ? std::string("--simulator=") + DefaultSimulatorDirectory
                                                   : *argument);
  }
  return arguments;  // reversed, as CLI11 takes them
}

// What a start finds of earlier runs: notes of writes that did not finish on this port, and
// temporary files of backups that an interrupted program left (reported once, then removed).
void ReportWhatEarlierRunsLeft(const ServiceSession& session, bool notes) {
  for (const std::string& path : RemoveLeftOverTemporaries(BackupFolder()))
    std::cerr << "A backup an interrupted program did not finish was removed: " << path << std::endl;
  if (!notes) return;
  std::vector<std::string> problems;
  const std::vector<FoundNote> found = session.Guard.Unfinished(&problems);
  for (const std::string& problem : problems) std::cerr << "warning: a note cannot be read: " << problem << std::endl;
  if (found.empty()) return;
  std::cerr << "warning: " << UnfinishedLogic::Summary(found) << "\n"
            << "Write the intended values again with: arvana-service unfinished --finish (or forget them: --discard)."
            << std::endl;
}

// Ends the program at a boundary between two blocks on the wire, once a signal asked to stop and
// no write is under way (a write meets the stop itself, between two cells): the link is shut
// down as on a normal end, the printer reset if the command changed it.
void StopAtNextExchange(ServiceSession& session, ProgramEnd& end, bool changesPrinter) {
  bool stopping = false;
  session.Driver.SetWriteGate([&session, &end, changesPrinter, stopping]() mutable {
    const int signal = session.Guard.StopSignal();
    // A write that met the stop has said so; the command then ends, and shuts the link, as usual.
    if (signal == 0 || stopping || session.Guard.Writing() || session.Guard.StopMet() || session.Comm.ShuttingDown())
      return;
    stopping = true;
    session.View.Flush();
    std::cerr << "\nStopped by signal " << signal << ": nothing was being written. Shutting the link down." << std::endl;
    if (session.Comm.LinkUp()) {
      session.Close(changesPrinter);
    } else {
      session.Driver.ClosePort();  // the link is not up yet (a start-up): nothing to shut down on it
    }
    EndProgram(end, ExitStatusForSignal(signal));
  });
}

// A technician's time at a question is not the printer's: --timeout does not count it.
class TimedQuestions : public TerminalDialogs {
public:
  TimedQuestions(bool assumeYes, ProgressClock& clock) : TerminalDialogs(assumeYes), Time(clock) {}

  DialogAnswer ShowMessage(DialogKind kind, const std::string& text, DialogButtons buttons) override {
    const int64_t asked = Time.SteadyMilliseconds();
    const DialogAnswer answer = TerminalDialogs::ShowMessage(kind, text, buttons);
    Time.GiveBack(Time.SteadyMilliseconds() - asked);
    return answer;
  }

private:
  ProgressClock& Time;
};

int Run(const std::string& command, Options& options, PortSystem& ports, Clock& realClock, ProgramEnd& end,
        StopSignals* stops) {
  const int limit = options.TimeoutSeconds;
  ProgressClock clock(realClock, int64_t{limit} * 1000, [&end, limit] {
    std::cerr << "\nerror: The printer did not finish within " << limit << " s." << std::endl;
    end.End(ExitPrinterFailure);
  });
  TimedQuestions questions(options.Yes, clock);
  const int16_t portIndex = PortIndexOf(options.Port);
  const uint16_t model = options.Model == "350" ? ModelCode350 : ModelCode360;
  ServiceSession session(clock, ports, questions, end, portIndex, model);
  session.Driver.SetDeadline(&clock);  // no read or write of the port outlasts --timeout
  if (stops != nullptr) session.Guard.SetStopSignals(*stops);
  if (!options.Simulator.empty())
    session.Guard.SetPrinterPlace(std::filesystem::absolute(options.Simulator).lexically_normal().string());
  // diff between two files needs no printer, nor does reading a scan whose values are given.
  const bool readsScanAlone = command == "analyse" && (options.What == "nozzles" || !options.Values.empty());
  const bool needsPrinter =
      !(command == "diff" && !options.Printer) && !readsScanAlone && !(command == "unfinished" && !options.Finish);
  // The model decides values written and printed: those commands need it said.
  // A backup is restored only into the model it was taken from.
  const bool modelMatters = command == "init" || command == "backup" || command == "print" || command == "restore";
  if (modelMatters && !options.ModelGiven) {
    std::cerr << "error: " << command << " needs --model 350 or --model 360." << std::endl;
    return ExitUsage;
  }
  const bool writing =
      !options.Write.empty() || !options.Writes.empty() || !options.FromScan.empty() || options.Clear || options.Finish ||
      (command == "restore" && !options.DryRun);  // a dry run only reads: no reset after it
  // A file that is there already is never written over: said before the printer is read for it.
  if ((command == "dump" || command == "backup") && !options.Output.empty()) {
    std::error_code ignored;
    if (std::filesystem::symlink_status(options.Output, ignored).type() != std::filesystem::file_type::not_found) {
      std::cerr << "error: " << ShownText(options.Output) << " exists already: a " << command
                << " is never written over." << std::endl;
      return ExitUsage;
    }
  }
  ReportWhatEarlierRunsLeft(session, needsPrinter && command != "unfinished");
  StopAtNextExchange(session, end, ChangesPrinter(command, writing));
  if (needsPrinter && !session.Connect()) {
    if (command == "analyse")
      std::cerr << "analyse bid reads the stored values from the printer; give --values to read a scan without one."
                << std::endl;
    return ExitPrinterFailure;
  }
  if (NeedsWorkingPrinter(command) && !session.ReadyForDataChannel()) {
    session.Close(false);
    return ExitPrinterFailure;
  }
  CommandContext context{session, questions};
  if (command == "print") {
    // Printing pauses for every reply it waits for: the line follows the packets sent.
    clock.OnPause = [&session] { session.View.Progress("printing", session.Comm.DataPacketsSent(), 0, "packets"); };
  }
  int status = ExitDone;
  if (command == "unfinished") status = RunUnfinished(context, options.Finish, options.Discard);
  if (command == "status") status = RunStatus(context, options.Json);
  if (command == "dump") status = RunDump(context, options.Range, options.Format, options.Output);
  if (command == "backup") status = RunBackup(context, options.Output);
  if (command == "restore") status = RunRestore(context, options.File, options.DryRun, options.Force);
  if (command == "diff") status = RunDiff(context, options.File, options.Second, options.Printer, options.All);
  if (command == "head-id") status = RunHeadId(context, options.Write);
  if (command == "usb-id") status = RunUsbId(context, options.Write);
  if (command == "bid") status = RunBid(context, options.Writes, options.FromScan);
  if (command == "analyse") status = RunAnalyse(&context, options.What, options.File, options.Json, options.Values);
  if (command == "top-margin") status = RunTopMargin(context, options.Write);
  if (command == "first-dot") status = RunFirstDot(context, options.Write);
  if (command == "init") status = RunInit(context);
  if (command == "counter") status = RunCounter(context, options.Clear);
  if (command == "clean") status = RunCleaning(context, false);
  if (command == "charge") status = RunCleaning(context, true);
  if (command == "print") status = RunPrint(context, options.What);
  // Refused input changed nothing: no reset is needed for it.
  const bool changed = ChangesPrinter(command, writing) && status != ExitUsage;
  if (needsPrinter) session.Close(changed);
  // A write a signal stopped has said how far it got; the shell learns which signal ended it.
  if (const int signal = session.Guard.StopSignal()) return ExitStatusForSignal(signal);
  return status;
}

}  // namespace

// An empty --write would read as no --write at all: a script's unset variable must not pass as "show".
const CLI::Validator NotEmpty(
    [](std::string& value) { return value.empty() ? std::string("an empty value writes nothing") : std::string(); },
    "VALUE");

int RunCommandLine(const std::vector<std::string>& givenArguments, Clock& clock, ProgramEnd& end, StopSignals* stops) {
  CLI::App app{"Service and adjustment of the Arvana Print 350 and 360 printers.\n"
               "Exit status: 0 done, 1 printer or link failure, 2 usage error or refused input, "
               "3 a write the printer did not confirm."};
  app.name("arvana-service");
  app.set_version_flag("--version", std::string("arvana-service ") + Version);
  app.require_subcommand(1, 1);
  Options options;
  app.add_option("--port", options.Port, "LPT1..LPT3 or VLUSB1..VLUSB3")
      ->check(CLI::IsMember({"LPT1", "LPT2", "LPT3", "VLUSB1", "VLUSB2", "VLUSB3"}, CLI::ignore_case))
      ->capture_default_str();
  CLI::Option* modelOption =
      app.add_option("--model", options.Model, "350 or 360 (needed by init, backup, restore and print)")
          ->check(CLI::IsMember({"350", "360"}));
  app.add_option("--timeout", options.TimeoutSeconds,
                 "Give up when the command has not finished after this many seconds (exit status 1)")
      ->check(CLI::PositiveNumber)
      ->capture_default_str();
  app.add_option("--simulator", options.Simulator,
                 "Use the virtual printer kept in DIR (--simulator alone: ./virtual-printer)")
      ->type_name("[=DIR]");
  app.add_flag("--yes,-y", options.Yes, "Answer yes to every question");

  CLI::App* status = app.add_subcommand("status", "The printer's state, error, warnings and ink quantities");
  status->add_flag("--json", options.Json, "For scripts");
  CLI::App* dump = app.add_subcommand("dump", "EEPROM cells, as the EEPROM check's table");
  dump->add_option("--range", options.Range, "AA-BB in hexadecimal")->capture_default_str();
  dump->add_option("--format", options.Format)->check(CLI::IsMember({"table", "hex", "bin"}))->capture_default_str();
  dump->add_option("-o,--output", options.Output, "Write to FILE instead of standard output");
  CLI::App* backup = app.add_subcommand("backup", "Save the board's values in a backup file");
  backup->add_option("-o,--output", options.Output, "The file (by default a new one in the backups folder)");
  CLI::App* restore = app.add_subcommand("restore", "Write a backup file's values into the printer");
  restore->add_option("FILE", options.File)->required();
  restore->add_flag("--dry-run", options.DryRun, "Only list the cells that would change");
  restore->add_flag("--force", options.Force, "Restore a backup taken from the other model all the same");
  CLI::App* diff = app.add_subcommand("diff", "Two backups side by side, or a backup and the printer");
  diff->add_option("A", options.File)->required();
  diff->add_option("B", options.Second);
  diff->add_flag("--printer", options.Printer, "Compare A with the printer");
  diff->add_flag("--all", options.All, "Show every cell, not only those that differ");
  CLI::App* headId = app.add_subcommand("head-id", "Show or write the head ID");
  headId->add_option("--write", options.Write, "The 13-character ID")->check(NotEmpty);
  CLI::App* usbId = app.add_subcommand("usb-id", "Show or write the USB ID");
  usbId->add_option("--write", options.Write, "The 10-character serial")->check(NotEmpty);
  CLI::App* bid = app.add_subcommand("bid", "Show or write the Bi-D values");
  bid->add_option("--write", options.Writes, "NAME=VALUE: " + BidArgumentList());
  bid->add_option("--from-scan", options.FromScan,
                  "Write the values read from IMAGE, a scan of the Bi-D page printed with the stored values (asks unless --yes)");
  CLI::App* topMargin = app.add_subcommand("top-margin", "Show or write the top margin");
  topMargin->add_option("--write", options.Write, "-, 0 or +")->check(NotEmpty);
  CLI::App* firstDot = app.add_subcommand("first-dot", "Show or write the first dot position");
  firstDot->add_option("--write", options.Write, "-72..72")->check(NotEmpty);
  app.add_subcommand("init", "Write the initial values of a new main board");
  CLI::App* counter = app.add_subcommand("counter", "Show or clear the protection counter");
  counter->add_flag("--clear", options.Clear, "Clear it (after the waste ink pad was replaced; asks unless --yes)");
  app.add_subcommand("clean", "Head cleaning");
  app.add_subcommand("charge", "Ink charge");
  CLI::App* print = app.add_subcommand("print", "Print a check page");
  print->add_option("WHAT", options.What, "check, bid or top-margin")
      ->required()
      ->check(CLI::IsMember({"check", "bid", "top-margin"}));
  CLI::App* unfinished = app.add_subcommand(
      "unfinished", "Writes that did not finish on this port (a kill, a power cut): list, finish or forget them");
  CLI::Option* finish =
      unfinished->add_flag("--finish", options.Finish, "Write the intended values again and read them back");
  unfinished->add_flag("--discard", options.Discard, "Forget the notes (asks unless --yes); the printer keeps what it holds")
      ->excludes(finish);
  CLI::App* analyse = app.add_subcommand("analyse", "Read a scanned page: the Bi-D values, or the missing nozzles");
  analyse->add_option("WHAT", options.What, "bid (the Bi-D page) or nozzles (the first check page)")
      ->required()
      ->check(CLI::IsMember({"bid", "nozzles"}));
  analyse->add_option("IMAGE", options.File, "The scan: the whole sheet, PNG, JPEG or TIFF, 150 to 2400 dpi (above 1200 dpi as JPEG)")->required();
  analyse->add_flag("--json", options.Json, "For scripts");
  analyse->add_option("--values", options.Values,
                      "bid: the six values the page was printed with, " + BidValuesOrderText() +
                          " (by default the values the printer holds)");

  try {
    std::vector<std::string> arguments = Arguments(givenArguments);
    app.parse(arguments);
  } catch (const CLI::ParseError& error) {
    const int code = app.exit(error);
    return code == 0 ? ExitDone : ExitUsage;
  }
  const std::string command = app.get_subcommands().front()->get_name();
  options.ModelGiven = modelOption->count() > 0;
  try {
    if (options.Simulator.empty()) {
      LinuxPortSystem ports;
      return Run(command, options, ports, clock, end, stops);
    }
    VirtualPrinter printer(clock, options.Simulator);
    for (const std::string& message : printer.Messages()) std::cerr << message << std::endl;
    SimPortSystem ports(printer, clock);
    return Run(command, options, ports, clock, end, stops);
  } catch (const std::exception& fault) {
    std::cerr << "error: " << fault.what() << std::endl;
    return ExitPrinterFailure;
  }
}
