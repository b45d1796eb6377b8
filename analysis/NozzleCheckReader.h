// Reading a scanned nozzle check pattern: which nozzles of each colour left their line out.
#pragma once

#include "analysis/InkImage.h"

#include <array>
#include <string>
#include <vector>

// The pattern's blocks, left to right.
constexpr std::array<const char*, 6> NozzleColourNames = {"Black", "Cyan", "Light Cyan", "Magenta", "Light Magenta", "Yellow"};
constexpr int NozzlesPerColour = 48;

struct NozzleColourReading {
  // Nozzles 1..48 whose line is missing or broken, in increasing order.
  std::vector<int> Missing;
  // Why the colour's block cannot be read; empty when it was read.
  std::string Problem;
};

struct NozzleCheckReading {
  // Why nothing could be read; empty when the pattern was found.
  std::string Problem;
  std::array<NozzleColourReading, NozzleColourNames.size()> Colours{};
  double SkewDegrees = 0;
  // Quarter turns clockwise that stood the page upright (after the skew).
  int QuarterTurns = 0;
  double PixelsPerInch = 0;

  bool AnyMissing() const;
};

NozzleCheckReading ReadNozzleCheck(const InkImage& scan);
