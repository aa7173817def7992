// GNSS and navigation sentences. Each parser is the field list of its sentence, read in
// order; the dispatch table has already checked the comma count. RMC, GNS, GSA, GSV and
// GBS also come in the NMEA 4.10 form, whose added last fields no store keeps: they are
// read and dropped.
#include <cstring>

#include "codec/fields.h"
#include "codec/parsers.h"

namespace pelyx::parsers {

namespace {
constexpr float kMaxDop = 99.9f;
}  // namespace

// $GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47
bool ParseGGA(char* text, int commas, SentenceRecord& record) {
  auto& v = record.payload.gga;
  FieldReader r(text, commas);
  return r.Time(v.time) && r.LatLon(v.latitude, v.longitude) && r.Int(v.quality, kNoInt8) &&
         r.Int(v.satellitesInUse, kNoInt8, 0, 12) && r.Real(v.hdop, kNoFloat, 0, kMaxDop) &&
         r.Real(v.altitude, kNoFloat) && r.Char(v.altitudeUnit) &&
         r.Real(v.geoidSeparation, kNoFloat) && r.Char(v.separationUnit) &&
         r.Real(v.dgpsAge, kNoFloat) && r.Int(v.dgpsStation, -1, 0, 1023);
}

// $GPGBS,015509.00,-0.031,-0.186,0.219,19,0.000,-0.354,6.972*4D
// $GNGBS,...,6.972,1,1*hh adds the system and signal IDs.
bool ParseGBS(char* text, int commas, SentenceRecord& record) {
  auto& v = record.payload.gbs;
  FieldReader r(text, commas);
  return r.Time(v.time) && r.Real(v.errorLatitude, kNoFloat) &&
         r.Real(v.errorLongitude, kNoFloat) && r.Real(v.errorAltitude, kNoFloat) &&
         r.Int(v.failedSatellite, -1) && r.Real(v.missedProbability, kNoFloat) &&
         r.Real(v.bias, kNoFloat) && r.Real(v.biasDeviation, kNoFloat) && r.DropRest();
}

// $GPGLL,4916.45,N,12311.12,W,225444,A,A*5C
bool ParseGLL(char* text, int commas, SentenceRecord& record) {
  auto& v = record.payload.gll;
  FieldReader r(text, commas);
  return r.LatLon(v.latitude, v.longitude) && r.Time(v.time) && r.Char(v.status) &&
         r.Char(v.modeIndicator);
}

// $GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1*39
// $GNGSA,...,2.1,1*hh adds the system ID.
bool ParseGSA(char* text, int commas, SentenceRecord& record) {
  auto& v = record.payload.gsa;
  FieldReader r(text, commas);
  if (!(r.Char(v.selectionMode) && r.Int(v.fixMode))) return false;
  for (int8_t& satellite : v.satellites) {
    if (!r.Int(satellite, kNoInt8)) return false;
  }
  return r.Real(v.pdop, kNoFloat) && r.Real(v.hdop, kNoFloat) && r.Real(v.vdop, kNoFloat) &&
         r.DropRest();
}

// $GPGSV,3,1,11,03,03,111,00,04,15,270,00,06,01,010,00,13,06,292,00*74
// 7, 11, 15 or 19 commas carry 1 to 4 satellite entries; one comma more, the signal ID
// after the entries.
bool ParseGSV(char* text, int commas, SentenceRecord& record) {
  auto& v = record.payload.gsv;
  std::memset(&v, 0x80, sizeof v);  // every counter, number, elevation and SNR: -128
  for (int16_t& azimuth : v.azimuth) azimuth = -1;
  v.entryCount = static_cast<int8_t>((commas - 3) / 4);  // the signal ID's comma drops out
  FieldReader r(text, commas);
  if (!(r.Int(v.total, FieldReader::kConvert, 0, 9) &&
        r.Int(v.number, FieldReader::kConvert, 0, 9) && r.Int(v.satellitesInView))) {
    return false;
  }
  for (int i = 0; i < v.entryCount; ++i) {
    if (!(r.Int(v.id[i], kNoInt8) && r.Int(v.elevation[i], kNoInt8, 0, 90) &&
          r.Int(v.azimuth[i], -1, 0, 359) && r.Int(v.snr[i], kNoInt8, 0, 99))) {
      return false;
    }
  }
  return r.DropRest();
}

// $GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W,A*07
// $GNRMC,...,W,A,V*hh adds the navigation status.
bool ParseRMC(char* text, int commas, SentenceRecord& record) {
  auto& v = record.payload.rmc;
  FieldReader r(text, commas);
  return r.Time(v.time) && r.Char(v.status) && r.LatLon(v.latitude, v.longitude) &&
         r.Real(v.speedKnots, kNoFloat) && r.Real(v.courseTrue, kNoFloat) &&
         r.Date(v.year, v.month, v.day) && r.Real(v.magneticVariation, kNoFloat) &&
         r.Char(v.variationDirection, kNoInt8) && r.Char(v.modeIndicator) && r.DropRest();
}

// $GPVTG,054.7,T,034.4,M,005.5,N,010.2,K,A*25
bool ParseVTG(char* text, int commas, SentenceRecord& record) {
  auto& v = record.payload.vtg;
  FieldReader r(text, commas);
  return r.Real(v.courseTrue, kNoFloat) && r.Unit(v.unitT, kNoInt8) &&
         r.Real(v.courseMagnetic, kNoFloat) && r.Unit(v.unitM, kNoInt8) &&
         r.Real(v.speedKnots, kNoFloat) && r.Unit(v.unitN, kNoInt8) &&
         r.Real(v.speedKmh, kNoFloat) && r.Unit(v.unitK, kNoInt8) && r.Char(v.modeIndicator);
}

// $GPZDA,201530.00,04,07,2002,00,00*60
bool ParseZDA(char* text, int commas, SentenceRecord& record) {
  auto& v = record.payload.zda;
  FieldReader r(text, commas);
  return r.Time(v.time) && r.Int(v.day, kNoInt8, 1, 31) && r.Int(v.month, kNoInt8, 1, 12) &&
         r.Int(v.year, -1) && r.Int(v.zoneHours, kNoInt8, -13, 13) &&
         r.Int(v.zoneMinutes, kNoInt8, 0, 59);
}

// $GNGNS,014035.00,4332.69262,S,17235.48549,E,RR,13,0.9,25.63,11.24,,*70
// $GNGNS,...,11.24,,,V*hh adds the navigation status.
bool ParseGNS(char* text, int commas, SentenceRecord& record) {
  auto& v = record.payload.gns;
  FieldReader r(text, commas);
  return r.Time(v.time) && r.LatLon(v.latitude, v.longitude) && r.Prefix(v.mode, 2) &&
         r.Prefix(v.satellites, 2) && r.Real(v.hdop, kNoFloat, 0, kMaxDop) &&
         r.Real(v.altitude, kNoFloat) && r.Real(v.geoidSeparation, kNoFloat) &&
         r.Real(v.dgpsAge, kNoFloat) && r.Real(v.stationId, kNoFloat) && r.DropRest();
}

// $GPHDT,274.07,T*03
bool ParseHDT(char* text, int commas, SentenceRecord& record) {
  auto& v = record.payload.hdt;
  FieldReader r(text, commas);
  return r.Real(v.heading, kNoHeading) && r.Char(v.trueIndicator);
}

// $GPROT,35.6,A*01
bool ParseROT(char* text, int commas, SentenceRecord& record) {
  auto& v = record.payload.rot;
  FieldReader r(text, commas);
  return r.Real(v.rateOfTurn, kNoFloat) && r.Char(v.status);
}

// $VMVBW,12.3,0.07,A,11.78,0.12,A*63 (an empty speed reads 0)
bool ParseVBW(char* text, int commas, SentenceRecord& record) {
  auto& v = record.payload.vbw;
  FieldReader r(text, commas);
  return r.Real(v.waterLongitudinal) && r.Real(v.waterTransverse) && r.Char(v.waterStatus) &&
         r.Real(v.groundLongitudinal) && r.Real(v.groundTransverse) && r.Char(v.groundStatus);
}

// $GPDTM,W84,,0.0,N,0.0,E,0.0,W84*6F
bool ParseDTM(char* text, int commas, SentenceRecord& record) {
  auto& v = record.payload.dtm;
  FieldReader r(text, commas);
  return r.Text(v.localDatum, sizeof v.localDatum) && r.Char(v.subdivision) &&
         r.LatLon(v.latitudeOffset, v.longitudeOffset) && r.Real(v.altitudeOffset) &&
         r.Text(v.referenceDatum, sizeof v.referenceDatum);
}

// $GPGRS,024603.00,1,-1.8,-2.7,0.3,,,,,,,,,*6C
bool ParseGRS(char* text, int commas, SentenceRecord& record) {
  auto& v = record.payload.grs;
  FieldReader r(text, commas);
  if (!(r.Time(v.time) && r.Char(v.mode))) return false;
  for (float& residual : v.residual) {
    if (!r.Real(residual, kNoFloat)) return false;
  }
  return true;
}

// $GPGST,024603.00,3.2,6.6,4.7,47.3,5.8,5.6,22.0*58
bool ParseGST(char* text, int commas, SentenceRecord& record) {
  auto& v = record.payload.gst;
  FieldReader r(text, commas);
  return r.Time(v.time) && r.Real(v.rms, kNoFloat) && r.Real(v.semiMajor, kNoFloat) &&
         r.Real(v.semiMinor, kNoFloat) && r.Real(v.orientation, kNoFloat) &&
         r.Real(v.latitudeError, kNoFloat) && r.Real(v.longitudeError, kNoFloat) &&
         r.Real(v.altitudeError, kNoFloat);
}

// $RAOSD,35.1,A,36.0,P,10.2,P,15.3,0.1,N*41
bool ParseOSD(char* text, int commas, SentenceRecord& record) {
  auto& v = record.payload.osd;
  FieldReader r(text, commas);
  return r.Real(v.heading) && r.Char(v.headingStatus) && r.Real(v.course) &&
         r.Char(v.courseReference) && r.Real(v.speed) && r.Char(v.speedReference) &&
         r.Real(v.vesselSet) && r.Real(v.vesselDrift) && r.Char(v.speedUnits);
}

// $GPRMA,A,4917.24,N,12309.57,W,,,12.1,187.3,15.2,E*69
// Not comma-counted: the status and the position up to the longitude must be there;
// a sentence that ends before them is rejected.
bool ParseRMA(char* text, int /*commas*/, SentenceRecord& record) {
  auto& v = record.payload.rma;
  FieldReader r(text, 0);
  if (!r.Char(v.status)) return false;
  char* lat = r.Next();
  char* ns = r.Next();
  char* lon = r.Next();
  if (lat == nullptr || ns == nullptr || lon == nullptr) return false;
  char* ew = r.Next();
  LatLonFromFields(lat, ns, lon, ew, v.latitude, v.longitude);
  return true;
}

// $GPWPL,4917.16,N,12310.64,W,003*65
bool ParseWPL(char* text, int commas, SentenceRecord& record) {
  auto& v = record.payload.wpl;
  FieldReader r(text, commas);
  return r.LatLon(v.latitude, v.longitude) && r.Text(v.id, sizeof v.id);
}

}  // namespace pelyx::parsers
