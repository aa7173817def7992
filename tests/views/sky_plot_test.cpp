#include "views/sky_plot.h"

#include <gtest/gtest.h>

namespace pelyx::views {
namespace {

// The sky plot panel of the GPS STATUS page.
constexpr int kPanelWidth = 198;
constexpr int kPanelHeight = 200;

TEST(MapGeometryTest, PanelOfThePage) {
  MapGeometry map = MapGeometryFor(kPanelWidth, kPanelHeight);
  EXPECT_EQ(map.centreX, 99);
  EXPECT_EQ(map.centreY, 100);
  EXPECT_EQ(map.radius, 91);
  EXPECT_EQ(RingRadii(map), (std::vector<int32_t>{30, 60}));
}

struct RingCase {
  int width, height;
  int radius;
  std::vector<int32_t> rings;
};

class RingTest : public testing::TestWithParam<RingCase> {};

TEST_P(RingTest, RadiusAndRings) {
  MapGeometry map = MapGeometryFor(GetParam().width, GetParam().height);
  EXPECT_EQ(map.radius, GetParam().radius);
  EXPECT_EQ(RingRadii(map), GetParam().rings);
}

INSTANTIATE_TEST_SUITE_P(Sizes, RingTest,
                         testing::Values(RingCase{300, 200, 92, {30, 60}},  // the smaller side
                                         RingCase{200, 300, 92, {30, 60}},  //
                                         RingCase{22, 22, 3, {1, 2}},       //
                                         RingCase{20, 20, 2, {}},           // R / 3 is 0
                                         RingCase{0, 0, -8, {}}));          // no room at all

struct PositionCase {
  int azimuth, elevation;
  int x, y;
};

class SkyPositionTest : public testing::TestWithParam<PositionCase> {};

TEST_P(SkyPositionTest, OnThePanelOfThePage) {
  const MapGeometry map = MapGeometryFor(kPanelWidth, kPanelHeight);
  const PositionCase& c = GetParam();
  SkyPoint p = SkyPosition(map, c.azimuth, c.elevation);
  EXPECT_EQ(p.x, c.x) << "azimuth " << c.azimuth << " elevation " << c.elevation;
  EXPECT_EQ(p.y, c.y) << "azimuth " << c.azimuth << " elevation " << c.elevation;
}

INSTANTIATE_TEST_SUITE_P(
    Points, SkyPositionTest,
    testing::Values(PositionCase{0, 0, 98, 9},         // north on the horizon
                    PositionCase{90, 0, 189, 99},      // east
                    PositionCase{180, 0, 99, 190},     // south
                    PositionCase{270, 0, 8, 100},      // west
                    PositionCase{360, 0, 98, 9},       // 360 is 0
                    PositionCase{0, 90, 99, 100},      // zenith
                    PositionCase{123, 90, 99, 100},    //
                    PositionCase{270, 90, 99, 100},    //
                    PositionCase{0, 45, 98, 54},       // half way up: R - 45.5
                    PositionCase{45, 0, 163, 35},      // north-east
                    PositionCase{-90, 0, 8, 100},      // a negative azimuth wraps to west
                    PositionCase{450, 0, 190, 100}));  // angle 0: cos exactly 1

TEST(SkyPositionTest, ZeroGeometryLandsAtTheOrigin) {
  SkyPoint p = SkyPosition(MapGeometry{}, 123, 45);
  EXPECT_EQ(p.x, 0);
  EXPECT_EQ(p.y, 0);
}

TEST(CompassTest, LetterBoxesAroundTheHorizon) {
  const MapGeometry map = MapGeometryFor(kPanelWidth, kPanelHeight);
  auto letters = CompassLetters(map);
  struct Expected {
    char letter;
    SkyRect box;
    SkyPoint text;
  };
  const Expected expected[] = {
      {'N', {92, 4, 108, 22}, {95, 5}},
      {'S', {91, 181, 107, 199}, {95, 183}},
      {'E', {178, 94, 194, 112}, {182, 96}},
      {'W', {0, 94, 16, 112}, {2, 96}},
  };
  for (size_t i = 0; i < 4; ++i) {
    SCOPED_TRACE(expected[i].letter);
    EXPECT_EQ(letters[i].letter, expected[i].letter);
    EXPECT_EQ(letters[i].box.left, expected[i].box.left);
    EXPECT_EQ(letters[i].box.top, expected[i].box.top);
    EXPECT_EQ(letters[i].box.right, expected[i].box.right);
    EXPECT_EQ(letters[i].box.bottom, expected[i].box.bottom);
    EXPECT_EQ(letters[i].textOrigin.x, expected[i].text.x);
    EXPECT_EQ(letters[i].textOrigin.y, expected[i].text.y);
    // Every box lies on the panel.
    EXPECT_GE(letters[i].box.left, 0);
    EXPECT_GE(letters[i].box.top, 0);
    EXPECT_LE(letters[i].box.right, kPanelWidth);
    EXPECT_LE(letters[i].box.bottom, kPanelHeight);
  }
}

TEST(SkyPlotTest, SetMarkerPlacesByTheLatestGeometry) {
  SkyPlot plot;
  ASSERT_TRUE(plot.SetMapSize(kPanelWidth, kPanelHeight));
  plot.SetMarker(3, 17, 90, 0, true);
  const SkyMarker& marker = plot.Marker(3);
  EXPECT_EQ(marker.satelliteNumber, 17);
  EXPECT_TRUE(marker.inUse);
  EXPECT_EQ(marker.left, 189 - 10);
  EXPECT_EQ(marker.top, 99 - 10);
}

TEST(SkyPlotTest, IndexOutsideTheMarkersChangesNothing) {
  SkyPlot plot;
  plot.SetMapSize(kPanelWidth, kPanelHeight);
  const auto before = plot.Markers();
  for (int i : {32, 33, 1000, -1}) {
    plot.SetMarker(i, 5, 10, 10, true);
    plot.PlaceMarker(i);
    plot.SetVisible(i, true);
  }
  for (int i = 0; i < kMarkerCount; ++i) {
    EXPECT_EQ(plot.Marker(i).satelliteNumber, before[static_cast<size_t>(i)].satelliteNumber);
    EXPECT_EQ(plot.Marker(i).left, before[static_cast<size_t>(i)].left);
    EXPECT_FALSE(plot.Marker(i).visible);
  }
}

TEST(SkyPlotTest, MarkersPlacedBeforeTheFirstDrawingMoveWhenItComes) {
  SkyPlot plot;
  plot.SetMarker(0, 4, 180, 0, false);
  EXPECT_EQ(plot.Marker(0).left, -10);  // zero geometry: top left corner
  EXPECT_EQ(plot.Marker(0).top, -10);
  EXPECT_TRUE(plot.SetMapSize(kPanelWidth, kPanelHeight));
  EXPECT_EQ(plot.Marker(0).left, 99 - 10);
  EXPECT_EQ(plot.Marker(0).top, 190 - 10);
  EXPECT_FALSE(plot.SetMapSize(kPanelWidth, kPanelHeight));  // same size: nothing new
}

}  // namespace
}  // namespace pelyx::views
