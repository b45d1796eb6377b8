// Edit fields whose typed letters become capitals, as hexadecimal addresses and head IDs are written.
#pragma once

#include <QLineEdit>

inline void ForceCapitals(QLineEdit* edit) {
  QObject::connect(edit, &QLineEdit::textEdited, edit, [edit](const QString& text) {
    const int cursor = edit->cursorPosition();
    edit->setText(text.toUpper());
    edit->setCursorPosition(cursor);
  });
}
