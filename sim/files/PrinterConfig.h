// DIR/printer.conf: which printer the virtual printer is, read once when it starts.
//   model = 350        the model it is and names in its device ID: 350 or 360 (360 without the line)
//   # a comment        '#' starts a comment; blank lines do not count
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

enum class SimModel : uint8_t { Print350, Print360 };

struct PrinterConfig {
  SimModel Model = SimModel::Print360;
  // Lines not understood, and a file that could not be read, each as one sentence; what they
  // would have set keeps its default.
  std::vector<std::string> Problems;
};

// A printer.conf is a line or two; a larger file is refused unread.
inline constexpr size_t PrinterConfigLimit = 16 * 1024;

PrinterConfig ParsePrinterConfig(std::string_view text);
// The file at `path`; a missing file (or an empty path) is the default printer.
PrinterConfig ReadPrinterConfig(const std::string& path);

// "Arvana Print 350" or "Arvana Print 360".
const char* SimModelName(SimModel model);
