// Prints a saved print job on a factory-fresh virtual printer and writes its pages as PNG files.
#pragma once

#include <ostream>
#include <string>

// Prints the job file `jobPath` with the factory EEPROM (top margin and first
// dot position 0) on a head whose true Bi-D offsets are the Bi-D values it
// holds, and writes the pages as `directory`/<job name>-NNNN.png from 0001
// on, replacing files of those names. `directory` empty: the job's own
// folder. The paths written go to `out`; an unreadable job (also one that is
// not a regular file or is longer than JobRecorder::MaxJobBytes), files that cannot
// be written and mistakes in the job go to `errors`. Returns 0 when the job
// printed without a mistake, 1 otherwise.
int RenderJobFile(const std::string& jobPath, std::string directory, std::ostream& out, std::ostream& errors);
