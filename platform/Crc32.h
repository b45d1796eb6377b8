// CRC-32 (IEEE 802.3, as zip and PNG use it): the check of the files the program keeps.
#pragma once

#include <cstdint>
#include <string_view>

inline uint32_t Crc32(std::string_view bytes) {
  uint32_t crc = 0xFFFFFFFFu;
  for (const char c : bytes) {
    crc ^= static_cast<uint8_t>(c);
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}
