// The one file that includes the option parser: its header takes long to compile.
#include "cli/ArgumentParser.h"

#include "cli/BidArguments.h"

#include <CLI/CLI.hpp>

namespace {

constexpr const char* Version = "1.0";
constexpr const char* DefaultSimulatorDirectory = "virtual-printer";

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

// An empty --write would read as no --write at all: a script's unset variable must not pass as "show".
const CLI::Validator NotEmpty(
    [](std::string& value) { return value.empty() ? std::string("an empty value writes nothing") : std::string(); },
    "VALUE");

CLI::Option* AddGlobalOptions(CLI::App& app, CommandOptions& options) {
  app.add_option("--port", options.Port, "LPT1..LPT3 or VLUSB1..VLUSB3")
      ->check(CLI::IsMember({"LPT1", "LPT2", "LPT3", "VLUSB1", "VLUSB2", "VLUSB3"}, CLI::ignore_case))
      ->capture_default_str();
  CLI::Option* modelOption =
      app.add_option("--model", options.Model,
                     "350 or 360; by default the model a USB printer names (needed by init, restore and "
                     "print check where the printer does not say)")
          ->check(CLI::IsMember({"350", "360"}));
  app.add_option("--timeout", options.TimeoutSeconds,
                 "Give up when the command has not finished after this many seconds (exit status 1)")
      ->check(CLI::PositiveNumber)
      ->capture_default_str();
  app.add_option("--simulator", options.Simulator,
                 "Use the virtual printer kept in DIR (--simulator alone: ./virtual-printer)")
      ->type_name("[=DIR]");
  app.add_flag("--yes,-y", options.Yes, "Answer yes to every question");
  return modelOption;
}

// The options of the commands that read and keep the board's values.
void AddReadingOptions(CLI::App& app, CommandOptions& options) {
  app.get_subcommand("list")->add_flag("--json", options.Json, "For scripts");
  app.get_subcommand("status")->add_flag("--json", options.Json, "For scripts");
  CLI::App* dump = app.get_subcommand("dump");
  dump->add_option("--range", options.Range, "AA-BB in hexadecimal")->capture_default_str();
  dump->add_option("--format", options.Format)->check(CLI::IsMember({"table", "hex", "bin"}))->capture_default_str();
  dump->add_option("-o,--output", options.Output, "Write to FILE instead of standard output");
  app.get_subcommand("backup")->add_option("-o,--output", options.Output,
                                           "The file (by default a new one in the backups folder)");
  CLI::App* restore = app.get_subcommand("restore");
  restore->add_option("FILE", options.File)->required();
  restore->add_flag("--dry-run", options.DryRun, "Only list the cells that would change");
  restore->add_flag("--force", options.Force, "Restore a backup taken from the other model all the same");
  CLI::App* diff = app.get_subcommand("diff");
  diff->add_option("A", options.File)->required();
  diff->add_option("B", options.Second);
  diff->add_flag("--printer", options.Printer, "Compare A with the printer");
  diff->add_flag("--all", options.All, "Show every cell, not only those that differ");
}

// The options of the commands that show or write one setting.
void AddSettingOptions(CLI::App& app, CommandOptions& options) {
  app.get_subcommand("head-id")->add_option("--write", options.Write, "The 13-character ID")->check(NotEmpty);
  app.get_subcommand("usb-id")->add_option("--write", options.Write, "The 10-character serial")->check(NotEmpty);
  CLI::App* bid = app.get_subcommand("bid");
  bid->add_option("--write", options.Writes, "NAME=VALUE: " + BidArgumentList());
  bid->add_option("--from-scan", options.FromScan,
                  "Write the values read from IMAGE, a scan of the Bi-D page printed with the stored values (asks unless --yes)");
  app.get_subcommand("top-margin")->add_option("--write", options.Write, "-, 0 or +")->check(NotEmpty);
  app.get_subcommand("first-dot")->add_option("--write", options.Write, "-72..72")->check(NotEmpty);
}

// The options of maintenance, prints, unfinished writes and scans.
void AddOtherOptions(CLI::App& app, CommandOptions& options) {
  app.get_subcommand("counter")->add_flag("--clear", options.Clear,
                                          "Clear it (after the waste ink pad was replaced; asks unless --yes)");
  app.get_subcommand("print")
      ->add_option("WHAT", options.What, "check, bid or top-margin")
      ->required()
      ->check(CLI::IsMember({"check", "bid", "top-margin"}));
  CLI::App* unfinished = app.get_subcommand("unfinished");
  CLI::Option* finish =
      unfinished->add_flag("--finish", options.Finish, "Write the intended values again and read them back");
  unfinished->add_flag("--discard", options.Discard, "Forget the notes (asks unless --yes); the printer keeps what it holds")
      ->excludes(finish);
  CLI::App* analyse = app.get_subcommand("analyse");
  analyse->add_option("WHAT", options.What, "bid (the Bi-D page) or nozzles (the first check page)")
      ->required()
      ->check(CLI::IsMember({"bid", "nozzles"}));
  analyse->add_option("IMAGE", options.File, "The scan: the whole sheet, PNG, JPEG or TIFF, 150 to 2400 dpi (above 1200 dpi as JPEG)")->required();
  analyse->add_flag("--json", options.Json, "For scripts");
  analyse->add_option("--values", options.Values,
                      "bid: the six values the page was printed with, " + BidValuesOrderText() +
                          " (by default the values the printer holds)");
}

}  // namespace

ParsedArguments ParseArguments(const std::vector<std::string>& given) {
  CLI::App app{"Service and adjustment of the Arvana Print 350 and 360 printers.\n"
               "Exit status: 0 done, 1 printer or link failure, 2 usage error or refused input, "
               "3 a write the printer did not confirm."};
  app.name("arvana-service");
  app.set_version_flag("--version", std::string("arvana-service ") + Version);
  app.require_subcommand(1, 1);
  ParsedArguments parsed;
  CLI::Option* modelOption = AddGlobalOptions(app, parsed.Options);
  for (const Command& command : AllCommands()) app.add_subcommand(command.Name, command.Summary);
  AddReadingOptions(app, parsed.Options);
  AddSettingOptions(app, parsed.Options);
  AddOtherOptions(app, parsed.Options);
  try {
    std::vector<std::string> arguments = Arguments(given);
    app.parse(arguments);
  } catch (const CLI::ParseError& error) {
    const int code = app.exit(error);
    parsed.EndStatus = code == 0 ? ExitDone : ExitUsage;
    return parsed;
  }
  parsed.Chosen = FindCommand(app.get_subcommands().front()->get_name());
  parsed.Options.ModelGiven = modelOption->count() > 0;
  return parsed;
}
