// The command line of arvana-service: options, commands, exit statuses.
#pragma once

#include "platform/Clock.h"
#include "platform/ProgramEnd.h"
#include "platform/StopSignals.h"

#include <string>
#include <vector>

// Parses the arguments (without the program name) and runs the command on the
// real ports, or on the virtual printer of --simulator; returns the exit
// status. Messages and progress go to standard error, results to standard output. A stop asked
// through `stops` ends a write after the cell in flight, and anything else at the next exchange
// with the printer, each after the link is shut down; the status is then 128 + the signal's number.
int RunCommandLine(const std::vector<std::string>& arguments, Clock& clock, ProgramEnd& end,
                   StopSignals* stops = nullptr);
