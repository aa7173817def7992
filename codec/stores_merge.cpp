// Formatter groups and the merge of a decoded record into its store. A merge writes
// only the fields its formatter delivers; everything else keeps its last value.
#include <algorithm>
#include <cstring>
#include <iterator>

#include "codec/formatter_key.h"
#include "codec/stores.h"

namespace pelyx {

namespace {

// Copies a NUL-terminated text into a store field, cut to the field's width.
template <size_t N, size_t M>
void CopyText(char (&dst)[N], const char (&src)[M]) {
  size_t n = static_cast<size_t>(std::find(src, src + M, '\0') - src);
  if (n > N - 1) n = N - 1;
  std::memcpy(dst, src, n);
  dst[n] = '\0';
}

void SetUtc(GnssStore& s, const UtcTime& t) {
  s.utcHour = t.hour;
  s.utcMinute = t.minute;
  s.utcSecond = t.second;
  s.utcHundredths = t.hundredths;
}

bool PlausibleTime(const GnssStore& s) {
  return s.utcHour < 24 && s.utcMinute < 60 && s.utcSecond < 60;
}

bool PlausibleDate(const GnssStore& s) {
  return s.year > 0 && s.month >= 1 && s.month <= 12 && s.day >= 1 && s.day <= 31;
}

// ---- GnssStore ----------------------------------------------------------------

void MergeGGA(const Payload& p, DataStores& d) {
  const auto& v = p.gga;
  auto& s = d.gnss;
  SetUtc(s, v.time);
  s.latitude = v.latitude;
  s.longitude = v.longitude;
  s.fixQuality = v.quality;
  s.geoidSeparation = v.geoidSeparation;
  s.satellitesUsed = v.satellitesInUse;
  s.positionValid = v.quality >= 1 && v.quality <= 3;
  if (s.positionValid && PlausibleTime(s)) s.utcValid = 1;
}

void MergeGBS(const Payload& p, DataStores& d) {
  const auto& v = p.gbs;
  auto& s = d.gnss;
  SetUtc(s, v.time);
  s.gbsErrorLatitude = v.errorLatitude;
  s.gbsErrorLongitude = v.errorLongitude;
  s.gbsErrorAltitude = v.errorAltitude;
  s.gbsFailedSatellite = v.failedSatellite;
  s.gbsMissedProbability = v.missedProbability;
  s.gbsBias = v.bias;
  s.gbsBiasDeviation = v.biasDeviation;
}

void MergeGLL(const Payload& p, DataStores& d) {
  const auto& v = p.gll;
  auto& s = d.gnss;
  SetUtc(s, v.time);
  s.latitude = v.latitude;
  s.longitude = v.longitude;
  s.modeIndicator = v.modeIndicator;
  s.status = v.status;
  s.positionValid = v.status == 'A';
}

void MergeGSA(const Payload& p, DataStores& d) {
  const auto& v = p.gsa;
  auto& s = d.gnss;
  s.gsaMode = v.selectionMode;
  s.fixMode = v.fixMode;
  int used = 0;
  for (int i = 0; i < 12; ++i) {
    s.usedSatellites[i] = v.satellites[i];
    used += v.satellites[i] > 0;
  }
  s.pdop = v.pdop;
  s.hdop = v.hdop;
  s.vdop = v.vdop;
  s.satellitesUsed = static_cast<int8_t>(used);
}

void MergeGSV(const Payload& p, DataStores& d) {
  const auto& v = p.gsv;
  auto& s = d.gnss;
  s.satellitesInView = v.satellitesInView;
  s.gsvCount = v.entryCount;
  for (int i = 0; i < v.entryCount && i < 4; ++i) {
    s.gsvId[i] = v.id[i];
    s.gsvElevation[i] = v.elevation[i];
    s.gsvAzimuth[i] = v.azimuth[i];
    s.gsvSnr[i] = v.snr[i];
  }
  s.gsvTotal = v.total;
  s.gsvNumber = v.number;
}

void MergeRMC(const Payload& p, DataStores& d) {
  const auto& v = p.rmc;
  auto& s = d.gnss;
  SetUtc(s, v.time);
  s.year = v.year;
  s.month = v.month;
  s.day = v.day;
  s.latitude = v.latitude;
  s.longitude = v.longitude;
  s.courseTrue = v.courseTrue;
  s.speedKnots = v.speedKnots;
  s.status = v.status;
  s.modeIndicator = v.modeIndicator;
  s.positionValid = v.status == 'A';
  if (v.status == 'A' && PlausibleTime(s) && PlausibleDate(s)) s.utcValid = 1;
}

void MergeVTG(const Payload& p, DataStores& d) {
  const auto& v = p.vtg;
  auto& s = d.gnss;
  s.courseTrue = v.courseTrue;
  s.courseMagnetic = v.courseMagnetic;
  s.speedKnots = v.speedKnots;
  s.speedKmh = v.speedKmh;
  s.modeIndicator = v.modeIndicator;
}

void MergeZDA(const Payload& p, DataStores& d) {
  const auto& v = p.zda;
  auto& s = d.gnss;
  SetUtc(s, v.time);
  s.year = v.year;
  s.month = v.month;
  s.day = v.day;
  if (PlausibleTime(s) && PlausibleDate(s)) s.utcValid = 1;
}

// ---- HeadingSpeedStore --------------------------------------------------------

void MergeGNS(const Payload& p, DataStores& d) {
  const auto& v = p.gns;
  auto& s = d.headingSpeed;
  s.gnsHour = v.time.hour;
  s.gnsMinute = v.time.minute;
  s.gnsSecond = v.time.second;
  s.gnsLatitude = v.latitude;
  s.gnsLongitude = v.longitude;
  std::memcpy(s.gnsMode, v.mode, sizeof s.gnsMode);
  std::memcpy(s.gnsSatellites, v.satellites, sizeof s.gnsSatellites);
  s.gnsHdop = v.hdop;
  s.gnsAltitude = v.altitude;
  s.gnsGeoidSeparation = v.geoidSeparation;
  s.gnsDgpsAge = v.dgpsAge;
  s.gnsStationId = v.stationId;
}

void MergeHDT(const Payload& p, DataStores& d) {
  d.headingSpeed.heading = p.hdt.heading;
}

void MergeROT(const Payload& p, DataStores& d) {
  d.headingSpeed.rateOfTurn = p.rot.rateOfTurn;
  d.headingSpeed.speedStatus = p.rot.status;
}

void MergeVBW(const Payload& p, DataStores& d) {
  const auto& v = p.vbw;
  auto& s = d.headingSpeed;
  s.waterSpeedLongitudinal = v.waterLongitudinal;
  s.waterSpeedTransverse = v.waterTransverse;
  s.speedStatus = v.waterStatus;
  s.groundSpeedLongitudinal = v.groundLongitudinal;
  s.groundSpeedTransverse = v.groundTransverse;
  s.groundStatus = v.groundStatus;
}

// ---- AisStore -----------------------------------------------------------------

void MergeTXT(const Payload& p, DataStores& d) {
  auto& s = d.ais;
  s.txtTotal = p.txt.total;
  s.txtNumber = p.txt.number;
  s.txtId = p.txt.id;
  CopyText(s.txtText, p.txt.text);
}

void MergeABK(const Payload& p, DataStores& d) {
  const auto& v = p.abk;
  auto& s = d.ais;
  s.mmsi = v.mmsi;
  s.channel = static_cast<char>(v.channel);
  s.abkMessageId = static_cast<float>(v.messageId);
  s.abkSequence = v.sequence;
  s.abkAckType = v.ackType;
}

void MergeACA(const Payload& p, DataStores& d) {
  const auto& v = p.aca;
  auto& s = d.ais;
  s.channelSequence = v.sequence;
  s.acaNeLatitude = v.neLatitude;
  s.acaNeLongitude = v.neLongitude;
  s.acaSwLatitude = v.swLatitude;
  s.acaSwLongitude = v.swLongitude;
  s.acaTransitionZone = v.transitionZone;
  s.acaChannelA = v.channelA;
  s.acaBandwidthA = v.bandwidthA;
  s.acaChannelB = v.channelB;
  s.acaBandwidthB = v.bandwidthB;
  s.acaTxRxMode = v.txRxMode;
  s.acaPowerLevel = v.powerLevel;
  s.acaInfoSource = v.infoSource;
  s.acaInUse = v.inUse;
  s.timeHour = v.inUseTime.hour;
  s.timeMinute = v.inUseTime.minute;
  s.timeSecond = v.inUseTime.second;
}

void MergeACS(const Payload& p, DataStores& d) {
  const auto& v = p.acs;
  auto& s = d.ais;
  s.channelSequence = v.sequence;
  s.mmsi = v.mmsi;
  s.timeHour = v.time.hour;
  s.timeMinute = v.time.minute;
  s.timeSecond = v.time.second;
  s.timeHundredths = v.time.hundredths;
  s.timeDay = static_cast<uint8_t>(v.day);
  s.timeMonth = static_cast<uint8_t>(v.month);
  s.timeYear = static_cast<uint8_t>(v.year);
}

void MergeSSD(const Payload& p, DataStores& d) {
  const auto& v = p.ssd;
  auto& s = d.ais;
  CopyText(s.callSign, v.callSign);
  CopyText(s.shipName, v.name);
  s.dimensionA = v.dimensionA;
  s.dimensionB = v.dimensionB;
  s.dimensionC = static_cast<uint8_t>(v.dimensionC);
  s.dimensionD = static_cast<uint8_t>(v.dimensionD);
  s.dte = static_cast<uint8_t>(v.dte);
  CopyText(s.sourceId, v.sourceId);
}

void MergeVSD(const Payload& p, DataStores& d) {
  const auto& v = p.vsd;
  auto& s = d.ais;
  s.shipType = v.shipType;
  s.draught = v.draught;
  s.personsOnBoard = v.personsOnBoard;
  CopyText(s.destination, v.destination);
  s.timeHour = v.eta.hour;
  s.timeMinute = v.eta.minute;
  s.timeSecond = v.eta.second;
  s.timeHundredths = v.eta.hundredths;
  s.timeDay = static_cast<uint8_t>(v.etaDay);
  s.timeMonth = static_cast<uint8_t>(v.etaMonth);
  s.navStatus = static_cast<uint8_t>(v.navStatus);
  s.regionalFlags = static_cast<uint8_t>(v.regionalFlags);
}

void MergeFragment(const EncapsulationFields& v, AisStore& s) {
  s.msgTotal = v.total;
  s.msgNumber = v.number;
  s.msgSequenceId = v.sequenceId;
  s.msgFillBits = v.fillBits;
  CopyText(s.msgPayload, v.payload);
  s.channel = v.channel;
}

void MergeABM(const Payload& p, DataStores& d) {
  MergeFragment(p.encap, d.ais);
  d.ais.mmsi = p.encap.destinationMmsi;
  d.ais.messageId = p.encap.messageId;
}

void MergeBBM(const Payload& p, DataStores& d) {
  MergeFragment(p.encap, d.ais);
  d.ais.messageId = p.encap.messageId;
}

void MergeVDM(const Payload& p, DataStores& d) {
  MergeFragment(p.encap, d.ais);
}

void MergeVDO(const Payload& p, DataStores& d) {
  MergeFragment(p.encap, d.ais);
  if (p.encap.channel == kNoInt8) d.ais.channel = 'x';  // own-ship report without channel
}

void MergeALR(const Payload& p, DataStores& d) {
  d.ais.alarm = p.alr;
}

void MergeACK(const Payload& p, DataStores& d) {
  d.ais.ackAlarmId = static_cast<uint16_t>(p.ack.alarmId);
}

// ---- ProprietaryStore ---------------------------------------------------------

void MergeMID(const Payload& p, DataStores& d) {
  d.proprietary.midNumber1 = p.mid.number1;
  d.proprietary.midNumber2 = p.mid.number2;
}

void MergeBDY(const Payload& p, DataStores& d) {
  auto& s = d.proprietary;
  s.bdyNumber = p.bdy.number;
  CopyText(s.bdyText1, p.bdy.text1);
  CopyText(s.bdyText2, p.bdy.text2);
  s.bdyByte1 = static_cast<uint8_t>(p.bdy.byte1);
  s.bdyByte2 = static_cast<uint8_t>(p.bdy.byte2);
}

void MergeTST(const Payload& p, DataStores& d) {
  auto& s = d.proprietary;
  s.tstNumber = p.tst.number;
  s.tstByte = p.tst.byte;
  s.tstChar1 = p.tst.char1;
  s.tstChar2 = p.tst.char2;
  s.tstWord = p.tst.word;
}

void MergeFRQ(const Payload& p, DataStores& d) {
  auto& s = d.proprietary;
  for (int i = 0; i < 2; ++i) {
    s.frqNumber[i] = p.frq.number[i];
    s.frqByte[i] = static_cast<uint8_t>(p.frq.byte[i]);
  }
}

void MergeBTH(const Payload& p, DataStores& d) {
  auto& s = d.proprietary;
  std::memcpy(s.bthValue, p.bth.value, sizeof s.bthValue);
  CopyText(s.bthText, p.bth.text);
}

void MergeDBG(const Payload& p, DataStores& d) {
  auto& s = d.proprietary;
  std::memcpy(s.dbgCode, p.dbg.code, sizeof s.dbgCode);
  std::memcpy(s.dbgValue, p.dbg.value, sizeof s.dbgValue);
}

void MergeTPS(const Payload& p, DataStores& d) {
  d.proprietary.tpsNumber = p.tps.number;
  CopyText(d.proprietary.tpsText, p.tps.text);
}

void MergeMOB(const Payload& p, DataStores& d) {
  const auto& v = p.mob;
  auto& s = d.proprietary;
  std::memcpy(s.mobId, v.id, sizeof s.mobId);
  s.mobByte1 = v.byte1;
  s.mobByte2 = v.byte2;
  if (v.hasByte3) s.mobByte3 = v.byte3;
  s.mobHasByte3 = v.hasByte3;
  if (v.dataLength > 0 && v.dataLength < 20) {
    std::memcpy(s.mobData, v.data, v.dataLength);
    s.mobDataLength = v.dataLength;
  } else {
    s.mobDataLength = 0;
  }
}

using MergeFn = void (*)(const Payload&, DataStores&);

struct GroupEntry {
  char formatter[4];
  int group;
  MergeFn merge;
};

// clang-format off
constexpr GroupEntry kGroups[] = {
    {"GGA", kGroupGnss, MergeGGA}, {"GLL", kGroupGnss, MergeGLL}, {"GBS", kGroupGnss, MergeGBS},
    {"GSA", kGroupGnss, MergeGSA}, {"GSV", kGroupGnss, MergeGSV}, {"RMC", kGroupGnss, MergeRMC},
    {"VTG", kGroupGnss, MergeVTG}, {"ZDA", kGroupGnss, MergeZDA},
    {"ROT", kGroupHeadingSpeed, MergeROT}, {"HDT", kGroupHeadingSpeed, MergeHDT},
    {"VBW", kGroupHeadingSpeed, MergeVBW}, {"GNS", kGroupHeadingSpeed, MergeGNS},
    {"ABK", kGroupAis, MergeABK}, {"ACA", kGroupAis, MergeACA}, {"ACK", kGroupAis, MergeACK},
    {"ACS", kGroupAis, MergeACS}, {"ALR", kGroupAis, MergeALR}, {"SSD", kGroupAis, MergeSSD},
    {"VSD", kGroupAis, MergeVSD}, {"ABM", kGroupAis, MergeABM}, {"BBM", kGroupAis, MergeBBM},
    {"VDM", kGroupAis, MergeVDM}, {"VDO", kGroupAis, MergeVDO}, {"TXT", kGroupAis, MergeTXT},
    {"MID", kGroupProprietary, MergeMID}, {"BDY", kGroupProprietary, MergeBDY},
    {"TST", kGroupProprietary, MergeTST}, {"FRQ", kGroupProprietary, MergeFRQ},
    {"BTH", kGroupProprietary, MergeBTH}, {"DBG", kGroupProprietary, MergeDBG},
    {"TPS", kGroupProprietary, MergeTPS}, {"MOB", kGroupProprietary, MergeMOB},
};
// clang-format on

struct GroupKeys {
  uint32_t key[std::size(kGroups)];
  constexpr GroupKeys() : key() {
    for (size_t i = 0; i < std::size(kGroups); ++i) key[i] = FormatterKey(kGroups[i].formatter);
  }
};
constexpr GroupKeys kGroupKeys;

const GroupEntry* FindGroup(const char* formatter) {
  uint32_t key = FormatterKey(formatter);
  for (size_t i = 0; i < std::size(kGroups); ++i) {
    if (kGroupKeys.key[i] == key) return &kGroups[i];
  }
  return nullptr;
}

}  // namespace

int FormatterGroup(const char* formatter) {
  const GroupEntry* entry = FindGroup(formatter);
  return entry == nullptr ? kGroupNone : entry->group;
}

int8_t TalkerKind(const char* talker) {
  // clang-format off
  static constexpr struct { char talker[3]; int8_t kind; } kKinds[] = {
      {"GP", 1}, {"GL", 2}, {"GN", 3}, {"LC", 4}, {"IN", 6}};
  // clang-format on
  for (const auto& k : kKinds) {
    if (std::strncmp(k.talker, talker, 3) == 0) return k.kind;
  }
  return 0;
}

void MergeIntoStore(const SentenceRecord& record, DataStores& stores) {
  const GroupEntry* entry = FindGroup(record.formatter);
  if (entry == nullptr) return;
  int8_t* talkerKind = entry->group == kGroupGnss           ? &stores.gnss.talkerKind
                       : entry->group == kGroupHeadingSpeed ? &stores.headingSpeed.talkerKind
                       : entry->group == kGroupAis          ? &stores.ais.talkerKind
                                                            : nullptr;
  if (talkerKind != nullptr) *talkerKind = TalkerKind(record.talker);
  entry->merge(record.payload, stores);
  if (entry->merge == MergeDBG) stores.proprietary.dbgDirectionLetter = record.directionLetter;
}

}  // namespace pelyx
