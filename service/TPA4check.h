// The two-page A4 check pattern: every test pattern, the stored IDs and the protection counter, and the Bi-D page.
#pragma once

#include "link/ModelChoice.h"
#include "link/TPDalD4Comm.h"
#include "link/TPFactory.h"
#include "pattern/TPRaster.h"
#include "service/TPBid.h"
#include "service/TPDalUsbId.h"
#include "service/TPHeadID.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The protection counter's field on the page is always this wide.
constexpr size_t CounterFieldWidth = 5;

// How the check pages went: the values printed as question marks, and whether the pages stopped
// because the printer sent nothing back for a value.
struct CheckPagesOutcome {
  std::vector<std::string> Unread;  // one sentence each for the technician
  bool PrinterSilent = false;
};

class TPA4check {
public:
  TPA4check(TPDalD4Comm& comm, TPFactory& factory, TPRaster& raster, TPBid& bid, TPHeadID& headId,
            const ModelChoice& models);

  // Sends both pages; the printer's state does not stop them. A value that
  // could not be read is printed as question marks, never as a number; the
  // result says which, one sentence each for the technician (empty when all were read).
  std::vector<std::string> PrintCheckPages() { return PrintPages().Unread; }
  // The same, stopping at a value the printer sends nothing back for: nothing more is sent then.
  CheckPagesOutcome PrintPages();
  // The patterns of both pages: the top margin, the patterns of page 1, then the Bi-D page's.
  static size_t PatternsOnPages();

  // The counter in decimal, then a zero byte and spaces up to five bytes;
  // five digits fill the field alone.
  static std::array<uint8_t, CounterFieldWidth> CounterField(uint16_t counter);
  // The field of a counter that could not be read: "??", a zero byte, spaces.
  static std::array<uint8_t, CounterFieldWidth> UnreadCounterField();
  // The start of both page headers for a model code; nullptr for a code of no model.
  static const char* HeaderText(uint16_t modelCode);

private:
  void SendHeader(const char* pageText);
  // The stored USB ID as the page prints it, '?' for a byte not read; Silent stops at that cell.
  EepromReadOutcome ReadUsbIdForPage(std::array<uint8_t, UsbIdLength>& usbId);
  // The protection counter's field; Silent when the printer sent nothing back.
  EepromReadOutcome ReadCounterField(std::array<uint8_t, CounterFieldWidth>& field);

  TPDalD4Comm& Comm;
  TPFactory& Factory;
  TPRaster& Raster;
  TPBid& Bid;
  TPHeadID& HeadId;
  const ModelChoice& Models;
};
