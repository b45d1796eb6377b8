// Ending the windowed program from anywhere, with its output written out.
#include "app/QtProgramEnd.h"

#include <cstdio>
#include <cstdlib>

void QtProgramEnd::End(int status) {
  std::fflush(stdout);
  std::fflush(stderr);
  std::exit(status);
}
