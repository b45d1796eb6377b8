// Questions at the terminal: answered Yes by --yes, asked when standard input is a terminal,
// refused otherwise, so that a script never waits for an answer nobody gives.
#pragma once

#include "platform/Dialogs.h"

#include <cstdio>
#include <set>
#include <string>

class TerminalDialogs : public Dialogs {
public:
  explicit TerminalDialogs(bool assumeYes) : AssumeYes(assumeYes) {}

  DialogAnswer ShowMessage(DialogKind kind, const std::string& text, DialogButtons buttons) override;
  void ShowSystemMessage(const std::string& text, const std::string& caption) override;
  // The reason instead of the box's text, once: a fault met on every cell is said one time.
  void ShowFaultBox(const std::string& text, const std::string& caption, const std::string& reason) override;
  // A detail line with the program's name, as every line on standard error.
  void ReportDetail(const std::string& line) override;
  std::string ChooseFileToOpen(const std::string&, const std::string&, const std::string&) override { return {}; }

  // Whether a question was refused because nobody could answer it.
  bool Refused() const { return RefusedQuestion; }

private:
  bool AssumeYes;
  bool RefusedQuestion = false;
  std::set<std::string> FaultsSaid;
};
