#include "items/ScanPreview.h"

#include <QDialogButtonBox>
#include <QFontMetricsF>
#include <QImageReader>
#include <QLabel>
#include <QPainter>
#include <QScrollArea>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <system_error>

namespace {

constexpr int PreviewHeight = 1100;
const QColor LinesUp(0, 160, 60);
const QColor Beyond(230, 140, 0);
const QColor NotRead(210, 0, 0);

QRectF Scaled(const ScanBox& box, double scale) {
  return QRectF(box.X * scale, box.Y * scale, box.Width * scale, box.Height * scale);
}

QString OneDecimal(double value) { return QString::number(value, 'f', 1); }

}  // namespace

std::string NewestScanIn(const std::string& folder) {
  if (folder.empty()) return folder;
  std::error_code error;
  std::filesystem::path newest;
  std::filesystem::file_time_type newestTime{};
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    const std::string extension = entry.path().extension().string();
    if (!entry.is_regular_file(error) || (extension != ".png" && extension != ".jpg" && extension != ".jpeg" &&
                                          extension != ".tif" && extension != ".tiff"))
      continue;
    const auto time = entry.last_write_time(error);
    if (!error && (newest.empty() || time > newestTime)) {
      newest = entry.path();
      newestTime = time;
    }
  }
  return newest.empty() ? folder : newest.string();
}

QImage ScanPreview::MarkedPage(const std::string& path, const BidPageReading& page, int height) {
  QImageReader reader(QString::fromStdString(path));
  const QSize full = reader.size();
  if (!full.isValid() || full.height() <= 0) return {};
  const double scale = static_cast<double>(height) / full.height();
  reader.setScaledSize(QSize(static_cast<int>(std::lround(full.width() * scale)), height));
  QImage image = reader.read().convertToFormat(QImage::Format_RGB32);
  if (image.isNull()) return {};
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  QFont font = painter.font();
  font.setPixelSize(std::max(10, height / 70));
  font.setBold(true);
  painter.setFont(font);
  for (size_t i = 0; i < page.Sections.size(); ++i) {
    const BidSectionReading& section = page.Sections[i];
    const QRectF first = Scaled(section.Slots.front(), scale);
    const QRectF last = Scaled(section.Slots.back(), scale);
    QRectF frame;
    QColor colour;
    QString label;
    if (!section.Read()) {
      frame = first.united(last);
      colour = NotRead;
      label = "cannot read";
    } else if (section.Outside) {
      const bool below = *section.Estimate < section.Candidates.front();
      frame = below ? first : last;
      colour = Beyond;
      label = QString("beyond: ") + OneDecimal(*section.Estimate);
    } else {
      for (size_t slot = 0; slot < section.Candidates.size(); ++slot)
        if (section.Candidates[slot] == *section.Best) frame = Scaled(section.Slots[slot], scale);
      colour = LinesUp;
      label = QString::number(*section.Best) + " (" + OneDecimal(*section.Estimate) + ")";
    }
    painter.setPen(QPen(colour, std::max(2.0, height / 400.0)));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(frame.adjusted(-3, -3, 3, 3));
    // The label goes under the frame, from its left edge (clear of the section titles at the
    // left margin), moved in at the right edge of the page.
    const QString text = QString(BidSectionNames[i]) + ": " + label;
    const double width = QFontMetricsF(font).horizontalAdvance(text);
    const double left = std::max(2.0, std::min(frame.left(), image.width() - width - 2));
    painter.drawText(QPointF(left, frame.bottom() + 6 + font.pixelSize()), text);
  }
  return image;
}

ScanPreview::ScanPreview(QWidget* parent, const std::string& path, const BidPageReading& page) : QDialog(parent) {
  setWindowTitle("Bi-D page read from the scan");
  setAttribute(Qt::WA_DeleteOnClose, false);
  auto* layout = new QVBoxLayout(this);
  auto* area = new QScrollArea(this);
  auto* picture = new QLabel(area);
  picture->setObjectName("ScanPreviewPicture");
  picture->setPixmap(QPixmap::fromImage(MarkedPage(path, page, PreviewHeight)));
  area->setWidget(picture);
  layout->addWidget(area);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
  layout->addWidget(buttons);
  resize(900, 900);
}
