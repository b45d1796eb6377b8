// What the command line said: the options of every command, each left at its default unless
// the command that takes it was given it.
#pragma once

#include <string>
#include <vector>

struct CommandOptions {
  std::string Port = "LPT1";
  std::string Model = "360";
  std::string Simulator;
  bool Yes = false;
  bool ModelGiven = false;
  int TimeoutSeconds = 900;
  bool Quiet = false;    // results and errors only
  bool Verbose = false;  // the wire, decoded, on standard error
  bool Json = false;
  std::string Range = "00-FF";
  std::string Format = "table";
  std::string Output;
  std::string File;
  std::string Second;
  bool DryRun = false;
  bool Force = false;
  bool Printer = false;
  bool All = false;
  std::string Write;
  std::vector<std::string> Writes;
  bool Clear = false;
  std::string What;
  std::string Values;
  std::string FromScan;
  bool Finish = false;
  bool Discard = false;
  // report
  std::string RecordPrinter;  // the serial (USB ID) or head ID whose record is shown
  std::string Since;
  int VisitNumber = 0;  // 0: every visit
  std::string Html;
  std::string Pdf;
  bool Delete = false;
};
