#include "cli/Commands.h"

#include <array>

namespace {

// clang-format off
constexpr std::array CommandList{
    Command{.Name = "list", .Summary = "Every port and the printer on it: model, device, device ID, USB serial",
            .Run = RunList, .UsesPrinter = Never, .WarnsOfUnfinishedWrites = false},
    Command{.Name = "status", .Summary = "The printer's state, error, warnings and ink quantities", .Run = RunStatus},
    Command{.Name = "dump", .Summary = "EEPROM cells, as the EEPROM check's table", .Run = RunDump},
    Command{.Name = "backup", .Summary = "Save the board's values in a backup file", .Run = RunBackup},
    Command{.Name = "restore", .Summary = "Write a backup file's values into the printer", .Run = RunRestore,
            .ChangesPrinter = [](const CommandOptions& options) { return !options.DryRun; },
            .NeedsModel = Always},
    // Between two files it needs no printer.
    Command{.Name = "diff", .Summary = "Two backups side by side, or a backup and the printer", .Run = RunDiff,
            .UsesPrinter = [](const CommandOptions& options) { return options.Printer; }},
    Command{.Name = "head-id", .Summary = "Show or write the head ID", .Run = RunHeadId,
            .ChangesPrinter = [](const CommandOptions& options) { return !options.Write.empty(); },
            .NeedsReadyPrinter = true},
    Command{.Name = "usb-id", .Summary = "Show or write the USB ID", .Run = RunUsbId,
            .ChangesPrinter = [](const CommandOptions& options) { return !options.Write.empty(); },
            .NeedsReadyPrinter = true},
    Command{.Name = "bid", .Summary = "Show or write the Bi-D values", .Run = RunBid,
            .ChangesPrinter = [](const CommandOptions& options) { return !options.Writes.empty() || !options.FromScan.empty(); },
            .NeedsReadyPrinter = true},
    Command{.Name = "top-margin", .Summary = "Show or write the top margin", .Run = RunTopMargin,
            .ChangesPrinter = [](const CommandOptions& options) { return !options.Write.empty(); },
            .NeedsReadyPrinter = true},
    Command{.Name = "first-dot", .Summary = "Show or write the first dot position", .Run = RunFirstDot,
            .ChangesPrinter = [](const CommandOptions& options) { return !options.Write.empty(); },
            .NeedsReadyPrinter = true},
    Command{.Name = "init", .Summary = "Write the initial values of a new main board", .Run = RunInit,
            .ChangesPrinter = Always, .NeedsModel = Always},
    Command{.Name = "counter", .Summary = "Show or clear the protection counter", .Run = RunCounter,
            .ChangesPrinter = [](const CommandOptions& options) { return options.Clear; }},
    Command{.Name = "clean", .Summary = "Head cleaning", .Run = RunClean,
            .ChangesPrinter = Always, .NeedsReadyPrinter = true},
    Command{.Name = "charge", .Summary = "Ink charge", .Run = RunCharge,
            .ChangesPrinter = Always, .NeedsReadyPrinter = true},
    Command{.Name = "print", .Summary = "Print a check page", .Run = RunPrint,
            .ChangesPrinter = Always, .NeedsReadyPrinter = true,
            // Only the check page's headline names the model; the Bi-D page and the top-margin line do not.
            .NeedsModel = [](const CommandOptions& options) { return options.What == "check"; }},
    // Listing and forgetting notes is done on this computer alone; finishing writes the printer.
    Command{.Name = "unfinished",
            .Summary = "Writes that did not finish on this port (a kill, a power cut): list, finish or forget them",
            .Run = RunUnfinished,
            .ChangesPrinter = [](const CommandOptions& options) { return options.Finish; },
            .UsesPrinter = [](const CommandOptions& options) { return options.Finish; },
            .WarnsOfUnfinishedWrites = false},
    // Reading a scan whose values are given needs no printer, nor does reading the nozzle check.
    Command{.Name = "analyse", .Summary = "Read a scanned page: the Bi-D values, or the missing nozzles",
            .Run = RunAnalyse,
            .UsesPrinter = [](const CommandOptions& options) { return options.What != "nozzles" && options.Values.empty(); },
            .WithoutPrinter = "analyse bid reads the stored values from the printer; give --values to read a scan without one."},
    Command{.Name = "report", .Summary = "The service records: a printer's visits, as a history or a job sheet",
            .Run = RunReport, .UsesPrinter = Never, .WarnsOfUnfinishedWrites = false},
};
// clang-format on

}  // namespace

std::span<const Command> AllCommands() { return CommandList; }

const Command* FindCommand(const std::string& name) {
  for (const Command& command : CommandList)
    if (name == command.Name) return &command;
  return nullptr;
}
