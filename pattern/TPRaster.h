// Streams every test pattern to the printer as its escape-sequence print language, command by command and run by run.
#pragma once

#include "eeprom/BidValues.h"
#include "eeprom/EepromMap.h"
#include "link/TPDalD4Comm.h"
#include "link/TPFactory.h"
#include "platform/Dialogs.h"
#include "platform/ProgramEnd.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

// Colour numbers of RasterHeader.
constexpr uint8_t InkBlack = 0x00;
constexpr uint8_t InkMagenta = 0x01;
constexpr uint8_t InkCyan = 0x02;
constexpr uint8_t InkYellow = 0x04;
constexpr uint8_t InkLightMagenta = 0x11;
constexpr uint8_t InkLightCyan = 0x12;

// The order of every six-colour pattern, as its label "BK-C-LC-M-LM-Y" reads.
constexpr std::array<uint8_t, 6> SixColorOrder{InkBlack, InkCyan, InkLightCyan, InkMagenta, InkLightMagenta, InkYellow};

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

// SetUnit: 10/3600 inch, so that every amount below is in 1/360 inch.
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

// A4 at 1/360 inch, and its printable area.
constexpr uint32_t A4Width = 2976;
constexpr uint32_t A4Length = 4208;
constexpr uint32_t PageTopMargin = 42;
constexpr uint32_t PageBottomMargin = 7966;

// The longest run one counter byte can announce.
constexpr int MaxRunCount = 129;

// Layouts of PrintTopMarginPattern.
constexpr int TopMarginOwnPage = 0;
constexpr int TopMarginCheckPage = 1;

// How the section of one Bi-D value is printed: its dot size follows the value's droplet mode,
// its colours the value's ink group.
struct BidSection {
  const BidValue* Value;
  uint8_t DotSize;
  uint8_t ReferenceColor;  // printed one way: the rulers
  uint8_t CandidateColor;  // printed both ways under each candidate value

  // Sent with its zero byte: the value's name after one space.
  std::string Title() const { return " " + std::string(Value->Name); }
};

// The sections in the order of BidValues.
constexpr std::array<BidSection, BidValues.size()> BidSections = [] {
  std::array<BidSection, BidValues.size()> sections{};
  for (size_t i = 0; i < BidValues.size(); ++i) {
    const BidValue& value = BidValues[i];
    const uint8_t dotSize = value.DotMode == BidDotModeMs    ? DotSizeMs
                            : value.DotMode == BidDotMode6pl ? DotSize6pl
                                                             : DotSize4pl;
    const bool black = value.InkGroup == BidInkBlack;
    sections[i] = {&value, dotSize, black ? InkBlack : InkLightMagenta, black ? InkBlack : InkLightCyan};
  }
  return sections;
}();

// The five candidates of a Bi-D section, around the value printed with.
constexpr std::array<int, 5> BidCandidateOffsets{-4, -2, 0, 2, 4};

// Width of one candidate value on the value line: the width of a slot at 10 characters per inch.
constexpr size_t BidValueFieldWidth = 14;

class TPRaster {
public:
  TPRaster(TPDalD4Comm& comm, TPFactory& factory, Dialogs& dialogs, ProgramEnd& end);

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

  // --- Patterns, each with its title line and closed by ResetPrinter.
  void PrintBetaPattern();
  void PrintNozzleCheckPattern();
  void PrintAlignmentPattern();
  void PrintNozzleColumnShift();
  void PrintVariableDotPattern();
  // The section of one Bi-D value; the printer has its value back afterwards.
  // True once sent; false, with nothing sent, for a pair that names no Bi-D
  // value. False too when the value could not be read: the section then
  // shows "??" and no candidates, and the printer's value is left untouched.
  bool PrintBidPattern(int dotMode, int inkGroup);
  // "  data:   " and the five candidate values around `value`.
  void PrintBidValueLine(int8_t value);
  // The full-width line and the first-dot column with the stored top margin:
  // TopMarginOwnPage ends with a form feed, TopMarginCheckPage is a section of the check page.
  // False when the top margin could not be read; the line then shows "?" as its sign.
  bool PrintTopMarginPattern(int layout);

  // --- Helpers, public for their own sake.
  // The section of (dot mode, ink group), or nullptr.
  static const BidSection* FindBidSection(int dotMode, int inkGroup);
  // Keeps the candidates of a value within ±36 without changing its parity.
  static int ClampBidValue(int value);
  // A minus sign for a negative value, the digits, spaces up to 14 characters.
  static std::array<char, BidValueFieldWidth> BidValueField(int value);
  // "\"+\"", "\"-\"" or "\"0\"" for a stored top margin value.
  static const char* TopMarginSignText(int8_t value);
  static constexpr const char* UnreadTopMarginSign = "\"?\"";

private:
  template <size_t N>
  void Send(const std::array<uint8_t, N>& command) {
    Comm.SendData(command.data(), N);
  }
  void Runs(int runs, int count, uint8_t value);
  // SetRasterResolution and a RasterHeader of 48 run-length compressed lines.
  void BlockHeader(uint8_t color, uint8_t bitsPerDot, uint16_t bytesPerLine);
  void SolidBlock(size_t colorPosition);
  void SendTitle(const char* title);
  void BidRulerLine();
  void BidBlankLine();
  void BidCandidateLine(size_t candidate, uint8_t firstByte);
  void BidLeadInLine(uint8_t lastByte);

  TPDalD4Comm& Comm;
  TPFactory& Factory;
  Dialogs& Boxes;
  ProgramEnd& End;
};
