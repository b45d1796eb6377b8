// Print streams written out command by command, a bench printer to print them on, and ways to find marks on a page.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <QImage>
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <initializer_list>
#include <ostream>
#include <string>
#include <vector>

#include "sim/mechanism/BidMechanics.h"
#include "sim/files/EepromImage.h"
#include "sim/engine/PageGeometry.h"
#include "sim/files/PageStore.h"
#include "sim/engine/PrintInterpreter.h"

// The first print line with a top margin of 0.
constexpr int Top = PageGeometry::DefaultPageTop;

// The print language as the tests write it, byte by byte from the command
// table (no range inserts: g++ 12 warns wrongly about them at -O2).
class Stream {
public:
  std::vector<uint8_t> Data;

  Stream& Raw(std::initializer_list<int> bytes) {
    for (int byte : bytes) Data.push_back(static_cast<uint8_t>(byte));
    return *this;
  }
  Stream& Then(const Stream& other) {
    for (uint8_t byte : other.Data) Data.push_back(byte);
    return *this;
  }
  Stream& Reset() { return Raw({0x1B, 0x40}); }
  Stream& Graphics() { return Raw({0x1B, '(', 'G', 1, 0, 1}); }
  Stream& Unit(int u) { return Raw({0x1B, '(', 'U', 1, 0, u}); }
  Stream& Direction(int n) { return Raw({0x1B, 'U', n}); }
  Stream& DotSize(int d) { return Raw({0x1B, '(', 'e', 2, 0, 0, d}); }
  Stream& ColorMode(int n) { return Raw({0x1B, '(', 'K', 2, 0, 0, n}); }
  Stream& ReturnHead() { return Raw({0x1B, '<', 0x0D}); }
  Stream& VerticalMove(int n) { return Raw({0x1B, '(', 'v', 2, 0, n & 0xFF, n >> 8, 0x0D}); }
  Stream& HorizontalMove(int n) { return Raw({0x1B, '\\', n & 0xFF, n >> 8}); }
  Stream& Resolution(int base = 360, int vertical = 3, int horizontal = 1) {
    return Raw({0x1B, '(', 'D', 4, 0, base & 0xFF, base >> 8, vertical, horizontal});
  }
  Stream& PaperSize(uint32_t width, uint32_t length) {
    Raw({0x1B, '(', 'S', 8, 0});
    return Little32(width).Little32(length);
  }
  Stream& PageFormat(uint32_t top, uint32_t bottom) {
    Raw({0x1B, '(', 'c', 8, 0});
    return Little32(top).Little32(bottom);
  }
  // RasterHeader with run-length compression; the lines must follow.
  Stream& Header(int colour, int bits, int bytesPerLine, int lines) {
    return Raw({0x1B, 'i', colour, 1, bits, bytesPerLine & 0xFF, bytesPerLine >> 8, lines & 0xFF, lines >> 8});
  }
  // `count` (1..129) copies of `value`, coded as the host codes a run.
  Stream& Run(int count, int value) { return Raw({count == 1 ? 0 : 257 - count, value}); }
  // A literal run: counter (length - 1), then the bytes.
  Stream& Literal(std::initializer_list<int> bytes) {
    Raw({static_cast<int>(bytes.size()) - 1});
    return Raw(bytes);
  }
  Stream& Text(const std::string& text) {
    for (char c : text) Data.push_back(static_cast<uint8_t>(c));
    return Raw({0x00});
  }
  Stream& CrLf() { return Raw({0x0D, 0x0A}); }
  Stream& FormFeed() { return Raw({0x0C}); }

  // A one-line 1-bit block of one byte whose first dot is set: a single pixel
  // at the head position, in `colour`.
  Stream& Dot(int colour = 0x02) { return Header(colour, 1, 1, 1).Literal({0x80}); }

private:
  Stream& Little32(uint32_t value) {
    return Raw({static_cast<int>(value & 0xFF), static_cast<int>((value >> 8) & 0xFF),
                static_cast<int>((value >> 16) & 0xFF), static_cast<int>(value >> 24)});
  }
};

// The print engine alone, on a factory EEPROM with top margin and first dot
// position 0, nothing on disk.
struct PrintBench {
  EepromImage::Cells Eeprom = EepromImage::FactoryImage();
  BidMechanics Mechanics{""};
  PageStore Store{""};
  PrintInterpreter Printer{Eeprom, Mechanics, Store};

  // Prints the stream and ends the job; returns the last page (null when none).
  QImage Print(const Stream& stream) {
    Printer.Add(stream.Data.data(), stream.Data.size());
    Printer.EndJob();
    return Store.Pages().empty() ? QImage() : Store.Pages().back();
  }
};

// Four blocks at x 100 on one pass, block k with its dot on raster line k;
// blocks 1 and 3 go right to left in bidirectional mode.
inline Stream BidBlocks(int direction, int dotSize, int colour) {
  Stream stream;
  stream.Reset().Graphics().Unit(10).Direction(direction).DotSize(dotSize).ColorMode(2).Resolution();
  for (int k = 0; k < 4; ++k) {
    stream.HorizontalMove(100).Header(colour, 1, 1, 4);
    for (int line = 0; line < 4; ++line) stream.Literal({line == k ? 0x80 : 0x00});
    stream.ReturnHead();
  }
  return stream;
}

// A pixel position on the paper.
struct Spot {
  int X;
  int Y;
  bool operator==(const Spot& other) const { return X == other.X && Y == other.Y; }
};

inline std::ostream& operator<<(std::ostream& out, const Spot& spot) {
  return out << "(" << spot.X << ", " << spot.Y << ")";
}

// The colour index at paper position (x, y).
inline int IndexAt(const QImage& page, int x, int y) {
  return page.pixelIndex(PageGeometry::PaperMargin + x, PageGeometry::PaperMargin + y);
}

// Every paper position of colour index `index`, row by row (memchr: a page
// has 12.5 million pixels and the tests run unoptimised).
inline std::vector<Spot> SpotsOf(const QImage& page, int index) {
  std::vector<Spot> spots;
  if (page.isNull()) return spots;
  for (int y = 0; y < PageGeometry::PaperHeight; ++y) {
    const uint8_t* row = page.constScanLine(y + PageGeometry::PaperMargin) + PageGeometry::PaperMargin;
    const uint8_t* end = row + PageGeometry::PaperWidth;
    for (const uint8_t* at = row; at < end; ++at) {
      at = static_cast<const uint8_t*>(std::memchr(at, index, static_cast<size_t>(end - at)));
      if (at == nullptr) break;
      spots.push_back({static_cast<int>(at - row), y});
    }
  }
  return spots;
}

// Every paper position that is not white paper.
inline std::vector<Spot> Marks(const QImage& page) {
  std::vector<Spot> spots;
  if (page.isNull()) return spots;
  const std::vector<uint8_t> white(PageGeometry::PaperWidth, PageGeometry::PaperIndex);
  for (int y = 0; y < PageGeometry::PaperHeight; ++y) {
    const uint8_t* row = page.constScanLine(y + PageGeometry::PaperMargin) + PageGeometry::PaperMargin;
    if (std::memcmp(row, white.data(), white.size()) == 0) continue;
    for (int x = 0; x < PageGeometry::PaperWidth; ++x)
      if (row[x] != PageGeometry::PaperIndex) spots.push_back({x, y});
  }
  return spots;
}

inline std::vector<Spot> Shifted(std::vector<Spot> spots, int dx, int dy) {
  for (Spot& spot : spots) spot = {spot.X + dx, spot.Y + dy};
  return spots;
}

inline int FullIndex(PageGeometry::Ink ink) { return PageGeometry::DotIndex(ink, PageGeometry::Shade::Full); }

// A fresh directory for one test, removed afterwards.
class ScratchDirectory {
public:
  ScratchDirectory() {
    const auto* test = testing::UnitTest::GetInstance()->current_test_info();
    Path = std::filesystem::temp_directory_path() /
           ("arvana-print-" + std::to_string(getpid()) + "-" + test->test_suite_name() + "-" + test->name());
    std::filesystem::remove_all(Path);
    std::filesystem::create_directories(Path);
  }
  ~ScratchDirectory() {
    std::error_code error;
    std::filesystem::remove_all(Path, error);
  }
  std::filesystem::path Path;
};
