// The message boxes of the windowed program.
#pragma once

#include "platform/Dialogs.h"

class QtDialogs : public Dialogs {
public:
  // Titled with the program's name, over the active window; the first button
  // is the default (No of YesNoDefaultNo), Escape or the close button answers Cancel or No.
  DialogAnswer ShowMessage(DialogKind kind, const std::string& text, DialogButtons buttons) override;
  void ShowSystemMessage(const std::string& text, const std::string& caption) override;
  std::string ChooseFileToOpen(const std::string& title, const std::string& folder,
                               const std::string& pattern) override;
  std::string ChooseFileToSave(const std::string& title, const std::string& suggested,
                               const std::string& pattern) override;
};
