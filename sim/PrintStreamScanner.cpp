// Shape of the print language: escape sequences, run-length raster blocks, remote mode.
#include "sim/PrintStreamScanner.h"

namespace {

constexpr uint8_t Esc = 0x1B;
constexpr uint8_t FormFeed = 0x0C;

// ESC i r c b nL nH mL mH: colour, compression (1 = run-length), bits per dot,
// bytes per raster line, raster lines.
constexpr size_t RasterHeaderParameters = 7;
constexpr uint8_t RunLengthCompressed = 1;
// ESC ( letter nL nH and n parameter bytes; ESC ( R enters remote mode.
constexpr size_t ParenLengthBytes = 2;
constexpr uint8_t RemoteLetter = 'R';
// Inside remote mode: two letters, a little-endian length, then the parameters;
// ESC 00 00 00 leaves it.
constexpr size_t RemoteHeaderBytes = 4;

}  // namespace

void PrintStreamScanner::Reset() { *this = PrintStreamScanner{}; }

void PrintStreamScanner::StartSkip(size_t count, Mode after) {
  CollectedCount = 0;
  if (count == 0) {
    Current = after;
    return;
  }
  SkipLeft = count;
  AfterSkip = after;
  Current = Mode::Skip;
}

void PrintStreamScanner::ContinueRaster() { Current = RasterDecoded >= RasterTotal ? Mode::Text : Mode::RasterCounter; }

PrintStreamScanner::Event PrintStreamScanner::Step(uint8_t byte) {
  switch (Current) {
    case Mode::Text:
      if (byte == Esc) Current = Mode::Escape;
      if (byte == FormFeed) return Event::FormFeed;
      return Event::None;
    case Mode::Escape:
      CollectedCount = 0;
      switch (byte) {
        case '(':
          Current = Mode::ParenLetter;
          break;
        case 'i':
          Current = Mode::RasterHeader;
          break;
        case 'U':  // print direction, one parameter
          StartSkip(1, Mode::Text);
          break;
        case '\\':  // horizontal move, two parameters
          StartSkip(2, Mode::Text);
          break;
        case 0x00:  // the rest of ESC 00 00 00
          StartSkip(2, Mode::Text);
          break;
        default:  // ESC @, ESC < and the other two-byte commands
          Current = Mode::Text;
          break;
      }
      return Event::None;
    case Mode::ParenLetter:
      Letter = byte;
      CollectedCount = 0;
      Current = Mode::ParenLength;
      return Event::None;
    case Mode::ParenLength:
      Collected[CollectedCount++] = byte;
      if (CollectedCount == ParenLengthBytes) {
        const size_t count = static_cast<size_t>(Collected[0] | (Collected[1] << 8));
        StartSkip(count, Letter == RemoteLetter ? Mode::RemoteHeader : Mode::Text);
      }
      return Event::None;
    case Mode::Skip:
      if (--SkipLeft == 0) {
        CollectedCount = 0;
        Current = AfterSkip;
      }
      return Event::None;
    case Mode::RasterHeader:
      Collected[CollectedCount++] = byte;
      if (CollectedCount == RasterHeaderParameters) {
        const uint64_t bytesPerLine = static_cast<uint64_t>(Collected[3] | (Collected[4] << 8));
        const uint64_t lines = static_cast<uint64_t>(Collected[5] | (Collected[6] << 8));
        RasterTotal = bytesPerLine * lines;
        RasterDecoded = 0;
        CollectedCount = 0;
        if (RasterTotal == 0) {
          Current = Mode::Text;
        } else {
          Current = Collected[1] == RunLengthCompressed ? Mode::RasterCounter : Mode::RasterRaw;
        }
        return Event::RasterBlock;
      }
      return Event::None;
    case Mode::RasterCounter:
      if (byte < 0x80) {
        RunLeft = static_cast<size_t>(byte) + 1;  // a literal of this many bytes follows
        Current = Mode::RasterLiteral;
      } else {
        RunLeft = 257 - static_cast<size_t>(byte);  // the next byte, repeated
        Current = Mode::RasterRepeatValue;
      }
      return Event::None;
    case Mode::RasterLiteral:
      ++RasterDecoded;
      if (--RunLeft == 0) ContinueRaster();
      return Event::None;
    case Mode::RasterRepeatValue:
      RasterDecoded += RunLeft;
      ContinueRaster();
      return Event::None;
    case Mode::RasterRaw:
      if (++RasterDecoded >= RasterTotal) Current = Mode::Text;
      return Event::None;
    case Mode::RemoteHeader:
      Collected[CollectedCount++] = byte;
      if (CollectedCount == RemoteHeaderBytes) {
        if (Collected[0] == Esc) {
          CollectedCount = 0;
          Current = Mode::Text;
        } else {
          StartSkip(static_cast<size_t>(Collected[2] | (Collected[3] << 8)), Mode::RemoteHeader);
        }
      }
      return Event::None;
  }
  return Event::None;
}
