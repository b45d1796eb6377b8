// True bi-directional offsets of the virtual printer: the droplet-mode table, the file and its format.
#include "sim/mechanism/BidMechanics.h"

#include "platform/ShownText.h"

#include <charconv>
#include <filesystem>
#include <random>
#include <sstream>
#include <system_error>
#include <utility>

#include "platform/RegularFile.h"
#include "sim/files/SimFile.h"

std::optional<BidMechanics::DropletMode> BidMechanics::ModeOfDotSize(uint8_t dotSize) {
  switch (dotSize) {
    case 0x12:
      return DropletMode::MS;
    case 0x11:
      return DropletMode::SixPl;
    case 0x10:
      return DropletMode::FourPl;
    default:
      return std::nullopt;
  }
}

size_t BidMechanics::IndexOf(DropletMode mode, InkGroup group) {
  return 2 * static_cast<size_t>(mode) + static_cast<size_t>(group);
}

uint8_t BidMechanics::BidCell(DropletMode mode, InkGroup group) {
  return static_cast<uint8_t>(0x33 + static_cast<int>(mode) + 3 * static_cast<int>(group));
}

BidMechanics::BidMechanics(std::string filePath) : FilePath(std::move(filePath)) {
  if (FilePath.empty()) return;
  std::error_code error;
  if (!std::filesystem::exists(FilePath, error)) {
    std::random_device seed;
    std::mt19937 generator(seed());
    std::uniform_int_distribution<int> half(-NewLimit / 2, NewLimit / 2);
    for (int& value : Values) value = 2 * half(generator);
    Save();
    return;
  }
  const Outcome<std::string> text = ReadWholeFile(FilePath, FileLimit);
  if (!text) {
    // "<path>: <reason>" already.
    MessageList.push_back(text.Fault().Message + "; the file is left as it is and the head prints with " + Format(Values) + ".");
    return;
  }
  Offsets read{};
  std::string reason;
  if (!Parse(*text, read, reason)) {
    MessageList.push_back(ShownText(FilePath) + ": " + ShownText(reason) + "; the file is left as it is and the head prints with " +
                          Format(Values) + ".");
    return;
  }
  Values = read;
}

bool BidMechanics::Set(const Offsets& offsets, std::string* reason) {
  for (size_t i = 0; i < Count; ++i) {
    if (offsets[i] < -Limit || offsets[i] > Limit) {
      if (reason != nullptr)
        *reason = std::string("the ") + Names[i] + " offset " + std::to_string(offsets[i]) + " lies outside -" +
                  std::to_string(Limit) + ".." + std::to_string(Limit);
      return false;
    }
  }
  Values = offsets;
  Save();
  return true;
}

bool BidMechanics::Parse(const std::string& text, Offsets& offsets, std::string& reason) {
  std::istringstream lines(text);
  size_t count = 0;
  Offsets values{};
  int lineNumber = 0;
  for (std::string line; std::getline(lines, line);) {
    ++lineNumber;
    const size_t first = line.find_first_not_of(" \t\r");
    if (first == std::string::npos || line[first] == '#') continue;
    std::istringstream words(line);
    for (std::string word; words >> word;) {
      // A plain integer: one optional sign, then digits only ("+-5" and "5e1" are not).
      const size_t digits = (word[0] == '+' || word[0] == '-') ? 1 : 0;
      const bool plain = word.size() > digits && word.find_first_not_of("0123456789", digits) == std::string::npos;
      int value = 0;
      const char* end = word.data() + word.size();
      const auto [stop, error] = std::from_chars(word.data() + (word[0] == '+' ? 1 : 0), end, value);
      if (!plain || error != std::errc() || stop != end) {
        reason = "line " + std::to_string(lineNumber) + ": \"" + word + "\" is not a whole number";
        return false;
      }
      if (count == Count) {
        reason = "more than six offsets";
        return false;
      }
      if (value < -Limit || value > Limit) {
        reason = "line " + std::to_string(lineNumber) + ": the " + Names[count] + " offset " + word +
                 " lies outside -" + std::to_string(Limit) + ".." + std::to_string(Limit);
        return false;
      }
      values[count++] = value;
    }
  }
  if (count != Count) {
    reason = std::to_string(count) + " offsets instead of six";
    return false;
  }
  offsets = values;
  return true;
}

std::string BidMechanics::Format(const Offsets& offsets) {
  std::string text;
  for (size_t i = 0; i < Count; ++i) text += (i == 0 ? "" : " ") + std::to_string(offsets[i]);
  return text;
}

void BidMechanics::Save() {
  if (FilePath.empty()) return;
  const std::string text =
      "# True bi-directional offsets of this printer's head, in Bi-D value steps.\n"
      "# A right-to-left pass lands (offset - Bi-D value in use) x 3 dots to the right.\n"
      "# MS Black, MS Color, 6pl Black, 6pl Color, 4pl Black, 4pl Color:\n" +
      Format(Values) + "\n";
  // Written in place, but only into a regular file: a FIFO or device there is refused, not waited on.
  std::string refusal;
  if (!WriteRegularFile(FilePath, text, refusal))
    MessageList.push_back(FilePath + " cannot be written: the offsets are kept in memory only.");
}
