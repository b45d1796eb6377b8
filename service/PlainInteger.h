// The integer a typed text stands for, for every item that takes a number as text.
#pragma once

#include <charconv>
#include <optional>
#include <string_view>

// One optional sign ('+' or '-'), then decimal digits and nothing else; nothing
// for any other text ("+-5", "5e1", " 5") and for a number outside int.
inline std::optional<int> ParsePlainInteger(std::string_view text) {
  bool negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty() || text.front() < '0' || text.front() > '9') return std::nullopt;
  int magnitude = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), magnitude);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return negative ? -magnitude : magnitude;
}
