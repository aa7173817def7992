#include <gtest/gtest.h>

#include <QDir>
#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPixmap>

#include "views/gps_status.h"
#include "views/paint_satellite.h"
#include "views/paint_satellite_chart.h"
#include "views/snr_chart.h"

namespace pelyx::views {
namespace {

const QColor kLime(0, 255, 0);
const QColor kBlue(0, 0, 255);
const QColor kGray(128, 128, 128);

QImage Grab(QWidget& widget, const char* name) {
  QDir().mkpath(PELYX_VIEWS_PNG_DIR);
  QPixmap picture = widget.grab();
  picture.save(QString(PELYX_VIEWS_PNG_DIR) + "/" + name + ".png");
  return picture.toImage().convertToFormat(QImage::Format_RGB32);
}

::testing::AssertionResult Near(const QImage& image, int x, int y, const QColor& want,
                                int tolerance = 8) {
  const QColor got = image.pixelColor(x, y);
  if (std::abs(got.red() - want.red()) <= tolerance &&
      std::abs(got.green() - want.green()) <= tolerance &&
      std::abs(got.blue() - want.blue()) <= tolerance) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure()
         << "pixel (" << x << ", " << y << ") is " << got.name().toStdString() << ", want "
         << want.name().toStdString();
}

// A dark picture standing in for the Earth under the plot.
QPixmap DarkGround() {
  QPixmap picture(200, 200);
  picture.fill(Qt::black);
  QPainter p(&picture);
  p.setBrush(QColor(20, 60, 120));
  p.setPen(Qt::NoPen);
  p.drawEllipse(QPoint(100, 100), 80, 80);
  return picture;
}

class SkyPlotWidgetTest : public testing::Test {
 protected:
  void SetUp() override {
    panel.setObjectName("PanelSatelliteMap");
    panel.resize(198, 200);
    image = new QLabel(&panel);
    image->setObjectName("ImageGpsMap");
    image->setGeometry(0, 0, 198, 200);
    image->setPixmap(DarkGround());
    image->setScaledContents(true);
    chart = new TPaintSatelliteChart(&panel);
    chart->SetBackground(image);
    panel.show();
  }

  QFrame panel;
  QLabel* image = nullptr;
  TPaintSatelliteChart* chart = nullptr;
};

TEST_F(SkyPlotWidgetTest, FillsThePanelAndCarriesThirtyTwoHiddenMarkers) {
  EXPECT_EQ(chart->geometry(), panel.rect());
  for (int i = 0; i < kMarkerCount; ++i) {
    TPaintSatellite* marker = chart->Marker(i);
    ASSERT_NE(marker, nullptr) << i;
    EXPECT_EQ(marker->parentWidget(), &panel);
    EXPECT_EQ(marker->size(), QSize(20, 20));
    EXPECT_EQ(marker->property("tag").toInt(), i);
    EXPECT_EQ(marker->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_TRUE(marker->isHidden());
  }
  EXPECT_EQ(chart->Marker(32), nullptr);
  panel.resize(300, 240);
  EXPECT_EQ(chart->size(), QSize(300, 240));
  EXPECT_EQ(chart->Geometry().radius, 112);
}

TEST_F(SkyPlotWidgetTest, MarkersStandAtTheirSkyPositionsInTheirColours) {
  // Cycles of the GPS status view: the second GSV shows the first one's satellites.
  GpsStatusView view;
  GnssStore store{};
  store.satellitesUsed = 1;
  store.usedSatellites[0] = 7;
  store.gsvTotal = 1;
  store.gsvNumber = 1;
  store.gsvCount = 3;
  const int ids[] = {7, 12, 3};
  const int azimuths[] = {90, 200, 315};
  const int elevations[] = {0, 30, 60};
  for (int k = 0; k < 3; ++k) {
    store.gsvId[k] = static_cast<int8_t>(ids[k]);
    store.gsvAzimuth[k] = static_cast<int16_t>(azimuths[k]);
    store.gsvElevation[k] = static_cast<int8_t>(elevations[k]);
    store.gsvSnr[k] = 40;
  }
  SentenceRecord gsv{};
  std::memcpy(gsv.formatter, "GSV", 4);
  view.UpdateGpsStatus(store, gsv);
  view.UpdateGpsStatus(store, gsv);
  chart->ShowMarkers(view.Sky());
  EXPECT_EQ(chart->satelliteCount, 3);

  QImage picture = Grab(panel, "sky_plot");
  ASSERT_EQ(picture.size(), QSize(198, 200));
  for (int k = 0; k < 3; ++k) {
    SCOPED_TRACE(ids[k]);
    const SkyPoint centre = chart->SkyPosition(azimuths[k], elevations[k]);
    EXPECT_FALSE(chart->Marker(k)->isHidden());
    EXPECT_EQ(chart->Marker(k)->geometry().topLeft(), QPoint(centre.x - 10, centre.y - 10));
    // Inside the disc, clear of the number: lime for the satellite in use, blue else.
    const QColor want = k == 0 ? kLime : kBlue;
    EXPECT_TRUE(Near(picture, centre.x - 7, centre.y, want));
    EXPECT_TRUE(Near(picture, centre.x, centre.y + 7, want));
  }
  EXPECT_TRUE(chart->Marker(3)->isHidden());
  // Satellite 7 at azimuth 90 on the horizon: east, as the page's geometry gives it.
  EXPECT_EQ(chart->SkyPosition(90, 0).x, 189);
  EXPECT_EQ(chart->SkyPosition(90, 0).y, 99);
}

TEST_F(SkyPlotWidgetTest, RingsCrossAndCompassLetters) {
  QImage picture = Grab(panel, "sky_map");
  const MapGeometry& map = chart->Geometry();
  ASSERT_EQ(map.radius, 91);
  // The cross: white through the centre, away from the rings and letters.
  EXPECT_TRUE(Near(picture, map.centreX + 45, map.centreY, Qt::white));
  EXPECT_TRUE(Near(picture, map.centreX, map.centreY - 45, Qt::white));
  // The rings cross the south-west diagonal at radii 30 and 60; the horizon has none.
  auto whiteNear = [&](int radius) {
    // A pixel circle need not meet the exact diagonal: look one pixel around it.
    const int offset = static_cast<int>(radius * 0.7071);
    for (int dx = -1; dx <= 1; ++dx) {
      for (int dy = -1; dy <= 1; ++dy) {
        const QColor c = picture.pixelColor(map.centreX - offset + dx, map.centreY + offset + dy);
        if (c == QColor(Qt::white)) return true;
      }
    }
    return false;
  };
  EXPECT_TRUE(whiteNear(30));
  EXPECT_TRUE(whiteNear(60));
  EXPECT_FALSE(whiteNear(91));
  EXPECT_FALSE(whiteNear(45));
  // Letter boxes: gray inside, black outline.
  for (const CompassLetter& letter : CompassLetters(map)) {
    SCOPED_TRACE(letter.letter);
    EXPECT_TRUE(Near(picture, letter.box.left + 1, letter.box.bottom - 2, kGray));
    EXPECT_TRUE(Near(picture, letter.box.left, letter.box.top + 8, Qt::black));
  }
  // The background picture lies under the plot: black in the corners.
  EXPECT_TRUE(Near(picture, 2, 2, Qt::black));
}

TEST(PaintSatelliteTest, OneDigitNumbersStandFurtherRight) {
  auto leftmostInk = [](int number, bool inUse) {
    TPaintSatellite marker;
    marker.satelliteNumber = number;
    marker.inUse = inUse ? 1 : 0;
    QImage picture = Grab(marker, number < 10 ? "marker_one_digit" : "marker_two_digits");
    for (int x = 0; x < picture.width(); ++x) {
      for (int y = 4; y < 16; ++y) {
        const QColor c = picture.pixelColor(x, y);
        const bool ink = c.red() < 80 && c.green() < 80 && c.blue() < 80;
        if (ink && (x > 2 && x < 18)) return x;
      }
    }
    return -1;
  };
  const int one = leftmostInk(5, true);
  const int two = leftmostInk(25, false);
  ASSERT_GE(one, 0);
  ASSERT_GE(two, 0);
  EXPECT_GT(one, two);
  EXPECT_GE(one, 6);
}

TEST(PaintSatelliteTest, DiscColourAndSilverOutline) {
  for (bool inUse : {true, false}) {
    TPaintSatellite marker;
    marker.satelliteNumber = 1;
    marker.inUse = inUse;
    QImage picture = Grab(marker, inUse ? "marker_in_use" : "marker_not_in_use");
    EXPECT_TRUE(Near(picture, 10, 17, inUse ? kLime : kBlue));
    EXPECT_TRUE(Near(picture, 3, 10, inUse ? kLime : kBlue));
    EXPECT_TRUE(Near(picture, 1, 10, QColor(192, 192, 192), 40));
  }
}

TEST(SnrChartTest, BarsInTheirColoursAndHeights) {
  TSnrChart chart;
  ASSERT_EQ(chart.BarCount(), 16);
  EXPECT_EQ(chart.size(), QSize(409, 320));
  chart.Clear();
  chart.AddBar(45, "7", BarColour::kLime);
  chart.AddBar(20, "12", BarColour::kBlue);
  chart.AddBar(58, "3", BarColour::kBlue);
  chart.AddBar(-128, "9", BarColour::kBlue);
  while (chart.BarCount() < 16) chart.AddBar(0, "---", BarColour::kBlue);
  QImage picture = Grab(chart, "snr_chart");

  const QRect lime = chart.BarRect(0);
  const QRect blue = chart.BarRect(1);
  const QRect full = chart.BarRect(2);
  ASSERT_FALSE(lime.isEmpty());
  ASSERT_FALSE(blue.isEmpty());
  EXPECT_TRUE(chart.BarRect(3).isEmpty());  // no SNR reported: no bar
  EXPECT_TRUE(chart.BarRect(4).isEmpty());  // a "---" bar of value 0
  // Heights follow the fixed 0..58 axis.
  EXPECT_EQ(full.top(), chart.PlotRect().top());
  EXPECT_LT(lime.top(), blue.top());
  EXPECT_EQ(lime.bottom(), chart.PlotRect().bottom());
  const double perDb = (chart.PlotRect().height() - 1) / 58.0;
  EXPECT_NEAR(lime.height(), 45 * perDb, 2.0);

  const QColor limeMid = picture.pixelColor(lime.center());
  const QColor blueMid = picture.pixelColor(blue.center());
  EXPECT_GT(limeMid.green(), 150);
  EXPECT_LT(limeMid.blue(), 60);
  EXPECT_LT(limeMid.red(), 60);
  EXPECT_GT(blueMid.blue(), 150);
  EXPECT_LT(blueMid.green(), 60);
  // Top to bottom gradient: the top of a bar is lighter than its foot.
  EXPECT_GT(picture.pixelColor(lime.center().x(), lime.top() + 1).green(),
            picture.pixelColor(lime.center().x(), lime.bottom() - 1).green());
  // Above a bar (below its value mark) lies the white wall or a grid line, not the bar.
  const QColor above = picture.pixelColor(blue.center().x(), blue.top() - 12);
  EXPECT_FALSE(above.blue() > 150 && above.green() < 60);
}

}  // namespace
}  // namespace pelyx::views
