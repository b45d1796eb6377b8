// The message boxes of the windowed program.
#include "app/QtDialogs.h"

#include <QApplication>
#include <QFileDialog>
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
  QMessageBox::StandardButton First;
  QMessageBox::StandardButton Second;  // NoButton when there is one button only
  QMessageBox::StandardButton Default;
};

ButtonSet ButtonsOf(DialogButtons buttons) {
  switch (buttons) {
    case DialogButtons::Ok:
      return {QMessageBox::Ok, QMessageBox::NoButton, QMessageBox::Ok};
    case DialogButtons::OkCancel:
      return {QMessageBox::Ok, QMessageBox::Cancel, QMessageBox::Ok};
    case DialogButtons::YesNo:
      return {QMessageBox::Yes, QMessageBox::No, QMessageBox::Yes};
    case DialogButtons::YesNoDefaultNo:
      return {QMessageBox::Yes, QMessageBox::No, QMessageBox::No};
  }
  return {QMessageBox::Ok, QMessageBox::NoButton, QMessageBox::Ok};
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
  box.setDefaultButton(set.Default);
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

std::string QtDialogs::ChooseFileToOpen(const std::string& title, const std::string& folder,
                                        const std::string& pattern) {
  const QString chosen =
      QFileDialog::getOpenFileName(QApplication::activeWindow(), QString::fromStdString(title),
                                   QString::fromStdString(folder), QString::fromStdString(pattern));
  return chosen.toStdString();
}

std::string QtDialogs::ChooseFileToSave(const std::string& title, const std::string& suggested,
                                        const std::string& pattern) {
  const QString chosen =
      QFileDialog::getSaveFileName(QApplication::activeWindow(), QString::fromStdString(title),
                                   QString::fromStdString(suggested), QString::fromStdString(pattern));
  return chosen.toStdString();
}
