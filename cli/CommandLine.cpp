#include "cli/CommandLine.h"

#include "platform/ShownText.h"

#include "cli/ArgumentParser.h"
#include "cli/Commands.h"
#include "cli/DecodedWire.h"
#include "cli/ModelNotes.h"
#include "cli/StandardError.h"
#include "cli/ProgressClock.h"
#include "cli/ServiceSession.h"
#include "cli/TerminalDialogs.h"
#include "service/BackupFile.h"
#include "service/UnfinishedLogic.h"
#include "platform/LinuxPortSystem.h"
#include "sim/ports/SimPortSystem.h"
#include "sim/VirtualPrinter.h"

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

namespace {

int16_t PortIndexOf(const std::string& port) {
  for (int16_t i = 0; i < PortCount; ++i) {
    if (strcasecmp(PortNameOf(i), port.c_str()) == 0) return i;
  }
  return -1;
}

// What a start finds of earlier runs: notes of writes that did not finish on this port, and
// temporary files of backups that an interrupted program left (reported once, then removed).
void ReportWhatEarlierRunsLeft(const ServiceSession& session, bool notes) {
  for (const std::string& path : RemoveLeftOverTemporaries(BackupFolder()))
    SayNotice("A backup an interrupted program did not finish was removed: " + path);
  if (!notes) return;
  std::vector<std::string> problems;
  const std::vector<FoundNote> found = session.Guard.Unfinished(&problems);
  for (const std::string& problem : problems) SayWarning("a note cannot be read: " + problem);
  if (found.empty()) return;
  SayWarning(UnfinishedLogic::Summary(found) + "\n" +
             "Write the intended values again with: arvana-service unfinished --finish (or forget them: --discard).");
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
    if (session.Guard.Trying()) {
      Say(SaidKind::Detail, "Stopped by signal " + std::to_string(signal) + ". " + session.PutBackTrial() +
                                " Shutting the link down.");
    } else {
      Say(SaidKind::Detail, "Stopped by signal " + std::to_string(signal) + ": nothing was being written. Shutting the link down.");
    }
    if (session.Comm.LinkUp()) {
      session.Close(changesPrinter);
    } else {
      session.Driver.ClosePort();  // the link is not up yet (a start-up): nothing to shut down on it
    }
    EndProgram(end, ExitStatusForSignal(signal));
  });
}

// The wait for a reset printer has its progress line: the seconds its notice says it takes.
void FollowTheReset(ServiceSession& session, ProgressClock& clock) {
  clock.OnPause = [&session] {
    if (const std::optional<int64_t> since = session.ResettingSinceMs())
      session.View.Waiting("initializing the printer", *since, ServiceSession::ResetSeconds);
  };
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

int Run(const Command& command, const CommandOptions& options, PortSystem& ports, Clock& realClock, ProgramEnd& end,
        StopSignals* stops) {
  const int limit = options.TimeoutSeconds;
  std::function<void()> sayWhatIsLeft;  // set once the session is there
  ProgressClock clock(realClock, int64_t{limit} * 1000, [&end, limit, &sayWhatIsLeft] {
    SayError("The printer did not finish within " + std::to_string(limit) + " s.");
    if (sayWhatIsLeft) sayWhatIsLeft();
    end.End(ExitPrinterFailure);
  });
  TimedQuestions questions(options.Yes, clock);
  const int16_t portIndex = PortIndexOf(options.Port);
  const bool usesPrinter = command.UsesPrinter(options);
  const bool changesPrinter = command.ChangesPrinter(options);
  // What the printer says of itself counts only for a command that goes to it.
  const PortFinding printer = usesPrinter ? SurveyPort(ports, portIndex) : PortFinding{.PortIndex = portIndex};
  const std::optional<uint16_t> model = ModelForCommand(command, options, printer);
  if (!model) return ExitUsage;
  ServiceSession session(clock, ports, questions, end, portIndex, *model);
  // No time is left to put values under trial back: their note stays, and the technician is told.
  sayWhatIsLeft = [&session] {
    if (session.Guard.Trying()) SayWarning(session.Guard.TrialLeftText() + ServiceSession::FinishHint);
  };
  session.Driver.SetDeadline(&clock);  // no read or write of the port outlasts --timeout
  if (stops != nullptr) session.Guard.SetStopSignals(*stops);
  if (!options.Simulator.empty()) {
    const std::string place = std::filesystem::absolute(options.Simulator).lexically_normal().string();
    session.Guard.SetPrinterPlace(place);
    session.Record.SetPrinterPlace(place);
  }
  // A file that is there already is never written over: said before the printer is read for it.
  // (Only the commands that write a file of their own take --output.)
  if (!options.Output.empty()) {
    std::error_code ignored;
    if (std::filesystem::symlink_status(options.Output, ignored).type() != std::filesystem::file_type::not_found) {
      SayError(ShownText(options.Output) + " exists already: a " + command.Name + " is never written over.");
      return ExitUsage;
    }
  }
  ReportWhatEarlierRunsLeft(session, usesPrinter && command.WarnsOfUnfinishedWrites);
  StopAtNextExchange(session, end, changesPrinter);
  if (usesPrinter && !session.Connect()) {
    if (command.WithoutPrinter != nullptr) Say(SaidKind::Detail, command.WithoutPrinter);
    return ExitPrinterFailure;
  }
  if (command.NeedsReadyPrinter && !session.ReadyForDataChannel()) {
    session.Close(false);
    return ExitPrinterFailure;
  }
  CommandContext context{session, questions, clock, options};
  int status = command.Run(context);
  // The printer did what it was told, but the record of it could not be kept.
  if (status == ExitDone && session.View.RecordProblemShown()) status = ExitPrinterFailure;
  FollowTheReset(session, clock);
  // Refused input changed nothing: no reset is needed for it.
  if (usesPrinter) session.Close(changesPrinter && status != ExitUsage);
  session.View.EndProgress();
  // A write a signal stopped has said how far it got; the shell learns which signal ended it.
  if (const int signal = session.Guard.StopSignal()) return ExitStatusForSignal(signal);
  return status;
}

// The command on `ports`, each block on them decoded on standard error with --verbose.
int RunOnPorts(const Command& command, const CommandOptions& options, PortSystem& ports, Clock& clock, ProgramEnd& end,
               StopSignals* stops) {
  if (!options.Verbose) return Run(command, options, ports, clock, end, stops);
  DecodedWirePorts decoded(ports, clock);
  return Run(command, options, decoded, clock, end, stops);
}

}  // namespace

int RunCommandLine(const std::vector<std::string>& givenArguments, Clock& clock, ProgramEnd& end, StopSignals* stops) {
  SetQuiet(false);  // an earlier run's --quiet never holds for this one
  const ParsedArguments parsed = ParseArguments(givenArguments);
  if (parsed.Chosen == nullptr) return parsed.EndStatus;
  const Command& command = *parsed.Chosen;
  const CommandOptions& options = parsed.Options;
  SetQuiet(options.Quiet);
  try {
    if (options.Simulator.empty()) {
      LinuxPortSystem ports;
      return RunOnPorts(command, options, ports, clock, end, stops);
    }
    SaidLines faultReport;  // outlives the printer that reports into it
    VirtualPrinter printer(clock, options.Simulator);
    printer.SetFaultReport(faultReport);
    for (const std::string& message : printer.Messages()) SayNotice(message);
    SimPortSystem ports(printer, clock);
    return RunOnPorts(command, options, ports, clock, end, stops);
  } catch (const std::exception& fault) {
    SayError(fault.what());
    return ExitPrinterFailure;
  }
}
