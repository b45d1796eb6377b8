// arvana-adjust's own options, each once: the entry reads them, and the manual page lists them.
#pragma once

#include <array>
#include <string>

struct ProgramOption {
  const char* Name;
  const char* Value;  // "[=DIR]": a value joined on with '='; empty for a switch
  const char* Description;
};

inline constexpr ProgramOption SimulatorOption{
    "--simulator", "[=DIR]",
    "Run on the virtual printer kept in DIR (--simulator alone: ./virtual-printer) instead of the ports: all six "
    "interfaces reach it. The pages it prints in DIR/pages stand in for scans."};
// With the virtual printer: its front panel opens beside the program's windows.
inline constexpr ProgramOption PanelOption{
    "--panel", "",
    "With --simulator: open the virtual printer's front panel beside the program, to switch its faults, paper "
    "and power, see its ink, nozzles, pages, EEPROM and the wire."};
inline constexpr std::array AdjustOptions{SimulatorOption, PanelOption};

// The option that asks for the manual page instead of the windows; the build writes the page with it.
constexpr const char* ManualOption = "--man";

// The manual page, in man(7) macros.
std::string AdjustManualPage();
