// The front panel's pages: the list of printed pages and the one chosen, zoomable.
#pragma once

#include <QWidget>

#include <cstddef>

#include "sim/VirtualPrinter.h"

class QListWidget;
class PageView;

class PagesSection : public QWidget {
  Q_OBJECT

public:
  explicit PagesSection(const VirtualPrinter& printer, QWidget* parent = nullptr);

  // Lists the pages printed since the last call and shows the newest; false when there were none.
  bool ListNewPages();

private:
  void ShowSelectedPage();

  const VirtualPrinter& Printer;
  QListWidget* PageList;
  PageView* PageShown;
  size_t PagesListed = 0;
};
