// The files of the virtual printer's folder, each named once: the printer opens them by these
// names, and the manual pages list them with what each keeps.
#pragma once

#include "sim/files/DirectoryLock.h"

#include <array>

namespace PrinterFolder {

constexpr const char* Config = "printer.conf";
constexpr const char* Eeprom = "eeprom.bin";
constexpr const char* Head = "head.txt";
constexpr const char* Capture = "capture.log";
constexpr const char* Jobs = "jobs";
constexpr const char* Mechanics = "mechanics.txt";
constexpr const char* Pages = "pages";
constexpr const char* Faults = "faults.conf";
constexpr const char* ReplaceBoard = "replace-main-board";

struct File {
  const char* Name;
  const char* Keeps;
};

// In the order the manual pages list them.
inline constexpr std::array Files{
    File{Config, "Written by the user: model = 350 or 360, the model the printer is (360 unless said)."},
    File{Eeprom, "The printer's 256 EEPROM cells, so that values survive a restart."},
    File{Capture, "Every block on the wire, one line each: <seconds> H>P <hex bytes> for what the program "
                  "wrote, <seconds> P>H <hex bytes> for what the printer answered."},
    File{Jobs, "Every print job as received, as NNNN.prn."},
    File{Pages, "Every page printed, as NNNN.png at 360 pixels per inch."},
    File{Head, "The print head: the nozzles of each ink (. fires, x is clogged), the ink left in the six "
               "cartridges in percent, and the seed of the random source."},
    File{Mechanics, "The head's true bi-directional offsets, made at random on the first start."},
    File{Faults, "Written by the user: switches that make the printer misbehave, one name = value a line, "
                 "read again whenever the file changes."},
    File{ReplaceBoard, "Written by the user: the printer takes a new main board (every EEPROM cell 0xFF) "
                       "and deletes the file."},
    File{DirectoryLock::FileName, "Locked while a program runs the printer, with that program's process id."},
};

}  // namespace PrinterFolder

class ManualPage;
// The files above as entries of a manual page, each as DIR/NAME, indented under what comes before.
void ListPrinterFolder(ManualPage& page);
