// The sky plot's drawing surface: fills its parent panel (PanelSatelliteMap), draws the
// map and carries the 32 satellite markers, which sit on the panel above it.
#pragma once

#include <array>

#include <QPointer>
#include <QWidget>

#include "views/draw_satellite_map.h"
#include "views/paint_satellite.h"
#include "views/sky_plot.h"

class QLabel;

namespace pelyx::views {

class TPaintSatelliteChart : public QWidget {
 public:
  // `parent` is the panel the chart fills; the markers are created on it, hidden, with
  // the hand-point cursor and their index as the "tag" property.
  explicit TPaintSatelliteChart(QWidget* parent);
  ~TPaintSatelliteChart() override;

  // Creates marker i on the panel (once; 0 to 31).
  void CreateMarker(int i);
  // Stores the values in marker i and places it; an index outside 0..31 changes nothing.
  void SetMarker(int i, int satelliteNumber, int azimuth, int elevation, bool inUse);
  // Moves marker i to its sky position and repaints it.
  void PlaceMarker(int i);
  SkyPoint SkyPosition(int azimuth, int elevation) const {
    return sky_.Position(azimuth, elevation);
  }
  void SetBackground(const QLabel* image);

  // Takes the markers and count of the GPS status view: values, places, visibility.
  void ShowMarkers(const SkyPlot& plot);

  TPaintSatellite* Marker(int i) const;
  const MapGeometry& Geometry() const { return sky_.Geometry(); }

  int satelliteCount = 0;

 protected:
  void paintEvent(QPaintEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void FillParent();

  TDrawSatelliteMap map_;
  SkyPlot sky_;
  // Children of the panel; the pointers clear themselves should the panel go first.
  std::array<QPointer<TPaintSatellite>, kMarkerCount> markers_{};
};

}  // namespace pelyx::views
