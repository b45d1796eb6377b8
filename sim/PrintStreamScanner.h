// Follows the print language byte by byte, so that a form feed is told apart from raster data.
#pragma once

#include <cstddef>
#include <cstdint>

// The scanner knows the shape of every command (escape sequences with their
// parameter counts, run-length raster blocks of announced size, the remote
// mode) but not their meaning: it reports where raster blocks begin and
// where a page ends.
class PrintStreamScanner {
public:
  enum class Event { None, RasterBlock, FormFeed };

  // Takes the next byte of the stream.
  Event Step(uint8_t byte);
  // Back to plain text, as at the start of a job.
  void Reset();

private:
  enum class Mode {
    Text,
    Escape,
    ParenLetter,
    ParenLength,
    Skip,
    RasterHeader,
    RasterCounter,
    RasterLiteral,
    RasterRepeatValue,
    RasterRaw,
    RemoteHeader,
  };

  void StartSkip(size_t count, Mode after);
  void ContinueRaster();

  Mode Current = Mode::Text;
  Mode AfterSkip = Mode::Text;
  size_t SkipLeft = 0;
  uint8_t Letter = 0;
  uint8_t Collected[7] = {};
  size_t CollectedCount = 0;
  uint64_t RasterTotal = 0;    // bytes a raster block decodes to
  uint64_t RasterDecoded = 0;  // decoded so far
  size_t RunLeft = 0;          // literal bytes still to come, or the count of a repeat
};
