// Values the printer holds that no write of this program puts there (a write cut off half-way, a
// damaged board): they are shown as stored, with a red line that names the cell and the range.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

// The values a write may leave in one cell, as the item reads them.
struct StoredRange {
  uint8_t Cell;
  int Lowest;
  int Highest;
};

// Nothing when `value` lies in the range; else "Cell 0x33 holds 85, outside the allowed range -36..36."
inline std::optional<std::string> OutOfRangeText(const StoredRange& range, int value) {
  if (value >= range.Lowest && value <= range.Highest) return std::nullopt;
  char text[96];
  std::snprintf(text, sizeof text, "Cell 0x%02X holds %d, outside the allowed range %d..%d.", range.Cell, value,
                range.Lowest, range.Highest);
  return std::string(text);
}
