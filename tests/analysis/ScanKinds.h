// The kinds of scan the readers meet beyond a flat scanner: turned sheets, uneven light, other resolutions, grey and black-and-white scanners, stretched pages and damaged sheets; and the tally of what the readers made of them.
#pragma once

#include "tests/analysis/tool/ScanDegrader.h"

#include <map>
#include <string>
#include <vector>

struct ScanKind {
  std::string Name;
  ScanDegradation Scan;
  // An everyday scan: the true value must come out on nearly every section.
  bool Everyday = false;
  // The Bi-D section the damage lies on, whose loss is allowed; -1 for none.
  int DamagedSection = -1;
};

// Where the Bi-D page's sections lie on the sheet, in inches from its top:
// the middle of section `index`'s band of marks.
double BidSectionMiddleInches(int index);

// Every kind, made by this program's own degrader.
std::vector<ScanKind> ScanKinds();

// What a reader made of the readings of one kind: the true value, a refusal, or a wrong value.
struct KindTally {
  int Exact = 0;
  int Refused = 0;
  int Wrong = 0;
  int All() const { return Exact + Refused + Wrong; }
};

using BenchTable = std::map<std::string, KindTally>;

// The table as the test log shows it, one kind per line, with a total.
void PrintBenchTable(const std::string& title, const BenchTable& table);
