// The printer's escape-sequence print language: every command this program sends while printing,
// run-length compressed raster lines and texts, each sent whole to the data channel.
#pragma once

#include "link/TPDalD4Comm.h"
#include "platform/Dialogs.h"

#include <array>
#include <cstddef>
#include <cstdint>

// Colour numbers of RasterHeader.
constexpr uint8_t InkBlack = 0x00;
constexpr uint8_t InkMagenta = 0x01;
constexpr uint8_t InkCyan = 0x02;
constexpr uint8_t InkYellow = 0x04;
constexpr uint8_t InkLightMagenta = 0x11;
constexpr uint8_t InkLightCyan = 0x12;

// Dot sizes of SetDotSize: one per droplet mode, and the plain one of the solid patterns.
constexpr uint8_t DotSizePlain = 0x00;
constexpr uint8_t DotSize4pl = 0x10;
constexpr uint8_t DotSize6pl = 0x11;
constexpr uint8_t DotSizeMs = 0x12;

// SetPrintDirection.
constexpr uint8_t PrintBidirectional = 0;
constexpr uint8_t PrintUnidirectional = 1;

// SetColorMode.
constexpr uint8_t ColorModeMonochrome = 1;
constexpr uint8_t ColorModeColor = 2;

// SetUnit: 10/3600 inch, so that every amount is in 1/360 inch.
constexpr uint8_t UnitOneIn360 = 10;

// SetRasterResolution: base 360 with vertical step 3 and horizontal step 1,
// so raster lines lie 1/120 inch and dots 1/360 inch apart.
constexpr uint16_t RasterBase = 360;
constexpr uint8_t RasterVerticalStep = 3;
constexpr uint8_t RasterHorizontalStep = 1;

// RasterHeader.
constexpr uint8_t RunLengthCompressed = 1;
constexpr uint8_t OneBitPerDot = 1;
constexpr uint8_t TwoBitsPerDot = 2;
constexpr uint16_t NozzleRows = 48;  // raster lines of every block: one per nozzle

// The longest run one counter byte can announce.
constexpr int MaxRunCount = 129;

class RasterEncoder {
public:
  RasterEncoder(TPDalD4Comm& comm, Dialogs& dialogs, FatalExit& fatal);

  // --- Commands; each goes to SendData whole.
  void ResetPrinter();
  void EnterGraphicsMode();
  void SetUnit(uint8_t unit);
  void SetPrintDirection(uint8_t direction);
  void SetDotSize(uint8_t dotSize);
  void SetColorMode(uint8_t mode);
  void ReturnHead();
  // 0 only returns the carriage.
  void VerticalMove(uint8_t units);
  void HorizontalMove(uint16_t units);
  void SetRasterResolution(uint16_t base, uint8_t verticalStep, uint8_t horizontalStep);
  void RasterHeader(uint8_t color, uint8_t compression, uint8_t bitsPerDot, uint16_t bytesPerLine, uint16_t lines);
  void SetPaperSize(uint32_t width, uint32_t length);
  void SetPageFormat(uint32_t top, uint32_t bottom);
  // CR LF `count` times; nothing for 0 or less.
  void NewLines(int count);
  void FormFeed();
  // Reset, graphics mode, unit, direction, dot size, colour mode.
  void StartRasterMode(uint8_t unit, uint8_t direction, uint8_t dotSize, uint8_t colorMode);
  // One run: `value` `count` times (1..129). Any other count is a fault of
  // the program: the "RepeatSend() error" box, the port closed, the program ended.
  void RepeatSend(int count, uint8_t value);
  // The characters and their terminating zero byte.
  void SendText(const char* text);

  // --- The building blocks of every pattern.
  // `runs` runs of `value`, `count` times each.
  void Runs(int runs, int count, uint8_t value);
  // SetRasterResolution and a RasterHeader of 48 run-length compressed lines.
  void BlockHeader(uint8_t color, uint8_t bitsPerDot, uint16_t bytesPerLine);

private:
  template <size_t N>
  void Send(const std::array<uint8_t, N>& command) {
    Link.SendData(command.data(), N);
  }

  TPDalD4Comm& Link;
  Dialogs& Boxes;
  FatalExit& Fatal;
};
