// The printer's USB ID: a typed 10-character serial and 8 characters of the date of writing, in its EEPROM cells.
#pragma once

#include "eeprom/EepromMap.h"
#include "link/TPFactory.h"
#include "platform/Clock.h"
#include "service/ConfirmedWrites.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

constexpr const char* DamagedUsbIdText = "The USB ID in the printer is damaged (its check does not match).";

// Messages of the serial input check.
constexpr const char* UsbIdWrongLengthMessage = "The Number of digit is wrong.";
constexpr const char* UsbIdWrongCharacterMessage = "Parameter is only number & alphabet.";

class TPDalUsbId {
public:
  TPDalUsbId(TPFactory& factory, Clock& clock) : Factory(factory), TheClock(clock) {}

  // Writes the serial to its cells, then the date characters of the moment
  // to theirs, in ascending cell order. The caller has checked the
  // serial; characters missing from a shorter one go out as zero bytes.
  // Returns the display form: serial 1..9, a space, serial 10, the date
  // characters. The cells sent are listed in `written` when asked, for the read-back.
  std::string WriteUsbId(std::string_view serial, std::vector<EepromCell>* written = nullptr);
  // The same cells and display form without sending anything (the date read once, now).
  std::string PlanUsbId(std::string_view serial, std::vector<EepromCell>& cells);
  // Sends one cell of a planned write.
  void SendCell(const EepromCell& cell) { Factory.WriteEeprom(cell.Address, cell.Value); }
  enum class ReadResult : uint8_t { Valid, Invalid, Damaged, Unreadable };
  // Reads the 18 cells from UsbIdSerialCell on into `text`. Stops with Invalid at the
  // first byte that is not a letter or a digit; `text` then ends with that
  // byte and the cells after it are not read. Damaged when all 18 are letters
  // or digits but the date characters are none that a write makes (see
  // DateCharactersMatch). Unreadable when a cell could not be read.
  ReadResult ReadUsbId(std::string& text);

  // Year, month, day, hour, minute and second (each mod 30), the half-minute
  // flags '0'..'3' and '0'. A year outside 1999..2034 is stored as the byte
  // of the years since 1900.
  static std::string DateCharacters(const LocalDateTime& when);
  // Whether 8 stored date characters are ones DateCharacters makes: each
  // field within its range, the flags '0'..'3' and the last character '0'.
  static bool DateCharactersMatch(std::string_view date);
  // nullptr for exactly 10 characters of '0'..'9' and 'A'..'Z'; else the message.
  static const char* CheckSerial(std::string_view serial);

private:
  TPFactory& Factory;
  Clock& TheClock;
};
