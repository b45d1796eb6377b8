// The commands of arvana-service, each over the same core as the window's items.
#pragma once

#include "cli/ServiceSession.h"
#include "cli/TerminalDialogs.h"
#include "eeprom/BidValues.h"
#include "service/BidLogic.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

// Exit statuses: what a script can tell apart.
constexpr int ExitDone = 0;
constexpr int ExitPrinterFailure = 1;  // the printer or the link failed, or a value could not be read
constexpr int ExitUsage = 2;           // bad arguments, refused input, a bad file, a question nobody could answer
constexpr int ExitNotConfirmed = 3;    // a write the printer did not confirm

struct CommandContext {
  ServiceSession& Session;
  TerminalDialogs& Questions;
};

int RunStatus(CommandContext& context, bool json);
int RunDump(CommandContext& context, const std::string& range, const std::string& format, const std::string& output);
int RunBackup(CommandContext& context, const std::string& output);
int RunRestore(CommandContext& context, const std::string& file, bool dryRun, bool force);
int RunDiff(CommandContext& context, const std::string& first, const std::string& second, bool printer, bool all);
int RunHeadId(CommandContext& context, const std::string& write);
int RunUsbId(CommandContext& context, const std::string& write);
int RunBid(CommandContext& context, const std::vector<std::string>& writes, const std::string& fromScan);
// Reads a scanned page: "bid" (around `values`, or the stored values when
// empty) or "nozzles"; text or JSON on standard output.
int RunAnalyse(CommandContext* context, const std::string& what, const std::string& image, bool json,
               const std::string& values);
// The six values of --values ("1,-2,0,3,0,4"); empty when the text is not six whole numbers within -36..36.
std::optional<std::array<int, BidValues.size()>> ParseSixValues(const std::string& text);
// The command line's names of the Bi-D values in table order: "ms-black, ms-color, ...".
std::string BidArgumentList();
// How --values lists them: "MS Black first, as 1,-2,0,3,0,4".
std::string BidValuesOrderText();
// The NAME=VALUE arguments of `bid --write` in the window's table order, each value held to the
// window's own check; nothing, with the message, for the first one that is wrong.
std::optional<std::vector<BidEntry>> ParseBidWrites(const std::vector<std::string>& writes, std::string& problem);
int RunTopMargin(CommandContext& context, const std::string& write);
int RunFirstDot(CommandContext& context, const std::string& write);
int RunInit(CommandContext& context);
int RunCounter(CommandContext& context, bool clear);
int RunCleaning(CommandContext& context, bool charge);
int RunPrint(CommandContext& context, const std::string& what);

// The writes that did not finish on the chosen port: listed on standard output, written again
// and read back (`finish`), or forgotten after a question (`discard`).
int RunUnfinished(CommandContext& context, bool finish, bool discard);

// Whether a command changes what the printer holds, so that ending it resets the printer.
bool ChangesPrinter(const std::string& command, bool writing);
