// A manual page in the man(7) macros, written from plain text: each program builds its own
// page from the tables its option parser reads, so that the page says what --help says.
#pragma once

#include <string>
#include <vector>

// A run of text in one font; the words of a tag or a synopsis line ("--port", " ", "PORT").
struct ManualWords {
  enum class Font { Roman, Bold, Italic };
  struct Run {
    Font Kind;
    std::string Text;
  };
  std::vector<Run> Runs;

  ManualWords& Roman(const std::string& text);
  ManualWords& Bold(const std::string& text);
  ManualWords& Italic(const std::string& text);

  // A usage line as typed ("serve [--dir DIR] [--simulator[=DIR]]"): names and options bold, the
  // placeholders (words that begin in capitals) in italics, brackets plain.
  static ManualWords Usage(const std::string& line);

private:
  void Word(const std::string& word);
};

// The package and its version, at the foot of every page.
constexpr const char* ManualPackage = "arvana-adjust";

class ManualPage {
public:
  // `name` as the command is typed ("arvana-service"), `summary` the rest of its NAME line.
  ManualPage(const std::string& name, const std::string& summary);

  void Section(const std::string& title);     // .SH, in capitals as man(7) has them
  void Subsection(const std::string& title);  // .SS
  void Paragraph(const std::string& text);
  void Paragraph(const ManualWords& words);
  // A tagged paragraph: the tag on its own line, the text indented below it.
  void Entry(const ManualWords& tag, const std::string& text);
  // A command line shown as typed, without filling, then what it does.
  void Example(const std::string& command, const std::string& explanation);
  // Entries between these stand indented under the entry before.
  void Indent();
  void Outdent();

  // The page as roff source.
  const std::string& Text() const { return Roff; }

  // `text` as roff prints it literally: backslashes, hyphens (so that an option stays an ASCII
  // minus), and a dot or quote at the start of a line that would read as a request.
  static std::string Escaped(const std::string& text);

private:
  void Line(const std::string& line);
  std::string Roff;
};
