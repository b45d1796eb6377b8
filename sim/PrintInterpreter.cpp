// The print language as the virtual printer reads it: text, escape commands, run-length raster blocks, remote mode.
#include "sim/PrintInterpreter.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>

using namespace PageGeometry;

namespace {

constexpr uint8_t Esc = 0x1B;
constexpr uint8_t CarriageReturn = 0x0D;
constexpr uint8_t LineFeed = 0x0A;
constexpr uint8_t FormFeed = 0x0C;
constexpr uint8_t TextEnd = 0x00;
constexpr uint8_t FirstCharacter = 0x20;

// ESC letter with a fixed number of parameter bytes.
struct FixedCommand {
  uint8_t Letter;
  size_t Parameters;
};
constexpr std::array<FixedCommand, 4> FixedCommands = {{
    {'U', 1},   // SetPrintDirection n
    {'\\', 2},  // HorizontalMove nL nH
    {'i', 7},   // RasterHeader r c b nL nH mL mH, then the data
    {0x00, 2},  // the rest of the remote-mode exit ESC 00 00 00
}};

// ESC ( letter nL nH and n parameter bytes.
struct ParenCommand {
  uint8_t Letter;
  size_t Length;
  const char* Name;
};
constexpr std::array<ParenCommand, 9> ParenCommands = {{
    {'G', 1, "EnterGraphicsMode"},
    {'U', 1, "SetUnit"},
    {'e', 2, "SetDotSize"},
    {'K', 2, "SetColorMode"},
    {'v', 2, "VerticalMove"},
    {'D', 4, "SetRasterResolution"},
    {'S', 8, "SetPaperSize"},
    {'c', 8, "SetPageFormat"},
    {'R', 8, "remote-mode entry"},
}};
constexpr std::array<uint8_t, 8> RemoteEntryBody = {0x00, 'R', 'E', 'M', 'O', 'T', 'E', '1'};
constexpr size_t RemoteHeaderBytes = 4;

// Run-length counters: 0..127 announce a literal of counter + 1 bytes, 128..255
// one byte repeated 257 - counter times (0x80 repeats 129 times).
constexpr uint8_t FirstRepeatCounter = 0x80;

uint32_t Little32(const uint8_t* bytes) {
  return static_cast<uint32_t>(bytes[0]) | (static_cast<uint32_t>(bytes[1]) << 8) |
         (static_cast<uint32_t>(bytes[2]) << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
}

std::string Hex(unsigned value) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02X", value & 0xFFu);
  return text;
}

// A command letter as the print language writes it: the character, or its code.
std::string LetterName(uint8_t letter) {
  if (letter > 0x20 && letter < 0x7F) return std::string(1, static_cast<char>(letter));
  return Hex(letter);
}

}  // namespace

PrintInterpreter::PrintInterpreter(const EepromImage::Cells& eepromInUse, const BidMechanics& mechanics,
                                   PageStore& pages, const PrintHead* head)
    : Eeprom(eepromInUse), Mechanics(mechanics), Pages(pages), Head(head) {}

void PrintInterpreter::Add(const uint8_t* data, size_t length) {
  if (data == nullptr) return;
  for (size_t i = 0; i < length; ++i) {
    Step(data[i]);
    ++JobOffset;
    if (PageEnded) {  // the job recorder begins the next job after a form feed
      PageEnded = false;
      JobOffset = 0;
    }
  }
}

void PrintInterpreter::EndJob() {
  switch (State) {
    case Mode::Text:
      break;
    case Mode::RasterCounter:
    case Mode::RasterLiteral:
    case Mode::RasterRepeatValue:
    case Mode::RasterRaw:
      if (Raster.LinesDone < Raster.Lines) {
        Error("the job ends inside a raster block, after " + std::to_string(Raster.LinesDone) + " of its " +
              std::to_string(Raster.Lines) + " lines");
      } else {
        Error("the job ends inside a run that reaches past its raster block");
      }
      break;
    case Mode::RemoteHeader:
    case Mode::RemoteBody:
      Error("the job ends in remote mode");
      break;
    case Mode::Escape:
    case Mode::Parameters:
    case Mode::ParenLetter:
    case Mode::ParenLength:
    case Mode::ParenBody:
      Error("the job ends inside the command " + CommandName());
      break;
  }
  EndPage();
  Reset();
  State = Mode::Text;
  JobOffset = 0;
}

void PrintInterpreter::Error(std::string_view text) {
  if (ErrorList.size() > MaxErrors) return;
  if (ErrorList.size() == MaxErrors) {
    ErrorList.push_back("further job errors are not listed");
    return;
  }
  ErrorList.push_back("page " + std::to_string(Pages.NextNumber()) + ", byte " + std::to_string(CommandOffset) +
                      " of the job: " + std::string(text));
}

std::string PrintInterpreter::CommandName() const {
  switch (State) {
    case Mode::ParenLetter:
      return "ESC (";
    case Mode::ParenLength:
    case Mode::ParenBody:
      return "ESC ( " + LetterName(Letter);
    case Mode::Escape:
      return "ESC";
    case Mode::Text:
    case Mode::Parameters:
    case Mode::RasterCounter:
    case Mode::RasterLiteral:
    case Mode::RasterRepeatValue:
    case Mode::RasterRaw:
    case Mode::RemoteHeader:
    case Mode::RemoteBody:
      break;
  }
  return "ESC " + LetterName(Letter);
}

// ESC @: the settings go back to their defaults and the head to the left;
// the sheet stays where it is.
void PrintInterpreter::Reset() {
  Current = Settings{};
  NextRightToLeft = false;
  X = 0;
}

void PrintInterpreter::EndPage() {
  X = 0;
  if (!Renderer.SheetLoaded()) return;
  std::vector<uint8_t> drawnRows = Renderer.TakeDrawnRows();
  Pages.Add(Renderer.TakeSheet(), std::move(drawnRows));
}

void PrintInterpreter::LoadSheet() {
  if (Renderer.SheetLoaded()) return;
  Renderer.LoadSheet(Pages.TakeSpareSheet());
  Y = Current.PageTop + static_cast<int8_t>(Eeprom[TopMarginCell]);
}

int64_t PrintInterpreter::Move(uint64_t units) const {
  return static_cast<int64_t>(units) * Current.Unit * PixelsPerInch / UnitsPerInchBase;
}

int64_t PrintInterpreter::FirstDotShift() const {
  return static_cast<int8_t>(Eeprom[FirstDotCell]) / FirstDotUnitsPerPixel;
}

int64_t PrintInterpreter::BidDisplacement(uint8_t colourNumber) const {
  const std::optional<BidMechanics::DropletMode> mode = BidMechanics::ModeOfDotSize(Current.DotSize);
  if (!mode) return 0;
  const BidMechanics::InkGroup group =
      InkFromColourNumber(colourNumber) == Ink::Black ? BidMechanics::InkGroup::Black : BidMechanics::InkGroup::Color;
  const int trueOffset = Mechanics.Get()[BidMechanics::IndexOf(*mode, group)];
  const int inUse = static_cast<int8_t>(Eeprom[BidMechanics::BidCell(*mode, group)]);
  return static_cast<int64_t>(trueOffset - inUse) * BidPixelsPerStep;
}

void PrintInterpreter::Step(uint8_t byte) {
  switch (State) {
    case Mode::Text:
      StepText(byte);
      return;
    case Mode::Escape:
      StepEscape(byte);
      return;
    case Mode::Parameters:
      Collected[CollectedCount++] = byte;
      if (CollectedCount == Wanted) {
        State = Mode::Text;
        RunFixedCommand();
      }
      return;
    case Mode::ParenLetter:
      Letter = byte;
      CollectedCount = 0;
      State = Mode::ParenLength;
      return;
    case Mode::ParenLength:
      Collected[CollectedCount++] = byte;
      if (CollectedCount == 2) {
        BodyLength = static_cast<size_t>(Collected[0] | (Collected[1] << 8));
        BodyLeft = BodyLength;
        CollectedCount = 0;
        State = Mode::ParenBody;
        if (BodyLeft == 0) {
          State = Mode::Text;
          RunParenCommand();
        }
      }
      return;
    case Mode::ParenBody:
      if (CollectedCount < sizeof Collected) Collected[CollectedCount++] = byte;
      if (--BodyLeft == 0) {
        State = Mode::Text;
        RunParenCommand();
      }
      return;
    case Mode::RasterCounter:
      CommandOffset = JobOffset;
      if (byte < FirstRepeatCounter) {
        RunLeft = static_cast<size_t>(byte) + 1;
        State = Mode::RasterLiteral;
      } else {
        RunLeft = 257 - static_cast<size_t>(byte);
        State = Mode::RasterRepeatValue;
      }
      CheckRun(RunLeft);
      return;
    case Mode::RasterLiteral:
      PutRasterBytes(byte, 1);
      if (--RunLeft == 0) ContinueRaster();
      return;
    case Mode::RasterRepeatValue:
      PutRasterBytes(byte, RunLeft);
      ContinueRaster();
      return;
    case Mode::RasterRaw:
      PutRasterBytes(byte, 1);
      ContinueRaster();
      return;
    case Mode::RemoteHeader:
      Collected[CollectedCount++] = byte;
      if (CollectedCount == RemoteHeaderBytes) StepRemoteHeader();
      return;
    case Mode::RemoteBody:
      if (--BodyLeft == 0) {
        CollectedCount = 0;
        State = Mode::RemoteHeader;
      }
      return;
  }
}

void PrintInterpreter::StepText(uint8_t byte) {
  switch (byte) {
    case Esc:
      CommandOffset = JobOffset;
      State = Mode::Escape;
      return;
    case CarriageReturn:
      X = 0;
      return;
    case LineFeed:
      LoadSheet();
      Y += LineHeight;
      return;
    case FormFeed:
      EndPage();
      PageEnded = true;
      return;
    case TextEnd:
      return;
    default:
      break;
  }
  // Other control bytes are not part of this printer's language and print nothing.
  if (byte < FirstCharacter) return;
  LoadSheet();
  Renderer.DrawCharacter(X + FirstDotShift(), Y, byte);
  X += CharacterWidth;
}

void PrintInterpreter::StepEscape(uint8_t byte) {
  Letter = byte;
  CollectedCount = 0;
  State = Mode::Text;
  switch (byte) {
    case '@':
      Reset();
      return;
    case '<':  // ReturnHead; its CR follows as a byte of its own
      X = 0;
      return;
    case '(':
      State = Mode::ParenLetter;
      return;
    default:
      break;
  }
  for (const FixedCommand& command : FixedCommands) {
    if (command.Letter == byte) {
      Wanted = command.Parameters;
      State = Mode::Parameters;
      return;
    }
  }
  Error("unknown command ESC " + LetterName(byte) + ": skipped");
}

void PrintInterpreter::RunFixedCommand() {
  const uint8_t* p = Collected;
  switch (Letter) {
    case 'U':
      if (p[0] > 1) {
        Error("SetPrintDirection " + std::to_string(p[0]) + ", neither 0 (bidirectional) nor 1 (unidirectional)");
        return;
      }
      Current.Bidirectional = p[0] == 0;
      NextRightToLeft = false;
      return;
    case '\\':
      X += Move(static_cast<uint64_t>(p[0] | (p[1] << 8)));
      return;
    case 'i':
      StartBlock();
      return;
    default:  // 0x00
      Error("remote-mode exit outside remote mode");
      return;
  }
}

void PrintInterpreter::RunParenCommand() {
  const ParenCommand* command = nullptr;
  for (const ParenCommand& known : ParenCommands)
    if (known.Letter == Letter) command = &known;
  if (command == nullptr) {
    Error("unknown command ESC ( " + LetterName(Letter) + " with " + std::to_string(BodyLength) +
          " parameter bytes: skipped");
    return;
  }
  if (command->Letter == 'R') {
    // The scanner that cuts jobs enters remote mode on any ESC ( R; so does the printer.
    if (BodyLength != RemoteEntryBody.size() || !std::equal(RemoteEntryBody.begin(), RemoteEntryBody.end(), Collected))
      Error("remote-mode entry without its 00 \"REMOTE1\"");
    CollectedCount = 0;
    State = Mode::RemoteHeader;
    return;
  }
  if (BodyLength != command->Length) {
    Error(std::string(command->Name) + " (ESC ( " + LetterName(Letter) + ") with " + std::to_string(BodyLength) +
          " parameter bytes instead of " + std::to_string(command->Length) + ": skipped");
    return;
  }
  const uint8_t* p = Collected;
  switch (Letter) {
    case 'G':  // graphics mode: raster blocks are accepted in any mode
      return;
    case 'U':
      if (p[0] == 0) {
        Error("SetUnit 0: the unit stays " + std::to_string(Current.Unit) + "/3600 inch");
        return;
      }
      Current.Unit = p[0];
      return;
    case 'e':
      Current.DotSize = p[1];
      return;
    case 'K':
      if (p[1] != 1 && p[1] != 2)
        Error("SetColorMode " + std::to_string(p[1]) + ", neither 1 (monochrome) nor 2 (colour)");
      return;
    case 'v': {
      X = 0;
      const uint64_t units = static_cast<uint64_t>(p[0] | (p[1] << 8));
      if (units == 0) return;
      LoadSheet();
      Y += Move(units);
      return;
    }
    case 'D': {
      const int base = p[0] | (p[1] << 8);
      const int vertical = p[2];
      const int horizontal = p[3];
      if (base == 0 || vertical == 0 || horizontal == 0 || (PixelsPerInch * vertical) % base != 0 ||
          (PixelsPerInch * horizontal) % base != 0) {
        Error("SetRasterResolution base " + std::to_string(base) + ", steps " + std::to_string(vertical) + " and " +
              std::to_string(horizontal) + " does not fall on 1/360 inch: not taken");
        return;
      }
      Current.LinePitch = PixelsPerInch * vertical / base;
      Current.DotPitch = PixelsPerInch * horizontal / base;
      return;
    }
    case 'S': {
      const uint32_t width = Little32(p);
      const uint32_t length = Little32(p + 4);
      if (width != PaperWidth || length != PaperHeight)
        Error("SetPaperSize " + std::to_string(width) + " x " + std::to_string(length) +
              ", but the printer holds A4 (" + std::to_string(PaperWidth) + " x " + std::to_string(PaperHeight) + ")");
      return;
    }
    case 'c': {
      const uint32_t top = Little32(p);
      const uint32_t bottom = Little32(p + 4);
      const int64_t topPixels = Move(top);
      if (top >= bottom || topPixels >= PaperHeight) {
        Error("SetPageFormat top " + std::to_string(top) + ", bottom " + std::to_string(bottom) + ": not taken");
        return;
      }
      Current.PageTop = topPixels;  // for the next sheet loaded
      return;
    }
    default:
      return;
  }
}

void PrintInterpreter::StepRemoteHeader() {
  CollectedCount = 0;
  if (Collected[0] == Esc) {
    if (Collected[1] != 0 || Collected[2] != 0 || Collected[3] != 0)
      Error("remote mode left with " + Hex(Collected[0]) + " " + Hex(Collected[1]) + " " + Hex(Collected[2]) + " " +
            Hex(Collected[3]) + " instead of ESC 00 00 00");
    State = Mode::Text;
    return;
  }
  const size_t count = static_cast<size_t>(Collected[2] | (Collected[3] << 8));
  if (Collected[0] != 'S' || Collected[1] != 'N' || count != 3)
    Error("unknown remote command " + LetterName(Collected[0]) + LetterName(Collected[1]) + " with " +
          std::to_string(count) + " parameter bytes");
  if (count > 0) {
    BodyLeft = count;
    State = Mode::RemoteBody;
  }
}

void PrintInterpreter::StartBlock() {
  const uint8_t colourNumber = Collected[0];
  const uint8_t compression = Collected[1];
  const uint8_t bits = Collected[2];
  Raster = Block{};
  Raster.BytesPerLine = static_cast<size_t>(Collected[3] | (Collected[4] << 8));
  Raster.Lines = static_cast<size_t>(Collected[5] | (Collected[6] << 8));
  Raster.LinePitch = Current.LinePitch;
  Raster.DotPitch = Current.DotPitch;
  Raster.Compressed = compression == 1;  // 0 is uncompressed; others are read so too, as the job recorder does

  const std::optional<Ink> ink = InkFromColourNumber(colourNumber);
  if (!ink) Error("raster block in colour " + Hex(colourNumber) + ", an ink this printer does not have: not printed");
  if (bits != 1 && bits != 2) Error("raster block of " + std::to_string(bits) + " bits per dot: not printed");
  if (compression > 1) Error("raster block with compression " + std::to_string(compression) + ": read as uncompressed");
  Raster.Drawable = ink.has_value() && (bits == 1 || bits == 2);
  Raster.Colour = ink.value_or(Ink::Black);
  Raster.BitsPerDot = bits;

  LoadSheet();
  bool rightToLeft = false;
  if (Current.Bidirectional) {
    rightToLeft = NextRightToLeft;
    NextRightToLeft = !NextRightToLeft;
  }
  Raster.OriginX = X + FirstDotShift() + (rightToLeft ? BidDisplacement(colourNumber) : 0);
  Raster.OriginY = Y;
  if (bits == 1 || bits == 2) X += static_cast<int64_t>(Raster.BytesPerLine) * (8 / bits) * Current.DotPitch;

  Line.resize(Raster.BytesPerLine);
  ContinueRaster();
}

void PrintInterpreter::ContinueRaster() {
  if (Raster.LinesDone >= Raster.Lines || Raster.BytesPerLine == 0) {
    State = Mode::Text;
    return;
  }
  State = Raster.Compressed ? Mode::RasterCounter : Mode::RasterRaw;
}

void PrintInterpreter::CheckRun(size_t count) {
  if (Raster.Reported) return;
  const size_t width = Raster.BytesPerLine;
  const size_t left = (Raster.Lines - Raster.LinesDone) * width - Raster.Fill;
  const std::string line = "raster line " + std::to_string(Raster.LinesDone + 1) + " of " +
                           std::to_string(Raster.Lines) + " (" + std::to_string(width) + " bytes)";
  if (count > left) {
    Error("a run of " + std::to_string(count) + " bytes in " + line + " reaches past the block's end: the block " +
          "holds more data than announced");
    Raster.Reported = true;
  } else if (Raster.Fill + count > width) {
    Error("a run of " + std::to_string(count) + " bytes after " + std::to_string(Raster.Fill) + " in " + line +
          " reaches past the line's end");
    Raster.Reported = true;
  }
}

void PrintInterpreter::PutRasterBytes(uint8_t value, size_t count) {
  const size_t width = Raster.BytesPerLine;
  while (count > 0 && Raster.LinesDone < Raster.Lines) {
    const size_t take = std::min(count, width - Raster.Fill);
    std::memset(Line.data() + Raster.Fill, value, take);
    Raster.Fill += take;
    count -= take;
    if (Raster.Fill < width) continue;
    const size_t nozzle = Raster.LinesDone % PrintHead::NozzlesPerInk;
    const bool fires = Head == nullptr || !Head->Clogged(Raster.Colour, nozzle);
    if (Raster.Drawable && fires)
      Renderer.DrawRasterLine(Raster.OriginX,
                              Raster.OriginY + static_cast<int64_t>(Raster.LinesDone) * Raster.LinePitch, Line.data(),
                              width, Raster.BitsPerDot, Raster.DotPitch, Raster.Colour);
    ++Raster.LinesDone;
    Raster.Fill = 0;
  }
}
