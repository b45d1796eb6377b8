// What arvana-service's option parser knows, as plain text: read from the parser itself, so that
// the manual page and the shell completions list exactly what the parser takes.
#pragma once

#include <string>
#include <vector>

struct OptionText {
  std::vector<std::string> Names;  // "-o", "--output"; for an argument without a name its placeholder ("FILE")
  std::string Value;               // the placeholder of its value ("PORT", "[=DIR]"); empty for a switch
  std::string Description;
  std::string Default;               // the value it has when not given; empty when none is shown
  std::vector<std::string> Choices;  // the values it takes, when they are a fixed few
  bool Positional = false;
  bool Required = false;
  bool Repeatable = false;  // may be given more than once, each time adding a value
};

struct CommandText {
  std::string Name;
  std::string Summary;
  std::vector<OptionText> Options;  // its own options and arguments, without --help
};

struct CommandLineText {
  std::string Program;
  std::string Version;
  std::string Description;          // the first line of --help
  std::vector<OptionText> Options;  // the options every command takes, --help and --version among them
  std::vector<CommandText> Commands;
};

// The parser's options and commands, in the order --help lists them.
CommandLineText DescribeCommandLine();
