// The virtual printer's head: nozzle states, wear, cleaning, ink, and head.txt.
#include "sim/mechanism/PrintHead.h"

#include "platform/ShownText.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <random>
#include <sstream>
#include <system_error>
#include <utility>

#include "platform/RegularFile.h"
#include "sim/files/SimFile.h"

namespace {

constexpr char FiringMark = '.';
constexpr char CloggedMark = 'x';
// last-used is written again when it is this far behind (a save a block would be too many).
constexpr int64_t LastUsedSlackSeconds = 60;

// The ink's name in head.txt: PageGeometry's name with '-' for the space.
std::string KeyOf(const PageGeometry::InkInfo& info) {
  std::string key = info.Name;
  for (char& c : key)
    if (c == ' ') c = '-';
  return key;
}

std::string Trim(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return {};
  const size_t last = text.find_last_not_of(" \t\r");
  return text.substr(first, last - first + 1);
}

template <typename Number>
bool ReadNumber(const std::string& text, Number& value) {
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  return error == std::errc() && stop == end;
}

// "72.5" as thousandths, 0..255000.
bool ReadPercent(const std::string& text, int32_t& thousandths) {
  double value = 0;
  std::istringstream in(text);
  in.imbue(std::locale::classic());
  if (!(in >> value) || !in.eof() || !std::isfinite(value) || value < 0 || value > 255) return false;
  thousandths = static_cast<int32_t>(std::lround(value * 1000));
  return true;
}

}  // namespace

PrintHead::PrintHead(std::string filePath, int64_t calendarNow) : FilePath(std::move(filePath)) {
  for (size_t i = 0; i < InkCount; ++i) Ink[i] = DefaultQuantities[i] * 1000;
  LastUsed = calendarNow;
  if (FilePath.empty()) return;
  std::error_code error;
  if (!std::filesystem::exists(FilePath, error)) {
    Seed = static_cast<uint64_t>(std::random_device{}()) << 32 | static_cast<uint64_t>(calendarNow & 0xFFFFFFFF);
    ClogRandomNozzles(NewHeadClogs);  // saves
    return;
  }
  const Outcome<std::string> text = ReadWholeFile(FilePath, FileLimit);
  std::string reason;
  if (!text) {
    // "<path>: <reason>" already.
    MessageList.push_back(text.Fault().Message + "; the printer starts with a clean head and full ink.");
  } else if (Parse(*text, reason)) {
    if (calendarNow - LastUsed >= LongIdleMs / 1000) ClogRandomNozzles(IdleClogs);
    LastUsed = calendarNow;
    Save();
    return;
  } else {
    MessageList.push_back(ShownText(FilePath) + ": " + ShownText(reason) + "; the printer starts with a clean head and full ink.");
  }
  CloggedNozzles = {};
  Ink.fill(FullCartridge);
  LastUsed = calendarNow;
  Save();
}

bool PrintHead::Clogged(PageGeometry::Ink ink, size_t nozzle) const {
  return nozzle < NozzlesPerInk && CloggedNozzles[static_cast<size_t>(ink)][nozzle];
}

void PrintHead::SetClogged(PageGeometry::Ink ink, size_t nozzle, bool clogged) {
  if (nozzle >= NozzlesPerInk) return;
  CloggedNozzles[static_cast<size_t>(ink)][nozzle] = clogged;
  Save();
}

size_t PrintHead::CloggedCount() const {
  size_t count = 0;
  for (const auto& nozzles : CloggedNozzles) count += nozzles.count();
  return count;
}

uint64_t PrintHead::Draw() {
  // Each draw starts a generator from the stored seed and leaves the next
  // seed behind, so the file alone says what comes next.
  std::mt19937_64 generator(Seed);
  const uint64_t value = generator();
  Seed = generator();
  return value;
}

void PrintHead::ClogRandomNozzles(int count) {
  const size_t total = InkCount * NozzlesPerInk;
  for (int i = 0; i < count && CloggedCount() < total; ++i) {
    size_t pick = static_cast<size_t>(Draw() % (total - CloggedCount()));
    for (size_t n = 0; n < total; ++n) {
      auto& nozzles = CloggedNozzles[n / NozzlesPerInk];
      if (nozzles[n % NozzlesPerInk]) continue;
      if (pick-- == 0) {
        nozzles[n % NozzlesPerInk] = true;
        break;
      }
    }
  }
  Save();
}

void PrintHead::SetSeed(uint64_t seed) {
  Seed = seed;
  Save();
}

void PrintHead::Work(int64_t nowMs, int64_t calendarNow) {
  const bool longIdle = LastWorkMs && nowMs - *LastWorkMs >= LongIdleMs;
  if (LastWorkMs && nowMs > *LastWorkMs && !longIdle) WorkSinceClogMs += nowMs - *LastWorkMs;
  LastWorkMs = nowMs;
  int clogs = longIdle ? IdleClogs : 0;
  for (; WorkSinceClogMs >= ClogIntervalMs; WorkSinceClogMs -= ClogIntervalMs) ++clogs;
  const bool stale = calendarNow - LastUsed >= LastUsedSlackSeconds;
  LastUsed = calendarNow;
  if (clogs > 0) {
    ClogRandomNozzles(clogs);
  } else if (stale) {
    Save();
  }
}

void PrintHead::Clean(Sequence sequence) {
  const bool powerful = sequence == Sequence::HeadCleaning;
  const uint64_t frees = static_cast<uint64_t>(powerful ? HeadCleaningFreesPercent : InkChargeFreesPercent);
  for (auto& nozzles : CloggedNozzles)
    for (size_t n = 0; n < NozzlesPerInk; ++n)
      if (nozzles[n] && Draw() % 100 < frees) nozzles[n] = false;
  UseInk(0, powerful ? HeadCleaningBlack : InkChargeBlack);
  for (size_t i = 1; i < InkCount; ++i) UseInk(i, powerful ? HeadCleaningColour : InkChargeColour);
  Save();
}

void PrintHead::UseInk(size_t index, int32_t amount) {
  int32_t& left = Ink[index];
  if (left > FullCartridge) return;  // not a level the printer knows
  left = left > amount ? left - amount : 0;
}

std::array<uint8_t, PrintHead::InkCount> PrintHead::Quantities() const {
  std::array<uint8_t, InkCount> quantities{};
  for (size_t i = 0; i < InkCount; ++i) quantities[i] = static_cast<uint8_t>((Ink[i] + 500) / 1000);
  return quantities;
}

void PrintHead::SetQuantities(const std::array<uint8_t, InkCount>& quantities) {
  for (size_t i = 0; i < InkCount; ++i) Ink[i] = static_cast<int32_t>(quantities[i]) * 1000;
  Save();
}

std::string PrintHead::Format() const {
  std::ostringstream text;
  text.imbue(std::locale::classic());
  text << "# The virtual printer's head. Nozzles 1..48 of each ink from the left: '.' fires, 'x' is clogged.\n"
       << "# ink: percent left in the black, cyan, magenta, yellow, light cyan and light magenta cartridges.\n"
       << "seed = " << Seed << "\n"
       << "last-used = " << LastUsed << "\n";
  for (const PageGeometry::InkInfo& info : PageGeometry::Inks) {
    text << KeyOf(info) << " = ";
    for (size_t n = 0; n < NozzlesPerInk; ++n)
      text << (CloggedNozzles[static_cast<size_t>(info.Which)][n] ? CloggedMark : FiringMark);
    text << "\n";
  }
  text << "ink =";
  for (int32_t thousandths : Ink) {
    char percent[16];
    std::snprintf(percent, sizeof percent, " %d.%03d", thousandths / 1000, thousandths % 1000);
    text << percent;
  }
  text << "\n";
  return text.str();
}

bool PrintHead::Parse(const std::string& text, std::string& reason) {
  reason.clear();
  std::array<std::bitset<NozzlesPerInk>, InkCount> nozzles{};
  std::array<bool, InkCount> inkSeen{};
  std::array<int32_t, InkCount> ink{};
  bool inkLineSeen = false;
  bool seedSeen = false;
  bool usedSeen = false;
  uint64_t seed = 0;
  int64_t lastUsed = 0;
  std::istringstream lines(text);
  int lineNumber = 0;
  for (std::string line; std::getline(lines, line);) {
    ++lineNumber;
    const std::string content = Trim(line);
    if (content.empty() || content[0] == '#') continue;
    const size_t equals = content.find('=');
    const std::string where = "line " + std::to_string(lineNumber);
    if (equals == std::string::npos) {
      reason = where + " is not \"name = value\"";
      return false;
    }
    const std::string key = Trim(content.substr(0, equals));
    const std::string value = Trim(content.substr(equals + 1));
    if (key == "seed") {
      seedSeen = ReadNumber(value, seed);
      if (!seedSeen) reason = where + ": the seed is not a whole number";
    } else if (key == "last-used") {
      usedSeen = ReadNumber(value, lastUsed);
      if (!usedSeen) reason = where + ": last-used is not a whole number";
    } else if (key == "ink") {
      std::istringstream words(value);
      size_t count = 0;
      for (std::string word; words >> word; ++count) {
        if (count == InkCount || !ReadPercent(word, ink[count])) {
          reason = where + ": the ink line does not hold six percentages";
          return false;
        }
      }
      inkLineSeen = count == InkCount;
      if (!inkLineSeen) reason = where + ": the ink line does not hold six percentages";
    } else {
      bool known = false;
      for (const PageGeometry::InkInfo& info : PageGeometry::Inks) {
        if (key != KeyOf(info)) continue;
        known = true;
        const size_t index = static_cast<size_t>(info.Which);
        if (value.size() != NozzlesPerInk || value.find_first_not_of(std::string{FiringMark, CloggedMark}) != std::string::npos) {
          reason = where + ": " + key + " does not hold 48 nozzles ('.' or 'x')";
          return false;
        }
        for (size_t n = 0; n < NozzlesPerInk; ++n) nozzles[index][n] = value[n] == CloggedMark;
        inkSeen[index] = true;
      }
      if (!known) {
        reason = where + ": \"" + key + "\" is not a name of this file";
        return false;
      }
    }
    if (!reason.empty()) return false;
  }
  for (const PageGeometry::InkInfo& info : PageGeometry::Inks) {
    if (!inkSeen[static_cast<size_t>(info.Which)]) {
      reason = "the nozzles of " + KeyOf(info) + " are missing";
      return false;
    }
  }
  if (!seedSeen || !usedSeen || !inkLineSeen) {
    reason = !seedSeen ? "the seed is missing" : !usedSeen ? "last-used is missing" : "the ink line is missing";
    return false;
  }
  CloggedNozzles = nozzles;
  Ink = ink;
  Seed = seed;
  LastUsed = lastUsed;
  return true;
}

void PrintHead::Save() {
  if (FilePath.empty()) return;
  std::string refusal;
  if (!ReplaceRegularFile(FilePath, Format(), refusal) && MessageList.empty())
    MessageList.push_back(FilePath + " cannot be written: the head is kept in memory only.");
}
