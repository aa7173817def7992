// The sky plot's off-screen picture: the background image stretched under the plot,
// two range rings, the cross and the four compass letters.
#pragma once

#include <QImage>
#include <QPointer>

#include "views/sky_plot.h"

class QLabel;

namespace pelyx::views {

class TDrawSatelliteMap {
 public:
  // The page's image control whose picture lies under the plot (not owned; nothing
  // when it is gone or has no picture).
  void SetBackground(const QLabel* image);

  // Draws the map at `width` x `height` and returns its geometry. Pixels outside the
  // picture stay transparent, so the panel shows through.
  const MapGeometry& Draw(int width, int height);

  const QImage& Bitmap() const { return bitmap_; }
  const MapGeometry& Geometry() const { return geometry_; }

 private:
  QImage bitmap_;
  MapGeometry geometry_;
  QPointer<const QLabel> background_;
};

}  // namespace pelyx::views
