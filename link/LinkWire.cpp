#include "link/LinkWire.h"

namespace LinkWire {

namespace {

bool IsCapitalHexDigit(uint8_t c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }

// A capital hexadecimal digit's value.
uint8_t HexDigitValue(uint8_t c) { return static_cast<uint8_t>(c >= '0' && c <= '9' ? c - '0' : c - 'A' + 10); }

}  // namespace

std::optional<uint8_t> EepromValueIn(const uint8_t* payload, size_t length) {
  // Only the reply just read counts: a short one leaves older bytes where the value stands.
  if (length < EepromValueOffset + 2) return std::nullopt;
  const uint8_t high = payload[EepromValueOffset];
  const uint8_t low = payload[EepromValueOffset + 1];
  if (!IsCapitalHexDigit(high) || !IsCapitalHexDigit(low)) return std::nullopt;
  return static_cast<uint8_t>(16 * HexDigitValue(high) + HexDigitValue(low));
}

uint8_t InkDigit(uint8_t c) {
  if (c >= '0' && c <= '9') return static_cast<uint8_t>(c - '0');
  if (c >= 'A' && c <= 'F') return static_cast<uint8_t>(c - 'A' + 10);
  if (c == 'N') return 15;
  return c;
}

}  // namespace LinkWire
