#include "platform/ManualPage.h"

#include "platform/ProgramVersion.h"

#include <algorithm>
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

ManualWords ManualWords::Usage(const std::string& line) {
  ManualWords words;
  size_t start = 0;
  while (start < line.size()) {
    const size_t end = std::min(line.find(' ', start), line.size());
    if (start > 0) words.Roman(" ");
    words.Word(line.substr(start, end - start));
    start = end + 1;
  }
  return words;
}

void ManualWords::Word(const std::string& word) {
  const size_t first = word.find_first_not_of('[');
  if (first == std::string::npos) {
    Roman(word);
    return;
  }
  const size_t last = word.find_last_not_of(']');
  const std::string core = word.substr(first, last + 1 - first);
  Roman(word.substr(0, first));
  // "--simulator[=DIR": an option whose value is joined on.
  const size_t joined = core.find("[=");
  if (joined != std::string::npos) {
    Bold(core.substr(0, joined)).Roman("[=").Italic(core.substr(joined + 2));
  } else if (std::isupper(static_cast<unsigned char>(core.front()))) {
    Italic(core);
  } else {
    Bold(core);
  }
  Roman(word.substr(last + 1));
}

ManualPage::ManualPage(const std::string& name, const std::string& summary) {
  // .TH title section date source manual; no date, so that two builds of one source give one page.
  Line(".TH \"" + Escaped(UpperCase(name)) + "\" 1 \"\" \"" + Escaped(std::string(ManualPackage) + " " + ProgramVersion) + "\" \"User Commands\"");
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
