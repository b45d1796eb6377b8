// The printer's last reported state, shared by everything that asks for it.
#pragma once

#include <array>
#include <cstdint>

// Printer state codes (StatusCode).
constexpr int16_t StatusError = 0x7010;
constexpr int16_t StatusSelfPrinting = 0x7011;
constexpr int16_t StatusBusy = 0x7012;
constexpr int16_t StatusPrinting = 0x7013;
constexpr int16_t StatusReady = 0x7014;
constexpr int16_t StatusCleaning = 0x7015;
constexpr int16_t StatusBeforeInitialFill = 0x7016;
constexpr int16_t StatusMotorOff = 0x7017;

// Error codes (ErrorCode).
constexpr int16_t ErrorFatal = 0x7000;
constexpr int16_t ErrorCommunication = 0x7001;
constexpr int16_t ErrorPaperJam = 0x7002;
constexpr int16_t ErrorInkOut = 0x7003;
constexpr int16_t ErrorPaperOut = 0x7004;
constexpr int16_t ErrorMaintenanceRequest = 0x7005;
constexpr int16_t ErrorNone = 0x7009;

// Acknowledgement of an EEPROM write or a reset, by the program's codes: a busy printer's is
// the code of the busy state.
enum class Ack : uint16_t {
  Failed = 0,  // no reply to the request, or one with neither letter where it stands
  Ok = 0x4000,
  Busy = static_cast<uint16_t>(StatusBusy),
};

constexpr int WarningCount = 6;   // warning codes 10..15
constexpr int InkCount = 6;

struct PrinterStatus {
  int16_t StatusCode = 0;
  int16_t ErrorCode = 0;
  std::array<int32_t, WarningCount> WarningFlags{};  // flag k: warning code 10 + k reported
  std::array<uint8_t, InkCount> InkQuantities{};     // the "IQ:" values in reply order
};
