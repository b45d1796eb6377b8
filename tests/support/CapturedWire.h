// What the host sent the virtual printer, picked out of its capture: the blocks, the EEPROM
// requests on the control channel and the service commands on the data channel.
#pragma once

#include "sim/VirtualPrinter.h"

#include <cstdint>
#include <string>
#include <vector>

namespace captured {

using Block = std::vector<uint8_t>;

inline std::vector<Block> HostBlocks(const VirtualPrinter& printer) {
  std::vector<Block> blocks;
  for (const CaptureRecord& record : printer.Capture())
    if (record.FromHost) blocks.push_back(record.Bytes);
  return blocks;
}

// Addresses of the EEPROM reads (0x41) or writes (0x42) on the control channel, in order: a packet
// on socket 2 whose payload starts "||", with the command at 12 and the address at 15.
inline std::vector<int> ControlEepromAddresses(const VirtualPrinter& printer, uint8_t command) {
  std::vector<int> addresses;
  for (const Block& block : HostBlocks(printer))
    if (block.size() >= 16 && block[0] == 0x02 && block[6] == 0x7C && block[7] == 0x7C && block[12] == command)
      addresses.push_back(block[15]);
  return addresses;
}

// Service commands on the data channel, in order: the command byte, then its parameters. A packet on
// socket 0x40 whose payload starts ESC "|", with the command at 13 and its parameters from 16 on.
inline std::vector<Block> ServiceCommands(const VirtualPrinter& printer) {
  std::vector<Block> commands;
  for (const Block& block : HostBlocks(printer)) {
    if (block.size() < 16 || block[0] != 0x40 || block[6] != 0x1B || block[7] != 0x7C) continue;
    Block command{block[13]};
    command.insert(command.end(), block.begin() + 16, block.end());
    commands.push_back(command);
  }
  return commands;
}

}  // namespace captured

// Link blocks the program sends, for comparing captures.
namespace wire {
using Bytes = captured::Block;
inline Bytes ModeSwitch() {
  const std::string text("\x00\x00\x00\x1B\x01@QCL 1284.4\n@QCL\n@QCL\n", 27);
  return Bytes(text.begin(), text.end());
}
inline Bytes Init() { return {0x00, 0x00, 0x00, 0x08, 0x01, 0x00, 0x00, 0x10}; }
inline Bytes OpenChannel(uint8_t s) {
  return {0x00, 0x00, 0x00, 0x11, 0x01, 0x00, 0x01, s, s, 0x00, 0x80, 0x00, 0x80, 0x00, 0x00, 0x00, 0x00};
}
inline Bytes Credit(uint8_t s, uint8_t n) { return {0x00, 0x00, 0x00, 0x0B, 0x01, 0x00, 0x03, s, s, 0x00, n}; }
inline Bytes CreditRequest(uint8_t s, uint8_t n) {
  return {0x00, 0x00, 0x00, 0x0D, 0x01, 0x00, 0x04, s, s, 0xFF, 0xFF, 0x00, n};
}
inline Bytes StatusRequest() { return {0x02, 0x02, 0x00, 0x0B, 0x00, 0x00, 's', 't', 0x01, 0x00, 0x01}; }
}  // namespace wire
