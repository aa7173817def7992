// The simulated receiver's surroundings: its own ship, the stations it hears, the
// satellites its GNSS receiver tracks, and the clock they move by.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pelyx::sim {

// Simulated time: milliseconds since the receiver was switched on.
using Millis = int64_t;

struct Position {
  double latitude;   // degrees, north positive
  double longitude;  // degrees, east positive
};

// Where a vessel that left `start` `elapsed` ago at constant speed and course is now.
Position DeadReckon(Position start, double speedKnots, double courseDegrees, Millis elapsed);

struct UtcDateTime {
  int year, month, day;
  int hour, minute, second, millisecond;
};

// The civil UTC date and time of milliseconds since 1970-01-01 00:00:00 UTC.
UtcDateTime UtcOf(int64_t epochMillis);

struct Dimensions {
  int toBow, toStern, toPort, toStarboard;  // metres
};

struct OwnShip {
  uint32_t mmsi;
  std::string name;
  std::string callSign;
  int shipType;
  Dimensions dimensions;
  Position start;
  double speedKnots;
  double courseDegrees;
};

enum class StationKind {
  kClassA,           // position reports (type 1 or 3) and static and voyage data (type 5)
  kBaseStation,      // base station reports (type 4)
  kClassB,           // Class B position reports (type 18) and static data (type 24 A and B)
  kClassBExtended,   // extended Class B position reports (type 19)
  kAidToNavigation,  // aid-to-navigation reports (type 21)
};

struct Station {
  StationKind kind;
  uint32_t mmsi;
  std::string name;  // an aid to navigation's name may run to 34 characters
  std::string callSign;
  uint32_t imoNumber;
  int shipType;  // type of ship and cargo; for an aid to navigation its type of aid
  Dimensions dimensions;
  Position start;
  double speedKnots;
  double courseDegrees;
  int navigationalStatus;  // Class A
  int positionType;        // Class A: 1 or 3
  std::string destination;
  double draughtMetres;
  std::string vendorId;  // Class B
  Millis reportPeriod;   // position (or base station, or aid) reports
  Millis staticPeriod;   // type 5 or type 24; 0 for none
  Millis phase;          // time of the first report after switch-on
};

struct Satellite {
  int id;
  int elevation;  // degrees
  int azimuth;    // degrees true
  int snr;        // dB-Hz, before the receiver's jitter; -1 when not tracked
  bool used;      // in the fix
};

// The defaults: a ship leaving the Kiel fjord; six stations within a few miles of
// `near` (two Class A ships, one under way and one at anchor, a base station, a Class B
// and an extended Class B yacht, an aid to navigation); ten satellites, eight of them
// in the fix.
OwnShip DefaultOwnShip();
std::vector<Station> DefaultStations(Position near);
std::vector<Satellite> DefaultSatellites();

}  // namespace pelyx::sim
