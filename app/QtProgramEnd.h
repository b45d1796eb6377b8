// Ending the windowed program from anywhere, with its output written out.
#pragma once

#include "platform/ProgramEnd.h"

class QtProgramEnd : public ProgramEnd {
public:
  // Flushes standard output and error and ends the process with `status`.
  [[noreturn]] void End(int status) override;
};
