#include "tools/sim/sentences.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "config/receiver_protocol.h"

namespace pelyx::sim {

namespace {

template <typename... Args>
std::string Format(const char* format, Args... args) {
  char buffer[128];
  int n = std::snprintf(buffer, sizeof buffer, format, args...);
  if (n < 0) return {};
  return std::string(buffer, std::min(static_cast<size_t>(n), sizeof buffer - 1));
}

std::string TimeField(const UtcDateTime& t) {
  return Format("%02d%02d%02d.%02d", t.hour, t.minute, t.second, t.millisecond / 10);
}

// Degrees and minutes with five decimals, rounded once on the whole value so that
// 59.999996 minutes never shows as 60.
std::string DegreesMinutes(double value, int degreeDigits) {
  const int64_t total = std::llround(std::fabs(value) * 60.0 * 100000.0);
  const int64_t degrees = total / 6'000'000;
  const int64_t minutes = total % 6'000'000 / 100000;
  const int64_t fraction = total % 100000;
  return Format("%0*lld%02lld.%05lld", degreeDigits, static_cast<long long>(degrees),
                static_cast<long long>(minutes), static_cast<long long>(fraction));
}

double Wrap360(double degrees) {
  double d = std::fmod(degrees, 360.0);
  return d < 0 ? d + 360.0 : d;
}

uint32_t SpeedRaw(double knots) {
  const long raw = std::lround(knots * 10.0);
  return static_cast<uint32_t>(std::clamp(raw, 0L, 1022L));
}

uint32_t CourseRaw(double degrees) {
  return static_cast<uint32_t>(std::lround(Wrap360(degrees) * 10.0)) % 3600;
}

uint32_t HeadingRaw(double courseDegrees, double speedKnots) {
  if (speedKnots <= 0.0) return 511;
  return static_cast<uint32_t>(std::lround(Wrap360(courseDegrees))) % 360;
}

ais::PayloadEncoder& PutDimensions(ais::PayloadEncoder& e, const Dimensions& d) {
  return e.Unsigned(static_cast<uint32_t>(d.toBow), 9)
      .Unsigned(static_cast<uint32_t>(d.toStern), 9)
      .Unsigned(static_cast<uint32_t>(d.toPort), 6)
      .Unsigned(static_cast<uint32_t>(d.toStarboard), 6);
}

ais::PayloadEncoder& Header(ais::PayloadEncoder& e, int type, uint32_t mmsi) {
  return e.Unsigned(static_cast<uint32_t>(type), 6).Unsigned(0, 2).Unsigned(mmsi, 30);
}

ais::PayloadEncoder& Coordinates(ais::PayloadEncoder& e, Position p) {
  return e.Signed(LongitudeRaw(p.longitude), 28).Signed(LatitudeRaw(p.latitude), 27);
}

constexpr uint32_t kGpsDevice = 1;

}  // namespace

// ---- GNSS ---------------------------------------------------------------------

std::string LatitudeFields(double latitude) {
  return DegreesMinutes(latitude, 2) + (latitude < 0 ? ",S" : ",N");
}

std::string LongitudeFields(double longitude) {
  return DegreesMinutes(longitude, 3) + (longitude < 0 ? ",W" : ",E");
}

std::string GgaSentence(const GnssFix& fix, int satellitesInUse) {
  return config::WithChecksum("$GPGGA," + TimeField(fix.time) + "," +
                              LatitudeFields(fix.position.latitude) + "," +
                              LongitudeFields(fix.position.longitude) +
                              Format(",1,%02d,%.1f,%.1f,M,%.1f,M,,", satellitesInUse, fix.hdop,
                                     fix.altitude, fix.geoidSeparation));
}

std::string GllSentence(const GnssFix& fix) {
  return config::WithChecksum("$GPGLL," + LatitudeFields(fix.position.latitude) + "," +
                              LongitudeFields(fix.position.longitude) + "," + TimeField(fix.time) +
                              ",A,A");
}

std::string RmcSentence(const GnssFix& fix) {
  const double variation = fix.magneticVariation;
  return config::WithChecksum(
      "$GPRMC," + TimeField(fix.time) + ",A," + LatitudeFields(fix.position.latitude) + "," +
      LongitudeFields(fix.position.longitude) +
      Format(",%.1f,%.1f,%02d%02d%02d,%.1f,%c,A", fix.speedKnots, Wrap360(fix.courseDegrees),
             fix.time.day, fix.time.month, fix.time.year % 100, std::fabs(variation),
             variation < 0 ? 'W' : 'E'));
}

std::string GsaSentence(const GnssFix& fix, const std::vector<Satellite>& satellites) {
  std::string text = "$GPGSA,A,3";
  int written = 0;
  for (const Satellite& s : satellites) {
    if (!s.used || written == 12) continue;
    text += Format(",%02d", s.id);
    ++written;
  }
  for (; written < 12; ++written) text += ",";
  text += Format(",%.1f,%.1f,%.1f", fix.pdop, fix.hdop, fix.vdop);
  return config::WithChecksum(text);
}

std::string VtgSentence(const GnssFix& fix) {
  const double course = Wrap360(fix.courseDegrees);
  const double magnetic = Wrap360(course - fix.magneticVariation);
  return config::WithChecksum(Format("$GPVTG,%.1f,T,%.1f,M,%.1f,N,%.1f,K,A", course, magnetic,
                                     fix.speedKnots, fix.speedKnots * 1.852));
}

std::string ZdaSentence(const GnssFix& fix) {
  return config::WithChecksum(
      "$GPZDA," + TimeField(fix.time) +
      Format(",%02d,%02d,%04d,00,00", fix.time.day, fix.time.month, fix.time.year));
}

std::vector<std::string> GsvSentences(const std::vector<Satellite>& satellites) {
  std::vector<std::string> out;
  const int count = static_cast<int>(std::min<size_t>(satellites.size(), 36));
  const int total = std::max(1, (count + 3) / 4);
  for (int n = 1; n <= total; ++n) {
    std::string text = Format("$GPGSV,%d,%d,%02d", total, n, count);
    for (int i = (n - 1) * 4; i < std::min(count, n * 4); ++i) {
      const Satellite& s = satellites[static_cast<size_t>(i)];
      text += Format(",%02d,%02d,%03d,", s.id, s.elevation, s.azimuth);
      if (s.snr >= 0) text += Format("%02d", s.snr);
    }
    out.push_back(config::WithChecksum(text));
  }
  return out;
}

// ---- AIS --------------------------------------------------------------------------

int32_t LongitudeRaw(double longitude) {
  return static_cast<int32_t>(std::lround(longitude * 600000.0));
}

int32_t LatitudeRaw(double latitude) {
  return static_cast<int32_t>(std::lround(latitude * 600000.0));
}

ais::ArmouredPayload PositionReport(int type, uint32_t mmsi, int navigationalStatus,
                                    Position position, double speedKnots, double courseDegrees,
                                    int utcSecond) {
  ais::PayloadEncoder e;
  Header(e, type, mmsi)
      .Unsigned(static_cast<uint32_t>(navigationalStatus), 4)
      .Signed(speedKnots > 0 ? 0 : -128, 8)  // not turning; no information at anchor
      .Unsigned(SpeedRaw(speedKnots), 10)
      .Unsigned(1, 1);
  Coordinates(e, position)
      .Unsigned(CourseRaw(courseDegrees), 12)
      .Unsigned(HeadingRaw(courseDegrees, speedKnots), 9)
      .Unsigned(static_cast<uint32_t>(utcSecond), 6)
      .Unsigned(0, 4)
      .Unsigned(0, 1)
      .Unsigned(0, 1)
      .Unsigned(0, 19);
  return e.Armour();
}

ais::ArmouredPayload BaseStationReport(uint32_t mmsi, const UtcDateTime& time, Position position) {
  ais::PayloadEncoder e;
  Header(e, 4, mmsi)
      .Unsigned(static_cast<uint32_t>(time.year), 14)
      .Unsigned(static_cast<uint32_t>(time.month), 4)
      .Unsigned(static_cast<uint32_t>(time.day), 5)
      .Unsigned(static_cast<uint32_t>(time.hour), 5)
      .Unsigned(static_cast<uint32_t>(time.minute), 6)
      .Unsigned(static_cast<uint32_t>(time.second), 6)
      .Unsigned(1, 1);
  Coordinates(e, position).Unsigned(7, 4).Unsigned(0, 10).Unsigned(0, 1).Unsigned(0, 19);
  return e.Armour();
}

ais::ArmouredPayload StaticVoyageData(const Station& station, const UtcDateTime& eta) {
  ais::PayloadEncoder e;
  Header(e, 5, station.mmsi)
      .Unsigned(0, 2)
      .Unsigned(station.imoNumber, 30)
      .Text(station.callSign, 7)
      .Text(station.name, 20)
      .Unsigned(static_cast<uint32_t>(station.shipType), 8);
  PutDimensions(e, station.dimensions)
      .Unsigned(kGpsDevice, 4)
      .Unsigned(static_cast<uint32_t>(eta.month), 4)
      .Unsigned(static_cast<uint32_t>(eta.day), 5)
      .Unsigned(static_cast<uint32_t>(eta.hour), 5)
      .Unsigned(static_cast<uint32_t>(eta.minute), 6)
      .Unsigned(static_cast<uint32_t>(std::lround(station.draughtMetres * 10.0)), 8)
      .Text(station.destination, 20)
      .Unsigned(0, 1)
      .Unsigned(0, 1);
  return e.Armour();
}

ais::ArmouredPayload ClassBPositionReport(const Station& station, Position position,
                                          int utcSecond) {
  ais::PayloadEncoder e;
  Header(e, 18, station.mmsi).Unsigned(0, 8).Unsigned(SpeedRaw(station.speedKnots), 10);
  e.Unsigned(0, 1);
  Coordinates(e, position)
      .Unsigned(CourseRaw(station.courseDegrees), 12)
      .Unsigned(HeadingRaw(station.courseDegrees, station.speedKnots), 9)
      .Unsigned(static_cast<uint32_t>(utcSecond), 6)
      .Unsigned(0, 2)
      .Unsigned(1, 1)  // Class B "CS" unit
      .Unsigned(0, 1)  // no display
      .Unsigned(1, 1)  // DSC
      .Unsigned(1, 1)  // whole marine band
      .Unsigned(1, 1)  // accepts message 22
      .Unsigned(0, 1)  // autonomous mode
      .Unsigned(0, 1)  // RAIM
      .Unsigned(1, 1)  // ITDMA communication state follows
      .Unsigned(0b1100000000000000110, 19);
  return e.Armour();
}

ais::ArmouredPayload ExtendedClassBReport(const Station& station, Position position,
                                          int utcSecond) {
  ais::PayloadEncoder e;
  Header(e, 19, station.mmsi).Unsigned(0, 8).Unsigned(SpeedRaw(station.speedKnots), 10);
  e.Unsigned(0, 1);
  Coordinates(e, position)
      .Unsigned(CourseRaw(station.courseDegrees), 12)
      .Unsigned(HeadingRaw(station.courseDegrees, station.speedKnots), 9)
      .Unsigned(static_cast<uint32_t>(utcSecond), 6)
      .Unsigned(0, 4)
      .Text(station.name, 20)
      .Unsigned(static_cast<uint32_t>(station.shipType), 8);
  PutDimensions(e, station.dimensions)
      .Unsigned(kGpsDevice, 4)
      .Unsigned(0, 1)
      .Unsigned(0, 1)
      .Unsigned(0, 1)
      .Unsigned(0, 4);
  return e.Armour();
}

ais::ArmouredPayload AidToNavigationReport(const Station& station, Position position,
                                           int utcSecond) {
  const std::string name = station.name.substr(0, 20);
  const std::string extension = station.name.size() > 20 ? station.name.substr(20, 14) : "";
  ais::PayloadEncoder e;
  Header(e, 21, station.mmsi)
      .Unsigned(static_cast<uint32_t>(station.shipType), 5)
      .Text(name, 20)
      .Unsigned(1, 1);
  Coordinates(e, position);
  PutDimensions(e, station.dimensions)
      .Unsigned(kGpsDevice, 4)
      .Unsigned(static_cast<uint32_t>(utcSecond), 6)
      .Unsigned(0, 1)  // on position
      .Unsigned(0, 8)
      .Unsigned(0, 1)
      .Unsigned(0, 1)  // a real aid
      .Unsigned(0, 1)
      .Unsigned(0, 1)
      .Text(extension, 14)
      .Unsigned(0, 4);
  return e.Armour();
}

ais::ArmouredPayload StaticDataReportA(const Station& station) {
  ais::PayloadEncoder e;
  Header(e, 24, station.mmsi).Unsigned(0, 2).Text(station.name, 20);
  return e.Armour();
}

ais::ArmouredPayload StaticDataReportB(const Station& station) {
  ais::PayloadEncoder e;
  Header(e, 24, station.mmsi)
      .Unsigned(1, 2)
      .Unsigned(static_cast<uint32_t>(station.shipType), 8)
      .Text(station.vendorId, 7)
      .Text(station.callSign, 7);
  PutDimensions(e, station.dimensions).Unsigned(0, 6);
  return e.Armour();
}

}  // namespace pelyx::sim
