// The one file that includes the option parser: its header takes long to compile.
#include "cli/ArgumentParser.h"

#include "cli/BidArguments.h"
#include "cli/CommandSupport.h"
#include "cli/StandardError.h"

#include "platform/ProgramVersion.h"
#include "platform/ShownText.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cctype>

namespace {

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

// A bad --range is refused before the printer is opened, saying what is taken.
const CLI::Validator CellRangeCheck(
    [](std::string& value) {
      std::string problem;
      return ReadCellRange(value, problem) ? std::string() : problem;
    },
    "");

// The longest --timeout: a day, far beyond any command, and within what the clocks count.
constexpr long MostSeconds = 24 * 60 * 60;

const CLI::Validator SecondsCheck(
    [](std::string& value) {
      // More digits than a day has are refused before they are read as a number.
      constexpr size_t MostDigits = 6;
      long seconds = 0;
      const bool whole = !value.empty() && value.size() <= MostDigits &&
                         value.find_first_not_of("0123456789") == std::string::npos &&
                         (seconds = std::stol(value)) >= 1 && seconds <= MostSeconds;
      return whole ? std::string() : "'" + ShownText(value) + "' is not a whole number of seconds from 1 to " +
                                         std::to_string(MostSeconds);
    },
    "");

// An empty --write would read as no --write at all: a script's unset variable must not pass as "show".
const CLI::Validator NotEmpty(
    [](std::string& value) { return value.empty() ? std::string("an empty value writes nothing") : std::string(); },
    "VALUE");

// The options every command takes, before the command or after it: they are given to the program
// and to each command alike, so that each command's help shows them too.
void AddGlobalOptions(CLI::App& app, CommandOptions& options, std::vector<CLI::Option*>& modelOptions) {
  CLI::Option_group* global = app.add_option_group("Global options");
  global->add_option("--port", options.Port, "LPT1..LPT3 or VLUSB1..VLUSB3")
      ->check(CLI::IsMember({"LPT1", "LPT2", "LPT3", "VLUSB1", "VLUSB2", "VLUSB3"}, CLI::ignore_case))
      ->capture_default_str();
  modelOptions.push_back(global
                             ->add_option("--model", options.Model,
                                          "350 or 360; by default the model a USB printer names (needed by init, "
                                          "restore and print check where the printer does not say)")
                             ->check(CLI::IsMember({"350", "360"})));
  global
      ->add_option("--timeout", options.TimeoutSeconds,
                   "Give up when the command has not finished after this many seconds (exit status 1)")
      ->check(SecondsCheck)
      ->type_name("SECONDS")
      ->capture_default_str();
  global
      ->add_option("--simulator", options.Simulator,
                   "Use the virtual printer kept in DIR (--simulator alone: ./virtual-printer)")
      ->type_name("[=DIR]");
  global->add_flag("--yes,-y", options.Yes, "Answer yes to every question");
  global->add_flag("--quiet,-q", options.Quiet, "Results and errors only: no progress, no notices");
  global->add_flag("--verbose,-v", options.Verbose, "Show every block on the wire, decoded, on standard error");
}

// The options of the commands that read and keep the board's values.
void AddReadingOptions(CLI::App& app, CommandOptions& options) {
  app.get_subcommand("list")->add_flag("--json", options.Json, "For scripts");
  app.get_subcommand("status")->add_flag("--json", options.Json, "For scripts");
  CLI::App* dump = app.get_subcommand("dump");
  dump->add_option("--range", options.Range, "The cells AA to BB, two hexadecimal digits each")
      ->check(CellRangeCheck)
      ->type_name("AA-BB")
      ->capture_default_str();
  dump->add_option("--format", options.Format,
                   "table (16 cells a row, as the EEPROM check shows them), hex (one line \"AA = VV\" a cell) or "
                   "bin (the cells' bytes)")
      ->check(CLI::IsMember({"table", "hex", "bin"}))
      ->capture_default_str();
  dump->add_option("-o,--output", options.Output, "Write to FILE instead of standard output")->type_name("FILE");
  app.get_subcommand("backup")->add_option("-o,--output", options.Output,
                                           "The file (by default a new one in the backups folder)")
      ->type_name("FILE");
  CLI::App* restore = app.get_subcommand("restore");
  restore->add_option("FILE", options.File, "The backup file whose values are written (one that backup made)")->required();
  restore->add_flag("--dry-run", options.DryRun, "Only list the cells that would change");
  restore->add_flag("--force", options.Force, "Restore a backup taken from the other model all the same");
  CLI::App* diff = app.get_subcommand("diff");
  diff->add_option("A", options.File, "A backup file")->required();
  diff->add_option("B", options.Second, "The backup file compared with A (or --printer)");
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

// The options of the service records' report.
void AddReportOptions(CLI::App& app, CommandOptions& options) {
  CLI::App* report = app.get_subcommand("report");
  report->add_option("--printer", options.RecordPrinter, "The printer's USB ID (serial) or, without one, its head ID")
      ->type_name("SERIAL")
      ->check(NotEmpty);
  report->add_option("--since", options.Since, "Only the visits from this date on")->type_name("YYYY-MM-DD");
  report->add_option("--visit", options.VisitNumber, "Only the N-th visit of the printer's record")
      ->type_name("N")
      ->check(CLI::Range(1, 1000000));
  CLI::Option* json = report->add_flag("--json", options.Json, "For scripts: the visits as the record keeps them");
  CLI::Option* html = report->add_option("--html", options.Html, "Write the job sheet to FILE as HTML")->type_name("FILE");
  CLI::Option* pdf = report->add_option("--pdf", options.Pdf, "Write the job sheet to FILE as PDF, an A4 page a visit")
                         ->type_name("FILE");
  report->add_flag("--delete", options.Delete, "Delete the printer's record (asks unless --yes)")
      ->excludes(json)
      ->excludes(html)
      ->excludes(pdf);
  json->excludes(html)->excludes(pdf);
}

std::string CommandList() {
  std::string list;
  for (const Command& command : AllCommands()) list += (list.empty() ? "" : ", ") + std::string(command.Name);
  return list;
}

// Where the accepted options and arguments are listed: the command's help, or the program's.
std::string HelpHint(const CLI::App* chosen) {
  const std::string program = ServiceProgramName;
  return chosen == nullptr ? "see '" + program + " --help'" : "see '" + program + " " + chosen->get_name() + " --help'";
}

// What the parser could not place: a word where a command belongs, or an argument no command takes.
std::string LeftOverProblem(const std::string& argument, const CLI::App* chosen) {
  const std::string shown = "'" + ShownText(argument) + "'";
  if (chosen == nullptr && !argument.starts_with("-"))
    return shown + " is not a command; the commands are " + CommandList() + ".";
  const std::string what = argument.starts_with("-") ? " is not an option" : " is not an argument";
  return shown + what + (chosen == nullptr ? "" : " of " + chosen->get_name()) + "; " + HelpHint(chosen) + ".";
}

// Help and the version go to standard output, and end the program as done.
ParsedArguments Ended(CLI::App& app, const CLI::ParseError& call) {
  app.exit(call);
  return ParsedArguments{};
}

// Says a usage error and gives the usage status.
ParsedArguments Refused(const std::string& problem) {
  SayError(problem);
  ParsedArguments parsed;
  parsed.EndStatus = ExitUsage;
  return parsed;
}

// The first lines of --help: what the program is, and what its exit statuses tell a script.
std::string ProgramDescription() {
  std::string statuses;
  for (const ExitStatusMeaning& meaning : ExitStatusMeanings)
    statuses += (statuses.empty() ? "" : ", ") + std::to_string(meaning.Status) + " " + meaning.Meaning;
  return std::string(ProgramSummary) + "\nExit status: " + statuses + ".";
}

// Builds the whole parser; what is given lands in `options`. Returns every --model (the program's
// and each command's), whose presence the commands ask about.
std::vector<CLI::Option*> ConfigureParser(CLI::App& app, CommandOptions& options) {
  app.name(ServiceProgramName);
  app.description(ProgramDescription());
  app.set_version_flag("--version", std::string(ServiceProgramName) + " " + ProgramVersion);
  app.require_subcommand(0, 1);
  app.get_formatter()->label("SUBCOMMAND", "COMMAND");
  app.get_formatter()->label("Subcommands", "Commands");
  // What no option or command takes is gathered and refused after parsing, naming it.
  app.allow_extras();
  std::vector<CLI::Option*> modelOptions;
  AddGlobalOptions(app, options, modelOptions);
  for (const Command& command : AllCommands())
    AddGlobalOptions(*app.add_subcommand(command.Name, command.Summary), options, modelOptions);
  AddReadingOptions(app, options);
  AddSettingOptions(app, options);
  AddOtherOptions(app, options);
  AddReportOptions(app, options);
  return modelOptions;
}

// The option groups of `app` ("Global options"): parts of it without a name of their own.
std::vector<const CLI::App*> OptionGroupsOf(const CLI::App& app) {
  return app.get_subcommands([](const CLI::App* part) { return part->get_name().empty(); });
}

// The commands of `app`.
std::vector<const CLI::App*> CommandsOf(const CLI::App& app) {
  return app.get_subcommands([](const CLI::App* part) { return !part->get_name().empty(); });
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

// The options of `app`; with `withGroups` also those of its option groups. A command's help
// repeats the global options, which its manual page lists once, at the top.
std::vector<OptionText> OptionsOf(const CLI::App& app, bool withHelp, bool withGroups) {
  std::vector<OptionText> texts;
  for (const CLI::Option* option : app.get_options()) {
    if (!withHelp && option == app.get_help_ptr()) continue;
    texts.push_back(TextOf(*option));
  }
  if (withGroups) {
    for (const CLI::App* group : OptionGroupsOf(app))
      for (const CLI::Option* option : group->get_options())
        if (option != group->get_help_ptr()) texts.push_back(TextOf(*option));
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
  text.Version = ProgramVersion;
  text.Description = ProgramSummary;
  text.Options = OptionsOf(app, true, true);
  for (const CLI::App* command : CommandsOf(app))
    text.Commands.push_back({command->get_name(), command->get_description(), OptionsOf(*command, false, false)});
  return text;
}

ParsedArguments ParseArguments(const std::vector<std::string>& given) {
  CLI::App app;
  ParsedArguments parsed;
  const std::vector<CLI::Option*> modelOptions = ConfigureParser(app, parsed.Options);
  try {
    std::vector<std::string> arguments = Arguments(given);
    app.parse(arguments);
  } catch (const CLI::CallForHelp& help) {
    return Ended(app, help);
  } catch (const CLI::CallForAllHelp& help) {
    return Ended(app, help);
  } catch (const CLI::CallForVersion& version) {
    return Ended(app, version);
  } catch (const CLI::ParseError& error) {
    const std::vector<CLI::App*> chosen = app.get_subcommands();
    return Refused(std::string(error.what()) + "; " + HelpHint(chosen.empty() ? nullptr : chosen.front()) + ".");
  }
  const std::vector<CLI::App*> chosen = app.get_subcommands();
  const CLI::App* command = chosen.empty() ? nullptr : chosen.front();
  if (const std::vector<std::string> left = app.remaining(false); !left.empty())
    return Refused(LeftOverProblem(left.front(), nullptr));
  if (command == nullptr) return Refused("No command was given; the commands are " + CommandList() + ".");
  if (const std::vector<std::string> left = command->remaining(false); !left.empty())
    return Refused(LeftOverProblem(left.front(), command));
  if (parsed.Options.Quiet && parsed.Options.Verbose)
    return Refused("--quiet and --verbose cannot be given together: choose one.");
  parsed.Chosen = FindCommand(command->get_name());
  parsed.Options.ModelGiven =
      std::any_of(modelOptions.begin(), modelOptions.end(), [](const CLI::Option* option) { return option->count() > 0; });
  return parsed;
}
