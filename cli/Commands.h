// The commands of arvana-service, each over the same core as the window's items: one table that
// says, for every command, what the run around it must do (open the link, wait for a ready
// printer, reset the printer at the end) and which handler does the command's own work.
#pragma once

#include "cli/BidArguments.h"
#include "cli/CommandOptions.h"
#include "cli/ProgressClock.h"
#include "cli/ServiceSession.h"
#include "cli/TerminalDialogs.h"

#include <array>
#include <span>
#include <string>

// Exit statuses: what a script can tell apart.
constexpr int ExitDone = 0;
constexpr int ExitPrinterFailure = 1;  // the printer or the link failed, or a value could not be read
constexpr int ExitUsage = 2;           // bad arguments, refused input, a bad file, a question nobody could answer
constexpr int ExitNotConfirmed = 3;    // a write the printer did not confirm

// What each status means, as --help and the manual page say it; `Details` is the manual's longer word.
struct ExitStatusMeaning {
  int Status;
  const char* Meaning;
  const char* Details;
};
inline constexpr std::array ExitStatusMeanings{
    ExitStatusMeaning{ExitDone, "done", "The command did what it was asked."},
    ExitStatusMeaning{ExitPrinterFailure, "printer or link failure",
                      "The printer or the link failed: a value could not be read, the printer did not answer, "
                      "the --timeout was reached by the whole command, or the results could not be written."},
    ExitStatusMeaning{ExitUsage, "usage error or refused input",
                      "Bad arguments, or input that was refused: a head ID that fails its check, a bad backup "
                      "file, a question nobody could answer. Nothing was written."},
    ExitStatusMeaning{ExitNotConfirmed, "a write the printer did not confirm",
                      "A write whose read-back did not show the values written."},
};

struct CommandContext {
  ServiceSession& Session;
  TerminalDialogs& Questions;
  ProgressClock& Time;
  const CommandOptions& Options;
};

// A fact about one run of a command that depends on what it was given.
using OptionTest = bool (*)(const CommandOptions&);

constexpr bool Never(const CommandOptions&) { return false; }
constexpr bool Always(const CommandOptions&) { return true; }

struct Command {
  const char* Name;
  const char* Summary;  // its line in the help
  // Does the command's work once the printer is as the fields below ask; returns the exit status.
  int (*Run)(CommandContext&);
  // Whether the run changes what the printer holds, so that ending it resets the printer.
  OptionTest ChangesPrinter = Never;
  // Whether the run needs the printer at all; one that does not never opens the port.
  OptionTest UsesPrinter = Always;
  // The items the window offers only while the printer is not in error; they also need the data channel.
  bool NeedsReadyPrinter = false;
  // Whether the model decides what the run writes or prints (the initial setting's market ID, the
  // check page's headline; a backup is restored only into the model it was taken from): the run
  // needs --model where the printer does not name its model. A backup takes the model from the
  // board's market ID when neither says.
  OptionTest NeedsModel = Never;
  // Whether the start warns of writes an earlier run left unfinished (the command that lists them does not).
  bool WarnsOfUnfinishedWrites = true;
  // Said after the printer did not answer, when the command could have done without it.
  const char* WithoutPrinter = nullptr;
};

// Every command, in the order the help lists them.
std::span<const Command> AllCommands();
// The command of that name; nullptr when there is none.
const Command* FindCommand(const std::string& name);

// Every port and what is on it (model, device node, device ID, USB serial), as text or JSON.
int RunList(CommandContext& context);
int RunStatus(CommandContext& context);
int RunDump(CommandContext& context);
int RunBackup(CommandContext& context);
int RunRestore(CommandContext& context);
int RunDiff(CommandContext& context);
// The writes that did not finish on the chosen port: listed on standard output, written again
// and read back (`--finish`), or forgotten after a question (`--discard`).
int RunUnfinished(CommandContext& context);
int RunHeadId(CommandContext& context);
int RunUsbId(CommandContext& context);
int RunTopMargin(CommandContext& context);
int RunFirstDot(CommandContext& context);
int RunInit(CommandContext& context);
int RunBid(CommandContext& context);
// Reads a scanned page: "bid" (around --values, or the stored values when there are none) or
// "nozzles"; text or JSON on standard output.
int RunAnalyse(CommandContext& context);
int RunCounter(CommandContext& context);
int RunClean(CommandContext& context);
int RunCharge(CommandContext& context);
int RunPrint(CommandContext& context);
// The service records: the printers that have one, one printer's visits (text, JSON, an HTML or
// PDF job sheet), or one printer's record deleted after a question. Opens no port.
int RunReport(CommandContext& context);
