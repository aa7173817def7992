// One satellite marker of the sky plot: a 20 x 20 disc, lime when the satellite is used
// in the fix and blue otherwise, with a silver outline and the satellite number.
#pragma once

#include <QWidget>

namespace pelyx::views {

class TPaintSatellite : public QWidget {
 public:
  explicit TPaintSatellite(QWidget* parent = nullptr);

  int inUse = 0;
  int satelliteNumber = 0;
  int azimuth = 0;
  int elevation = 0;

 protected:
  void paintEvent(QPaintEvent* event) override;
};

}  // namespace pelyx::views
