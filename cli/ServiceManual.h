// arvana-service's manual page and shell completions, written at build time from the option
// parser's own description (DescribeCommandLine), so that neither can differ from --help.
#pragma once

#include "cli/CommandLineText.h"

#include <optional>
#include <string>

// The manual page, in man(7) macros.
std::string ServiceManualPage(const CommandLineText& commandLine);
// The completion of bash: the function _arvana_service, bound to arvana-service. It completes
// commands, options, the values of options that take a fixed few, the Bi-D names of
// `bid --write`, and file names, offering the backup folder's files where a backup is asked for.
std::string BashCompletion(const CommandLineText& commandLine);
// The same for zsh, through its emulation of bash's completion.
std::string ZshCompletion(const CommandLineText& commandLine);

// What the build asks of arvana-service when it is called with this one argument ("--man",
// "--bash-completion", "--zsh-completion"); nothing for any other argument.
std::optional<std::string> BuildTimeDocument(const std::string& argument);
