#include "tools/sim/world.h"

#include <cmath>
#include <numbers>
#include <utility>

namespace pelyx::sim {

Position DeadReckon(Position start, double speedKnots, double courseDegrees, Millis elapsed) {
  const double hours = static_cast<double>(elapsed) / 3'600'000.0;
  const double distanceNm = speedKnots * hours;
  const double course = courseDegrees * std::numbers::pi / 180.0;
  Position p = start;
  p.latitude += distanceNm * std::cos(course) / 60.0;
  const double midLatitude = (start.latitude + p.latitude) / 2.0 * std::numbers::pi / 180.0;
  p.longitude += distanceNm * std::sin(course) / (60.0 * std::cos(midLatitude));
  return p;
}

UtcDateTime UtcOf(int64_t epochMillis) {
  int64_t seconds = epochMillis / 1000;
  int millisecond = static_cast<int>(epochMillis % 1000);
  if (millisecond < 0) {
    millisecond += 1000;
    --seconds;
  }
  int64_t days = seconds / 86400;
  int64_t secondOfDay = seconds % 86400;
  if (secondOfDay < 0) {
    secondOfDay += 86400;
    --days;
  }
  // Civil date of a day number (days since 1970-01-01), proleptic Gregorian calendar.
  const int64_t z = days + 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t dayOfEra = z - era * 146097;
  const int64_t yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const int64_t mp = (5 * dayOfYear + 2) / 153;
  UtcDateTime t{};
  t.day = static_cast<int>(dayOfYear - (153 * mp + 2) / 5 + 1);
  t.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  t.year = static_cast<int>(yearOfEra + era * 400 + (t.month <= 2 ? 1 : 0));
  t.hour = static_cast<int>(secondOfDay / 3600);
  t.minute = static_cast<int>(secondOfDay / 60 % 60);
  t.second = static_cast<int>(secondOfDay % 60);
  t.millisecond = millisecond;
  return t;
}

OwnShip DefaultOwnShip() {
  OwnShip own;
  own.mmsi = 211000111;
  own.name = "SIMULATED OWN SHIP";
  own.callSign = "DSIM1";
  own.shipType = 37;  // pleasure craft
  own.dimensions = {8, 4, 2, 2};
  own.start = {54.3700, 10.1900};
  own.speedKnots = 8.0;
  own.courseDegrees = 30.0;
  return own;
}

namespace {

Station MakeStation(StationKind kind, uint32_t mmsi, std::string name, Position start,
                    double speedKnots, double courseDegrees, Millis reportPeriod,
                    Millis staticPeriod, Millis phase) {
  Station s{};
  s.kind = kind;
  s.mmsi = mmsi;
  s.name = std::move(name);
  s.start = start;
  s.speedKnots = speedKnots;
  s.courseDegrees = courseDegrees;
  s.positionType = 1;
  s.reportPeriod = reportPeriod;
  s.staticPeriod = staticPeriod;
  s.phase = phase;
  return s;
}

}  // namespace

std::vector<Station> DefaultStations(Position near) {
  auto at = [near](double dLat, double dLon) {
    return Position{near.latitude + dLat, near.longitude + dLon};
  };
  std::vector<Station> stations;

  Station trader = MakeStation(StationKind::kClassA, 219000431, "NORDIC TRADER", at(0.030, 0.045),
                               11.8, 73.0, 4000, 30000, 1200);
  trader.callSign = "OXAB2";
  trader.imoNumber = 9321483;
  trader.shipType = 70;  // cargo
  trader.dimensions = {120, 30, 10, 12};
  trader.navigationalStatus = 0;  // under way using engine
  trader.destination = "KIEL";
  trader.draughtMetres = 7.4;
  stations.push_back(trader);

  Station anchored = MakeStation(StationKind::kClassA, 211004560, "MARIA LUISE", at(-0.020, 0.030),
                                 0.0, 0.0, 10000, 30000, 3400);
  anchored.callSign = "DLMX";
  anchored.imoNumber = 9174305;
  anchored.shipType = 80;  // tanker
  anchored.dimensions = {85, 20, 8, 8};
  anchored.navigationalStatus = 1;  // at anchor
  anchored.positionType = 3;
  anchored.destination = "BREMERHAVEN";
  anchored.draughtMetres = 5.1;
  stations.push_back(anchored);

  stations.push_back(MakeStation(StationKind::kBaseStation, 2190100, "", at(0.060, -0.020), 0.0,
                                 0.0, 10000, 0, 2300));

  Station yacht = MakeStation(StationKind::kClassB, 211555230, "SEA SWALLOW", at(0.010, -0.040),
                              5.2, 210.0, 6000, 30000, 4500);
  yacht.callSign = "DH2345";
  yacht.shipType = 36;  // sailing
  yacht.dimensions = {9, 3, 2, 2};
  yacht.vendorId = "SIMVEND";
  stations.push_back(yacht);

  Station motorYacht = MakeStation(StationKind::kClassBExtended, 244670910, "BLUE HERON",
                                   at(-0.035, -0.015), 6.5, 320.0, 30000, 0, 7800);
  motorYacht.shipType = 37;  // pleasure craft
  motorYacht.dimensions = {12, 4, 3, 2};
  stations.push_back(motorYacht);

  Station buoy = MakeStation(StationKind::kAidToNavigation, 992191234, "FAIRWAY BUOY KIEL NORTH",
                             at(0.045, 0.010), 0.0, 0.0, 30000, 0, 5600);
  buoy.shipType = 22;  // type of aid: safe water mark
  buoy.dimensions = {1, 1, 1, 1};
  stations.push_back(buoy);
  return stations;
}

std::vector<Satellite> DefaultSatellites() {
  return {
      {2, 64, 118, 44, true},  {5, 41, 271, 42, true},  {7, 22, 45, 38, true},
      {9, 73, 196, 46, true},  {13, 35, 310, 40, true}, {16, 12, 150, 33, true},
      {20, 56, 82, 43, true},  {27, 18, 234, 35, true}, {29, 8, 17, 28, false},
      {30, 5, 340, -1, false},
  };
}

}  // namespace pelyx::sim
