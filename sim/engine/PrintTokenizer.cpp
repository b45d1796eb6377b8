// The shape of the print language: text, escape commands, run-length raster blocks, remote mode.
#include "sim/engine/PrintTokenizer.h"

#include "sim/wire/PrinterWire.h"

using namespace PrintLanguage;

namespace {

// ESC letter with a fixed number of parameter bytes.
struct FixedCommand {
  uint8_t Letter;
  size_t Parameters;
};
constexpr std::array<FixedCommand, 4> FixedCommands = {{
    {'U', 1},           // SetPrintDirection n
    {'\\', 2},          // HorizontalMove nL nH
    {RasterLetter, 7},  // RasterHeader r c b nL nH mL mH, then the data
    {0x00, 2},          // the rest of the remote-mode exit ESC 00 00 00
}};

// ESC ( letter nL nH: the two length bytes, little-endian.
constexpr size_t ParenLengthBytes = 2;
static_assert(PrinterWire::RemoteModeEntry[2] == RemoteEntryLetter,
              "remote mode is entered by the same command in a print stream and in a packet of its own");

// Raster header parameters: [0] colour [1] compression [2] bits per dot
// [3..4] bytes per line [5..6] lines, both little-endian.
constexpr uint8_t RunLengthCompressed = 1;
// Run-length counters: 0..127 announce a literal of counter + 1 bytes, 128..255
// one byte repeated 257 - counter times (0x80 repeats 129 times).
constexpr uint8_t FirstRepeatCounter = 0x80;

size_t Little16(const uint8_t* bytes) { return static_cast<size_t>(bytes[0] | (bytes[1] << 8)); }

using Token = PrintTokenizer::Token;
using Kind = PrintTokenizer::Kind;

Token Plain(Kind what) {
  Token token;
  token.What = what;
  return token;
}

// A text byte, or raster data: a byte `count` times.
Token OfByte(Kind what, uint8_t byte, size_t count) {
  Token token = Plain(what);
  token.Byte = byte;
  token.Count = static_cast<uint32_t>(count);
  return token;
}

}  // namespace

std::string PrintLanguage::LetterName(uint8_t letter) {
  if (PrinterWire::IsReadableBare(letter)) return std::string(1, static_cast<char>(letter));
  return "0x" + PrinterWire::HexByte(letter);
}

Token PrintTokenizer::Step(uint8_t byte) {
  switch (Current) {
    case Mode::Text:
      return StepText(byte);
    case Mode::Escape:
      return StepEscape(byte);
    case Mode::Parameters:
      return StepParameter(byte);
    case Mode::ParenLetter:
      Letter = byte;
      CollectedCount = 0;
      Current = Mode::ParenLength;
      return {};
    case Mode::ParenLength:
      return StepParenLength(byte);
    case Mode::ParenBody:
      return StepParenBody(byte);
    case Mode::RasterCounter:
      return StepRasterCounter(byte);
    case Mode::RasterLiteral:
      return StepLiteral(byte);
    case Mode::RasterRepeatValue:
      return StepRepeatValue(byte);
    case Mode::RasterRaw:
      return StepRaw(byte);
    case Mode::RemoteHeader:
      return StepRemoteHeader(byte);
    case Mode::RemoteBody:
      return StepRemoteBody();
  }
  return {};
}

PrintTokenizer::Place PrintTokenizer::Where() const {
  switch (Current) {
    case Mode::Text:
      return Place::Text;
    case Mode::Escape:
    case Mode::Parameters:
    case Mode::ParenLetter:
    case Mode::ParenLength:
    case Mode::ParenBody:
      return Place::Command;
    case Mode::RasterCounter:
    case Mode::RasterLiteral:
    case Mode::RasterRepeatValue:
    case Mode::RasterRaw:
      return Place::RasterData;
    case Mode::RemoteHeader:
    case Mode::RemoteBody:
      return Place::RemoteMode;
  }
  return Place::Text;
}

std::string PrintTokenizer::OpenCommandName() const {
  switch (Current) {
    case Mode::Escape:
      return "ESC";
    case Mode::ParenLetter:
      return "ESC (";
    case Mode::ParenLength:
    case Mode::ParenBody:
      return "ESC ( " + LetterName(Letter);
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

Token PrintTokenizer::StepText(uint8_t byte) {
  if (byte == Esc) {
    Current = Mode::Escape;
    return Plain(Kind::CommandStart);
  }
  return OfByte(Kind::Text, byte, 1);
}

Token PrintTokenizer::StepEscape(uint8_t byte) {
  Letter = byte;
  CollectedCount = 0;
  Current = Mode::Text;
  if (byte == '(') {
    Current = Mode::ParenLetter;
    return {};
  }
  for (const FixedCommand& command : FixedCommands) {
    if (command.Letter == byte) {
      Wanted = command.Parameters;
      Current = Mode::Parameters;
      return {};
    }
  }
  Token command = Plain(Kind::Command);
  command.Letter = byte;
  return command;
}

void PrintTokenizer::Collect(uint8_t byte) {
  if (CollectedCount < Collected.size()) Collected[CollectedCount++] = byte;
}

// The parameters collected so far go with the token; the next command collects afresh.
Token PrintTokenizer::TakeCollected(Kind what) {
  Token token = Plain(what);
  token.Letter = Letter;
  token.Parameters = Collected.data();
  token.ParameterCount = static_cast<uint8_t>(CollectedCount);
  CollectedCount = 0;
  return token;
}

Token PrintTokenizer::StepParameter(uint8_t byte) {
  Collect(byte);
  if (CollectedCount < Wanted) return {};
  Current = Mode::Text;
  if (Letter == RasterLetter) return StartRaster();
  return TakeCollected(Kind::Command);
}

Token PrintTokenizer::StepParenLength(uint8_t byte) {
  Collect(byte);
  if (CollectedCount < ParenLengthBytes) return {};
  Announced = Little16(Collected.data());
  BodyLeft = Announced;
  CollectedCount = 0;
  Current = Mode::ParenBody;
  if (BodyLeft == 0) return EndParenCommand();
  return {};
}

Token PrintTokenizer::StepParenBody(uint8_t byte) {
  Collect(byte);
  if (--BodyLeft > 0) return {};
  return EndParenCommand();
}

// Any ESC ( R enters remote mode, whatever its parameters; the print engine writes a wrong one down.
Token PrintTokenizer::EndParenCommand() {
  Current = Letter == RemoteEntryLetter ? Mode::RemoteHeader : Mode::Text;
  Token token = TakeCollected(Kind::ParenCommand);
  token.Count = static_cast<uint32_t>(Announced);
  return token;
}

Token PrintTokenizer::StartRaster() {
  Token token = TakeCollected(Kind::RasterHeader);
  const uint8_t* p = token.Parameters;
  Header = {
      .Colour = p[0], .Compression = p[1], .BitsPerDot = p[2], .BytesPerLine = Little16(p + 3), .Lines = Little16(p + 5)};
  RasterTotal = static_cast<uint64_t>(Header.BytesPerLine) * Header.Lines;
  RasterDecoded = 0;
  if (RasterTotal == 0) {
    Current = Mode::Text;
  } else {
    Current = Header.Compression == RunLengthCompressed ? Mode::RasterCounter : Mode::RasterRaw;
  }
  return token;
}

Token PrintTokenizer::StepRasterCounter(uint8_t byte) {
  if (byte < FirstRepeatCounter) {
    RunLeft = static_cast<size_t>(byte) + 1;
    Current = Mode::RasterLiteral;
  } else {
    RunLeft = 257 - static_cast<size_t>(byte);
    Current = Mode::RasterRepeatValue;
  }
  Token run = Plain(Kind::RasterRun);
  run.Count = static_cast<uint32_t>(RunLeft);
  return run;
}

Token PrintTokenizer::StepLiteral(uint8_t byte) {
  ++RasterDecoded;
  if (--RunLeft == 0) ContinueRaster();
  return OfByte(Kind::RasterData, byte, 1);
}

Token PrintTokenizer::StepRepeatValue(uint8_t byte) {
  const size_t count = RunLeft;
  RasterDecoded += count;
  ContinueRaster();
  return OfByte(Kind::RasterData, byte, count);
}

Token PrintTokenizer::StepRaw(uint8_t byte) {
  if (++RasterDecoded >= RasterTotal) Current = Mode::Text;
  return OfByte(Kind::RasterData, byte, 1);
}

void PrintTokenizer::ContinueRaster() { Current = RasterDecoded >= RasterTotal ? Mode::Text : Mode::RasterCounter; }

Token PrintTokenizer::StepRemoteHeader(uint8_t byte) {
  Collect(byte);
  if (CollectedCount < PrinterWire::RemoteCommandHeaderSize) return {};
  if (Collected[0] == Esc) {
    Current = Mode::Text;
    return TakeCollected(Kind::RemoteExit);
  }
  Token token = TakeCollected(Kind::RemoteCommand);
  token.Count = static_cast<uint32_t>(Little16(token.Parameters + 2));
  if (token.Count > 0) {
    BodyLeft = token.Count;
    Current = Mode::RemoteBody;
  }
  return token;
}

Token PrintTokenizer::StepRemoteBody() {
  if (--BodyLeft == 0) Current = Mode::RemoteHeader;
  return {};
}
