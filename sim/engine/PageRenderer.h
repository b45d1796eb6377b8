// The sheet in the virtual printer: dots and characters put straight into an indexed page image.
#pragma once

#include <QImage>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "sim/engine/PageGeometry.h"

// Positions are in pixels on the paper (see PageGeometry); whatever falls
// outside the paper is lost, as ink that misses the sheet. Drawing writes the
// image's bytes directly: a page holds millions of dots.
class PageRenderer {
public:
  // Whether a sheet is loaded (something has been printed or the paper moved since the last page ended).
  bool SheetLoaded() const { return !Sheet.isNull(); }
  // Loads a blank sheet when none is loaded: `spare` when it is a blank page
  // image nobody else holds (its memory is used again), else a new one.
  void LoadSheet(QImage spare = QImage());

  // One character cell whose top left corner is (x, y). Loads a sheet.
  void DrawCharacter(int64_t x, int64_t y, uint8_t character);

  // One raster line: `count` bytes of `bitsPerDot` (1 or 2) dots each, the
  // first dot in the highest bits, dot j at (x + j * dotPitch, y). Loads a
  // sheet. Other bit counts draw nothing.
  void DrawRasterLine(int64_t x, int64_t y, const uint8_t* bytes, size_t count, int bitsPerDot, int dotPitch,
                      PageGeometry::Ink ink);

  // The printed sheet; no sheet is loaded afterwards. A null image when none was loaded.
  QImage TakeSheet();
  // Which image rows of the sheet were drawn on (nonzero), one entry per row:
  // every other row is blank. Taken with the sheet: empty afterwards.
  std::vector<uint8_t> TakeDrawnRows();
  // Makes `sheet` blank again where `drawnRows` says it was drawn on.
  static void ClearDrawnRows(QImage& sheet, const std::vector<uint8_t>& drawnRows);

  // A blank sheet with its border, as LoadSheet makes it.
  static QImage BlankSheet();

private:
  // A size x size square of colour `index` at paper position (x, y), clipped to the paper.
  void FillSquare(int64_t x, int64_t y, int size, uint8_t index);

  void MarkDrawn(int64_t paperRow);

  QImage Sheet;
  std::vector<uint8_t> Drawn;  // per image row
  uint8_t* Bits = nullptr;  // Sheet's bytes, taken once so that drawing never detaches
  qsizetype Stride = 0;
};
