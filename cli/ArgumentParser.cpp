// The one file that includes the option parser: its header takes long to compile.
#include "cli/ArgumentParser.h"

#include "cli/BidArguments.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cctype>

namespace {

constexpr const char* Version = "1.0";
constexpr const char* DefaultSimulatorDirectory = "virtual-printer";
constexpr const char* ProgramSummary = "Service and adjustment of the Arvana Print 350 and 360 printers.";

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
  return modelOption;
}

// The options of the commands that read and keep the board's values.
void AddReadingOptions(CLI::App& app, CommandOptions& options) {
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

// The first lines of --help: what the program is, and what its exit statuses tell a script.
std::string ProgramDescription() {
  std::string statuses;
  for (const ExitStatusMeaning& meaning : ExitStatusMeanings)
    statuses += (statuses.empty() ? "" : ", ") + std::to_string(meaning.Status) + " " + meaning.Meaning;
  return std::string(ProgramSummary) + "\nExit status: " + statuses + ".";
}

// Builds the whole parser; what is given lands in `options`. Returns --model, whose presence the commands ask about.
CLI::Option* ConfigureParser(CLI::App& app, CommandOptions& options) {
  app.name("arvana-service");
  app.description(ProgramDescription());
  app.set_version_flag("--version", std::string("arvana-service ") + Version);
  app.require_subcommand(1, 1);
  CLI::Option* modelOption = AddGlobalOptions(app, options);
  for (const Command& command : AllCommands()) app.add_subcommand(command.Name, command.Summary);
  AddReadingOptions(app, options);
  AddSettingOptions(app, options);
  AddOtherOptions(app, options);
  return modelOption;
}

// The values an option takes when a set of them is its check: CLI11 shows that set as "{a,b,c}"
// after the type ("TEXT:{a,b,c}").
std::vector<std::string> ChoicesOf(const CLI::Option& option) {
  const std::string type = option.get_type_name();
  const size_t open = type.find(":{");
  const size_t close = type.find('}', open);
  if (open == std::string::npos || close == std::string::npos) return {};
  std::vector<std::string> choices;
  const std::string list = type.substr(open + 2, close - open - 2);
  for (size_t start = 0; start <= list.size();) {
    const size_t comma = std::min(list.find(',', start), list.size());
    choices.push_back(list.substr(start, comma - start));
    start = comma + 1;
  }
  return choices;
}

// The placeholder of an option's value: the parser's own when it names one ("[=DIR]"), else the
// option's long name in capitals ("--port" -> "PORT"); CLI11's type names ("TEXT") say nothing.
std::string ValueNameOf(const CLI::Option& option) {
  if (option.get_items_expected_max() == 0) return {};  // a switch
  const std::string type = option.get_type_name().substr(0, option.get_type_name().find(':'));
  const bool generic = type == "TEXT" || type == "INT" || type == "UINT" || type == "FLOAT" || type.empty();
  if (!generic) return type;
  std::string name = option.get_lnames().empty() ? option.get_name() : option.get_lnames().front();
  for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return name;
}

OptionText TextOf(const CLI::Option& option) {
  OptionText text;
  if (option.get_positional() && !option.nonpositional()) {
    text.Names = {option.get_name(true)};
    text.Positional = true;
  } else {
    for (const std::string& name : option.get_snames()) text.Names.push_back("-" + name);
    for (const std::string& name : option.get_lnames()) text.Names.push_back("--" + name);
    text.Value = ValueNameOf(option);
  }
  text.Description = option.get_description();
  text.Default = option.get_default_str();
  text.Choices = ChoicesOf(option);
  text.Required = option.get_required();
  text.Repeatable = option.get_items_expected_max() > 1;
  return text;
}

std::vector<OptionText> OptionsOf(const CLI::App& app, bool withHelp) {
  std::vector<OptionText> texts;
  for (const CLI::Option* option : app.get_options()) {
    if (!withHelp && option == app.get_help_ptr()) continue;
    texts.push_back(TextOf(*option));
  }
  return texts;
}

}  // namespace

CommandLineText DescribeCommandLine() {
  CLI::App app;
  CommandOptions options;
  ConfigureParser(app, options);
  CommandLineText text;
  text.Program = app.get_name();
  text.Version = Version;
  text.Description = ProgramSummary;
  text.Options = OptionsOf(app, true);
  for (const CLI::App* command : app.get_subcommands([](const CLI::App*) { return true; }))
    text.Commands.push_back({command->get_name(), command->get_description(), OptionsOf(*command, false)});
  return text;
}

ParsedArguments ParseArguments(const std::vector<std::string>& given) {
  CLI::App app;
  ParsedArguments parsed;
  CLI::Option* modelOption = ConfigureParser(app, parsed.Options);
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
