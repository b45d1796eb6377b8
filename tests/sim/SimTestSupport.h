// A host written out byte by byte, for driving the virtual printer in tests.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <vector>

#include "platform/VirtualClock.h"
#include "sim/VirtualPrinter.h"

using Bytes = std::vector<uint8_t>;

// A directory of the running test's own, removed afterwards.
class TempDirectory {
public:
  TempDirectory() {
    const auto* test = testing::UnitTest::GetInstance()->current_test_info();
    Path = std::filesystem::temp_directory_path() /
           ("arvana-sim-" + std::to_string(getpid()) + "-" + test->test_suite_name() + "-" + test->name());
    std::filesystem::remove_all(Path);
  }
  ~TempDirectory() { std::filesystem::remove_all(Path); }
  std::filesystem::path Path;
};

// Head bytes followed by the tail (byte by byte: inserting a range makes g++ 12 at -O2 warn wrongly).
inline Bytes Joined(std::initializer_list<uint8_t> head, const Bytes& tail) {
  Bytes all;
  all.reserve(head.size() + tail.size());
  for (uint8_t byte : head) all.push_back(byte);
  for (uint8_t byte : tail) all.push_back(byte);
  return all;
}

// The mode switch as the host sends it.
// One block from the host, as the port hands it to the printer.
inline void Send(VirtualPrinter& printer, const Bytes& block) { printer.ReceiveFromHost(block.data(), block.size()); }

inline Bytes ModeSwitchBlock() {
  return Joined({0x00, 0x00, 0x00, 0x1B, 0x01}, Bytes{'@',  'Q', 'C', 'L', ' ', '1',  '2', '8', '4', '.', '4',
                                                      '\n', '@', 'Q', 'C', 'L', '\n', '@', 'Q', 'C', 'L', '\n'});
}

// A packet with both socket bytes, the length high byte first, credit and control.
inline Bytes Packet(uint8_t socket, const Bytes& payload, uint8_t credit = 0, uint8_t control = 0) {
  const size_t length = payload.size() + 6;
  return Joined({socket, socket, static_cast<uint8_t>(length >> 8), static_cast<uint8_t>(length), credit, control},
                payload);
}

inline Bytes LinkCommandBlock(const Bytes& payload) { return Packet(0x00, payload, 1); }
inline Bytes InitBlock() { return LinkCommandBlock({0x00, 0x10}); }
inline Bytes OpenBlock(uint8_t s) { return LinkCommandBlock({0x01, s, s, 0x00, 0x80, 0x00, 0x80, 0, 0, 0, 0}); }
inline Bytes CloseBlock(uint8_t s) { return LinkCommandBlock({0x02, s, s, 0x00}); }
inline Bytes CreditBlock(uint8_t s, uint16_t n) {
  return LinkCommandBlock({0x03, s, s, static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n)});
}
inline Bytes CreditRequestBlock(uint8_t s, uint16_t n) {
  return LinkCommandBlock({0x04, s, s, 0xFF, 0xFF, static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n)});
}
inline Bytes ExitBlock() { return LinkCommandBlock({0x08}); }

constexpr uint8_t TestModelCode0 = 0x5A;
constexpr uint8_t TestModelCode1 = 0xC3;

// A service command for the data channel: ESC | 00, length, model code, c, ~c, c rotated, parameters.
inline Bytes ServiceCommandBytes(uint8_t code, const Bytes& parameters) {
  const size_t n = 5 + parameters.size();
  return Joined(
      {0x1B, 0x7C, 0x00, static_cast<uint8_t>(n), static_cast<uint8_t>(n >> 8), TestModelCode0, TestModelCode1, code,
       static_cast<uint8_t>(code ^ 0xFF), static_cast<uint8_t>((code >> 1) | ((code & 1) << 7))},
      parameters);
}

inline Bytes ControlReadRequest(uint8_t address) {
  return {0x7C, 0x7C, 0x06, 0x00, TestModelCode0, TestModelCode1, 0x41, 0xBE, 0xA0, address};
}
inline Bytes ControlWriteRequest(uint8_t address, uint8_t data) {
  return {0x7C, 0x7C, 0x07, 0x00, TestModelCode0, TestModelCode1, 0x42, 0xBD, 0x21, address, data};
}
inline const Bytes StatusRequestBytes = {'s', 't', 0x01, 0x00, 0x01};
inline const Bytes ResetRequestBytes = {'r', 's', 0x01, 0x00, 0x01};

inline std::string Text(const Bytes& bytes, size_t from = 0) {
  return from >= bytes.size() ? std::string() : std::string(bytes.begin() + static_cast<long>(from), bytes.end());
}

// A printer on a virtual clock with nothing on disk, and the host's half of the link.
struct SimHost {
  VirtualClock TheClock;
  VirtualPrinter Printer{TheClock, ""};

  // Writes one block; returns every answer block the printer queued for it.
  std::vector<Bytes> Exchange(const Bytes& block) {
    Printer.ReceiveFromHost(block.data(), block.size());
    std::vector<Bytes> replies;
    while (Printer.PendingReplyBytes() > 0) {
      Bytes reply(256);
      reply.resize(Printer.TakeReplyBlock(reply.data(), reply.size()));
      replies.push_back(reply);
    }
    return replies;
  }

  // The one answer to a block; empty when there is none.
  Bytes Ask(const Bytes& block) {
    const std::vector<Bytes> replies = Exchange(block);
    return replies.empty() ? Bytes() : replies.back();
  }

  // Mode switch, Init, control channel with credit, data channel with credit both ways.
  void StartLink() {
    Ask(ModeSwitchBlock());
    Ask(InitBlock());
    Ask(OpenBlock(0x02));
    Ask(CreditBlock(0x02, 1));
    Ask(OpenBlock(0x40));
    Ask(CreditRequestBlock(0x40, 200));
    Ask(CreditBlock(0x40, 200));
  }

  // A control request the way the host makes it; returns the whole answer packet.
  Bytes Control(const Bytes& request) {
    Ask(CreditBlock(0x02, 1));
    Ask(CreditRequestBlock(0x02, 1));
    return Ask(Packet(0x02, request));
  }

  Bytes Data(const Bytes& payload) { return Ask(Packet(0x40, payload)); }
  Bytes Service(uint8_t code, const Bytes& parameters) { return Data(ServiceCommandBytes(code, parameters)); }

  // Payload of a status answer.
  std::string Status() { return Text(Control(StatusRequestBytes), 6); }
};
