// The print head's 13-character ID: checked, stored as twelve drive values in the EEPROM, and rebuilt from them.
#pragma once

#include "eeprom/EepromMap.h"
#include "link/TPFactory.h"
#include "service/ConfirmedWrites.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>
#include <string_view>

// Result codes of WriteHeadId; a wrong character at position k (1..12) gives
// HeadIdWrongPosition1 + k - 1.
constexpr uint16_t HeadIdAccepted = 0;
constexpr uint16_t HeadIdWrongLength = 0x1001;
constexpr uint16_t HeadIdWrongPosition1 = 0x1002;
constexpr uint16_t HeadIdWrongPosition12 = 0x100D;
constexpr uint16_t HeadIdWrongCheck = 0x1010;

constexpr size_t HeadIdLength = 13;
constexpr size_t HeadIdValueCount = 12;

// The symbols of the ID in value order: value v (1..40) is HeadIdAlphabet[v - 1].
// 'I' and '0' are left out so that they cannot be mistaken for '1' and 'O'.
constexpr std::string_view HeadIdAlphabet = "ABCDEFGHJKLMNOPQRSTUVWXYZ123456789%*+-$:";
static_assert(HeadIdAlphabet.size() == 40);

// The high coding shifts the alphabet: value v (32..68) is symbol v - 31.
constexpr int HeadIdHighOffset = 31;
constexpr int HeadIdHighLowest = 32;
constexpr int HeadIdHighHighest = 68;

enum class HeadIdCoding : uint8_t {
  Low,          // the symbol's value
  ZeroOrDigit,  // 'Z' is 0, '1'..'6' are 1..6
  High,         // the symbol's value + 31
};

// One of the twelve value positions of the ID; position k is stored in HeadIdValueCells[k - 1].
struct HeadIdPosition {
  HeadIdCoding Coding;
  int Lowest;
  int Highest;
};

// Positions 1..12 in order. The EEPROM is written and read in this order too.
constexpr std::array<HeadIdPosition, HeadIdValueCount> HeadIdPositions = {{
    {HeadIdCoding::Low, 1, 32},
    {HeadIdCoding::ZeroOrDigit, 0, 6},
    {HeadIdCoding::Low, 1, 37},
    {HeadIdCoding::Low, 1, 34},
    {HeadIdCoding::Low, 1, 40},
    {HeadIdCoding::Low, 1, 34},
    {HeadIdCoding::Low, 1, 34},
    {HeadIdCoding::High, HeadIdHighLowest, HeadIdHighHighest},
    {HeadIdCoding::High, HeadIdHighLowest, HeadIdHighHighest},
    {HeadIdCoding::High, HeadIdHighLowest, HeadIdHighHighest},
    {HeadIdCoding::High, HeadIdHighLowest, HeadIdHighHighest},
    {HeadIdCoding::High, HeadIdHighLowest, HeadIdHighHighest},
}};
static_assert(HeadIdValueCells.size() == HeadIdValueCount);

// Position 13 carries the check value in low coding; it is not stored.
constexpr int HeadIdCheckHighest = 31;

// HeadIdSumCell holds (44 - sum of the high-coded values) mod 256, written before the values.
constexpr int HeadIdSumBase = 44;

// The twelve values in position order.
using HeadIdValues = std::array<int, HeadIdValueCount>;

constexpr const char* DamagedHeadIdText = "The head ID in the printer is damaged (its check does not match).";

// What the EEPROM spells as head ID.
struct StoredHeadId {
  std::string Text;
  bool Damaged = false;
};

class TPHeadID {
public:
  explicit TPHeadID(TPFactory& factory) : Factory(factory) {}

  // Checks every character and the check character; only when all pass are
  // the sum cell and the twelve values written (and, when asked, listed in
  // `written` for the read-back). Returns a result code.
  uint16_t WriteHeadId(std::string_view text, std::vector<EepromCell>* written = nullptr);
  // The check alone: the result code and, when it passes, the cells a write sends, in order.
  static uint16_t PlanHeadId(std::string_view text, std::vector<EepromCell>& cells);
  // Sends one cell of a planned write.
  void SendCell(const EepromCell& cell) { Factory.WriteEeprom(cell.Address, cell.Value); }
  // The 13 characters rebuilt from the EEPROM, and whether the stored values
  // pass the check a write makes (each value in its position's range, the sum
  // cell matching): an ID cut off half-way spells some text too. A stored value
  // without a symbol goes into the text as the byte it is. Nothing when a cell could not be read.
  // The sum cell is read on the control channel, and only with `check` Compared.
  enum class Check : uint8_t { Compared, Skipped };
  std::optional<StoredHeadId> ReadHeadId(Check check = Check::Compared);

  // The 13 characters that stored values spell: the twelve symbols and the check character.
  static std::string SpellHeadId(const HeadIdValues& values);

  // A value outside the coding comes back as the character with that code.
  static char EncodeLow(int value);
  static char EncodeHigh(int value);
  // 0 for a character outside the coding.
  static int DecodeLow(char c);
  static int DecodeHigh(char c);

  // The message for a nonzero result code; nullptr for 0 and unknown codes.
  static const char* Message(uint16_t code);

private:
  TPFactory& Factory;
};
