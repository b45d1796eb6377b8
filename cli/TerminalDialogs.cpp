#include "cli/TerminalDialogs.h"

#include "cli/StandardError.h"

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

// An error or a warning is said as one; a question the technician answers is shown even with
// --quiet, one answered by --yes is a notice.
SaidKind KindOf(DialogKind kind, bool asked) {
  if (kind == DialogKind::Error) return SaidKind::Error;
  if (kind == DialogKind::Warning) return SaidKind::Warning;
  return asked ? SaidKind::Detail : SaidKind::Notice;
}

}  // namespace

DialogAnswer TerminalDialogs::ShowMessage(DialogKind kind, const std::string& text, DialogButtons buttons) {
  Say(KindOf(kind, IsQuestion(buttons) && !AssumeYes), text);
  if (!IsQuestion(buttons)) return DialogAnswer::Ok;
  if (AssumeYes) return Yes(buttons);
  if (::isatty(STDIN_FILENO) != 1) {
    SayError("No answer can be given here: run again with --yes to answer yes.");
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
  Say(SaidKind::Detail, caption + ": " + text);
}

void TerminalDialogs::ShowFaultBox(const std::string&, const std::string&, const std::string& reason) {
  if (FaultsSaid.insert(reason).second) SayError(reason);
}

void TerminalDialogs::ReportDetail(const std::string& line) { Say(SaidKind::Detail, line); }
