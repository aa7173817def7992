#include "ais/clock.h"

namespace pelyx::ais {

LocalTime SystemClock::Now() {
  std::time_t now = std::time(nullptr);
  if (now != cachedSecond_) {
    std::tm tm{};
    localtime_r(&now, &tm);
    cached_ = {static_cast<uint16_t>(tm.tm_year + 1900), static_cast<uint8_t>(tm.tm_mon + 1),
               static_cast<uint8_t>(tm.tm_mday),         static_cast<uint8_t>(tm.tm_hour),
               static_cast<uint8_t>(tm.tm_min),          static_cast<uint8_t>(tm.tm_sec)};
    cachedSecond_ = now;
  }
  return cached_;
}

}  // namespace pelyx::ais
