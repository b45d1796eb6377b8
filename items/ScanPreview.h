// The scanned Bi-D page with what was read marked on it, beside the window while the technician checks the values.
#pragma once

#include "analysis/BidPageReader.h"

#include <QDialog>
#include <QImage>

#include <string>

// The file dialog's filter for scans.
constexpr const char* ScanFileFilter = "Scans (*.png *.jpg *.jpeg *.tif *.tiff);;All files (*)";

// Where the file dialog for a scan opens: on the newest image in `folder`
// (the page the virtual printer rendered last), or the folder itself.
std::string NewestScanIn(const std::string& folder);

class ScanPreview : public QDialog {
  Q_OBJECT

public:
  ScanPreview(QWidget* parent, const std::string& path, const BidPageReading& page);

  // The page at `height` pixels high: a green frame round the candidate that
  // lines up in each section, amber at the end of the candidates a true value
  // lies beyond, red round a section that could not be read; each with its value.
  static QImage MarkedPage(const std::string& path, const BidPageReading& page, int height);
};
