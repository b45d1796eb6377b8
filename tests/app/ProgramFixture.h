// The whole program on the in-process virtual printer and the virtual clock, with scripted dialogs.
#pragma once

#include "app/ArvanaProgram.h"
#include "items/RadioGroup.h"
#include "app/TFormAdjust.h"
#include "app/TFormBoot.h"
#include "sim/ports/SimPortSystem.h"
#include "sim/VirtualPrinter.h"
#include "tests/support/WatchedClock.h"
#include "tests/support/TestDialogs.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>
#include <numeric>

using Bytes = std::vector<uint8_t>;

class ProgramTest : public testing::Test {
protected:
  // `printerFolder` empty: the printer keeps everything in memory.
  explicit ProgramTest(const std::string& printerFolder = "") : Printer(Clock, printerFolder) {}

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

  template <typename T>
  T* Find(QWidget& window, const char* name) {
    T* child = window.findChild<T*>(name);
    EXPECT_NE(child, nullptr) << name;
    return child;
  }
  QComboBox* ModelCombo() { return Find<QComboBox>(Program->Boot(), "ModelNameCombo"); }
  QComboBox* PortCombo() { return Find<QComboBox>(Program->Boot(), "UsePortCombo"); }
  QString Memo() { return Find<QTextEdit>(Program->Adjust(), "StatusMemo")->toPlainText(); }

  // Chooses model and interface by their texts and presses OK.
  void Connect(const QString& model, const QString& port) {
    ModelCombo()->setCurrentIndex(ModelCombo()->findText(model));
    PortCombo()->setCurrentIndex(PortCombo()->findText(port));
    Find<QAbstractButton>(Program->Boot(), "PortSelectOKBtn")->click();
  }


  std::vector<Bytes> HostBlocks() const {
    std::vector<Bytes> blocks;
    for (const CaptureRecord& record : Printer.Capture())
      if (record.FromHost) blocks.push_back(record.Bytes);
    return blocks;
  }

  template <typename T = QWidget>
  T* AdjustChild(const char* name) {
    return Find<T>(Program->Adjust(), name);
  }
  bool Visible(const char* name) { return AdjustChild<QWidget>(name)->isVisible(); }
  void Click(const char* name) { AdjustChild<QAbstractButton>(name)->click(); }
  // The item panels of the adjustment window that are visible.
  std::vector<std::string> VisiblePanels() {
    std::vector<std::string> names;
    for (QWidget* child : Program->Adjust().findChildren<QWidget*>()) {
      const QString name = child->objectName();
      if (name.endsWith("Pnl") && child->isVisible() && name != "ReturnPnl" && name != "AdjustedItemPnl" &&
          !name.startsWith("Show"))
        names.push_back(name.toStdString());
    }
    return names;
  }
  // Addresses of the EEPROM reads and writes on the control channel, in order.
  std::vector<int> ControlEepromAddresses(uint8_t command) const {
    std::vector<int> addresses;
    for (const Bytes& block : HostBlocks())
      if (block.size() >= 16 && block[0] == 0x02 && block[6] == 0x7C && block[7] == 0x7C && block[12] == command)
        addresses.push_back(block[15]);
    return addresses;
  }

  // Service commands on the data channel, in order: the command byte, then its parameters.
  std::vector<Bytes> ServiceCommands() const {
    std::vector<Bytes> commands;
    for (const Bytes& block : HostBlocks()) {
      if (block.size() < 16 || block[0] != 0x40 || block[6] != 0x1B || block[7] != 0x7C) continue;
      Bytes command{block[13]};
      command.insert(command.end(), block.begin() + 16, block.end());
      commands.push_back(command);
    }
    return commands;
  }

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
