// The GPS STATUS page without its toolkit: the texts of the edit fields, the satellite
// lists of the GSV cycles, the bars of the SNR chart and the markers of the sky plot, all
// as plain data that the window's widgets show.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "codec/records.h"
#include "codec/stores.h"
#include "views/sky_plot.h"

namespace pelyx::views {

inline constexpr int kSatelliteListSize = 24;
inline constexpr int kMinimumBars = 16;

// The satellites of one GSV cycle, in the order they first appeared.
struct SatelliteList {
  int8_t count = 0;
  std::array<int8_t, kSatelliteListSize> satelliteNumber{};
  std::array<int8_t, kSatelliteListSize> elevation{};
  std::array<int16_t, kSatelliteListSize> azimuth{};
  std::array<int8_t, kSatelliteListSize> snr{};  // negative: the SNR field was empty
};

enum class BarColour { kBlue, kLime };

// One bar of `Series1`: value, label under the bar, colour.
struct SnrBar {
  int value;
  std::string label;
  BarColour colour;

  bool operator==(const SnrBar&) const = default;
};

// The edit fields of the page; all empty until their first valid sentence, and each
// keeps the last text written while its valid flag was set. UTF-8.
struct GpsStatusTexts {
  std::string utcDate;    // lblEdtGpsUtcDate
  std::string utcTime;    // lblEdtGpsUtcTime
  std::string latitude;   // lblEdtGpsLat
  std::string longitude;  // lblEdtGpsLon
  std::string sog;        // lblEdtGpsSOG
  std::string cog;        // lblEdtGpsCOG
  std::string fixMode;    // lblEdtGpsFixMode
  std::string inView;     // lblEdtGpsNoSV_InView
  std::string inUse;      // lblEdtGpsNoSV_InUse
  std::string hdop;       // lblEdtHdop
};

// What an update changed, so the window refreshes only that.
struct GpsStatusChange {
  bool texts = false;       // at least one field was written
  bool satellites = false;  // the bars and markers were drawn anew
};

class GpsStatusView {
 public:
  GpsStatusView();

  // The window's `LanguageIndex`; chooses the degree sign.
  void SetLanguageIndex(int languageIndex) { languageIndex_ = languageIndex; }

  // The intake processed a GNSS sentence (`record`, the intake record) and merged it
  // into `store`.
  GpsStatusChange UpdateGpsStatus(const GnssStore& store, const SentenceRecord& record);

  const GpsStatusTexts& Texts() const { return texts_; }
  // `Series1`: at least 16 bars, "---" bars of value 0 after the satellites.
  const std::vector<SnrBar>& Bars() const { return bars_; }
  // The sky plot's markers and satellite count (its geometry is the drawing's business;
  // the positions follow from it).
  SkyPlot& Sky() { return sky_; }
  const SkyPlot& Sky() const { return sky_; }

  const SatelliteList& Current() const { return current_; }
  const SatelliteList& Previous() const { return previous_; }

 private:
  void StartCycle(const GnssStore& store);
  void ShowCurrentList(const GnssStore& store);
  void AddToCurrent(const GnssStore& store);

  int languageIndex_ = 0;
  GpsStatusTexts texts_;
  std::vector<SnrBar> bars_;
  SkyPlot sky_;
  SatelliteList current_;
  SatelliteList previous_;
  int8_t lastTotal_ = 0;
  int8_t lastNumber_ = 0;
};

}  // namespace pelyx::views
