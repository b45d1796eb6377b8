// The printer's last reported state, shared by everything that asks for it.
#pragma once

#include <array>
#include <cstdint>

// Printer state codes (StatusCode); 0 until the printer has reported one.
enum class PrinterStateCode : int16_t {
  StatusError = 0x7010,
  StatusSelfPrinting = 0x7011,
  StatusBusy = 0x7012,
  StatusPrinting = 0x7013,
  StatusReady = 0x7014,
  StatusCleaning = 0x7015,
  StatusBeforeInitialFill = 0x7016,
  StatusMotorOff = 0x7017,
};
using enum PrinterStateCode;

// Error codes (ErrorCode); 0 until the printer has been asked.
enum class PrinterErrorCode : int16_t {
  ErrorFatal = 0x7000,
  ErrorCommunication = 0x7001,
  ErrorPaperJam = 0x7002,
  ErrorInkOut = 0x7003,
  ErrorPaperOut = 0x7004,
  ErrorMaintenanceRequest = 0x7005,
  ErrorNone = 0x7009,
};
using enum PrinterErrorCode;

// Acknowledgement of an EEPROM write or a reset, by the program's codes: a busy printer's is
// the code of the busy state.
enum class Ack : uint16_t {
  Failed = 0,  // no reply to the request, or one with neither letter where it stands
  Ok = 0x4000,
  Busy = static_cast<uint16_t>(StatusBusy),
};

constexpr int WarningCount = 6;   // warning codes 10..15
constexpr int InkCount = 6;
// The inks of InkQuantities, in the reply's order.
constexpr std::array<const char*, InkCount> InkNames = {"black", "cyan", "magenta", "yellow", "light cyan", "light magenta"};

struct PrinterStatus {
  PrinterStateCode StatusCode{};
  PrinterErrorCode ErrorCode{};
  std::array<int32_t, WarningCount> WarningFlags{};  // flag k: warning code 10 + k reported
  std::array<uint8_t, InkCount> InkQuantities{};     // the "IQ:" values in reply order
};
