// The decoded (or to-be-composed) form of one IEC 61162-1 sentence.
//
// Every formatter has a payload variant of its own. The variants live side by side
// in `Payload` (not in a union), so a parser writes only its own variant and the
// bytes it does not write keep whatever an earlier sentence left there, as the
// decoder promises; reading a variant other than the last one written is defined.
#pragma once

#include <cstdint>

namespace pelyx {

// Not-available values shared by the parsers, the stores and the composer.
inline constexpr float kNoLatitude = 91.0f;
inline constexpr float kNoLongitude = 181.0f;
inline constexpr float kNoFloat = -100000.0f;
inline constexpr int8_t kNoInt8 = -128;
inline constexpr float kNoHeading = 511.0f;
inline constexpr int32_t kNoDbgValue = INT32_MIN;
inline constexpr int16_t kNoDbgCode = 999;

// hhmmss.ss; 24:60:60 when the field was empty (hundredths then untouched).
struct UtcTime {
  uint8_t hour, minute, second, hundredths;
};

// ---- GNSS and navigation -------------------------------------------------

struct GgaFields {
  UtcTime time;
  float latitude, longitude;
  int8_t quality;
  int8_t satellitesInUse;
  float hdop;
  float altitude;
  char altitudeUnit;
  float geoidSeparation;
  char separationUnit;
  float dgpsAge;
  int16_t dgpsStation;
};

struct GbsFields {
  UtcTime time;
  float errorLatitude, errorLongitude, errorAltitude;
  int8_t failedSatellite;
  float missedProbability, bias, biasDeviation;
};

struct GllFields {
  float latitude, longitude;
  UtcTime time;
  char status;
  char modeIndicator;
};

struct GsaFields {
  char selectionMode;
  int8_t fixMode;
  int8_t satellites[12];
  float pdop, hdop, vdop;
};

struct GsvFields {
  int8_t total, number, satellitesInView;
  int8_t entryCount;
  int8_t id[4];
  int8_t elevation[4];
  int16_t azimuth[4];
  int8_t snr[4];
};

struct RmcFields {
  UtcTime time;
  char status;
  float latitude, longitude;
  float speedKnots;
  float courseTrue;
  int16_t year;
  int8_t month, day;
  float magneticVariation;
  char variationDirection;
  char modeIndicator;
};

struct VtgFields {
  float courseTrue;
  char unitT;
  float courseMagnetic;
  char unitM;
  float speedKnots;
  char unitN;
  float speedKmh;
  char unitK;
  char modeIndicator;
};

struct ZdaFields {
  UtcTime time;
  int8_t day, month;
  int16_t year;
  int8_t zoneHours, zoneMinutes;
};

struct GnsFields {
  UtcTime time;
  float latitude, longitude;
  char mode[2];
  char satellites[2];
  float hdop, altitude, geoidSeparation, dgpsAge, stationId;
};

struct HdtFields {
  float heading;
  char trueIndicator;
};

struct RotFields {
  float rateOfTurn;
  char status;
};

struct VbwFields {
  float waterLongitudinal, waterTransverse;
  char waterStatus;
  float groundLongitudinal, groundTransverse;
  char groundStatus;
};

struct DtmFields {
  char localDatum[4];
  char subdivision;
  float latitudeOffset, longitudeOffset;
  float altitudeOffset;
  char referenceDatum[66];
};

struct GrsFields {
  UtcTime time;
  char mode;
  float residual[12];
};

struct GstFields {
  UtcTime time;
  float rms, semiMajor, semiMinor, orientation;
  float latitudeError, longitudeError, altitudeError;
};

struct OsdFields {
  float heading;
  char headingStatus;
  float course;
  char courseReference;
  float speed;
  char speedReference;
  float vesselSet, vesselDrift;
  char speedUnits;
};

struct RmaFields {
  char status;
  float latitude, longitude;
};

struct WplFields {
  float latitude, longitude;
  char id[75];
};

// ---- AIS -------------------------------------------------------------------

// VDM, VDO, ABM and BBM share this variant; the payload assembly reads it.
struct EncapsulationFields {
  int8_t total, number, sequenceId, fillBits;
  char payload[64];
  char channel;  // VDM/VDO/ABM: the channel letter; BBM: a number
  int8_t messageId;
  uint32_t destinationMmsi;
};

struct TxtFields {
  int8_t total, number, id;
  char text[62];
};

struct AbkFields {
  uint32_t mmsi;
  int8_t channel;  // 'A' 0, 'B' 1
  int8_t messageId, sequence, ackType;
};

struct AckFields {
  int16_t alarmId;
};

struct AlrFields {
  uint8_t hour, minute, second, hundredths;
  int16_t id;
  char condition;
  char acknowledgement;
  char description[60];
};

struct AcaFields {
  char sequence;
  float neLatitude, neLongitude, swLatitude, swLongitude;
  char transitionZone;
  int16_t channelA;
  char bandwidthA;
  int16_t channelB;
  char bandwidthB, txRxMode, powerLevel, infoSource, inUse;
  UtcTime inUseTime;
};

struct AcsFields {
  char sequence;
  uint32_t mmsi;
  UtcTime time;
  int8_t day, month;
  int16_t year;  // the year modulo 256
};

struct SsdFields {
  char callSign[8];
  char name[21];
  int16_t dimensionA, dimensionB;
  int8_t dimensionC, dimensionD;
  int8_t dte;
  char sourceId[3];
};

struct VsdFields {
  int16_t shipType;
  float draught;
  int16_t personsOnBoard;
  char destination[21];
  UtcTime eta;
  int8_t etaDay, etaMonth;
  int8_t navStatus;
  int8_t regionalFlags;
};

struct AiqFields {
  int8_t value;
};

struct SmgFields {
  char text[80];
  int8_t value;
};

struct QueryFields {
  char text[83];
};

// ---- proprietary -----------------------------------------------------------

struct MidFields {
  uint32_t number1, number2;
};

struct BdyFields {
  uint32_t number;
  char text1[21], text2[21];
  int8_t byte1, byte2;
};

struct TstFields {
  uint32_t number;
  int8_t byte;
  char char1, char2;
  int16_t word;
};

struct FrqFields {
  uint32_t number[2];
  int8_t byte[2];
};

struct BthFields {
  int16_t value[6];
  char text[25];
};

struct DbgFields {
  int16_t code[4];
  int32_t value[4];
};

struct TpsFields {
  int16_t number;
  char text[25];
};

struct MobFields {
  uint8_t id[3];
  uint8_t byte1, byte2, byte3;
  uint8_t hasByte3;
  uint8_t data[20];
  uint8_t dataLength;
};

struct Payload {
  GgaFields gga;
  GbsFields gbs;
  GllFields gll;
  GsaFields gsa;
  GsvFields gsv;
  RmcFields rmc;
  VtgFields vtg;
  ZdaFields zda;
  GnsFields gns;
  HdtFields hdt;
  RotFields rot;
  VbwFields vbw;
  DtmFields dtm;
  GrsFields grs;
  GstFields gst;
  OsdFields osd;
  RmaFields rma;
  WplFields wpl;
  EncapsulationFields encap;
  TxtFields txt;
  AbkFields abk;
  AckFields ack;
  AlrFields alr;
  AcaFields aca;
  AcsFields acs;
  SsdFields ssd;
  VsdFields vsd;
  AiqFields aiq;
  SmgFields smg;
  QueryFields query;
  MidFields mid;
  BdyFields bdy;
  TstFields tst;
  FrqFields frq;
  BthFields bth;
  DbgFields dbg;
  TpsFields tps;
  MobFields mob;
};

struct SentenceRecord {
  char startChar;        // '$' or '!'
  char talker[3];        // "GP", "AI", ...; "P" for a proprietary sentence
  char formatter[4];     // "GGA", ...; "Q" for a query sentence
  char directionLetter;  // c of $PTSK,c,FFF,...; 0 otherwise
  Payload payload;
};

}  // namespace pelyx
