// Reads the full EEPROM range 00-FF through the windows, against the in-process
// virtual printer on the real clock, and compares the time taken with the
// pauses the exchanges ask for; also reports the CPU time used meanwhile.
//   build/arvana-bench-eeprom-range [LPT1|VLUSB1]
#include "app/ArvanaProgram.h"
#include "app/QtClock.h"
#include "items/RadioGroup.h"
#include "app/TFormAdjust.h"
#include "app/TFormBoot.h"
#include "sim/ports/SimPortSystem.h"
#include "sim/VirtualPrinter.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>

#include <sys/resource.h>

#include <chrono>
#include <cstdio>

namespace {

// Passes every pause on and adds up what was asked for.
class CountingClock : public Clock {
public:
  explicit CountingClock(Clock& inner) : Inner(inner) {}
  void Pause(uint32_t milliseconds) override {
    AskedMs += milliseconds;
    ++Count;
    Inner.Pause(milliseconds);
  }
  int64_t CalendarSeconds() override { return Inner.CalendarSeconds(); }
  LocalDateTime LocalNow() override { return Inner.LocalNow(); }
  int64_t SteadyMilliseconds() override { return Inner.SteadyMilliseconds(); }
  uint64_t AskedMs = 0;
  uint64_t Count = 0;

private:
  Clock& Inner;
};

// Every box is answered with its first button; none is expected here.
class FirstButtonDialogs : public Dialogs {
public:
  DialogAnswer ShowMessage(DialogKind, const std::string& text, DialogButtons buttons) override {
    std::fprintf(stderr, "box: %s\n", text.c_str());
    return buttons == DialogButtons::YesNo ? DialogAnswer::Yes : DialogAnswer::Ok;
  }
  void ShowSystemMessage(const std::string& text, const std::string&) override {
    std::fprintf(stderr, "box: %s\n", text.c_str());
  }
  std::string ChooseFileToOpen(const std::string&, const std::string&, const std::string&) override { return {}; }
};

class AbortingEnd : public ProgramEnd {
public:
  [[noreturn]] void End(int status) override { std::exit(status); }
};

constexpr uint32_t IdlePauseMs = 5000;

double CpuMilliseconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const auto ms = [](const timeval& t) { return t.tv_sec * 1000.0 + t.tv_usec / 1000.0; };
  return ms(usage.ru_utime) + ms(usage.ru_stime);
}

template <typename T>
T* Child(QWidget& window, const char* name) {
  T* child = window.findChild<T*>(name);
  if (child == nullptr) {
    std::fprintf(stderr, "no control %s\n", name);
    std::exit(2);
  }
  return child;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  const QString port = argc > 1 ? argv[1] : "LPT1";

  QtClock realClock;
  CountingClock clock(realClock);
  FirstButtonDialogs dialogs;
  AbortingEnd end;
  VirtualPrinter printer(clock, "");
  SimPortSystem ports(printer, clock);
  ArvanaProgram program({clock, dialogs, end, ports});
  program.Start();

  QComboBox* model = Child<QComboBox>(program.Boot(), "ModelNameCombo");
  QComboBox* interface = Child<QComboBox>(program.Boot(), "UsePortCombo");
  model->setCurrentIndex(1);
  interface->setCurrentIndex(interface->findText(port));
  Child<QAbstractButton>(program.Boot(), "PortSelectOKBtn")->click();
  QWidget& adjust = program.Adjust();
  Child<RadioGroup>(adjust, "MentRdoGrp")->Button(4)->click();
  Child<QAbstractButton>(adjust, "EepromCheckOkBtn")->click();
  Child<QLineEdit>(adjust, "EepReadBegEdit")->setText("00");
  Child<QLineEdit>(adjust, "EepReadEndEdit")->setText("FF");
  QApplication::processEvents();

  clock.AskedMs = 0;
  clock.Count = 0;
  const double cpuBefore = CpuMilliseconds();
  const auto started = std::chrono::steady_clock::now();
  Child<QAbstractButton>(adjust, "EepromReadOkBtn")->click();
  const double wallMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();
  const double cpuMs = CpuMilliseconds() - cpuBefore;

  std::printf("EEPROM range 00-FF on %s, real clock\n", port.toUtf8().constData());
  std::printf("  pauses asked for  %9.1f ms (%llu pauses)\n", static_cast<double>(clock.AskedMs),
              static_cast<unsigned long long>(clock.Count));
  std::printf("  wall time         %9.1f ms (%+.2f %% over the pauses)\n", wallMs,
              100.0 * (wallMs - static_cast<double>(clock.AskedMs)) / static_cast<double>(clock.AskedMs));
  std::printf("  CPU time          %9.1f ms (%.2f %% of the wall time)\n", cpuMs, 100.0 * cpuMs / wallMs);

  // A long wait alone, as while the printer resets or cleans.
  const double idleCpuBefore = CpuMilliseconds();
  realClock.Pause(IdlePauseMs);
  const double idleCpuMs = CpuMilliseconds() - idleCpuBefore;
  std::printf("  a %u ms pause     %9.1f ms of CPU (%.2f %%)\n", IdlePauseMs, idleCpuMs, 100.0 * idleCpuMs / IdlePauseMs);
  return 0;
}
