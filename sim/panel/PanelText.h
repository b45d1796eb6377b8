// How the front panel writes bytes, and the fixed-width font of its EEPROM table and wire.
#pragma once

#include <QFont>
#include <QString>

// A byte as two upper-case hex digits.
inline QString Hex2(unsigned value) { return QString::asprintf("%02X", value & 0xFF); }

inline QFont FixedFont() {
  QFont fixed("Monospace");
  fixed.setStyleHint(QFont::TypeWriter);
  return fixed;
}
