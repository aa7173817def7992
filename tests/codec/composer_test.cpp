#include "codec/composer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "codec/decoder.h"
#include "codec/stores.h"

namespace pelyx {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr int32_t kAbsent = std::numeric_limits<int32_t>::min();

// The checksum worked out here on its own: XOR of everything after the start character,
// two upper-case hexadecimal digits, CR LF.
std::string WithChecksum(const std::string& body) {
  unsigned x = 0;
  for (size_t i = 1; i < body.size(); ++i) x ^= static_cast<unsigned char>(body[i]);
  char tail[8];
  std::snprintf(tail, sizeof tail, "*%02X\r\n", x);
  return body + tail;
}

// Decodes a copy of `sentence` (the decoder rewrites its line in place).
bool Decode(const std::string& sentence, SentenceRecord& record) {
  char line[kSentenceBufferSize + 28] = {};
  if (sentence.size() >= sizeof line) return false;
  std::memcpy(line, sentence.data(), sentence.size());
  return DecodeSentence(line, record);
}

template <size_t N>
void SetText(char (&field)[N], const char* text) {
  std::snprintf(field, N, "%s", text);
}

using Setup = void (*)(DataStores& s, SentenceRecord& r);
using Check = void (*)(const SentenceRecord& sent, const SentenceRecord& got);

// Prepares stores and compose record; the parameters may go unused.
#define SETUP(...) \
  []([[maybe_unused]] DataStores& s, [[maybe_unused]] SentenceRecord& r) { __VA_ARGS__; }

void SetEncapsulation(SentenceRecord& r, int8_t total, int8_t number, int8_t sequenceId,
                      char channel, int8_t messageId, uint32_t mmsi, const char* payload) {
  auto& e = r.payload.encap;
  e = {};
  e.total = total;
  e.number = number;
  e.sequenceId = sequenceId;
  e.fillBits = 0;
  SetText(e.payload, payload);
  e.channel = channel;
  e.messageId = messageId;
  e.destinationMmsi = mmsi;
}

void ExpectSameEncapsulation(const EncapsulationFields& sent, const EncapsulationFields& got) {
  EXPECT_EQ(got.total, sent.total);
  EXPECT_EQ(got.number, sent.number);
  EXPECT_EQ(got.sequenceId, sent.sequenceId);
  EXPECT_STREQ(got.payload, sent.payload);
  EXPECT_EQ(got.fillBits, sent.fillBits);
}

// One sentence per formatter of the composer table: how stores and record are
// prepared, the exact sentence (checksums worked out by hand), and how the decoded
// sentence must compare with the record that was composed.
struct ComposeCase {
  const char* formatter;
  const char* talker;
  Setup prepare;
  const char* expected;
  Check readBack;
};

const ComposeCase
    kCases
        [] =
            {
                {"ABK", "AI", SETUP(r.payload.abk = {211378120, 1, 6, 1, 0}),
                 "$AIABK,211378120,B,6,1,0*24\r\n",
                 [](const SentenceRecord& sent, const SentenceRecord& got) {
                   EXPECT_EQ(got.payload.abk.mmsi, sent.payload.abk.mmsi);
                   EXPECT_EQ(got.payload.abk.channel, sent.payload.abk.channel);
                   EXPECT_EQ(got.payload.abk.messageId, sent.payload.abk.messageId);
                   EXPECT_EQ(got.payload.abk.sequence, sent.payload.abk.sequence);
                   EXPECT_EQ(got.payload.abk.ackType, sent.payload.abk.ackType);
                 }},
                {"ABM", "AI", SETUP(SetEncapsulation(r, 1, 1, 0, 2, 6, 211378120, "0400000000000")),
                 "!AIABM,1,1,0,211378120,2,6,0400000000000,0*4B\r\n",
                 [](const SentenceRecord& sent, const SentenceRecord& got) {
                   ExpectSameEncapsulation(sent.payload.encap, got.payload.encap);
                   EXPECT_EQ(got.payload.encap.destinationMmsi, sent.payload.encap.destinationMmsi);
                   // Composed as a channel number, read back as the character.
                   EXPECT_EQ(got.payload.encap.channel, '0' + sent.payload.encap.channel);
                   EXPECT_EQ(got.payload.encap.messageId, sent.payload.encap.messageId);
                 }},
                {"ACK", "AI", SETUP(s.ais.ackAlarmId = 1), "$AIACK,001*5C\r\n",
                 [](const SentenceRecord& sent, const SentenceRecord& got) {
                   EXPECT_EQ(got.payload.ack.alarmId, sent.payload.ack.alarmId);
                   EXPECT_EQ(got.payload.ack.alarmId, 1);
                 }},
                {"ALR", "AI",
                 SETUP(s.ais.alarm = {12, 34, 56, 0, 2, 'A', 'V', {}};
                       SetText(s.ais.alarm.description, "AIS: Antenna VSWR exceeds limit")),
                 "$AIALR,123456.00,2,A,V,AIS: Antenna VSWR exceeds limit*55\r\n",
                 [](const SentenceRecord& sent, const SentenceRecord& got) {
                   const auto &a = sent.payload.alr, &b = got.payload.alr;
                   EXPECT_EQ(b.hour, a.hour);
                   EXPECT_EQ(b.minute, a.minute);
                   EXPECT_EQ(b.second, a.second);
                   EXPECT_EQ(b.hundredths, a.hundredths);
                   EXPECT_EQ(b.id, a.id);
                   EXPECT_EQ(b.condition, a.condition);
                   EXPECT_EQ(b.acknowledgement, a.acknowledgement);
                   EXPECT_STREQ(b.description, a.description);
                 }},
                {"BBM", "AI", SETUP(SetEncapsulation(r, 1, 1, 0, 0, 8, 0, "0400000000000")),
                 "!AIBBM,1,1,0,0,8,0400000000000,0*55\r\n",
                 [](const SentenceRecord& sent, const SentenceRecord& got) {
                   ExpectSameEncapsulation(sent.payload.encap, got.payload.encap);
                   EXPECT_EQ(got.payload.encap.channel, sent.payload.encap.channel);
                   EXPECT_EQ(got.payload.encap.messageId, sent.payload.encap.messageId);
                 }},
                {"BDY", "P",
                 SETUP(auto& p = s.proprietary; p.bdyNumber = 123456789;
                       SetText(p.bdyText1, "TEXT ONE"); SetText(p.bdyText2, "TEXT TWO");
                       p.bdyByte1 = 1; p.bdyByte2 = 0),
                 "$PBDY,123456789,TEXT ONE,TEXT TWO,1,0*1B\r\n",
                 [](const SentenceRecord& sent, const SentenceRecord& got) {
                   EXPECT_EQ(got.payload.bdy.number, sent.payload.bdy.number);
                   EXPECT_STREQ(got.payload.bdy.text1, sent.payload.bdy.text1);
                   EXPECT_STREQ(got.payload.bdy.text2, sent.payload.bdy.text2);
                   EXPECT_EQ(got.payload.bdy.byte1, sent.payload.bdy.byte1);
                   EXPECT_EQ(got.payload.bdy.byte2, sent.payload.bdy.byte2);
                 }},
                {"BTH", "P",
                 SETUP(auto& p = s.proprietary; for (int i = 0; i < 6; ++i) p.bthValue[i] = i + 1;
                       SetText(p.bthText, "TEXT")),
                 "$PBTH,001,002,003,004,005,006,TEXT*38\r\n",
                 [](const SentenceRecord& sent, const SentenceRecord& got) {
                   for (int i = 0; i < 6; ++i)
                     EXPECT_EQ(got.payload.bth.value[i], sent.payload.bth.value[i]);
                   EXPECT_STREQ(got.payload.bth.text, sent.payload.bth.text);
                 }},
                {"DBG", "P",
                 SETUP(auto& p = s.proprietary; p = ProprietaryStore{};
                       const int16_t codes[] = {99, 40, 42, 999};
                       const int32_t values[] = {1, 2, 4, kAbsent}; for (int i = 0; i < 4; ++i) {
                         p.dbgCode[i] = codes[i];
                         p.dbgValue[i] = values[i];
                       }),
                 "$PDBG,099,1,040,2,042,4,,*14\r\n",
                 [](const SentenceRecord& sent, const SentenceRecord& got) {
                   for (int i = 0; i < 4; ++i) {
                     EXPECT_EQ(got.payload.dbg.code[i], sent.payload.dbg.code[i]) << i;
                     EXPECT_EQ(got.payload.dbg.value[i], sent.payload.dbg.value[i]) << i;
                   }
                   EXPECT_EQ(got.directionLetter, 0);
                 }},
                {"FRQ", "P",
                 SETUP(auto& p = s.proprietary; p.frqNumber[0] = 161975000;
                       p.frqNumber[1] = 162025000; p.frqByte[0] = 1; p.frqByte[1] = 2),
                 "$PFRQ,161975000,1,162025000,2*19\r\n",
                 [](const SentenceRecord& sent, const SentenceRecord& got) {
                   for (int i = 0; i < 2; ++i) {
                     EXPECT_EQ(got.payload.frq.number[i], sent.payload.frq.number[i]);
                     EXPECT_EQ(got.payload.frq.byte[i], sent.payload.frq.byte[i]);
                   }
                 }},
                {"GBS", "GP",
                 SETUP(
                     auto& g = s.gnss; g.utcHour = 1; g.utcMinute = 55; g.utcSecond = 9;
                     g.utcHundredths = 0; g.gbsErrorLatitude = -0.031f; g.gbsErrorLongitude =
                                                                            -0.186f;
                     g.gbsErrorAltitude = 0.219f; g.gbsFailedSatellite =
                                                      19;
                     g.gbsMissedProbability =
                         0.0f;
                     g.gbsBias = -0.354f; g.gbsBiasDeviation = 6.972f),
                 "$GPGBS,015509.00,-0.03,-0.19,0.22,19,0.00,-0.35,6.97*47\r\n",
                 [](const SentenceRecord& sent, const SentenceRecord& got) {
                   const auto &a = sent.payload.gbs, &b = got.payload.gbs;
                   EXPECT_EQ(b.time.hour, a.time.hour);
                   EXPECT_EQ(b.time.minute, a.time.minute);
                   EXPECT_EQ(b.time.second, a.time.second);
                   EXPECT_EQ(b.time.hundredths, a.time.hundredths);
                   EXPECT_NEAR(b.errorLatitude, a.errorLatitude, 0.005);
                   EXPECT_NEAR(b.errorLongitude, a.errorLongitude, 0.005);
                   EXPECT_NEAR(b.errorAltitude, a.errorAltitude, 0.005);
                   EXPECT_EQ(b.failedSatellite, a.failedSatellite);
                   EXPECT_NEAR(b.missedProbability, a.missedProbability, 0.005);
                   EXPECT_NEAR(b.bias, a.bias, 0.005);
                   EXPECT_NEAR(b.biasDeviation, a.biasDeviation, 0.005);
                 }},
                {"GSA", "GP",
                 SETUP(
                     auto& g = s.gnss; g.gsaMode = 'A'; g.fixMode = 3;
                     const int8_t
                         used[12] =
                             {4, 5, kNoInt8, 9, 12, kNoInt8, kNoInt8, 24, kNoInt8, kNoInt8, kNoInt8, kNoInt8};
                     std::memcpy(g.usedSatellites, used, sizeof used);
                     g.pdop = 2.5f; g.hdop = 1.3f; g.vdop = 2.1f),
                 "$GPGSA,A,3,04,05,,09,12,,,24,,,,,2.50,1.30,2.10*09\r\n",
                 [](const SentenceRecord& sent, const SentenceRecord& got) {
                   const auto &a = sent.payload.gsa, &b = got.payload.gsa;
                   EXPECT_EQ(b.selectionMode, a.selectionMode);
                   EXPECT_EQ(b.fixMode, a.fixMode);
                   for (int i = 0; i < 12; ++i) EXPECT_EQ(b.satellites[i], a.satellites[i]) << i;
                   EXPECT_NEAR(b.pdop, a.pdop, 0.005);
                   EXPECT_NEAR(b.hdop, a.hdop, 0.005);
                   EXPECT_NEAR(b.vdop, a.vdop, 0.005);
                 }},
                {"HDT", "GP", SETUP(s.headingSpeed.heading = 274.07f), "$GPHDT,274.1,T*35\r\n",
                 [](const SentenceRecord& sent, const SentenceRecord& got) {
                   EXPECT_NEAR(got.payload.hdt.heading, sent.payload.hdt.heading, 0.05);
                   EXPECT_EQ(got.payload.hdt.trueIndicator, 'T');
                 }},
                {"MID", "P",
                 SETUP(s.proprietary.midNumber1 = 123456789; s.proprietary.midNumber2 = 987654321),
                 "$PMID,123456789,987654321*10\r\n",
                 [](const SentenceRecord& sent, const SentenceRecord& got) {
                   EXPECT_EQ(got.payload.mid.number1, sent.payload.mid.number1);
                   EXPECT_EQ(got.payload.mid.number2, sent.payload.mid.number2);
                 }},
                {"MOB", "P",
                 SETUP(
                     auto& p = s.proprietary; p.mobId[0] = 0x0A; p.mobId[1] = 0x1B;
                     p.mobId[2] = 0x2C; p.mobByte1 = 5; p.mobByte2 = 0xFF; p.mobByte3 = 0x01; p.mobHasByte3 = 1; for (
                                                                                                                     int i = 0; i < 5; ++i)
                                                                                                                     p.mobData[i] = i + 1;
                     p.mobDataLength = 5),
                 "$PMOB,0A1B2C,5,FF,01,0102030405*7A\r\n",
                 [](const SentenceRecord& sent, const SentenceRecord& got) {
                   const auto &a = sent.payload.mob, &b = got.payload.mob;
                   for (int i = 0; i < 3; ++i) EXPECT_EQ(b.id[i], a.id[i]);
                   EXPECT_EQ(b.byte1, a.byte1);
                   EXPECT_EQ(b.byte2, a.byte2);
                   EXPECT_EQ(b.byte3, a.byte3);
                   EXPECT_EQ(b.hasByte3, a.hasByte3);
                   ASSERT_EQ(b.dataLength, a.dataLength);
                   EXPECT_EQ(std::memcmp(b.data, a.data, a.dataLength), 0);
                 }},
                {"RMC", "GP",
                 SETUP(auto& g = s.gnss; g.utcHour = 12; g.utcMinute = 35; g.utcSecond = 19;
                       g.utcHundredths =
                           0;
                       g.status = 'A'; g.latitude = 49.274166f; g.longitude = -123.18533f;
                       g.speedKnots = 22.4f; g.courseTrue = 84.4f; g.year = 2024; g.month = 3;
                       g.day = 23; g.modeIndicator = 'A';
                       r.payload.rmc.magneticVariation = 3.1f;
                       r.payload.rmc.variationDirection = 'W'),
                 "$GPRMC,123519.00,A,4916.44996,N,12311.11999,W,22.400,84.40,230324,3.10,W,A*"
                 "37\r\n",
                 [](const SentenceRecord& sent, const SentenceRecord& got) {
                   const auto &a = sent.payload.rmc, &b = got.payload.rmc;
                   EXPECT_EQ(b.time.hour, a.time.hour);
                   EXPECT_EQ(b.time.minute, a.time.minute);
                   EXPECT_EQ(b.time.second, a.time.second);
                   EXPECT_EQ(b.time.hundredths, a.time.hundredths);
                   EXPECT_EQ(b.status, a.status);
                   EXPECT_NEAR(b.latitude, a.latitude, 1e-5);
                   EXPECT_NEAR(b.longitude, a.longitude, 1e-5);
                   EXPECT_NEAR(b.speedKnots, a.speedKnots, 0.0005);
                   EXPECT_NEAR(b.courseTrue, a.courseTrue, 0.005);
                   EXPECT_EQ(b.year, a.year);
                   EXPECT_EQ(b.month, a.month);
                   EXPECT_EQ(b.day, a.day);
                   EXPECT_NEAR(b.magneticVariation, a.magneticVariation, 0.005);
                   EXPECT_EQ(b.variationDirection, a.variationDirection);
                   EXPECT_EQ(b.modeIndicator, a.modeIndicator);
                 }},
                {"SSD", "AI",
                 SETUP(auto& a = s.ais; SetText(a.callSign, "PD1234");
                       SetText(a.shipName, "SHIPNAME");
                       a.dimensionA = 50; a.dimensionB = 10; a.dimensionC = 5; a.dimensionD = 5;
                       a.dte = 0; SetText(a.sourceId, "AI")),
                 "$AISSD,PD1234,SHIPNAME,50,10,5,5,0,AI*65\r\n",
                 [](const SentenceRecord& sent, const SentenceRecord& got) {
                   const auto &a = sent.payload.ssd, &b = got.payload.ssd;
                   EXPECT_STREQ(b.callSign, a.callSign);
                   EXPECT_STREQ(b.name, a.name);
                   EXPECT_EQ(b.dimensionA, a.dimensionA);
                   EXPECT_EQ(b.dimensionB, a.dimensionB);
                   EXPECT_EQ(b.dimensionC, a.dimensionC);
                   EXPECT_EQ(b.dimensionD, a.dimensionD);
                   EXPECT_EQ(b.dte, a.dte);
                   EXPECT_STREQ(b.sourceId, a.sourceId);
                 }},
                {"TPS", "P",
                 SETUP(s.proprietary.tpsNumber = 1; SetText(s.proprietary.tpsText, "TEXT")),
                 "$PTPS,001,TEXT*2B\r\n",
                 [](const SentenceRecord& sent, const SentenceRecord& got) {
                   EXPECT_EQ(got.payload.tps.number, sent.payload.tps.number);
                   EXPECT_STREQ(got.payload.tps.text, sent.payload.tps.text);
                 }},
                {"TST", "P",
                 SETUP(auto& p = s.proprietary; p.tstNumber = 12345; p.tstByte = 12;
                       p.tstChar1 = 'a'; p.tstChar2 = 'B'; p.tstWord = 42),
                 "$PTST,12345,12,a,B,00042*08\r\n",
                 [](const SentenceRecord& sent, const SentenceRecord& got) {
                   const auto &a = sent.payload.tst, &b = got.payload.tst;
                   EXPECT_EQ(b.number, a.number);
                   EXPECT_EQ(b.byte, a.byte);
                   EXPECT_EQ(b.char1, a.char1);
                   EXPECT_EQ(b.char2, a.char2);
                   EXPECT_EQ(b.word, a.word);
                 }},
                {"VDM", "AI",
                 SETUP(SetEncapsulation(r, 1, 1, kNoInt8, 1, 0, 0, "177KQJ5000G?tO`K>RA1wUbN0TKH")),
                 "!AIVDM,1,1,,B,177KQJ5000G?tO`K>RA1wUbN0TKH,0*5C\r\n",
                 [](const SentenceRecord& sent, const SentenceRecord& got) {
                   ExpectSameEncapsulation(sent.payload.encap, got.payload.encap);
                   // Composed as a channel index, read back as the letter.
                   EXPECT_EQ(got.payload.encap.channel, 'A' + sent.payload.encap.channel);
                 }},
                {"VDO", "AI",
                 SETUP(SetEncapsulation(r, 1, 1, kNoInt8, 0, 0, 0, "B52K>;h00Fc>jpUlNV@ikwpUoP06")),
                 "!AIVDO,1,1,,A,B52K>;h00Fc>jpUlNV@ikwpUoP06,0*4E\r\n",
                 [](const SentenceRecord& sent, const SentenceRecord& got) {
                   ExpectSameEncapsulation(sent.payload.encap, got.payload.encap);
                   EXPECT_EQ(got.payload.encap.channel, 'A' + sent.payload.encap.channel);
                 }},
                // "%4.1f" pads a draught below 10 m with a blank; the receiver skips leading
                // blanks.
                {"VSD", "AI",
                 SETUP(auto& a = s.ais; a.shipType = 70; a.draught = 5.2f; a.personsOnBoard = 12;
                       SetText(a.destination, "ROTTERDAM"); a.timeHour = 12; a.timeMinute = 30;
                       a.timeSecond = 0; a.timeHundredths = 0; a.timeDay = 24; a.timeMonth = 12;
                       a.navStatus = 0; a.regionalFlags = 0),
                 "$AIVSD,70, 5.2,12,ROTTERDAM,123000.00,24,12,0,0*01\r\n",
                 [](const SentenceRecord& sent, const SentenceRecord& got) {
                   const auto &a = sent.payload.vsd, &b = got.payload.vsd;
                   EXPECT_EQ(b.shipType, a.shipType);
                   EXPECT_NEAR(b.draught, a.draught, 0.05);
                   EXPECT_EQ(b.personsOnBoard, a.personsOnBoard);
                   EXPECT_STREQ(b.destination, a.destination);
                   EXPECT_EQ(b.eta.hour, a.eta.hour);
                   EXPECT_EQ(b.eta.minute, a.eta.minute);
                   EXPECT_EQ(b.eta.second, a.eta.second);
                   EXPECT_EQ(b.eta.hundredths, a.eta.hundredths);
                   EXPECT_EQ(b.etaDay, a.etaDay);
                   EXPECT_EQ(b.etaMonth, a.etaMonth);
                   EXPECT_EQ(b.navStatus, a.navStatus);
                   EXPECT_EQ(b.regionalFlags, a.regionalFlags);
                 }},
};

const ComposeCase& BaseCase(const std::string& formatter) {
  for (const auto& c : kCases) {
    if (formatter == c.formatter) return c;
  }
  ADD_FAILURE() << "no base case for " << formatter;
  return kCases[0];
}

// Composes `formatter` from its base case, changed by `tweak`; "<false>" when the
// composer refused.
std::string ComposeVariant(const char* formatter, Setup tweak) {
  const ComposeCase& base = BaseCase(formatter);
  DataStores stores;
  SentenceComposer composer(stores);
  base.prepare(stores, composer.Record());
  tweak(stores, composer.Record());
  char out[kComposeBufferSize];
  if (!composer.ComposeSentence(out, sizeof out, formatter, base.talker)) return "<false>";
  return out;
}

TEST(Composer, TableHoldsTheTwentyOneFormatters) {
  std::set<std::string> formatters;
  for (const auto& c : kCases) formatters.insert(c.formatter);
  EXPECT_EQ(formatters.size(), std::size(kCases));
  EXPECT_EQ(std::size(kCases), 21u);
  EXPECT_EQ(ComposerTableSize(), 21u);
}

TEST(Composer, WritesTheExactSentenceOfEveryFormatter) {
  for (const auto& c : kCases) {
    DataStores stores;
    SentenceComposer composer(stores);
    c.prepare(stores, composer.Record());
    char out[kComposeBufferSize];
    ASSERT_TRUE(composer.ComposeSentence(out, sizeof out, c.formatter, c.talker)) << c.formatter;
    EXPECT_STREQ(out, c.expected) << c.formatter;
    EXPECT_TRUE(VerifyChecksum(out)) << c.formatter;
  }
}

TEST(Composer, ComposedSentencesReadBackToTheComposedFields) {
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.formatter);
    DataStores stores;
    SentenceComposer composer(stores);
    c.prepare(stores, composer.Record());
    char out[kComposeBufferSize];
    ASSERT_TRUE(composer.ComposeSentence(out, sizeof out, c.formatter, c.talker));
    SentenceRecord decoded{};
    ASSERT_TRUE(Decode(out, decoded)) << out;
    EXPECT_STREQ(decoded.talker, c.talker);
    EXPECT_STREQ(decoded.formatter, c.formatter);
    c.readBack(composer.Record(), decoded);
  }
}

// Each case starts from the formatter's base case above and changes one thing.
struct VariantCase {
  const char* name;
  const char* formatter;
  Setup tweak;
  const char* body;  // the expected sentence without checksum and CR LF
};

void ExpectVariants(const std::vector<VariantCase>& cases) {
  for (const auto& c : cases) {
    EXPECT_EQ(ComposeVariant(c.formatter, c.tweak), WithChecksum(c.body)) << c.name;
  }
}

void SetDbg(ProprietaryStore& p, char letter, int16_t code1, int32_t value1) {
  p.dbgDirectionLetter = letter;
  for (int i = 0; i < 4; ++i) {
    p.dbgCode[i] = i == 0 ? code1 : kNoDbgCode;
    p.dbgValue[i] = i == 0 ? value1 : kAbsent;
  }
}

TEST(Composer, WritesDbgEnvelopeOnlyForUpperCaseDirectionLetters) {
  ExpectVariants({
      {"all pairs absent", "DBG", SETUP(SetDbg(s.proprietary, 0, kNoDbgCode, kAbsent)),
       "$PDBG,,,,,,,,"},
      {"handshake request", "DBG", SETUP(SetDbg(s.proprietary, 0, 99, 1)), "$PDBG,099,1,,,,,,"},
      {"letter C", "DBG", SETUP(SetDbg(s.proprietary, 'C', 99, 1)), "$PTSK,C,DBG,099,1,,,,,,"},
      {"letter A", "DBG", SETUP(s.proprietary.dbgDirectionLetter = 'A'),
       "$PTSK,A,DBG,099,1,040,2,042,4,,"},
      {"letter Z", "DBG", SETUP(s.proprietary.dbgDirectionLetter = 'Z'),
       "$PTSK,Z,DBG,099,1,040,2,042,4,,"},
      {"lower-case c", "DBG", SETUP(SetDbg(s.proprietary, 'c', 99, 1)), "$PDBG,099,1,,,,,,"},
      {"letter before A", "DBG", SETUP(s.proprietary.dbgDirectionLetter = '@'),
       "$PDBG,099,1,040,2,042,4,,"},
      {"letter after Z", "DBG", SETUP(s.proprietary.dbgDirectionLetter = '['),
       "$PDBG,099,1,040,2,042,4,,"},
  });
}

TEST(Composer, WritesDbgPairsUnlessAbsent) {
  ExpectVariants({
      {"code 998", "DBG", SETUP(SetDbg(s.proprietary, 0, 998, 0)), "$PDBG,998,0,,,,,,"},
      {"code 999", "DBG", SETUP(SetDbg(s.proprietary, 0, 999, 0)), "$PDBG,,0,,,,,,"},
      {"code 1000", "DBG", SETUP(SetDbg(s.proprietary, 0, 1000, 0)), "$PDBG,,0,,,,,,"},
      {"code 0", "DBG", SETUP(SetDbg(s.proprietary, 0, 0, 5)), "$PDBG,000,5,,,,,,"},
      {"largest value", "DBG", SETUP(SetDbg(s.proprietary, 0, 40, INT32_MAX)),
       "$PDBG,040,2147483647,,,,,,"},
      {"value above the absent mark", "DBG", SETUP(SetDbg(s.proprietary, 0, 40, INT32_MIN + 1)),
       "$PDBG,040,-2147483647,,,,,,"},
  });
}

TEST(Composer, WritesHeadingOnlyFromZeroTo360) {
  ExpectVariants({
      {"not available 511", "HDT", SETUP(s.headingSpeed.heading = kNoHeading), "$GPHDT,,T"},
      {"0", "HDT", SETUP(s.headingSpeed.heading = 0.0f), "$GPHDT,0.0,T"},
      {"360", "HDT", SETUP(s.headingSpeed.heading = 360.0f), "$GPHDT,360.0,T"},
      {"above 360", "HDT", SETUP(s.headingSpeed.heading = 360.1f), "$GPHDT,,T"},
      {"negative", "HDT", SETUP(s.headingSpeed.heading = -0.1f), "$GPHDT,,T"},
      {"NaN", "HDT", SETUP(s.headingSpeed.heading = kNaN), "$GPHDT,,T"},
      {"infinity", "HDT", SETUP(s.headingSpeed.heading = kInf), "$GPHDT,,T"},
  });
}

TEST(Composer, WritesGsaSatelliteListAndDops) {
  ExpectVariants({
      {"05,12 and ten empty", "GSA",
       SETUP(std::memset(s.gnss.usedSatellites, 0x80, 12); s.gnss.usedSatellites[0] = 5;
             s.gnss.usedSatellites[1] = 12),
       "$GPGSA,A,3,05,12,,,,,,,,,,,2.50,1.30,2.10"},
      // Satellite numbers are compared signed: 0 and negative numbers are left out.
      {"zero and negative", "GSA",
       SETUP(s.gnss.usedSatellites[0] = 0; s.gnss.usedSatellites[1] = -5),
       "$GPGSA,A,3,,,,09,12,,,24,,,,,2.50,1.30,2.10"},
      {"largest number", "GSA", SETUP(s.gnss.usedSatellites[2] = 127),
       "$GPGSA,A,3,04,05,127,09,12,,,24,,,,,2.50,1.30,2.10"},
      {"DOPs not available", "GSA",
       SETUP(s.gnss.pdop = kNoFloat; s.gnss.hdop = kNaN; s.gnss.vdop = -99999.0f),
       "$GPGSA,A,3,04,05,,09,12,,,24,,,,,,,-99999.00"},
      {"no selection mode", "GSA", SETUP(s.gnss.gsaMode = '\0'),
       "$GPGSA,,3,04,05,,09,12,,,24,,,,,2.50,1.30,2.10"},
  });
}

TEST(Composer, WritesRmcPositionTruncatedOrAsFourEmptyFields) {
  // clang-format off
  struct { const char* name; float lat, lon; const char* position; } cases[] = {
      {"4916.45,N as read",      49.274166f, -123.18533f, "4916.44996,N,12311.11999,W"},
      {"south and east",         -33.8568f,  151.21529f,  "3351.40800,S,15112.91717,E"},
      {"zero is south and west", 0.0f,       0.0f,        "0000.00000,S,00000.00000,W"},
      {"half a degree",          -0.5f,      -0.5f,       "0030.00000,S,00030.00000,W"},
      {"at the tolerance",       90.1f,      180.1f,      "9005.99990,N,18006.00036,E"},
      {"latitude 91",            kNoLatitude, 10.0f,      ",,,"},
      {"longitude 181",          10.0f,      kNoLongitude, ",,,"},
      {"latitude -91",           -kNoLatitude, 10.0f,     ",,,"},
      {"longitude -181",         10.0f,      -kNoLongitude, ",,,"},
      {"latitude NaN",           kNaN,       10.0f,       ",,,"},
      {"longitude NaN",          10.0f,      kNaN,        ",,,"},
      {"huge latitude",          1e30f,      10.0f,       ",,,"},
      {"huge negative longitude", 10.0f,     -1e30f,      ",,,"},
      {"infinite latitude",      -kInf,      10.0f,       ",,,"},
  };
  // clang-format on
  for (const auto& c : cases) {
    DataStores stores;
    SentenceComposer composer(stores);
    BaseCase("RMC").prepare(stores, composer.Record());
    stores.gnss.latitude = c.lat;
    stores.gnss.longitude = c.lon;
    char out[kComposeBufferSize];
    ASSERT_TRUE(composer.ComposeSentence(out, sizeof out, "RMC", "GP")) << c.name;
    std::string expected =
        std::string("$GPRMC,123519.00,A,") + c.position + ",22.400,84.40,230324,3.10,W,A";
    EXPECT_EQ(out, WithChecksum(expected)) << c.name;
  }
}

TEST(Composer, WritesRmcEmptyFieldsForMissingValues) {
  ExpectVariants({
      {"year 0", "RMC", SETUP(s.gnss.year = 0),
       "$GPRMC,123519.00,A,4916.44996,N,12311.11999,W,22.400,84.40,,3.10,W,A"},
      {"hour 24", "RMC", SETUP(s.gnss.utcHour = 24),
       "$GPRMC,,A,4916.44996,N,12311.11999,W,22.400,84.40,230324,3.10,W,A"},
      {"variation direction -128", "RMC", SETUP(r.payload.rmc.variationDirection = kNoInt8),
       "$GPRMC,123519.00,A,4916.44996,N,12311.11999,W,22.400,84.40,230324,3.10,,A"},
      {"speed and course not available", "RMC",
       SETUP(s.gnss.speedKnots = kNoFloat; s.gnss.courseTrue = kNoFloat),
       "$GPRMC,123519.00,A,4916.44996,N,12311.11999,W,,,230324,3.10,W,A"},
      {"lowest speed", "RMC", SETUP(s.gnss.speedKnots = -99999.0f),
       "$GPRMC,123519.00,A,4916.44996,N,12311.11999,W,-99999.000,84.40,230324,3.10,W,A"},
      {"variation NaN", "RMC", SETUP(r.payload.rmc.magneticVariation = kNaN),
       "$GPRMC,123519.00,A,4916.44996,N,12311.11999,W,22.400,84.40,230324,,W,A"},
      {"status NUL", "RMC", SETUP(s.gnss.status = '\0'),
       "$GPRMC,123519.00,,4916.44996,N,12311.11999,W,22.400,84.40,230324,3.10,W,A"},
      {"mode NUL", "RMC", SETUP(s.gnss.modeIndicator = '\0'),
       "$GPRMC,123519.00,A,4916.44996,N,12311.11999,W,22.400,84.40,230324,3.10,W,"},
  });
}

TEST(Composer, WritesTstFieldsOnlyInTheirRanges) {
  ExpectVariants({
      {"first letter n", "TST", SETUP(s.proprietary.tstChar1 = 'n'), "$PTST,12345,12,,B,00042"},
      {"first letter m", "TST", SETUP(s.proprietary.tstChar1 = 'm'), "$PTST,12345,12,m,B,00042"},
      {"first letter before a", "TST", SETUP(s.proprietary.tstChar1 = '`'),
       "$PTST,12345,12,,B,00042"},
      {"second letter Z", "TST", SETUP(s.proprietary.tstChar2 = 'Z'), "$PTST,12345,12,a,Z,00042"},
      {"second letter lower case", "TST", SETUP(s.proprietary.tstChar2 = 'b'),
       "$PTST,12345,12,a,,00042"},
      {"second letter before A", "TST", SETUP(s.proprietary.tstChar2 = '@'),
       "$PTST,12345,12,a,,00042"},
      {"number 99998", "TST", SETUP(s.proprietary.tstNumber = 99998), "$PTST,99998,12,a,B,00042"},
      {"number 99999", "TST", SETUP(s.proprietary.tstNumber = 99999), "$PTST,,12,a,B,00042"},
      {"small number 98", "TST", SETUP(s.proprietary.tstByte = 98), "$PTST,12345,98,a,B,00042"},
      {"small number 99", "TST", SETUP(s.proprietary.tstByte = 99), "$PTST,12345,,a,B,00042"},
      {"small number -128", "TST", SETUP(s.proprietary.tstByte = kNoInt8),
       "$PTST,12345,,a,B,00042"},
      {"small number 5", "TST", SETUP(s.proprietary.tstByte = 5), "$PTST,12345,05,a,B,00042"},
      {"word -1", "TST", SETUP(s.proprietary.tstWord = -1), "$PTST,12345,12,a,B,"},
      {"word 0", "TST", SETUP(s.proprietary.tstWord = 0), "$PTST,12345,12,a,B,00000"},
  });
}

TEST(Composer, WritesSsdAndVsdFieldsOnlyInTheirRanges) {
  ExpectVariants({
      {"dimension A 511", "SSD", SETUP(s.ais.dimensionA = 511),
       "$AISSD,PD1234,SHIPNAME,511,10,5,5,0,AI"},
      {"dimension A 512", "SSD", SETUP(s.ais.dimensionA = 512),
       "$AISSD,PD1234,SHIPNAME,,10,5,5,0,AI"},
      {"dimension B 512", "SSD", SETUP(s.ais.dimensionB = 512),
       "$AISSD,PD1234,SHIPNAME,50,,5,5,0,AI"},
      {"dimension C 63", "SSD", SETUP(s.ais.dimensionC = 63),
       "$AISSD,PD1234,SHIPNAME,50,10,63,5,0,AI"},
      {"dimension C 64", "SSD", SETUP(s.ais.dimensionC = 64),
       "$AISSD,PD1234,SHIPNAME,50,10,,5,0,AI"},
      // Byte fields compare unsigned: 200 (-56 as a signed byte) is out of range.
      {"dimension D 200", "SSD", SETUP(s.ais.dimensionD = 200),
       "$AISSD,PD1234,SHIPNAME,50,10,5,,0,AI"},
      {"DTE 1", "SSD", SETUP(s.ais.dte = 1), "$AISSD,PD1234,SHIPNAME,50,10,5,5,1,AI"},
      {"DTE 2", "SSD", SETUP(s.ais.dte = 2), "$AISSD,PD1234,SHIPNAME,50,10,5,5,,AI"},
      {"call sign without NUL", "SSD", SETUP(std::memset(s.ais.callSign, 'X', 8)),
       "$AISSD,XXXXXXX,SHIPNAME,50,10,5,5,0,AI"},
      {"ship type 255", "VSD", SETUP(s.ais.shipType = 255),
       "$AIVSD,255, 5.2,12,ROTTERDAM,123000.00,24,12,0,0"},
      {"ship type 256", "VSD", SETUP(s.ais.shipType = 256),
       "$AIVSD,, 5.2,12,ROTTERDAM,123000.00,24,12,0,0"},
      {"draught 0", "VSD", SETUP(s.ais.draught = 0.0f),
       "$AIVSD,70, 0.0,12,ROTTERDAM,123000.00,24,12,0,0"},
      {"draught 25.5", "VSD", SETUP(s.ais.draught = 25.5f),
       "$AIVSD,70,25.5,12,ROTTERDAM,123000.00,24,12,0,0"},
      {"draught 25.6", "VSD", SETUP(s.ais.draught = 25.6f),
       "$AIVSD,70,,12,ROTTERDAM,123000.00,24,12,0,0"},
      {"draught negative", "VSD", SETUP(s.ais.draught = -0.1f),
       "$AIVSD,70,,12,ROTTERDAM,123000.00,24,12,0,0"},
      {"persons 8191", "VSD", SETUP(s.ais.personsOnBoard = 8191),
       "$AIVSD,70, 5.2,8191,ROTTERDAM,123000.00,24,12,0,0"},
      {"persons 8192", "VSD", SETUP(s.ais.personsOnBoard = 8192),
       "$AIVSD,70, 5.2,,ROTTERDAM,123000.00,24,12,0,0"},
      {"ETA hour 24", "VSD", SETUP(s.ais.timeHour = 24), "$AIVSD,70, 5.2,12,ROTTERDAM,,24,12,0,0"},
      {"ETA hour 25", "VSD", SETUP(s.ais.timeHour = 25), "$AIVSD,70, 5.2,12,ROTTERDAM,,24,12,0,0"},
      {"ETA day 1", "VSD", SETUP(s.ais.timeDay = 1),
       "$AIVSD,70, 5.2,12,ROTTERDAM,123000.00,01,12,0,0"},
      {"ETA day 32", "VSD", SETUP(s.ais.timeDay = 32),
       "$AIVSD,70, 5.2,12,ROTTERDAM,123000.00,,12,0,0"},
      {"ETA month 13", "VSD", SETUP(s.ais.timeMonth = 13),
       "$AIVSD,70, 5.2,12,ROTTERDAM,123000.00,24,,0,0"},
      {"status 15", "VSD", SETUP(s.ais.navStatus = 15),
       "$AIVSD,70, 5.2,12,ROTTERDAM,123000.00,24,12,15,0"},
      {"status 16", "VSD", SETUP(s.ais.navStatus = 16),
       "$AIVSD,70, 5.2,12,ROTTERDAM,123000.00,24,12,,0"},
      {"status -128", "VSD", SETUP(s.ais.navStatus = 0x80),
       "$AIVSD,70, 5.2,12,ROTTERDAM,123000.00,24,12,,0"},
      {"flags 16", "VSD", SETUP(s.ais.regionalFlags = 16),
       "$AIVSD,70, 5.2,12,ROTTERDAM,123000.00,24,12,0,"},
  });
}

TEST(Composer, WritesProprietaryNumbersOnlyInTheirRanges) {
  ExpectVariants({
      {"BDY number 999999998", "BDY", SETUP(s.proprietary.bdyNumber = 999999998),
       "$PBDY,999999998,TEXT ONE,TEXT TWO,1,0"},
      {"BDY number 999999999", "BDY", SETUP(s.proprietary.bdyNumber = 999999999),
       "$PBDY,,TEXT ONE,TEXT TWO,1,0"},
      {"BDY number 5", "BDY", SETUP(s.proprietary.bdyNumber = 5),
       "$PBDY,000000005,TEXT ONE,TEXT TWO,1,0"},
      {"BDY small numbers 2 and 255", "BDY",
       SETUP(s.proprietary.bdyByte1 = 2; s.proprietary.bdyByte2 = 255),
       "$PBDY,123456789,TEXT ONE,TEXT TWO,,"},
      {"BTH 255", "BTH", SETUP(s.proprietary.bthValue[5] = 255),
       "$PBTH,001,002,003,004,005,255,TEXT"},
      {"BTH one above 255", "BTH", SETUP(s.proprietary.bthValue[2] = 256), "$PBTH,,,,,,,TEXT"},
      {"FRQ small number 10", "FRQ", SETUP(s.proprietary.frqByte[0] = 10),
       "$PFRQ,161975000,10,162025000,2"},
      {"FRQ small numbers 11 and 255", "FRQ",
       SETUP(s.proprietary.frqByte[0] = 11; s.proprietary.frqByte[1] = 255),
       "$PFRQ,161975000,,162025000,"},
      {"FRQ number 999999999", "FRQ", SETUP(s.proprietary.frqNumber[1] = 999999999),
       "$PFRQ,161975000,1,,2"},
      {"MID numbers not available", "MID",
       SETUP(s.proprietary.midNumber1 = 999999999; s.proprietary.midNumber2 = 4000000000u),
       "$PMID,,"},
      {"TPS 998", "TPS", SETUP(s.proprietary.tpsNumber = 998), "$PTPS,998,TEXT"},
      {"TPS 999", "TPS", SETUP(s.proprietary.tpsNumber = 999), "$PTPS,,TEXT"},
      {"MOB without third byte", "MOB", SETUP(s.proprietary.mobHasByte3 = 0),
       "$PMOB,0A1B2C,5,FF,,0102030405"},
      {"MOB without data", "MOB", SETUP(s.proprietary.mobDataLength = 0), "$PMOB,0A1B2C,5,FF,01,"},
      {"MOB data length 20", "MOB", SETUP(s.proprietary.mobDataLength = 20),
       "$PMOB,0A1B2C,5,FF,01,"},
      {"MOB data length 19", "MOB",
       SETUP(for (int i = 0; i < 20; ++i) s.proprietary.mobData[i] = static_cast<uint8_t>(0xA0 + i);
             s.proprietary.mobDataLength = 19),
       "$PMOB,0A1B2C,5,FF,01,A0A1A2A3A4A5A6A7A8A9AAABACADAEAFB0B1B2"},
      {"MOB small byte", "MOB", SETUP(s.proprietary.mobByte2 = 0x0A; s.proprietary.mobByte1 = 255),
       "$PMOB,0A1B2C,255,0A,01,0102030405"},
  });
}

TEST(Composer, WritesAisFieldsOnlyInTheirRanges) {
  ExpectVariants({
      {"ACK 999", "ACK", SETUP(s.ais.ackAlarmId = 999), "$AIACK,999"},
      {"ACK 1000", "ACK", SETUP(s.ais.ackAlarmId = 1000), "$AIACK,"},
      {"ACK 0", "ACK", SETUP(s.ais.ackAlarmId = 0), "$AIACK,000"},
      {"ALR hour 24", "ALR", SETUP(s.ais.alarm.hour = 24),
       "$AIALR,,2,A,V,AIS: Antenna VSWR exceeds limit"},
      {"ALR hour 200", "ALR", SETUP(s.ais.alarm.hour = 200),
       "$AIALR,,2,A,V,AIS: Antenna VSWR exceeds limit"},
      {"ALR description without NUL", "ALR",
       SETUP(std::memset(s.ais.alarm.description, 'D', sizeof s.ais.alarm.description)),
       "$AIALR,123456.00,2,A,V,"
       "DDDDDDDDDDDDDDDDDDDDDDDDDDDDDDDDDDDDDDDDDDDDDDDDDDDDDDDDDDD"},
      {"GBS time 24", "GBS", SETUP(s.gnss.utcHour = 24),
       "$GPGBS,,-0.03,-0.19,0.22,19,0.00,-0.35,6.97"},
      {"GBS failed satellite 0", "GBS", SETUP(s.gnss.gbsFailedSatellite = 0),
       "$GPGBS,015509.00,-0.03,-0.19,0.22,0,0.00,-0.35,6.97"},
      {"GBS failed satellite 99", "GBS", SETUP(s.gnss.gbsFailedSatellite = 99),
       "$GPGBS,015509.00,-0.03,-0.19,0.22,99,0.00,-0.35,6.97"},
      {"GBS failed satellite 100", "GBS", SETUP(s.gnss.gbsFailedSatellite = 100),
       "$GPGBS,015509.00,-0.03,-0.19,0.22,,0.00,-0.35,6.97"},
      {"GBS failed satellite empty (-1)", "GBS", SETUP(s.gnss.gbsFailedSatellite = -1),
       "$GPGBS,015509.00,-0.03,-0.19,0.22,,0.00,-0.35,6.97"},
      {"GBS errors at and below the limit", "GBS",
       SETUP(s.gnss.gbsErrorLatitude = -99999.0f; s.gnss.gbsErrorLongitude = kNoFloat;
             s.gnss.gbsErrorAltitude = kInf),
       "$GPGBS,015509.00,-99999.00,,,19,0.00,-0.35,6.97"},
      {"ABK MMSI 0 and channel -128", "ABK",
       SETUP(r.payload.abk.mmsi = 0; r.payload.abk.channel = kNoInt8), "$AIABK,,,6,1,0"},
      {"ABK MMSI above the signed range", "ABK", SETUP(r.payload.abk.mmsi = 3000000000u),
       "$AIABK,3000000000,B,6,1,0"},
      {"ABK signed numbers", "ABK", SETUP(r.payload.abk.messageId = kNoInt8),
       "$AIABK,211378120,B,-128,1,0"},
      {"VDM sequence 3", "VDM", SETUP(r.payload.encap.sequenceId = 3),
       "!AIVDM,1,1,3,B,177KQJ5000G?tO`K>RA1wUbN0TKH,0"},
      {"VDM channel -128", "VDM", SETUP(r.payload.encap.channel = static_cast<char>(kNoInt8)),
       "!AIVDM,1,1,,,177KQJ5000G?tO`K>RA1wUbN0TKH,0"},
      {"ABM sequence and channel -128", "ABM",
       SETUP(r.payload.encap.sequenceId = kNoInt8;
             r.payload.encap.channel = static_cast<char>(kNoInt8)),
       "!AIABM,1,1,,211378120,,6,0400000000000,0"},
      {"BBM sequence -128", "BBM", SETUP(r.payload.encap.sequenceId = kNoInt8),
       "!AIBBM,1,1,,0,8,0400000000000,0"},
  });
}

TEST(Composer, RefusesFormattersWithoutComposer) {
  const char* formatters[] = {"GGA", "GLL", "GSV", "VTG", "ZDA", "GNS", "VBW",  "ROT", "ACA",
                              "ACS", "TXT", "DTM", "Q",   "dbg", "Dbg", "DBGX", "DB",  ""};
  for (const char* formatter : formatters) {
    DataStores stores;
    SentenceComposer composer(stores);
    char out[kComposeBufferSize];
    std::memset(out, '#', sizeof out);
    EXPECT_FALSE(composer.ComposeSentence(out, sizeof out, formatter, "GP")) << formatter;
    EXPECT_EQ(out[0], '#') << formatter;  // nothing written
  }
  DataStores stores;
  SentenceComposer composer(stores);
  char out[kComposeBufferSize];
  EXPECT_FALSE(composer.ComposeSentence(out, sizeof out, nullptr, "GP"));
}

TEST(Composer, KeepsTheComposeRecordBetweenCalls) {
  DataStores stores;
  SentenceComposer composer(stores);
  BaseCase("RMC").prepare(stores, composer.Record());
  BaseCase("ABK").prepare(stores, composer.Record());
  char out[kComposeBufferSize];
  ASSERT_TRUE(composer.ComposeSentence(out, sizeof out, "ABK", "AI"));
  ASSERT_TRUE(composer.ComposeSentence(out, sizeof out, "DBG", "P"));
  // The store change shows; the caller's magnetic variation, which no store holds, stays.
  stores.gnss.speedKnots = 1.5f;
  ASSERT_TRUE(composer.ComposeSentence(out, sizeof out, "RMC", "GP"));
  EXPECT_EQ(
      std::string(out),
      WithChecksum("$GPRMC,123519.00,A,4916.44996,N,12311.11999,W,1.500,84.40,230324,3.10,W,A"));
  ASSERT_TRUE(composer.ComposeSentence(out, sizeof out, "ABK", "AI"));
  EXPECT_STREQ(out, BaseCase("ABK").expected);
}

TEST(Composer, CutsTheTalkerToTwoCharacters) {
  DataStores stores;
  SentenceComposer composer(stores);
  stores.headingSpeed.heading = 10.0f;
  char out[kComposeBufferSize];
  ASSERT_TRUE(composer.ComposeSentence(out, sizeof out, "HDT", "HEX"));
  EXPECT_EQ(std::string(out), WithChecksum("$HEHDT,10.0,T"));
  ASSERT_TRUE(composer.ComposeSentence(out, sizeof out, "HDT", nullptr));
  EXPECT_EQ(std::string(out), WithChecksum("$HDT,10.0,T"));
}

TEST(Composer, NeverWritesPastTheGivenSize) {
  const ComposeCase& c = BaseCase("DBG");
  const size_t needed = std::strlen(c.expected) + 1;
  for (size_t size = 0; size <= needed + 2; ++size) {
    DataStores stores;
    SentenceComposer composer(stores);
    c.prepare(stores, composer.Record());
    char out[kComposeBufferSize + 8];
    std::memset(out, '#', sizeof out);
    bool ok = composer.ComposeSentence(out, size, "DBG", "P");
    EXPECT_EQ(ok, size >= needed) << size;
    for (size_t i = size; i < sizeof out; ++i) ASSERT_EQ(out[i], '#') << size << " " << i;
    if (ok) {
      EXPECT_STREQ(out, c.expected);
    } else if (size > 0) {
      EXPECT_EQ(out[0], '\0') << size;  // no cut sentence
    }
  }
  DataStores stores;
  SentenceComposer composer(stores);
  EXPECT_FALSE(composer.ComposeSentence(nullptr, 0, "DBG", "P"));
}

TEST(Composer, RefusesASentenceThatDoesNotFit) {
  DataStores stores;
  SentenceComposer composer(stores);
  BaseCase("GBS").prepare(stores, composer.Record());
  auto& g = stores.gnss;
  g.gbsErrorLatitude = g.gbsErrorLongitude = g.gbsErrorAltitude = 3e38f;
  g.gbsMissedProbability = g.gbsBias = g.gbsBiasDeviation = 3e38f;
  char out[kComposeBufferSize];
  EXPECT_FALSE(composer.ComposeSentence(out, sizeof out, "GBS", "GP"));
  EXPECT_EQ(out[0], '\0');
  // The same sentence is complete in a buffer large enough for it.
  char large[400];
  ASSERT_TRUE(composer.ComposeSentence(large, sizeof large, "GBS", "GP"));
  EXPECT_TRUE(VerifyChecksum(large));
  EXPECT_EQ(std::count(large, large + std::strlen(large), ','), 8);
}

// Whatever bytes the stores and the compose record hold, every composer stays inside
// its buffer and writes either a whole sentence with its checksum and CR LF or the empty
// text. (Texts are written as the caller keeps them: garbage texts give garbage fields.)
TEST(Composer, StaysInBoundsWithGarbageStoresAndRecord) {
  std::mt19937 random(20240611);
  for (int round = 0; round < 300; ++round) {
    DataStores stores;
    auto* storeBytes = reinterpret_cast<unsigned char*>(&stores);
    for (size_t i = 0; i < sizeof stores; ++i) storeBytes[i] = static_cast<unsigned char>(random());
    SentenceComposer composer(stores);
    auto* recordBytes = reinterpret_cast<unsigned char*>(&composer.Record());
    for (size_t i = 0; i < sizeof(SentenceRecord); ++i) {
      recordBytes[i] = static_cast<unsigned char>(random());
    }
    const DataStores before = stores;
    for (const auto& c : kCases) {
      const size_t size = round % 2 == 0 ? kComposeBufferSize : random() % (kComposeBufferSize + 1);
      char out[kComposeBufferSize + 16];
      std::memset(out, '#', sizeof out);
      bool ok = composer.ComposeSentence(out, size, c.formatter, c.talker);
      for (size_t i = size; i < sizeof out; ++i) ASSERT_EQ(out[i], '#') << c.formatter;
      if (ok) {
        size_t length = std::strlen(out);
        ASSERT_LT(length, size) << c.formatter;
        EXPECT_TRUE(out[0] == '$' || out[0] == '!') << c.formatter;
        ASSERT_GE(length, 6u);
        // Garbage texts may hold "*" themselves, so the checksum is checked from the end.
        EXPECT_EQ(std::string(out), WithChecksum(std::string(out, length - 5))) << c.formatter;
      } else if (size > 0) {
        EXPECT_EQ(out[0], '\0') << c.formatter;
      }
    }
    EXPECT_EQ(std::memcmp(&before, &stores, sizeof stores), 0) << "a composer changed a store";
  }
}

TEST(ComposerAppendChecksum, AppendsUpperCaseHexAndCrLf) {
  // clang-format off
  struct { const char* sentence; const char* expected; } cases[] = {
      {"$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,",
       "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\r\n"},
      {"!AIVDM,1,1,,B,177KQJ5000G?tO`K>RA1wUbN0TKH,0",
       "!AIVDM,1,1,,B,177KQJ5000G?tO`K>RA1wUbN0TKH,0*5C\r\n"},
      {"$PDBG,,,,,,,,", "$PDBG,,,,,,,,*11\r\n"},
      {"$A", "$A*41\r\n"},  // the start character is not counted
  };
  // clang-format on
  for (const auto& c : cases) {
    char buffer[kComposeBufferSize];
    std::snprintf(buffer, sizeof buffer, "%s", c.sentence);
    ASSERT_TRUE(AppendChecksum(buffer, sizeof buffer)) << c.sentence;
    EXPECT_STREQ(buffer, c.expected);
    EXPECT_TRUE(VerifyChecksum(buffer)) << c.sentence;
  }
}

TEST(ComposerAppendChecksum, RefusesWhenTheBufferIsTooSmall) {
  const char sentence[] = "$PDBG,099,1,,,,,,";
  const size_t length = std::strlen(sentence);
  for (size_t size = length + 1; size <= length + 7; ++size) {
    char buffer[64];
    std::memset(buffer, '#', sizeof buffer);
    std::memcpy(buffer, sentence, length + 1);
    bool ok = AppendChecksum(buffer, size);
    EXPECT_EQ(ok, size >= length + 6) << size;
    for (size_t i = size; i < sizeof buffer; ++i) ASSERT_EQ(buffer[i], '#') << size;
    if (!ok) {
      EXPECT_STREQ(buffer, sentence) << size;  // unchanged
    }
  }
  char noNul[8];
  std::memset(noNul, 'X', sizeof noNul);
  EXPECT_FALSE(AppendChecksum(noNul, sizeof noNul));
  EXPECT_FALSE(AppendChecksum(nullptr, 10));
}

// ---- FillFromStore ------------------------------------------------------------

struct Span {
  size_t offset, size;
  bool text;
};
#define FIELD(m)                                                    \
  Span {                                                            \
    offsetof(Payload, m), sizeof(std::declval<Payload&>().m), false \
  }
#define TEXT(m)                                                    \
  Span {                                                           \
    offsetof(Payload, m), sizeof(std::declval<Payload&>().m), true \
  }
#define FIRST(m, n)                \
  Span {                           \
    offsetof(Payload, m), n, false \
  }

constexpr unsigned char kPattern = 0xA5;

struct FillCase {
  const char* sentence;  // decoded and merged into the stores
  const char* formatter;
  std::vector<Span> carried;  // the variant fields the stores carry back
};

// A sentence is decoded and merged into empty stores; a record full of a pattern is
// then filled from them. The fields the stores carry must come back as decoded, and
// nothing else in the payload may change.
TEST(FillFromStore, CarriesBackWhatTheMergeTookFromEachFormatter) {
  const std::vector<FillCase> cases = {
      {"$GPGGA,123519.25,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,",
       "GGA",
       {FIELD(gga.time), FIELD(gga.latitude), FIELD(gga.longitude), FIELD(gga.quality),
        FIELD(gga.satellitesInUse), FIELD(gga.geoidSeparation)}},
      {"$GPGBS,015509.00,-0.031,-0.186,0.219,19,0.000,-0.354,6.972",
       "GBS",
       {FIELD(gbs.time), FIELD(gbs.errorLatitude), FIELD(gbs.errorLongitude),
        FIELD(gbs.errorAltitude), FIELD(gbs.failedSatellite), FIELD(gbs.missedProbability),
        FIELD(gbs.bias), FIELD(gbs.biasDeviation)}},
      {"$GPGLL,4916.45,N,12311.12,W,225444.50,A,D",
       "GLL",
       {FIELD(gll.latitude), FIELD(gll.longitude), FIELD(gll.time), FIELD(gll.status),
        FIELD(gll.modeIndicator)}},
      {"$GPGSA,M,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1",
       "GSA",
       {FIELD(gsa.selectionMode), FIELD(gsa.fixMode), FIELD(gsa.satellites), FIELD(gsa.pdop),
        FIELD(gsa.hdop), FIELD(gsa.vdop)}},
      {"$GPGSV,3,1,11,03,03,111,00,04,15,270,00,06,01,010,00,13,06,292,00",
       "GSV",
       {FIELD(gsv.satellitesInView)}},
      {"$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W,D",
       "RMC",
       {FIELD(rmc.time), FIELD(rmc.status), FIELD(rmc.latitude), FIELD(rmc.longitude),
        FIELD(rmc.speedKnots), FIELD(rmc.courseTrue), FIELD(rmc.year), FIELD(rmc.month),
        FIELD(rmc.day), FIELD(rmc.modeIndicator)}},
      {"$GPVTG,054.7,T,034.4,M,005.5,N,010.2,K,A",
       "VTG",
       {FIELD(vtg.courseTrue), FIELD(vtg.courseMagnetic), FIELD(vtg.speedKnots),
        FIELD(vtg.speedKmh), FIELD(vtg.modeIndicator)}},
      {"$GPZDA,201530.00,04,07,2002,00,00",
       "ZDA",
       {FIELD(zda.time), FIELD(zda.day), FIELD(zda.month), FIELD(zda.year)}},
      {"$GNGNS,014035.00,4332.69262,S,17235.48549,E,RR,13,0.9,25.63,11.24,,",
       "GNS",
       {FIELD(gns.time.hour), FIELD(gns.time.minute), FIELD(gns.time.second), FIELD(gns.latitude),
        FIELD(gns.longitude), FIELD(gns.mode), FIELD(gns.satellites), FIELD(gns.hdop),
        FIELD(gns.altitude), FIELD(gns.geoidSeparation), FIELD(gns.dgpsAge), FIELD(gns.stationId)}},
      {"$VMVBW,12.3,0.07,A,11.78,0.12,V",
       "VBW",
       {FIELD(vbw.waterLongitudinal), FIELD(vbw.waterTransverse), FIELD(vbw.waterStatus),
        FIELD(vbw.groundLongitudinal), FIELD(vbw.groundTransverse), FIELD(vbw.groundStatus)}},
      {"$GPROT,35.6,A", "ROT", {FIELD(rot.rateOfTurn), FIELD(rot.status)}},
      {"$GPHDT,274.07,T", "HDT", {FIELD(hdt.heading)}},
      {"$AISSD,PD1234,SHIPNAME,050,010,05,05,0,AI",
       "SSD",
       {TEXT(ssd.callSign), TEXT(ssd.name), FIELD(ssd.dimensionA), FIELD(ssd.dimensionB),
        FIELD(ssd.dimensionC), FIELD(ssd.dimensionD), FIELD(ssd.dte), TEXT(ssd.sourceId)}},
      {"$AIVSD,070,5.2,12,ROTTERDAM,123000.50,24,12,5,1",
       "VSD",
       {FIELD(vsd.shipType), FIELD(vsd.draught), FIELD(vsd.personsOnBoard), TEXT(vsd.destination),
        FIELD(vsd.eta), FIELD(vsd.etaDay), FIELD(vsd.etaMonth), FIELD(vsd.navStatus),
        FIELD(vsd.regionalFlags)}},
      {"$AIALR,123456.00,002,A,V,AIS: Antenna VSWR exceeds limit",
       "ALR",
       {FIELD(alr.hour), FIELD(alr.minute), FIELD(alr.second), FIELD(alr.hundredths), FIELD(alr.id),
        FIELD(alr.condition), FIELD(alr.acknowledgement), TEXT(alr.description)}},
      {"$AIACK,017", "ACK", {FIELD(ack.alarmId)}},
      {"$PTSK,R,MID,123456789,987654321", "MID", {FIELD(mid.number1), FIELD(mid.number2)}},
      {"$PTSK,R,BDY,123456789,TEXT ONE,TEXT TWO,1,0",
       "BDY",
       {FIELD(bdy.number), TEXT(bdy.text1), TEXT(bdy.text2), FIELD(bdy.byte1), FIELD(bdy.byte2)}},
      {"$PTSK,R,TST,12345,12,a,B,00042",
       "TST",
       {FIELD(tst.number), FIELD(tst.byte), FIELD(tst.char1), FIELD(tst.char2), FIELD(tst.word)}},
      {"$PTSK,R,FRQ,161975000,1,162025000,2", "FRQ", {FIELD(frq.number), FIELD(frq.byte)}},
      {"$PTSK,R,BTH,001,002,003,004,005,006,TEXT", "BTH", {FIELD(bth.value), TEXT(bth.text)}},
      {"$PTSK,R,DBG,099,1,040,2,,,,", "DBG", {FIELD(dbg.code), FIELD(dbg.value)}},
      {"$PTSK,R,TPS,001,TEXT", "TPS", {FIELD(tps.number), TEXT(tps.text)}},
      {"$PTSK,R,MOB,0A1B2C,5,FF,01,0102030405",
       "MOB",
       {FIELD(mob.id), FIELD(mob.byte1), FIELD(mob.byte2), FIELD(mob.byte3), FIELD(mob.hasByte3),
        FIRST(mob.data, 5), FIELD(mob.dataLength)}},
  };
  EXPECT_EQ(cases.size(), 24u);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.formatter);
    SentenceRecord decoded;
    std::memset(&decoded, kPattern, sizeof decoded);
    ASSERT_TRUE(Decode(WithChecksum(c.sentence), decoded));
    ASSERT_STREQ(decoded.formatter, c.formatter);
    DataStores stores;
    MergeIntoStore(decoded, stores);

    SentenceRecord filled;
    std::memset(&filled, kPattern, sizeof filled);
    SetText(filled.formatter, c.formatter);
    FillFromStore(filled, stores);

    const auto* got = reinterpret_cast<const unsigned char*>(&filled.payload);
    const auto* want = reinterpret_cast<const unsigned char*>(&decoded.payload);
    std::vector<bool> inSpan(sizeof(Payload), false);
    for (const Span& span : c.carried) {
      for (size_t i = 0; i < span.size; ++i) inSpan[span.offset + i] = true;
      if (span.text) {
        EXPECT_STREQ(reinterpret_cast<const char*>(got + span.offset),
                     reinterpret_cast<const char*>(want + span.offset))
            << "text at " << span.offset;
      } else {
        EXPECT_EQ(std::memcmp(got + span.offset, want + span.offset, span.size), 0)
            << "field at " << span.offset;
      }
    }
    for (size_t i = 0; i < sizeof(Payload); ++i) {
      if (!inSpan[i]) {
        ASSERT_EQ(got[i], kPattern) << "payload byte " << i << " changed";
      }
    }
    EXPECT_EQ(filled.directionLetter,
              std::string(c.formatter) == "DBG" ? 'R' : static_cast<char>(kPattern));
  }
}

TEST(FillFromStore, LeavesRecordsOfOtherFormattersAsPrepared) {
  DataStores stores;
  std::memset(static_cast<void*>(&stores), 0x3C, sizeof stores);
  const char* formatters[] = {"ABK", "ABM", "BBM", "VDM", "VDO", "TXT", "ACA", "ACS",
                              "DTM", "GRS", "Q",   "AIQ", "gga", "",    "XYZ"};
  for (const char* formatter : formatters) {
    SentenceRecord record;
    std::memset(&record, kPattern, sizeof record);
    SetText(record.formatter, formatter);
    const SentenceRecord before = record;
    FillFromStore(record, stores);
    EXPECT_EQ(std::memcmp(&before, &record, sizeof record), 0) << formatter;
  }
  // A formatter field without NUL matches no formatter.
  SentenceRecord record;
  std::memset(&record, kPattern, sizeof record);
  std::memcpy(record.formatter, "DBGX", 4);
  const SentenceRecord before = record;
  FillFromStore(record, stores);
  EXPECT_EQ(std::memcmp(&before, &record, sizeof record), 0);
}

TEST(FillFromStore, NeverChangesAStore) {
  std::mt19937 random(7);
  DataStores stores;
  auto* bytes = reinterpret_cast<unsigned char*>(&stores);
  for (size_t i = 0; i < sizeof stores; ++i) bytes[i] = static_cast<unsigned char>(random());
  const DataStores before = stores;
  const char* formatters[] = {"GGA", "GBS", "GLL", "GSA", "GSV", "RMC", "VTG", "ZDA", "GNS",
                              "VBW", "ROT", "HDT", "SSD", "VSD", "ALR", "ACK", "MID", "BDY",
                              "TST", "FRQ", "BTH", "DBG", "TPS", "MOB", "ABK", "VDM"};
  for (const char* formatter : formatters) {
    SentenceRecord record{};
    SetText(record.formatter, formatter);
    FillFromStore(record, stores);
  }
  EXPECT_EQ(std::memcmp(&before, &stores, sizeof stores), 0);
}

TEST(FillFromStore, TakesRotStatusFromTheLastOfRotAndVbw) {
  DataStores stores;
  SentenceRecord decoded{};
  ASSERT_TRUE(Decode(WithChecksum("$GPROT,35.6,A"), decoded));
  MergeIntoStore(decoded, stores);
  ASSERT_TRUE(Decode(WithChecksum("$VMVBW,12.3,0.07,V,11.78,0.12,A"), decoded));
  MergeIntoStore(decoded, stores);
  SentenceRecord filled{};
  SetText(filled.formatter, "ROT");
  FillFromStore(filled, stores);
  EXPECT_FLOAT_EQ(filled.payload.rot.rateOfTurn, 35.6f);
  EXPECT_EQ(filled.payload.rot.status, 'V');
}

TEST(FillFromStore, TakesVsdEtaFromTheSharedTimeFields) {
  DataStores stores;
  SentenceRecord decoded{};
  ASSERT_TRUE(Decode(WithChecksum("$AIVSD,070,5.2,12,ROTTERDAM,123000.50,24,12,5,1"), decoded));
  MergeIntoStore(decoded, stores);
  // A later ACS overwrites the time fields that VSD shares with it.
  ASSERT_TRUE(Decode(WithChecksum("$AIACS,1,211378120,081509.25,03,04,2026"), decoded));
  MergeIntoStore(decoded, stores);
  SentenceRecord filled{};
  SetText(filled.formatter, "VSD");
  FillFromStore(filled, stores);
  const auto& v = filled.payload.vsd;
  EXPECT_EQ(v.eta.hour, 8);
  EXPECT_EQ(v.eta.minute, 15);
  EXPECT_EQ(v.eta.second, 9);
  EXPECT_EQ(v.eta.hundredths, 25);
  EXPECT_EQ(v.etaDay, 3);
  EXPECT_EQ(v.etaMonth, 4);
  EXPECT_STREQ(v.destination, "ROTTERDAM");
}

TEST(FillFromStore, CopiesMobDataOnlyForLengthsOneTo19) {
  // clang-format off
  struct { uint8_t storeLength; uint8_t filledLength; size_t copied; } cases[] = {
      {0, 0, 0}, {1, 1, 1}, {19, 19, 19}, {20, 0, 0}, {255, 0, 0},
  };
  // clang-format on
  for (const auto& c : cases) {
    DataStores stores;
    for (int i = 0; i < 20; ++i) stores.proprietary.mobData[i] = static_cast<uint8_t>(i + 1);
    stores.proprietary.mobDataLength = c.storeLength;
    SentenceRecord filled;
    std::memset(&filled, kPattern, sizeof filled);
    SetText(filled.formatter, "MOB");
    FillFromStore(filled, stores);
    EXPECT_EQ(filled.payload.mob.dataLength, c.filledLength) << int{c.storeLength};
    for (size_t i = 0; i < 20; ++i) {
      EXPECT_EQ(filled.payload.mob.data[i], i < c.copied ? i + 1 : kPattern)
          << int{c.storeLength} << " byte " << i;
    }
  }
}

TEST(FillFromStore, CutsStoreTextsWithoutNulToTheirWidth) {
  DataStores stores;
  std::memset(&stores.ais, 'X', sizeof stores.ais);
  std::memset(&stores.proprietary, 'Y', sizeof stores.proprietary);
  // clang-format off
  struct { const char* formatter; size_t (*length)(const SentenceRecord&); size_t width; } cases[] = {
      {"SSD", [](const SentenceRecord& r) { return std::strlen(r.payload.ssd.callSign); }, 7},
      {"SSD", [](const SentenceRecord& r) { return std::strlen(r.payload.ssd.name); }, 20},
      {"SSD", [](const SentenceRecord& r) { return std::strlen(r.payload.ssd.sourceId); }, 2},
      {"VSD", [](const SentenceRecord& r) { return std::strlen(r.payload.vsd.destination); }, 20},
      {"BDY", [](const SentenceRecord& r) { return std::strlen(r.payload.bdy.text1); }, 20},
      {"BDY", [](const SentenceRecord& r) { return std::strlen(r.payload.bdy.text2); }, 20},
      {"BTH", [](const SentenceRecord& r) { return std::strlen(r.payload.bth.text); }, 24},
      {"TPS", [](const SentenceRecord& r) { return std::strlen(r.payload.tps.text); }, 24},
  };
  // clang-format on
  for (const auto& c : cases) {
    SentenceRecord filled{};
    SetText(filled.formatter, c.formatter);
    FillFromStore(filled, stores);
    EXPECT_EQ(c.length(filled), c.width) << c.formatter;
  }
}

}  // namespace
}  // namespace pelyx
