// The SNR bar chart of the GPS STATUS page (Chart1 with its bar series Series1): one bar
// per satellite in the colour given per bar, the value of each bar as a mark above it, a
// fixed 0 to 58 dB-Hz axis with grid lines, a shallow three-dimensional look with a
// white back wall and a yellow floor.
#pragma once

#include <vector>

#include <QRect>
#include <QWidget>

#include "views/gps_status.h"

namespace pelyx::views {

class TSnrChart : public QWidget {
 public:
  static constexpr int kAxisMaximum = 58;
  static constexpr int kDefaultWidth = 409;
  static constexpr int kDefaultHeight = 320;

  explicit TSnrChart(QWidget* parent = nullptr);

  // Series1.
  void Clear();
  void AddBar(int value, const std::string& label, BarColour colour);
  void SetBars(const std::vector<SnrBar>& bars);
  const std::vector<SnrBar>& Bars() const { return bars_; }
  int BarCount() const { return static_cast<int>(bars_.size()); }

  // Whether the chart writes "Satellite ID" under its axis itself (on by default); the
  // window may carry its own label there instead.
  void SetShowAxisTitle(bool show);

  // Where things are drawn, for the window's layout and for checks of the drawing.
  QRect PlotRect() const;       // the front plane of the value axis
  QRect BarRect(int i) const;   // front face of bar i (empty for a value of 0 or less)
  int ValueY(int value) const;  // y of a value on the axis, held to 0..58

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  int Depth() const;

  std::vector<SnrBar> bars_;
  bool showAxisTitle_ = true;
};

}  // namespace pelyx::views
