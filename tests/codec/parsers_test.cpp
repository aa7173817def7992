// Black-box tests of the 41 sentence parsers, driven through DecodeSentence: one valid
// sentence per formatter with its fields, the comma counts, the accepted ranges, the
// values of empty fields, the clearing rules and recorded receiver output.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "codec/decoder.h"
#include "codec/records.h"
#include "codec/stores.h"
#include "sentence_builder.h"

namespace pelyx {
namespace {

using test_support::Sentence;

constexpr unsigned char kMarker = 0x5A;

// A record whose every byte holds kMarker, so that a field a parser does not write is
// seen.
SentenceRecord MarkedRecord() {
  SentenceRecord record;
  std::memset(&record, kMarker, sizeof record);
  return record;
}

bool DecodeLine(const std::string& line, SentenceRecord& record) {
  std::vector<char> buffer(std::max(line.size() + 1, kSentenceBufferSize), '\0');
  std::copy(line.begin(), line.end(), buffer.begin());
  return DecodeSentence(buffer.data(), record);
}

// Decodes `body` framed with its checksum and CR LF.
bool Decode(std::string_view body, SentenceRecord& record) {
  return DecodeLine(Sentence(body), record);
}

// The text of a fixed-width field; flags a field without NUL instead of reading past it.
template <size_t N>
std::string TextOf(const char (&field)[N]) {
  const size_t length = strnlen(field, N);
  return length == N ? std::string(field, N) + "<no NUL>" : std::string(field, length);
}

bool IsMarker(const void* field, size_t size) {
  const auto* bytes = static_cast<const unsigned char*>(field);
  return std::all_of(bytes, bytes + size, [](unsigned char b) { return b == kMarker; });
}

void ExpectTime(const UtcTime& time, int hour, int minute, int second, int hundredths) {
  EXPECT_EQ(time.hour, hour);
  EXPECT_EQ(time.minute, minute);
  EXPECT_EQ(time.second, second);
  EXPECT_EQ(time.hundredths, hundredths);
}

void ExpectNoTime(const UtcTime& time) {
  EXPECT_EQ(time.hour, 24);
  EXPECT_EQ(time.minute, 60);
  EXPECT_EQ(time.second, 60);
}

constexpr char kNoChar = static_cast<char>(-128);

// ---- the dispatch table: one valid sentence per formatter ----------------------

struct ValidSentence {
  const char* formatter;
  const char* body;
};

const ValidSentence kValidSentences[] = {
    {"GGA", "$GPGGA,123519.00,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,3.2,0120"},
    {"GBS", "$GPGBS,235458.00,1.4,1.3,3.1,03,0.02,-21.4,3.8"},
    {"GLL", "$GPGLL,4916.45,N,12311.12,W,225444,A,A"},
    {"GSA", "$GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1"},
    {"GSV", "$GPGSV,3,1,11,03,03,111,42,04,15,270,38,06,01,010,00,13,06,292,27"},
    {"RMC", "$GPRMC,225446.33,A,4916.45,N,12311.12,W,000.5,054.7,191124,020.3,E,A"},
    {"VTG", "$GPVTG,054.7,T,034.4,M,005.5,N,010.2,K,A"},
    {"ZDA", "$GPZDA,201530.00,04,07,2002,-05,30"},
    {"GNS", "$GPGNS,122310.20,3722.425671,N,12258.856215,W,AA,14,0.9,1005.543,6.5,5.2,23"},
    {"HDT", "$HEHDT,274.07,T"},
    {"ROT", "$HEROT,-3.5,A"},
    {"VBW", "$VMVBW,12.3,0.07,A,11.9,-0.15,A"},
    {"DTM", "$GPDTM,999,A,0001.2000,S,00002.4000,E,-1.5,W84"},
    {"GRS", "$GPGRS,024603.00,1,-1.8,-2.7,0.3,,,,,,,,,"},
    {"GST", "$GPGST,172814.0,0.006,0.023,0.020,273.6,0.023,0.020,0.031"},
    {"OSD", "$INOSD,123.4,A,125.0,B,10.5,P,2.0,0.3,N"},
    {"RMA", "$GPRMA,A,4916.45,N,12311.12,W,,,12.5,45.0,3.2,E"},
    {"WPL", "$GPWPL,4917.16,N,12310.64,W,003"},
    {"VDM", "!AIVDM,1,1,,A,13aDq30P00PJ8BPN?0@@0?wV2@NC,0"},
    {"VDO", "!AIVDO,1,1,,B,13`kvwO005wJnb0Lfo:@7P8F05`L,0"},
    {"ABM", "!AIABM,1,1,0,211378120,2,6,0@2=Vg@;4a::PV@0b7W@:94PV,2"},
    {"BBM", "!AIBBM,1,1,3,1,8,04a9M>1@PU>0U>06185=08E99V1@E=4,4"},
    {"TXT", "$AITXT,1,1,21,External EPFS lost"},
    {"ABK", "$AIABK,211378120,B,6,3,2"},
    {"ACK", "$AIACK,029"},
    {"ALR", "$AIALR,123456.00,029,A,V,AIS: Tx malfunction"},
    {"ACA", "$AIACA,1,5230.00,N,00430.00,E,5100.00,N,00200.00,E,4,2087,0,2088,1,2,3,C,1,120000.00"},
    {"ACS", "$AIACS,1,002442000,101010.00,25,12,2023"},
    {"SSD", "$AISSD,PD1234,NORTHERN STAR,050,020,05,06,0,AI"},
    {"VSD", "$AIVSD,070,7.5,12,ROTTERDAM,143000.00,24,11,5,3"},
    {"AIQ", "$PTSK,R,AIQ,Smg,1"},
    {"Smg", "$AISmg,STATUS,4"},
    {"Q", "$ECAIQ,VDM,1,2,3,4,5,6,7,8"},
    {"MID", "$PTSK,R,MID,123456789,987654321"},
    {"BDY", "$PTSK,R,BDY,211378120,TESK,PELYX A100,3,7"},
    {"TST", "$PTSK,R,TST,12345,42,A,B,1234"},
    {"FRQ", "$PTSK,R,FRQ,161975000,1,162025000,2"},
    {"BTH", "$PTSK,R,BTH,1,2,3,4,5,6,BLUE LINK"},
    {"DBG", "$PTSK,C,DBG,099,1,040,2,042,4,043,5"},
    {"TPS", "$PTSK,R,TPS,120,READY"},
    {"MOB", "$PTSK,R,MOB,0A1B2C,7,3F,A0,0102030405"},
};

bool IsEnvelope(std::string_view body) {
  return body.rfind("$PTSK,", 0) == 0;
}

// $PTSK,c,FFF,fields -> $PFFF,fields
std::string WithoutEnvelope(std::string_view body) {
  return "$P" + std::string(body.substr(8));
}

std::string WithOneCommaMore(std::string_view body) {
  return std::string(body) + ",";
}

std::string WithOneCommaFewer(std::string_view body) {
  std::string text(body);
  text.erase(text.rfind(','), 1);
  return text;
}

TEST(DispatchTable, EveryFormatterHasAValidSentence) {
  std::set<std::string> names;
  for (const ValidSentence& s : kValidSentences) names.insert(s.formatter);
  EXPECT_EQ(names.size(), std::size(kValidSentences));
  EXPECT_EQ(names.size(), DispatchTableSize());
}

TEST(DispatchTable, AcceptsAValidSentenceOfEveryFormatter) {
  for (const ValidSentence& s : kValidSentences) {
    SCOPED_TRACE(s.body);
    SentenceRecord record = MarkedRecord();
    EXPECT_TRUE(Decode(s.body, record));
    EXPECT_EQ(TextOf(record.formatter), s.formatter);
  }
}

// Fields the NMEA 4.10 form of a sentence adds at its end.
const std::map<std::string, int> kNewerFormAdds = {
    {"RMC", 1}, {"GNS", 1}, {"GSA", 1}, {"GSV", 1}, {"GBS", 2}};

TEST(DispatchTable, AcceptsOnlyItsOwnCommaCountsForEveryFormatter) {
  for (const ValidSentence& s : kValidSentences) {
    if (std::string_view(s.formatter) == "RMA") continue;  // checks no comma count
    const auto newer = kNewerFormAdds.find(s.formatter);
    const int added = newer == kNewerFormAdds.end() ? 0 : newer->second;
    std::vector<std::string> forms = {s.body};
    if (IsEnvelope(s.body)) forms.push_back(WithoutEnvelope(s.body));
    for (const std::string& form : forms) {
      SCOPED_TRACE(form);
      SentenceRecord record = MarkedRecord();
      EXPECT_TRUE(Decode(form, record));
      EXPECT_FALSE(Decode(WithOneCommaFewer(form), record)) << "one comma fewer";
      std::string more = form;
      for (int extra = 1; extra <= 3; ++extra) {
        more = WithOneCommaMore(more);
        EXPECT_EQ(Decode(more, record), extra == added) << extra << " commas more";
      }
    }
  }
}

TEST(DispatchTable, ProprietaryFormattersAcceptTheFormWithoutEnvelope) {
  for (const ValidSentence& s : kValidSentences) {
    if (!IsEnvelope(s.body)) continue;
    const std::string plain = WithoutEnvelope(s.body);
    SCOPED_TRACE(plain);
    SentenceRecord record = MarkedRecord();
    EXPECT_TRUE(Decode(plain, record));
    EXPECT_EQ(TextOf(record.formatter), s.formatter);
    EXPECT_EQ(TextOf(record.talker), "P");
    EXPECT_EQ(record.directionLetter, 0);
  }
}

// ---- GNSS and navigation: valid sentences --------------------------------------

TEST(GgaParser, ReadsEveryField) {
  SentenceRecord r = MarkedRecord();
  ASSERT_TRUE(Decode(kValidSentences[0].body, r));
  const GgaFields& f = r.payload.gga;
  ExpectTime(f.time, 12, 35, 19, 0);
  EXPECT_FLOAT_EQ(f.latitude, 48.1173f);
  EXPECT_FLOAT_EQ(f.longitude, 11.516666f);
  EXPECT_EQ(f.quality, 1);
  EXPECT_EQ(f.satellitesInUse, 8);
  EXPECT_FLOAT_EQ(f.hdop, 0.9f);
  EXPECT_FLOAT_EQ(f.altitude, 545.4f);
  EXPECT_EQ(f.altitudeUnit, 'M');
  EXPECT_FLOAT_EQ(f.geoidSeparation, 46.9f);
  EXPECT_EQ(f.separationUnit, 'M');
  EXPECT_FLOAT_EQ(f.dgpsAge, 3.2f);
  EXPECT_EQ(f.dgpsStation, 120);
}

TEST(GbsParser, ReadsEveryField) {
  SentenceRecord r = MarkedRecord();
  ASSERT_TRUE(Decode("$GPGBS,235458.00,1.4,1.3,3.1,03,0.02,-21.4,3.8", r));
  const GbsFields& f = r.payload.gbs;
  ExpectTime(f.time, 23, 54, 58, 0);
  EXPECT_FLOAT_EQ(f.errorLatitude, 1.4f);
  EXPECT_FLOAT_EQ(f.errorLongitude, 1.3f);
  EXPECT_FLOAT_EQ(f.errorAltitude, 3.1f);
  EXPECT_EQ(f.failedSatellite, 3);
  EXPECT_FLOAT_EQ(f.missedProbability, 0.02f);
  EXPECT_FLOAT_EQ(f.bias, -21.4f);
  EXPECT_FLOAT_EQ(f.biasDeviation, 3.8f);
}

TEST(GllParser, ReadsEveryField) {
  SentenceRecord r = MarkedRecord();
  ASSERT_TRUE(Decode("$GPGLL,4916.45,N,12311.12,W,225444,A,D", r));
  const GllFields& f = r.payload.gll;
  EXPECT_FLOAT_EQ(f.latitude, 49.274166f);
  EXPECT_FLOAT_EQ(f.longitude, -123.185333f);
  ExpectTime(f.time, 22, 54, 44, 0);
  EXPECT_EQ(f.status, 'A');
  EXPECT_EQ(f.modeIndicator, 'D');
}

TEST(GsaParser, ReadsEveryField) {
  SentenceRecord r = MarkedRecord();
  ASSERT_TRUE(Decode("$GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1", r));
  const GsaFields& f = r.payload.gsa;
  EXPECT_EQ(f.selectionMode, 'A');
  EXPECT_EQ(f.fixMode, 3);
  const int8_t satellites[12] = {4, 5, -128, 9, 12, -128, -128, 24, -128, -128, -128, -128};
  for (int i = 0; i < 12; ++i) EXPECT_EQ(f.satellites[i], satellites[i]) << "slot " << i;
  EXPECT_FLOAT_EQ(f.pdop, 2.5f);
  EXPECT_FLOAT_EQ(f.hdop, 1.3f);
  EXPECT_FLOAT_EQ(f.vdop, 2.1f);
}

TEST(GsvParser, ReadsEveryField) {
  SentenceRecord r = MarkedRecord();
  ASSERT_TRUE(Decode("$GPGSV,3,1,11,03,03,111,42,04,15,270,38,06,01,010,00,13,06,292,27", r));
  const GsvFields& f = r.payload.gsv;
  EXPECT_EQ(f.total, 3);
  EXPECT_EQ(f.number, 1);
  EXPECT_EQ(f.satellitesInView, 11);
  EXPECT_EQ(f.entryCount, 4);
  const int ids[4] = {3, 4, 6, 13}, elevations[4] = {3, 15, 1, 6};
  const int azimuths[4] = {111, 270, 10, 292}, snrs[4] = {42, 38, 0, 27};
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(f.id[i], ids[i]);
    EXPECT_EQ(f.elevation[i], elevations[i]);
    EXPECT_EQ(f.azimuth[i], azimuths[i]);
    EXPECT_EQ(f.snr[i], snrs[i]);
  }
}

TEST(RmcParser, ReadsEveryField) {
  SentenceRecord r = MarkedRecord();
  ASSERT_TRUE(Decode("$GPRMC,225446.33,A,4916.45,N,12311.12,W,000.5,054.7,191124,020.3,E,A", r));
  const RmcFields& f = r.payload.rmc;
  ExpectTime(f.time, 22, 54, 46, 33);
  EXPECT_EQ(f.status, 'A');
  EXPECT_FLOAT_EQ(f.latitude, 49.274166f);
  EXPECT_FLOAT_EQ(f.longitude, -123.185333f);
  EXPECT_FLOAT_EQ(f.speedKnots, 0.5f);
  EXPECT_FLOAT_EQ(f.courseTrue, 54.7f);
  EXPECT_EQ(f.year, 2024);
  EXPECT_EQ(f.month, 11);
  EXPECT_EQ(f.day, 19);
  EXPECT_FLOAT_EQ(f.magneticVariation, 20.3f);
  EXPECT_EQ(f.variationDirection, 'E');
  EXPECT_EQ(f.modeIndicator, 'A');
}

TEST(VtgParser, ReadsEveryField) {
  SentenceRecord r = MarkedRecord();
  ASSERT_TRUE(Decode("$GPVTG,054.7,T,034.4,M,005.5,N,010.2,K,A", r));
  const VtgFields& f = r.payload.vtg;
  EXPECT_FLOAT_EQ(f.courseTrue, 54.7f);
  EXPECT_EQ(f.unitT, 'T');
  EXPECT_FLOAT_EQ(f.courseMagnetic, 34.4f);
  EXPECT_EQ(f.unitM, 'M');
  EXPECT_FLOAT_EQ(f.speedKnots, 5.5f);
  EXPECT_EQ(f.unitN, 'N');
  EXPECT_FLOAT_EQ(f.speedKmh, 10.2f);
  EXPECT_EQ(f.unitK, 'K');
  EXPECT_EQ(f.modeIndicator, 'A');
}

TEST(ZdaParser, ReadsEveryField) {
  SentenceRecord r = MarkedRecord();
  ASSERT_TRUE(Decode("$GPZDA,201530.00,04,07,2002,-05,30", r));
  const ZdaFields& f = r.payload.zda;
  ExpectTime(f.time, 20, 15, 30, 0);
  EXPECT_EQ(f.day, 4);
  EXPECT_EQ(f.month, 7);
  EXPECT_EQ(f.year, 2002);
  EXPECT_EQ(f.zoneHours, -5);
  EXPECT_EQ(f.zoneMinutes, 30);
}

TEST(GnsParser, ReadsEveryField) {
  SentenceRecord r = MarkedRecord();
  ASSERT_TRUE(
      Decode("$GPGNS,122310.20,3722.425671,N,12258.856215,W,AA,14,0.9,1005.543,6.5,5.2,23", r));
  const GnsFields& f = r.payload.gns;
  ExpectTime(f.time, 12, 23, 10, 20);
  EXPECT_FLOAT_EQ(f.latitude, 37.373761f);
  EXPECT_FLOAT_EQ(f.longitude, -122.980937f);
  EXPECT_EQ(f.mode[0], 'A');
  EXPECT_EQ(f.mode[1], 'A');
  EXPECT_EQ(f.satellites[0], '1');
  EXPECT_EQ(f.satellites[1], '4');
  EXPECT_FLOAT_EQ(f.hdop, 0.9f);
  EXPECT_FLOAT_EQ(f.altitude, 1005.543f);
  EXPECT_FLOAT_EQ(f.geoidSeparation, 6.5f);
  EXPECT_FLOAT_EQ(f.dgpsAge, 5.2f);
  EXPECT_FLOAT_EQ(f.stationId, 23.0f);
}

TEST(GnsParser, KeepsTheFirstTwoCharactersOfModeAndSatellites) {
  struct Case {
    const char* mode;
    const char* satellites;
    char mode0, mode1, sat0, sat1;
  };
  const Case cases[] = {
      {"N", "5", 'N', '\0', '5', '\0'},
      {"AN", "03", 'A', 'N', '0', '3'},
      {"NNNN", "123", 'N', 'N', '1', '2'},
      {"", "", ' ', '\0', ' ', '\0'},
  };
  for (const Case& c : cases) {
    const std::string body =
        std::string("$GNGNS,074150.799,,,,,") + c.mode + "," + c.satellites + ",,,0.0,,0000";
    SCOPED_TRACE(body);
    SentenceRecord r = MarkedRecord();
    ASSERT_TRUE(Decode(body, r));
    EXPECT_EQ(r.payload.gns.mode[0], c.mode0);
    EXPECT_EQ(r.payload.gns.mode[1], c.mode1);
    EXPECT_EQ(r.payload.gns.satellites[0], c.sat0);
    EXPECT_EQ(r.payload.gns.satellites[1], c.sat1);
  }
}

TEST(HdtParser, ReadsEveryField) {
  SentenceRecord r = MarkedRecord();
  ASSERT_TRUE(Decode("$HEHDT, 274.07,T", r));
  EXPECT_FLOAT_EQ(r.payload.hdt.heading, 274.07f);
  EXPECT_EQ(r.payload.hdt.trueIndicator, 'T');
}

TEST(RotParser, ReadsEveryField) {
  SentenceRecord r = MarkedRecord();
  ASSERT_TRUE(Decode("$HEROT,-3.5,A", r));
  EXPECT_FLOAT_EQ(r.payload.rot.rateOfTurn, -3.5f);
  EXPECT_EQ(r.payload.rot.status, 'A');
}

TEST(VbwParser, ReadsEveryField) {
  SentenceRecord r = MarkedRecord();
  ASSERT_TRUE(Decode("$VMVBW,12.3,0.07,A,11.9,-0.15,V", r));
  const VbwFields& f = r.payload.vbw;
  EXPECT_FLOAT_EQ(f.waterLongitudinal, 12.3f);
  EXPECT_FLOAT_EQ(f.waterTransverse, 0.07f);
  EXPECT_EQ(f.waterStatus, 'A');
  EXPECT_FLOAT_EQ(f.groundLongitudinal, 11.9f);
  EXPECT_FLOAT_EQ(f.groundTransverse, -0.15f);
  EXPECT_EQ(f.groundStatus, 'V');
}

TEST(DtmParser, ReadsEveryField) {
  SentenceRecord r = MarkedRecord();
  ASSERT_TRUE(Decode("$GPDTM,999,A,0001.2000,S,00002.4000,E,-1.5,W84", r));
  const DtmFields& f = r.payload.dtm;
  EXPECT_EQ(TextOf(f.localDatum), "999");
  EXPECT_EQ(f.subdivision, 'A');
  EXPECT_FLOAT_EQ(f.latitudeOffset, -0.02f);
  EXPECT_FLOAT_EQ(f.longitudeOffset, 0.04f);
  EXPECT_FLOAT_EQ(f.altitudeOffset, -1.5f);
  EXPECT_EQ(TextOf(f.referenceDatum), "W84");
}

TEST(GrsParser, ReadsEveryField) {
  SentenceRecord r = MarkedRecord();
  ASSERT_TRUE(Decode("$GPGRS,024603.00,1,-1.8,-2.7,0.3,,,,,,,,,12.5", r));
  const GrsFields& f = r.payload.grs;
  ExpectTime(f.time, 2, 46, 3, 0);
  EXPECT_EQ(f.mode, '1');
  EXPECT_FLOAT_EQ(f.residual[0], -1.8f);
  EXPECT_FLOAT_EQ(f.residual[1], -2.7f);
  EXPECT_FLOAT_EQ(f.residual[2], 0.3f);
  for (int i = 3; i < 11; ++i) EXPECT_FLOAT_EQ(f.residual[i], kNoFloat) << i;
  EXPECT_FLOAT_EQ(f.residual[11], 12.5f);
}

TEST(GstParser, ReadsEveryField) {
  SentenceRecord r = MarkedRecord();
  ASSERT_TRUE(Decode("$GPGST,172814.0,0.006,0.023,0.020,273.6,0.023,0.021,0.031", r));
  const GstFields& f = r.payload.gst;
  ExpectTime(f.time, 17, 28, 14, 0);
  EXPECT_FLOAT_EQ(f.rms, 0.006f);
  EXPECT_FLOAT_EQ(f.semiMajor, 0.023f);
  EXPECT_FLOAT_EQ(f.semiMinor, 0.020f);
  EXPECT_FLOAT_EQ(f.orientation, 273.6f);
  EXPECT_FLOAT_EQ(f.latitudeError, 0.023f);
  EXPECT_FLOAT_EQ(f.longitudeError, 0.021f);
  EXPECT_FLOAT_EQ(f.altitudeError, 0.031f);
}

TEST(OsdParser, ReadsEveryField) {
  SentenceRecord r = MarkedRecord();
  ASSERT_TRUE(Decode("$INOSD,123.4,A,125.0,B,10.5,P,2.0,0.3,N", r));
  const OsdFields& f = r.payload.osd;
  EXPECT_FLOAT_EQ(f.heading, 123.4f);
  EXPECT_EQ(f.headingStatus, 'A');
  EXPECT_FLOAT_EQ(f.course, 125.0f);
  EXPECT_EQ(f.courseReference, 'B');
  EXPECT_FLOAT_EQ(f.speed, 10.5f);
  EXPECT_EQ(f.speedReference, 'P');
  EXPECT_FLOAT_EQ(f.vesselSet, 2.0f);
  EXPECT_FLOAT_EQ(f.vesselDrift, 0.3f);
  EXPECT_EQ(f.speedUnits, 'N');
}

TEST(RmaParser, ReadsStatusAndPosition) {
  SentenceRecord r = MarkedRecord();
  ASSERT_TRUE(Decode("$GPRMA,A,4916.45,N,12311.12,W,,,12.5,45.0,3.2,E", r));
  EXPECT_EQ(r.payload.rma.status, 'A');
  EXPECT_FLOAT_EQ(r.payload.rma.latitude, 49.274166f);
  EXPECT_FLOAT_EQ(r.payload.rma.longitude, -123.185333f);
}

TEST(RmaParser, AcceptsAnyNumberOfFieldsAfterThePositionButRejectsAShortSentence) {
  struct Case {
    const char* body;
    bool ok;
  };
  const Case cases[] = {
      {"$GPRMA,A,4916.45,N,12311.12,W,,,12.5,45.0,3.2,E", true},
      {"$GPRMA,A,4916.45,N,12311.12,W,,,12.5,45.0,3.2,E,A", true},
      {"$GPRMA,A,4916.45,N,12311.12,W,", true},
      {"$GPRMA,A,4916.45,N,12311.12", false},
      {"$GPRMA,A,4916.45,N", false},
      {"$GPRMA,A,4916.45", false},
      {"$GPRMA,A", false},
      {"$GPRMA", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.body);
    SentenceRecord r = MarkedRecord();
    EXPECT_EQ(Decode(c.body, r), c.ok);
  }
}

TEST(WplParser, ReadsEveryField) {
  SentenceRecord r = MarkedRecord();
  ASSERT_TRUE(Decode("$GPWPL,4917.16,N,12310.64,W,003", r));
  EXPECT_FLOAT_EQ(r.payload.wpl.latitude, 49.286f);
  EXPECT_FLOAT_EQ(r.payload.wpl.longitude, -123.177333f);
  EXPECT_EQ(TextOf(r.payload.wpl.id), "003");
}

// ---- AIS: valid sentences ------------------------------------------------------

TEST(VdmParser, ReadsEveryField) {
  for (const char* body : {"!AIVDM,2,1,7,A,13aDq30P00PJ8BPN?0@@0?wV2@NC,0",
                           "!AIVDO,2,1,7,A,13aDq30P00PJ8BPN?0@@0?wV2@NC,0"}) {
    SCOPED_TRACE(body);
    SentenceRecord r = MarkedRecord();
    ASSERT_TRUE(Decode(body, r));
    const EncapsulationFields& f = r.payload.encap;
    EXPECT_EQ(f.total, 2);
    EXPECT_EQ(f.number, 1);
    EXPECT_EQ(f.sequenceId, 7);
    EXPECT_EQ(f.channel, 'A');
    EXPECT_EQ(TextOf(f.payload), "13aDq30P00PJ8BPN?0@@0?wV2@NC");
    EXPECT_EQ(f.fillBits, 0);
  }
}

TEST(AbmParser, ReadsEveryField) {
  SentenceRecord r = MarkedRecord();
  ASSERT_TRUE(Decode("!AIABM,1,1,0,211378120,2,6,0@2=Vg@;4a::PV@0b7W@:94PV,2", r));
  const EncapsulationFields& f = r.payload.encap;
  EXPECT_EQ(f.total, 1);
  EXPECT_EQ(f.number, 1);
  EXPECT_EQ(f.sequenceId, 0);
  EXPECT_EQ(f.destinationMmsi, 211378120u);
  EXPECT_EQ(f.channel, '2');
  EXPECT_EQ(f.messageId, 6);
  EXPECT_EQ(TextOf(f.payload), "0@2=Vg@;4a::PV@0b7W@:94PV");
  EXPECT_EQ(f.fillBits, 2);
}

TEST(BbmParser, ReadsEveryFieldWithTheChannelAsANumber) {
  SentenceRecord r = MarkedRecord();
  ASSERT_TRUE(Decode("!AIBBM,1,1,3,1,8,04a9M>1@PU>0U>06185=08E99V1@E=4,4", r));
  const EncapsulationFields& f = r.payload.encap;
  EXPECT_EQ(f.total, 1);
  EXPECT_EQ(f.number, 1);
  EXPECT_EQ(f.sequenceId, 3);
  EXPECT_EQ(f.channel, 1);
  EXPECT_EQ(f.messageId, 8);
  EXPECT_EQ(TextOf(f.payload), "04a9M>1@PU>0U>06185=08E99V1@E=4");
  EXPECT_EQ(f.fillBits, 4);
}

TEST(TxtParser, ReadsEveryField) {
  SentenceRecord r = MarkedRecord();
  ASSERT_TRUE(Decode("$AITXT,1,2,21,External EPFS lost", r));
  EXPECT_EQ(r.payload.txt.total, 1);
  EXPECT_EQ(r.payload.txt.number, 2);
  EXPECT_EQ(r.payload.txt.id, 21);
  EXPECT_EQ(TextOf(r.payload.txt.text), "External EPFS lost");
}

TEST(AbkParser, ReadsEveryField) {
  SentenceRecord r = MarkedRecord();
  ASSERT_TRUE(Decode("$AIABK,211378120,B,6,3,2", r));
  EXPECT_EQ(r.payload.abk.mmsi, 211378120u);
  EXPECT_EQ(r.payload.abk.channel, 1);
  EXPECT_EQ(r.payload.abk.messageId, 6);
  EXPECT_EQ(r.payload.abk.sequence, 3);
  EXPECT_EQ(r.payload.abk.ackType, 2);
}

TEST(AbkParser, ChannelLetterCountsFromA) {
  struct Case {
    const char* channel;
    int value;
  };
  const Case cases[] = {{"A", 0}, {"B", 1}, {"", -128}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.channel);
    SentenceRecord r = MarkedRecord();
    ASSERT_TRUE(Decode(std::string("$AIABK,211378120,") + c.channel + ",6,3,0", r));
    EXPECT_EQ(r.payload.abk.channel, c.value);
  }
}

TEST(AckParser, ReadsTheAlarmIdentifier) {
  struct Case {
    const char* field;
    int value;
  };
  const Case cases[] = {{"029", 29}, {" 12", 12}, {"", 1000}, {"999", 999}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.field);
    SentenceRecord r = MarkedRecord();
    ASSERT_TRUE(Decode(std::string("$AIACK,") + c.field, r));
    EXPECT_EQ(r.payload.ack.alarmId, c.value);
  }
}

TEST(AlrParser, ReadsEveryField) {
  SentenceRecord r = MarkedRecord();
  ASSERT_TRUE(Decode("$AIALR,123456.78,029,A,V,AIS: Tx malfunction", r));
  const AlrFields& f = r.payload.alr;
  EXPECT_EQ(f.hour, 12);
  EXPECT_EQ(f.minute, 34);
  EXPECT_EQ(f.second, 56);
  EXPECT_EQ(f.hundredths, 78);
  EXPECT_EQ(f.id, 29);
  EXPECT_EQ(f.condition, 'A');
  EXPECT_EQ(f.acknowledgement, 'V');
  EXPECT_EQ(TextOf(f.description), "AIS: Tx malfunction");
}

TEST(AcaParser, ReadsEveryField) {
  SentenceRecord r = MarkedRecord();
  ASSERT_TRUE(Decode(
      "$AIACA,1,5230.00,N,00430.00,E,5100.00,N,00200.00,W,4,2087,0,2088,1,2,3,C,1,120000.00", r));
  const AcaFields& f = r.payload.aca;
  EXPECT_EQ(f.sequence, '1');
  EXPECT_FLOAT_EQ(f.neLatitude, 52.5f);
  EXPECT_FLOAT_EQ(f.neLongitude, 4.5f);
  EXPECT_FLOAT_EQ(f.swLatitude, 51.0f);
  EXPECT_FLOAT_EQ(f.swLongitude, -2.0f);
  EXPECT_EQ(f.transitionZone, '4');
  EXPECT_EQ(f.channelA, 2087);
  EXPECT_EQ(f.bandwidthA, '0');
  EXPECT_EQ(f.channelB, 2088);
  EXPECT_EQ(f.bandwidthB, '1');
  EXPECT_EQ(f.txRxMode, '2');
  EXPECT_EQ(f.powerLevel, '3');
  EXPECT_EQ(f.infoSource, 'C');
  EXPECT_EQ(f.inUse, '1');
  ExpectTime(f.inUseTime, 12, 0, 0, 0);
}

TEST(AcsParser, ReadsEveryFieldWithTheYearModulo256) {
  SentenceRecord r = MarkedRecord();
  ASSERT_TRUE(Decode("$AIACS,1,002442000,101010.00,25,12,2023", r));
  const AcsFields& f = r.payload.acs;
  EXPECT_EQ(f.sequence, '1');
  EXPECT_EQ(f.mmsi, 2442000u);
  ExpectTime(f.time, 10, 10, 10, 0);
  EXPECT_EQ(f.day, 25);
  EXPECT_EQ(f.month, 12);
  EXPECT_EQ(f.year, 2023 % 256);
}

TEST(SsdParser, ReadsEveryField) {
  SentenceRecord r = MarkedRecord();
  ASSERT_TRUE(Decode("$AISSD,PD1234,NORTHERN STAR,050,020,05,06,1,AI", r));
  const SsdFields& f = r.payload.ssd;
  EXPECT_EQ(TextOf(f.callSign), "PD1234");
  EXPECT_EQ(TextOf(f.name), "NORTHERN STAR");
  EXPECT_EQ(f.dimensionA, 50);
  EXPECT_EQ(f.dimensionB, 20);
  EXPECT_EQ(f.dimensionC, 5);
  EXPECT_EQ(f.dimensionD, 6);
  EXPECT_EQ(f.dte, 1);
  EXPECT_EQ(TextOf(f.sourceId), "AI");
}

TEST(VsdParser, ReadsEveryField) {
  SentenceRecord r = MarkedRecord();
  ASSERT_TRUE(Decode("$AIVSD,070,7.5,12,ROTTERDAM,143000.00,24,11,5,3", r));
  const VsdFields& f = r.payload.vsd;
  EXPECT_EQ(f.shipType, 70);
  EXPECT_FLOAT_EQ(f.draught, 7.5f);
  EXPECT_EQ(f.personsOnBoard, 12);
  EXPECT_EQ(TextOf(f.destination), "ROTTERDAM");
  ExpectTime(f.eta, 14, 30, 0, 0);
  EXPECT_EQ(f.etaDay, 24);
  EXPECT_EQ(f.etaMonth, 11);
  EXPECT_EQ(f.navStatus, 5);
  EXPECT_EQ(f.regionalFlags, 3);
}

TEST(VsdParser, KeepsTheLowEightBitsOfTheShipType) {
  struct Case {
    const char* field;
    int value;
  };
  const Case cases[] = {{"300", 44}, {"255", 255}, {"256", 0}, {"", 256}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.field);
    SentenceRecord r = MarkedRecord();
    ASSERT_TRUE(Decode(std::string("$AIVSD,") + c.field + ",7.5,12,ROTTERDAM,143000,24,11,5,0", r));
    EXPECT_EQ(r.payload.vsd.shipType, c.value);
  }
}

TEST(AiqParser, AcceptsOnlyTheExactWordSmg) {
  struct Case {
    const char* body;
    bool ok;
    int value;
  };
  const Case cases[] = {
      {"$PTSK,R,AIQ,Smg,1", true, 1},   {"$PAIQ,Smg,7", true, 7},
      {"$PTSK,R,AIQ,SMG,1", false, 0},  {"$PTSK,R,AIQ,smg,1", false, 0},
      {"$PTSK,R,AIQ,Smgx,1", false, 0}, {"$PTSK,R,AIQ,,1", false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.body);
    SentenceRecord r = MarkedRecord();
    EXPECT_EQ(Decode(c.body, r), c.ok);
    if (c.ok) {
      EXPECT_EQ(r.payload.aiq.value, c.value);
    }
  }
}

TEST(SmgParser, ReadsTextAndNumber) {
  SentenceRecord r = MarkedRecord();
  ASSERT_TRUE(Decode("$AISmg,STATUS REPORT,4", r));
  EXPECT_EQ(TextOf(r.payload.smg.text), "STATUS REPORT");
  EXPECT_EQ(r.payload.smg.value, 4);
}

TEST(QueryParser, KeepsEverythingAfterTheFirstCommaAsText) {
  SentenceRecord r = MarkedRecord();
  ASSERT_TRUE(Decode("$ECAIQ,VDM,1,2,3,4,5,6,7,8", r));
  EXPECT_EQ(TextOf(r.payload.query.text), "VDM,1,2,3,4,5,6,7,8");
}

TEST(QueryParser, SeesEmptyFieldsAsMarked) {
  SentenceRecord r = MarkedRecord();
  ASSERT_TRUE(Decode("$ECAIQ,SSD,,,,,,,,", r));
  EXPECT_EQ(TextOf(r.payload.query.text), "SSD, , , , , , , , ");
}

// ---- proprietary: valid sentences ----------------------------------------------

TEST(MidParser, ReadsBothNumbers) {
  SentenceRecord r = MarkedRecord();
  ASSERT_TRUE(Decode("$PTSK,R,MID,123456789,987654321", r));
  EXPECT_EQ(r.payload.mid.number1, 123456789u);
  EXPECT_EQ(r.payload.mid.number2, 987654321u);
  EXPECT_EQ(r.directionLetter, 'R');
}

TEST(BdyParser, ReadsEveryField) {
  SentenceRecord r = MarkedRecord();
  ASSERT_TRUE(Decode("$PTSK,R,BDY,211378120,TESK,PELYX A100,3,7", r));
  EXPECT_EQ(r.payload.bdy.number, 211378120u);
  EXPECT_EQ(TextOf(r.payload.bdy.text1), "TESK");
  EXPECT_EQ(TextOf(r.payload.bdy.text2), "PELYX A100");
  EXPECT_EQ(r.payload.bdy.byte1, 3);
  EXPECT_EQ(r.payload.bdy.byte2, 7);
}

TEST(TstParser, ReadsEveryField) {
  SentenceRecord r = MarkedRecord();
  ASSERT_TRUE(Decode("$PTSK,R,TST,12345,42,A,B,1234", r));
  EXPECT_EQ(r.payload.tst.number, 12345u);
  EXPECT_EQ(r.payload.tst.byte, 42);
  EXPECT_EQ(r.payload.tst.char1, 'A');
  EXPECT_EQ(r.payload.tst.char2, 'B');
  EXPECT_EQ(r.payload.tst.word, 1234);
}

TEST(FrqParser, StoresBothNumbersBeforeBothSmallNumbers) {
  SentenceRecord r = MarkedRecord();
  ASSERT_TRUE(Decode("$PTSK,R,FRQ,161975000,1,162025000,2", r));
  EXPECT_EQ(r.payload.frq.number[0], 161975000u);
  EXPECT_EQ(r.payload.frq.number[1], 162025000u);
  EXPECT_EQ(r.payload.frq.byte[0], 1);
  EXPECT_EQ(r.payload.frq.byte[1], 2);
}

TEST(BthParser, ReadsSixNumbersAndAText) {
  SentenceRecord r = MarkedRecord();
  ASSERT_TRUE(Decode("$PTSK,R,BTH,1,2,3,4,5,-6,BLUE LINK", r));
  const int values[6] = {1, 2, 3, 4, 5, -6};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(r.payload.bth.value[i], values[i]) << i;
  EXPECT_EQ(TextOf(r.payload.bth.text), "BLUE LINK");
}

TEST(DbgParser, ReadsFourCodeValuePairs) {
  SentenceRecord r = MarkedRecord();
  ASSERT_TRUE(Decode("$PTSK,C,DBG,099,1,040,-5,042,2147483647,043,5", r));
  const int codes[4] = {99, 40, 42, 43};
  const int32_t values[4] = {1, -5, 2147483647, 5};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(r.payload.dbg.code[i], codes[i]) << i;
    EXPECT_EQ(r.payload.dbg.value[i], values[i]) << i;
  }
  EXPECT_EQ(r.directionLetter, 'C');
}

TEST(DbgParser, EmptyPairsGiveTheAbsentMarkersAndTheDirectionLetterComesFromTheEnvelope) {
  struct Case {
    const char* body;
    char direction;
  };
  const Case cases[] = {{"$PTSK,R,DBG,099,1,,,,,,", 'R'}, {"$PDBG,099,1,,,,,,", 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.body);
    SentenceRecord r = MarkedRecord();
    ASSERT_TRUE(Decode(c.body, r));
    const int codes[4] = {99, 999, 999, 999};
    const int32_t values[4] = {1, INT32_MIN, INT32_MIN, INT32_MIN};
    for (int i = 0; i < 4; ++i) {
      EXPECT_EQ(r.payload.dbg.code[i], codes[i]) << i;
      EXPECT_EQ(r.payload.dbg.value[i], values[i]) << i;
    }
    EXPECT_EQ(r.directionLetter, c.direction);
  }
}

TEST(TpsParser, ReadsNumberAndText) {
  SentenceRecord r = MarkedRecord();
  ASSERT_TRUE(Decode("$PTSK,R,TPS,120,READY", r));
  EXPECT_EQ(r.payload.tps.number, 120);
  EXPECT_EQ(TextOf(r.payload.tps.text), "READY");
}

TEST(MobParser, ReadsEveryField) {
  SentenceRecord r = MarkedRecord();
  ASSERT_TRUE(Decode("$PTSK,R,MOB,0A1B2C,7,3F,A0,0102030405", r));
  const MobFields& f = r.payload.mob;
  EXPECT_EQ(f.id[0], 0x0A);
  EXPECT_EQ(f.id[1], 0x1B);
  EXPECT_EQ(f.id[2], 0x2C);
  EXPECT_EQ(f.byte1, 7);
  EXPECT_EQ(f.byte2, 0x3F);
  EXPECT_EQ(f.byte3, 0xA0);
  EXPECT_EQ(f.hasByte3, 1);
  ASSERT_EQ(f.dataLength, 5);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(f.data[i], i + 1) << i;
}

// ---- accepted ranges -----------------------------------------------------------

std::string Gga(const std::string& satellites, const std::string& hdop,
                const std::string& station) {
  return "$GPGGA,123519.00,4807.038,N,01131.000,E,1," + satellites + "," + hdop +
         ",545.4,M,46.9,M,3.2," + station;
}

// One GSV entry in first or fourth position.
std::string Gsv(const std::string& total, const std::string& number, const std::string& elevation,
                const std::string& azimuth, const std::string& snr, bool fourthEntry = false) {
  const std::string entry = "07," + elevation + "," + azimuth + "," + snr;
  const std::string head = "$GPGSV," + total + "," + number + ",11,";
  return fourthEntry ? head + "01,10,100,30,02,20,200,31,03,30,300,32," + entry : head + entry;
}

std::string Zda(const std::string& day, const std::string& month, const std::string& hours,
                const std::string& minutes) {
  return "$GPZDA,201530.00," + day + "," + month + ",2002," + hours + "," + minutes;
}

std::string Gns(const std::string& hdop) {
  return "$GPGNS,122310.20,3722.425671,N,12258.856215,W,AA,14," + hdop + ",1005.5,6.5,5.2,23";
}

std::string Txt(const std::string& total, const std::string& number, const std::string& id) {
  return "$AITXT," + total + "," + number + "," + id + ",ANTENNA OK";
}

std::string Vtg(const std::string& t, const std::string& m, const std::string& n,
                const std::string& k) {
  return "$GPVTG,054.7," + t + ",034.4," + m + ",005.5," + n + ",010.2," + k + ",A";
}

// The four encapsulation formatters with the same counters, payload and fill bits.
std::vector<std::string> Encapsulated(const std::string& total, const std::string& number,
                                      const std::string& sequence, const std::string& payload,
                                      const std::string& fill) {
  const std::string counters = total + "," + number + "," + sequence + ",";
  return {"!AIVDM," + counters + "A," + payload + "," + fill,
          "!AIVDO," + counters + "B," + payload + "," + fill,
          "!AIABM," + counters + "211378120,2,6," + payload + "," + fill,
          "!AIBBM," + counters + "1,8," + payload + "," + fill};
}

struct RangeCase {
  std::string what;
  std::string body;
  bool ok;
};

void ExpectRanges(const std::vector<RangeCase>& cases) {
  for (const RangeCase& c : cases) {
    SCOPED_TRACE(c.what + ": " + c.body);
    SentenceRecord r = MarkedRecord();
    EXPECT_EQ(Decode(c.body, r), c.ok);
  }
}

TEST(AcceptedRanges, Gga) {
  ExpectRanges({
      {"satellites -1", Gga("-1", "0.9", "0120"), false},
      {"satellites 0", Gga("0", "0.9", "0120"), true},
      {"satellites 12", Gga("12", "0.9", "0120"), true},
      {"satellites 13", Gga("13", "0.9", "0120"), false},
      {"satellites 268 wrap to 12", Gga("268", "0.9", "0120"), true},
      {"satellites 255 wrap to -1", Gga("255", "0.9", "0120"), false},
      {"HDOP -0.1", Gga("08", "-0.1", "0120"), false},
      {"HDOP 0", Gga("08", "0", "0120"), true},
      {"HDOP 99.9", Gga("08", "99.9", "0120"), true},
      {"HDOP 99.95", Gga("08", "99.95", "0120"), false},
      {"HDOP 100", Gga("08", "100", "0120"), false},
      {"station -1", Gga("08", "0.9", "-1"), false},
      {"station 0", Gga("08", "0.9", "0"), true},
      {"station 1023", Gga("08", "0.9", "1023"), true},
      {"station 1024", Gga("08", "0.9", "1024"), false},
      {"everything empty", Gga("", "", ""), true},
  });
}

TEST(AcceptedRanges, Gsv) {
  ExpectRanges({
      {"total -1", Gsv("-1", "1", "45", "100", "40"), false},
      {"total 0", Gsv("0", "1", "45", "100", "40"), true},
      {"total 9", Gsv("9", "1", "45", "100", "40"), true},
      {"total 10", Gsv("10", "1", "45", "100", "40"), false},
      {"number -1", Gsv("3", "-1", "45", "100", "40"), false},
      {"number 0", Gsv("3", "0", "45", "100", "40"), true},
      {"number 9", Gsv("3", "9", "45", "100", "40"), true},
      {"number 10", Gsv("3", "10", "45", "100", "40"), false},
      {"elevation -1", Gsv("3", "1", "-1", "100", "40"), false},
      {"elevation 0", Gsv("3", "1", "0", "100", "40"), true},
      {"elevation 90", Gsv("3", "1", "90", "100", "40"), true},
      {"elevation 91", Gsv("3", "1", "91", "100", "40"), false},
      {"azimuth -1", Gsv("3", "1", "45", "-1", "40"), false},
      {"azimuth 0", Gsv("3", "1", "45", "0", "40"), true},
      {"azimuth 359", Gsv("3", "1", "45", "359", "40"), true},
      {"azimuth 360", Gsv("3", "1", "45", "360", "40"), false},
      {"SNR -1", Gsv("3", "1", "45", "100", "-1"), false},
      {"SNR 0", Gsv("3", "1", "45", "100", "0"), true},
      {"SNR 99", Gsv("3", "1", "45", "100", "99"), true},
      {"SNR 100", Gsv("3", "1", "45", "100", "100"), false},
      {"fourth entry elevation 90", Gsv("3", "1", "90", "359", "99", true), true},
      {"fourth entry elevation 91", Gsv("3", "1", "91", "100", "40", true), false},
      {"fourth entry azimuth 360", Gsv("3", "1", "45", "360", "40", true), false},
      {"fourth entry SNR 100", Gsv("3", "1", "45", "100", "100", true), false},
      {"entry fields empty", Gsv("3", "1", "", "", ""), true},
  });
}

TEST(AcceptedRanges, Zda) {
  ExpectRanges({
      {"day 0", Zda("0", "07", "-05", "30"), false},
      {"day 1", Zda("1", "07", "-05", "30"), true},
      {"day 31", Zda("31", "07", "-05", "30"), true},
      {"day 32", Zda("32", "07", "-05", "30"), false},
      {"month 0", Zda("04", "0", "-05", "30"), false},
      {"month 1", Zda("04", "1", "-05", "30"), true},
      {"month 12", Zda("04", "12", "-05", "30"), true},
      {"month 13", Zda("04", "13", "-05", "30"), false},
      {"zone hours -14", Zda("04", "07", "-14", "30"), false},
      {"zone hours -13", Zda("04", "07", "-13", "30"), true},
      {"zone hours 13", Zda("04", "07", "13", "30"), true},
      {"zone hours 14", Zda("04", "07", "14", "30"), false},
      {"zone minutes -1", Zda("04", "07", "00", "-1"), false},
      {"zone minutes 0", Zda("04", "07", "00", "0"), true},
      {"zone minutes 59", Zda("04", "07", "00", "59"), true},
      {"zone minutes 60", Zda("04", "07", "00", "60"), false},
      {"day and month empty", Zda("", "", "00", "00"), true},
  });
}

TEST(AcceptedRanges, Gns) {
  ExpectRanges({
      {"HDOP -0.1", Gns("-0.1"), false},
      {"HDOP 0", Gns("0"), true},
      {"HDOP 99.9", Gns("99.9"), true},
      {"HDOP 100", Gns("100"), false},
      {"HDOP empty", Gns(""), true},
  });
}

TEST(AcceptedRanges, Txt) {
  ExpectRanges({
      {"total 0", Txt("0", "1", "1"), false},
      {"total 1", Txt("1", "1", "1"), true},
      {"total 99", Txt("99", "1", "1"), true},
      {"total 100", Txt("100", "1", "1"), false},
      {"number 0", Txt("1", "0", "1"), false},
      {"number 1", Txt("1", "1", "1"), true},
      {"number 99", Txt("1", "99", "1"), true},
      {"number 100", Txt("1", "100", "1"), false},
      {"identifier 0", Txt("1", "1", "0"), false},
      {"identifier 1", Txt("1", "1", "1"), true},
      {"identifier 99", Txt("1", "1", "99"), true},
      {"identifier 100", Txt("1", "1", "100"), false},
      {"all counters empty", Txt("", "", ""), true},
  });
}

TEST(AcceptedRanges, VtgUnitFieldsHoldOneCharacter) {
  ExpectRanges({
      {"units T M N K", Vtg("T", "M", "N", "K"), true},
      {"all units empty", Vtg("", "", "", ""), true},
      {"first unit TT", Vtg("TT", "M", "N", "K"), false},
      {"second unit MM", Vtg("T", "MM", "N", "K"), false},
      {"third unit KN", Vtg("T", "M", "KN", "K"), false},
      {"last unit KM", Vtg("T", "M", "N", "KM"), false},
  });
}

TEST(AcceptedRanges, EncapsulationCountersAndFillBits) {
  const std::string payload = "13aDq30P00PJ8BPN?0@@0?wV2@NC";
  struct Case {
    const char* what;
    const char* total;
    const char* number;
    const char* sequence;
    const char* fill;
    bool ok;
  };
  const Case cases[] = {
      {"total -1", "-1", "1", "", "0", false},     {"total 0", "0", "0", "", "0", true},
      {"total 9", "9", "1", "", "0", true},        {"total 10", "10", "1", "", "0", false},
      {"number -1", "2", "-1", "", "0", false},    {"number 0", "2", "0", "", "0", true},
      {"number 9", "9", "9", "", "0", true},       {"number 10", "9", "10", "", "0", false},
      {"sequence -1", "2", "1", "-1", "0", false}, {"sequence 0", "2", "1", "0", "0", true},
      {"sequence 9", "2", "1", "9", "0", true},    {"sequence 10", "2", "1", "10", "0", false},
      {"fill -1", "1", "1", "", "-1", false},      {"fill 0", "1", "1", "", "0", true},
      {"fill 1", "1", "1", "", "1", true},         {"fill 2", "1", "1", "", "2", true},
      {"fill 3", "1", "1", "", "3", true},         {"fill 4", "1", "1", "", "4", true},
      {"fill 5", "1", "1", "", "5", true},         {"fill 6", "1", "1", "", "6", false},
      {"fill empty", "1", "1", "", "", false},
  };
  for (const Case& c : cases) {
    for (const std::string& body : Encapsulated(c.total, c.number, c.sequence, payload, c.fill)) {
      SCOPED_TRACE(std::string(c.what) + ": " + body);
      SentenceRecord r = MarkedRecord();
      EXPECT_EQ(Decode(body, r), c.ok);
    }
  }
}

TEST(AcceptedRanges, EncapsulatedPayloadLengthDependsOnTheSequenceIdentifier) {
  struct Case {
    const char* sequence;
    size_t length;
    bool ok;
  };
  const Case cases[] = {
      {"", 62, true},  {"", 63, false}, {"0", 62, true}, {"0", 63, false},
      {"1", 63, true}, {"3", 63, true}, {"9", 63, true}, {"3", 64, false},
  };
  for (const Case& c : cases) {
    const std::string payload(c.length, 'w');
    for (const std::string& body : Encapsulated("2", "1", c.sequence, payload, "0")) {
      SCOPED_TRACE(body);
      SentenceRecord r = MarkedRecord();
      EXPECT_EQ(Decode(body, r), c.ok);
      if (c.ok) {
        EXPECT_EQ(TextOf(r.payload.encap.payload), payload);
      }
    }
  }
}

// ---- empty fields --------------------------------------------------------------

TEST(EmptyFields, Gga) {
  SentenceRecord r = MarkedRecord();
  ASSERT_TRUE(Decode("$GPGGA,,,,,,,,,,,,,,", r));
  const GgaFields& f = r.payload.gga;
  ExpectNoTime(f.time);
  EXPECT_FLOAT_EQ(f.latitude, kNoLatitude);
  EXPECT_FLOAT_EQ(f.longitude, kNoLongitude);
  EXPECT_EQ(f.quality, -128);
  EXPECT_EQ(f.satellitesInUse, -128);
  EXPECT_FLOAT_EQ(f.hdop, kNoFloat);
  EXPECT_FLOAT_EQ(f.altitude, kNoFloat);
  EXPECT_EQ(f.altitudeUnit, ' ');
  EXPECT_FLOAT_EQ(f.geoidSeparation, kNoFloat);
  EXPECT_EQ(f.separationUnit, ' ');
  EXPECT_FLOAT_EQ(f.dgpsAge, kNoFloat);
  EXPECT_EQ(f.dgpsStation, -1);
}

TEST(EmptyFields, Gbs) {
  SentenceRecord r = MarkedRecord();
  ASSERT_TRUE(Decode("$GPGBS,,,,,,,,", r));
  const GbsFields& f = r.payload.gbs;
  ExpectNoTime(f.time);
  EXPECT_FLOAT_EQ(f.errorLatitude, kNoFloat);
  EXPECT_FLOAT_EQ(f.errorLongitude, kNoFloat);
  EXPECT_FLOAT_EQ(f.errorAltitude, kNoFloat);
  EXPECT_EQ(f.failedSatellite, -1);
  EXPECT_FLOAT_EQ(f.missedProbability, kNoFloat);
  EXPECT_FLOAT_EQ(f.bias, kNoFloat);
  EXPECT_FLOAT_EQ(f.biasDeviation, kNoFloat);
}

TEST(EmptyFields, Gll) {
  SentenceRecord r = MarkedRecord();
  ASSERT_TRUE(Decode("$GPGLL,,,,,,,", r));
  const GllFields& f = r.payload.gll;
  EXPECT_FLOAT_EQ(f.latitude, kNoLatitude);
  EXPECT_FLOAT_EQ(f.longitude, kNoLongitude);
  ExpectNoTime(f.time);
  EXPECT_EQ(f.status, ' ');
  EXPECT_EQ(f.modeIndicator, ' ');
}

TEST(EmptyFields, Gsa) {
  SentenceRecord r = MarkedRecord();
  ASSERT_TRUE(Decode("$GPGSA,,,,,,,,,,,,,,,,,", r));
  const GsaFields& f = r.payload.gsa;
  EXPECT_EQ(f.selectionMode, ' ');
  EXPECT_EQ(f.fixMode, 0);
  for (int i = 0; i < 12; ++i) EXPECT_EQ(f.satellites[i], -128) << i;
  EXPECT_FLOAT_EQ(f.pdop, kNoFloat);
  EXPECT_FLOAT_EQ(f.hdop, kNoFloat);
  EXPECT_FLOAT_EQ(f.vdop, kNoFloat);
}

TEST(EmptyFields, Gsv) {
  SentenceRecord r = MarkedRecord();
  ASSERT_TRUE(Decode("$GPGSV,,,,,,,", r));
  const GsvFields& f = r.payload.gsv;
  EXPECT_EQ(f.total, 0);
  EXPECT_EQ(f.number, 0);
  EXPECT_EQ(f.satellitesInView, 0);
  EXPECT_EQ(f.entryCount, 1);
  EXPECT_EQ(f.id[0], -128);
  EXPECT_EQ(f.elevation[0], -128);
  EXPECT_EQ(f.azimuth[0], -1);
  EXPECT_EQ(f.snr[0], -128);
}

TEST(EmptyFields, Rmc) {
  SentenceRecord r = MarkedRecord();
  ASSERT_TRUE(Decode("$GPRMC,,,,,,,,,,,,", r));
  const RmcFields& f = r.payload.rmc;
  ExpectNoTime(f.time);
  EXPECT_EQ(f.status, ' ');
  EXPECT_FLOAT_EQ(f.latitude, kNoLatitude);
  EXPECT_FLOAT_EQ(f.longitude, kNoLongitude);
  EXPECT_FLOAT_EQ(f.speedKnots, kNoFloat);
  EXPECT_FLOAT_EQ(f.courseTrue, kNoFloat);
  EXPECT_EQ(f.year, 0);
  EXPECT_EQ(f.month, 0);
  EXPECT_EQ(f.day, 0);
  EXPECT_FLOAT_EQ(f.magneticVariation, kNoFloat);
  EXPECT_EQ(f.variationDirection, kNoChar);
  EXPECT_EQ(f.modeIndicator, ' ');
}

TEST(EmptyFields, Vtg) {
  SentenceRecord r = MarkedRecord();
  ASSERT_TRUE(Decode("$GPVTG,,,,,,,,,", r));
  const VtgFields& f = r.payload.vtg;
  EXPECT_FLOAT_EQ(f.courseTrue, kNoFloat);
  EXPECT_EQ(f.unitT, kNoChar);
  EXPECT_FLOAT_EQ(f.courseMagnetic, kNoFloat);
  EXPECT_EQ(f.unitM, kNoChar);
  EXPECT_FLOAT_EQ(f.speedKnots, kNoFloat);
  EXPECT_EQ(f.unitN, kNoChar);
  EXPECT_FLOAT_EQ(f.speedKmh, kNoFloat);
  EXPECT_EQ(f.unitK, kNoChar);
  EXPECT_EQ(f.modeIndicator, ' ');
}

TEST(EmptyFields, Zda) {
  SentenceRecord r = MarkedRecord();
  ASSERT_TRUE(Decode("$GPZDA,,,,,,", r));
  const ZdaFields& f = r.payload.zda;
  ExpectNoTime(f.time);
  EXPECT_EQ(f.day, -128);
  EXPECT_EQ(f.month, -128);
  EXPECT_EQ(f.year, -1);
  EXPECT_EQ(f.zoneHours, -128);
  EXPECT_EQ(f.zoneMinutes, -128);
}

TEST(EmptyFields, Gns) {
  SentenceRecord r = MarkedRecord();
  ASSERT_TRUE(Decode("$GPGNS,,,,,,,,,,,,", r));
  const GnsFields& f = r.payload.gns;
  ExpectNoTime(f.time);
  EXPECT_FLOAT_EQ(f.latitude, kNoLatitude);
  EXPECT_FLOAT_EQ(f.longitude, kNoLongitude);
  EXPECT_EQ(f.mode[0], ' ');
  EXPECT_EQ(f.mode[1], '\0');
  EXPECT_EQ(f.satellites[0], ' ');
  EXPECT_EQ(f.satellites[1], '\0');
  EXPECT_FLOAT_EQ(f.hdop, kNoFloat);
  EXPECT_FLOAT_EQ(f.altitude, kNoFloat);
  EXPECT_FLOAT_EQ(f.geoidSeparation, kNoFloat);
  EXPECT_FLOAT_EQ(f.dgpsAge, kNoFloat);
  EXPECT_FLOAT_EQ(f.stationId, kNoFloat);
}

TEST(EmptyFields, HdtRotVbw) {
  SentenceRecord r = MarkedRecord();
  ASSERT_TRUE(Decode("$HEHDT,,", r));
  EXPECT_FLOAT_EQ(r.payload.hdt.heading, kNoHeading);
  EXPECT_EQ(r.payload.hdt.trueIndicator, ' ');

  ASSERT_TRUE(Decode("$HEROT,,", r));
  EXPECT_FLOAT_EQ(r.payload.rot.rateOfTurn, kNoFloat);
  EXPECT_EQ(r.payload.rot.status, ' ');

  ASSERT_TRUE(Decode("$VMVBW,,,,,,", r));
  const VbwFields& f = r.payload.vbw;
  EXPECT_FLOAT_EQ(f.waterLongitudinal, 0.0f);
  EXPECT_FLOAT_EQ(f.waterTransverse, 0.0f);
  EXPECT_EQ(f.waterStatus, ' ');
  EXPECT_FLOAT_EQ(f.groundLongitudinal, 0.0f);
  EXPECT_FLOAT_EQ(f.groundTransverse, 0.0f);
  EXPECT_EQ(f.groundStatus, ' ');
}

TEST(EmptyFields, Dtm) {
  SentenceRecord r = MarkedRecord();
  ASSERT_TRUE(Decode("$GPDTM,,,,,,,,", r));
  const DtmFields& f = r.payload.dtm;
  EXPECT_EQ(TextOf(f.localDatum), " ");
  EXPECT_EQ(f.subdivision, ' ');
  EXPECT_FLOAT_EQ(f.latitudeOffset, kNoLatitude);
  EXPECT_FLOAT_EQ(f.longitudeOffset, kNoLongitude);
  EXPECT_FLOAT_EQ(f.altitudeOffset, 0.0f);
  EXPECT_EQ(TextOf(f.referenceDatum), " ");
}

TEST(EmptyFields, GrsGst) {
  SentenceRecord r = MarkedRecord();
  ASSERT_TRUE(Decode("$GPGRS,,,,,,,,,,,,,,", r));
  ExpectNoTime(r.payload.grs.time);
  EXPECT_EQ(r.payload.grs.mode, ' ');
  for (int i = 0; i < 12; ++i) EXPECT_FLOAT_EQ(r.payload.grs.residual[i], kNoFloat) << i;

  ASSERT_TRUE(Decode("$GPGST,,,,,,,,", r));
  const GstFields& f = r.payload.gst;
  ExpectNoTime(f.time);
  for (float v : {f.rms, f.semiMajor, f.semiMinor, f.orientation, f.latitudeError, f.longitudeError,
                  f.altitudeError}) {
    EXPECT_FLOAT_EQ(v, kNoFloat);
  }
}

TEST(EmptyFields, OsdRmaWpl) {
  SentenceRecord r = MarkedRecord();
  ASSERT_TRUE(Decode("$INOSD,,,,,,,,,", r));
  const OsdFields& f = r.payload.osd;
  for (float v : {f.heading, f.course, f.speed, f.vesselSet, f.vesselDrift}) {
    EXPECT_FLOAT_EQ(v, 0.0f);
  }
  for (char c : {f.headingStatus, f.courseReference, f.speedReference, f.speedUnits}) {
    EXPECT_EQ(c, ' ');
  }

  ASSERT_TRUE(Decode("$GPRMA,,,,,,,,,,,", r));
  EXPECT_EQ(r.payload.rma.status, ' ');
  EXPECT_FLOAT_EQ(r.payload.rma.latitude, kNoLatitude);
  EXPECT_FLOAT_EQ(r.payload.rma.longitude, kNoLongitude);

  ASSERT_TRUE(Decode("$GPWPL,,,,,", r));
  EXPECT_FLOAT_EQ(r.payload.wpl.latitude, kNoLatitude);
  EXPECT_FLOAT_EQ(r.payload.wpl.longitude, kNoLongitude);
  EXPECT_EQ(TextOf(r.payload.wpl.id), " ");
}

TEST(EmptyFields, Encapsulation) {
  struct Case {
    const char* body;
    int channel;
  };
  // Fill bits cannot be empty; everything else is.
  const Case cases[] = {
      {"!AIVDM,,,,,,0", -128},
      {"!AIVDO,,,,,,0", -128},
      {"!AIABM,,,,,,,,0", -128},
      {"!AIBBM,,,,,,,0", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.body);
    SentenceRecord r = MarkedRecord();
    ASSERT_TRUE(Decode(c.body, r));
    const EncapsulationFields& f = r.payload.encap;
    EXPECT_EQ(f.total, 0);
    EXPECT_EQ(f.number, 0);
    EXPECT_EQ(f.sequenceId, -128);
    EXPECT_EQ(f.channel, static_cast<char>(c.channel));
    EXPECT_EQ(TextOf(f.payload), " ");
    EXPECT_EQ(f.fillBits, 0);
  }
}

TEST(EmptyFields, AbmMmsiAndMessageIdentifierReadZero) {
  SentenceRecord r = MarkedRecord();
  ASSERT_TRUE(Decode("!AIABM,,,,,,,,0", r));
  EXPECT_EQ(r.payload.encap.destinationMmsi, 0u);
  EXPECT_EQ(r.payload.encap.messageId, 0);
}

TEST(EmptyFields, TxtAbkAckAlr) {
  SentenceRecord r = MarkedRecord();
  ASSERT_TRUE(Decode("$AITXT,,,,", r));
  EXPECT_EQ(r.payload.txt.total, -128);
  EXPECT_EQ(r.payload.txt.number, -128);
  EXPECT_EQ(r.payload.txt.id, -128);
  EXPECT_EQ(TextOf(r.payload.txt.text), " ");

  ASSERT_TRUE(Decode("$AIABK,,,,,", r));
  EXPECT_EQ(r.payload.abk.mmsi, 0u);
  EXPECT_EQ(r.payload.abk.channel, -128);
  EXPECT_EQ(r.payload.abk.messageId, 0);
  EXPECT_EQ(r.payload.abk.sequence, 0);
  EXPECT_EQ(r.payload.abk.ackType, 0);

  ASSERT_TRUE(Decode("$AIACK,", r));
  EXPECT_EQ(r.payload.ack.alarmId, 1000);

  ASSERT_TRUE(Decode("$AIALR,,,,,", r));
  const AlrFields& f = r.payload.alr;
  EXPECT_EQ(f.hour, 24);
  EXPECT_EQ(f.minute, 60);
  EXPECT_EQ(f.second, 60);
  EXPECT_EQ(f.id, 0);
  EXPECT_EQ(f.condition, ' ');
  EXPECT_EQ(f.acknowledgement, ' ');
  EXPECT_EQ(TextOf(f.description), " ");
}

TEST(EmptyFields, AcaAcs) {
  SentenceRecord r = MarkedRecord();
  ASSERT_TRUE(Decode("$AIACA,,,,,,,,,,,,,,,,,,,", r));
  const AcaFields& f = r.payload.aca;
  EXPECT_EQ(f.sequence, ' ');
  EXPECT_FLOAT_EQ(f.neLatitude, kNoLatitude);
  EXPECT_FLOAT_EQ(f.neLongitude, kNoLongitude);
  EXPECT_FLOAT_EQ(f.swLatitude, kNoLatitude);
  EXPECT_FLOAT_EQ(f.swLongitude, kNoLongitude);
  EXPECT_EQ(f.transitionZone, ' ');
  EXPECT_EQ(f.channelA, 0);
  EXPECT_EQ(f.channelB, 0);
  for (char c : {f.bandwidthA, f.bandwidthB, f.txRxMode, f.powerLevel, f.infoSource, f.inUse}) {
    EXPECT_EQ(c, ' ');
  }
  ExpectNoTime(f.inUseTime);

  ASSERT_TRUE(Decode("$AIACS,,,,,,", r));
  const AcsFields& s = r.payload.acs;
  EXPECT_EQ(s.sequence, ' ');
  EXPECT_EQ(s.mmsi, 0u);
  ExpectNoTime(s.time);
  EXPECT_EQ(s.day, 0);
  EXPECT_EQ(s.month, 0);
  EXPECT_EQ(s.year, 0);
}

TEST(EmptyFields, SsdVsd) {
  SentenceRecord r = MarkedRecord();
  ASSERT_TRUE(Decode("$AISSD,,,,,,,,", r));
  const SsdFields& s = r.payload.ssd;
  EXPECT_EQ(TextOf(s.callSign), "");
  EXPECT_EQ(TextOf(s.name), "");
  EXPECT_EQ(s.dimensionA, 512);
  EXPECT_EQ(s.dimensionB, 512);
  EXPECT_EQ(s.dimensionC, 64);
  EXPECT_EQ(s.dimensionD, 64);
  EXPECT_EQ(s.dte, 2);
  EXPECT_EQ(TextOf(s.sourceId), " ");

  ASSERT_TRUE(Decode("$AIVSD,,,,,,,,,", r));
  const VsdFields& v = r.payload.vsd;
  EXPECT_EQ(v.shipType, 256);
  EXPECT_FLOAT_EQ(v.draught, kNoFloat);
  EXPECT_EQ(v.personsOnBoard, 8192);
  EXPECT_EQ(TextOf(v.destination), "");
  ExpectNoTime(v.eta);
  EXPECT_EQ(v.etaDay, 32);
  EXPECT_EQ(v.etaMonth, 13);
  EXPECT_EQ(v.navStatus, -128);
  EXPECT_EQ(v.regionalFlags, 0);
}

TEST(EmptyFields, AiqSmgQuery) {
  SentenceRecord r = MarkedRecord();
  ASSERT_TRUE(Decode("$PTSK,R,AIQ,Smg,", r));
  EXPECT_EQ(r.payload.aiq.value, 0);

  ASSERT_TRUE(Decode("$AISmg,,", r));
  EXPECT_EQ(TextOf(r.payload.smg.text), " ");
  EXPECT_EQ(r.payload.smg.value, 0);

  ASSERT_TRUE(Decode("$ECAIQ,,,,,,,,,", r));
  EXPECT_EQ(TextOf(r.payload.query.text), " , , , , , , , , ");
}

TEST(EmptyFields, MidBdyTstFrq) {
  SentenceRecord r = MarkedRecord();
  ASSERT_TRUE(Decode("$PTSK,R,MID,,", r));
  EXPECT_EQ(r.payload.mid.number1, 999999999u);
  EXPECT_EQ(r.payload.mid.number2, 999999999u);

  ASSERT_TRUE(Decode("$PTSK,R,BDY,,,,,", r));
  EXPECT_EQ(r.payload.bdy.number, 999999999u);
  EXPECT_EQ(TextOf(r.payload.bdy.text1), "");
  EXPECT_EQ(TextOf(r.payload.bdy.text2), "");
  EXPECT_EQ(r.payload.bdy.byte1, 9);
  EXPECT_EQ(r.payload.bdy.byte2, 9);

  ASSERT_TRUE(Decode("$PTSK,R,TST,,,,,", r));
  EXPECT_EQ(r.payload.tst.number, 99999u);
  EXPECT_EQ(r.payload.tst.byte, 99);
  EXPECT_EQ(r.payload.tst.char1, ' ');
  EXPECT_EQ(r.payload.tst.char2, ' ');
  EXPECT_EQ(r.payload.tst.word, -1);

  ASSERT_TRUE(Decode("$PTSK,R,FRQ,,,,", r));
  EXPECT_EQ(r.payload.frq.number[0], 999999999u);
  EXPECT_EQ(r.payload.frq.number[1], 999999999u);
  EXPECT_EQ(r.payload.frq.byte[0], -128);
  EXPECT_EQ(r.payload.frq.byte[1], -128);
}

TEST(EmptyFields, BthDbgTpsMob) {
  SentenceRecord r = MarkedRecord();
  ASSERT_TRUE(Decode("$PTSK,R,BTH,,,,,,,", r));
  for (int i = 0; i < 6; ++i) EXPECT_EQ(r.payload.bth.value[i], 256) << i;
  EXPECT_EQ(TextOf(r.payload.bth.text), "");

  ASSERT_TRUE(Decode("$PTSK,R,DBG,,,,,,,,", r));
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(r.payload.dbg.code[i], kNoDbgCode) << i;
    EXPECT_EQ(r.payload.dbg.value[i], kNoDbgValue) << i;
  }

  ASSERT_TRUE(Decode("$PTSK,R,TPS,,", r));
  EXPECT_EQ(r.payload.tps.number, 999);
  EXPECT_EQ(TextOf(r.payload.tps.text), "");

  ASSERT_TRUE(Decode("$PTSK,R,MOB,,,,,", r));
  const MobFields& m = r.payload.mob;
  EXPECT_EQ(m.id[0], 0);
  EXPECT_EQ(m.id[1], 0);
  EXPECT_EQ(m.id[2], 0);
  EXPECT_EQ(m.byte1, 255);
  EXPECT_EQ(m.byte2, 255);
  EXPECT_EQ(m.hasByte3, 0);
  EXPECT_EQ(m.dataLength, 0);
}

// ---- texts cut to their width --------------------------------------------------

TEST(TextFields, AreCutToTheirWidth) {
  using Getter = std::function<std::string(const SentenceRecord&)>;
  struct Case {
    std::string body;
    Getter field;
    std::string expected;
  };
  const std::string seventy(70, 'T');
  const std::vector<Case> cases = {
      {"$AITXT,1,1,21," + seventy, [](auto& r) { return TextOf(r.payload.txt.text); },
       seventy.substr(0, 61)},
      {"$AISSD,PD1234XYZ,NORTHERN STAR,050,020,05,06,0,AI",
       [](auto& r) { return TextOf(r.payload.ssd.callSign); }, "PD1234X"},
      {"$AISSD,PD1234,NORTHERN STAR OF THE SEAS,050,020,05,06,0,AI",
       [](auto& r) { return TextOf(r.payload.ssd.name); }, "NORTHERN STAR OF THE"},
      {"$AISSD,PD1234,NORTHERN STAR,050,020,05,06,0,AIS",
       [](auto& r) { return TextOf(r.payload.ssd.sourceId); }, "AI"},
      {"$AIVSD,070,7.5,12,ROTTERDAM EUROPOORT MAASVLAKTE,143000,24,11,5,3",
       [](auto& r) { return TextOf(r.payload.vsd.destination); }, "ROTTERDAM EUROPOORT "},
      {"$AIALR,123456.00,029,A,V," + std::string(65, 'D'),
       [](auto& r) { return TextOf(r.payload.alr.description); }, std::string(59, 'D')},
      {"$PTSK,R,BDY,211378120,TESK MARINE ELECTRONICS,PELYX A100 WITH WIFI BOARD,3,7",
       [](auto& r) { return TextOf(r.payload.bdy.text1) + "|" + TextOf(r.payload.bdy.text2); },
       "TESK MARINE ELECTRON|PELYX A100 WITH WIFI"},
      {"$PTSK,R,BTH,1,2,3,4,5,6,BLUE LINK CONNECTED TO PHONE",
       [](auto& r) { return TextOf(r.payload.bth.text); }, "BLUE LINK CONNECTED TO P"},
      {"$PTSK,R,TPS,120,READY AND WAITING FOR A COMMAND",
       [](auto& r) { return TextOf(r.payload.tps.text); }, "READY AND WAITING FOR A "},
      {"$AISmg," + std::string(84, 'S') + ",4", [](auto& r) { return TextOf(r.payload.smg.text); },
       std::string(79, 'S')},
      {"$ECAIQ,VDM,1,2,3,4,5,6,7," + std::string(68, 'Q'),
       [](auto& r) { return TextOf(r.payload.query.text); },
       ("VDM,1,2,3,4,5,6,7," + std::string(68, 'Q')).substr(0, 82)},
      {"$GPDTM,W840,A,0,N,0,E,0,W84", [](auto& r) { return TextOf(r.payload.dtm.localDatum); },
       "W84"},
      {"$GPDTM,W84,A,0,N,0,E,0," + std::string(70, 'R'),
       [](auto& r) { return TextOf(r.payload.dtm.referenceDatum); }, std::string(65, 'R')},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.body);
    SentenceRecord r = MarkedRecord();
    ASSERT_TRUE(Decode(c.body, r));
    EXPECT_EQ(c.field(r), c.expected);
  }
}

// ---- clearing rules ------------------------------------------------------------

TEST(GsvParser, EntryCountFollowsTheCommaCountAndUnusedEntriesKeepTheirPresets) {
  const std::string entries[4] = {"01,10,100,31", "02,20,200,32", "03,30,300,33", "04,40,340,34"};
  for (int count = 1; count <= 4; ++count) {
    std::string body = "$GPGSV,2,1,08";
    for (int i = 0; i < count; ++i) body += "," + entries[i];
    SCOPED_TRACE(body);
    // A record that held a four-entry sentence before.
    SentenceRecord r = MarkedRecord();
    ASSERT_TRUE(Decode("$GPGSV,2,2,08,05,50,050,45,06,60,060,46,07,70,070,47,08,80,080,48", r));
    ASSERT_TRUE(Decode(body, r));
    const GsvFields& f = r.payload.gsv;
    EXPECT_EQ(f.entryCount, count);
    for (int i = 0; i < 4; ++i) {
      SCOPED_TRACE(i);
      if (i < count) {
        EXPECT_EQ(f.id[i], i + 1);
        EXPECT_EQ(f.elevation[i], 10 * (i + 1));
        EXPECT_EQ(f.snr[i], 31 + i);
      } else {
        EXPECT_EQ(f.id[i], -128);
        EXPECT_EQ(f.elevation[i], -128);
        EXPECT_EQ(f.azimuth[i], -1);
        EXPECT_EQ(f.snr[i], -128);
      }
    }
  }
}

TEST(GsvParser, RejectsCommaCountsBetweenEntryCounts) {
  struct Case {
    const char* body;
    bool ok;
  };
  const Case cases[] = {
      {"$GPGSV,1,1,01,04,52,298,40", true},
      {"$GPGSV,1,1,01,04,52,298,40,", true},    // an empty signal ID
      {"$GPGSV,1,1,01,04,52,298,40,05", true},  // signal ID 5
      {"$GPGSV,1,1,01,04,52,298,40,05,30", false},
      {"$GPGSV,1,1,01,04,52,298,40,05,30,100", false},
      {"$GPGSV,1,1,01,04,52,298", false},
      {"$GPGSV,1,1,01", false},    // no entry
      {"$GPGSV,1,1,01,1", false},  // no entry, a signal ID
      {"$GPGSV,1,1,02,04,52,298,40,05,30,100,22,1,2", false},
      {"$GAGSV,1,1,01,04,52,298,,7", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.body);
    SentenceRecord r = MarkedRecord();
    EXPECT_EQ(Decode(c.body, r), c.ok);
  }
}

TEST(GsvParser, EmptySnrReadsMinus128) {
  SentenceRecord r = MarkedRecord();
  ASSERT_TRUE(Decode("$GPGSV,3,3,09,22,45,123,", r));
  EXPECT_EQ(r.payload.gsv.id[0], 22);
  EXPECT_EQ(r.payload.gsv.elevation[0], 45);
  EXPECT_EQ(r.payload.gsv.azimuth[0], 123);
  EXPECT_EQ(r.payload.gsv.snr[0], -128);
}

TEST(EncapsulationParsers, ClearTheSharedVariantUpToTheirLastField) {
  struct Case {
    const char* body;
    bool messageIdKept;  // not cleared, not written
    bool mmsiKept;
  };
  const Case cases[] = {
      {"!AIVDM,1,1,,A,13aDq30P00PJ8BPN?0@@0?wV2@NC,0", true, true},
      {"!AIVDO,1,1,,B,13aDq30P00PJ8BPN?0@@0?wV2@NC,0", true, true},
      {"!AIBBM,1,1,3,1,8,13aDq30P00PJ8BPN?0@@0?wV2@NC,0", false, true},
      {"!AIABM,1,1,0,211378120,2,6,13aDq30P00PJ8BPN?0@@0?wV2@NC,0", false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.body);
    SentenceRecord r = MarkedRecord();
    ASSERT_TRUE(Decode(c.body, r));
    const EncapsulationFields& f = r.payload.encap;
    const size_t length = std::strlen("13aDq30P00PJ8BPN?0@@0?wV2@NC");
    EXPECT_EQ(TextOf(f.payload), "13aDq30P00PJ8BPN?0@@0?wV2@NC");
    // The payload bytes behind the text were cleared, not left as they were.
    for (size_t i = length; i < sizeof f.payload; ++i) EXPECT_EQ(f.payload[i], '\0') << i;
    EXPECT_EQ(IsMarker(&f.messageId, sizeof f.messageId), c.messageIdKept);
    EXPECT_EQ(IsMarker(&f.destinationMmsi, sizeof f.destinationMmsi), c.mmsiKept);
  }
}

TEST(EncapsulationParsers, AShortPayloadLeavesNothingOfALongerOne) {
  SentenceRecord r = MarkedRecord();
  ASSERT_TRUE(Decode("!AIVDM,2,1,5,A," + std::string(60, 'w') + ",0", r));
  ASSERT_TRUE(Decode("!AIVDM,2,2,5,A,88,2", r));
  EXPECT_EQ(TextOf(r.payload.encap.payload), "88");
  for (size_t i = 2; i < sizeof r.payload.encap.payload; ++i) {
    EXPECT_EQ(r.payload.encap.payload[i], '\0') << i;
  }
}

// ---- rejected sentences keep what was read -------------------------------------

TEST(RejectedSentences, KeepTheFieldsReadBeforeTheBadOne) {
  SentenceRecord r = MarkedRecord();
  EXPECT_FALSE(Decode(Gga("13", "0.9", "0120"), r));
  EXPECT_STREQ(r.formatter, "GGA");
  ExpectTime(r.payload.gga.time, 12, 35, 19, 0);
  EXPECT_FLOAT_EQ(r.payload.gga.latitude, 48.1173f);
  EXPECT_TRUE(IsMarker(&r.payload.gga.hdop, sizeof r.payload.gga.hdop));
}

TEST(RejectedSentences, EncapsulationChecksRunInFieldOrder) {
  // Total 10 is the first bad field: the fill bits 6 are never read.
  SentenceRecord r = MarkedRecord();
  EXPECT_FALSE(Decode("!AIVDM,10,1,,A,13aDq30P00PJ8BPN?0@@0?wV2@NC,6", r));
  EXPECT_EQ(r.payload.encap.total, 10);
  EXPECT_EQ(r.payload.encap.fillBits, 0);
  // A payload too long for an empty sequence identifier stops before the fill bits.
  r = MarkedRecord();
  EXPECT_FALSE(Decode("!AIVDM,1,1,,A," + std::string(63, 'w') + ",6", r));
  EXPECT_EQ(r.payload.encap.sequenceId, -128);
  EXPECT_EQ(r.payload.encap.fillBits, 0);
}

// ---- per-formatter edge cases --------------------------------------------------

TEST(VdoParser, EmptyChannelReadsMinus128) {
  SentenceRecord r = MarkedRecord();
  ASSERT_TRUE(Decode("!AIVDO,1,1,,,B3aC3LP00063aj7RNpl03wSUwP06,0", r));
  EXPECT_EQ(r.payload.encap.channel, kNoChar);
}

TEST(TxtParser, ThePlainReceiverTextFormIsNotATxtSentence) {
  SentenceRecord r = MarkedRecord();
  EXPECT_FALSE(Decode("$PTSK,R,TXT,FIRMWARE=1.02", r));
  EXPECT_TRUE(Decode("$PTSK,R,TXT,01,01,01,FIRMWARE=1.02", r));
  EXPECT_EQ(TextOf(r.payload.txt.text), "FIRMWARE=1.02");
}

TEST(MobParser, IdentifierRules) {
  struct Case {
    const char* id;
    bool ok;
    int b0, b1, b2;
  };
  const Case cases[] = {
      {"0A1B2C", true, 0x0A, 0x1B, 0x2C}, {"FFFFFF", true, 255, 255, 255},
      {"0A1B2G", false, 0, 0, 0},         {"0a1b2c", false, 0, 0, 0},
      {"0A1B2", true, 0, 0, 0},           {"0A1B2C3", true, 0, 0, 0},
      {"0A1B2CG", true, 0, 0, 0},         {"", true, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    SentenceRecord r = MarkedRecord();
    EXPECT_EQ(Decode(std::string("$PTSK,R,MOB,") + c.id + ",7,3F,A0,01", r), c.ok);
    if (c.ok) {
      EXPECT_EQ(r.payload.mob.id[0], c.b0);
      EXPECT_EQ(r.payload.mob.id[1], c.b1);
      EXPECT_EQ(r.payload.mob.id[2], c.b2);
    }
  }
}

TEST(MobParser, NumberAndHexadecimalByteRules) {
  constexpr int kUnwritten = -1;  // still holds the marker
  constexpr int kAny = -2;        // not checked
  struct Case {
    const char* number;
    const char* hex1;
    const char* hex2;
    bool ok;
    int byte1, byte2, byte3, hasByte3;
  };
  const Case cases[] = {
      {"7", "3F", "A0", true, 7, 0x3F, 0xA0, 1},
      {"200", "F", "9", true, 200, 0x0F, 0x09, 1},
      {"", "", "", true, 255, 255, kAny, 0},
      {"7", "3FF", "ABC", true, 7, kUnwritten, kUnwritten, kUnwritten},
      {"7", "3G", "A0", false, 7, kAny, kUnwritten, kUnwritten},
      {"7", "3f", "A0", false, 7, kAny, kUnwritten, kUnwritten},
      {"7", "3F", "G", false, 7, 0x3F, kAny, kAny},
      {"7", "3F", "a0", false, 7, 0x3F, kAny, kAny},
  };
  auto expect = [&](const char* what, uint8_t got, int want) {
    if (want == kAny) return;
    EXPECT_EQ(got, want == kUnwritten ? kMarker : want) << what;
  };
  for (const Case& c : cases) {
    const std::string body =
        std::string("$PTSK,R,MOB,0A1B2C,") + c.number + "," + c.hex1 + "," + c.hex2 + ",01";
    SCOPED_TRACE(body);
    SentenceRecord r = MarkedRecord();
    EXPECT_EQ(Decode(body, r), c.ok);
    const MobFields& f = r.payload.mob;
    expect("first number", f.byte1, c.byte1);
    expect("first hexadecimal byte", f.byte2, c.byte2);
    expect("second hexadecimal byte", f.byte3, c.byte3);
    expect("presence flag", f.hasByte3, c.hasByte3);
  }
}

TEST(MobParser, DataRules) {
  struct Case {
    std::string data;
    std::vector<int> bytes;  // empty: length 0
  };
  const std::vector<Case> cases = {
      {"0102030405060708FF", {1, 2, 3, 4, 5, 6, 7, 8, 255}},
      {"AB", {0xAB}},
      {"0102030405060708090A", {}},
      {"010", {}},
      {"0G", {}},
      {"01020G", {}},
      {"ab", {}},
      {"", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.data);
    SentenceRecord r = MarkedRecord();
    ASSERT_TRUE(Decode("$PTSK,R,MOB,0A1B2C,7,3F,A0," + c.data, r));
    const MobFields& f = r.payload.mob;
    ASSERT_EQ(f.dataLength, c.bytes.size());
    for (size_t i = 0; i < c.bytes.size(); ++i) EXPECT_EQ(f.data[i], c.bytes[i]) << i;
  }
}

TEST(HdtParser, EmptyHeadingReads511) {
  SentenceRecord r = MarkedRecord();
  ASSERT_TRUE(Decode("$GPHDT,,T", r));
  EXPECT_FLOAT_EQ(r.payload.hdt.heading, 511.0f);
  EXPECT_EQ(r.payload.hdt.trueIndicator, 'T');
}

TEST(GgaParser, EmptyQualityIsAccepted) {
  SentenceRecord r = MarkedRecord();
  ASSERT_TRUE(Decode("$GPGGA,123519.00,4807.038,N,01131.000,E,,08,0.9,545.4,M,46.9,M,,", r));
  EXPECT_EQ(r.payload.gga.quality, -128);
}

// ---- recorded receiver output --------------------------------------------------

TEST(RecordedSentences, GgaFromAMultiConstellationReceiver) {
  SentenceRecord r = MarkedRecord();
  ASSERT_TRUE(DecodeLine(
      "$GNGGA,181141.00,5230.88855,N,01327.85591,E,1,12,0.93,62.6,M,42.1,M,,*79\r\n", r));
  EXPECT_STREQ(r.talker, "GN");
  const GgaFields& f = r.payload.gga;
  ExpectTime(f.time, 18, 11, 41, 0);
  EXPECT_FLOAT_EQ(f.latitude, 52.514809f);
  EXPECT_FLOAT_EQ(f.longitude, 13.464265f);
  EXPECT_EQ(f.quality, 1);
  EXPECT_EQ(f.satellitesInUse, 12);
  EXPECT_FLOAT_EQ(f.hdop, 0.93f);
  EXPECT_FLOAT_EQ(f.altitude, 62.6f);
  EXPECT_FLOAT_EQ(f.geoidSeparation, 42.1f);
  EXPECT_FLOAT_EQ(f.dgpsAge, kNoFloat);
  EXPECT_EQ(f.dgpsStation, -1);
}

TEST(RecordedSentences, RmcWithEmptyCourse) {
  SentenceRecord r = MarkedRecord();
  ASSERT_TRUE(
      DecodeLine("$GNRMC,181141.00,A,5230.88855,N,01327.85591,E,0.031,,190615,,,A*61\r\n", r));
  const RmcFields& f = r.payload.rmc;
  ExpectTime(f.time, 18, 11, 41, 0);
  EXPECT_EQ(f.status, 'A');
  EXPECT_FLOAT_EQ(f.latitude, 52.514809f);
  EXPECT_FLOAT_EQ(f.longitude, 13.464265f);
  EXPECT_FLOAT_EQ(f.speedKnots, 0.031f);
  EXPECT_FLOAT_EQ(f.courseTrue, kNoFloat);
  EXPECT_EQ(f.year, 2015);
  EXPECT_EQ(f.month, 6);
  EXPECT_EQ(f.day, 19);
  EXPECT_FLOAT_EQ(f.magneticVariation, kNoFloat);
  EXPECT_EQ(f.variationDirection, kNoChar);
  EXPECT_EQ(f.modeIndicator, 'A');
}

TEST(RecordedSentences, GsvWithFourEntriesAndWithOneEntryLackingItsSnr) {
  SentenceRecord r = MarkedRecord();
  ASSERT_TRUE(
      DecodeLine("$GLGSV,3,1,10,69,22,029,34,70,52,093,27,71,27,157,25,76,25,257,21*68\r\n", r));
  EXPECT_EQ(r.payload.gsv.total, 3);
  EXPECT_EQ(r.payload.gsv.satellitesInView, 10);
  EXPECT_EQ(r.payload.gsv.entryCount, 4);
  EXPECT_EQ(r.payload.gsv.id[3], 76);
  EXPECT_EQ(r.payload.gsv.azimuth[3], 257);
  EXPECT_EQ(r.payload.gsv.snr[3], 21);

  ASSERT_TRUE(DecodeLine("$GPGSV,7,7,25,04,08,012,*41\r\n", r));
  EXPECT_EQ(r.payload.gsv.number, 7);
  EXPECT_EQ(r.payload.gsv.entryCount, 1);
  EXPECT_EQ(r.payload.gsv.id[0], 4);
  EXPECT_EQ(r.payload.gsv.elevation[0], 8);
  EXPECT_EQ(r.payload.gsv.azimuth[0], 12);
  EXPECT_EQ(r.payload.gsv.snr[0], -128);
  EXPECT_EQ(r.payload.gsv.id[1], -128);
}

TEST(RecordedSentences, TwoPartVdm) {
  SentenceRecord r = MarkedRecord();
  ASSERT_TRUE(DecodeLine(
      "!AIVDM,2,1,9,B,55R3Vn82=ILTQ3KKS>1<D60Dq@E918U<F222221J1`?164vc03S1CCAD,0*2A\r\n", r));
  EXPECT_EQ(r.payload.encap.total, 2);
  EXPECT_EQ(r.payload.encap.number, 1);
  EXPECT_EQ(r.payload.encap.sequenceId, 9);
  EXPECT_EQ(r.payload.encap.channel, 'B');
  EXPECT_EQ(TextOf(r.payload.encap.payload),
            "55R3Vn82=ILTQ3KKS>1<D60Dq@E918U<F222221J1`?164vc03S1CCAD");
  EXPECT_EQ(r.payload.encap.fillBits, 0);

  ASSERT_TRUE(DecodeLine("!AIVDM,2,2,9,B,`88888888888880,2*76\r\n", r));
  EXPECT_EQ(r.payload.encap.number, 2);
  EXPECT_EQ(TextOf(r.payload.encap.payload), "`88888888888880");
  EXPECT_EQ(r.payload.encap.fillBits, 2);
}

TEST(RecordedSentences, ZdaGnsGrsHdt) {
  SentenceRecord r = MarkedRecord();
  ASSERT_TRUE(DecodeLine("$GNZDA,181141.00,19,06,2015,00,00*7C\r\n", r));
  EXPECT_EQ(r.payload.zda.day, 19);
  EXPECT_EQ(r.payload.zda.month, 6);
  EXPECT_EQ(r.payload.zda.year, 2015);

  ASSERT_TRUE(DecodeLine("$GPGNS,112257.00,3844.24011,N,00908.43828,W,AN,03,10.5,,,,*57\r\n", r));
  EXPECT_FLOAT_EQ(r.payload.gns.latitude, 38.737335f);
  EXPECT_FLOAT_EQ(r.payload.gns.longitude, -9.140638f);
  EXPECT_EQ(r.payload.gns.mode[1], 'N');
  EXPECT_FLOAT_EQ(r.payload.gns.hdop, 10.5f);
  EXPECT_FLOAT_EQ(r.payload.gns.altitude, kNoFloat);

  ASSERT_TRUE(DecodeLine("$GPGRS,112257.00,1,-0.1,-0.3,-0.1,,,,,,,,,*4C\r\n", r));
  EXPECT_FLOAT_EQ(r.payload.grs.residual[1], -0.3f);
  EXPECT_FLOAT_EQ(r.payload.grs.residual[3], kNoFloat);

  ASSERT_TRUE(DecodeLine("$HEHDT,4.0,T*2B\r\n", r));
  EXPECT_FLOAT_EQ(r.payload.hdt.heading, 4.0f);
}

TEST(RecordedSentences, OlderFormsWithFewerFieldsAreRejected) {
  const char* lines[] = {
      // GGA with 13 commas, RMC without the mode indicator, DTM with two fields.
      "$GPGGA,130711,5012.790800,N,00806.879600,W,2,,,,,,,*6A\r\n",
      "$GPRMC,102136.000,V,3340.8472,S,15117.3205,E,0.0,0.0,251112,0.0,W*79\r\n",
      "$GPDTM,W84,C*52\r\n",
  };
  for (const char* line : lines) {
    SCOPED_TRACE(line);
    SentenceRecord r = MarkedRecord();
    EXPECT_FALSE(DecodeLine(line, r));
  }
}

// Decodes every sentence line of a recording; counts accepted and rejected sentences
// per formatter.
struct Tally {
  std::map<std::string, int> accepted, rejected;
};

Tally DecodeRecording(const std::string& path) {
  Tally tally;
  std::ifstream in(path, std::ios::binary);
  EXPECT_TRUE(in.good()) << path;
  std::string line;
  SentenceRecord r = MarkedRecord();
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || (line[0] != '$' && line[0] != '!')) continue;
    const bool ok = DecodeLine(line + "\r\n", r);
    (ok ? tally.accepted : tally.rejected)[TextOf(r.formatter)]++;
  }
  return tally;
}

TEST(RecordedSentences, SaabLogKeepsTheCompleteFormatters) {
  const Tally t = DecodeRecording(PELYX_TEST_DATA "/ais/saab-r4.log");
  const std::map<std::string, int> accepted = {{"GLL", 12}, {"HDT", 12}, {"ROT", 12}, {"VDM", 2},
                                               {"VDO", 12}, {"VTG", 12}, {"ZDA", 12}};
  const std::map<std::string, int> rejected = {{"DTM", 12}, {"FEC", 12}, {"GGA", 12}, {"RMC", 12}};
  EXPECT_EQ(t.accepted, accepted);
  EXPECT_EQ(t.rejected, rejected);
}

TEST(RecordedSentences, EverySentenceOfAMixedNmeaAndAisLogIsAccepted) {
  const Tally t = DecodeRecording(PELYX_TEST_DATA "/ais/ais-nmea.log");
  const std::map<std::string, int> accepted = {{"GGA", 164}, {"GLL", 164}, {"GSA", 165},
                                               {"GSV", 492}, {"RMC", 164}, {"VDM", 183},
                                               {"VTG", 164}};
  EXPECT_EQ(t.accepted, accepted);
  EXPECT_TRUE(t.rejected.empty());
}

// ---- the NMEA 4.10 forms ------------------------------------------------------

// The stores after merging one decoded sentence into zeroed stores.
DataStores StoresAfter(const SentenceRecord& record) {
  DataStores stores;
  std::memset(static_cast<void*>(&stores), 0, sizeof stores);  // padding too: compared below
  MergeIntoStore(record, stores);
  return stores;
}

TEST(NewerForms, GiveTheRecordAndTheStoresOfTheOlderForm) {
  struct Case {
    const char* older;
    const char* added;  // the fields of the newer form after the older ones
  } cases[] = {
      {"$GPRMC,225446.33,A,4916.45,N,12311.12,W,000.5,054.7,191124,020.3,E,A", ",S"},
      {"$GNRMC,074150.799,V,,,,,,,250215,,,N", ",V"},
      {"$GNRMC,225446.33,A,4916.45,N,12311.12,W,000.5,054.7,191124,020.3,E,D", ","},
      {"$GPGNS,122310.20,3722.425671,N,12258.856215,W,AA,14,0.9,1005.543,6.5,5.2,23", ",C"},
      {"$GNGNS,074150.799,,,,,NNNN,00,,,0.0,,0000", ",V"},
      {"$GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1", ",1"},
      {"$GNGSA,A,1,,,,,,,,,,,,,,,", ",4"},
      {"$GNGSA,M,2,65,66,,,,,,,,,,,2.5,1.3,", ","},
      {"$GPGSV,3,1,11,03,03,111,42", ",1"},
      {"$GPGSV,3,1,11,03,03,111,42,04,15,270,38", ",8"},
      {"$GLGSV,3,2,11,03,03,111,42,04,15,270,38,06,01,010,", ",1"},
      {"$GAGSV,3,3,11,03,03,111,42,04,15,270,38,06,01,010,00,13,06,292,27", ",7"},
      {"$GBGSV,1,1,04,03,03,111,42,04,15,270,38,06,01,010,00,13,06,292,27", ","},
      {"$GPGBS,235458.00,1.4,1.3,3.1,03,0.02,-21.4,3.8", ",1,1"},
      {"$GNGBS,003956.00,2.3,3.5,4.0,,,,", ",,"},
  };
  for (const Case& c : cases) {
    const std::string newer = std::string(c.older) + c.added;
    SCOPED_TRACE(newer);
    SentenceRecord older = MarkedRecord();
    SentenceRecord record = MarkedRecord();
    ASSERT_TRUE(Decode(c.older, older));
    ASSERT_TRUE(Decode(newer, record));
    EXPECT_EQ(TextOf(record.talker), TextOf(older.talker));
    EXPECT_EQ(TextOf(record.formatter), TextOf(older.formatter));
    EXPECT_EQ(std::memcmp(&record.payload, &older.payload, sizeof record.payload), 0);
    const DataStores a = StoresAfter(older);
    const DataStores b = StoresAfter(record);
    EXPECT_EQ(std::memcmp(&a, &b, sizeof a), 0);
  }
}

TEST(NewerForms, OtherCommaCountsStayRejected) {
  const char* bodies[] = {
      "$GPRMC,225446.33,A,4916.45,N,12311.12,W,000.5,054.7,191124,020.3,E,A,S,1",
      "$GPGNS,122310.20,3722.425671,N,12258.856215,W,AA,14,0.9,1005.543,6.5,5.2,23,V,1",
      "$GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1,1,1",
      "$GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1,1,1,1",
      "$GPGSV,3,1,11,03,03,111,42,1,1",
      "$GPGSV,3,1,11,03,03,111,42,04,15,270,38,06,01,010,00,13,06,292,27,1,1",
      "$GPGSV,3,1,11,03,03,111,42,04,15,270,38,06,01,010,00,13,06,292,27,1,1,1",
      "$GPGBS,235458.00,1.4,1.3,3.1,03,0.02,-21.4,3.8,1",  // the system ID alone
      "$GPGBS,235458.00,1.4,1.3,3.1,03,0.02,-21.4,3.8,1,1,1",
      // The other GNSS sentences have no newer form.
      "$GPGGA,123519.00,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,3.2,0120,1",
      "$GPGLL,4916.45,N,12311.12,W,225444,A,A,1",
      "$GPVTG,054.7,T,034.4,M,005.5,N,010.2,K,A,1",
      "$GPZDA,201530.00,04,07,2002,-05,30,1",
      "$GPGST,172814.0,0.006,0.023,0.020,273.6,0.023,0.020,0.031,1",
  };
  for (const char* body : bodies) {
    SCOPED_TRACE(body);
    SentenceRecord r = MarkedRecord();
    EXPECT_FALSE(Decode(body, r));
  }
}

// Real sentences of receivers that speak NMEA 4.10 or 4.11.
TEST(RecordedSentences, NewerFormsReadTheirFields) {
  SentenceRecord r = MarkedRecord();
  // gnss/furuno_gl_ga.log
  ASSERT_TRUE(
      DecodeLine("$GNRMC,120213.000,A,5957.0062,N,01100.6429,E,0.00,0.00,310722,,,D,V*0A\r\n", r));
  ExpectTime(r.payload.rmc.time, 12, 2, 13, 0);
  EXPECT_EQ(r.payload.rmc.status, 'A');
  EXPECT_FLOAT_EQ(r.payload.rmc.latitude, 59.950103f);
  EXPECT_FLOAT_EQ(r.payload.rmc.longitude, 11.010715f);
  EXPECT_EQ(r.payload.rmc.year, 2022);
  EXPECT_EQ(r.payload.rmc.month, 7);
  EXPECT_EQ(r.payload.rmc.day, 31);
  EXPECT_FLOAT_EQ(r.payload.rmc.magneticVariation, kNoFloat);
  EXPECT_EQ(r.payload.rmc.variationDirection, kNoChar);
  EXPECT_EQ(r.payload.rmc.modeIndicator, 'D');

  ASSERT_TRUE(
      DecodeLine("$GNGNS,120213.000,5957.0062,N,01100.6429,E,NDD,11,1.3,168.9,39.5,,,V*57\r\n", r));
  EXPECT_EQ(std::string(r.payload.gns.mode, 2), "ND");
  EXPECT_EQ(std::string(r.payload.gns.satellites, 2), "11");
  EXPECT_FLOAT_EQ(r.payload.gns.hdop, 1.3f);
  EXPECT_FLOAT_EQ(r.payload.gns.altitude, 168.9f);
  EXPECT_FLOAT_EQ(r.payload.gns.geoidSeparation, 39.5f);
  EXPECT_FLOAT_EQ(r.payload.gns.dgpsAge, kNoFloat);
  EXPECT_FLOAT_EQ(r.payload.gns.stationId, kNoFloat);

  ASSERT_TRUE(DecodeLine("$GNGSA,A,3,68,69,70,78,84,85,,,,,,,1.5,1.3,1.0,2*3D\r\n", r));
  EXPECT_EQ(r.payload.gsa.selectionMode, 'A');
  EXPECT_EQ(r.payload.gsa.fixMode, 3);
  EXPECT_EQ(r.payload.gsa.satellites[0], 68);
  EXPECT_EQ(r.payload.gsa.satellites[5], 85);
  EXPECT_EQ(r.payload.gsa.satellites[6], -128);
  EXPECT_EQ(r.payload.gsa.satellites[11], -128);
  EXPECT_FLOAT_EQ(r.payload.gsa.pdop, 1.5f);
  EXPECT_FLOAT_EQ(r.payload.gsa.hdop, 1.3f);
  EXPECT_FLOAT_EQ(r.payload.gsa.vdop, 1.0f);

  ASSERT_TRUE(
      DecodeLine("$GLGSV,3,1,10,85,85,247,32,69,53,053,37,70,52,187,27,86,36,310,,1*72\r\n", r));
  EXPECT_EQ(r.payload.gsv.entryCount, 4);
  EXPECT_EQ(r.payload.gsv.total, 3);
  EXPECT_EQ(r.payload.gsv.satellitesInView, 10);
  EXPECT_EQ(r.payload.gsv.id[3], 86);
  EXPECT_EQ(r.payload.gsv.azimuth[3], 310);
  EXPECT_EQ(r.payload.gsv.snr[3], -128);

  ASSERT_TRUE(DecodeLine("$GPGSV,1,1,01,36,19,156,51,,,,,,,,,,,,,1*5E\r\n", r));
  EXPECT_EQ(r.payload.gsv.entryCount, 4);
  EXPECT_EQ(r.payload.gsv.id[0], 36);
  EXPECT_EQ(r.payload.gsv.snr[0], 51);
  EXPECT_EQ(r.payload.gsv.id[1], -128);
  EXPECT_EQ(r.payload.gsv.azimuth[3], -1);

  // gnss/quectel-eg25-g.log
  ASSERT_TRUE(DecodeLine("$GAGSV,1,1,01,04,52,298,,7*42\r\n", r));
  EXPECT_EQ(r.payload.gsv.entryCount, 1);
  EXPECT_EQ(r.payload.gsv.id[0], 4);
  EXPECT_EQ(r.payload.gsv.elevation[0], 52);
  EXPECT_EQ(r.payload.gsv.azimuth[0], 298);
  EXPECT_EQ(r.payload.gsv.snr[0], -128);

  // gnss/ublox-zed-f9p-nmea.log
  ASSERT_TRUE(DecodeLine("$GNGBS,003956.00,2.3,3.5,4.0,,,,,,*55\r\n", r));
  ExpectTime(r.payload.gbs.time, 0, 39, 56, 0);
  EXPECT_FLOAT_EQ(r.payload.gbs.errorLatitude, 2.3f);
  EXPECT_FLOAT_EQ(r.payload.gbs.errorLongitude, 3.5f);
  EXPECT_FLOAT_EQ(r.payload.gbs.errorAltitude, 4.0f);
  EXPECT_EQ(r.payload.gbs.failedSatellite, -1);
  EXPECT_FLOAT_EQ(r.payload.gbs.missedProbability, kNoFloat);
  EXPECT_FLOAT_EQ(r.payload.gbs.biasDeviation, kNoFloat);
}

TEST(RecordedSentences, EveryGnssSentenceOfNmea410ReceiversIsAccepted) {
  struct Case {
    const char* file;
    std::map<std::string, int> accepted;
  } cases[] = {
      {PELYX_TEST_DATA "/gnss/ublox-zed-f9p-nmea.log",
       {{"GBS", 29},
        {"GGA", 29},
        {"GLL", 29},
        {"GSA", 116},
        {"GST", 29},
        {"GSV", 696},
        {"RMC", 29},
        {"VTG", 29},
        {"ZDA", 29}}},
      {PELYX_TEST_DATA "/gnss/ublox-neo-m9n-nmea.log",
       {{"GBS", 61},
        {"GGA", 61},
        {"GLL", 61},
        {"GSA", 244},
        {"GST", 61},
        {"GSV", 732},
        {"RMC", 61},
        {"VTG", 61},
        {"ZDA", 61}}},
      {PELYX_TEST_DATA "/gnss/telit-pls83-w.log",
       {{"GGA", 20}, {"GNS", 10}, {"GSA", 50}, {"GSV", 105}, {"RMC", 20}, {"VTG", 20}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    const Tally t = DecodeRecording(c.file);
    EXPECT_EQ(t.accepted, c.accepted);
    EXPECT_TRUE(t.rejected.empty());
  }
}

}  // namespace
}  // namespace pelyx
