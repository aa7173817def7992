// AIS sentences: the VDM/VDO/ABM/BBM encapsulation, the receiver's acknowledgements,
// alarms and texts, channel management, static and voyage data, and the query forms.
#include <cstddef>
#include <cstring>

#include "codec/fields.h"
#include "codec/parsers.h"

namespace pelyx::parsers {

namespace {

using R = FieldReader;

// Clears the encapsulation variant from its start up to and including `last`.
void ClearThrough(EncapsulationFields& v, size_t endOffset) {
  std::memset(&v, 0, endOffset);
}

// The encapsulated payload: at most 62 characters when the sequential identifier is
// empty or 0, at most 63 when it is 1 to 9; then the fill bits (0 to 5, never empty).
bool ReadPayloadAndFill(FieldReader& r, EncapsulationFields& v) {
  size_t limit = (v.sequenceId == kNoInt8 || v.sequenceId == 0) ? 62 : 63;
  return r.TextAtMost(v.payload, limit) && r.Int(v.fillBits, R::kReject, 0, 5);
}

bool ReadFragmentCounters(FieldReader& r, EncapsulationFields& v) {
  return r.Int(v.total, R::kConvert, 0, 9) && r.Int(v.number, R::kConvert, 0, 9) &&
         r.Int(v.sequenceId, kNoInt8, 0, 9);
}

}  // namespace

// !AIVDM,1,1,,B,177KQJ5000G?tO`K>RA1wUbN0TKH,0*5C  (VDO the same)
bool ParseVDM(char* text, int commas, SentenceRecord& record) {
  auto& v = record.payload.encap;
  ClearThrough(v, offsetof(EncapsulationFields, channel) + sizeof v.channel);
  FieldReader r(text, commas);
  return ReadFragmentCounters(r, v) && r.Char(v.channel, kNoInt8) && ReadPayloadAndFill(r, v);
}

// !AIABM,1,1,0,211378120,2,6,0400000000000,0*4B
bool ParseABM(char* text, int commas, SentenceRecord& record) {
  auto& v = record.payload.encap;
  ClearThrough(v, offsetof(EncapsulationFields, destinationMmsi) + sizeof v.destinationMmsi);
  FieldReader r(text, commas);
  return ReadFragmentCounters(r, v) && r.Int(v.destinationMmsi) && r.Char(v.channel, kNoInt8) &&
         r.Int(v.messageId) && ReadPayloadAndFill(r, v);
}

// !AIBBM,1,1,0,0,8,0400000000000,0*55  (the channel as a number)
bool ParseBBM(char* text, int commas, SentenceRecord& record) {
  auto& v = record.payload.encap;
  ClearThrough(v, offsetof(EncapsulationFields, messageId) + sizeof v.messageId);
  FieldReader r(text, commas);
  int8_t channel = 0;
  bool ok = ReadFragmentCounters(r, v) && r.Int(channel);
  v.channel = static_cast<char>(channel);
  return ok && r.Int(v.messageId) && ReadPayloadAndFill(r, v);
}

// $AITXT,01,01,91,FREQ 2087 2088*57
bool ParseTXT(char* text, int commas, SentenceRecord& record) {
  auto& v = record.payload.txt;
  FieldReader r(text, commas);
  return r.Int(v.total, kNoInt8, 1, 99) && r.Int(v.number, kNoInt8, 1, 99) &&
         r.Int(v.id, kNoInt8, 1, 99) && r.Text(v.text, sizeof v.text);
}

// $AIABK,211378120,B,6,1,0*24
bool ParseABK(char* text, int commas, SentenceRecord& record) {
  auto& v = record.payload.abk;
  FieldReader r(text, commas);
  if (!r.Int(v.mmsi)) return false;
  char channel;
  if (!r.Char(channel, kNoInt8)) return false;
  v.channel = channel == kNoInt8 ? kNoInt8 : static_cast<int8_t>(channel - 'A');
  return r.Int(v.messageId) && r.Int(v.sequence) && r.Int(v.ackType);
}

// $AIACK,001*5C
bool ParseACK(char* text, int commas, SentenceRecord& record) {
  FieldReader r(text, commas);
  return r.Int(record.payload.ack.alarmId, 1000);
}

// $AIALR,123456.00,002,A,V,AIS: Antenna VSWR exceeds limit*55
bool ParseALR(char* text, int commas, SentenceRecord& record) {
  auto& v = record.payload.alr;
  FieldReader r(text, commas);
  UtcTime time{v.hour, v.minute, v.second, v.hundredths};
  if (!r.Time(time)) return false;
  v.hour = time.hour;
  v.minute = time.minute;
  v.second = time.second;
  v.hundredths = time.hundredths;
  return r.Int(v.id) && r.Char(v.condition) && r.Char(v.acknowledgement) &&
         r.Text(v.description, sizeof v.description);
}

// $AIACA,1,5000.00,N,00200.00,W,4900.00,N,00300.00,W,4,2087,0,2088,0,0,0,C,1,123456.00*3F
bool ParseACA(char* text, int commas, SentenceRecord& record) {
  auto& v = record.payload.aca;
  FieldReader r(text, commas);
  return r.Char(v.sequence) && r.LatLon(v.neLatitude, v.neLongitude) &&
         r.LatLon(v.swLatitude, v.swLongitude) && r.Char(v.transitionZone) && r.Int(v.channelA) &&
         r.Char(v.bandwidthA) && r.Int(v.channelB) && r.Char(v.bandwidthB) && r.Char(v.txRxMode) &&
         r.Char(v.powerLevel) && r.Char(v.infoSource) && r.Char(v.inUse) && r.Time(v.inUseTime);
}

// $AIACS,1,211378120,123456.00,24,12,2026*7F  (the year is kept modulo 256)
bool ParseACS(char* text, int commas, SentenceRecord& record) {
  auto& v = record.payload.acs;
  FieldReader r(text, commas);
  int64_t year = 0;
  bool ok = r.Char(v.sequence) && r.Int(v.mmsi) && r.Time(v.time) && r.Int(v.day) &&
            r.Int(v.month) && r.Int(year);
  if (ok) v.year = static_cast<int16_t>(year & 0xFF);
  return ok;
}

// $AISSD,PD1234,SHIPNAME,050,010,05,05,0,AI*65
bool ParseSSD(char* text, int commas, SentenceRecord& record) {
  auto& v = record.payload.ssd;
  FieldReader r(text, commas);
  return r.Text(v.callSign, sizeof v.callSign, true) && r.Text(v.name, sizeof v.name, true) &&
         r.Int(v.dimensionA, 512) && r.Int(v.dimensionB, 512) && r.Int(v.dimensionC, 64) &&
         r.Int(v.dimensionD, 64) && r.Int(v.dte, 2) && r.Text(v.sourceId, sizeof v.sourceId);
}

// $AIVSD,070,5.2,12,ROTTERDAM,123000.00,24,12,0,0*11  (ship type kept to 8 bits)
bool ParseVSD(char* text, int commas, SentenceRecord& record) {
  auto& v = record.payload.vsd;
  FieldReader r(text, commas);
  char* shipType = r.Next();
  if (shipType == nullptr) return false;
  v.shipType =
      IsEmptyField(shipType) ? int16_t{256} : static_cast<int16_t>(DecimalValue(shipType) & 0xFF);
  return r.Real(v.draught, kNoFloat) && r.Int(v.personsOnBoard, 8192) &&
         r.Text(v.destination, sizeof v.destination, true) && r.Time(v.eta) &&
         r.Int(v.etaDay, 32) && r.Int(v.etaMonth, 13) && r.Int(v.navStatus, kNoInt8) &&
         r.Int(v.regionalFlags);
}

// $PTSK,R,AIQ,Smg,1*7F  (an AIQ with a two-letter talker is read as a query)
bool ParseAIQ(char* text, int commas, SentenceRecord& record) {
  FieldReader r(text, commas);
  char* what = r.Next();
  if (what == nullptr || std::strcmp(what, "Smg") != 0) return false;
  return r.Int(record.payload.aiq.value);
}

// $AISmg,text,1*7D
bool ParseSmg(char* text, int commas, SentenceRecord& record) {
  auto& v = record.payload.smg;
  FieldReader r(text, commas);
  return r.Text(v.text, sizeof v.text) && r.Int(v.value);
}

// $ECAIQ,VSD*32 style queries: everything after the first comma up to the "*", commas
// included, kept as one text.
bool ParseQuery(char* text, int /*commas*/, SentenceRecord& record) {
  auto& v = record.payload.query;
  const char* start = std::strchr(text, ',');
  if (start == nullptr) return false;
  ++start;
  const char* star = std::strchr(start, '*');
  if (star == nullptr) return false;
  size_t n = static_cast<size_t>(star - start);
  if (n > sizeof v.text - 1) n = sizeof v.text - 1;
  std::memcpy(v.text, start, n);
  v.text[n] = '\0';
  return true;
}

}  // namespace pelyx::parsers
