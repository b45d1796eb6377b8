// Dialogs and program end for tests: answers are scripted, every box is
// recorded, and the end of the program unwinds the test instead of exiting.
#pragma once

#include "platform/Dialogs.h"
#include "platform/ProgramEnd.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

struct ShownDialog {
  DialogKind Kind = DialogKind::Error;
  std::string Text;
  DialogButtons Buttons = DialogButtons::Ok;
  bool IsSystemBox = false;
  std::string Caption;  // system boxes only
};

class TestDialogs : public Dialogs {
public:
  DialogAnswer ShowMessage(DialogKind kind, const std::string& text, DialogButtons buttons) override;
  void ShowSystemMessage(const std::string& text, const std::string& caption) override;

  // Queues the answer to the next question; without one a box gets its default button.
  void Answer(DialogAnswer answer) { Answers.push_back(answer); }

  // The texts of every box shown, in order.
  std::vector<std::string> Texts() const;

  std::vector<ShownDialog> Shown;
  // Called as each box appears, before it is answered: what happens in the world while it is open.
  std::function<void(const ShownDialog&)> OnShow;
  // The file dialog answers with this path (empty: nothing chosen) and records where it opened.
  std::string ChooseFileToOpen(const std::string& title, const std::string& folder, const std::string& pattern) override;
  std::string ChosenFile;
  std::vector<std::string> FileDialogFolders;
  // The save dialog answers with this path (empty: nothing chosen) and records what it proposed.
  std::string ChooseFileToSave(const std::string& title, const std::string& suggested, const std::string& pattern) override;
  std::string FileToSave;
  std::vector<std::string> SaveProposals;

private:
  std::deque<DialogAnswer> Answers;
};

// Thrown by TestProgramEnd; carries the exit status.
struct ProgramEnded {
  int Status;
};

class TestProgramEnd : public ProgramEnd {
public:
  [[noreturn]] void End(int status) override;
  int EndCount = 0;
};

// Runs `action`, which is expected to end the program; returns the exit
// status, or -1 (and a test failure) when the program went on.
template <typename Action>
int ExitStatusOf(Action action) {
  try {
    action();
  } catch (const ProgramEnded& ended) {
    return ended.Status;
  }
  ADD_FAILURE() << "the program did not end";
  return -1;
}
