#include "views/sky_plot.h"

#include <algorithm>
#include <cmath>

namespace pelyx::views {

MapGeometry MapGeometryFor(int32_t width, int32_t height) {
  MapGeometry map;
  map.centreX = width / 2;
  map.centreY = height / 2;
  map.radius = std::min((width - 16) / 2, (height - 16) / 2);
  return map;
}

SkyPoint SkyPosition(const MapGeometry& map, int32_t azimuth, int32_t elevation) {
  const float radius = static_cast<float>(map.radius);
  const float perDegree = 1.0f / 90.0f;
  const float lift = (radius * static_cast<float>(elevation)) * perDegree;
  const float distance = radius - lift;
  float angle = 450.0f - static_cast<float>(azimuth);
  if (angle < 0.0f) angle += 360.0f;
  if (angle > 360.0f) angle -= 360.0f;
  const float radians = angle * 0.0174533f;
  const double x =
      map.centreX + static_cast<double>(distance) * std::cos(static_cast<double>(radians));
  const double y =
      map.centreY - static_cast<double>(distance) * std::sin(static_cast<double>(radians));
  return {static_cast<int32_t>(x), static_cast<int32_t>(y)};
}

std::vector<int32_t> RingRadii(const MapGeometry& map) {
  std::vector<int32_t> rings;
  const int32_t step = map.radius / 3;
  for (int32_t k = 1; k <= 2; ++k) {
    const int32_t r = k * step;
    if (r >= 1 && r < map.radius) rings.push_back(r);
  }
  return rings;
}

std::array<SkyLine, 2> CrossLines(const MapGeometry& map) {
  const int32_t cx = map.centreX, cy = map.centreY, r = map.radius;
  return {SkyLine{{cx - r, cy}, {cx + r, cy}}, SkyLine{{cx, cy - r}, {cx, cy + r}}};
}

std::array<CompassLetter, 4> CompassLetters(const MapGeometry& map) {
  const int32_t cx = map.centreX, cy = map.centreY, r = map.radius;
  return {
      CompassLetter{'N', {cx - 7, cy - r - 5, cx + 9, cy - r + 13}, {cx - 4, cy - r - 4}},
      CompassLetter{'S', {cx - 8, cy + r - 10, cx + 8, cy + r + 8}, {cx - 4, cy + r - 8}},
      CompassLetter{'E', {cx + r - 12, cy - 6, cx + r + 4, cy + 12}, {cx + r - 8, cy - 4}},
      CompassLetter{'W', {cx - r - 8, cy - 6, cx - r + 8, cy + 12}, {cx - r - 6, cy - 4}},
  };
}

SkyPoint MarkerCentre(int32_t width, int32_t height) {
  return {width / 2, height / 2};
}

int32_t MarkerRadius(int32_t width) {
  return width / 2 - 1;
}

SkyPoint MarkerNumberOrigin(int32_t satelliteNumber) {
  const bool oneDigit = satelliteNumber >= 0 && satelliteNumber <= 9;
  return {oneDigit ? 6 : 3, 3};
}

void SkyPlot::SetMarker(int i, int32_t satelliteNumber, int32_t azimuth, int32_t elevation,
                        bool inUse) {
  if (i < 0 || i >= kMarkerCount) return;
  SkyMarker& marker = markers_[static_cast<size_t>(i)];
  marker.satelliteNumber = satelliteNumber;
  marker.azimuth = azimuth;
  marker.elevation = elevation;
  marker.inUse = inUse;
  PlaceMarker(i);
}

void SkyPlot::PlaceMarker(int i) {
  if (i < 0 || i >= kMarkerCount) return;
  SkyMarker& marker = markers_[static_cast<size_t>(i)];
  const SkyPoint centre = SkyPosition(geometry_, marker.azimuth, marker.elevation);
  marker.left = centre.x - kMarkerSize / 2;
  marker.top = centre.y - kMarkerSize / 2;
}

void SkyPlot::SetVisible(int i, bool visible) {
  if (i < 0 || i >= kMarkerCount) return;
  markers_[static_cast<size_t>(i)].visible = visible;
}

bool SkyPlot::SetMapSize(int32_t width, int32_t height) {
  const MapGeometry next = MapGeometryFor(width, height);
  if (next.radius == geometry_.radius && next.centreX == geometry_.centreX &&
      next.centreY == geometry_.centreY) {
    return false;
  }
  geometry_ = next;
  for (int i = 0; i < kMarkerCount; ++i) PlaceMarker(i);
  return true;
}

}  // namespace pelyx::views
