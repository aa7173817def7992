// The local date and time, behind an interface so tests can fix them.
#pragma once

#include <cstdint>
#include <ctime>

namespace pelyx::ais {

struct LocalTime {
  uint16_t year;
  uint8_t month, day, hour, minute, second;
  bool operator==(const LocalTime&) const = default;
};

class Clock {
 public:
  virtual ~Clock() = default;
  virtual LocalTime Now() = 0;
};

// The machine's local time, seconds truncated; converted at most once per second.
class SystemClock : public Clock {
 public:
  LocalTime Now() override;

 private:
  std::time_t cachedSecond_ = -1;
  LocalTime cached_{};
};

}  // namespace pelyx::ais
