// A fresh link stack over a scripted port, on the virtual clock.
#pragma once

#include "link/TPDalD4Comm.h"
#include "link/TPFactory.h"
#include "link/TPPrinterDriver.h"
#include "tests/support/FakeFatalExit.h"
#include "tests/support/ScriptedPorts.h"
#include "tests/support/TestDialogs.h"

#include <gtest/gtest.h>

#include <numeric>

class FixedPortChoice : public PortChoice {
public:
  int16_t GetPortIndex() const override { return Index; }
  int16_t Index = 3;  // LPT1
};

class LinkTest : public testing::Test {
protected:
  VirtualClock Clock;
  ScriptedPorts Ports{Clock};
  FixedPortChoice Choice;
  TestDialogs Boxes;
  TestProgramEnd End;
  FakeFatalExit Fatal{Boxes, End};
  PrinterStatus Status;
  TPPrinterDriver Driver{Ports, Choice, Clock, Boxes, Fatal};
  TPDalD4Comm Comm{Driver, Clock, Boxes, Fatal, Status};
  TPFactory Factory{Comm, Boxes};

  void OpenParallel() {
    Choice.Index = 3;
    Driver.OpenPort(3);
  }
  void OpenUsb() {
    Choice.Index = 0;
    Ports.UsbPrinters = {{"/dev/usb/lp0", "VLUSB1:", true}};
    Driver.OpenPort(0);
  }
  uint64_t PausedMs() const {
    return std::accumulate(Clock.Pauses().begin(), Clock.Pauses().end(), uint64_t{0});
  }
  // The blocks written on `socket`, headers included.
  std::vector<Bytes> PacketsOn(uint8_t socket) const {
    std::vector<Bytes> packets;
    for (const Bytes& block : Ports.Writes)
      if (!block.empty() && block[0] == socket) packets.push_back(block);
    return packets;
  }
};
