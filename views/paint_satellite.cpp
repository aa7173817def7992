#include "views/paint_satellite.h"

#include <QPainter>

#include "views/sky_plot.h"

namespace pelyx::views {

TPaintSatellite::TPaintSatellite(QWidget* parent) : QWidget(parent) {
  setFixedSize(kMarkerSize, kMarkerSize);
  setAttribute(Qt::WA_TranslucentBackground);
}

void TPaintSatellite::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  const SkyPoint centre = MarkerCentre(width(), height());
  const int radius = MarkerRadius(width());
  const QRect disc(centre.x - radius, centre.y - radius, 2 * radius, 2 * radius);

  painter.setPen(Qt::NoPen);
  painter.setBrush(inUse ? QColor(0, 255, 0) : QColor(0, 0, 255));
  painter.drawEllipse(disc);
  painter.setBrush(Qt::NoBrush);
  painter.setPen(QPen(QColor(192, 192, 192), 1));
  painter.drawEllipse(disc);

  // The panel's font: Arial, 13 pixels high, in the window text colour.
  QFont font = parentWidget() != nullptr ? parentWidget()->font() : this->font();
  font.setFamily("Arial");
  font.setPixelSize(13);
  painter.setFont(font);
  painter.setPen(palette().color(QPalette::WindowText));
  const SkyPoint origin = MarkerNumberOrigin(satelliteNumber);
  painter.drawText(QRect(origin.x, origin.y, width() - origin.x, height() - origin.y),
                   Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip,
                   QString::number(satelliteNumber));
}

}  // namespace pelyx::views
