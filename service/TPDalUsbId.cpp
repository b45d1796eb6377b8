// Writing the USB ID with its date characters, reading it back, and checking a typed serial.
#include "service/TPDalUsbId.h"

#include <array>

namespace {

// A run of years that maps onto a run of characters.
struct YearRun {
  int First;
  int Last;
  char FirstCharacter;
};

constexpr std::array<YearRun, 3> YearRuns = {{
    {1999, 1999, '9'},
    {2000, 2008, '0'},
    {2009, 2034, 'A'},
}};

constexpr int YearBase = 1900;  // years without a character are stored as years since then
constexpr int HalfMinute = 30;

// 0..9 as '0'..'9', 10 and more as 'A', 'B' ...: months, days, hours, minutes and seconds.
char DigitOrLetter(int value) {
  return static_cast<char>(value < 10 ? '0' + value : 'A' + (value - 10));
}

char YearCharacter(int year) {
  for (const YearRun& run : YearRuns)
    if (year >= run.First && year <= run.Last) return static_cast<char>(run.FirstCharacter + (year - run.First));
  return static_cast<char>(year - YearBase);
}

bool IsDigitOrCapital(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z'); }

bool IsLetterOrDigit(char c) { return IsDigitOrCapital(c) || (c >= 'a' && c <= 'z'); }

}  // namespace

std::string TPDalUsbId::WriteUsbId(std::string_view serial, std::vector<EepromCell>* written) {
  std::vector<EepromCell> cells;
  const std::string display = PlanUsbId(serial, cells);
  for (const EepromCell& cell : cells) SendCell(cell);
  if (written != nullptr) *written = std::move(cells);
  return display;
}

std::string TPDalUsbId::PlanUsbId(std::string_view serial, std::vector<EepromCell>& cells) {
  cells.clear();
  std::string display;
  display.reserve(UsbIdLength + 1);
  for (size_t i = 0; i < UsbIdSerialLength; ++i) {
    const char c = i < serial.size() ? serial[i] : '\0';
    cells.push_back({static_cast<uint8_t>(UsbIdSerialCell + i), static_cast<uint8_t>(c)});
    if (i == UsbIdSerialLength - 1) display.push_back(' ');
    display.push_back(c);
  }

  const std::string date = DateCharacters(TheClock.LocalNow());
  for (size_t i = 0; i < date.size(); ++i)
    cells.push_back({static_cast<uint8_t>(UsbIdDateCell + i), static_cast<uint8_t>(date[i])});
  return display + date;
}

TPDalUsbId::ReadResult TPDalUsbId::ReadUsbId(std::string& text) {
  text.clear();
  for (size_t i = 0; i < UsbIdLength; ++i) {
    const std::optional<uint8_t> cell = Factory.ReadEeprom(static_cast<uint8_t>(UsbIdSerialCell + i));
    if (!cell) return ReadResult::Unreadable;
    const char c = static_cast<char>(*cell);
    text.push_back(c);
    if (!IsLetterOrDigit(c)) return ReadResult::Invalid;
  }
  return DateCharactersMatch(std::string_view(text).substr(UsbIdSerialLength)) ? ReadResult::Valid
                                                                                : ReadResult::Damaged;
}

bool TPDalUsbId::DateCharactersMatch(std::string_view date) {
  if (date.size() != UsbIdDateLength) return false;
  // The highest value of each field after the year; minute and second are kept below 30.
  constexpr std::array<int, 5> Highest{12, 31, 23, HalfMinute - 1, HalfMinute - 1};
  constexpr std::array<int, 5> Lowest{1, 1, 0, 0, 0};
  const auto valueOf = [](char c) { return c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'Z' ? c - 'A' + 10 : -1; };
  if (!IsDigitOrCapital(date[0])) return false;
  for (size_t i = 0; i < Highest.size(); ++i) {
    const int value = valueOf(date[i + 1]);
    if (value < Lowest[i] || value > Highest[i]) return false;
  }
  return date[6] >= '0' && date[6] <= '3' && date[7] == '0';
}

std::string TPDalUsbId::DateCharacters(const LocalDateTime& when) {
  const bool lateMinute = when.Minute >= HalfMinute;
  const bool lateSecond = when.Second >= HalfMinute;
  std::string date;
  date.reserve(UsbIdDateLength);
  date.push_back(YearCharacter(when.Year));
  date.push_back(DigitOrLetter(when.Month));
  date.push_back(DigitOrLetter(when.Day));
  date.push_back(DigitOrLetter(when.Hour));
  // Minute and second keep only their part below 30; the flags character tells which were cut.
  date.push_back(DigitOrLetter(lateMinute ? when.Minute - HalfMinute : when.Minute));
  date.push_back(DigitOrLetter(lateSecond ? when.Second - HalfMinute : when.Second));
  date.push_back(static_cast<char>('0' + 2 * lateMinute + lateSecond));
  date.push_back('0');
  return date;
}

const char* TPDalUsbId::CheckSerial(std::string_view serial) {
  if (serial.size() != UsbIdSerialLength) return UsbIdWrongLengthMessage;
  for (char c : serial)
    if (!IsDigitOrCapital(c)) return UsbIdWrongCharacterMessage;
  return nullptr;
}
