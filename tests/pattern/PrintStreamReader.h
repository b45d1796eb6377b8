// Reads back what the printer received on the data channel: the print stream as commands, texts and decoded raster blocks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

struct ServiceCall {
  size_t At = 0;  // print-stream length when the command arrived
  uint8_t Code = 0;
  Bytes Parameters;
};

// One stretch of traffic, split as the printer splits it: a data-channel
// payload that opens with ESC | 00 is a service command, all others are
// print data. Status requests on the control channel are noted too.
struct DataTraffic {
  Bytes Print;
  std::vector<ServiceCall> Services;
  std::vector<size_t> StatusPolls;  // print-stream length at each

  void AddHostBlock(const Bytes& block);
  std::vector<int> BidValuesSet() const;  // signed values of the SetBidValue commands
  std::vector<uint8_t> EepromReads() const;
  // One entry per wait for the ready printer (its polls are apart by only the
  // reset each sends): the print-stream length at its last poll.
  std::vector<size_t> WaitReadyCalls() const;
};

struct RasterBlock {
  uint8_t Color = 0;
  uint8_t BitsPerDot = 0;
  size_t LineBytes = 0;
  std::vector<Bytes> Encoded;  // the runs of each line as sent
  std::vector<Bytes> Decoded;  // each line as printed
};

// A text run, one command (with the CR that ends ESC ( v and ESC <), or a raster header.
struct StreamItem {
  size_t Offset = 0;
  bool IsText = false;
  int Block = -1;  // index into PrintStream::Blocks for a raster header
  Bytes Raw;
  // Texts as "T:" and their bytes, everything else as spaced hexadecimal ("1B 40").
  std::string Text() const;
};

struct PrintStream {
  std::vector<StreamItem> Items;
  std::vector<RasterBlock> Blocks;
  std::string Problem;  // empty when every command is known and every run stays within its line

  // Item texts; a run of resets counts as one, since status polls add a varying number.
  std::vector<std::string> Skeleton() const;
  std::vector<const StreamItem*> Commands(const std::string& hexPrefix) const;
  int VerticalTotal() const;  // 1/360 inch
  // The text of the item `distance` items after (or, negative, before) raster block `block`.
  std::string Near(size_t block, int distance) const;
};

PrintStream DecodePrintStream(const Bytes& stream);

std::string HexText(const Bytes& bytes);
Bytes HexBytes(const std::string& text);
inline Bytes TextBytes(const std::string& text) { return Bytes(text.begin(), text.end()); }
Bytes Repeated(const Bytes& part, size_t count);
Bytes Joined(const std::vector<Bytes>& parts);
