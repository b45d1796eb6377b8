// Checking a typed head ID, storing its values, and rebuilding the ID from the EEPROM.
#include "service/TPHeadID.h"

namespace {

struct HeadIdMessage {
  uint16_t Code;
  const char* Text;
};

constexpr std::array<HeadIdMessage, 14> HeadIdMessages = {{
    {HeadIdWrongLength, "The Number of digit is wrong."},
    {0x1002, "First Digit is wrong."},
    {0x1003, "Second Digit is wrong."},
    {0x1004, "Third Digit is wrong."},
    {0x1005, "Fourth Digit is wrong."},
    {0x1006, "Fifth Digit is wrong."},
    {0x1007, "6th Digit is wrong."},
    {0x1008, "7th Digit is wrong."},
    {0x1009, "8th Digit is wrong."},
    {0x100A, "9th Digit is wrong."},
    {0x100B, "10th Digit is wrong."},
    {0x100C, "11th Digit is wrong."},
    {0x100D, "12th Digit is wrong."},
    {HeadIdWrongCheck, "Check ID is invalid."},
}};

static_assert(HeadIdWrongPosition1 + HeadIdValueCount - 1 == HeadIdWrongPosition12);

// Position 2 has a coding of its own: 'Z' stands for 0, '1'..'6' for 1..6.
constexpr char ZeroSymbol = 'Z';
constexpr int NotAccepted = -1;  // 0 is a valid value there, so refusal needs its own mark

int DecodeValue(HeadIdCoding coding, char c) {
  switch (coding) {
    case HeadIdCoding::Low:
      return TPHeadID::DecodeLow(c);
    case HeadIdCoding::High:
      return TPHeadID::DecodeHigh(c);
    case HeadIdCoding::ZeroOrDigit:
      if (c == ZeroSymbol) return 0;
      if (c >= '1' && c <= '6') return c - '0';
      return NotAccepted;
  }
  return NotAccepted;
}

char EncodeValue(HeadIdCoding coding, int value) {
  switch (coding) {
    case HeadIdCoding::Low:
      return TPHeadID::EncodeLow(value);
    case HeadIdCoding::High:
      return TPHeadID::EncodeHigh(value);
    case HeadIdCoding::ZeroOrDigit:
      return value == 0 ? ZeroSymbol : static_cast<char>('0' + value);
  }
  return static_cast<char>(value);
}

// 31 - (S mod 31) with S the sum of 2k times the value of position k; always 1..31.
int CheckValue(const HeadIdValues& values) {
  int sum = 0;
  for (size_t i = 0; i < values.size(); ++i) sum += 2 * static_cast<int>(i + 1) * values[i];
  return HeadIdCheckHighest - sum % HeadIdCheckHighest;
}

uint8_t SumCellValue(const HeadIdValues& values) {
  int highSum = 0;
  for (size_t i = 0; i < values.size(); ++i)
    if (HeadIdPositions[i].Coding == HeadIdCoding::High) highSum += values[i];
  // The conversion to 8 bits is the reduction mod 256 (a negative difference wraps).
  return static_cast<uint8_t>(HeadIdSumBase - highSum);
}

}  // namespace

uint16_t TPHeadID::WriteHeadId(std::string_view text, std::vector<EepromCell>* written) {
  std::vector<EepromCell> cells;
  const uint16_t code = PlanHeadId(text, cells);
  if (code != HeadIdAccepted) return code;
  for (const EepromCell& cell : cells) SendCell(cell);
  if (written != nullptr) *written = std::move(cells);
  return HeadIdAccepted;
}

uint16_t TPHeadID::PlanHeadId(std::string_view text, std::vector<EepromCell>& planned) {
  if (text.size() != HeadIdLength) return HeadIdWrongLength;

  HeadIdValues values{};
  for (size_t i = 0; i < HeadIdValueCount; ++i) {
    const HeadIdPosition& position = HeadIdPositions[i];
    values[i] = DecodeValue(position.Coding, text[i]);
    if (values[i] < position.Lowest || values[i] > position.Highest)
      return static_cast<uint16_t>(HeadIdWrongPosition1 + i);
  }

  const int check = DecodeLow(text[HeadIdValueCount]);
  if (check < 1 || check > HeadIdCheckHighest || check != CheckValue(values)) return HeadIdWrongCheck;

  planned = {{HeadIdSumCell, SumCellValue(values)}};
  for (size_t i = 0; i < HeadIdValueCount; ++i)
    planned.push_back({HeadIdValueCells[i], static_cast<uint8_t>(values[i])});
  return HeadIdAccepted;
}

std::optional<StoredHeadId> TPHeadID::ReadHeadId(Check check) {
  HeadIdValues values{};
  bool inRange = true;
  for (size_t i = 0; i < HeadIdValueCount; ++i) {
    const std::optional<uint8_t> value = Factory.ReadEeprom(HeadIdValueCells[i]);
    if (!value) return std::nullopt;
    values[i] = *value;
    inRange = inRange && values[i] >= HeadIdPositions[i].Lowest && values[i] <= HeadIdPositions[i].Highest;
  }
  if (check == Check::Skipped) return StoredHeadId{SpellHeadId(values), !inRange};
  const std::optional<uint8_t> sum = Factory.Link().ControlReadEeprom(HeadIdSumCell).Answer();
  if (!sum) return std::nullopt;
  return StoredHeadId{SpellHeadId(values), !inRange || *sum != SumCellValue(values)};
}

std::string TPHeadID::SpellHeadId(const HeadIdValues& values) {
  std::string text;
  text.reserve(HeadIdLength);
  for (size_t i = 0; i < HeadIdValueCount; ++i) text.push_back(EncodeValue(HeadIdPositions[i].Coding, values[i]));
  text.push_back(EncodeLow(CheckValue(values)));
  return text;
}

char TPHeadID::EncodeLow(int value) {
  if (value < 1 || value > static_cast<int>(HeadIdAlphabet.size())) return static_cast<char>(value);
  return HeadIdAlphabet[static_cast<size_t>(value - 1)];
}

char TPHeadID::EncodeHigh(int value) {
  if (value < HeadIdHighLowest || value > HeadIdHighHighest) return static_cast<char>(value);
  return EncodeLow(value - HeadIdHighOffset);
}

int TPHeadID::DecodeLow(char c) {
  const size_t index = HeadIdAlphabet.find(c);
  return index == std::string_view::npos ? 0 : static_cast<int>(index + 1);
}

int TPHeadID::DecodeHigh(char c) {
  const int low = DecodeLow(c);
  if (low == 0 || low + HeadIdHighOffset > HeadIdHighHighest) return 0;
  return low + HeadIdHighOffset;
}

const char* TPHeadID::Message(uint16_t code) {
  for (const HeadIdMessage& message : HeadIdMessages)
    if (message.Code == code) return message.Text;
  return nullptr;
}
