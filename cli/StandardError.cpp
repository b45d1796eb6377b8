#include "cli/StandardError.h"

#include <unistd.h>

#include <algorithm>

namespace {

bool QuietRun = false;
bool ProgressShown = false;
std::string ShownProgress;  // the line on the terminal now: the same line is not drawn again

// The bar's width in characters: the line with its numbers stays within 80 columns.
constexpr size_t BarWidth = 30;
// Before a second has passed the pace says little: no time left is told yet.
constexpr int64_t PaceKnownAfterMs = 1000;

const char* LabelOf(SaidKind kind) {
  switch (kind) {
    case SaidKind::Error: return "error: ";
    case SaidKind::Warning: return "warning: ";
    case SaidKind::Detail:
    case SaidKind::Notice: break;
  }
  return "";
}

std::string BarText(const std::string& label, size_t done, size_t total, const std::string& unit) {
  done = std::min(done, total);
  const size_t filled = done * BarWidth / total;
  return label + " [" + std::string(filled, '#') + std::string(BarWidth - filled, ' ') + "] " + std::to_string(done) +
         "/" + std::to_string(total) + " " + unit;
}

// Rounded up, so that "0 s" never stands while work remains.
std::string LeftText(int64_t leftMs) { return ", about " + std::to_string((leftMs + 999) / 1000) + " s left"; }

}  // namespace

void SayTo(std::FILE* out, SaidKind kind, const std::string& text) {
  if (kind == SaidKind::Notice && QuietRun) return;
  if (out == stderr) EndProgressLine();
  const std::string body = text.ends_with('\n') ? text.substr(0, text.size() - 1) : text;
  std::string said;
  size_t start = 0;
  // Every line is named, so that a grep for the program's name finds the whole of a message.
  while (start <= body.size()) {
    const size_t end = std::min(body.find('\n', start), body.size());
    said += std::string(ServiceProgramName) + ": " + LabelOf(kind) + body.substr(start, end - start) + "\n";
    start = end + 1;
  }
  std::fputs(said.c_str(), out);
  std::fflush(out);
}

void Say(SaidKind kind, const std::string& text) { SayTo(stderr, kind, text); }

void SetQuiet(bool quiet) { QuietRun = quiet; }

bool Quiet() { return QuietRun; }

void DrawProgressLine(const std::string& line) {
  if (QuietRun || (ProgressShown && line == ShownProgress) || ::isatty(STDERR_FILENO) != 1) return;
  std::fprintf(stderr, "\r%s\033[K", line.c_str());
  std::fflush(stderr);
  ProgressShown = true;
  ShownProgress = line;
}

void EndProgressLine() {
  if (!ProgressShown) return;
  std::fputs("\r\033[K", stderr);
  std::fflush(stderr);
  ProgressShown = false;
}

std::string ProgressText(const std::string& label, size_t done, size_t total, const std::string& unit,
                         int64_t elapsedMs) {
  const int64_t elapsedSeconds = elapsedMs / 1000;
  if (total == 0) {
    const std::string count = unit.empty() ? "" : std::to_string(done) + " " + unit + ", ";
    return label + ": " + count + std::to_string(elapsedSeconds) + " s";
  }
  const std::string text = BarText(label, done, total, unit);
  done = std::min(done, total);
  if (done == 0 || done == total || elapsedMs < PaceKnownAfterMs) return text;
  // The pace so far, carried over what is left.
  return text + LeftText(elapsedMs * static_cast<int64_t>(total - done) / static_cast<int64_t>(done));
}

std::string WaitText(const std::string& label, int64_t elapsedMs, int totalSeconds) {
  const int64_t totalMs = int64_t{totalSeconds} * 1000;
  const size_t done = static_cast<size_t>(std::clamp<int64_t>(elapsedMs / 1000, 0, totalSeconds));
  const std::string text = BarText(label, done, static_cast<size_t>(totalSeconds), "s");
  return elapsedMs < totalMs ? text + LeftText(totalMs - elapsedMs) : text;
}

SaidLines::~SaidLines() {
  if (!Pending.empty()) SayNotice(Pending);
}

int SaidLines::overflow(int c) {
  if (c == std::char_traits<char>::eof()) return std::char_traits<char>::not_eof(c);
  if (c != '\n') {
    Pending.push_back(static_cast<char>(c));
  } else {
    SayNotice(Pending);
    Pending.clear();
  }
  return c;
}
