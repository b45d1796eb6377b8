// A front-end for tests of the item logic without windows: it keeps every message with its kind,
// the message text as the window's message area would hold it, the fields of "Adjusted items" and
// the busy cursor. The printer-ready wait polls the real status, as both program front-ends do.
#pragma once

#include "link/TPDalD4Comm.h"
#include "service/ItemView.h"
#include "service/StatusView.h"

#include <map>
#include <string>
#include <vector>

class RecordingView : public ItemView, public StatusView {
public:
  // One call of WriteText or AddErrorText; `Red` for the error kind and the added error lines.
  struct Message {
    WriteStatusKind Kind;
    std::string Text;
    bool Red;
  };

  explicit RecordingView(TPDalD4Comm& comm) : Comm(comm) {}

  void WriteText(WriteStatusKind kind, const std::string& text) override {
    Messages.push_back({kind, text, kind == wsError});
    switch (kind) {
      case wsPlain:
        Replace(text, false);
        break;
      case wsDone:
        if (!FinishBusy()) return;
        Replace(text, false);
        break;
      case wsBusy:
        Replace(text, false);
        Busy = true;
        break;
      case wsError:
        Replace(text, true);
        Busy = false;
        break;
      case wsAppend:
        Append(text);
        break;
      case wsNewLine:
        AddLine(text, false);
        break;
    }
  }
  void AddErrorText(const std::string& text) override {
    Messages.push_back({wsNewLine, text, true});
    AddLine(text, true);
  }
  bool FinishBusy() override {
    if (!CheckPrinterReady()) {
      WriteText(wsError, "Printer is error.");
      return false;
    }
    Busy = false;
    return true;
  }
  bool CheckPrinterReady() override {
    for (;;) {
      Comm.RequestStatus();
      if (Comm.Status().StatusCode == StatusReady) {
        Comm.OpenDataChannelWhenReady();
        return true;
      }
      if (Comm.Status().StatusCode == StatusError) return false;
      Comm.PauseMs(ReadyPollMs);
    }
  }
  void SetSummary(SummaryField field, const std::string& text) override { Summary[field] = text; }
  void SetBusyCursor(bool busy) override { BusyCursor = busy; }
  void SetSkipResetOnClose() override { SkipReset = true; }
  ServiceRecord* Record() override { return Book; }

  // StatusView.
  void ClearMessages() override { Replace("", false); }
  void ReplaceMessage(const std::string& text) override { Replace(text, false); }
  void AddMessageLine(const std::string& text) override { WriteText(wsNewLine, text); }
  void EnterErrorMode() override { ErrorMode = true; }
  void EnterNormalMode() override { ErrorMode = false; }

  // The field's text, empty when nothing was shown in it.
  std::string SummaryOf(SummaryField field) const {
    const auto found = Summary.find(field);
    return found == Summary.end() ? std::string() : found->second;
  }
  // The red messages' texts, in order.
  std::vector<std::string> RedTexts() const {
    std::vector<std::string> texts;
    for (const Message& message : Messages)
      if (message.Red) texts.push_back(message.Text);
    return texts;
  }

  static constexpr uint32_t ReadyPollMs = 2000;  // as both front-ends ask

  std::vector<Message> Messages;
  std::string Text;           // what the message area shows now
  std::vector<bool> LineRed;  // for each of its lines: whether it starts red
  std::map<SummaryField, std::string> Summary;
  bool Busy = false;  // between a busy message and its end: the window is disabled then
  bool BusyCursor = false;
  bool SkipReset = false;
  bool ErrorMode = false;
  ServiceRecord* Book = nullptr;  // where the items' events go; none unless a test gives one

private:
  // A line keeps the colour it started with; text appended to it takes the colour of the last message.
  void Replace(const std::string& text, bool red) {
    Text.clear();
    LineRed.clear();
    AddLine(text, red);
  }
  void Append(const std::string& text) {
    Text += text;
    for (char c : text)
      if (c == '\n') LineRed.push_back(Red);
  }
  void AddLine(const std::string& text, bool red) {
    Red = red;
    if (Text.empty()) {
      LineRed.assign(1, red);
      Append(text);
      return;
    }
    Append("\n" + text);
  }

  bool Red = false;  // the colour of the text written last

  TPDalD4Comm& Comm;
};
