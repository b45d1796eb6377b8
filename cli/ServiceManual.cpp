#include "cli/ServiceManual.h"

#include "platform/ManualPage.h"
#include "platform/StopSignals.h"

#include "cli/Commands.h"
#include "eeprom/BidValues.h"
#include "service/BackupFile.h"
#include "service/ManualSections.h"
#include "sim/files/PrinterFolder.h"

#include <algorithm>
#include <array>

namespace {

std::string Joined(const std::vector<std::string>& words, const std::string& between) {
  std::string joined;
  for (const std::string& word : words) joined += (joined.empty() ? "" : between) + word;
  return joined;
}

// "--port PORT", "-o, --output OUTPUT", "--simulator[=DIR]", "FILE": names bold, the value in italics.
ManualWords TagOf(const OptionText& option) {
  ManualWords tag;
  if (option.Positional) return tag.Italic(option.Names.front());
  for (size_t i = 0; i < option.Names.size(); ++i) tag.Roman(i == 0 ? "" : ", ").Bold(option.Names[i]);
  if (option.Value.empty()) return tag;
  // "[=DIR]" is the value of an option that takes it only joined on with '='.
  if (option.Value.front() != '[') tag.Roman(" ");
  tag.Italic(option.Value);
  if (option.Repeatable) tag.Roman(" ...");
  return tag;
}

std::string DescriptionOf(const OptionText& option) {
  std::string text = option.Description;
  if (!option.Choices.empty()) text += (text.empty() ? "One of " : ". One of ") + Joined(option.Choices, ", ");
  if (!option.Default.empty()) text += (text.empty() ? "Default: " : ". Default: ") + option.Default;
  if (option.Repeatable) text += (text.empty() ? "" : ". ") + std::string("May be given more than once");
  if (option.Required && !option.Positional) text += (text.empty() ? "" : ". ") + std::string("Required");
  if (!text.empty() && text.back() != '.') text += ".";
  return text;
}

// "restore [OPTIONS] FILE": how a command is typed.
ManualWords UsageOf(const CommandText& command) {
  ManualWords usage;
  usage.Bold(command.Name);
  if (std::any_of(command.Options.begin(), command.Options.end(), [](const OptionText& option) { return !option.Positional; }))
    usage.Roman(" [").Italic("OPTIONS").Roman("]");
  for (const OptionText& option : command.Options) {
    if (!option.Positional) continue;
    usage.Roman(option.Required ? " " : " [").Italic(option.Names.front()).Roman(option.Required ? "" : "]");
  }
  return usage;
}

void WriteSynopsis(ManualPage& page, const CommandLineText& commandLine) {
  page.Section("Synopsis");
  page.Paragraph(ManualWords().Bold(commandLine.Program).Roman(" [").Italic("OPTIONS").Roman("] ").Italic("COMMAND").Roman(" [").Italic("COMMAND OPTIONS").Roman("] [").Italic("ARGUMENTS").Roman("]"));
  page.Paragraph(ManualWords().Bold(commandLine.Program).Roman(" [").Italic("COMMAND").Roman("] ").Bold("--help"));
}

void WriteDescription(ManualPage& page, const CommandLineText& commandLine) {
  page.Section("Description");
  page.Paragraph(commandLine.Description);
  page.Paragraph("arvana-service runs the items of the adjustment window (arvana-adjust) from a terminal or a "
                 "script, over the same code and with the same checks, messages and read-back confirmation. "
                 "Results go to standard output, messages and progress to standard error. A write is confirmed "
                 "by reading every cell back; a message that says a value was written is said only then.");
  page.Paragraph("Every write of more than one cell first leaves a note of what it is about to write; the "
                 "read-back that confirms the write removes it. A note left by a kill, a power cut or a pulled "
                 "cable is reported by every later command on that port, and the unfinished command writes its "
                 "cells again or forgets it.");
  page.Paragraph("The port device is locked while the program holds it: a second program on the same printer "
                 "is refused and sends nothing.");
}

void WriteOptions(ManualPage& page, const CommandLineText& commandLine) {
  page.Section("Options");
  page.Paragraph("These options are taken by every command.");
  for (const OptionText& option : commandLine.Options) page.Entry(TagOf(option), DescriptionOf(option));
}

void WriteCommands(ManualPage& page, const CommandLineText& commandLine) {
  page.Section("Commands");
  page.Paragraph("Each command also takes --help, which lists its own options.");
  for (const CommandText& command : commandLine.Commands) {
    std::string summary = command.Summary;
    const Command* known = FindCommand(command.Name);
    if (known != nullptr && known->NeedsModel) summary += ". Needs --model";
    page.Entry(UsageOf(command), summary + ".");
    if (command.Options.empty()) continue;
    page.Indent();
    for (const OptionText& option : command.Options) {
      // An argument the usage line names and nothing more is said of.
      const std::string description = DescriptionOf(option);
      if (!description.empty()) page.Entry(TagOf(option), description);
    }
    page.Outdent();
  }
}

void WriteExitStatus(ManualPage& page) {
  page.Section("Exit status");
  for (const ExitStatusMeaning& meaning : ExitStatusMeanings)
    page.Entry(ManualWords().Bold(std::to_string(meaning.Status)), meaning.Details);
  page.Entry(ManualWords().Bold(std::to_string(ExitStatusForSignal(0))).Roman(" + ").Italic("N"),
             "Signal N stopped the command (" + std::to_string(ExitStatusForSignal(2)) + " for Ctrl-C, " +
                 std::to_string(ExitStatusForSignal(15)) +
                 " for kill). A write is stopped after the cell in flight, and the message says how far it got.");
}

void WriteExamples(ManualPage& page) {
  page.Section("Examples");
  page.Example("arvana-service --simulator status", "The state of the virtual printer in ./virtual-printer:");
  page.Example("arvana-service --port VLUSB1 --model 360 backup",
               "Save the board's values of the printer on the first USB port in the backup folder:");
  page.Example("arvana-service --port VLUSB1 --model 360 restore --dry-run FILE",
               "List the cells a restore of FILE would change, writing nothing:");
  page.Example("arvana-service --port LPT1 bid --write ms-black=2 --write 6pl-color=-1",
               "Write two Bi-D values and read them back:");
  page.Example("arvana-service dump --range 00-3F --format hex -o cells.txt", "The first 64 EEPROM cells into a file:");
  page.Example("arvana-service unfinished --finish", "Write again what a write cut off on this port meant to write:");
}

// The word list of a bash `case` pattern: "-o|--output".
std::string CasePattern(const std::vector<std::string>& names) { return Joined(names, "|"); }

// The options, of all commands or of one, that take a value in the next word.
std::vector<std::string> ValueOptions(const std::vector<OptionText>& options) {
  std::vector<std::string> names;
  for (const OptionText& option : options)
    if (!option.Positional && !option.Value.empty() && option.Value.front() != '[')
      names.insert(names.end(), option.Names.begin(), option.Names.end());
  return names;
}

std::vector<std::string> OptionNames(const std::vector<OptionText>& options) {
  std::vector<std::string> names;
  for (const OptionText& option : options) {
    if (option.Positional) continue;
    // "--simulator[=DIR]": offered as "--simulator", which stands alone too.
    names.insert(names.end(), option.Names.begin(), option.Names.end());
  }
  return names;
}

// The options whose value names a file; every argument without a fixed few values does too. The
// values of the rest (a range, a time-out, an ID) are typed, and nothing is offered for them.
constexpr std::array FileOptions{"--output", "--from-scan"};

bool TakesFile(const OptionText& option) {
  if (option.Positional) return true;
  return std::any_of(FileOptions.begin(), FileOptions.end(), [&option](const char* name) {
    return std::find(option.Names.begin(), option.Names.end(), name) != option.Names.end();
  });
}

// The bash lines that complete the value of an option or argument of one command ("" for any command).
std::string ValueCompletion(const OptionText& option, const std::string& command) {
  if (!option.Choices.empty()) return "_arvana_service_words \"" + Joined(option.Choices, " ") + "\"";
  if (command == "bid" && option.Names.front() == "--write") {
    std::string names;
    for (const BidValue& value : BidValues) names += (names.empty() ? "" : " ") + std::string(value.ArgumentName) + "=";
    return "_arvana_service_words \"" + names + "\"; _arvana_service_nospace";
  }
  // A backup to read: restore FILE, diff A B.
  if ((command == "restore" || command == "diff") && option.Positional) return "_arvana_service_backups";
  return TakesFile(option) ? "_arvana_service_files" : "true";
}

std::string BashFunctionBody(const CommandLineText& commandLine) {
  std::vector<std::string> commands;
  for (const CommandText& command : commandLine.Commands) commands.push_back(command.Name);
  std::string script;
  script += "# Completion of " + commandLine.Program + " " + commandLine.Version +
            ", written from its option parser at build time.\n";
  // File names by lines of compgen's output, so that one with spaces stays one word (bash and zsh alike).
  script += "_arvana_service_reply() { local IFS=$'\\n'; COMPREPLY=($(compgen \"$@\" -- \"$cur\")); }\n";
  script += "_arvana_service_words() { COMPREPLY=($(compgen -W \"$1\" -- \"$cur\")); }\n";
  script += "_arvana_service_nospace() { compopt -o nospace 2>/dev/null || true; }\n";
  script += "_arvana_service_files() {\n"
            "  compopt -o filenames 2>/dev/null\n"
            "  _arvana_service_reply -f\n"
            "}\n";
  script += "_arvana_service_directories() {\n"
            "  compopt -o filenames 2>/dev/null\n"
            "  _arvana_service_reply -d\n"
            "}\n";
  script += std::string("# The backup folder's files, by their whole path, besides the files named from here.\n") +
            "_arvana_service_backups() {\n"
            "  local base=${" + BackupPlace.Variable + "}\n"
            "  [[ $base == /* ]] || base=$HOME/" + BackupPlace.Fallback + "\n"
            "  local folder=$base/" + BackupPlace.Name + " file\n"
            "  _arvana_service_files\n"
            "  for file in \"$folder\"/*; do\n"
            "    [[ -f $file ]] || continue\n"
            "    [[ $file == \"$cur\"* || ${file##*/} == \"$cur\"* ]] && COMPREPLY+=(\"$file\")\n"
            "  done\n"
            "}\n";
  script += "_arvana_service() {\n"
            "  local cur=${COMP_WORDS[COMP_CWORD]} prev= command= arguments=0 i word\n"
            "  ((COMP_CWORD > 0)) && prev=${COMP_WORDS[COMP_CWORD - 1]}\n"
            "  COMPREPLY=()\n"
            // bash breaks "--port=LPT1" into "--port" "=" "LPT1".
            "  local joined=\n"
            "  if [[ $cur == = ]]; then\n"
            "    cur= joined=1\n"
            "  elif [[ $prev == = ]] && ((COMP_CWORD > 1)); then\n"
            "    prev=${COMP_WORDS[COMP_CWORD - 2]} joined=1\n"
            "  fi\n";
  // The command, and how many of its arguments stand before the word completed; an option's value is none.
  script += "  for ((i = 1; i < COMP_CWORD; i++)); do\n"
            "    word=${COMP_WORDS[i]}\n"
            "    case $word in\n"
            "      =) ((i++)); continue ;;\n"
            "      " + CasePattern(ValueOptions(commandLine.Options)) + ") ((i++)); continue ;;\n"
            "      -*) continue ;;\n"
            "    esac\n"
            "    if [[ -z $command ]]; then command=$word; continue; fi\n"
            "    case $command:$word in\n";
  for (const CommandText& command : commandLine.Commands) {
    const std::vector<std::string> values = ValueOptions(command.Options);
    if (values.empty()) continue;
    std::vector<std::string> patterns;
    for (const std::string& name : values) patterns.push_back(command.Name + ":" + name);
    script += "      " + CasePattern(patterns) + ") ((i++)); continue ;;\n";
  }
  script += "    esac\n"
            "    ((arguments++))\n"
            "  done\n";
  // The value of the option before.
  script += "  case $prev in\n";
  for (const OptionText& option : commandLine.Options)
    if (!option.Value.empty() && option.Value.front() != '[')
      script += "    " + CasePattern(option.Names) + ") " + ValueCompletion(option, "") + "; return ;;\n";
  script += "  esac\n"
            "  case $command:$prev in\n";
  for (const CommandText& command : commandLine.Commands)
    for (const OptionText& option : command.Options) {
      if (option.Positional || option.Value.empty()) continue;
      std::vector<std::string> patterns;
      for (const std::string& name : option.Names) patterns.push_back(command.Name + ":" + name);
      script += "    " + CasePattern(patterns) + ") " + ValueCompletion(option, command.Name) + "; return ;;\n";
    }
  script += "  esac\n";
  // --simulator=DIR: a folder, when joined on with '='.
  for (const OptionText& option : commandLine.Options)
    if (!option.Value.empty() && option.Value.front() == '[')
      script += "  if [[ -n $joined && $prev == " + option.Names.front() + " ]]; then _arvana_service_directories; return; fi\n";
  // An option: the common ones, and the command's own.
  script += "  if [[ $cur == -* ]]; then\n"
            "    case $command in\n";
  for (const CommandText& command : commandLine.Commands)
    script += "      " + command.Name + ") _arvana_service_words \"" +
              Joined(OptionNames(commandLine.Options), " ") + " " + Joined(OptionNames(command.Options), " ") + "\" ;;\n";
  script += "      *) _arvana_service_words \"" + Joined(OptionNames(commandLine.Options), " ") + "\" ;;\n"
            "    esac\n"
            "    return\n"
            "  fi\n"
            "  if [[ -z $command ]]; then _arvana_service_words \"" + Joined(commands, " ") + "\"; return; fi\n";
  // The command's arguments, by their place.
  script += "  case $command:$arguments in\n";
  for (const CommandText& command : commandLine.Commands) {
    int place = 0;
    for (const OptionText& option : command.Options) {
      if (!option.Positional) continue;
      script += "    " + command.Name + ":" + std::to_string(place++) + ") " + ValueCompletion(option, command.Name) +
                " ;;\n";
    }
  }
  script += "  esac\n"
            "}\n";
  return script;
}

}  // namespace

std::string ServiceManualPage(const CommandLineText& commandLine) {
  ManualPage page(commandLine.Program, "service and adjustment of the Arvana Print 350 and 360 from the command line");
  WriteSynopsis(page, commandLine);
  WriteDescription(page, commandLine);
  WriteOptions(page, commandLine);
  WriteCommands(page, commandLine);
  WriteExitStatus(page);
  WriteEnvironmentSection(page);
  WriteFilesSection(page, "--simulator");
  ListPrinterFolder(page);
  WriteExamples(page);
  page.Section("See also");
  page.Paragraph(ManualWords().Bold("arvana-adjust").Roman("(1), ").Bold("arvana-printer-sim").Roman("(1)"));
  return page.Text();
}

std::string BashCompletion(const CommandLineText& commandLine) {
  return BashFunctionBody(commandLine) + "complete -F _arvana_service " + commandLine.Program + "\n";
}

std::string ZshCompletion(const CommandLineText& commandLine) {
  // Loaded at the first completion: it then completes that word too. Sourced by hand, it ends in
  // success.
  return "#compdef " + commandLine.Program + "\n" + "autoload -U +X bashcompinit && bashcompinit\n" +
         BashCompletion(commandLine) +
         "if [[ -n ${compstate[context]} ]]; then _bash_complete -F _arvana_service; fi\n";
}

std::optional<std::string> BuildTimeDocument(const std::string& argument) {
  if (argument == "--man") return ServiceManualPage(DescribeCommandLine());
  if (argument == "--bash-completion") return BashCompletion(DescribeCommandLine());
  if (argument == "--zsh-completion") return ZshCompletion(DescribeCommandLine());
  return std::nullopt;
}
