// arvana-printer-sim's commands, each once: its usage text and its manual page are both written from them.
#pragma once

#include <array>
#include <string>

struct ToolCommand {
  const char* Synopsis;     // after the program's name, as typed
  const char* Description;  // lines as the usage text breaks them; the manual page fills them anew
};

inline constexpr std::array ToolCommands{
    ToolCommand{"serve [--dir DIR] [--panel] [--page-scale SCALE] [--device PATH]",
                "serves the virtual printer on a pseudo-terminal; DIR (default ./virtual-printer)\n"
                "keeps eeprom.bin, head.txt, mechanics.txt, faults.conf, capture.log, jobs/ and\n"
                "pages/. --panel opens the printer's front panel; --page-scale (0.02 to 1, for\n"
                "example 0.25) also writes a reduced copy of each page to pages/reduced/.\n"
                "--device serves the device node PATH instead (a USB printer function's, such as\n"
                "/dev/g_printer0): each read is what the host sent, each answer one write"},
    ToolCommand{"gadget [--udc NAME] [--dir DIR] [--panel] [--page-scale SCALE]",
                "makes the virtual printer a USB printer (as root, with configfs and libcomposite):\n"
                "a gadget with the printer function, naming the model and the USB ID as a real\n"
                "one does, on the device controller NAME (default: the first in /sys/class/udc),\n"
                "served as with --device; removed again when it ends (Ctrl-C, kill)"},
    ToolCommand{"render JOB.prn [--dir DIR]",
                "prints a saved job on a printer fresh from the factory (top margin and first\n"
                "dot position 0, Bi-D values that match the head) and writes its pages as\n"
                "DIR/<job name>-NNNN.png, replacing pages of the same name; DIR defaults to the\n"
                "job's own folder. Mistakes in the job are listed on standard error."},
    ToolCommand{"decode CAPTURE.log", "prints a capture as readable lines"},
};

constexpr const char* ToolName = "arvana-printer-sim";
constexpr int ToolExitFailure = 1;  // the pseudo-terminal, the device, the gadget, a file or a capture line failed
constexpr int ToolExitUsage = 2;    // arguments it does not take: the usage text follows

// The usage text: every command with its description, as standard error shows it.
std::string ToolUsageText();
// The manual page, in man(7) macros.
std::string ToolManualPage();
