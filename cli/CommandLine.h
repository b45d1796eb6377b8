// The command line of arvana-service: options, commands, exit statuses.
#pragma once

#include "platform/Clock.h"
#include "platform/ProgramEnd.h"

#include <string>
#include <vector>

// Parses the arguments (without the program name) and runs the command on the
// real ports, or on the virtual printer of --simulator; returns the exit
// status. Messages and progress go to standard error, results to standard output.
int RunCommandLine(const std::vector<std::string>& arguments, Clock& clock, ProgramEnd& end);
