// Link stacks for the pattern tests: the virtual printer for whole patterns, a scripted port for single commands.
#pragma once

#include "link/ModelChoice.h"
#include "pattern/RasterEncoder.h"
#include "pattern/TPRaster.h"
#include "tests/link/LinkFixture.h"
#include "tests/pattern/PrintStreamReader.h"
#include "tests/support/SimLinkTest.h"

#include <gtest/gtest.h>

// Everything the virtual printer received on the data channel since the last look.
class PatternLink : public SimLinkTest<> {
protected:
  TPRaster Raster{Comm, Factory, Boxes, Fatal};

  void SetUp() override {
    SimLinkTest::SetUp();
    Mark = Printer.Capture().size();
  }
  // Flushes what is queued first, so that the stream is complete.
  DataTraffic Received() {
    Comm.FlushData();
    DataTraffic traffic;
    const auto& capture = Printer.Capture();
    for (size_t i = Mark; i < capture.size(); ++i)
      if (capture[i].FromHost) traffic.AddHostBlock(capture[i].Bytes);
    Mark = capture.size();
    return traffic;
  }
  // Blocks the host wrote since the last look, on any channel.
  size_t HostBlocksSince() const {
    size_t count = 0;
    for (size_t i = Mark; i < Printer.Capture().size(); ++i) count += Printer.Capture()[i].FromHost ? 1 : 0;
    return count;
  }
  void Look() { Mark = Printer.Capture().size(); }

private:
  size_t Mark = 0;
};

// The print stream of single commands over a port that only answers the link commands.
class ScriptedEncoder : public LinkTest {
protected:
  RasterEncoder Encoder{Comm, Boxes, Fatal};

  void SetUp() override {
    Ports.AnswerLinkCommands();
    OpenParallel();
    Mark = Ports.Writes.size();
  }
  Bytes Sent() {
    Comm.FlushData();
    DataTraffic traffic;
    for (size_t i = Mark; i < Ports.Writes.size(); ++i) traffic.AddHostBlock(Ports.Writes[i]);
    Mark = Ports.Writes.size();
    return traffic.Print;
  }

private:
  size_t Mark = 0;
};

class FixedModel : public ModelChoice {
public:
  uint16_t SelectedModelCode() const override { return Code; }
  uint16_t Code = ModelCode350;
};
