#include "views/draw_satellite_map.h"

#include <QLabel>
#include <QPainter>
#include <QPixmap>

namespace pelyx::views {

void TDrawSatelliteMap::SetBackground(const QLabel* image) {
  background_ = image;
}

const MapGeometry& TDrawSatelliteMap::Draw(int width, int height) {
  if (width < 1 || height < 1) {
    bitmap_ = QImage();
    geometry_ = MapGeometryFor(width, height);
    return geometry_;
  }
  if (bitmap_.size() != QSize(width, height)) {
    bitmap_ = QImage(width, height, QImage::Format_ARGB32_Premultiplied);
  }
  bitmap_.fill(Qt::transparent);
  geometry_ = MapGeometryFor(width, height);

  QPainter painter(&bitmap_);
  if (background_ != nullptr) {
    const QPixmap picture = background_->pixmap();
    if (!picture.isNull()) painter.drawPixmap(QRect(0, 0, width, height), picture);
  }

  const int cx = geometry_.centreX;
  const int cy = geometry_.centreY;
  painter.setPen(QPen(Qt::white, 1, Qt::SolidLine));
  painter.setBrush(Qt::NoBrush);
  for (int32_t r : RingRadii(geometry_)) painter.drawEllipse(QPoint(cx, cy), r, r);
  for (const SkyLine& line : CrossLines(geometry_)) {
    painter.drawLine(line.from.x, line.from.y, line.to.x, line.to.y);
  }

  QFont font("Arial");
  font.setPointSize(9);
  painter.setFont(font);
  for (const CompassLetter& letter : CompassLetters(geometry_)) {
    const QRect box(QPoint(letter.box.left, letter.box.top),
                    QPoint(letter.box.right - 1, letter.box.bottom - 1));
    painter.fillRect(box, QColor(128, 128, 128));
    painter.setPen(QPen(Qt::black, 1));
    painter.drawRect(box.adjusted(0, 0, -1, -1));
    painter.setPen(Qt::white);
    painter.drawText(QRect(letter.textOrigin.x, letter.textOrigin.y,
                           box.right() - letter.textOrigin.x, box.bottom() - letter.textOrigin.y),
                     Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip,
                     QString(QChar(letter.letter)));
  }
  return geometry_;
}

}  // namespace pelyx::views
