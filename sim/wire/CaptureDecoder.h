// Turns captured blocks into readable lines ("H>P OpenChannel socket 0x40", "P>H Status ST:04 ...").
#pragma once

#include <string>

#include "sim/wire/CaptureLog.h"

// Reads the blocks of one capture in order; it follows the remote mode, so
// the commands inside it are named as such.
class CaptureDecoder {
public:
  // What the block is, without time and direction.
  std::string Describe(const CaptureRecord& record);
  // "<seconds> H>P <description>" or "<seconds> P>H <description>".
  std::string DescribeLine(const CaptureRecord& record);

private:
  std::string DescribeFromHost(const std::vector<uint8_t>& bytes);
  std::string DescribeFromPrinter(const std::vector<uint8_t>& bytes);
  std::string DescribeData(const uint8_t* payload, size_t length);

  bool RemoteMode = false;
};
