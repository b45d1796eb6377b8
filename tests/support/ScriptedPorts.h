// A port system for link tests: records every block written, answers from a
// script or from a responder, and counts opens and closes.
#pragma once

#include "platform/PortDevice.h"
#include "platform/VirtualClock.h"

#include <deque>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

class ScriptedPorts : public PortSystem {
public:
  explicit ScriptedPorts(VirtualClock& clock) : Time(clock) {}

  Outcome<std::unique_ptr<PortDevice>> OpenParallel(const std::string& name) override;
  Outcome<std::unique_ptr<PortDevice>> OpenUsb(const std::string& devicePath) override;
  Outcome<std::vector<UsbPrinterEntry>> ListUsbPrinters() override;
  std::string ParallelNode(const std::string& name) const override { return "/dev/scripted-" + name; }

  // --- Script.
  // One reply; a USB read takes one whole reply, a parallel read takes bytes from the stream.
  void QueueReply(const Bytes& reply) { Replies.push_back(reply); }
  // A USB read that delivers nothing (the printer has not answered yet).
  void QueueEmptyRead() { Replies.push_back({}); }
  // Called with every block written; may queue replies. A link-command
  // answerer is installed by AnswerLinkCommands().
  std::function<void(const Bytes&)> Responder;
  void AnswerLinkCommands();
  // With AnswerLinkCommands: the answer to the next packet written on `socket` (2 or 0x40).
  void QueueChannelReply(uint8_t socket, const Bytes& reply) { ChannelReplies[socket].push_back(reply); }

  std::vector<UsbPrinterEntry> UsbPrinters;
  bool ListingFails = false;
  std::set<std::string> FailingPaths;  // device paths or parallel names that cannot be opened
  int ShortWriteOnBlock = -1;          // index of the write that loses its last byte
  int64_t ReadDelayMs = 0;             // time each read takes, on the virtual clock

  // --- What happened.
  std::vector<Bytes> Writes;
  std::vector<std::string> Opened;  // names and paths, in order
  int OpenDevices = 0;              // devices not yet closed

  // Internal: used by the devices.
  PortResult DeviceWrite(const uint8_t* data, size_t length, size_t& written);
  PortResult DeviceRead(bool usb, uint8_t* buffer, size_t length, size_t& got);

private:
  VirtualClock& Time;
  std::deque<Bytes> Replies;
  std::map<uint8_t, std::deque<Bytes>> ChannelReplies;
};

// A link-command reply: socket 0, byte 6 = code + 0x80, result 0; credit
// replies (codes 3 and 4) are 12 bytes with `credit` in bytes 10 and 11.
Bytes LinkReply(uint8_t code, uint8_t socket = 0, uint16_t credit = 0);

// A control-channel reply packet (socket 2) around `payload`.
Bytes ControlReply(const std::string& payload);
