// arvana-service's manual page and shell completion, as man, bash and zsh read them: the page is roff
// without a warning and names every command and option the parser takes; the completion offers
// what the parser accepts.
#include "tests/cli/ChildProcess.h"
#include "cli/Commands.h"
#include "cli/ServiceManual.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct ToolRun {
  std::optional<int> Status;
  std::string Output;
  std::string Errors;
};

// Runs a tool of the system (groff, bash) over files of the test's folder, for at most 30 s.
ToolRun RunTool(const std::string& program, const std::vector<std::string>& arguments, const fs::path& folder) {
  const fs::path output = folder / "tool-output";
  Child child(program, arguments, {"PATH=/usr/bin:/bin", "LC_ALL=C.UTF-8", "HOME=" + folder.string()}, output);
  ToolRun run;
  if (!child.Started()) return run;
  run.Status = child.WaitForExit(std::chrono::steady_clock::now() + std::chrono::seconds(30));
  run.Errors = child.Errors;
  std::ifstream in(output);
  std::stringstream text;
  text << in.rdbuf();
  run.Output = text.str();
  return run;
}

class ServiceManualTest : public ::testing::Test {
protected:
  void SetUp() override {
    Folder = fs::temp_directory_path() / ("arvana-manual-" + std::to_string(::getpid()));
    fs::remove_all(Folder);
    fs::create_directories(Folder);
  }
  void TearDown() override { fs::remove_all(Folder); }

  fs::path Written(const std::string& name, const std::string& text) const {
    const fs::path path = Folder / name;
    std::ofstream(path) << text;
    return path;
  }

  fs::path Folder;
};

constexpr const char* Groff = "/usr/bin/groff";
constexpr const char* Bash = "/bin/bash";
constexpr const char* Zsh = "/usr/bin/zsh";

const OptionText* Find(const std::vector<OptionText>& options, const std::string& name) {
  for (const OptionText& option : options)
    if (std::find(option.Names.begin(), option.Names.end(), name) != option.Names.end()) return &option;
  return nullptr;
}

const CommandText* FindCommandText(const CommandLineText& commandLine, const std::string& name) {
  for (const CommandText& command : commandLine.Commands)
    if (command.Name == name) return &command;
  return nullptr;
}

TEST(CommandLineDescription, TellsSwitchesValuesChoicesAndArgumentsApartAsTheParserTakesThem) {
  const CommandLineText commandLine = DescribeCommandLine();
  EXPECT_EQ(commandLine.Program, "arvana-service");
  const OptionText* yes = Find(commandLine.Options, "--yes");
  ASSERT_NE(yes, nullptr);
  EXPECT_EQ(yes->Names, (std::vector<std::string>{"-y", "--yes"}));
  EXPECT_EQ(yes->Value, "");
  const OptionText* port = Find(commandLine.Options, "--port");
  ASSERT_NE(port, nullptr);
  EXPECT_EQ(port->Value, "PORT");
  EXPECT_EQ(port->Default, "LPT1");
  EXPECT_EQ(port->Choices, (std::vector<std::string>{"LPT1", "LPT2", "LPT3", "VLUSB1", "VLUSB2", "VLUSB3"}));
  const OptionText* simulator = Find(commandLine.Options, "--simulator");
  ASSERT_NE(simulator, nullptr);
  EXPECT_EQ(simulator->Value, "[=DIR]");
  EXPECT_TRUE(simulator->Choices.empty());

  const CommandText* bid = FindCommandText(commandLine, "bid");
  ASSERT_NE(bid, nullptr);
  EXPECT_EQ(Find(bid->Options, "--help"), nullptr);  // said once for every command
  const OptionText* write = Find(bid->Options, "--write");
  ASSERT_NE(write, nullptr);
  EXPECT_TRUE(write->Repeatable);
  const CommandText* diff = FindCommandText(commandLine, "diff");
  ASSERT_NE(diff, nullptr);
  const OptionText* first = Find(diff->Options, "A");
  const OptionText* second = Find(diff->Options, "B");
  ASSERT_TRUE(first != nullptr && second != nullptr);
  EXPECT_TRUE(first->Positional && first->Required);
  EXPECT_TRUE(second->Positional && !second->Required);
  const CommandText* print = FindCommandText(commandLine, "print");
  ASSERT_NE(print, nullptr);
  ASSERT_EQ(print->Options.size(), 1u);
  EXPECT_EQ(print->Options.front().Choices, (std::vector<std::string>{"check", "bid", "top-margin"}));
}

TEST_F(ServiceManualTest, PageIsCleanRoffAndNamesEveryCommandOptionAndExitStatus) {
  if (!fs::exists(Groff)) GTEST_SKIP() << "groff is not installed";
  const CommandLineText commandLine = DescribeCommandLine();
  const fs::path page = Written("arvana-service.1", ServiceManualPage(commandLine));
  // Wide lines and no hyphenation, so that every name stands whole on one line.
  const ToolRun run = RunTool(Groff, {"-man", "-Tutf8", "-ww", "-rLL=400n", "-rHY=0", "-P-cbou", page.string()}, Folder);
  ASSERT_EQ(run.Status, 0) << run.Errors;
  EXPECT_EQ(run.Errors, "") << "groff warns about the page";
  const std::string& shown = run.Output;
  EXPECT_NE(shown.find("ARVANA-SERVICE(1)"), std::string::npos);

  ASSERT_EQ(commandLine.Commands.size(), AllCommands().size());
  for (const Command& command : AllCommands())
    EXPECT_NE(shown.find("\n       " + std::string(command.Name) + " "), std::string::npos) << command.Name;
  std::vector<OptionText> options = commandLine.Options;
  for (const CommandText& command : commandLine.Commands)
    options.insert(options.end(), command.Options.begin(), command.Options.end());
  for (const OptionText& option : options)
    for (const std::string& name : option.Names) EXPECT_NE(shown.find(name), std::string::npos) << name;
  // Choices and defaults the parser holds, as a reader needs them.
  EXPECT_NE(shown.find("One of LPT1, LPT2, LPT3, VLUSB1, VLUSB2, VLUSB3. Default: LPT1."), std::string::npos);
  EXPECT_NE(shown.find("--simulator[=DIR]"), std::string::npos);
  for (const ExitStatusMeaning& meaning : ExitStatusMeanings)
    EXPECT_NE(shown.find("       " + std::to_string(meaning.Status) + "      " + meaning.Details), std::string::npos)
        << meaning.Status;
  EXPECT_NE(shown.find("$XDG_DATA_HOME/arvana-adjust/backups/"), std::string::npos);
  EXPECT_NE(shown.find("$XDG_STATE_HOME/arvana-adjust/unfinished/"), std::string::npos);
  EXPECT_NE(shown.find("DIR/faults.conf"), std::string::npos);
}

// One completion: the words typed so far, the last the one completed.
struct Completion {
  std::vector<std::string> Words;
  std::string Expected;  // COMPREPLY joined by spaces
};

// The words typed and what completes them, with a backup in the backup folder under `data`.
std::vector<Completion> Completions(const std::string& backup) {
  return {
      {{"arvana-service", "he"}, "head-id"},
      {{"arvana-service", "--po"}, "--port"},
      {{"arvana-service", "--port", "V"}, "VLUSB1 VLUSB2 VLUSB3"},
      {{"arvana-service", "--port", "=", "L"}, "LPT1 LPT2 LPT3"},
      {{"arvana-service", "--model", ""}, "350 360"},
      // Global options after the command, and the command's own.
      {{"arvana-service", "--port", "LPT2", "status", "--"}, "--help --version --port --model --timeout --simulator --yes --quiet --verbose --json"},
      {{"arvana-service", "--timeout", "5", "co"}, "counter"},
      {{"arvana-service", "dump", "--format", "h"}, "hex"},
      // A value that is typed, and one that names a file.
      {{"arvana-service", "--timeout", "9"}, ""},
      {{"arvana-service", "dump", "--range", "0"}, ""},
      {{"arvana-service", "dump", "-o", "arvana-service.b"}, "arvana-service.bash"},
      {{"arvana-service", "bid", "--write", "6pl"}, "6pl-black= 6pl-color="},
      {{"arvana-service", "print", ""}, "check bid top-margin"},
      {{"arvana-service", "analyse", "--json", "n"}, "nozzles"},
      {{"arvana-service", "unfinished", "--f"}, "--finish"},
      // A backup by the name it has in the backup folder, given whole.
      {{"arvana-service", "restore", "--dry-run", "2026-12"}, backup},
      {{"arvana-service", "diff", backup, "2026"}, backup},
  };
}

std::string Quoted(const std::vector<std::string>& words) {
  std::string quoted;
  for (const std::string& word : words) quoted += " '" + word + "'";
  return quoted;
}

TEST_F(ServiceManualTest, BashCompletesCommandsOptionsPortsBidNamesAndBackups) {
  if (!fs::exists(Bash)) GTEST_SKIP() << "bash is not installed";
  const fs::path script = Written("arvana-service.bash", BashCompletion(DescribeCommandLine()));
  const fs::path backups = Folder / "data" / "arvana-adjust" / "backups";
  fs::create_directories(backups);
  const std::string backup = (backups / "2026-12-08T1503-360-M3EURJ00TG4KK.eeprom").string();
  std::ofstream(backup) << "saved\n";
  for (const Completion& completion : Completions(backup)) {
    const std::string words = Quoted(completion.Words);
    const std::string program = "cd '" + Folder.string() + "' && XDG_DATA_HOME='" + (Folder / "data").string() +
                                "' && source '" + script.string() + "' && COMP_WORDS=(" + words +
                                ") && COMP_CWORD=$((${#COMP_WORDS[@]} - 1)) && _arvana_service && echo \"${COMPREPLY[*]}\"";
    const ToolRun run = RunTool(Bash, {"--norc", "-c", program}, Folder);
    ASSERT_EQ(run.Status, 0) << run.Errors;
    EXPECT_EQ(run.Output, completion.Expected + "\n") << words;
    EXPECT_EQ(run.Errors, "") << words;
  }
}

// zsh runs the same script through its emulation of bash's completion, and keeps of the words it
// offers those that begin with what was typed. A backup by its name alone is bash's only. One zsh
// for every case: starting its completion system takes a while.
TEST_F(ServiceManualTest, ZshCompletesTheSameThroughItsBashEmulation) {
  if (!fs::exists(Zsh)) GTEST_SKIP() << "zsh is not installed";
  const fs::path script = Written("_arvana-service", ZshCompletion(DescribeCommandLine()));
  Written("arvana-service.bash", "");
  std::vector<Completion> completions;
  std::string program = "cd '" + Folder.string() + "' && autoload -U compinit && compinit -u -D && source '" + script.string() +
                        "' && (( ${+_comps[arvana-service]} )) && setopt ksharrays && offered() { COMP_WORDS=(\"$@\"); "
                        "COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); _arvana_service || return; local word; for word in \"${COMPREPLY[@]}\"; "
                        "do if [[ $word == \"${COMP_WORDS[COMP_CWORD]}\"* ]]; then print -rn -- \"$word \"; fi; done; print; }";
  for (const Completion& completion : Completions("")) {
    if (completion.Expected.empty() && completion.Words.back().rfind("2026", 0) == 0) continue;
    completions.push_back(completion);
    program += " && offered" + Quoted(completion.Words);
  }
  const ToolRun run = RunTool(Zsh, {"-f", "-c", program}, Folder);
  ASSERT_EQ(run.Status, 0) << run.Errors;
  EXPECT_EQ(run.Errors, "");
  std::istringstream lines(run.Output);
  for (const Completion& completion : completions) {
    std::string offered;
    ASSERT_TRUE(std::getline(lines, offered)) << run.Output;
    if (!offered.empty()) offered.pop_back();
    EXPECT_EQ(offered, completion.Expected) << Quoted(completion.Words);
  }
}

}  // namespace
