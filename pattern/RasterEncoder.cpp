// The command templates of the print language and how each command, run and text is framed and sent.
#include "pattern/RasterEncoder.h"

#include "link/LinkWire.h"

#include <algorithm>
#include <cstring>

namespace {

// --- Command templates; the parameter bytes are filled in by each operation.

// ESC ( G, 1 parameter byte: graphics mode on
constexpr std::array<uint8_t, 6> GraphicsModeTemplate{0x1B, 0x28, 0x47, 0x01, 0x00, 0x01};
// ESC ( U, 1 parameter byte: [5] unit in 1/3600 inch
constexpr std::array<uint8_t, 6> UnitTemplate{0x1B, 0x28, 0x55, 0x01, 0x00, 0x00};
// ESC U: [2] direction
constexpr std::array<uint8_t, 3> DirectionTemplate{0x1B, 0x55, 0x00};
// ESC ( e, 2 parameter bytes: 00, [6] dot size
constexpr std::array<uint8_t, 7> DotSizeTemplate{0x1B, 0x28, 0x65, 0x02, 0x00, 0x00, 0x00};
// ESC ( K, 2 parameter bytes: 00, [6] colour mode
constexpr std::array<uint8_t, 7> ColorModeTemplate{0x1B, 0x28, 0x4B, 0x02, 0x00, 0x00, 0x00};
// ESC <, then CR
constexpr std::array<uint8_t, 3> ReturnHeadTemplate{0x1B, 0x3C, 0x0D};
// ESC ( v, 2 parameter bytes: [5] amount, 00; then CR
constexpr std::array<uint8_t, 8> VerticalMoveTemplate{0x1B, 0x28, 0x76, 0x02, 0x00, 0x00, 0x00, 0x0D};
// ESC \: [2..3] amount, low byte first
constexpr std::array<uint8_t, 4> HorizontalMoveTemplate{0x1B, 0x5C, 0x00, 0x00};
// ESC ( D, 4 parameter bytes: [5..6] base, low byte first, [7] vertical step, [8] horizontal step
constexpr std::array<uint8_t, 9> RasterResolutionTemplate{0x1B, 0x28, 0x44, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00};
// ESC i: [2] colour, [3] compression, [4] bits per dot, [5..6] bytes per line, [7..8] lines; low bytes first
constexpr std::array<uint8_t, 9> RasterHeaderTemplate{0x1B, 0x69, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
// ESC ( S, 8 parameter bytes: [5..8] width, [9..12] length; low bytes first
constexpr std::array<uint8_t, 13> PaperSizeTemplate{0x1B, 0x28, 0x53, 0x08, 0x00, 0x00, 0x00,
                                                    0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
// ESC ( c, 8 parameter bytes: [5..8] top, [9..12] bottom; low bytes first
constexpr std::array<uint8_t, 13> PageFormatTemplate{0x1B, 0x28, 0x63, 0x08, 0x00, 0x00, 0x00,
                                                     0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
// CR LF
constexpr std::array<uint8_t, 2> NewLineTemplate{0x0D, 0x0A};
// FF
constexpr std::array<uint8_t, 1> FormFeedTemplate{0x0C};

// Writes the `count` low bytes of `value` from `at` on, low byte first.
template <size_t N>
void PutLittleEndian(std::array<uint8_t, N>& command, size_t at, uint32_t value, size_t count) {
  for (size_t i = 0; i < count; ++i) command[at + i] = static_cast<uint8_t>((value >> (8 * i)) & 0xFF);
}

// The template with its one parameter byte at `at` set to `value`.
template <size_t N>
std::array<uint8_t, N> WithByte(std::array<uint8_t, N> command, size_t at, uint8_t value) {
  command[at] = value;
  return command;
}

}  // namespace

RasterEncoder::RasterEncoder(TPDalD4Comm& comm, Dialogs& dialogs, FatalExit& fatal)
    : Link(comm), Boxes(dialogs), Fatal(fatal) {}

// --- Commands.

void RasterEncoder::ResetPrinter() { Send(LinkWire::PrinterReset); }

void RasterEncoder::EnterGraphicsMode() { Send(GraphicsModeTemplate); }

void RasterEncoder::SetUnit(uint8_t unit) { Send(WithByte(UnitTemplate, 5, unit)); }

void RasterEncoder::SetPrintDirection(uint8_t direction) { Send(WithByte(DirectionTemplate, 2, direction)); }

void RasterEncoder::SetDotSize(uint8_t dotSize) { Send(WithByte(DotSizeTemplate, 6, dotSize)); }

void RasterEncoder::SetColorMode(uint8_t mode) { Send(WithByte(ColorModeTemplate, 6, mode)); }

void RasterEncoder::ReturnHead() { Send(ReturnHeadTemplate); }

void RasterEncoder::VerticalMove(uint8_t units) { Send(WithByte(VerticalMoveTemplate, 5, units)); }

void RasterEncoder::HorizontalMove(uint16_t units) {
  auto command = HorizontalMoveTemplate;
  PutLittleEndian(command, 2, units, 2);
  Send(command);
}

void RasterEncoder::SetRasterResolution(uint16_t base, uint8_t verticalStep, uint8_t horizontalStep) {
  auto command = RasterResolutionTemplate;
  PutLittleEndian(command, 5, base, 2);
  command[7] = verticalStep;
  command[8] = horizontalStep;
  Send(command);
}

void RasterEncoder::RasterHeader(uint8_t color, uint8_t compression, uint8_t bitsPerDot, uint16_t bytesPerLine,
                                 uint16_t lines) {
  auto command = RasterHeaderTemplate;
  command[2] = color;
  command[3] = compression;
  command[4] = bitsPerDot;
  PutLittleEndian(command, 5, bytesPerLine, 2);
  PutLittleEndian(command, 7, lines, 2);
  Send(command);
}

void RasterEncoder::SetPaperSize(uint32_t width, uint32_t length) {
  auto command = PaperSizeTemplate;
  PutLittleEndian(command, 5, width, 4);
  PutLittleEndian(command, 9, length, 4);
  Send(command);
}

void RasterEncoder::SetPageFormat(uint32_t top, uint32_t bottom) {
  auto command = PageFormatTemplate;
  PutLittleEndian(command, 5, top, 4);
  PutLittleEndian(command, 9, bottom, 4);
  Send(command);
}

void RasterEncoder::NewLines(int count) {
  for (int i = 0; i < count; ++i) Send(NewLineTemplate);
}

void RasterEncoder::FormFeed() { Send(FormFeedTemplate); }

void RasterEncoder::StartRasterMode(uint8_t unit, uint8_t direction, uint8_t dotSize, uint8_t colorMode) {
  ResetPrinter();
  EnterGraphicsMode();
  SetUnit(unit);
  SetPrintDirection(direction);
  SetDotSize(dotSize);
  SetColorMode(colorMode);
}

void RasterEncoder::RepeatSend(int count, uint8_t value) {
  if (count < 1 || count > MaxRunCount) {
    // A counter byte cannot say more; sending on would garble the rest of the page.
    Boxes.ShowSystemMessage("RepeatSend() error", "error");
    Link.Driver().ClosePort();
    EndAfterFaultNow(Fatal);
  }
  // Counter 00 is a literal of one byte; 257 - count repeats the value.
  const std::array<uint8_t, 2> run{static_cast<uint8_t>((1 - count) & 0xFF), value};
  Send(run);
}

void RasterEncoder::SendText(const char* text) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(text);
  size_t left = std::strlen(text) + 1;
  while (left > 0) {
    const size_t part = std::min(left, MaxSendDataCount);
    Link.SendData(bytes, part);
    bytes += part;
    left -= part;
  }
}

// --- Runs and block headers, the building blocks of every pattern.

void RasterEncoder::Runs(int runs, int count, uint8_t value) {
  for (int i = 0; i < runs; ++i) RepeatSend(count, value);
}

void RasterEncoder::BlockHeader(uint8_t color, uint8_t bitsPerDot, uint16_t bytesPerLine) {
  SetRasterResolution(RasterBase, RasterVerticalStep, RasterHorizontalStep);
  RasterHeader(color, RunLengthCompressed, bitsPerDot, bytesPerLine, NozzleRows);
}
