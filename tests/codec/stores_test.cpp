#include "codec/stores.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "codec/decoder.h"

namespace pelyx {
namespace {

// Decodes "$GPGGA,..." (checksum and CR LF added) and merges it; false if it failed.
bool Feed(DataStores& stores, const std::string& body) {
  unsigned x = 0;
  for (size_t i = 1; i < body.size(); ++i) x ^= static_cast<unsigned char>(body[i]);
  char line[kSentenceBufferSize + 40];
  std::snprintf(line, sizeof line, "%s*%02X\r\n", body.c_str(), x);
  SentenceRecord record{};
  if (!DecodeSentence(line, record)) return false;
  MergeIntoStore(record, stores);
  return true;
}

TEST(FormatterGroup, ClassifiesEveryFormatter) {
  struct Case {
    const char* formatter;
    int group;
  } cases[] = {
      {"GGA", 1}, {"GLL", 1}, {"GBS", 1}, {"GSA", 1}, {"GSV", 1}, {"RMC", 1}, {"VTG", 1},
      {"ZDA", 1}, {"ROT", 2}, {"HDT", 2}, {"VBW", 2}, {"GNS", 2}, {"ABK", 4}, {"ACA", 4},
      {"ACK", 4}, {"ACS", 4}, {"ALR", 4}, {"SSD", 4}, {"VSD", 4}, {"ABM", 4}, {"BBM", 4},
      {"VDM", 4}, {"VDO", 4}, {"TXT", 4}, {"MID", 6}, {"BDY", 6}, {"TST", 6}, {"FRQ", 6},
      {"BTH", 6}, {"DBG", 6}, {"TPS", 6}, {"MOB", 6}, {"AIQ", 0}, {"Smg", 0}, {"Q", 0},
      {"DTM", 0}, {"GRS", 0}, {"GST", 0}, {"OSD", 0}, {"RMA", 0}, {"WPL", 0}, {"gga", 0},
      {"vdm", 0}, {"", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatterGroup(c.formatter), c.group) << c.formatter;
}

TEST(TalkerKind, CodesKnownTalkers) {
  std::pair<const char*, int> cases[] = {{"GP", 1}, {"GL", 2}, {"GN", 3}, {"LC", 4},
                                         {"IN", 6}, {"GA", 0}, {"AI", 0}, {"P", 0}};
  for (auto [talker, kind] : cases) EXPECT_EQ(TalkerKind(talker), kind) << talker;
  DataStores stores;
  ASSERT_TRUE(Feed(stores, "$GAHDT,10.0,T"));
  EXPECT_EQ(stores.headingSpeed.talkerKind, 0);
  ASSERT_TRUE(Feed(stores, "$INHDT,10.0,T"));
  EXPECT_EQ(stores.headingSpeed.talkerKind, 6);
}

// A merge must write only the fields its formatter delivers: fill the stores with a
// pattern, merge one sentence, and every byte outside the listed fields must still hold
// the pattern.
struct Span {
  size_t offset, size;
};
#define F(Store, field)                          \
  Span {                                         \
    offsetof(Store, field), sizeof(Store::field) \
  }

struct TouchCase {
  const char* body;
  size_t storeOffset;  // offset of the store inside DataStores
  size_t storeSize;
  std::vector<Span> allowed;
};

TEST(MergeIntoStore, WritesOnlyTheFieldsItsFormatterDelivers) {
  using G = GnssStore;
  using H = HeadingSpeedStore;
  using A = AisStore;
  using P = ProprietaryStore;
  constexpr size_t kG = offsetof(DataStores, gnss), kH = offsetof(DataStores, headingSpeed),
                   kA = offsetof(DataStores, ais), kP = offsetof(DataStores, proprietary);
  const Span time[] = {F(G, utcHour), F(G, utcMinute), F(G, utcSecond), F(G, utcHundredths)};
  auto withTime = [&](std::vector<Span> v) {
    v.insert(v.end(), std::begin(time), std::end(time));
    v.push_back(F(G, talkerKind));
    return v;
  };
  const TouchCase cases[] = {
      {"$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,", kG, sizeof(G),
       withTime({F(G, latitude), F(G, longitude), F(G, fixQuality), F(G, geoidSeparation),
                 F(G, satellitesUsed), F(G, positionValid), F(G, utcValid)})},
      {"$GPGBS,015509.00,-0.031,-0.186,0.219,19,0.000,-0.354,6.972", kG, sizeof(G),
       withTime({F(G, gbsErrorLatitude), F(G, gbsErrorLongitude), F(G, gbsErrorAltitude),
                 F(G, gbsFailedSatellite), F(G, gbsMissedProbability), F(G, gbsBias),
                 F(G, gbsBiasDeviation)})},
      {"$GPGLL,4916.45,N,12311.12,W,225444,A,A", kG, sizeof(G),
       withTime({F(G, latitude), F(G, longitude), F(G, modeIndicator), F(G, status),
                 F(G, positionValid)})},
      {"$GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1",
       kG,
       sizeof(G),
       {F(G, talkerKind), F(G, gsaMode), F(G, fixMode), F(G, usedSatellites), F(G, pdop),
        F(G, hdop), F(G, vdop), F(G, satellitesUsed)}},
      {"$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W,A", kG, sizeof(G),
       withTime({F(G, year), F(G, month), F(G, day), F(G, latitude), F(G, longitude),
                 F(G, courseTrue), F(G, speedKnots), F(G, status), F(G, modeIndicator),
                 F(G, positionValid), F(G, utcValid)})},
      {"$GPVTG,054.7,T,034.4,M,005.5,N,010.2,K,A",
       kG,
       sizeof(G),
       {F(G, talkerKind), F(G, courseTrue), F(G, courseMagnetic), F(G, speedKnots), F(G, speedKmh),
        F(G, modeIndicator)}},
      {"$GPZDA,201530.00,04,07,2002,00,00", kG, sizeof(G),
       withTime({F(G, year), F(G, month), F(G, day), F(G, utcValid)})},
      {"$GPHDT,274.07,T", kH, sizeof(H), {F(H, talkerKind), F(H, heading)}},
      {"$GPROT,35.6,A", kH, sizeof(H), {F(H, talkerKind), F(H, rateOfTurn), F(H, speedStatus)}},
      {"$AITXT,01,01,91,FREQ 2087 2088",
       kA,
       sizeof(A),
       {F(A, talkerKind), F(A, txtTotal), F(A, txtNumber), F(A, txtId), F(A, txtText)}},
      {"$AIACK,001", kA, sizeof(A), {F(A, talkerKind), F(A, ackAlarmId)}},
      {"$PTSK,R,MID,123456789,987654321", kP, sizeof(P), {F(P, midNumber1), F(P, midNumber2)}},
      {"$PTSK,R,TPS,001,TEXT", kP, sizeof(P), {F(P, tpsNumber), F(P, tpsText)}},
      {"$GPDTM,W84,,0.0,N,0.0,E,0.0,W84", 0, sizeof(DataStores), {}},
      {"$GPGST,024603.00,3.2,6.6,4.7,47.3,5.8,5.6,22.0", 0, sizeof(DataStores), {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.body);
    DataStores stores;
    std::memset(static_cast<void*>(&stores), 0x5A, sizeof stores);
    ASSERT_TRUE(Feed(stores, c.body));
    const auto* bytes = reinterpret_cast<const unsigned char*>(&stores);
    std::vector<bool> mayChange(sizeof stores, false);
    for (const Span& s : c.allowed) {
      for (size_t i = 0; i < s.size; ++i) mayChange[c.storeOffset + s.offset + i] = true;
    }
    size_t changedInside = 0;
    for (size_t i = 0; i < sizeof stores; ++i) {
      if (bytes[i] == 0x5A) continue;
      EXPECT_TRUE(mayChange[i]) << "byte " << i << " changed";
      changedInside += i >= c.storeOffset && i < c.storeOffset + c.storeSize;
    }
    if (!c.allowed.empty()) {
      EXPECT_GT(changedInside, 0u);
    }
  }
}
#undef F

TEST(MergeIntoStore, PositionAndTimeValidity) {
  DataStores s;
  const char* ggaFix = "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,";
  const char* ggaNoFix = "$GPGGA,123520,4807.038,N,01131.000,E,0,08,0.9,545.4,M,46.9,M,,";
  const char* ggaNoTime = "$GPGGA,,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,";
  const char* rmcA = "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W,A";
  const char* rmcV = "$GPRMC,123521,V,4807.000,S,01131.000,W,001.0,090.0,230394,003.1,W,N";
  ASSERT_TRUE(Feed(s, ggaNoFix));
  EXPECT_EQ(s.gnss.positionValid, 0);
  EXPECT_EQ(s.gnss.utcValid, 0);
  ASSERT_TRUE(Feed(s, rmcA));
  EXPECT_EQ(s.gnss.positionValid, 1);
  EXPECT_EQ(s.gnss.utcValid, 1);
  EXPECT_EQ(s.gnss.year, 1994 + 100);  // two-digit year 94 reads 2094
  ASSERT_TRUE(Feed(s, ggaNoTime));
  EXPECT_EQ(s.gnss.utcHour, 24);
  EXPECT_EQ(s.gnss.utcValid, 1);  // never cleared
  ASSERT_TRUE(Feed(s, rmcV));
  EXPECT_EQ(s.gnss.positionValid, 0);
  EXPECT_EQ(s.gnss.status, 'V');
  EXPECT_LT(s.gnss.latitude, 0);
  EXPECT_FLOAT_EQ(s.gnss.speedKnots, 1.0f);

  DataStores fresh;
  ASSERT_TRUE(Feed(fresh, ggaFix));
  EXPECT_EQ(fresh.gnss.utcValid, 1);
  DataStores zda;
  ASSERT_TRUE(Feed(zda, "$GPZDA,201530.00,04,07,2002,00,00"));
  EXPECT_EQ(zda.gnss.utcValid, 1);
  DataStores zdaEmptyDate;
  ASSERT_TRUE(Feed(zdaEmptyDate, "$GPZDA,201530.00,,,,,"));
  EXPECT_EQ(zdaEmptyDate.gnss.year, -1);
  EXPECT_EQ(zdaEmptyDate.gnss.utcValid, 0);
}

TEST(MergeIntoStore, SatelliteLists) {
  DataStores s;
  ASSERT_TRUE(Feed(s, "$GPGSA,A,3,05,07,09,12,15,,,,,,,,1.8,1.0,1.5"));
  EXPECT_EQ(s.gnss.satellitesUsed, 5);
  EXPECT_EQ(s.gnss.usedSatellites[4], 15);
  EXPECT_EQ(s.gnss.usedSatellites[5], -128);
  ASSERT_TRUE(Feed(s, "$GPGSV,3,1,11,03,03,111,00,04,15,270,00,06,01,010,00,13,06,292,00"));
  ASSERT_TRUE(Feed(s, "$GPGSV,3,3,11,22,42,067,42,24,14,311,"));
  EXPECT_EQ(s.gnss.gsvCount, 2);
  EXPECT_EQ(s.gnss.gsvNumber, 3);
  EXPECT_EQ(s.gnss.gsvId[0], 22);
  EXPECT_EQ(s.gnss.gsvSnr[1], -128);
  EXPECT_EQ(s.gnss.gsvId[2], 6);  // kept from the sentence before
  EXPECT_EQ(s.gnss.gsvAzimuth[3], 292);
}

TEST(MergeIntoStore, AisFields) {
  DataStores s;
  ASSERT_TRUE(Feed(s, "!AIVDO,1,1,,,B5NJ;PP005l4ot5Isbl03wsUkP06,0"));
  EXPECT_EQ(s.ais.channel, 'x');
  ASSERT_TRUE(Feed(s, "!AIVDM,1,1,,,B5NJ;PP005l4ot5Isbl03wsUkP06,0"));
  EXPECT_EQ(s.ais.channel, static_cast<char>(-128));
  EXPECT_STREQ(s.ais.msgPayload, "B5NJ;PP005l4ot5Isbl03wsUkP06");
  ASSERT_TRUE(Feed(s, "$AIABK,211378120,B,6,1,0"));
  EXPECT_EQ(s.ais.mmsi, 211378120u);
  EXPECT_EQ(s.ais.channel, 1);
  EXPECT_FLOAT_EQ(s.ais.abkMessageId, 6.0f);
  ASSERT_TRUE(Feed(s, "$AIACS,1,244123456,123456.78,24,12,2026"));
  EXPECT_EQ(s.ais.timeYear, 2026 % 256);
  EXPECT_EQ(s.ais.timeHundredths, 78);
  ASSERT_TRUE(Feed(s, "$AIVSD,300,5.2,,ROTTERDAM,103000.00,24,12,5,0"));
  EXPECT_EQ(s.ais.shipType, 44);
  EXPECT_EQ(s.ais.personsOnBoard, 8192);
  EXPECT_EQ(s.ais.timeHour, 10);
  EXPECT_EQ(s.ais.timeDay, 24);
  EXPECT_EQ(s.ais.timeYear, 2026 % 256);  // VSD leaves the year alone
  ASSERT_TRUE(Feed(s, "$AIALR,235959.99,002,A,V,ANTENNA VSWR"));
  EXPECT_EQ(s.ais.alarm.id, 2);
  EXPECT_EQ(s.ais.alarm.hundredths, 99);
  EXPECT_STREQ(s.ais.alarm.description, "ANTENNA VSWR");
}

TEST(MergeIntoStore, HeadingSpeedStatusIsShared) {
  DataStores s;
  ASSERT_TRUE(Feed(s, "$VMVBW,12.3,0.07,A,11.78,0.12,V"));
  EXPECT_EQ(s.headingSpeed.speedStatus, 'A');
  EXPECT_EQ(s.headingSpeed.groundStatus, 'V');
  ASSERT_TRUE(Feed(s, "$GPROT,-3.5,V"));
  EXPECT_EQ(s.headingSpeed.speedStatus, 'V');
  EXPECT_FLOAT_EQ(s.headingSpeed.rateOfTurn, -3.5f);
  EXPECT_FLOAT_EQ(s.headingSpeed.waterSpeedLongitudinal, 12.3f);
}

TEST(MergeIntoStore, ProprietaryFields) {
  DataStores s;
  ASSERT_TRUE(Feed(s, "$PTSK,R,DBG,099,1,040,2,,,,"));
  EXPECT_EQ(s.proprietary.dbgDirectionLetter, 'R');
  EXPECT_EQ(s.proprietary.dbgCode[1], 40);
  EXPECT_EQ(s.proprietary.dbgCode[2], 999);
  EXPECT_EQ(s.proprietary.dbgValue[3], INT32_MIN);
  ASSERT_TRUE(Feed(s, "$PDBG,042,4,,,,,,"));
  EXPECT_EQ(s.proprietary.dbgDirectionLetter, 0);

  ASSERT_TRUE(Feed(s, "$PTSK,R,MOB,0A1B2C,5,FF,01,0102030405"));
  EXPECT_EQ(s.proprietary.mobByte3, 1);
  EXPECT_EQ(s.proprietary.mobHasByte3, 1);
  EXPECT_EQ(s.proprietary.mobDataLength, 5);
  EXPECT_EQ(s.proprietary.mobData[4], 5);
  // No third byte and no usable data: the old third byte stays, the length drops to 0.
  ASSERT_TRUE(Feed(s, "$PTSK,R,MOB,0A1B2C,5,FF,,012"));
  EXPECT_EQ(s.proprietary.mobHasByte3, 0);
  EXPECT_EQ(s.proprietary.mobByte3, 1);
  EXPECT_EQ(s.proprietary.mobDataLength, 0);
  EXPECT_EQ(s.proprietary.mobData[4], 5);
}

}  // namespace
}  // namespace pelyx
