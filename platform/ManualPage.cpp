#include "platform/ManualPage.h"

#include <cctype>

namespace {

std::string InFont(ManualWords::Font font, const std::string& text) {
  switch (font) {
    case ManualWords::Font::Roman: return ManualPage::Escaped(text);
    case ManualWords::Font::Bold: return "\\fB" + ManualPage::Escaped(text) + "\\fR";
    case ManualWords::Font::Italic: return "\\fI" + ManualPage::Escaped(text) + "\\fR";
  }
  return ManualPage::Escaped(text);
}

std::string Rendered(const ManualWords& words) {
  std::string roff;
  for (const ManualWords::Run& run : words.Runs) roff += InFont(run.Kind, run.Text);
  return roff;
}

std::string UpperCase(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

}  // namespace

ManualWords& ManualWords::Roman(const std::string& text) {
  Runs.push_back({Font::Roman, text});
  return *this;
}

ManualWords& ManualWords::Bold(const std::string& text) {
  Runs.push_back({Font::Bold, text});
  return *this;
}

ManualWords& ManualWords::Italic(const std::string& text) {
  Runs.push_back({Font::Italic, text});
  return *this;
}

ManualPage::ManualPage(const std::string& name, const std::string& source, const std::string& summary) {
  // .TH title section date source manual; no date, so that two builds of one source give one page.
  Line(".TH \"" + Escaped(UpperCase(name)) + "\" 1 \"\" \"" + Escaped(source) + "\" \"User Commands\"");
  Section("Name");
  Line(Escaped(name) + " \\- " + Escaped(summary));
}

void ManualPage::Section(const std::string& title) { Line(".SH \"" + Escaped(UpperCase(title)) + "\""); }

void ManualPage::Subsection(const std::string& title) { Line(".SS \"" + Escaped(title) + "\""); }

void ManualPage::Paragraph(const std::string& text) {
  Line(".PP");
  Line(Escaped(text));
}

void ManualPage::Paragraph(const ManualWords& words) {
  Line(".PP");
  Line(Rendered(words));
}

void ManualPage::Entry(const ManualWords& tag, const std::string& text) {
  Line(".TP");
  Line(Rendered(tag));
  Line(Escaped(text));
}

void ManualPage::Example(const std::string& command, const std::string& explanation) {
  Line(".PP");
  Line(Escaped(explanation));
  Line(".IP");
  Line(".nf");
  Line("\\fB" + Escaped(command) + "\\fR");
  Line(".fi");
}

void ManualPage::Indent() { Line(".RS"); }

void ManualPage::Outdent() { Line(".RE"); }

std::string ManualPage::Escaped(const std::string& text) {
  std::string roff;
  bool lineStart = true;
  for (const char c : text) {
    if (lineStart && (c == '.' || c == '\'')) roff += "\\&";
    lineStart = c == '\n';
    if (c == '\\') {
      roff += "\\e";
    } else if (c == '-') {
      roff += "\\-";
    } else {
      roff += c;
    }
  }
  return roff;
}

void ManualPage::Line(const std::string& line) { Roff += line + "\n"; }
