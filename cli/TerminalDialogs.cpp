#include "cli/TerminalDialogs.h"

#include <iostream>
#include <string>
#include <unistd.h>

namespace {

bool IsQuestion(DialogButtons buttons) { return buttons != DialogButtons::Ok; }

DialogAnswer Yes(DialogButtons buttons) {
  return buttons == DialogButtons::OkCancel ? DialogAnswer::Ok : DialogAnswer::Yes;
}

DialogAnswer No(DialogButtons buttons) {
  return buttons == DialogButtons::OkCancel ? DialogAnswer::Cancel : DialogAnswer::No;
}

}  // namespace

DialogAnswer TerminalDialogs::ShowMessage(DialogKind kind, const std::string& text, DialogButtons buttons) {
  const char* label = kind == DialogKind::Error ? "error: " : kind == DialogKind::Warning ? "warning: " : "";
  std::cerr << label << text << std::endl;
  if (!IsQuestion(buttons)) return DialogAnswer::Ok;
  if (AssumeYes) return Yes(buttons);
  if (::isatty(STDIN_FILENO) != 1) {
    std::cerr << "No answer can be given here: run again with --yes to answer yes." << std::endl;
    RefusedQuestion = true;
    return No(buttons);
  }
  const bool defaultNo = buttons == DialogButtons::YesNoDefaultNo;
  std::cerr << (defaultNo ? "[y/N] " : "[Y/n] ") << std::flush;
  std::string answer;
  if (!std::getline(std::cin, answer)) return No(buttons);
  if (answer.empty()) return defaultNo ? No(buttons) : Yes(buttons);
  return (answer[0] == 'y' || answer[0] == 'Y') ? Yes(buttons) : No(buttons);
}

void TerminalDialogs::ShowSystemMessage(const std::string& text, const std::string& caption) {
  std::cerr << caption << ": " << text << std::endl;
}
