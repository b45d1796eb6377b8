// The whole program on the in-process virtual printer and the virtual clock, with scripted dialogs.
#pragma once

#include "sim/ports/SimPortSystem.h"
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
