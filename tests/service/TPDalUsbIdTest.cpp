// USB ID: the date characters, the serial check, the cells written and how far a read goes.
#include "service/TPDalUsbId.h"

#include "tests/support/SimLinkTest.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

class CountingClock : public VirtualClock {
public:
  LocalDateTime LocalNow() override {
    ++Readings;
    return VirtualClock::LocalNow();
  }
  int Readings = 0;
};

class UsbIdLink : public SimLinkTest<CountingClock> {
protected:
  TPDalUsbId UsbId{Factory, Clock};

  // The cell addresses of the service commands `code` since the last call, in order.
  std::vector<uint8_t> Addresses(uint8_t code) {
    std::vector<uint8_t> found;
    for (const auto& [address, data] : ServiceCommandsSinceLastLook(code)) found.push_back(address);
    return found;
  }
  std::string StoredId() const {
    return std::string(Printer.Eeprom().begin() + 0x4D, Printer.Eeprom().begin() + 0x5F);
  }
};

std::vector<uint8_t> CellRange(uint8_t first, size_t count) {
  std::vector<uint8_t> cells(count);
  for (size_t i = 0; i < count; ++i) cells[i] = static_cast<uint8_t>(first + i);
  return cells;
}

TEST(UsbIdDate, CharactersOfTheLocalTime) {
  const std::vector<std::pair<LocalDateTime, std::string>> cases = {
      {{2026, 12, 7, 11, 51, 6}, "RC7BL620"},  {{2026, 12, 7, 10, 29, 59}, "RC7ATT10"},
      {{2026, 12, 7, 10, 30, 0}, "RC7A0020"},  {{2026, 12, 7, 10, 59, 30}, "RC7AT030"},
      {{1999, 1, 1, 0, 0, 0}, "91100000"},     {{2000, 9, 9, 9, 9, 9}, "09999900"},
      {{2008, 10, 10, 10, 10, 10}, "8AAAAA00"}, {{2009, 11, 31, 23, 39, 29}, "ABVN9T20"},
      {{2034, 12, 30, 12, 0, 45}, "ZCUC0F10"}, {{1998, 5, 5, 5, 5, 5}, "b5555500"},
      {{2035, 5, 5, 5, 5, 5}, "\x87" "5555500"},
  };
  for (const auto& [when, characters] : cases)
    EXPECT_EQ(TPDalUsbId::DateCharacters(when), characters) << when.Year << " " << when.Hour << ":" << when.Minute;
}

TEST(UsbIdSerial, InputCheck) {
  const std::string length = "The Number of digit is wrong.";
  const std::string alphabet = "Parameter is only number & alphabet.";
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"ABC1234567", ""},         {"0123456789", ""},         {"ZZZZZZZZZZ", ""},         {"ABC123456", length},
      {"ABC12345678", length},    {"", length},               {"abc", length},            {"abc1234567", alphabet},
      {"ABC-234567", alphabet},   {"ABC123456z", alphabet},   {"@BC1234567", alphabet},   {"ABC12 4567", alphabet},
      {"ABC1234[67", alphabet},   {"/BC1234567", alphabet},   {"ABC123456:", alphabet}};
  for (const auto& [serial, message] : cases) {
    const char* shown = TPDalUsbId::CheckSerial(serial);
    EXPECT_EQ(shown ? shown : "", message) << serial;
  }
}

TEST_F(UsbIdLink, WriteStoresSerialThenDateAndGivesTheDisplayForm) {
  const std::vector<std::pair<LocalDateTime, std::string>> cases = {
      {{2026, 12, 7, 11, 51, 6}, "ABC123456 7RC7BL620"},
      {{2026, 12, 7, 10, 29, 59}, "ABC123456 7RC7ATT10"},
      {{2026, 12, 7, 10, 30, 0}, "ABC123456 7RC7A0020"},
  };
  const uint8_t before = Printer.Eeprom()[0x4C];
  const uint8_t after = Printer.Eeprom()[0x5F];
  for (const auto& [when, display] : cases) {
    Clock.Advance(1000 - Clock.SteadyMilliseconds() % 1000);  // the writes start at a whole second
    Clock.SetLocalTime(when);
    Clock.Readings = 0;
    EXPECT_EQ(UsbId.WriteUsbId("ABC1234567"), display);
    EXPECT_EQ(Clock.Readings, 1);
    EXPECT_EQ(StoredId(), display.substr(0, 9) + display.substr(10));
    EXPECT_EQ(Addresses(WriteEepromCode), CellRange(0x4D, 18));

    std::string text;
    EXPECT_EQ(UsbId.ReadUsbId(text), TPDalUsbId::ReadResult::Valid);
    EXPECT_EQ(text, StoredId());
  }
  EXPECT_EQ(Printer.Eeprom()[0x4C], before);
  EXPECT_EQ(Printer.Eeprom()[0x5F], after);
}

TEST_F(UsbIdLink, ReadStopsAtTheFirstByteThatIsNoLetterOrDigitAndChecksTheDate) {
  struct Case {
    std::string Cells;  // 0x4D..0x5E
    TPDalUsbId::ReadResult Result;
    size_t Reads;
  };
  using R = TPDalUsbId::ReadResult;
  const std::vector<Case> cases = {
      {"TZ3K048271Q3E9C520", R::Valid, 18},
      {"az09AZ0000Z9VNTT30", R::Valid, 18},  // every date field at its top
      {"\xFF" "Z3K048271Q3E9C520", R::Invalid, 1},
      {"TZ3K-48271Q3E9C520", R::Invalid, 5},
      {std::string("TZ3K048271Q3E9C52\0", 18), R::Invalid, 18},
      // Letters and digits, but no date a write makes: cut off, or overwritten by something else.
      {"az09AZ0000abcdefgz", R::Damaged, 18},
      {"TZ3K048271Q3E9C521", R::Damaged, 18},  // last character not '0'
      {"TZ3K048271Q3E9C540", R::Damaged, 18},  // flags above '3'
      {"TZ3K048271QDE9C520", R::Damaged, 18},  // month 13
      {"TZ3K048271Q0E9C520", R::Damaged, 18},  // month 0
      {"TZ3K048271Q3W9C520", R::Damaged, 18},  // day 32
      {"TZ3K048271Q3EOC520", R::Damaged, 18},  // hour 24
      {"TZ3K048271Q3E9U520", R::Damaged, 18},  // minute 30 is kept as 0 and a flag
      {"TZ3K048271Q3E9CU20", R::Damaged, 18},  // second 30 likewise
  };
  std::vector<Case> all = cases;
  for (char c : {'/', ':', '@', '[', '`', '{', ' '}) all.push_back({c + cases[0].Cells.substr(1), R::Invalid, 1});
  for (const Case& c : all) {
    for (size_t i = 0; i < c.Cells.size(); ++i) Printer.SetEepromCell(static_cast<uint8_t>(0x4D + i), c.Cells[i]);
    Addresses(ReadEepromCode);
    std::string text = "previous";
    EXPECT_EQ(UsbId.ReadUsbId(text), c.Result) << c.Cells;
    EXPECT_EQ(text, c.Cells.substr(0, c.Reads));
    EXPECT_EQ(Addresses(ReadEepromCode), CellRange(0x4D, c.Reads)) << c.Cells;
  }
}

}  // namespace
