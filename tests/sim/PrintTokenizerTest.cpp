// The print language cut into commands: every shape, raster blocks that end early or late, remote mode.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "sim/engine/PrintTokenizer.h"

namespace {

using Bytes = std::vector<uint8_t>;
using Kind = PrintTokenizer::Kind;
using Place = PrintTokenizer::Place;

constexpr uint8_t Esc = 0x1B;

std::string Hex(uint8_t byte) {
  char text[4];
  std::snprintf(text, sizeof text, "%02X", byte);
  return text;
}

std::string Parameters(const PrintTokenizer::Token& token) {
  std::string text = "(";
  for (size_t i = 0; i < token.ParameterCount; ++i) text += (i > 0 ? " " : "") + Hex(token.Parameters[i]);
  return text + ")";
}

// One word a token: T41 a text byte, ESC where a command starts, C@ a command
// with its parameters, P v/2 an ESC ( command with the count it announces,
// H a raster header (colour, compression, bits, bytes per line x lines),
// R3 a run of 3 bytes, D0Cx3 raster data, RC SN/3 a remote command, RX remote mode left.
std::string Describe(const PrintTokenizer& tokens, const PrintTokenizer::Token& token) {
  switch (token.What) {
    case Kind::None:
      return "";
    case Kind::Text:
      return "T" + Hex(token.Byte);
    case Kind::CommandStart:
      return "ESC";
    case Kind::Command:
      return "C" + PrintLanguage::LetterName(token.Letter) + (token.ParameterCount > 0 ? Parameters(token) : "");
    case Kind::ParenCommand:
      return "P " + PrintLanguage::LetterName(token.Letter) + "/" + std::to_string(token.Count) + Parameters(token);
    case Kind::RasterHeader:
      return "H(" + Hex(tokens.Raster().Colour) + " " + std::to_string(tokens.Raster().Compression) + " " +
             std::to_string(tokens.Raster().BitsPerDot) + " " + std::to_string(tokens.Raster().BytesPerLine) + "x" +
             std::to_string(tokens.Raster().Lines) + ")";
    case Kind::RasterRun:
      return "R" + std::to_string(token.Count);
    case Kind::RasterData:
      return "D" + Hex(token.Byte) + "x" + std::to_string(token.Count);
    case Kind::RemoteCommand:
      return "RC " + PrintLanguage::LetterName(token.Parameters[0]) + PrintLanguage::LetterName(token.Parameters[1]) +
             "/" + std::to_string(token.Count);
    case Kind::RemoteExit:
      return "RX" + Parameters(token);
  }
  return "?";
}

std::string Tokenize(PrintTokenizer& tokens, const Bytes& stream) {
  std::string words;
  for (uint8_t byte : stream) {
    const std::string word = Describe(tokens, tokens.Step(byte));
    if (!word.empty()) words += (words.empty() ? "" : " ") + word;
  }
  return words;
}

TEST(PrintTokenizer, CutsEveryShapeOfCommand) {
  const struct {
    const char* What;
    Bytes Stream;
    std::string Expected;
  } cases[] = {
      {"text and two-byte commands", {'A', 0x0C, Esc, '@', Esc, '<', 0x0D, Esc, 'Z', Esc, Esc, 'B'},
       "T41 T0C ESC C@ ESC C< T0D ESC CZ ESC C0x1B T42"},
      {"fixed parameters, a form feed among them", {Esc, 'U', 1, Esc, '\\', 0x0C, 0x0C, Esc, 0, 0, 0, 'A'},
       "ESC CU(01) ESC C\\(0C 0C) ESC C0x00(00 00) T41"},
      {"ESC ( with its announced parameters", {Esc, '(', 'v', 2, 0, 0x0C, 0, 0x0C},
       "ESC P v/2(0C 00) T0C"},
      {"ESC ( without parameters", {Esc, '(', 'z', 0, 0, 'A'}, "ESC P z/0() T41"},
      {"ESC ( longer than any command keeps its first bytes",
       {Esc, '(', 'q', 10, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0x0C, 'A'},
       "ESC P q/10(01 02 03 04 05 06 07 08) T41"},
      {"run-length block: a literal and a repeat fill 2 lines of 3",
       {Esc, 'i', 0x02, 1, 1, 3, 0, 2, 0, 0x02, 0x0C, 0x0C, 0x0C, 0xFE, 0x0C, 0x0C},
       "ESC H(02 1 1 3x2) R3 D0Cx1 D0Cx1 D0Cx1 R3 D0Cx3 T0C"},
      {"uncompressed block", {Esc, 'i', 0x00, 0, 2, 2, 0, 1, 0, 0x0C, 0x0C, 0x0C},
       "ESC H(00 0 2 2x1) D0Cx1 D0Cx1 T0C"},
      {"an unknown compression is read uncompressed", {Esc, 'i', 0x00, 2, 1, 1, 0, 1, 0, 0x80, 0x0C},
       "ESC H(00 2 1 1x1) D80x1 T0C"},
      {"a block of 0 lines holds no data", {Esc, 'i', 0x00, 1, 1, 200, 0, 0, 0, 0x0C},
       "ESC H(00 1 1 200x0) T0C"},
      {"256 bytes a line", {Esc, 'i', 0x00, 1, 1, 0, 1, 1, 0, 0x81, 0xAA, 0x81, 0xBB, 0x0C},
       "ESC H(00 1 1 256x1) R128 DAAx128 R128 DBBx128 T0C"},
      {"256 lines", {Esc, 'i', 0x00, 1, 1, 1, 0, 0, 1, 0x81, 0xAA, 0x81, 0xBB, 0x0C},
       "ESC H(00 1 1 1x256) R128 DAAx128 R128 DBBx128 T0C"},
      {"a repeat reaching past the block ends it", {Esc, 'i', 0x00, 1, 1, 1, 0, 1, 0, 0x80, 0xFF, 0x0C},
       "ESC H(00 1 1 1x1) R129 DFFx129 T0C"},
      {"a literal reaching past the block is read whole", {Esc, 'i', 0x00, 1, 1, 1, 0, 1, 0, 2, 1, 2, 0x0C, 0x0C},
       "ESC H(00 1 1 1x1) R3 D01x1 D02x1 D0Cx1 T0C"},
      {"remote mode, its commands skipped by their length",
       {Esc, '(', 'R', 8, 0, 0, 'R', 'E', 'M', 'O', 'T', 'E', '1', 'S', 'N', 3, 0, 0x0C, Esc, 0x0C, 'X', 'Y', 0, 0,
        Esc, 0, 0, 0, 0x0C},
       "ESC P R/8(00 52 45 4D 4F 54 45 31) RC SN/3 RC XY/0 RX(1B 00 00 00) T0C"},
      {"any ESC ( R enters remote mode; ESC and any three bytes leave it",
       {Esc, '(', 'R', 0, 0, 0x0C, 0x0C, 1, 0, 0x0C, Esc, 1, 2, 3, 'A'},
       "ESC P R/0() RC 0x0C0x0C/1 RX(1B 01 02 03) T41"},
  };
  for (const auto& c : cases) {
    PrintTokenizer tokens;
    EXPECT_EQ(Tokenize(tokens, c.Stream), c.Expected) << c.What;
    EXPECT_EQ(tokens.Where(), Place::Text) << c.What;
  }
}

TEST(PrintTokenizer, TellsWhereAStreamThatStopsStands) {
  const struct {
    Bytes Stream;
    Place Expected;
    std::string Command;  // for Place::Command
  } cases[] = {
      {{'A', 0x0C}, Place::Text, ""},
      {{Esc}, Place::Command, "ESC"},
      {{Esc, 'U'}, Place::Command, "ESC U"},
      {{Esc, 'i', 0x00, 1}, Place::Command, "ESC i"},
      {{Esc, '\\', 5}, Place::Command, "ESC \\"},
      {{Esc, 0}, Place::Command, "ESC 0x00"},
      {{Esc, '('}, Place::Command, "ESC ("},
      {{Esc, '(', 'v'}, Place::Command, "ESC ( v"},
      {{Esc, '(', 'v', 2, 0, 1}, Place::Command, "ESC ( v"},
      {{Esc, '(', ' ', 1}, Place::Command, "ESC ( 0x20"},
      {{Esc, '(', '!', 1}, Place::Command, "ESC ( !"},
      {{Esc, '(', '~', 1}, Place::Command, "ESC ( ~"},
      {{Esc, '(', 0x7F, 1}, Place::Command, "ESC ( 0x7F"},
      {{Esc, 'i', 0x00, 1, 1, 2, 0, 1, 0}, Place::RasterData, ""},
      {{Esc, 'i', 0x00, 1, 1, 2, 0, 1, 0, 0x00}, Place::RasterData, ""},
      {{Esc, 'i', 0x00, 1, 1, 2, 0, 1, 0, 0x02, 1, 2}, Place::RasterData, ""},  // a literal past the block's end
      {{Esc, 'i', 0x00, 1, 1, 2, 0, 1, 0, 0x02, 1, 2, 3}, Place::Text, ""},
      {{Esc, '(', 'R', 0, 0}, Place::RemoteMode, ""},
      {{Esc, '(', 'R', 0, 0, 'S', 'N', 3, 0, 1}, Place::RemoteMode, ""},
  };
  for (const auto& c : cases) {
    PrintTokenizer tokens;
    const std::string words = Tokenize(tokens, c.Stream);
    EXPECT_EQ(tokens.Where(), c.Expected) << words;
    if (c.Expected == Place::Command) {
      EXPECT_EQ(tokens.OpenCommandName(), c.Command) << words;
    }
    // A reset starts the next job in plain text: its form feed is one.
    tokens.Reset();
    EXPECT_EQ(Tokenize(tokens, {0x0C}), "T0C") << words;
  }
}

}  // namespace
