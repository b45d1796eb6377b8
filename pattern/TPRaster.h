// The layouts of every test pattern: the A4 check page's patterns, the Bi-D sections and the top-margin
// line, each built run by run from the commands of RasterEncoder.
#pragma once

#include "eeprom/BidValues.h"
#include "eeprom/EepromMap.h"
#include "link/TPDalD4Comm.h"
#include "link/TPFactory.h"
#include "pattern/RasterEncoder.h"
#include "platform/Dialogs.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

// The order of every six-colour pattern, as its label "BK-C-LC-M-LM-Y" reads.
constexpr std::array<uint8_t, 6> SixColorOrder{InkBlack, InkCyan, InkLightCyan, InkMagenta, InkLightMagenta, InkYellow};

// A4 at 1/360 inch, and its printable area.
constexpr uint32_t A4Width = 2976;
constexpr uint32_t A4Length = 4208;
constexpr uint32_t PageTopMargin = 42;
constexpr uint32_t PageBottomMargin = 7966;

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

// Width of one candidate value on the value line: the width of a slot at 10 characters per inch.
constexpr size_t BidValueFieldWidth = 14;

// Told around the candidates a Bi-D section puts into the printer one after the other: a stop in
// between must find the value the printer had stored, to give it back.
class BidTrialWatch {
public:
  virtual ~BidTrialWatch() = default;
  // Before the first candidate, with the byte the printer stored; false when the candidates must
  // not be tried (the section is then printed as one whose value could not be read).
  virtual bool BeforeTrials(const BidValue& value, uint8_t stored) = 0;
  // The stored value has been given back to the printer.
  virtual void AfterTrials(const BidValue& value) = 0;
};

// The pattern printer: lays out each pattern and sends it through its encoder.
class TPRaster {
public:
  TPRaster(TPDalD4Comm& comm, TPFactory& factory, Dialogs& dialogs, FatalExit& fatal);

  // --- The commands whoever prints a pattern adds around it: titles, line feeds, page ends.
  void ResetPrinter() { Encoder.ResetPrinter(); }
  void SendText(const char* text) { Encoder.SendText(text); }
  void NewLines(int count) { Encoder.NewLines(count); }
  void FormFeed() { Encoder.FormFeed(); }

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
  // Who is told around the candidates of each Bi-D section; nobody unless set.
  void SetBidTrialWatch(BidTrialWatch* watch) { TrialWatch = watch; }
  // How many patterns have been begun since this printer was made: a page's progress, counted
  // against the number of patterns its layout holds.
  size_t PatternsBegun() const { return Begun; }
  // "  data:   " and the five candidate values around `value`.
  void PrintBidValueLine(int8_t value);
  // The full-width line and the first-dot column with the stored top margin:
  // TopMarginOwnPage ends with a form feed, TopMarginCheckPage is a section of the check page.
  // False when the top margin could not be read; the line then shows "?" as its sign.
  bool PrintTopMarginPattern(int layout);

  // --- Helpers, public for their own sake.
  // The section of (dot mode, ink group), or nullptr.
  static const BidSection* FindBidSection(int dotMode, int inkGroup);
  // Keeps the candidates of a value within BidLowest..BidHighest without changing its parity.
  static int ClampBidValue(int value);
  // A minus sign for a negative value, the digits, spaces up to 14 characters.
  static std::array<char, BidValueFieldWidth> BidValueField(int value);
  // "\"+\"", "\"-\"" or "\"0\"" for a stored top margin value.
  static const char* TopMarginSignText(int8_t value);
  static constexpr const char* UnreadTopMarginSign = "\"?\"";

private:
  void SolidBlock(size_t colorPosition);
  void SendTitle(const char* title);
  void BidRulerLine();
  void BidBlankLine();
  void BidCandidateLine(size_t candidate, uint8_t firstByte);
  void BidLeadInLine(uint8_t lastByte);

  void PrintUnreadBidValue();

  RasterEncoder Encoder;
  TPDalD4Comm& Comm;
  TPFactory& Factory;
  BidTrialWatch* TrialWatch = nullptr;
  size_t Begun = 0;
};
