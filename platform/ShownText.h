// Text that came from a file, a file name or the printer, made safe to show on a terminal or in a
// message box: a control character there could move the cursor, retitle the window or clear the
// screen, and a line break would forge a line of its own.
#pragma once

#include "platform/Outcome.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

namespace shown_text {

// The length of the well-formed UTF-8 sequence at `at` (2 to 4 bytes), or 0 when there is none.
inline size_t Utf8Length(std::string_view text, size_t at) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(at);
  const size_t length = lead >= 0xF0 && lead <= 0xF4 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 && lead <= 0xDF ? 2 : 0;
  if (length == 0 || at + length > text.size()) return 0;
  for (size_t i = 1; i < length; ++i)
    if ((byte(at + i) & 0xC0) != 0x80) return 0;
  // Overlong forms and surrogates are no characters.
  if ((lead == 0xE0 && byte(at + 1) < 0xA0) || (lead == 0xED && byte(at + 1) >= 0xA0) ||
      (lead == 0xF0 && byte(at + 1) < 0x90) || (lead == 0xF4 && byte(at + 1) >= 0x90))
    return 0;
  return length;
}

}  // namespace shown_text

// Control characters (C0, DEL, and C1 as UTF-8 spells them) and bytes that are no UTF-8 (a lone
// 0x9B would start a command on a terminal not in UTF-8 mode) as "\xNN"; all else as it stands.
inline std::string ShownText(std::string_view text) {
  std::string shown;
  shown.reserve(text.size());
  const auto escape = [&shown](unsigned value) {
    char code[8];
    std::snprintf(code, sizeof code, "\\x%02X", value);
    shown += code;
  };
  for (size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c >= 0x20 && c < 0x7F) {
      shown += static_cast<char>(c);
      ++i;
      continue;
    }
    const size_t length = c >= 0x80 ? shown_text::Utf8Length(text, i) : 0;
    if (length == 2 && c == 0xC2 && static_cast<unsigned char>(text[i + 1]) <= 0x9F) {
      escape(static_cast<unsigned char>(text[i + 1]));  // U+0080..U+009F: the C1 controls
    } else if (length > 0) {
      shown.append(text.substr(i, length));
    } else {
      escape(c);
      i += 1;
      continue;
    }
    i += length;
  }
  return shown;
}

// A file name as shown, then what the system said of the call that just failed on it (errno).
inline std::string ShownWithSystemReason(const std::string& name) { return ShownText(name) + ": " + std::strerror(errno); }

// The same as a failure of the kind the error number tells.
inline Failure SystemFailureOn(const std::string& name) { return {FailureKindOf(errno), ShownWithSystemReason(name)}; }
