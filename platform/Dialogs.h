// Everything the technician is asked or told in a modal box.
#pragma once

#include <cstdio>
#include <string>

enum class DialogKind { Error, Warning, Information, Confirmation };
// The first button of a set is the default (Enter), except in YesNoDefaultNo,
// which asks Yes/No where Yes throws something away.
enum class DialogButtons { Ok, OkCancel, YesNo, YesNoDefaultNo };
enum class DialogAnswer { Ok, Cancel, Yes, No };

class Dialogs {
public:
  virtual ~Dialogs() = default;

  // A modal message with an icon of `kind`; returns the button pressed.
  virtual DialogAnswer ShowMessage(DialogKind kind, const std::string& text, DialogButtons buttons) = 0;

  // The plain system message box: `text` under `caption`, one OK button, no owner window.
  virtual void ShowSystemMessage(const std::string& text, const std::string& caption) = 0;

  // The same box for a fault its text says little of ("error"): `reason` is what went wrong. By
  // default the box, and the reason as a detail line.
  virtual void ShowFaultBox(const std::string& text, const std::string& caption, const std::string& reason) {
    ShowSystemMessage(text, caption);
    ReportDetail(reason);
  }

  // A line of detail behind a message (which device, what the system said), for whoever looks
  // after the program: by default on standard error as it stands, no box.
  virtual void ReportDetail(const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); }

  // A file to open, chosen in a file dialog that starts in `folder` and shows
  // the files matching `pattern` (for example "*.eeprom"); empty when none was chosen.
  virtual std::string ChooseFileToOpen(const std::string& title, const std::string& folder,
                                       const std::string& pattern) = 0;

  // A file to write, chosen in a save dialog that proposes `suggested` and asks before an existing
  // file is replaced; empty when none was chosen (always, for a front-end without such a dialog).
  virtual std::string ChooseFileToSave(const std::string& title, const std::string& suggested,
                                       const std::string& pattern) {
    (void)title, (void)suggested, (void)pattern;
    return {};
  }
};
