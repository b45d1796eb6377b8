// A printed page on screen: from the whole sheet down to single dots.
#pragma once

#include <QAbstractScrollArea>
#include <QImage>

// Opens fitted to the window. Ctrl+wheel, + and - zoom about the pointer or
// the centre; 0 fits the sheet again, 1 shows one page pixel (1/360 inch) per
// screen pixel. Zoomed out, a reduced copy is drawn (see ReducedPage), so thin
// lines stay visible as lighter lines.
class PageView : public QAbstractScrollArea {
  Q_OBJECT

public:
  static constexpr double LargestScale = 16.0;  // screen pixels per page pixel

  explicit PageView(QWidget* parent = nullptr);

  void ShowPage(const QImage& page);
  bool HasPage() const { return !Page.isNull(); }
  // Screen pixels per page pixel.
  double Scale() const { return CurrentScale; }
  bool Fitted() const { return FitToWindow; }

public slots:
  void FitSheet();
  void ShowActualPixels();
  void ZoomIn();
  void ZoomOut();

protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

private:
  double FittingScale() const;
  // Sets the scale and keeps the page point under `anchor` (viewport coordinates) where it is.
  void ZoomTo(double scale, QPointF anchor);
  void UpdateScrollBars();

  QImage Page;     // 32-bit copy of the page, for drawing parts of it
  QImage Reduced;  // ReducedCopyScale copy, for the zoomed-out view
  double CurrentScale = 1.0;
  bool FitToWindow = true;
};
