// The four data stores: the latest value of every field the system keeps, whichever
// sentence delivered it. A merge overwrites only the fields its formatter delivers.
#pragma once

#include <cstdint>

#include "codec/records.h"

namespace pelyx {

// Formatter groups; 3 and 5 are not assigned.
enum FormatterGroupId : int {
  kGroupNone = 0,
  kGroupGnss = 1,
  kGroupHeadingSpeed = 2,
  kGroupAis = 4,
  kGroupProprietary = 6,
};

struct GnssStore {
  int8_t talkerKind;
  uint8_t utcHour, utcMinute, utcSecond, utcHundredths;
  float latitude, longitude;
  int8_t fixQuality;
  char gsaMode;
  int8_t fixMode;
  float geoidSeparation;
  int16_t year;
  int8_t month, day;
  char modeIndicator;
  char status;
  float courseTrue;
  float courseMagnetic;
  float speedKnots;
  float speedKmh;
  int8_t satellitesUsed;
  int8_t usedSatellites[12];
  float pdop, hdop, vdop;
  int8_t satellitesInView;
  int8_t gsvTotal, gsvNumber;
  int8_t gsvCount;
  int8_t gsvId[4];
  int8_t gsvElevation[4];
  int16_t gsvAzimuth[4];
  int8_t gsvSnr[4];
  float gbsErrorLatitude, gbsErrorLongitude, gbsErrorAltitude;
  int8_t gbsFailedSatellite;
  float gbsMissedProbability, gbsBias, gbsBiasDeviation;
  uint8_t utcValid;
  uint8_t positionValid;
};

struct HeadingSpeedStore {
  int8_t talkerKind;
  uint8_t gnsHour, gnsMinute, gnsSecond;
  float gnsLatitude, gnsLongitude;
  char gnsMode[2];
  char gnsSatellites[2];
  float gnsHdop, gnsAltitude, gnsGeoidSeparation, gnsDgpsAge, gnsStationId;
  float heading;
  float rateOfTurn;
  float waterSpeedLongitudinal, waterSpeedTransverse;
  char speedStatus;
  float groundSpeedLongitudinal, groundSpeedTransverse;
  char groundStatus;
};

struct AisStore {
  int8_t talkerKind;
  int8_t txtTotal, txtNumber, txtId;
  char txtText[62];
  uint32_t mmsi;
  float abkMessageId;
  int8_t abkSequence, abkAckType;
  char channelSequence;
  float acaNeLatitude, acaNeLongitude, acaSwLatitude, acaSwLongitude;
  char acaTransitionZone;
  int16_t acaChannelA;
  char acaBandwidthA;
  int16_t acaChannelB;
  char acaBandwidthB, acaTxRxMode, acaPowerLevel, acaInfoSource, acaInUse;
  uint8_t timeHour, timeMinute, timeSecond, timeHundredths, timeDay, timeMonth, timeYear;
  char callSign[8];
  char shipName[21];
  int16_t dimensionA, dimensionB;
  uint8_t dimensionC, dimensionD;
  uint8_t dte;
  char sourceId[3];
  int16_t shipType;
  float draught;
  int16_t personsOnBoard;
  char destination[21];
  uint8_t navStatus;
  uint8_t regionalFlags;
  int8_t msgTotal, msgNumber, msgSequenceId, msgFillBits;
  char msgPayload[64];
  char channel;
  int8_t messageId;
  uint16_t ackAlarmId;
  AlrFields alarm;
};

struct ProprietaryStore {
  uint32_t midNumber1, midNumber2;
  uint32_t bdyNumber;
  char bdyText1[21], bdyText2[21];
  uint8_t bdyByte1, bdyByte2;
  uint32_t tstNumber;
  int8_t tstByte;
  char tstChar1, tstChar2;
  int16_t tstWord;
  uint32_t frqNumber[2];
  uint8_t frqByte[2];
  int16_t bthValue[6];
  char bthText[25];
  int16_t dbgCode[4];
  int32_t dbgValue[4];
  char dbgDirectionLetter;
  int16_t tpsNumber;
  char tpsText[25];
  uint8_t mobId[3];
  uint8_t mobByte1, mobByte2, mobByte3;
  uint8_t mobHasByte3;
  uint8_t mobData[20];
  uint8_t mobDataLength;
};

// One instance of each store, zero at start and never reset.
struct DataStores {
  GnssStore gnss{};
  HeadingSpeedStore headingSpeed{};
  AisStore ais{};
  ProprietaryStore proprietary{};
};

// Group of a formatter (exact, case-sensitive comparison of its three characters).
int FormatterGroup(const char* formatter);

// Talker code of a store's talkerKind: GP 1, GL 2, GN 3, LC 4, IN 6, anything else 0.
int8_t TalkerKind(const char* talker);

// Merges a decoded record into the store of its formatter's group (nothing for group 0).
void MergeIntoStore(const SentenceRecord& record, DataStores& stores);

// Copies store fields back into the record's variant for composing; never changes a store.
void FillFromStore(SentenceRecord& record, const DataStores& stores);

}  // namespace pelyx
