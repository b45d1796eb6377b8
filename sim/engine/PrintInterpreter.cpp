// The print language as the virtual printer reads it: text, escape commands, run-length raster blocks, remote mode.
#include "sim/engine/PrintInterpreter.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "sim/wire/PrinterWire.h"

using namespace PageGeometry;

namespace {

using PrintLanguage::LetterName;
using Kind = PrintTokenizer::Kind;

constexpr uint8_t CarriageReturn = 0x0D;
constexpr uint8_t LineFeed = 0x0A;
constexpr uint8_t TextEnd = 0x00;
constexpr uint8_t FirstTextCharacter = 0x20;
constexpr uint8_t ReturnHeadLetter = '<';

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
    {PrintLanguage::RemoteEntryLetter, 8, "remote-mode entry"},
}};

uint32_t Little32(const uint8_t* bytes) {
  return static_cast<uint32_t>(bytes[0]) | (static_cast<uint32_t>(bytes[1]) << 8) |
         (static_cast<uint32_t>(bytes[2]) << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
}

std::string Hex(uint8_t value) { return "0x" + PrinterWire::HexByte(value); }

// ESC ( R carries 00 "REMOTE1".
bool IsRemoteEntry(const PrintTokenizer::Token& command) {
  using PrinterWire::RemoteModeEntry;
  constexpr size_t Offset = PrinterWire::RemoteModeEntryParametersOffset;
  return command.Count == RemoteModeEntry.size() - Offset &&
         std::equal(RemoteModeEntry.begin() + Offset, RemoteModeEntry.end(), command.Parameters);
}

}  // namespace

PrintInterpreter::PrintInterpreter(const EepromImage::Cells& eepromInUse, const BidMechanics& mechanics,
                                   PageStore& pages, const PrintHead* head)
    : Eeprom(eepromInUse), Mechanics(mechanics), Pages(pages), Head(head) {}

void PrintInterpreter::Add(const uint8_t* data, size_t length) {
  if (data == nullptr) return;
  for (size_t i = 0; i < length; ++i) {
    Run(Tokens.Step(data[i]));
    ++JobOffset;
    if (PageEnded) {  // the job recorder begins the next job after a form feed
      PageEnded = false;
      JobOffset = 0;
    }
  }
}

void PrintInterpreter::EndJob() {
  switch (Tokens.Where()) {
    case PrintTokenizer::Place::Text:
      break;
    case PrintTokenizer::Place::RasterData:
      if (Raster.LinesDone < Raster.Lines) {
        Error("the job ends inside a raster block, after " + std::to_string(Raster.LinesDone) + " of its " +
              std::to_string(Raster.Lines) + " lines");
      } else {
        Error("the job ends inside a run that reaches past its raster block");
      }
      break;
    case PrintTokenizer::Place::RemoteMode:
      Error("the job ends in remote mode");
      break;
    case PrintTokenizer::Place::Command:
      Error("the job ends inside the command " + Tokens.OpenCommandName());
      break;
  }
  EndPage();
  Reset();
  Tokens.Reset();
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

void PrintInterpreter::Run(const PrintTokenizer::Token& token) {
  switch (token.What) {
    case Kind::None:
      return;
    case Kind::Text:
      RunText(token.Byte);
      return;
    case Kind::CommandStart:
      CommandOffset = JobOffset;
      return;
    case Kind::Command:
      RunCommand(token);
      return;
    case Kind::ParenCommand:
      RunParenCommand(token);
      return;
    case Kind::RasterHeader:
      StartBlock(Tokens.Raster());
      return;
    case Kind::RasterRun:
      CommandOffset = JobOffset;
      CheckRun(token.Count);
      return;
    case Kind::RasterData:
      PutRasterBytes(token.Byte, token.Count);
      return;
    case Kind::RemoteCommand:
      RunRemoteCommand(token);
      return;
    case Kind::RemoteExit:
      RunRemoteExit(token);
      return;
  }
}

void PrintInterpreter::RunText(uint8_t byte) {
  switch (byte) {
    case CarriageReturn:
      X = 0;
      return;
    case LineFeed:
      LoadSheet();
      Y += LineHeight;
      return;
    case PrintLanguage::FormFeed:
      EndPage();
      PageEnded = true;
      return;
    case TextEnd:
      return;
    default:
      break;
  }
  // Other control bytes are not part of this printer's language and print nothing.
  if (byte < FirstTextCharacter) return;
  LoadSheet();
  Renderer.DrawCharacter(X + FirstDotShift(), Y, byte);
  X += CharacterWidth;
}

void PrintInterpreter::RunCommand(const PrintTokenizer::Token& command) {
  const uint8_t* p = command.Parameters;
  switch (command.Letter) {
    case PrintLanguage::ResetLetter:
      Reset();
      return;
    case ReturnHeadLetter:  // its CR follows as a byte of its own
      X = 0;
      return;
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
    case 0x00:
      Error("remote-mode exit outside remote mode");
      return;
    default:
      Error("unknown command ESC " + LetterName(command.Letter) + ": skipped");
      return;
  }
}

void PrintInterpreter::RunParenCommand(const PrintTokenizer::Token& command) {
  const ParenCommand* known = nullptr;
  for (const ParenCommand& each : ParenCommands)
    if (each.Letter == command.Letter) known = &each;
  if (known == nullptr) {
    Error("unknown command ESC ( " + LetterName(command.Letter) + " with " + std::to_string(command.Count) +
          " parameter bytes: skipped");
    return;
  }
  if (known->Letter == PrintLanguage::RemoteEntryLetter) {
    // The tokenizer enters remote mode on any ESC ( R; a wrong one is only written down.
    if (!IsRemoteEntry(command)) Error("remote-mode entry without its 00 \"REMOTE1\"");
    return;
  }
  if (command.Count != known->Length) {
    Error(std::string(known->Name) + " (ESC ( " + LetterName(command.Letter) + ") with " +
          std::to_string(command.Count) + " parameter bytes instead of " + std::to_string(known->Length) +
          ": skipped");
    return;
  }
  const uint8_t* p = command.Parameters;
  switch (command.Letter) {
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

void PrintInterpreter::RunRemoteExit(const PrintTokenizer::Token& exit) {
  const uint8_t* p = exit.Parameters;
  if (!PrinterWire::Equals(PrinterWire::RemoteModeExit, p, exit.ParameterCount))
    Error("remote mode left with " + Hex(p[0]) + " " + Hex(p[1]) + " " + Hex(p[2]) + " " + Hex(p[3]) +
          " instead of ESC 00 00 00");
}

void PrintInterpreter::RunRemoteCommand(const PrintTokenizer::Token& command) {
  const uint8_t* p = command.Parameters;
  const bool isSn = p[0] == PrinterWire::RemoteSn[0] && p[1] == PrinterWire::RemoteSn[1];
  if (!isSn || command.Count != PrinterWire::RemoteSnParameterCount)
    Error("unknown remote command " + LetterName(p[0]) + LetterName(p[1]) + " with " + std::to_string(command.Count) +
          " parameter bytes");
}

void PrintInterpreter::StartBlock(const PrintTokenizer::RasterBlock& header) {
  const uint8_t colourNumber = header.Colour;
  const uint8_t compression = header.Compression;
  const uint8_t bits = header.BitsPerDot;
  Raster = Block{};
  Raster.BytesPerLine = header.BytesPerLine;
  Raster.Lines = header.Lines;
  Raster.LinePitch = Current.LinePitch;
  Raster.DotPitch = Current.DotPitch;

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
