// The printer's states and the faults a test or a trainer can switch on.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The state digit the printer reports behind "ST:0".
enum class PrinterState : uint8_t {
  Error = 0,
  SelfPrinting = 1,
  Busy = 2,
  Printing = 3,
  Ready = 4,
  Cleaning = 7,
  BeforeInitialFill = 8,
  MotorOff = 9,
};

// Two-digit error numbers the printer reports behind "ER:".
constexpr int ErrorNumberFatal = 0;
constexpr int ErrorNumberCommunication = 1;
constexpr int ErrorNumberPaperJam = 4;
constexpr int ErrorNumberInkOut = 5;
constexpr int ErrorNumberPaperOut = 6;
constexpr int ErrorNumberMaintenanceRequest = 10;

// What a status request reports at one moment.
struct PrinterCondition {
  PrinterState State = PrinterState::Ready;
  std::optional<int> ErrorNumber;  // 0..99; present only in the error state
  std::vector<int> Warnings;       // codes 0..99, reported in this order
  std::array<uint8_t, 6> InkQuantities{};
};

// Faults and forced conditions. All off by default; each can be switched at
// any moment and acts from the next block the host writes.
struct PrinterFaults {
  // The printer works as usual but every answer is lost on the way back,
  // the answer to the mode switch included.
  bool NoAnswer = false;
  // The port accepts one byte fewer than written; the block never reaches the
  // printer (applied by the in-process port device).
  bool ShortWrite = false;
  // Control-channel answers leave with the data channel's socket bytes.
  bool WrongSocket = false;
  // EEPROM writes and resets on the control channel are answered 'B' and not carried out.
  bool BusyAck = false;
  // Answers to EEPROM reads (control and data channel) are cut short, before the value.
  bool ShortEepromReply = false;
  // Answers to EEPROM reads (control and data channel) are lost.
  bool DropEepromReply = false;
  // When set, the two faults above touch only the reads of this cell.
  std::optional<uint8_t> EepromFaultCell;
  // Sent instead of the status text (at most 122 bytes are sent).
  std::optional<std::string> GarbageStatus;
  // Error state with error number 06.
  bool PaperOut = false;
  // Error state with this error number (also numbers the host does not know);
  // takes precedence over PaperOut.
  std::optional<int> PrinterError;
  // Reported instead of what the mechanism is doing (errors still win).
  std::optional<PrinterState> HeldState;
  // After this many EEPROM writes since the switch was set (or the power came
  // on), the printer stops: it carries out that write, then neither answers
  // nor takes in anything until the switch is cleared or the power cycled. A
  // write can so be stopped at a known cell, whatever the timing.
  std::optional<uint32_t> HoldAfterWrites;

  // How the answer to a read of `address` is spoilt now.
  enum class ReadFault : uint8_t { None, Short, Dropped };
  ReadFault EepromReadFault(uint8_t address) const {
    if (EepromFaultCell && *EepromFaultCell != address) return ReadFault::None;
    if (DropEepromReply) return ReadFault::Dropped;
    if (ShortEepromReply) return ReadFault::Short;
    return ReadFault::None;
  }
};
