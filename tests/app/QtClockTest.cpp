// What the program's pauses do with input: the program's windows lose it, the printer's front panel keeps it.
#include "app/QtClock.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QVBoxLayout>
#include <QWidget>
#include <QWindow>

#include <gtest/gtest.h>

TEST(QtClockPause, DropsTheProgramsInputButLetsTheFrontPanelsThrough) {
  QWidget program;
  auto* programEdit = new QLineEdit(&program);
  QWidget panel;
  auto* panelEdit = new QLineEdit(&panel);
  program.show();
  panel.show();
  QtClock::LetInputThrough(panel);

  const QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a");
  using Verdict = QtClock::PauseVerdict;
  EXPECT_EQ(QtClock::DuringPause(programEdit, &key), Verdict::Drop);
  EXPECT_EQ(QtClock::DuringPause(program.windowHandle(), &key), Verdict::Drop);
  // The panel, its widgets and its window-system window.
  EXPECT_EQ(QtClock::DuringPause(panelEdit, &key), Verdict::Pass);
  ASSERT_NE(panel.windowHandle(), nullptr);
  EXPECT_EQ(QtClock::DuringPause(panel.windowHandle(), &key), Verdict::Pass);
  // A pop-up of the panel (a combo box's list) is a window of its own.
  QWidget popup(panelEdit, Qt::Popup);
  popup.show();
  EXPECT_EQ(QtClock::DuringPause(&popup, &key), Verdict::Pass);
  ASSERT_NE(popup.windowHandle(), nullptr);
  EXPECT_EQ(QtClock::DuringPause(popup.windowHandle(), &key), Verdict::Pass);
  QWidget programPopup(programEdit, Qt::Popup);
  programPopup.show();
  EXPECT_EQ(QtClock::DuringPause(&programPopup, &key), Verdict::Drop);
  EXPECT_EQ(QtClock::DuringPause(programPopup.windowHandle(), &key), Verdict::Drop);
  // Paint and timers pass everywhere.
  const QEvent paint(QEvent::Paint);
  EXPECT_EQ(QtClock::DuringPause(programEdit, &paint), Verdict::Pass);
}
