// What every fuzz target shares: a reader over the fuzzer's bytes, the program's
// platform pieces made quiet, and checks that stop the run when a rule is broken.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Dialogs.h"
#include "platform/ProgramEnd.h"
#include "link/FatalExit.h"

// Stops the run (a finding) when `condition` does not hold.
#define FUZZ_CHECK(condition)                                                            \
  do {                                                                                   \
    if (!(condition)) {                                                                  \
      std::fprintf(stderr, "%s:%d: rule broken: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                      \
    }                                                                                    \
  } while (false)

// Takes the fuzzer's bytes from the front; past the end everything is empty or zero.
class FuzzReader {
public:
  FuzzReader(const uint8_t* data, size_t size) : Data(data), Size(size) {}

  bool Empty() const { return Position >= Size; }
  size_t Left() const { return Size - Position; }
  uint8_t Byte() { return Empty() ? 0 : Data[Position++]; }
  uint16_t Word() {
    const uint16_t low = Byte();
    return static_cast<uint16_t>(low | (Byte() << 8));
  }
  // Up to `count` bytes, fewer at the end.
  std::vector<uint8_t> Bytes(size_t count) {
    if (count > Left()) count = Left();
    std::vector<uint8_t> bytes(Data + Position, Data + Position + count);
    Position += count;
    return bytes;
  }
  // A block whose length (one byte) comes first.
  std::vector<uint8_t> ShortBlock() { return Bytes(Byte()); }
  std::vector<uint8_t> Rest() { return Bytes(Left()); }
  std::string RestAsText() {
    const std::vector<uint8_t> bytes = Rest();
    return std::string(bytes.begin(), bytes.end());
  }

private:
  const uint8_t* Data;
  size_t Size;
  size_t Position = 0;
};

// Every message is answered with its first button; no file is ever chosen.
class QuietDialogs : public Dialogs {
public:
  DialogAnswer ShowMessage(DialogKind, const std::string&, DialogButtons buttons) override {
    return buttons == DialogButtons::Ok || buttons == DialogButtons::OkCancel ? DialogAnswer::Ok : DialogAnswer::Yes;
  }
  void ShowSystemMessage(const std::string&, const std::string&) override {}
  std::string ChooseFileToOpen(const std::string&, const std::string&, const std::string&) override { return {}; }
};

// The program's ends are outcomes, not findings: they unwind to the target.
struct ProgramEndedInFuzz {
  int Status;
};

class UnwindingEnd : public ProgramEnd {
public:
  [[noreturn]] void End(int status) override { throw ProgramEndedInFuzz{status}; }
};

class UnwindingFatalExit : public FatalExit {
public:
  explicit UnwindingFatalExit(ProgramEnd& end) : End(end) {}
  [[noreturn]] void ForceExit() override { EndProgram(End, ExitFatal); }
  [[noreturn]] void EndAfterFault() override { EndProgram(End, ExitFatal); }

private:
  ProgramEnd& End;
};
