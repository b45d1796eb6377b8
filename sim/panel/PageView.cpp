#include "sim/panel/PageView.h"

#include "sim/engine/PageReduction.h"

#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace {

// Below this scale the reduced copy is drawn; it is made at this scale too.
constexpr double ReducedCopyScale = 0.25;
constexpr double ZoomStep = 1.5;
const QColor Backdrop(96, 96, 96);

}  // namespace

PageView::PageView(QWidget* parent) : QAbstractScrollArea(parent) {
  setFocusPolicy(Qt::StrongFocus);
  viewport()->setAutoFillBackground(false);
}

void PageView::ShowPage(const QImage& page) {
  Page = page.isNull() ? QImage() : page.convertToFormat(QImage::Format_RGB32);
  Reduced = ReducedPage(page, ReducedCopyScale);
  FitSheet();
}

double PageView::FittingScale() const {
  if (Page.isNull()) return 1.0;
  const QSize area = viewport()->size();
  return std::max(SmallestPageScale, std::min(static_cast<double>(area.width()) / Page.width(),
                                              static_cast<double>(area.height()) / Page.height()));
}

void PageView::FitSheet() {
  FitToWindow = true;
  CurrentScale = FittingScale();
  UpdateScrollBars();
  viewport()->update();
}

void PageView::ShowActualPixels() { ZoomTo(1.0, QPointF(viewport()->width() / 2.0, viewport()->height() / 2.0)); }

void PageView::ZoomIn() {
  ZoomTo(CurrentScale * ZoomStep, QPointF(viewport()->width() / 2.0, viewport()->height() / 2.0));
}

void PageView::ZoomOut() {
  ZoomTo(CurrentScale / ZoomStep, QPointF(viewport()->width() / 2.0, viewport()->height() / 2.0));
}

void PageView::ZoomTo(double scale, QPointF anchor) {
  if (Page.isNull()) return;
  const double lowest = std::min(FittingScale(), 1.0);
  scale = std::clamp(scale, lowest, LargestScale);
  // The page point under the anchor, before the change.
  const QPointF pagePoint((horizontalScrollBar()->value() + anchor.x()) / CurrentScale,
                          (verticalScrollBar()->value() + anchor.y()) / CurrentScale);
  FitToWindow = scale <= FittingScale();
  CurrentScale = scale;
  UpdateScrollBars();
  horizontalScrollBar()->setValue(static_cast<int>(std::lround(pagePoint.x() * scale - anchor.x())));
  verticalScrollBar()->setValue(static_cast<int>(std::lround(pagePoint.y() * scale - anchor.y())));
  viewport()->update();
}

void PageView::UpdateScrollBars() {
  const int width = Page.isNull() ? 0 : static_cast<int>(std::ceil(Page.width() * CurrentScale));
  const int height = Page.isNull() ? 0 : static_cast<int>(std::ceil(Page.height() * CurrentScale));
  const QSize area = viewport()->size();
  horizontalScrollBar()->setRange(0, std::max(0, width - area.width()));
  verticalScrollBar()->setRange(0, std::max(0, height - area.height()));
  horizontalScrollBar()->setPageStep(area.width());
  verticalScrollBar()->setPageStep(area.height());
  horizontalScrollBar()->setSingleStep(std::max(1, area.width() / 10));
  verticalScrollBar()->setSingleStep(std::max(1, area.height() / 10));
}

void PageView::paintEvent(QPaintEvent*) {
  QPainter painter(viewport());
  painter.fillRect(viewport()->rect(), Backdrop);
  if (Page.isNull()) {
    painter.setPen(Qt::white);
    painter.drawText(viewport()->rect(), Qt::AlignCenter, tr("No page printed yet."));
    return;
  }
  const double sheetWidth = Page.width() * CurrentScale;
  const double sheetHeight = Page.height() * CurrentScale;
  // A sheet smaller than the window sits in its middle.
  const double left = sheetWidth < viewport()->width() ? (viewport()->width() - sheetWidth) / 2
                                                       : -horizontalScrollBar()->value();
  const double top = sheetHeight < viewport()->height() ? (viewport()->height() - sheetHeight) / 2
                                                        : -verticalScrollBar()->value();
  const QRectF sheet(left, top, sheetWidth, sheetHeight);
  if (CurrentScale < ReducedCopyScale) {
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.drawImage(sheet, Reduced);
    return;
  }
  // Only the visible part of the page is drawn; zoomed in, one dot is a block of screen pixels.
  const QRectF visible = sheet.intersected(QRectF(viewport()->rect()));
  const QRectF source((visible.left() - left) / CurrentScale, (visible.top() - top) / CurrentScale,
                      visible.width() / CurrentScale, visible.height() / CurrentScale);
  painter.setRenderHint(QPainter::SmoothPixmapTransform, CurrentScale < 1.0);
  painter.drawImage(visible, Page, source);
}

void PageView::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  if (FitToWindow) CurrentScale = FittingScale();
  UpdateScrollBars();
}

void PageView::wheelEvent(QWheelEvent* event) {
  if (!(event->modifiers() & Qt::ControlModifier)) {
    QAbstractScrollArea::wheelEvent(event);
    return;
  }
  const double steps = event->angleDelta().y() / 120.0;
  ZoomTo(CurrentScale * std::pow(ZoomStep, steps), event->position());
  event->accept();
}

void PageView::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Plus:
    case Qt::Key_Equal:
      ZoomIn();
      break;
    case Qt::Key_Minus:
      ZoomOut();
      break;
    case Qt::Key_0:
      FitSheet();
      break;
    case Qt::Key_1:
      ShowActualPixels();
      break;
    default:
      QAbstractScrollArea::keyPressEvent(event);
  }
}
