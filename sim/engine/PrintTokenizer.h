// The print language cut into commands: the one reading of its shape that the print engine and the job recorder share.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

// Bytes of the print language that more than one of its readers acts on.
namespace PrintLanguage {

constexpr uint8_t Esc = 0x1B;
constexpr uint8_t FormFeed = 0x0C;          // a text byte: the page ends
constexpr uint8_t ResetLetter = '@';        // ESC @: the settings back to their defaults
constexpr uint8_t RasterLetter = 'i';       // ESC i: a raster block follows its header
constexpr uint8_t RemoteEntryLetter = 'R';  // ESC ( R: remote mode begins

// A command letter as the print language writes it: the character, or its code.
std::string LetterName(uint8_t letter);

}  // namespace PrintLanguage

// Cuts a print stream into tokens, one byte at a time, so a command may be
// split anywhere between the pieces the stream comes in. It knows the shape of
// every command but not its meaning: what a command does is the print
// engine's, where a job ends is the job recorder's. An unknown command is cut
// by its shape like a known one, so a broken stream never throws the reading
// of the rest off.
//
// The shapes:
//   ESC letter                  ESC @, ESC < and every letter not named below
//   ESC U n                     fixed parameters
//   ESC \ nL nH
//   ESC 00 xx xx                (the remote-mode exit, outside remote mode)
//   ESC i r c b nL nH mL mH     raster header: colour, compression (1 = run-length,
//                               anything else is read uncompressed), bits per dot,
//                               n bytes a line, m lines; then the n x m bytes of data
//   ESC ( letter nL nH          and n parameter bytes; ESC ( R enters remote mode
//   remote mode                 two letters, nL nH and n parameter bytes; a first byte ESC
//                               and three more leave it
// Run-length data: counters 0..127 announce a literal of counter + 1 bytes,
// 128..255 the next byte repeated 257 - counter times. A run may reach past
// the block's end; the block ends with the first run that reaches it.
class PrintTokenizer {
public:
  // Parameter bytes a token carries: the longest parameters a command of the
  // language has (ESC ( S, ESC ( c, ESC ( R). Longer ones are cut to these.
  static constexpr size_t KeptParameters = 8;

  enum class Kind : uint8_t {
    None,           // inside a command, a raster run or remote mode: nothing complete yet
    Text,           // a byte outside commands (Byte)
    CommandStart,   // ESC outside commands: a command begins at this byte
    Command,        // ESC and a letter with its fixed parameters (Letter, Parameters)
    ParenCommand,   // ESC ( letter: Letter, Count announced parameter bytes, Parameters the first of them
    RasterHeader,   // ESC i and its seven parameters (see Raster()); its data follows unless it holds none
    RasterRun,      // a run-length counter: the run is Count bytes
    RasterData,     // raster data: Byte, Count times
    RemoteCommand,  // a command of remote mode: Parameters its two letters and length, Count that length
    RemoteExit,     // remote mode left: Parameters the four bytes, the first of them ESC
  };

  // Small enough to come back in registers: the print engine takes one for every byte of a page.
  struct Token {
    Kind What = Kind::None;
    uint8_t Letter = 0;
    uint8_t Byte = 0;
    uint8_t ParameterCount = 0;  // bytes at Parameters
    uint32_t Count = 0;
    const uint8_t* Parameters = nullptr;  // held by the tokenizer until its next Step
  };
  static_assert(sizeof(Token) <= 16);

  // What a raster header announces.
  struct RasterBlock {
    uint8_t Colour = 0;
    uint8_t Compression = 0;
    uint8_t BitsPerDot = 0;
    size_t BytesPerLine = 0;
    size_t Lines = 0;
  };

  // Where the stream stands after the bytes so far.
  enum class Place {
    Text,        // between commands
    Command,     // inside an escape command
    RasterData,  // inside a raster block's data
    RemoteMode,  // inside remote mode
  };

  // Takes the next byte of the stream.
  Token Step(uint8_t byte);
  // The header of the latest raster block.
  const RasterBlock& Raster() const { return Header; }
  Place Where() const;
  // The command being read, as "ESC", "ESC (", "ESC U" or "ESC ( v"; meaningful at Place::Command.
  std::string OpenCommandName() const;
  // Back to plain text, as at the start of a job.
  void Reset() { *this = PrintTokenizer{}; }

private:
  enum class Mode {
    Text,
    Escape,             // after ESC
    Parameters,         // the fixed parameters of ESC U, ESC \, ESC i, ESC 00
    ParenLetter,        // after ESC (
    ParenLength,        // two length bytes
    ParenBody,          // the announced parameter bytes
    RasterCounter,      // run-length data: a counter
    RasterLiteral,      // bytes of a literal run
    RasterRepeatValue,  // the byte of a repeated run
    RasterRaw,          // uncompressed raster data
    RemoteHeader,       // remote mode: two letters and a length, or ESC and three bytes
    RemoteBody,         // the parameters of a remote command
  };

  Token StepText(uint8_t byte);
  Token StepEscape(uint8_t byte);
  Token StepParameter(uint8_t byte);
  Token StepParenLength(uint8_t byte);
  Token StepParenBody(uint8_t byte);
  Token StepRasterCounter(uint8_t byte);
  Token StepLiteral(uint8_t byte);
  Token StepRepeatValue(uint8_t byte);
  Token StepRaw(uint8_t byte);
  Token StepRemoteHeader(uint8_t byte);
  Token StepRemoteBody();
  void Collect(uint8_t byte);
  Token TakeCollected(Kind what);
  Token StartRaster();
  Token EndParenCommand();
  void ContinueRaster();

  Mode Current = Mode::Text;
  uint8_t Letter = 0;  // the command letter after ESC or ESC (
  std::array<uint8_t, KeptParameters> Collected = {};
  size_t CollectedCount = 0;
  size_t Wanted = 0;           // fixed parameter bytes the command takes
  size_t Announced = 0;        // parameter bytes an ESC ( command announces
  size_t BodyLeft = 0;         // of an ESC ( or remote command's parameters
  size_t RunLeft = 0;          // literal bytes still to come, or the length of a repeat
  RasterBlock Header;          // of the latest raster block
  uint64_t RasterTotal = 0;    // bytes the raster block decodes to
  uint64_t RasterDecoded = 0;  // decoded so far, runs past the block's end included
};
