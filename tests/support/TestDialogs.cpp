#include "tests/support/TestDialogs.h"

namespace {

DialogAnswer DefaultButton(DialogButtons buttons) {
  switch (buttons) {
    case DialogButtons::Ok:
    case DialogButtons::OkCancel:
      return DialogAnswer::Ok;
    case DialogButtons::YesNo:
      return DialogAnswer::Yes;
    case DialogButtons::YesNoDefaultNo:
      return DialogAnswer::No;
  }
  return DialogAnswer::Ok;
}

}  // namespace

DialogAnswer TestDialogs::ShowMessage(DialogKind kind, const std::string& text, DialogButtons buttons) {
  Shown.push_back({kind, text, buttons, false, {}});
  if (OnShow) OnShow(Shown.back());
  if (Answers.empty()) return DefaultButton(buttons);
  const DialogAnswer answer = Answers.front();
  Answers.pop_front();
  return answer;
}

void TestDialogs::ShowSystemMessage(const std::string& text, const std::string& caption) {
  Shown.push_back({DialogKind::Error, text, DialogButtons::Ok, true, caption});
  if (OnShow) OnShow(Shown.back());
}

std::string TestDialogs::ChooseFileToOpen(const std::string& /*title*/, const std::string& folder,
                                          const std::string& /*pattern*/) {
  FileDialogFolders.push_back(folder);
  return ChosenFile;
}

std::string TestDialogs::ChooseFileToSave(const std::string& /*title*/, const std::string& suggested,
                                          const std::string& /*pattern*/) {
  SaveProposals.push_back(suggested);
  return FileToSave;
}

std::vector<std::string> TestDialogs::Texts() const {
  std::vector<std::string> texts;
  for (const ShownDialog& shown : Shown) texts.push_back(shown.Text);
  return texts;
}

void TestProgramEnd::End(int status) {
  ++EndCount;
  throw ProgramEnded{status};
}
