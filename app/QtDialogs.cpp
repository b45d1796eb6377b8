// The message boxes of the windowed program.
#include "app/QtDialogs.h"

#include <QApplication>
#include <QMessageBox>
#include <QString>

namespace {

QMessageBox::Icon IconOf(DialogKind kind) {
  switch (kind) {
    case DialogKind::Error:
      return QMessageBox::Critical;
    case DialogKind::Warning:
      return QMessageBox::Warning;
    case DialogKind::Information:
      return QMessageBox::Information;
    case DialogKind::Confirmation:
      return QMessageBox::Question;
  }
  return QMessageBox::NoIcon;
}

struct ButtonSet {
  QMessageBox::StandardButton First;   // the default
  QMessageBox::StandardButton Second;  // NoButton when there is one button only
};

ButtonSet ButtonsOf(DialogButtons buttons) {
  switch (buttons) {
    case DialogButtons::Ok:
      return {QMessageBox::Ok, QMessageBox::NoButton};
    case DialogButtons::OkCancel:
      return {QMessageBox::Ok, QMessageBox::Cancel};
    case DialogButtons::YesNo:
      return {QMessageBox::Yes, QMessageBox::No};
  }
  return {QMessageBox::Ok, QMessageBox::NoButton};
}

DialogAnswer AnswerOf(QMessageBox::StandardButton button) {
  if (button == QMessageBox::Cancel) return DialogAnswer::Cancel;
  if (button == QMessageBox::Yes) return DialogAnswer::Yes;
  if (button == QMessageBox::No) return DialogAnswer::No;
  return DialogAnswer::Ok;
}

}  // namespace

DialogAnswer QtDialogs::ShowMessage(DialogKind kind, const std::string& text, DialogButtons buttons) {
  const ButtonSet set = ButtonsOf(buttons);
  QMessageBox box(IconOf(kind), QApplication::applicationDisplayName(), QString::fromStdString(text),
                  QMessageBox::NoButton, QApplication::activeWindow());
  box.addButton(set.First);
  if (set.Second != QMessageBox::NoButton) box.addButton(set.Second);
  box.setDefaultButton(set.First);
  const QMessageBox::StandardButton escape = set.Second != QMessageBox::NoButton ? set.Second : set.First;
  box.setEscapeButton(escape);
  box.exec();
  QAbstractButton* clicked = box.clickedButton();
  return AnswerOf(clicked != nullptr ? box.standardButton(clicked) : escape);
}

void QtDialogs::ShowSystemMessage(const std::string& text, const std::string& caption) {
  QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(caption), QString::fromStdString(text),
                  QMessageBox::Ok, nullptr);
  box.exec();
}
