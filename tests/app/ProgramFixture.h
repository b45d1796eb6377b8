// The whole program on the in-process virtual printer and the virtual clock, with scripted dialogs.
#pragma once

#include "sim/SimPortSystem.h"
#include "sim/VirtualPrinter.h"
#include "tests/app/WindowDriver.h"
#include "tests/support/CapturedWire.h"
#include "tests/support/TestDialogs.h"
#include "tests/support/WatchedClock.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>
#include <numeric>

using Bytes = std::vector<uint8_t>;

class ProgramTest : public testing::Test, public WindowDriver {
protected:
  // `printerFolder` empty: the printer keeps everything in memory.
  explicit ProgramTest(const std::string& printerFolder = "")
      : WindowDriver([this]() -> ArvanaProgram& { return *Program; }), Printer(Clock, printerFolder) {}

  WatchedClock Clock;
  TestDialogs Boxes;
  TestProgramEnd End;
  VirtualPrinter Printer;
  SimPortSystem Ports{Printer, Clock};
  std::unique_ptr<ArvanaProgram> Program;
  // Notes of unfinished writes: each test keeps its own, so that what one leaves is not the next one's start.
  QTemporaryDir NoteFolder;

  void SetUp() override {
    Program = std::make_unique<ArvanaProgram>(ProgramServices{Clock, Boxes, End, Ports});
    Program->Guard.SetFolder(NoteFolder.path().toStdString());
    Program->Start();
  }
  void TearDown() override {
    Program.reset();
    EXPECT_TRUE(Printer.ProtocolViolations().empty()) << testing::PrintToString(Printer.ProtocolViolations());
  }

  std::vector<Bytes> HostBlocks() const { return captured::HostBlocks(Printer); }
  std::vector<int> ControlEepromAddresses(uint8_t command) const {
    return captured::ControlEepromAddresses(Printer, command);
  }
  std::vector<Bytes> ServiceCommands() const { return captured::ServiceCommands(Printer); }

  // Answers the next modal window with the button called `buttonName`.
  void AnswerNextModal(const char* buttonName) {
    QTimer::singleShot(0, [buttonName] {
      QWidget* modal = QApplication::activeModalWidget();
      ASSERT_NE(modal, nullptr);
      auto* button = modal->findChild<QAbstractButton*>(buttonName);
      ASSERT_NE(button, nullptr);
      button->click();
    });
  }
};

// Link blocks the program sends, for comparing captures.
namespace wire {
inline Bytes ModeSwitch() {
  const std::string text("\x00\x00\x00\x1B\x01@QCL 1284.4\n@QCL\n@QCL\n", 27);
  return Bytes(text.begin(), text.end());
}
inline Bytes Init() { return {0x00, 0x00, 0x00, 0x08, 0x01, 0x00, 0x00, 0x10}; }
inline Bytes OpenChannel(uint8_t s) {
  return {0x00, 0x00, 0x00, 0x11, 0x01, 0x00, 0x01, s, s, 0x00, 0x80, 0x00, 0x80, 0x00, 0x00, 0x00, 0x00};
}
inline Bytes Credit(uint8_t s, uint8_t n) { return {0x00, 0x00, 0x00, 0x0B, 0x01, 0x00, 0x03, s, s, 0x00, n}; }
inline Bytes CreditRequest(uint8_t s, uint8_t n) {
  return {0x00, 0x00, 0x00, 0x0D, 0x01, 0x00, 0x04, s, s, 0xFF, 0xFF, 0x00, n};
}
inline Bytes StatusRequest() { return {0x02, 0x02, 0x00, 0x0B, 0x00, 0x00, 's', 't', 0x01, 0x00, 0x01}; }
}  // namespace wire
