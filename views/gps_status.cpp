#include "views/gps_status.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "views/subfun.h"

namespace pelyx::views {

namespace {

template <typename... Args>
std::string Format(const char* format, Args... args) {
  char text[64];
  std::snprintf(text, sizeof text, format, args...);
  return text;
}

// The entries of the store's last GSV sentence (at most four).
int GsvEntries(const GnssStore& store) {
  return std::clamp<int>(store.gsvCount, 0, 4);
}

bool InUse(const GnssStore& store, int8_t satelliteNumber) {
  // satellitesUsed comes from the sentence and may exceed the 12 entries kept.
  const int used = std::clamp<int>(store.satellitesUsed, 0, 12);
  for (int k = 0; k < used; ++k) {
    if (store.usedSatellites[k] == satelliteNumber) return true;
  }
  return false;
}

void FillBars(std::vector<SnrBar>& bars) {
  while (bars.size() < static_cast<size_t>(kMinimumBars)) {
    bars.push_back({0, "---", BarColour::kBlue});
  }
}

}  // namespace

GpsStatusView::GpsStatusView() {
  FillBars(bars_);
}

GpsStatusChange GpsStatusView::UpdateGpsStatus(const GnssStore& store,
                                               const SentenceRecord& record) {
  GpsStatusChange change;
  if (store.utcValid) {
    texts_.utcDate = Format("%04d/%02d/%02d", store.year, store.month, store.day);
    texts_.utcTime = Format("%02d:%02d:%02d", store.utcHour, store.utcMinute, store.utcSecond);
    change.texts = true;
  }
  if (store.positionValid) {
    PositionTexts position = FormatPosition(store.longitude, store.latitude, languageIndex_);
    texts_.latitude = std::move(position.latitude);
    texts_.longitude = std::move(position.longitude);
    texts_.sog = Format("%5.2f Kn", static_cast<double>(store.speedKnots));
    texts_.cog = Format("%5.1f", static_cast<double>(store.courseTrue));
    texts_.cog += DegreeSign(languageIndex_);
    texts_.fixMode =
        store.fixMode == 2 || store.fixMode == 3 ? Format("%dD", store.fixMode) : "Lost";
    texts_.inView = Format("%d", store.satellitesInView);
    texts_.inUse = Format("%d", store.satellitesUsed);
    texts_.hdop = Format("%4.1f", static_cast<double>(store.hdop));
    change.texts = true;
  }
  if (std::strncmp(record.formatter, "GSV", 4) == 0) {
    const int8_t total = store.gsvTotal;
    const int8_t number = store.gsvNumber;
    if (total != lastTotal_ || number < lastNumber_ || total == 1) {
      StartCycle(store);
      change.satellites = true;
    } else {
      AddToCurrent(store);
    }
    lastTotal_ = total;
    lastNumber_ = number;
  }
  return change;
}

void GpsStatusView::StartCycle(const GnssStore& store) {
  ShowCurrentList(store);
  previous_ = current_;
  current_.count = 0;
  const int entries = GsvEntries(store);
  for (int k = 0; k < entries; ++k) {
    if (store.gsvId[k] <= 0) continue;
    // Four entries a sentence never fill the 24 places of a fresh list.
    const auto at = static_cast<size_t>(current_.count++);
    current_.satelliteNumber[at] = store.gsvId[k];
    current_.elevation[at] = store.gsvElevation[k];
    current_.azimuth[at] = store.gsvAzimuth[k];
    current_.snr[at] = store.gsvSnr[k];
  }
}

void GpsStatusView::ShowCurrentList(const GnssStore& store) {
  const int shown = static_cast<int>(bars_.size());
  bars_.clear();
  for (int i = 0; i < std::min(shown, kMarkerCount); ++i) sky_.SetVisible(i, false);

  for (int i = 0; i < current_.count; ++i) {
    const auto at = static_cast<size_t>(i);
    // An empty SNR field shows what stood at the same place in the cycle before.
    if (current_.snr[at] < 0 && i < previous_.count) current_.snr[at] = previous_.snr[at];
    const int8_t satellite = current_.satelliteNumber[at];
    const bool inUse = InUse(store, satellite);
    bars_.push_back(
        {current_.snr[at], Format("%d", satellite), inUse ? BarColour::kLime : BarColour::kBlue});
    sky_.SetMarker(i, satellite, current_.azimuth[at], current_.elevation[at], inUse);
    sky_.SetVisible(i, true);
  }
  FillBars(bars_);
  sky_.satelliteCount = current_.count;
}

void GpsStatusView::AddToCurrent(const GnssStore& store) {
  const int entries = GsvEntries(store);
  for (int k = 0; k < entries; ++k) {
    const int8_t satellite = store.gsvId[k];
    if (satellite <= 0) continue;
    int at = 0;
    while (at < current_.count && current_.satelliteNumber[static_cast<size_t>(at)] != satellite) {
      ++at;
    }
    if (at >= kSatelliteListSize) continue;  // a 25th satellite is dropped
    const auto place = static_cast<size_t>(at);
    current_.satelliteNumber[place] = satellite;
    current_.azimuth[place] = store.gsvAzimuth[k];
    current_.elevation[place] = store.gsvElevation[k];
    current_.snr[place] = store.gsvSnr[k];
    if (at == current_.count) ++current_.count;
  }
}

}  // namespace pelyx::views
