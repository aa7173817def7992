// The fill of a record from the data stores, for composing: the reverse of the merge.
// A caller configures an outgoing sentence by setting store fields; the fill copies
// them into the record's variant. The stores are only read.
#include <cstring>

#include "codec/stores.h"

namespace pelyx {

namespace {

// Copies a store text into a variant text, cut to the variant's width and always
// NUL-terminated, even when the store's text holds no NUL.
template <size_t N, size_t M>
void CopyText(char (&dst)[N], const char (&src)[M]) {
  const void* nul = std::memchr(src, '\0', M);
  size_t n = nul == nullptr ? M : static_cast<size_t>(static_cast<const char*>(nul) - src);
  if (n > N - 1) n = N - 1;
  std::memcpy(dst, src, n);
  dst[n] = '\0';
}

void GetUtc(UtcTime& t, const GnssStore& s) {
  t.hour = s.utcHour;
  t.minute = s.utcMinute;
  t.second = s.utcSecond;
  t.hundredths = s.utcHundredths;
}

// ---- GnssStore ----------------------------------------------------------------

void FillGGA(SentenceRecord& r, const DataStores& d) {
  auto& v = r.payload.gga;
  const auto& s = d.gnss;
  GetUtc(v.time, s);
  v.latitude = s.latitude;
  v.longitude = s.longitude;
  v.quality = s.fixQuality;
  v.geoidSeparation = s.geoidSeparation;
  v.satellitesInUse = s.satellitesUsed;
}

void FillGBS(SentenceRecord& r, const DataStores& d) {
  auto& v = r.payload.gbs;
  const auto& s = d.gnss;
  GetUtc(v.time, s);
  v.errorLatitude = s.gbsErrorLatitude;
  v.errorLongitude = s.gbsErrorLongitude;
  v.errorAltitude = s.gbsErrorAltitude;
  v.failedSatellite = s.gbsFailedSatellite;
  v.missedProbability = s.gbsMissedProbability;
  v.bias = s.gbsBias;
  v.biasDeviation = s.gbsBiasDeviation;
}

void FillGLL(SentenceRecord& r, const DataStores& d) {
  auto& v = r.payload.gll;
  const auto& s = d.gnss;
  v.latitude = s.latitude;
  v.longitude = s.longitude;
  GetUtc(v.time, s);
  v.status = s.status;
  v.modeIndicator = s.modeIndicator;
}

// The number of satellites in use is derived by the merge; it is not part of GSA.
void FillGSA(SentenceRecord& r, const DataStores& d) {
  auto& v = r.payload.gsa;
  const auto& s = d.gnss;
  v.selectionMode = s.gsaMode;
  v.fixMode = s.fixMode;
  std::memcpy(v.satellites, s.usedSatellites, sizeof v.satellites);
  v.pdop = s.pdop;
  v.hdop = s.hdop;
  v.vdop = s.vdop;
}

// Only the number of satellites in view: the entries of the store are those of the
// last GSV received, not a sky the system could send.
void FillGSV(SentenceRecord& r, const DataStores& d) {
  r.payload.gsv.satellitesInView = d.gnss.satellitesInView;
}

void FillRMC(SentenceRecord& r, const DataStores& d) {
  auto& v = r.payload.rmc;
  const auto& s = d.gnss;
  GetUtc(v.time, s);
  v.year = s.year;
  v.month = s.month;
  v.day = s.day;
  v.latitude = s.latitude;
  v.longitude = s.longitude;
  v.courseTrue = s.courseTrue;
  v.speedKnots = s.speedKnots;
  v.status = s.status;
  v.modeIndicator = s.modeIndicator;
}

void FillVTG(SentenceRecord& r, const DataStores& d) {
  auto& v = r.payload.vtg;
  const auto& s = d.gnss;
  v.courseTrue = s.courseTrue;
  v.courseMagnetic = s.courseMagnetic;
  v.speedKnots = s.speedKnots;
  v.speedKmh = s.speedKmh;
  v.modeIndicator = s.modeIndicator;
}

void FillZDA(SentenceRecord& r, const DataStores& d) {
  auto& v = r.payload.zda;
  const auto& s = d.gnss;
  GetUtc(v.time, s);
  v.year = s.year;
  v.month = s.month;
  v.day = s.day;
}

// ---- HeadingSpeedStore --------------------------------------------------------

// The store keeps the time of the fix without hundredths; those stay as they were.
void FillGNS(SentenceRecord& r, const DataStores& d) {
  auto& v = r.payload.gns;
  const auto& s = d.headingSpeed;
  v.time.hour = s.gnsHour;
  v.time.minute = s.gnsMinute;
  v.time.second = s.gnsSecond;
  v.latitude = s.gnsLatitude;
  v.longitude = s.gnsLongitude;
  std::memcpy(v.mode, s.gnsMode, sizeof v.mode);
  std::memcpy(v.satellites, s.gnsSatellites, sizeof v.satellites);
  v.hdop = s.gnsHdop;
  v.altitude = s.gnsAltitude;
  v.geoidSeparation = s.gnsGeoidSeparation;
  v.dgpsAge = s.gnsDgpsAge;
  v.stationId = s.gnsStationId;
}

void FillVBW(SentenceRecord& r, const DataStores& d) {
  auto& v = r.payload.vbw;
  const auto& s = d.headingSpeed;
  v.waterLongitudinal = s.waterSpeedLongitudinal;
  v.waterTransverse = s.waterSpeedTransverse;
  v.waterStatus = s.speedStatus;
  v.groundLongitudinal = s.groundSpeedLongitudinal;
  v.groundTransverse = s.groundSpeedTransverse;
  v.groundStatus = s.groundStatus;
}

// ROT and VBW share the status field of the store: the one of whichever came last.
void FillROT(SentenceRecord& r, const DataStores& d) {
  r.payload.rot.rateOfTurn = d.headingSpeed.rateOfTurn;
  r.payload.rot.status = d.headingSpeed.speedStatus;
}

void FillHDT(SentenceRecord& r, const DataStores& d) {
  r.payload.hdt.heading = d.headingSpeed.heading;
}

// ---- AisStore -----------------------------------------------------------------

void FillSSD(SentenceRecord& r, const DataStores& d) {
  auto& v = r.payload.ssd;
  const auto& s = d.ais;
  CopyText(v.callSign, s.callSign);
  CopyText(v.name, s.shipName);
  v.dimensionA = s.dimensionA;
  v.dimensionB = s.dimensionB;
  v.dimensionC = static_cast<int8_t>(s.dimensionC);
  v.dimensionD = static_cast<int8_t>(s.dimensionD);
  v.dte = static_cast<int8_t>(s.dte);
  CopyText(v.sourceId, s.sourceId);
}

// The ETA comes from the time fields that ACA, ACS and VSD share in the store.
void FillVSD(SentenceRecord& r, const DataStores& d) {
  auto& v = r.payload.vsd;
  const auto& s = d.ais;
  v.shipType = s.shipType;
  v.draught = s.draught;
  v.personsOnBoard = s.personsOnBoard;
  CopyText(v.destination, s.destination);
  v.eta.hour = s.timeHour;
  v.eta.minute = s.timeMinute;
  v.eta.second = s.timeSecond;
  v.eta.hundredths = s.timeHundredths;
  v.etaDay = static_cast<int8_t>(s.timeDay);
  v.etaMonth = static_cast<int8_t>(s.timeMonth);
  v.navStatus = static_cast<int8_t>(s.navStatus);
  v.regionalFlags = static_cast<int8_t>(s.regionalFlags);
}

void FillALR(SentenceRecord& r, const DataStores& d) {
  r.payload.alr = d.ais.alarm;
}

void FillACK(SentenceRecord& r, const DataStores& d) {
  r.payload.ack.alarmId = static_cast<int16_t>(d.ais.ackAlarmId);
}

// ---- ProprietaryStore ---------------------------------------------------------

void FillMID(SentenceRecord& r, const DataStores& d) {
  r.payload.mid.number1 = d.proprietary.midNumber1;
  r.payload.mid.number2 = d.proprietary.midNumber2;
}

void FillBDY(SentenceRecord& r, const DataStores& d) {
  auto& v = r.payload.bdy;
  const auto& s = d.proprietary;
  v.number = s.bdyNumber;
  CopyText(v.text1, s.bdyText1);
  CopyText(v.text2, s.bdyText2);
  v.byte1 = static_cast<int8_t>(s.bdyByte1);
  v.byte2 = static_cast<int8_t>(s.bdyByte2);
}

void FillTST(SentenceRecord& r, const DataStores& d) {
  auto& v = r.payload.tst;
  const auto& s = d.proprietary;
  v.number = s.tstNumber;
  v.byte = s.tstByte;
  v.char1 = s.tstChar1;
  v.char2 = s.tstChar2;
  v.word = s.tstWord;
}

void FillFRQ(SentenceRecord& r, const DataStores& d) {
  auto& v = r.payload.frq;
  const auto& s = d.proprietary;
  for (int i = 0; i < 2; ++i) {
    v.number[i] = s.frqNumber[i];
    v.byte[i] = static_cast<int8_t>(s.frqByte[i]);
  }
}

void FillBTH(SentenceRecord& r, const DataStores& d) {
  std::memcpy(r.payload.bth.value, d.proprietary.bthValue, sizeof r.payload.bth.value);
  CopyText(r.payload.bth.text, d.proprietary.bthText);
}

// The direction letter belongs to DBG: the composer writes the envelope from it.
void FillDBG(SentenceRecord& r, const DataStores& d) {
  std::memcpy(r.payload.dbg.code, d.proprietary.dbgCode, sizeof r.payload.dbg.code);
  std::memcpy(r.payload.dbg.value, d.proprietary.dbgValue, sizeof r.payload.dbg.value);
  r.directionLetter = d.proprietary.dbgDirectionLetter;
}

void FillTPS(SentenceRecord& r, const DataStores& d) {
  r.payload.tps.number = d.proprietary.tpsNumber;
  CopyText(r.payload.tps.text, d.proprietary.tpsText);
}

// The third byte only when the store says it is there; the data only with a length
// of 1 to 19, any other length is written back as 0 (no data).
void FillMOB(SentenceRecord& r, const DataStores& d) {
  auto& v = r.payload.mob;
  const auto& s = d.proprietary;
  std::memcpy(v.id, s.mobId, sizeof v.id);
  v.byte1 = s.mobByte1;
  v.byte2 = s.mobByte2;
  if (s.mobHasByte3) v.byte3 = s.mobByte3;
  v.hasByte3 = s.mobHasByte3;
  if (s.mobDataLength > 0 && s.mobDataLength < 20) {
    std::memcpy(v.data, s.mobData, s.mobDataLength);
    v.dataLength = s.mobDataLength;
  } else {
    v.dataLength = 0;
  }
}

using FillFn = void (*)(SentenceRecord&, const DataStores&);

struct FillEntry {
  char formatter[4];
  FillFn fill;
};

// The formatters whose records the stores can fill. ABK, ACA, ACS, TXT and the
// encapsulation sentences are not among them: a caller prepares those records itself.
// clang-format off
constexpr FillEntry kFills[] = {
    {"GGA", FillGGA}, {"GBS", FillGBS}, {"GLL", FillGLL}, {"GSA", FillGSA},
    {"GSV", FillGSV}, {"RMC", FillRMC}, {"VTG", FillVTG}, {"ZDA", FillZDA},
    {"GNS", FillGNS}, {"VBW", FillVBW}, {"ROT", FillROT}, {"HDT", FillHDT},
    {"SSD", FillSSD}, {"VSD", FillVSD}, {"ALR", FillALR}, {"ACK", FillACK},
    {"MID", FillMID}, {"BDY", FillBDY}, {"TST", FillTST}, {"FRQ", FillFRQ},
    {"BTH", FillBTH}, {"DBG", FillDBG}, {"TPS", FillTPS}, {"MOB", FillMOB},
};
// clang-format on

}  // namespace

void FillFromStore(SentenceRecord& record, const DataStores& stores) {
  for (const FillEntry& entry : kFills) {
    // Bounded by the record's field, which need not hold a NUL.
    if (std::strncmp(record.formatter, entry.formatter, sizeof record.formatter) == 0) {
      entry.fill(record, stores);
      return;
    }
  }
}

}  // namespace pelyx
