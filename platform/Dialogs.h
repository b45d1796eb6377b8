// Everything the technician is asked or told in a modal box.
#pragma once

#include <string>

enum class DialogKind { Error, Warning, Information, Confirmation };
enum class DialogButtons { Ok, OkCancel, YesNo };
enum class DialogAnswer { Ok, Cancel, Yes, No };

class Dialogs {
public:
  virtual ~Dialogs() = default;

  // A modal message with an icon of `kind`; returns the button pressed.
  virtual DialogAnswer ShowMessage(DialogKind kind, const std::string& text, DialogButtons buttons) = 0;

  // The plain system message box: `text` under `caption`, one OK button, no owner window.
  virtual void ShowSystemMessage(const std::string& text, const std::string& caption) = 0;
};
