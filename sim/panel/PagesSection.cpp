#include "sim/panel/PagesSection.h"

#include "sim/panel/PageView.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QSplitter>
#include <QVBoxLayout>

#include <string>
#include <vector>

PagesSection::PagesSection(const VirtualPrinter& printer, QWidget* parent) : QWidget(parent), Printer(printer) {
  auto* layout = new QVBoxLayout(this);
  auto* splitter = new QSplitter;
  PageList = new QListWidget;
  PageList->setObjectName("PageList");
  PageShown = new PageView;
  PageShown->setObjectName("PageView");
  splitter->addWidget(PageList);
  splitter->addWidget(PageShown);
  splitter->setStretchFactor(1, 1);
  splitter->setSizes({160, 900});
  layout->addWidget(splitter, 1);
  auto* zoomRow = new QHBoxLayout;
  const auto button = [&zoomRow](const QString& text, const QString& tip) {
    auto* b = new QPushButton(text);
    b->setToolTip(tip);
    zoomRow->addWidget(b);
    return b;
  };
  connect(button(tr("Whole sheet"), tr("Key 0")), &QPushButton::clicked, PageShown, &PageView::FitSheet);
  connect(button(tr("1:1"), tr("Key 1: one dot per screen pixel")), &QPushButton::clicked, PageShown,
          &PageView::ShowActualPixels);
  connect(button(tr("Zoom in"), tr("Key +, or Ctrl and the wheel")), &QPushButton::clicked, PageShown,
          &PageView::ZoomIn);
  connect(button(tr("Zoom out"), tr("Key -")), &QPushButton::clicked, PageShown, &PageView::ZoomOut);
  zoomRow->addStretch(1);
  layout->addLayout(zoomRow);
  connect(PageList, &QListWidget::currentRowChanged, this, &PagesSection::ShowSelectedPage);
}

bool PagesSection::ListNewPages() {
  const std::vector<QImage>& pages = Printer.Pages();
  if (pages.size() == PagesListed) return false;
  const std::vector<std::string>& files = Printer.PageFiles();
  for (size_t i = PagesListed; i < pages.size(); ++i) {
    auto* item = new QListWidgetItem(tr("Page %1").arg(i + 1));
    if (i < files.size() && !files[i].empty()) {
      const QString path = QString::fromStdString(files[i]);
      item->setText(item->text() + "  " + QFileInfo(path).fileName());
      item->setToolTip(path);
    }
    PageList->addItem(item);
  }
  PagesListed = pages.size();
  // The newest page is what the trainer wants to see.
  PageList->setCurrentRow(static_cast<int>(PagesListed) - 1);
  return true;
}

void PagesSection::ShowSelectedPage() {
  const int row = PageList->currentRow();
  if (row < 0) return;
  const size_t index = static_cast<size_t>(row);
  QImage page = index < Printer.Pages().size() ? Printer.Pages()[index] : QImage();
  // Older pages have left memory; their files are read back.
  if (page.isNull() && index < Printer.PageFiles().size()) page.load(QString::fromStdString(Printer.PageFiles()[index]));
  PageShown->ShowPage(page);
}
