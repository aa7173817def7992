// The sky plot's geometry and its 32 satellite markers, free of any toolkit: the map
// drawing (`TDrawSatelliteMap`) takes its rings, cross and compass letters from here, and
// the drawing surface (`TPaintSatelliteChart`) places its markers with `SkyPosition`.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace pelyx::views {

struct SkyPoint {
  int32_t x;
  int32_t y;
};

// Left, top, right, bottom; right and bottom exclusive.
struct SkyRect {
  int32_t left, top, right, bottom;
};

struct SkyLine {
  SkyPoint from, to;
};

// The radius and centre of the latest map drawing; zero before the first one.
struct MapGeometry {
  int32_t radius = 0;
  int32_t centreX = 0;
  int32_t centreY = 0;
};

// cx = W / 2, cy = H / 2, R = the smaller of (W - 16) / 2 and (H - 16) / 2.
MapGeometry MapGeometryFor(int32_t width, int32_t height);

// Where a satellite stands on the plot: north up, east right, the horizon (elevation 0)
// on the circle of radius R and the zenith at the centre. The steps run in single
// precision as the map has always computed them, and the result is truncated toward
// zero; azimuth 360 is azimuth 0.
SkyPoint SkyPosition(const MapGeometry& map, int32_t azimuth, int32_t elevation);

// The range rings: R / 3 and 2 * (R / 3), none whose radius reaches R or is below 1.
std::vector<int32_t> RingRadii(const MapGeometry& map);

// The horizontal and the vertical line of the cross, each 2R long through the centre.
std::array<SkyLine, 2> CrossLines(const MapGeometry& map);

struct CompassLetter {
  char letter;
  SkyRect box;          // filled gray, black one-pixel outline
  SkyPoint textOrigin;  // top left of the white letter
};

// "N", "S", "E", "W" in this order.
std::array<CompassLetter, 4> CompassLetters(const MapGeometry& map);

// A marker of `width` x `width` pixels: the disc's centre and radius, and the top left of
// its satellite number (further right for a one-digit number).
inline constexpr int32_t kMarkerSize = 20;
SkyPoint MarkerCentre(int32_t width, int32_t height);
int32_t MarkerRadius(int32_t width);
SkyPoint MarkerNumberOrigin(int32_t satelliteNumber);

inline constexpr int kMarkerCount = 32;

struct SkyMarker {
  int32_t satelliteNumber = 0;
  int32_t azimuth = 0;
  int32_t elevation = 0;
  bool inUse = false;
  bool visible = false;
  // Top left of the marker on the panel, from the latest placement.
  int32_t left = 0;
  int32_t top = 0;
};

// The markers and the map geometry they are placed by.
class SkyPlot {
 public:
  // Stores the values in marker i and places it; an index outside 0..31 changes nothing.
  void SetMarker(int i, int32_t satelliteNumber, int32_t azimuth, int32_t elevation, bool inUse);
  // Places marker i by its azimuth and elevation: its top left is the sky position less
  // half the marker's width. An index outside 0..31 changes nothing.
  void PlaceMarker(int i);
  void SetVisible(int i, bool visible);

  // The map was drawn at this size. Returns true when the geometry changed, after
  // placing every marker again: markers placed before the first drawing (when the
  // geometry is still zero) would otherwise sit off the panel's top left corner until
  // the next satellite cycle.
  bool SetMapSize(int32_t width, int32_t height);

  SkyPoint Position(int32_t azimuth, int32_t elevation) const {
    return SkyPosition(geometry_, azimuth, elevation);
  }
  const MapGeometry& Geometry() const { return geometry_; }
  const SkyMarker& Marker(int i) const { return markers_[static_cast<std::size_t>(i)]; }
  const std::array<SkyMarker, kMarkerCount>& Markers() const { return markers_; }

  int32_t satelliteCount = 0;

 private:
  MapGeometry geometry_;
  std::array<SkyMarker, kMarkerCount> markers_{};
};

}  // namespace pelyx::views
