// Head ID: the codings, every input check, the cells and order of the writes, and the ID rebuilt from the EEPROM.
#include "service/TPHeadID.h"

#include "tests/support/SimLinkTest.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

using Cells = std::vector<uint8_t>;

// Cells in the order the values are written and read (0x47 is written first).
const Cells ValueCells = {0x3F, 0x46, 0x40, 0x41, 0x43, 0x44, 0x45, 0x48, 0x4B, 0x49, 0x4C, 0x4A};

class HeadIdLink : public SimLinkTest<> {
protected:
  TPHeadID HeadId{Factory};

  // (address, data) of each service command `code` sent on the data channel since the last call.
  std::vector<std::pair<uint8_t, uint8_t>> Commands(uint8_t code) { return ServiceCommandsSinceLastLook(code); }
};

std::string With(std::string id, size_t position, char c) {
  id[position - 1] = c;
  return id;
}

TEST(HeadIdCoding, SymbolsInBothCodings) {
  const std::vector<std::pair<int, char>> symbols = {{1, 'A'},  {8, 'H'},  {9, 'J'},  {14, 'O'}, {25, 'Z'},
                                                     {26, '1'}, {34, '9'}, {35, '%'}, {36, '*'}, {37, '+'},
                                                     {38, '-'}, {39, '$'}, {40, ':'}};
  for (const auto& [value, c] : symbols) {
    EXPECT_EQ(TPHeadID::EncodeLow(value), c) << value;
    EXPECT_EQ(TPHeadID::DecodeLow(c), value) << c;
    EXPECT_EQ(TPHeadID::DecodeHigh(c), value <= 37 ? value + 31 : 0) << c;
    if (value <= 37) {
      EXPECT_EQ(TPHeadID::EncodeHigh(value + 31), c) << value;
    }
  }
  int symbolCount = 0;
  for (int c = 0; c < 256; ++c) symbolCount += TPHeadID::DecodeLow(static_cast<char>(c)) != 0;
  EXPECT_EQ(symbolCount, 40);
  for (char c : {'I', '0', 'a', ' ', '\0', '\xFF'}) EXPECT_EQ(TPHeadID::DecodeLow(c) + TPHeadID::DecodeHigh(c), 0) << c;
  // Outside the coding the value is the character.
  EXPECT_EQ(std::string({TPHeadID::EncodeLow(0), TPHeadID::EncodeLow(41), TPHeadID::EncodeLow(255),
                         TPHeadID::EncodeHigh(31), TPHeadID::EncodeHigh(69), TPHeadID::EncodeHigh(1)}),
            std::string("\0)\xFF\x1F" "E\x01", 6));
}

TEST(HeadIdCoding, Messages) {
  const std::vector<std::pair<uint16_t, const char*>> messages = {
      {0x1001, "The Number of digit is wrong."}, {0x1002, "First Digit is wrong."}, {0x1003, "Second Digit is wrong."},
      {0x1004, "Third Digit is wrong."},         {0x1005, "Fourth Digit is wrong."}, {0x1006, "Fifth Digit is wrong."},
      {0x1007, "6th Digit is wrong."},           {0x1008, "7th Digit is wrong."},   {0x1009, "8th Digit is wrong."},
      {0x100A, "9th Digit is wrong."},           {0x100B, "10th Digit is wrong."},  {0x100C, "11th Digit is wrong."},
      {0x100D, "12th Digit is wrong."},          {0x1010, "Check ID is invalid."}};
  for (const auto& [code, text] : messages) EXPECT_STREQ(TPHeadID::Message(code), text) << code;
  for (uint16_t code : {0x0000, 0x100E, 0x100F, 0x1000}) EXPECT_EQ(TPHeadID::Message(code), nullptr) << code;
}

// Accepted IDs with the bytes written, in order, to 0x47 and then ValueCells.
const std::vector<std::pair<std::string, Cells>> AcceptedIds = {
    {"AZAAAAAAAAAAC", {0x8C, 1, 0, 1, 1, 1, 1, 1, 32, 32, 32, 32, 32}},
    {"76+9:99+++++O", {216, 32, 6, 37, 34, 40, 34, 34, 68, 68, 68, 68, 68}},  // every upper bound
    {"G25A$18J1%BTG", {54, 7, 2, 30, 1, 39, 26, 33, 40, 57, 66, 33, 50}},
};

TEST_F(HeadIdLink, RejectedIdsWriteNothing) {
  std::vector<std::pair<std::string, uint16_t>> cases = {
      {"AZAAAAAAAAAA", 0x1001},  {"AZAAAAAAAAAACC", 0x1001}, {"", 0x1001},
      {"8ZAAAAAAAAAAC", 0x1002}, {"A0AAAAAAAAAAC", 0x1003},  {"A7AAAAAAAAAAC", 0x1003},
      {"AAAAAAAAAAAAC", 0x1003}, {"AZ-AAAAAAAAAC", 0x1004},  {"AZA%AAAAAAAAC", 0x1005},
      {"AZAAaAAAAAAAC", 0x1006}, {"AZAAA%AAAAAAC", 0x1007},  {"AZAAAA%AAAAAC", 0x1008},
      {"AZAAAAA-AAAAC", 0x1009}, {"AZAAAAAA$AAAC", 0x100A},  {"AZAAAAAAA:AAC", 0x100B},
      {"AZAAAAAAAAIAC", 0x100C}, {"AZAAAAAAAAA0C", 0x100D},  {"AZAAAAAAAAAAD", 0x1010},
      {"87-AAAAAAAAAD", 0x1002},  // the first failing position decides
  };
  for (size_t position : {1, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13})
    for (char c : {'I', '0'})
      cases.emplace_back(With("AZAAAAAAAAAAC", position, c), position == 13 ? 0x1010 : 0x1001 + position);
  for (const auto& accepted : AcceptedIds)
    for (char c : std::string("789%*+-$:")) cases.emplace_back(With(accepted.first, 13, c), 0x1010);

  const EepromImage::Cells before = Printer.Eeprom();
  for (const auto& [id, code] : cases) {
    EXPECT_EQ(HeadId.WriteHeadId(id), code) << id;
    EXPECT_TRUE(Commands(WriteEepromCode).empty()) << id;
  }
  EXPECT_EQ(Printer.Eeprom(), before);
}

TEST_F(HeadIdLink, AcceptedIdsAreWrittenInOrderAndReadBack) {
  Printer.SetEepromCell(0x42, 0x5A);
  for (const auto& [id, bytes] : AcceptedIds) {
    ASSERT_EQ(HeadId.WriteHeadId(id), HeadIdAccepted) << id;
    std::vector<std::pair<uint8_t, uint8_t>> expected = {{0x47, bytes[0]}};
    for (size_t i = 0; i < ValueCells.size(); ++i) expected.emplace_back(ValueCells[i], bytes[i + 1]);
    EXPECT_EQ(Commands(WriteEepromCode), expected) << id;
    for (const auto& [cell, value] : expected) EXPECT_EQ(Printer.Eeprom()[cell], value) << id << " cell " << +cell;

    const std::optional<StoredHeadId> stored = HeadId.ReadHeadId();
    ASSERT_TRUE(stored) << id;
    EXPECT_EQ(stored->Text, id);
    EXPECT_FALSE(stored->Damaged) << id;
    std::vector<uint8_t> reads;
    for (const auto& command : Commands(ReadEepromCode)) reads.push_back(command.first);
    EXPECT_EQ(reads, ValueCells) << id;
  }
  EXPECT_EQ(Printer.Eeprom()[0x42], 0x5A);
}

TEST_F(HeadIdLink, StoredValuesWithoutSymbolComeBackAsTheyAre) {
  const std::vector<std::pair<Cells, std::string>> cases = {
      {{12, 3, 5, 20, 17, 9, 14, 45, 50, 38, 60, 41}, "M3EURJOOTG4KK"},
      {Cells(12, 0x00), std::string("\0Z\0\0\0\0\0\0\0\0\0\0" "6", 13)},
      {Cells(12, 0xFF), "\xFF/\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFFY"},
      {{33, 7, 0, 41, 40, 0xFF, 1, 5, 31, 69, 32, 68}, std::string("87\0):\xFF" "A\x05\x1F" "EA+2", 13)},
  };
  for (const auto& [values, text] : cases) {
    for (size_t i = 0; i < values.size(); ++i) Printer.SetEepromCell(ValueCells[i], values[i]);
    EXPECT_EQ(HeadId.ReadHeadId(TPHeadID::Check::Skipped).value_or(StoredHeadId{}).Text, text);
    // Values out of their ranges never pass the write's check; values in range pass with their sum cell only.
    const bool inRange = values == cases[0].first;
    EXPECT_EQ(HeadId.ReadHeadId().value_or(StoredHeadId{}).Damaged, !inRange) << text;
    if (!inRange) continue;
    const uint8_t sum = Printer.Eeprom()[0x47];
    Printer.SetEepromCell(0x47, static_cast<uint8_t>(sum + 1));
    EXPECT_TRUE(HeadId.ReadHeadId().value_or(StoredHeadId{}).Damaged) << text;
    Printer.SetEepromCell(0x47, static_cast<uint8_t>(44 - (45 + 50 + 38 + 60 + 41)));
    EXPECT_FALSE(HeadId.ReadHeadId().value_or(StoredHeadId{}).Damaged) << text;
  }
}

// A write cut off after some cells leaves an ID that spells letters all the same: the sum cell gives it away.
TEST_F(HeadIdLink, AnIdCutOffHalfWayReadsAsDamaged) {
  ASSERT_EQ(HeadId.WriteHeadId("G25A$18J1%BTG"), HeadIdAccepted);
  const EepromImage::Cells old = Printer.Eeprom();
  ASSERT_EQ(HeadId.WriteHeadId("AZAAAAAAAAAAC"), HeadIdAccepted);
  const EepromImage::Cells full = Printer.Eeprom();
  // The sum cell and the first k values of the new ID, the rest still the old one's.
  for (size_t k = 0; k < ValueCells.size(); ++k) {
    for (uint8_t cell : ValueCells) Printer.SetEepromCell(cell, old[cell]);
    Printer.SetEepromCell(0x47, full[0x47]);
    for (size_t i = 0; i < k; ++i) Printer.SetEepromCell(ValueCells[i], full[ValueCells[i]]);
    const std::optional<StoredHeadId> stored = HeadId.ReadHeadId();
    ASSERT_TRUE(stored);
    EXPECT_TRUE(stored->Damaged) << k << " values written: " << stored->Text;
  }
  // All of it written: clean again.
  for (uint8_t cell : ValueCells) Printer.SetEepromCell(cell, full[cell]);
  EXPECT_FALSE(HeadId.ReadHeadId()->Damaged);
}

}  // namespace
