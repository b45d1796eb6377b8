// The reading of arvana-service's arguments: its options and its commands.
#pragma once

#include "cli/CommandOptions.h"
#include "cli/CommandLineText.h"
#include "cli/Commands.h"

#include <string>
#include <vector>

struct ParsedArguments {
  // The command to run; nullptr when the arguments ended the program (help, the version, a usage
  // error), which has then been said.
  const Command* Chosen = nullptr;
  CommandOptions Options;
  int EndStatus = ExitDone;  // with no command: the exit status
};

// Reads the arguments (without the program name).
ParsedArguments ParseArguments(const std::vector<std::string>& given);
