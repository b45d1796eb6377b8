// Text that came from a file, a file name or the printer, made safe to show on a terminal or in a
// message box: a control character there could move the cursor, retitle the window or clear the
// screen, and a line break would forge a line of its own.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

// Control characters (C0, DEL, and C1 as UTF-8 spells them) as "\xNN"; all else as it stands.
inline std::string ShownText(std::string_view text) {
  std::string shown;
  shown.reserve(text.size());
  const auto escape = [&shown](unsigned value) {
    char code[8];
    std::snprintf(code, sizeof code, "\\x%02X", value);
    shown += code;
  };
  for (size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x20 || c == 0x7F) {
      escape(c);
    } else if (c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
               static_cast<unsigned char>(text[i + 1]) <= 0x9F) {
      escape(static_cast<unsigned char>(text[++i]));
    } else {
      shown += static_cast<char>(c);
    }
  }
  return shown;
}
