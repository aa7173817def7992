#include "app/pictures.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace pelyx::app::pictures {
namespace {

const QColor kNavy(18, 52, 96);
const QColor kSea(30, 104, 170);
const QColor kGreen(40, 160, 70);
const QColor kRedOrange(232, 76, 36);

QPixmap Blank(int width, int height) {
  QPixmap pixmap(width, height);
  pixmap.fill(Qt::transparent);
  return pixmap;
}

void Smooth(QPainter& p) {
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  p.setRenderHint(QPainter::SmoothPixmapTransform);
}

// A desktop computer: screen on a stand, at (x, y), 34 x 30.
void DrawComputer(QPainter& p, qreal x, qreal y, bool active) {
  const QColor frame = active ? QColor(50, 56, 66) : QColor(128, 128, 128);
  QLinearGradient screen(x, y, x, y + 20);
  screen.setColorAt(0, active ? QColor(120, 190, 255) : QColor(210, 210, 210));
  screen.setColorAt(1, active ? QColor(20, 90, 180) : QColor(160, 160, 160));
  p.setPen(QPen(frame, 1.2));
  p.setBrush(frame);
  p.drawRoundedRect(QRectF(x, y + 1, 34, 22), 2.5, 2.5);
  p.setPen(Qt::NoPen);
  p.setBrush(screen);
  p.drawRect(QRectF(x + 2.5, y + 3.5, 29, 17));
  p.setBrush(frame);
  p.drawRect(QRectF(x + 14, y + 23, 6, 4));
  p.drawRoundedRect(QRectF(x + 8, y + 27, 18, 3), 1.2, 1.2);
  if (active) {  // a chart on the screen
    p.setPen(QPen(QColor(255, 255, 255, 200), 1.2));
    p.drawPolyline(QPolygonF(
        {{x + 5, y + 16}, {x + 11, y + 11}, {x + 16, y + 14}, {x + 22, y + 7}, {x + 29, y + 10}}));
  }
}

// The receiver: a dark box with a display and an antenna, at (x, y), 30 x 30.
void DrawReceiver(QPainter& p, qreal x, qreal y, bool active) {
  const QColor body = active ? QColor(40, 44, 52) : QColor(136, 136, 136);
  p.setPen(QPen(body.darker(130), 1.2));
  p.setBrush(body);
  p.drawLine(QPointF(x + 23, y + 10), QPointF(x + 23, y + 1));  // antenna
  p.setBrush(active ? QColor(255, 200, 40) : QColor(180, 180, 180));
  p.drawEllipse(QPointF(x + 23, y + 1.5), 1.8, 1.8);
  QLinearGradient shell(x, y + 10, x, y + 30);
  shell.setColorAt(0, body.lighter(140));
  shell.setColorAt(1, body);
  p.setBrush(shell);
  p.drawRoundedRect(QRectF(x + 1, y + 10, 28, 19), 3, 3);
  p.setPen(Qt::NoPen);
  p.setBrush(active ? QColor(90, 230, 120) : QColor(200, 200, 200));
  p.drawRoundedRect(QRectF(x + 5, y + 14, 13, 7), 1.2, 1.2);
  p.setBrush(active ? QColor(255, 80, 60) : QColor(170, 170, 170));
  p.drawEllipse(QPointF(x + 23, y + 17.5), 2, 2);
  p.setBrush(active ? QColor(80, 200, 255) : QColor(170, 170, 170));
  p.drawEllipse(QPointF(x + 23, y + 24), 2, 2);
  p.setPen(QPen(QColor(255, 255, 255, active ? 140 : 90), 1));
  p.drawLine(QPointF(x + 5, y + 25), QPointF(x + 17, y + 25));
}

// One arrow from `from` to `to` (horizontal), in `colour`.
void DrawArrow(QPainter& p, QPointF from, QPointF to, const QColor& colour) {
  p.setPen(QPen(colour, 3, Qt::SolidLine, Qt::RoundCap));
  const qreal dir = to.x() > from.x() ? 1 : -1;
  p.drawLine(from, to - QPointF(dir * 4, 0));
  p.setPen(Qt::NoPen);
  p.setBrush(colour);
  p.drawPolygon(QPolygonF({to, to + QPointF(-dir * 7, -5), to + QPointF(-dir * 7, 5)}));
}

// A gear of outer radius `r` around `c`.
void DrawGear(QPainter& p, QPointF c, qreal r, const QColor& colour) {
  QPainterPath gear;
  const int teeth = 8;
  for (int i = 0; i < teeth * 2; ++i) {
    const qreal a0 = (i * std::numbers::pi) / teeth;
    const qreal a1 = ((i + 1) * std::numbers::pi) / teeth;
    const qreal radius = (i % 2 == 0) ? r : r * 0.78;
    QPointF p0 = c + QPointF(std::cos(a0 + 0.08), std::sin(a0 + 0.08)) * radius;
    QPointF p1 = c + QPointF(std::cos(a1 - 0.08), std::sin(a1 - 0.08)) * radius;
    if (i == 0)
      gear.moveTo(p0);
    else
      gear.lineTo(p0);
    gear.lineTo(p1);
  }
  gear.closeSubpath();
  QPainterPath hole;
  hole.addEllipse(c, r * 0.34, r * 0.34);
  QLinearGradient fill(c - QPointF(r, r), c + QPointF(r, r));
  fill.setColorAt(0, colour.lighter(150));
  fill.setColorAt(1, colour.darker(120));
  p.setPen(QPen(colour.darker(160), 1));
  p.setBrush(fill);
  p.drawPath(gear.subtracted(hole));
}

}  // namespace

QPixmap ConnectToDevice(int frame) {
  QPixmap pixmap = Blank(120, 32);
  QPainter p(&pixmap);
  Smooth(p);
  const bool active = frame == 1;
  DrawComputer(p, 4, 1, active);
  DrawReceiver(p, 86, 1, active);
  // The cables' stubs towards the arrows in the middle.
  p.setPen(
      QPen(active ? QColor(60, 70, 90) : QColor(150, 150, 150), 2, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(39, 16), QPointF(43, 16));
  p.drawLine(QPointF(77, 16), QPointF(84, 16));
  return pixmap;
}

QPixmap ConnectTwoWay(int frame) {
  QPixmap pixmap = Blank(32, 32);
  QPainter p(&pixmap);
  Smooth(p);
  const QColor idle(175, 175, 175);
  const QColor ready(30, 90, 170);
  const QColor glow(255, 150, 20);
  const QColor base = frame <= 0 ? idle : ready;
  DrawArrow(p, {3, 10}, {29, 10}, base);
  DrawArrow(p, {29, 22}, {3, 22}, base);
  if (frame >= 2) {  // a bright pulse runs along each arrow
    const qreal step = std::clamp(frame, 2, 7) - 2;
    const qreal x = 5 + step * 3.6;
    p.setPen(Qt::NoPen);
    p.setBrush(glow);
    p.drawEllipse(QPointF(x, 10), 3.2, 3.2);
    p.drawEllipse(QPointF(32 - x, 22), 3.2, 3.2);
  }
  return pixmap;
}

QPixmap CheckFailed() {
  QPixmap pixmap = Blank(32, 32);
  QPainter p(&pixmap);
  Smooth(p);
  QRadialGradient fill(QPointF(12, 10), 20);
  fill.setColorAt(0, kRedOrange.lighter(135));
  fill.setColorAt(1, kRedOrange.darker(115));
  p.setPen(QPen(kRedOrange.darker(150), 1));
  p.setBrush(fill);
  p.drawEllipse(QRectF(2, 2, 28, 28));
  p.setPen(QPen(Qt::white, 4, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(11, 11), QPointF(21, 21));
  p.drawLine(QPointF(21, 11), QPointF(11, 21));
  return pixmap;
}

QPixmap CheckPassed() {
  QPixmap pixmap = Blank(32, 32);
  QPainter p(&pixmap);
  Smooth(p);
  QRadialGradient fill(QPointF(12, 10), 20);
  fill.setColorAt(0, kGreen.lighter(140));
  fill.setColorAt(1, kGreen.darker(115));
  p.setPen(QPen(kGreen.darker(150), 1));
  p.setBrush(fill);
  p.drawEllipse(QRectF(2, 2, 28, 28));
  p.setPen(QPen(Qt::white, 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.drawPolyline(QPolygonF({{9, 16.5}, {14, 21.5}, {23, 11}}));
  return pixmap;
}

QPixmap Earth(int shade) {
  QPixmap pixmap(200, 200);
  pixmap.fill(Qt::black);
  QPainter p(&pixmap);
  Smooth(p);
  // A few stars.
  const QPointF stars[] = {{12, 18}, {30, 170}, {181, 25}, {188, 150}, {160, 188}, {8, 96},
                           {101, 6}, {190, 86}, {46, 8},   {150, 10},  {20, 140},  {176, 192}};
  p.setPen(Qt::NoPen);
  for (const QPointF& star : stars) {
    p.setBrush(QColor(255, 255, 255, 150 + static_cast<int>(star.x()) % 100));
    p.drawEllipse(star, 0.9, 0.9);
  }
  const QPointF centre(100, 100);
  const qreal radius = 88;
  // The atmosphere's glow.
  QRadialGradient halo(centre, radius + 9);
  halo.setColorAt(0.90, QColor(90, 170, 255, 160));
  halo.setColorAt(1.0, QColor(90, 170, 255, 0));
  p.setBrush(halo);
  p.drawEllipse(centre, radius + 9, radius + 9);
  // The oceans.
  QRadialGradient ocean(centre + QPointF(-30, -34), radius * 1.6);
  ocean.setColorAt(0, QColor(70, 150, 230));
  ocean.setColorAt(0.55, QColor(22, 82, 170));
  ocean.setColorAt(1, QColor(6, 26, 70));
  p.setBrush(ocean);
  p.drawEllipse(centre, radius, radius);
  // The land, clipped to the disc.
  QPainterPath disc;
  disc.addEllipse(centre, radius, radius);
  p.setClipPath(disc);
  QLinearGradient land(40, 30, 160, 170);
  land.setColorAt(0, QColor(120, 170, 80));
  land.setColorAt(0.5, QColor(70, 130, 55));
  land.setColorAt(1, QColor(150, 120, 70));
  p.setBrush(land);
  QPainterPath asia;  // a large continent across the upper half
  asia.moveTo(38, 58);
  asia.cubicTo(60, 30, 110, 22, 150, 40);
  asia.cubicTo(178, 52, 186, 80, 170, 92);
  asia.cubicTo(154, 104, 138, 96, 128, 112);
  asia.cubicTo(120, 124, 104, 118, 98, 104);
  asia.cubicTo(90, 88, 70, 92, 60, 100);
  asia.cubicTo(46, 110, 30, 88, 38, 58);
  p.drawPath(asia);
  QPainterPath peninsula;  // a peninsula reaching south
  peninsula.moveTo(96, 108);
  peninsula.cubicTo(104, 122, 108, 138, 100, 150);
  peninsula.cubicTo(94, 142, 88, 126, 96, 108);
  p.drawPath(peninsula);
  QPainterPath islands;  // an island arc to the south-east
  islands.addEllipse(QPointF(140, 130), 9, 5);
  islands.addEllipse(QPointF(156, 142), 6, 4);
  islands.addEllipse(QPointF(128, 152), 14, 7);
  p.drawPath(islands);
  QPainterPath southern;  // a continent low in the west
  southern.moveTo(40, 130);
  southern.cubicTo(56, 122, 76, 132, 72, 150);
  southern.cubicTo(68, 170, 54, 184, 46, 180);
  southern.cubicTo(36, 172, 30, 146, 40, 130);
  p.drawPath(southern);
  // Clouds.
  p.setBrush(QColor(255, 255, 255, 120));
  p.drawEllipse(QPointF(76, 70), 24, 6);
  p.drawEllipse(QPointF(132, 64), 18, 4);
  p.drawEllipse(QPointF(118, 168), 30, 5);
  p.drawEllipse(QPointF(58, 112), 14, 4);
  // Night side: a soft shadow towards the lower right.
  QRadialGradient night(centre + QPointF(-46, -50), radius * 2.0);
  night.setColorAt(0.45, QColor(0, 0, 0, 0));
  night.setColorAt(1.0, QColor(0, 0, 0, 200));
  p.setBrush(night);
  p.drawEllipse(centre, radius, radius);
  p.setClipping(false);
  if (shade > 0) {
    p.fillRect(pixmap.rect(), QColor(0, 0, 0, std::min(shade, 4) * 45));
  }
  return pixmap;
}

QPixmap Logo() {
  QPixmap pixmap = Blank(145, 49);
  QPainter p(&pixmap);
  Smooth(p);
  // A wave under the name.
  QPainterPath wave;
  wave.moveTo(4, 40);
  wave.cubicTo(30, 30, 52, 48, 78, 38);
  wave.cubicTo(100, 30, 120, 44, 141, 36);
  p.setPen(QPen(kSea, 3, Qt::SolidLine, Qt::RoundCap));
  p.drawPath(wave);
  p.setPen(QPen(QColor(120, 190, 240), 2, Qt::SolidLine, Qt::RoundCap));
  p.drawPath(wave.translated(0, 5));
  QFont font("DejaVu Sans");
  font.setPixelSize(30);
  font.setBold(true);
  font.setItalic(true);
  font.setLetterSpacing(QFont::AbsoluteSpacing, 2);
  p.setFont(font);
  p.setPen(kNavy);
  p.drawText(QRectF(0, 0, 145, 34), Qt::AlignCenter, "TESK");
  return pixmap;
}

QPixmap ShipDimensions(int width, int height) {
  QPixmap pixmap = Blank(width, height);
  QPainter p(&pixmap);
  Smooth(p);
  const qreal cx = width / 2.0;
  const qreal top = 14;
  const qreal bottom = height - 10;
  const qreal half = std::min<qreal>(width * 0.22, 26);
  // The hull, bow up.
  QPainterPath hull;
  hull.moveTo(cx, top);
  hull.cubicTo(cx + half * 0.9, top + 24, cx + half, top + 46, cx + half, top + 64);
  hull.lineTo(cx + half, bottom - 10);
  hull.quadTo(cx + half, bottom, cx + half - 8, bottom);
  hull.lineTo(cx - half + 8, bottom);
  hull.quadTo(cx - half, bottom, cx - half, bottom - 10);
  hull.lineTo(cx - half, top + 64);
  hull.cubicTo(cx - half, top + 46, cx - half * 0.9, top + 24, cx, top);
  QLinearGradient deck(cx - half, 0, cx + half, 0);
  deck.setColorAt(0, QColor(200, 214, 230));
  deck.setColorAt(0.5, QColor(245, 248, 252));
  deck.setColorAt(1, QColor(200, 214, 230));
  p.setPen(QPen(kNavy, 1.6));
  p.setBrush(deck);
  p.drawPath(hull);
  // The bridge.
  p.setBrush(QColor(150, 170, 195));
  p.drawRoundedRect(QRectF(cx - half + 6, bottom - 38, 2 * half - 12, 18), 3, 3);
  // The antenna, a little off the centre line.
  const QPointF antenna(cx + half * 0.3, bottom - 52);
  p.setPen(QPen(Qt::white, 1.5));
  p.setBrush(kRedOrange);
  p.drawEllipse(antenna, 4.5, 4.5);
  // Dimension lines.
  QFont font("DejaVu Sans");
  font.setPixelSize(11);
  font.setBold(true);
  p.setFont(font);
  const QColor line(180, 40, 40);
  auto dimension = [&](QPointF a, QPointF b, const QString& name, QPointF textAt) {
    p.setPen(QPen(line, 1.2, Qt::DashLine));
    p.drawLine(a, b);
    p.setPen(line);
    p.drawText(QRectF(textAt - QPointF(8, 8), QSizeF(16, 16)), Qt::AlignCenter, name);
  };
  const qreal side = cx + half + 12;
  dimension({side, top}, {side, antenna.y()}, "A", {side + 9, (top + antenna.y()) / 2});
  dimension({side, antenna.y()}, {side, bottom}, "B", {side + 9, (antenna.y() + bottom) / 2});
  p.setPen(QPen(line, 1, Qt::DotLine));
  p.drawLine(QPointF(cx, top), QPointF(side, top));
  p.drawLine(antenna, QPointF(side, antenna.y()));
  p.drawLine(QPointF(cx + half, bottom), QPointF(side, bottom));
  const qreal across = antenna.y() + 22;
  dimension({cx - half, across}, {antenna.x(), across}, "C",
            {(cx - half + antenna.x()) / 2, across - 9});
  dimension({antenna.x(), across}, {cx + half, across}, "D",
            {(antenna.x() + cx + half) / 2 + 1, across + 10});
  return pixmap;
}

QPixmap ReceiverPorts(int width, int height, int inY, int outY) {
  QPixmap pixmap = Blank(width, height);
  QPainter p(&pixmap);
  Smooth(p);
  const QRectF box(6, 14, 84, height - 28.0);
  // The antenna.
  p.setPen(QPen(QColor(60, 64, 72), 3, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(box.left() + 16, box.top()), QPointF(box.left() + 16, 2));
  // The housing.
  QLinearGradient shell(box.topLeft(), box.bottomLeft());
  shell.setColorAt(0, QColor(86, 92, 104));
  shell.setColorAt(1, QColor(36, 40, 48));
  p.setPen(QPen(QColor(20, 22, 28), 1.2));
  p.setBrush(shell);
  p.drawRoundedRect(box, 8, 8);
  p.setPen(Qt::NoPen);
  QLinearGradient screen(0, box.top() + 12, 0, box.top() + 38);
  screen.setColorAt(0, QColor(140, 250, 170));
  screen.setColorAt(1, QColor(50, 170, 90));
  p.setBrush(screen);
  p.drawRoundedRect(QRectF(box.left() + 10, box.top() + 12, box.width() - 20, 26), 3, 3);
  p.setPen(QPen(QColor(20, 90, 40), 1.4));
  p.drawPolyline(QPolygonF({{box.left() + 16, box.top() + 30},
                            {box.left() + 30, box.top() + 22},
                            {box.left() + 44, box.top() + 28},
                            {box.left() + 58, box.top() + 18},
                            {box.left() + 68, box.top() + 24}}));
  // The two cables with their direction.
  auto cable = [&](qreal y, bool in, const QColor& colour) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(170, 176, 186));
    p.drawRoundedRect(QRectF(box.right() - 3, y - 6, 12, 12), 2, 2);  // the socket
    p.setPen(QPen(colour, 4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(box.right() + 10, y), QPointF(width - 4.0, y));
    const qreal tip = in ? box.right() + 14 : width - 2.0;
    const qreal dir = in ? -1 : 1;
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPolygon(QPolygonF({{tip, y}, {tip - dir * 11, y - 7}, {tip - dir * 11, y + 7}}));
  };
  cable(inY, true, QColor(40, 160, 70));
  cable(outY, false, QColor(30, 100, 190));
  return pixmap;
}

QPixmap BottomBar(int width, int height) {
  QPixmap pixmap(width, height);
  QPainter p(&pixmap);
  Smooth(p);
  QLinearGradient sky(0, 0, 0, height);
  sky.setColorAt(0, QColor(166, 202, 240));
  sky.setColorAt(1, QColor(120, 168, 222));
  p.fillRect(pixmap.rect(), sky);
  // Three rolling waves, darker towards the bottom.
  for (int layer = 0; layer < 3; ++layer) {
    const qreal base = height * (0.45 + 0.18 * layer);
    QPainterPath wave;
    wave.moveTo(0, height);
    wave.lineTo(0, base);
    const qreal length = 120 + 40 * layer;
    for (qreal x = 0; x < width + length; x += length) {
      wave.cubicTo(x + length * 0.25, base - 7 + layer, x + length * 0.5, base + 6 - layer,
                   x + length, base);
    }
    wave.lineTo(width, height);
    wave.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(30 + 10 * layer, 90 - 15 * layer, 160 - 25 * layer, 90 + 50 * layer));
    p.drawPath(wave);
  }
  // A thin light line along the top edge.
  p.setPen(QPen(QColor(255, 255, 255, 150), 1));
  p.drawLine(0, 0, width, 0);
  return pixmap;
}

QPixmap ConfigDeviceGlyph() {
  QPixmap pixmap = Blank(32, 32);
  QPainter p(&pixmap);
  Smooth(p);
  DrawGear(p, {13, 13}, 11, QColor(70, 100, 140));
  // An arrow into the receiver.
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(40, 44, 52));
  p.drawRoundedRect(QRectF(16, 21, 15, 10), 2, 2);
  p.setBrush(QColor(90, 230, 120));
  p.drawRect(QRectF(19, 24, 7, 3));
  return pixmap;
}

QPixmap ReadDeviceGlyph() {
  QPixmap pixmap = Blank(32, 32);
  QPainter p(&pixmap);
  Smooth(p);
  // A sheet with lines.
  p.setPen(QPen(QColor(90, 100, 120), 1.2));
  p.setBrush(Qt::white);
  p.drawRoundedRect(QRectF(5, 2, 18, 24), 2, 2);
  p.setPen(QPen(QColor(150, 160, 180), 1.5));
  for (int i = 0; i < 4; ++i) p.drawLine(QPointF(9, 8 + i * 4.5), QPointF(19, 8 + i * 4.5));
  // An arrow coming out of the receiver, down into the sheet.
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(30, 130, 60));
  p.drawEllipse(QPointF(23, 23), 8, 8);
  p.setBrush(Qt::white);
  p.drawPolygon(QPolygonF({{19, 22}, {27, 22}, {23, 28}}));
  p.drawRect(QRectF(21.5, 17, 3, 6));
  return pixmap;
}

QPixmap ResetGlyph() {
  QPixmap pixmap = Blank(32, 32);
  QPainter p(&pixmap);
  Smooth(p);
  p.setPen(QPen(QColor(30, 90, 170), 3.5, Qt::SolidLine, Qt::RoundCap));
  p.setBrush(Qt::NoBrush);
  p.drawArc(QRectF(5, 5, 22, 22), 60 * 16, 290 * 16);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(30, 90, 170));
  p.drawPolygon(QPolygonF({{16, 1}, {24, 6.5}, {16, 11}}));
  return pixmap;
}

QPixmap SmallConfigGlyph() {
  QPixmap pixmap = Blank(20, 20);
  QPainter p(&pixmap);
  Smooth(p);
  DrawGear(p, {10, 10}, 8.5, QColor(70, 100, 140));
  return pixmap;
}

QPixmap ProgramIcon(int size) {
  QPixmap pixmap = Blank(64, 64);
  {
    QPainter p(&pixmap);
    Smooth(p);
    QRadialGradient disc(QPointF(26, 24), 40);
    disc.setColorAt(0, QColor(60, 140, 220));
    disc.setColorAt(1, kNavy);
    p.setPen(QPen(Qt::white, 2));
    p.setBrush(disc);
    p.drawEllipse(QRectF(3, 3, 58, 58));
    p.setPen(QPen(QColor(255, 255, 255, 120), 1.2));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(32, 32), 18, 18);
    p.drawEllipse(QPointF(32, 32), 9, 9);
    p.drawLine(QPointF(32, 6), QPointF(32, 58));
    p.drawLine(QPointF(6, 32), QPointF(58, 32));
    // Two AIS targets.
    p.setPen(QPen(Qt::white, 1));
    p.setBrush(QColor(90, 230, 120));
    p.drawPolygon(QPolygonF({{40, 14}, {45, 27}, {35, 27}}));
    p.setBrush(QColor(255, 200, 40));
    p.drawPolygon(QPolygonF({{20, 36}, {25, 49}, {15, 49}}));
  }
  return pixmap.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

}  // namespace pelyx::app::pictures
