// What arvana-service says on standard error. Every line starts with the program's name, so that
// a script's log tells who said it; "error: " and "warning: " follow it on the lines that are one.
// --quiet keeps the errors, the warnings and what a question needs; notices and progress go.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <ostream>
#include <streambuf>
#include <string>

constexpr const char* ServiceProgramName = "arvana-service";

enum class SaidKind {
  Error,    // "arvana-service: error: ..."
  Warning,  // "arvana-service: warning: ..."
  Detail,   // what an error or a question needs said: shown even with --quiet, without a label
  Notice,   // what is going on: left out with --quiet
};

// Writes `text` to `out`, each of its lines after the program's name and the kind's label.
void SayTo(std::FILE* out, SaidKind kind, const std::string& text);
// The same on standard error.
void Say(SaidKind kind, const std::string& text);
inline void SayError(const std::string& text) { Say(SaidKind::Error, text); }
inline void SayWarning(const std::string& text) { Say(SaidKind::Warning, text); }
inline void SayNotice(const std::string& text) { Say(SaidKind::Notice, text); }

// --quiet for the run that starts: it holds until the next run sets it again.
void SetQuiet(bool quiet);
bool Quiet();

// The progress line: one line on standard error, rewritten in place, drawn only when standard
// error is a terminal (and not with --quiet); every message clears it first.
void DrawProgressLine(const std::string& line);
void EndProgressLine();

// "label [#####     ] done/total unit, about N s left" (the time left once a second has passed
// to tell the pace by); without a total "label: done unit, N s", or "label: N s" without a unit
// either (a wait), N the seconds since it began.
std::string ProgressText(const std::string& label, size_t done, size_t total, const std::string& unit,
                         int64_t elapsedMs);
// "label [###       ] 4/15 s, about 11 s left": a wait said to take `totalSeconds`.
std::string WaitText(const std::string& label, int64_t elapsedMs, int totalSeconds);

// A stream whose lines are said as notices, one by one, for the parts that report into a stream
// (the virtual printer's switches that take effect).
class SaidLines : private std::streambuf, public std::ostream {
public:
  SaidLines() : std::ostream(this) {}
  ~SaidLines() override;

private:
  int overflow(int c) override;
  std::string Pending;
};
