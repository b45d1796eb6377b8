// The virtual printer's print engine: follows the print stream command by command and prints it on sheets.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "sim/mechanism/BidMechanics.h"
#include "sim/files/EepromImage.h"
#include "sim/engine/PageGeometry.h"
#include "sim/engine/PageRenderer.h"
#include "sim/files/PageStore.h"
#include "sim/mechanism/PrintHead.h"
#include "sim/engine/PrintTokenizer.h"

// Takes the stream in pieces of any size (a command may be split anywhere);
// PrintTokenizer cuts it into commands, this class does what they say.
// The head position is kept in pixels of 1/360 inch on the paper (see
// PageGeometry). A form feed sends the sheet to `pages`; the next sheet is
// loaded when something is printed or the paper moves, so resets and form
// feeds alone print no blank sheets.
//
// What the firmware reads while it prints: the EEPROM cells in use (top
// margin, first dot position, Bi-D values) and the head's true Bi-D offsets;
// both are read at the moment they matter, so values set live act at once.
//
// A stream that breaks the print language is written down in Errors() and
// printing goes on: an unknown command is skipped by its shape, a run that
// reaches past its raster line goes on into the next line, data beyond a
// block's end is dropped.
class PrintInterpreter {
public:
  // Errors() stops growing here (a stream of noise gives one error a byte).
  static constexpr size_t MaxErrors = 200;

  // `head` tells which nozzles fire; without one every nozzle does.
  PrintInterpreter(const EepromImage::Cells& eepromInUse, const BidMechanics& mechanics, PageStore& pages,
                   const PrintHead* head = nullptr);

  // Bytes of the print stream, in order.
  void Add(const uint8_t* data, size_t length);
  // The job ends (the data channel closed): a sheet in the printer is sent
  // out as it stands, and the printer starts the next job from its reset state.
  void EndJob();

  // What was wrong with the streams, readable: page, byte of the job and reason.
  const std::vector<std::string>& Errors() const { return ErrorList; }
  void ClearErrors() { ErrorList.clear(); }

private:
  // What ESC @ sets.
  struct Settings {
    int Unit = PageGeometry::DefaultUnit;  // moves in 1/3600 inch
    bool Bidirectional = false;
    uint8_t DotSize = 0x00;
    int LinePitch = PageGeometry::DefaultRasterLinePitch;
    int DotPitch = PageGeometry::DefaultDotPitch;
    int64_t PageTop = PageGeometry::DefaultPageTop;
  };

  // The raster block being received.
  struct Block {
    bool Drawable = false;  // known ink and bit count
    PageGeometry::Ink Colour = PageGeometry::Ink::Black;
    int BitsPerDot = 1;
    size_t BytesPerLine = 0;
    size_t Lines = 0;
    size_t LinesDone = 0;
    size_t Fill = 0;  // bytes of the current line received
    int64_t OriginX = 0;
    int64_t OriginY = 0;
    int LinePitch = 1;
    int DotPitch = 1;
    bool Reported = false;  // one error a block is enough
  };

  void Run(const PrintTokenizer::Token& token);
  void RunText(uint8_t byte);
  void RunCommand(const PrintTokenizer::Token& command);
  void RunParenCommand(const PrintTokenizer::Token& command);
  void RunRemoteCommand(const PrintTokenizer::Token& command);
  void RunRemoteExit(const PrintTokenizer::Token& exit);
  void Reset();
  void EndPage();

  void StartBlock(const PrintTokenizer::RasterBlock& header);
  void CheckRun(size_t count);
  void PutRasterBytes(uint8_t value, size_t count);

  void LoadSheet();
  int64_t Move(uint64_t units) const;
  int64_t FirstDotShift() const;
  int64_t BidDisplacement(uint8_t colourNumber) const;
  void Error(std::string_view text);

  const EepromImage::Cells& Eeprom;
  const BidMechanics& Mechanics;
  PageStore& Pages;
  const PrintHead* Head;
  PageRenderer Renderer;
  PrintTokenizer Tokens;

  Settings Current;
  bool NextRightToLeft = false;
  int64_t X = 0;
  int64_t Y = 0;

  uint64_t JobOffset = 0;      // bytes of the job before the current one
  uint64_t CommandOffset = 0;  // where the command or run being read began
  bool PageEnded = false;      // a form feed was the last byte
  Block Raster;
  std::vector<uint8_t> Line;
  std::vector<std::string> ErrorList;
};
