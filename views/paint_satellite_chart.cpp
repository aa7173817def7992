#include "views/paint_satellite_chart.h"

#include <QEvent>
#include <QPainter>

namespace pelyx::views {

TPaintSatelliteChart::TPaintSatelliteChart(QWidget* parent) : QWidget(parent) {
  setObjectName("PaintSatelliteChart");
  if (parent != nullptr) {
    parent->installEventFilter(this);
    FillParent();
  }
  for (int i = 0; i < kMarkerCount; ++i) CreateMarker(i);
}

TPaintSatelliteChart::~TPaintSatelliteChart() {
  if (parentWidget() != nullptr) parentWidget()->removeEventFilter(this);
  // The markers live on the panel; they go with the chart that owns them.
  for (QPointer<TPaintSatellite>& marker : markers_) delete marker.data();
}

void TPaintSatelliteChart::CreateMarker(int i) {
  if (i < 0 || i >= kMarkerCount || markers_[static_cast<size_t>(i)] != nullptr) return;
  QWidget* panel = parentWidget() != nullptr ? parentWidget() : this;
  auto* marker = new TPaintSatellite(panel);
  marker->setObjectName(QString("PaintSatellite%1").arg(i));
  marker->setProperty("tag", i);
  marker->setCursor(Qt::PointingHandCursor);
  marker->hide();
  marker->raise();
  markers_[static_cast<size_t>(i)] = marker;
}

TPaintSatellite* TPaintSatelliteChart::Marker(int i) const {
  if (i < 0 || i >= kMarkerCount) return nullptr;
  return markers_[static_cast<size_t>(i)];
}

void TPaintSatelliteChart::SetMarker(int i, int satelliteNumber, int azimuth, int elevation,
                                     bool inUse) {
  TPaintSatellite* marker = Marker(i);
  if (marker == nullptr) return;
  sky_.SetMarker(i, satelliteNumber, azimuth, elevation, inUse);
  marker->satelliteNumber = satelliteNumber;
  marker->azimuth = azimuth;
  marker->elevation = elevation;
  marker->inUse = inUse ? 1 : 0;
  PlaceMarker(i);
}

void TPaintSatelliteChart::PlaceMarker(int i) {
  TPaintSatellite* marker = Marker(i);
  if (marker == nullptr) return;
  sky_.PlaceMarker(i);
  const SkyMarker& placed = sky_.Marker(i);
  // The chart fills the panel, so its coordinates are the panel's.
  marker->move(x() + placed.left, y() + placed.top);
  marker->raise();
  marker->update();
}

void TPaintSatelliteChart::SetBackground(const QLabel* image) {
  map_.SetBackground(image);
  update();
}

void TPaintSatelliteChart::ShowMarkers(const SkyPlot& plot) {
  for (int i = 0; i < kMarkerCount; ++i) {
    const SkyMarker& wanted = plot.Marker(i);
    if (wanted.visible) {
      SetMarker(i, wanted.satelliteNumber, wanted.azimuth, wanted.elevation, wanted.inUse);
    }
    if (TPaintSatellite* marker = Marker(i)) marker->setVisible(wanted.visible);
  }
  satelliteCount = plot.satelliteCount;
}

void TPaintSatelliteChart::paintEvent(QPaintEvent* /*event*/) {
  map_.Draw(width(), height());
  if (sky_.SetMapSize(width(), height())) {
    for (int i = 0; i < kMarkerCount; ++i) PlaceMarker(i);
  }
  QPainter painter(this);
  if (!map_.Bitmap().isNull()) painter.drawImage(0, 0, map_.Bitmap());
}

bool TPaintSatelliteChart::eventFilter(QObject* watched, QEvent* event) {
  if (watched == parentWidget() && event->type() == QEvent::Resize) FillParent();
  return QWidget::eventFilter(watched, event);
}

void TPaintSatelliteChart::FillParent() {
  QWidget* panel = parentWidget();
  if (panel == nullptr) return;
  setGeometry(panel->rect());
  // Lay out the markers for the new size at once rather than at the next paint.
  if (sky_.SetMapSize(width(), height())) {
    for (int i = 0; i < kMarkerCount; ++i) PlaceMarker(i);
  }
}

}  // namespace pelyx::views
