// The sentences the simulated receiver streams: its GNSS receiver's fix and sky in GGA,
// GLL, RMC, GSA, GSV, VTG and ZDA, and the AIS messages it hears, encoded field by
// field (ITU-R M.1371) and armoured for VDM/VDO.
#pragma once

#include <string>
#include <vector>

#include "ais/encoder.h"
#include "tools/sim/world.h"

namespace pelyx::sim {

// ---- GNSS ---------------------------------------------------------------------

struct GnssFix {
  UtcDateTime time;
  Position position;
  double speedKnots;
  double courseDegrees;
  double magneticVariation;  // degrees, east positive
  double altitude;           // metres above mean sea level
  double geoidSeparation;    // metres
  double pdop, hdop, vdop;
};

// Each a complete "$GP..." sentence with checksum and CR LF.
std::string GgaSentence(const GnssFix& fix, int satellitesInUse);
std::string GllSentence(const GnssFix& fix);
std::string RmcSentence(const GnssFix& fix);
std::string GsaSentence(const GnssFix& fix, const std::vector<Satellite>& satellites);
std::string VtgSentence(const GnssFix& fix);
std::string ZdaSentence(const GnssFix& fix);
// The GSV cycle: four satellites a sentence; a satellite with snr -1 has an empty SNR.
std::vector<std::string> GsvSentences(const std::vector<Satellite>& satellites);

// ddmm.mmmmm,N and dddmm.mmmmm,E: the position fields of GGA, GLL and RMC.
std::string LatitudeFields(double latitude);
std::string LongitudeFields(double longitude);

// ---- AIS --------------------------------------------------------------------------

// Raw values of the position fields: 1/10000 minute.
int32_t LongitudeRaw(double longitude);
int32_t LatitudeRaw(double latitude);

// Position report, type 1, 2 or 3 (168 bits).
ais::ArmouredPayload PositionReport(int type, uint32_t mmsi, int navigationalStatus,
                                    Position position, double speedKnots, double courseDegrees,
                                    int utcSecond);
// Base station report, type 4 (168 bits).
ais::ArmouredPayload BaseStationReport(uint32_t mmsi, const UtcDateTime& time, Position position);
// Static and voyage related data, type 5 (424 bits); the ETA is `eta`'s month, day,
// hour and minute.
ais::ArmouredPayload StaticVoyageData(const Station& station, const UtcDateTime& eta);
// Class B position report, type 18 (168 bits).
ais::ArmouredPayload ClassBPositionReport(const Station& station, Position position, int utcSecond);
// Extended Class B position report, type 19 (312 bits).
ais::ArmouredPayload ExtendedClassBReport(const Station& station, Position position, int utcSecond);
// Aid-to-navigation report, type 21 (360 bits): the first 20 characters of the name in
// the name field, the next 14 in the name extension.
ais::ArmouredPayload AidToNavigationReport(const Station& station, Position position,
                                           int utcSecond);
// Static data report, type 24 part A (160 bits) and part B (168 bits).
ais::ArmouredPayload StaticDataReportA(const Station& station);
ais::ArmouredPayload StaticDataReportB(const Station& station);

}  // namespace pelyx::sim
