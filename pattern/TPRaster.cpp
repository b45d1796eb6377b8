// The run-by-run layout of every test pattern.
#include "pattern/TPRaster.h"

#include <charconv>

namespace {

// --- Layout of the passes. Three passes 1/360 inch apart fill the 1/120-inch
// gaps between nozzle rows; the band is then closed so that it advances 144
// units (0.4 inch) in all.
constexpr int PassesPerBand = 3;
constexpr uint8_t PassStep = 1;
constexpr uint8_t BandClose = 141;
constexpr uint8_t CarriageReturnOnly = 0;
constexpr uint8_t FullBand = 144;  // one band of single passes
constexpr int SolidBands = 2;

// Solid and nozzle check blocks: 1-bit lines of six 60-byte slots, each
// colour solid over 59 bytes (472 dots) with 8 blank dots after it.
constexpr uint16_t SolidLineBytes = 360;
constexpr int SolidSlotBytes = 60;
constexpr int SolidInkBytes = 59;
constexpr uint8_t SolidInk = 0xFF;

// Alignment pattern: per droplet mode its dot size, the byte that forms one
// mark and where its six blocks start.
struct AlignmentMode {
  uint8_t DotSize;
  uint8_t Mark;
  uint16_t Start;
};
constexpr std::array<AlignmentMode, 3> AlignmentModes{{
    {DotSizeMs, 0xF0, 0},      // two dots of value 3
    {DotSize6pl, 0x50, 960},   // two dots of value 1
    {DotSize4pl, 0x55, 1920},  // four dots of value 1
}};
constexpr uint16_t AlignmentColorPitch = 160;
constexpr uint16_t AlignmentLineBytes = 40;
constexpr int AlignmentGapBytes = 11;   // between the two marks, 48 dots apart
constexpr int AlignmentTailBytes = 16;

// Nozzle column shift: combs of a 4-dot mark every 40 dots; black from the
// upper 24 nozzles, the colours from the lower 24.
constexpr int ShiftBlackBlocks = 5;
constexpr uint16_t ShiftLineBytes = 110;
constexpr int ShiftTeeth = 11;
constexpr int ShiftToothGapBytes = 9;
constexpr int ShiftBlankRunBytes = 10;
constexpr uint8_t ShiftMark = 0x55;
constexpr int HalfBlockLines = 24;
constexpr uint16_t ShiftBlockGap = 32;

// Variable dot pattern: bands of dot value 3, 2 and 1, two 120-byte runs each.
constexpr uint16_t VariableDotLineBytes = 720;
constexpr std::array<uint8_t, 6> VariableDotRuns{0xFF, 0xFF, 0xAA, 0xAA, 0x55, 0x55};

// Runs of whole 2-bit lines of 720 bytes (2880 dots).
constexpr uint16_t WideLineBytes = 720;
constexpr int WideRun = 120;
constexpr int WideRunsPerLine = 6;

// Bi-D pattern: the slots begin 90 bytes (360 dots) from the left and lie
// 126 bytes (504 dots) apart; each holds three single dots 48 dots apart.
constexpr int BidLeftBytes = 90;
constexpr int BidSlotBytes = 126;
constexpr int BidMarksPerSlot = 3;
constexpr int BidMarkGapBytes = 11;
constexpr int BidSlotRestBytes = BidSlotBytes - BidMarksPerSlot * (1 + BidMarkGapBytes);  // 90
constexpr uint8_t BidMark = 0x03;          // the fourth dot of the byte, value 3
constexpr uint8_t BidSideDot = 0x01;       // one dot of value 1 at a line end
constexpr int BidCandidateLeadBytes = 89;  // after the first byte
constexpr int BidCandidateLastRun = 114;   // the tail's last run for candidate 1
constexpr int BidStripeLines = 16;         // upper ruler, marks, lower ruler
// Printed values stay within ±32 (36 - 4), so that every candidate stays within BidLowest..BidHighest;
// beyond it a value is clamped to the largest of its own parity.
constexpr int BidPrintLimit = BidHighest - BidCandidateReach;
constexpr int BidClampedEven = BidPrintLimit - BidPrintLimit % 2;
constexpr int BidClampedOdd = BidPrintLimit - 1 + BidPrintLimit % 2;
constexpr int BidTrailingLines = 3;

// Top margin: a full line of value-3 dots, then one dot at the first dot position.
constexpr uint8_t TopMarginFullRun = 0xFF;
constexpr uint8_t TopMarginFirstDot = 0xC0;  // the first dot of the byte, value 3
constexpr uint32_t TopMarginEepromWaitMs = 10;
constexpr uint32_t TopMarginSettleMs = 1000;

}  // namespace

TPRaster::TPRaster(TPDalD4Comm& comm, TPFactory& factory, Dialogs& dialogs, FatalExit& fatal)
    : Encoder(comm, dialogs, fatal), Comm(comm), Factory(factory) {}

// --- Building blocks of the patterns.

void TPRaster::SolidBlock(size_t colorPosition) {
  const int before = static_cast<int>(colorPosition);
  const int after = static_cast<int>(SixColorOrder.size() - 1 - colorPosition);
  Encoder.BlockHeader(SixColorOrder[colorPosition], OneBitPerDot, SolidLineBytes);
  for (int line = 0; line < NozzleRows; ++line) {
    Encoder.Runs(before, SolidSlotBytes, 0x00);
    Encoder.RepeatSend(SolidInkBytes, SolidInk);
    Encoder.RepeatSend(SolidSlotBytes - SolidInkBytes, 0x00);
    Encoder.Runs(after, SolidSlotBytes, 0x00);
  }
}

void TPRaster::SendTitle(const char* title) {
  Encoder.SendText(title);
  Encoder.NewLines(1);
  Encoder.ResetPrinter();
}

// --- Patterns.

void TPRaster::PrintBetaPattern() {
  ++Begun;
  SendTitle("Beta pattern(BK-C-LC-M-LM-Y)");
  Encoder.StartRasterMode(UnitOneIn360, PrintUnidirectional, DotSizePlain, ColorModeColor);
  for (int band = 0; band < SolidBands; ++band) {
    for (int pass = 0; pass < PassesPerBand; ++pass) {
      for (size_t k = 0; k < SixColorOrder.size(); ++k) {
        SolidBlock(k);
        if (k + 1 < SixColorOrder.size()) {
          Encoder.VerticalMove(CarriageReturnOnly);
          Comm.FlushData();
        } else {
          Encoder.VerticalMove(PassStep);
        }
      }
    }
    Encoder.VerticalMove(BandClose);
    Comm.FlushData();
  }
  Comm.FlushData();
  Encoder.ResetPrinter();
}

void TPRaster::PrintNozzleCheckPattern() {
  ++Begun;
  SendTitle("Nozzle check pattern(BK-C-LC-M-LM-Y)");
  Encoder.StartRasterMode(UnitOneIn360, PrintUnidirectional, DotSizePlain, ColorModeColor);
  for (int band = 0; band < SolidBands; ++band) {
    for (size_t k = 0; k < SixColorOrder.size(); ++k) {
      SolidBlock(k);
      Encoder.VerticalMove(CarriageReturnOnly);
      if (k + 1 == SixColorOrder.size()) Encoder.VerticalMove(FullBand);
      Comm.FlushData();
    }
  }
  Comm.FlushData();
  Encoder.ResetPrinter();
}

void TPRaster::PrintAlignmentPattern() {
  ++Begun;
  SendTitle("Alignment pattern(BK-C-LC-M-LM-Y)");
  for (int band = 0; band < SolidBands; ++band) {
    Encoder.ResetPrinter();
    for (int pass = 0; pass < PassesPerBand; ++pass) {
      Encoder.ResetPrinter();
      for (const AlignmentMode& mode : AlignmentModes) {
        Comm.WaitReady();
        Encoder.ResetPrinter();
        Encoder.EnterGraphicsMode();
        Encoder.SetUnit(UnitOneIn360);
        Encoder.SetPrintDirection(PrintUnidirectional);
        Encoder.SetDotSize(mode.DotSize);
        for (size_t k = 0; k < SixColorOrder.size(); ++k) {
          Encoder.HorizontalMove(static_cast<uint16_t>(mode.Start + AlignmentColorPitch * k));
          Encoder.BlockHeader(SixColorOrder[k], TwoBitsPerDot, AlignmentLineBytes);
          for (int line = 0; line < NozzleRows; ++line) {
            Encoder.RepeatSend(1, mode.Mark);
            Encoder.RepeatSend(AlignmentGapBytes, 0x00);
            Encoder.RepeatSend(1, mode.Mark);
            Encoder.RepeatSend(AlignmentGapBytes, 0x00);
            Encoder.RepeatSend(AlignmentTailBytes, 0x00);
          }
          Encoder.ReturnHead();
          Comm.FlushData();
        }
        Encoder.VerticalMove(CarriageReturnOnly);
        Comm.FlushData();
      }
      Encoder.VerticalMove(PassStep);
      Comm.FlushData();
    }
    Encoder.VerticalMove(BandClose);
    Comm.FlushData();
  }
  Comm.FlushData();
  Encoder.ResetPrinter();
}

void TPRaster::PrintNozzleColumnShift() {
  ++Begun;
  SendTitle("Nozzle column shift");
  const auto comb = [this] {
    for (int tooth = 0; tooth < ShiftTeeth; ++tooth) {
      Encoder.RepeatSend(1, ShiftMark);
      Encoder.RepeatSend(ShiftToothGapBytes, 0x00);
    }
  };
  const auto blank = [this] { Encoder.Runs(ShiftTeeth, ShiftBlankRunBytes, 0x00); };
  for (int pass = 0; pass < PassesPerBand; ++pass) {
    Comm.WaitReady();
    Encoder.StartRasterMode(UnitOneIn360, PrintUnidirectional, DotSize6pl, ColorModeColor);
    for (int block = 0; block < ShiftBlackBlocks; ++block) {
      Encoder.BlockHeader(InkBlack, TwoBitsPerDot, ShiftLineBytes);
      for (int line = 0; line < HalfBlockLines; ++line) comb();
      for (int line = HalfBlockLines; line < NozzleRows; ++line) blank();
      Encoder.HorizontalMove(ShiftBlockGap);
      Comm.FlushData();
    }
    Encoder.VerticalMove(CarriageReturnOnly);
    Comm.FlushData();
    for (size_t k = 1; k < SixColorOrder.size(); ++k) {
      Encoder.BlockHeader(SixColorOrder[k], TwoBitsPerDot, ShiftLineBytes);
      for (int line = 0; line < HalfBlockLines; ++line) blank();
      for (int line = HalfBlockLines; line < NozzleRows; ++line) comb();
      Encoder.HorizontalMove(ShiftBlockGap);
      Comm.FlushData();
    }
    Encoder.VerticalMove(PassStep);
    Comm.FlushData();
  }
  Comm.FlushData();
  Encoder.ResetPrinter();
}

void TPRaster::PrintVariableDotPattern() {
  ++Begun;
  SendTitle("6pl Variable dot");
  for (int pass = 0; pass < PassesPerBand; ++pass) {
    Comm.WaitReady();
    Encoder.StartRasterMode(UnitOneIn360, PrintUnidirectional, DotSize6pl, ColorModeMonochrome);
    Encoder.BlockHeader(InkBlack, TwoBitsPerDot, VariableDotLineBytes);
    for (int line = 0; line < NozzleRows; ++line)
      for (uint8_t value : VariableDotRuns) Encoder.RepeatSend(WideRun, value);
    Encoder.VerticalMove(PassStep);
    Comm.FlushData();
  }
  Comm.FlushData();
  Encoder.ResetPrinter();
}

// --- Bi-D pattern.

const BidSection* TPRaster::FindBidSection(int dotMode, int inkGroup) {
  for (const BidSection& section : BidSections)
    if (section.Value->DotMode == dotMode && section.Value->InkGroup == inkGroup) return &section;
  return nullptr;
}

int TPRaster::ClampBidValue(int value) {
  const bool odd = value % 2 != 0;
  if (value > BidPrintLimit) return odd ? BidClampedOdd : BidClampedEven;
  if (value < -BidPrintLimit) return odd ? -BidClampedOdd : -BidClampedEven;
  return value;
}

std::array<char, BidValueFieldWidth> TPRaster::BidValueField(int value) {
  std::array<char, BidValueFieldWidth> field;
  field.fill(' ');
  std::to_chars(field.data(), field.data() + field.size(), value);
  return field;
}

void TPRaster::BidRulerLine() {
  Encoder.RepeatSend(BidLeftBytes, 0x00);
  for (size_t slot = 0; slot < BidCandidateOffsets.size(); ++slot) {
    for (int mark = 0; mark < BidMarksPerSlot; ++mark) {
      Encoder.RepeatSend(1, BidMark);
      Encoder.RepeatSend(BidMarkGapBytes, 0x00);
    }
    Encoder.RepeatSend(BidSlotRestBytes, 0x00);
  }
}

void TPRaster::BidBlankLine() { Encoder.Runs(WideRunsPerLine, WideRun, 0x00); }

void TPRaster::BidCandidateLine(size_t candidate, uint8_t firstByte) {
  // Candidate n (1..5) puts its marks under ruler slot n - 1; the tail fills
  // the line with whole 120-byte runs and one shorter run.
  const int before = static_cast<int>(candidate) - 1;
  const int after = static_cast<int>(BidCandidateOffsets.size() - candidate);
  Encoder.RepeatSend(1, firstByte);
  Encoder.RepeatSend(BidCandidateLeadBytes, 0x00);
  for (int slot = 0; slot < before; ++slot) {
    Encoder.RepeatSend(BidMarksPerSlot * (1 + BidMarkGapBytes), 0x00);
    Encoder.RepeatSend(BidSlotRestBytes, 0x00);
  }
  for (int mark = 0; mark < BidMarksPerSlot; ++mark) {
    Encoder.RepeatSend(1, BidMark);
    Encoder.RepeatSend(BidMarkGapBytes, 0x00);
  }
  Encoder.Runs(after, WideRun, 0x00);
  Encoder.RepeatSend(BidCandidateLastRun - (BidSlotBytes - WideRun) * before, 0x00);
}

void TPRaster::BidLeadInLine(uint8_t lastByte) {
  Encoder.Runs(WideRunsPerLine - 1, WideRun, 0x00);
  Encoder.RepeatSend(WideRun - 1, 0x00);
  Encoder.RepeatSend(1, lastByte);
}

void TPRaster::PrintBidValueLine(int8_t value) {
  Encoder.SendText("  data:   ");
  for (int offset : BidCandidateOffsets) {
    const auto field = BidValueField(value + offset);
    Comm.SendData(reinterpret_cast<const uint8_t*>(field.data()), field.size());
  }
  Encoder.NewLines(1);
}

bool TPRaster::PrintBidPattern(int dotMode, int inkGroup) {
  const BidSection* section = FindBidSection(dotMode, inkGroup);
  if (section == nullptr) return false;
  ++Begun;
  const uint8_t mode = section->Value->DotMode;
  const uint8_t group = section->Value->InkGroup;

  Encoder.SendText(section->Title().c_str());
  Encoder.NewLines(1);
  Comm.FlushData();
  Encoder.ResetPrinter();
  Comm.WaitReady();

  // The printer gets its own value back at the end, unclamped. A value that
  // could not be read is neither printed nor tried: setting candidates would
  // leave one of them stored in place of a value nobody knows.
  const std::optional<uint8_t> stored = Factory.ReadEeprom(section->Value->Address);
  if (!stored || (TrialWatch != nullptr && !TrialWatch->BeforeTrials(*section->Value, *stored))) {
    PrintUnreadBidValue();
    return false;
  }
  const int saved = static_cast<int8_t>(*stored);
  const int printed = ClampBidValue(saved);
  PrintBidValueLine(static_cast<int8_t>(printed));

  const int lastLine = NozzleRows - 1;
  const int candidateFirstLine = BidStripeLines;
  const int candidateLastLine = 2 * BidStripeLines - 1;
  for (int pass = 0; pass < PassesPerBand; ++pass) {
    Encoder.ResetPrinter();
    Comm.WaitReady();
    Encoder.StartRasterMode(UnitOneIn360, PrintUnidirectional, section->DotSize, ColorModeColor);

    // The rulers: upper and lower stripe, printed one way.
    Encoder.BlockHeader(section->ReferenceColor, TwoBitsPerDot, WideLineBytes);
    for (int line = 0; line < NozzleRows; ++line) {
      if (line >= candidateFirstLine && line <= candidateLastLine)
        BidBlankLine();
      else
        BidRulerLine();
    }
    Encoder.ReturnHead();
    Comm.FlushData();

    for (size_t candidate = 1; candidate <= BidCandidateOffsets.size(); ++candidate) {
      Encoder.ResetPrinter();
      Comm.WaitReady();
      Factory.SetBidValue(mode, group, printed + BidCandidateOffsets[candidate - 1]);
      Encoder.StartRasterMode(UnitOneIn360, PrintBidirectional, section->DotSize, ColorModeColor);

      // One dot at the right end brings the head there, so that the marks are printed on the way back.
      Encoder.BlockHeader(section->CandidateColor, TwoBitsPerDot, WideLineBytes);
      for (int line = 0; line < NozzleRows; ++line) BidLeadInLine(line == lastLine ? BidSideDot : 0x00);
      Encoder.ReturnHead();

      Encoder.BlockHeader(section->CandidateColor, TwoBitsPerDot, WideLineBytes);
      for (int line = 0; line < candidateFirstLine; ++line) BidBlankLine();
      Comm.FlushData();
      for (int line = candidateFirstLine; line <= candidateLastLine; ++line)
        BidCandidateLine(candidate, line == candidateLastLine ? BidSideDot : 0x00);
      Comm.FlushData();
      for (int line = candidateLastLine + 1; line < NozzleRows; ++line) BidBlankLine();
      Encoder.ReturnHead();
      Comm.FlushData();
      Encoder.ResetPrinter();
    }
    Encoder.VerticalMove(PassStep);
    Comm.FlushData();
    Encoder.ResetPrinter();
  }

  Comm.FlushData();
  Factory.SetBidValue(mode, group, saved);
  if (TrialWatch != nullptr) TrialWatch->AfterTrials(*section->Value);
  Encoder.NewLines(BidTrailingLines);
  Encoder.ResetPrinter();
  return true;
}

void TPRaster::PrintUnreadBidValue() {
  Encoder.SendText("  data:   ");
  Encoder.SendText("??");
  Encoder.NewLines(BidTrailingLines);
  Encoder.ResetPrinter();
}

// --- Top margin check line.

const char* TPRaster::TopMarginSignText(int8_t value) {
  if (value > TopMarginNeutralLimit) return "\"+\"";
  if (value < -TopMarginNeutralLimit) return "\"-\"";
  return "\"0\"";
}

bool TPRaster::PrintTopMarginPattern(int layout) {
  ++Begun;
  Encoder.ResetPrinter();
  Comm.PauseMs(TopMarginEepromWaitMs);
  const std::optional<uint8_t> stored = Comm.ControlReadEeprom(TopMarginCell).Answer();
  const bool read = stored.has_value();
  const char* sign = read ? TopMarginSignText(static_cast<int8_t>(*stored)) : UnreadTopMarginSign;

  Comm.FlushData();
  Encoder.StartRasterMode(UnitOneIn360, PrintUnidirectional, DotSize4pl, ColorModeMonochrome);
  Encoder.SetPaperSize(A4Width, A4Length);
  Encoder.SetPageFormat(PageTopMargin, PageBottomMargin);
  Encoder.BlockHeader(InkBlack, TwoBitsPerDot, WideLineBytes);
  Encoder.Runs(WideRunsPerLine, WideRun, TopMarginFullRun);
  for (int line = 1; line < NozzleRows; ++line) {
    Encoder.RepeatSend(1, TopMarginFirstDot);
    Encoder.RepeatSend(WideRun - 1, 0x00);
    Encoder.Runs(WideRunsPerLine - 1, WideRun, 0x00);
  }
  Encoder.ResetPrinter();
  Comm.PauseMs(TopMarginSettleMs);

  if (layout == TopMarginOwnPage) {
    Encoder.NewLines(2);
    Encoder.SendText("   Top Adjust = ");
    Encoder.SendText(sign);
    Encoder.FormFeed();
  } else {
    Encoder.NewLines(1);
    Encoder.SendText("1. Top margin and 1st dot position check line");
    Encoder.NewLines(1);
    Encoder.SendText("   Top Adjust = ");
    Encoder.SendText(sign);
    Encoder.NewLines(2);
  }
  Comm.FlushData();
  Encoder.ResetPrinter();
  return read;
}
