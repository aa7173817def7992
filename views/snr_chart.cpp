#include "views/snr_chart.h"

#include <algorithm>

#include <QLinearGradient>
#include <QPainter>
#include <QPolygon>

namespace pelyx::views {

namespace {

QColor BarQColor(BarColour colour) {
  return colour == BarColour::kLime ? QColor(0, 255, 0) : QColor(0, 0, 255);
}

}  // namespace

TSnrChart::TSnrChart(QWidget* parent) : QWidget(parent) {
  setObjectName("Chart1");
  resize(kDefaultWidth, kDefaultHeight);
  for (int i = 0; i < kMinimumBars; ++i) bars_.push_back({0, "---", BarColour::kBlue});
}

void TSnrChart::Clear() {
  bars_.clear();
  update();
}

void TSnrChart::AddBar(int value, const std::string& label, BarColour colour) {
  bars_.push_back({value, label, colour});
  update();
}

void TSnrChart::SetBars(const std::vector<SnrBar>& bars) {
  bars_ = bars;
  update();
}

void TSnrChart::SetShowAxisTitle(bool show) {
  showAxisTitle_ = show;
  update();
}

int TSnrChart::Depth() const {
  // A shallow depth: a twenty-fifth of the smaller side, at least a few pixels.
  return std::max(4, std::min(width(), height()) / 25);
}

QRect TSnrChart::PlotRect() const {
  const int depth = Depth();
  // Left: the axis labels; top: the caption; bottom: the bar labels and the axis title.
  return QRect(QPoint(40, 28 + depth), QPoint(width() - 14 - depth, height() - 44));
}

int TSnrChart::ValueY(int value) const {
  const QRect plot = PlotRect();
  const int held = std::clamp(value, 0, kAxisMaximum);
  return plot.bottom() - (plot.height() - 1) * held / kAxisMaximum;
}

QRect TSnrChart::BarRect(int i) const {
  if (i < 0 || i >= BarCount()) return {};
  const QRect plot = PlotRect();
  const int columns = BarCount();
  const int slot = plot.width() / columns;
  const int barWidth = std::max(2, slot * 7 / 10);
  const int left = plot.left() + i * slot + (slot - barWidth) / 2;
  const int value = bars_[static_cast<size_t>(i)].value;
  if (value <= 0) return {};
  const int top = ValueY(value);
  return QRect(QPoint(left, top), QPoint(left + barWidth - 1, plot.bottom()));
}

void TSnrChart::paintEvent(QPaintEvent* /*event*/) {
  QPainter p(this);
  p.fillRect(rect(), palette().color(QPalette::Window));
  const QRect plot = PlotRect();
  const int depth = Depth();

  // Back wall, white, set back by the depth; the yellow floor joins it to the front.
  const QRect wall = plot.translated(depth, -depth);
  p.fillRect(wall, Qt::white);
  p.setPen(QColor(128, 128, 128));
  p.drawRect(wall);
  QPolygon floor;
  floor << QPoint(plot.left(), plot.bottom()) << QPoint(plot.right(), plot.bottom())
        << QPoint(wall.right(), wall.bottom()) << QPoint(wall.left(), wall.bottom());
  p.setBrush(QColor(255, 255, 0));
  p.drawPolygon(floor);
  p.setBrush(Qt::NoBrush);

  // Grid lines on the wall and the value axis: 0 to 58, solid, every 10.
  QFont small = font();
  small.setPixelSize(10);
  p.setFont(small);
  for (int value = 0; value <= kAxisMaximum; value += 10) {
    const int y = ValueY(value);
    p.setPen(QPen(QColor(160, 160, 160), 1, Qt::SolidLine));
    p.drawLine(wall.left(), y - depth, wall.right(), y - depth);
    p.drawLine(plot.left(), y, wall.left(), y - depth);
    p.setPen(Qt::black);
    p.drawText(QRect(0, y - 7, plot.left() - 4, 14), Qt::AlignRight | Qt::AlignVCenter,
               QString::number(value));
  }
  p.setPen(Qt::black);
  p.drawLine(plot.left(), plot.top() - 4, plot.left(), plot.bottom());
  p.drawLine(plot.left(), plot.bottom(), plot.right(), plot.bottom());

  // The bars: a top-to-bottom gradient on the front face, darker top and side faces.
  const int columns = std::max(BarCount(), 1);
  const int slot = plot.width() / columns;
  const int barDepth = std::max(2, depth * 2 / 3);
  for (int i = 0; i < BarCount(); ++i) {
    const SnrBar& bar = bars_[static_cast<size_t>(i)];
    const QRect front = BarRect(i);
    const QColor colour = BarQColor(bar.colour);
    if (!front.isEmpty()) {
      QPolygon top;
      top << front.topLeft() << front.topRight() + QPoint(1, 0)
          << front.topRight() + QPoint(1 + barDepth, -barDepth)
          << front.topLeft() + QPoint(barDepth, -barDepth);
      QPolygon side;
      side << front.topRight() + QPoint(1, 0) << front.bottomRight() + QPoint(1, 1)
           << front.bottomRight() + QPoint(1 + barDepth, 1 - barDepth)
           << front.topRight() + QPoint(1 + barDepth, -barDepth);
      p.setPen(Qt::NoPen);
      p.setBrush(colour.lighter(130));
      p.drawPolygon(top);
      p.setBrush(colour.darker(160));
      p.drawPolygon(side);
      QLinearGradient gradient(front.topLeft(), front.bottomLeft());
      gradient.setColorAt(0.0, colour);
      gradient.setColorAt(1.0, colour.darker(140));
      p.fillRect(front, gradient);
      p.setBrush(Qt::NoBrush);
    }

    // The value mark above the bar (a negative SNR, not reported, gets none).
    const int column = plot.left() + i * slot;
    if (bar.value >= 0) {
      const QString mark = QString::number(bar.value);
      const int markTop = ValueY(bar.value) - barDepth - 16;
      const QRect box(column + 1, markTop, slot - 2, 13);
      p.setPen(Qt::black);
      p.fillRect(box, QColor(255, 255, 225));
      p.drawRect(box.adjusted(0, 0, -1, -1));
      p.drawText(box, Qt::AlignCenter, mark);
    }
    p.setPen(Qt::black);
    p.drawText(QRect(column, plot.bottom() + 3, slot, 14), Qt::AlignCenter,
               QString::fromStdString(bar.label));
  }

  QFont caption = font();
  caption.setPixelSize(12);
  caption.setBold(true);
  p.setFont(caption);
  p.setPen(Qt::black);
  p.drawText(QRect(6, 4, width() - 12, 18), Qt::AlignLeft | Qt::AlignVCenter, "SNR (dB-Hz)");
  if (showAxisTitle_) {
    p.drawText(QRect(0, height() - 20, width(), 18), Qt::AlignCenter, "Satellite ID");
  }
}

}  // namespace pelyx::views
