// Reading DIR/printer.conf.
#include "sim/files/PrinterConfig.h"

#include <filesystem>
#include <system_error>

#include "platform/RegularFile.h"
#include "platform/ShownText.h"

namespace {

constexpr std::string_view ConfigModelKey = "model";

std::string_view WithoutBlanks(std::string_view text) {
  const size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

// Applies one `name = value` line; false when it is not understood.
bool ApplyConfigLine(std::string_view name, std::string_view value, PrinterConfig& config) {
  if (name != ConfigModelKey) return false;
  if (value == "350") {
    config.Model = SimModel::Print350;
  } else if (value == "360") {
    config.Model = SimModel::Print360;
  } else {
    return false;
  }
  return true;
}

}  // namespace

PrinterConfig ParsePrinterConfig(std::string_view text) {
  PrinterConfig config;
  size_t number = 0;
  while (!text.empty()) {
    ++number;
    const size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    line = WithoutBlanks(line.substr(0, line.find('#')));
    if (line.empty()) continue;
    const size_t equals = line.find('=');
    if (equals == std::string_view::npos ||
        !ApplyConfigLine(WithoutBlanks(line.substr(0, equals)), WithoutBlanks(line.substr(equals + 1)), config)) {
      config.Problems.push_back("printer.conf line " + std::to_string(number) + " is not understood: \"" +
                                ShownText(line) + "\" (model = 350 or model = 360)");
    }
  }
  return config;
}

PrinterConfig ReadPrinterConfig(const std::string& path) {
  std::error_code ignored;
  if (path.empty() || !std::filesystem::exists(std::filesystem::symlink_status(path, ignored))) return {};
  const Outcome<std::string> text = ReadWholeFile(path, PrinterConfigLimit);
  if (!text) {
    PrinterConfig config;
    config.Problems.push_back(text.Fault().Message + ": not read, the printer is an " +
                              SimModelName(config.Model));
    return config;
  }
  return ParsePrinterConfig(*text);
}

const char* SimModelName(SimModel model) {
  switch (model) {
    case SimModel::Print350:
      return "Arvana Print 350";
    case SimModel::Print360:
      return "Arvana Print 360";
  }
  return "";
}
