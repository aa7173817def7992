#include "ais/targets.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "ais/decoder.h"
#include "codec/intake.h"
#include "sixbit_encoder.h"

namespace pelyx::ais {
namespace {

using test::PayloadWriter;

struct FixedClock : Clock {
  LocalTime now{2026, 12, 9, 18, 30, 0};
  LocalTime Now() override { return now; }
};

DecodedMessage Decode(const PayloadWriter& w) {
  int fill;
  std::string text = w.Armour(&fill);
  PendingPayload p{};
  std::snprintf(p.text, sizeof p.text, "%s", text.c_str());
  p.fillBits = static_cast<int8_t>(fill);
  PayloadBits bits{};
  EXPECT_TRUE(dearmour(p, bits));
  DecodedMessage m{};
  EXPECT_TRUE(decodeMessage(bits, m));
  return m;
}

PayloadWriter PositionReport(uint32_t mmsi, int lonMinutes10k = 600000, int type = 1) {
  PayloadWriter w;
  w.U(type, 6).U(0, 2).U(mmsi, 30).U(7, 4).S(-10, 8).U(123, 10).U(1, 1);
  w.S(lonMinutes10k, 28).S(-1800000, 27).U(2700, 12).U(269, 9).U(10, 6).U(0, 4).U(0, 1);
  w.U(1, 1).U(0, 19);
  return w;
}

PayloadWriter Simple(int type, uint32_t mmsi, int bits = 168) {
  PayloadWriter w;
  w.U(type, 6).U(0, 2).U(mmsi, 30);
  while (static_cast<int>(w.size()) < bits) w.U(0, 1);
  return w;
}

class TargetTableTest : public ::testing::Test {
 protected:
  FixedClock clock;
  std::unique_ptr<TargetTable> table = std::make_unique<TargetTable>(clock);
};

TEST_F(TargetTableTest, ResetGivesOwnShipAndEmptySlots) {
  const TargetTable& t = *table;
  EXPECT_EQ(t.count(), 1);
  EXPECT_EQ(t[0].stationClass, kClassA);
  EXPECT_FLOAT_EQ(t[0].longitude, 150);
  EXPECT_FLOAT_EQ(t[0].latitude, -30);
  EXPECT_FLOAT_EQ(t[0].speedOverGround, 15);
  EXPECT_FLOAT_EQ(t[0].courseOverGround, 301);
  EXPECT_FLOAT_EQ(t[0].trueHeading, 62);
  EXPECT_FLOAT_EQ(t[0].rateOfTurn, 5);
  EXPECT_EQ(t[0].mmsi, 0u);
  for (int slot : {1, 2249}) {
    EXPECT_EQ(t[slot].stationClass, kUnknownClass);
    EXPECT_FLOAT_EQ(t[slot].longitude, 181);
    EXPECT_FLOAT_EQ(t[slot].latitude, 91);
  }
  const MessageStore* s23 = t.store(23);
  ASSERT_NE(s23, nullptr);
  float corners[4];
  std::memcpy(corners, s23->bytes + 7, sizeof corners);
  EXPECT_FLOAT_EQ(corners[0], 181);
  EXPECT_FLOAT_EQ(corners[1], 91);
  EXPECT_FLOAT_EQ(corners[2], 181);
  EXPECT_FLOAT_EQ(corners[3], 91);
  EXPECT_EQ(t.store(1), nullptr);
}

TEST_F(TargetTableTest, OwnShipRules) {
  EXPECT_EQ(table->handleMessage(Decode(PositionReport(111)), 17, 0, true), 0);
  EXPECT_EQ((*table)[0].mmsi, 111u);
  EXPECT_EQ((*table)[0].firstHeard, clock.now);
  clock.now.second = 5;
  // Another MMSI in a VDO still updates slot 0, which keeps its first MMSI.
  EXPECT_EQ(table->handleMessage(Decode(PositionReport(222, 1200000)), 17, 0, true), 0);
  EXPECT_EQ((*table)[0].mmsi, 111u);
  EXPECT_FLOAT_EQ((*table)[0].longitude, 2.0f);
  EXPECT_EQ((*table)[0].firstHeard.second, 0);
  EXPECT_EQ((*table)[0].lastHeard.second, 5);
  // A VDM with the own ship's MMSI updates slot 0 too; other stations take new slots.
  EXPECT_EQ(table->handleMessage(Decode(PositionReport(111)), 17, 0, false), 0);
  EXPECT_EQ(table->handleMessage(Decode(PositionReport(333)), 17, 0, false), 1);
  EXPECT_EQ(table->handleMessage(Decode(PositionReport(444)), 17, 0, false), 2);
  EXPECT_EQ(table->handleMessage(Decode(PositionReport(333)), 17, 0, false), 1);
  EXPECT_EQ(table->count(), 3);
}

TEST_F(TargetTableTest, UpdatesByMessageType) {
  const TargetTable& t = *table;
  ASSERT_EQ(table->handleMessage(Decode(PositionReport(244000001)), 17, 0, false), 1);
  EXPECT_EQ(t[1].stationClass, kClassA);
  EXPECT_EQ(t[1].status >> 4, 7);
  EXPECT_FLOAT_EQ(t[1].longitude, 1.0f);
  EXPECT_FLOAT_EQ(t[1].latitude, -3.0f);
  EXPECT_FLOAT_EQ(t[1].speedOverGround, 12.3f);
  EXPECT_FLOAT_EQ(t[1].courseOverGround, 270.0f);
  EXPECT_FLOAT_EQ(t[1].trueHeading, 269.0f);
  EXPECT_LT(t[1].rateOfTurn, 0);
  EXPECT_EQ(t[1].flags & 3, 3);  // accuracy and RAIM

  // Type 24 part A sets the name, part B type, vendor, call sign and dimensions; the
  // position stays.
  PayloadWriter a;
  a.U(24, 6).U(0, 2).U(244000001, 30).U(0, 2).Text("SEA BIRD", 20);
  PayloadWriter b;
  b.U(24, 6).U(0, 2).U(244000001, 30).U(1, 2).U(37, 8).Text("ACME", 7).Text("PA1234", 7);
  b.U(12u << 21 | 3u << 12 | 2u << 6 | 1u, 30).U(0, 6);
  ASSERT_EQ(table->handleMessage(Decode(a), 17, 0, false), 1);
  ASSERT_EQ(table->handleMessage(Decode(b), 17, 0, false), 1);
  EXPECT_EQ(t[1].stationClass, kClassB);
  EXPECT_STREQ(t[1].name, "SEA BIRD@@@@@@@@@@@@");
  EXPECT_EQ(t[1].shipType, 37);
  EXPECT_STREQ(t[1].vendorId, "ACME@@@");
  EXPECT_STREQ(t[1].callSign, "PA1234@");
  EXPECT_EQ(t[1].toBow, 12);
  EXPECT_EQ(t[1].toStern, 3);
  EXPECT_EQ(t[1].toPort, 2);
  EXPECT_EQ(t[1].toStarboard, 1);
  EXPECT_FLOAT_EQ(t[1].longitude, 1.0f);

  // A type 6 from a new station takes a slot but tells nothing about it.
  ASSERT_EQ(table->handleMessage(Decode(Simple(6, 244000002, 88)), 17, 0, false), 2);
  EXPECT_EQ(t[2].stationClass, kUnknownClass);
  EXPECT_FLOAT_EQ(t[2].longitude, 181);
  EXPECT_FLOAT_EQ(t[2].latitude, 91);

  // Message stores: 20 keeps channel code and the zero word and makes a base station.
  ASSERT_EQ(table->handleMessage(Decode(Simple(20, 2442000, 160)), 17, 0, false), 3);
  EXPECT_EQ(t[3].stationClass, kBaseStation);
  ASSERT_NE(t.store(20), nullptr);
  EXPECT_EQ(t.store(20)->isNew, 1);
  EXPECT_EQ(t.store(20)->channelCode, 17);
  EXPECT_EQ(t.store(20)->bytes[0], 20);
  ASSERT_EQ(table->handleMessage(Decode(Simple(14, 244000002, 88)), 18, 0, false), 2);
  EXPECT_EQ(t[2].stationClass, kUnknownClass);  // unchanged by 12, 14, 15
  EXPECT_EQ(t.store(14)->channelCode, 0);

  // Types outside 1 to 24 change nothing.
  DecodedMessage bad{};
  bad.bytes[0] = 25;
  EXPECT_EQ(table->handleMessage(bad, 17, 0, false), -1);
  EXPECT_EQ(t.count(), 4);
}

TEST_F(TargetTableTest, FullTableEvictsLeastRecentlyHeard) {
  // Slots 1..2249 heard at decreasing times except slot 1000, the oldest.
  for (uint32_t i = 1; i < TargetTable::kSlots; ++i) {
    clock.now = {2026, 12, 9, 12, static_cast<uint8_t>(i % 60), static_cast<uint8_t>(i / 60)};
    if (i == 1000) clock.now = {2026, 1, 1, 0, 0, 0};
    ASSERT_EQ(table->handleMessage(Decode(PositionReport(100000 + i)), 17, 0, false),
              static_cast<int>(i));
  }
  EXPECT_EQ(table->count(), TargetTable::kSlots);
  clock.now = {2026, 12, 10, 0, 0, 0};
  EXPECT_EQ(table->handleMessage(Decode(PositionReport(999999)), 17, 0, false), 1000);
  EXPECT_EQ((*table)[1000].mmsi, 999999u);
  EXPECT_EQ((*table)[1000].firstHeard, clock.now);
  // The evicted station is a stranger now: heard again, it takes the next least recent.
  EXPECT_EQ(table->handleMessage(Decode(PositionReport(101000)), 17, 0, false), 60);
}

// A reset after traffic, a full table included, gives the table as constructed, slot by
// slot, and the same slots as before for the same traffic.
TEST_F(TargetTableTest, ResetAfterTrafficGivesTheTableAsConstructed) {
  const auto fresh = std::make_unique<TargetTable>(clock);
  for (int stations : {5, TargetTable::kSlots + 3}) {
    SCOPED_TRACE(stations);
    table->handleMessage(Decode(PositionReport(244999999)), 17, 0, true);
    for (int i = 1; i <= stations; ++i) {
      table->handleMessage(Decode(PositionReport(100000 + static_cast<uint32_t>(i))), 17, 0, false);
    }
    table->resetTargets();
    EXPECT_EQ(table->count(), 1);
    for (int slot = 0; slot < TargetTable::kSlots; ++slot) {
      ASSERT_EQ(std::memcmp(&(*table)[slot], &(*fresh)[slot], sizeof(AisTarget)), 0) << slot;
    }
    EXPECT_EQ(table->handleMessage(Decode(PositionReport(100001)), 17, 0, false), 1);
    EXPECT_EQ(table->handleMessage(Decode(PositionReport(100003)), 17, 0, false), 2);
    table->resetTargets();
  }
}

TEST_F(TargetTableTest, SameSecondEvictsLowestSlotAndResetsDefaults) {
  for (uint32_t i = 1; i < TargetTable::kSlots; ++i) {
    table->handleMessage(Decode(PositionReport(100000 + i)), 17, 0, false);
  }
  EXPECT_EQ(table->evictTarget(), 1);
  const AisTarget& t = (*table)[1];
  EXPECT_EQ(t.mmsi, 0u);
  EXPECT_EQ(t.stationClass, kUnknownClass);
  EXPECT_FLOAT_EQ(t.courseOverGround, 361);
  EXPECT_FLOAT_EQ(t.trueHeading, 511);
  EXPECT_EQ(t.flags & 5, 4);  // accuracy 0, DTE 1
  EXPECT_EQ(t.lastHeard, LocalTime{});
  // Slot 1 is the least recent now (its stamp is zero); slot 0 is never chosen.
  EXPECT_EQ(table->handleMessage(Decode(PositionReport(7)), 17, 0, false), 1);
}

// The MMSI index must pick exactly the slot a first-match scan of the table would.
TEST_F(TargetTableTest, LookupMatchesFirstMatchScan) {
  std::mt19937 rng(42);
  std::uniform_int_distribution<uint32_t> mmsi(0, 3000);
  for (int step = 0; step < 20000; ++step) {
    clock.now.second = static_cast<uint8_t>(step % 60);
    clock.now.minute = static_cast<uint8_t>(step / 60 % 60);
    clock.now.hour = static_cast<uint8_t>(step / 3600);
    uint32_t m = mmsi(rng);
    bool vdo = step % 97 == 0;
    int expected = -1;
    if (vdo) {
      expected = 0;
    } else {
      for (int s = 0; s < table->count(); ++s) {
        if ((*table)[s].mmsi == m) {
          expected = s;
          break;
        }
      }
    }
    int got = table->handleMessage(Decode(PositionReport(m)), 17, 0, vdo);
    if (expected >= 0) {
      ASSERT_EQ(got, expected) << "step " << step << " mmsi " << m;
    } else {
      ASSERT_GE(got, 1);
      ASSERT_EQ((*table)[got].mmsi, m);
    }
  }
  EXPECT_EQ(table->count(), TargetTable::kSlots);
}

TEST(ReceptionCounters, CountByChannelNeverVdo) {
  ReceptionCounters c;
  countReception(c, "VDM", 'A');
  countReception(c, "VDM", 'B');
  countReception(c, "VDM", static_cast<char>(-128));
  countReception(c, "VDM", '1');
  countReception(c, "VDO", 'A');
  countReception(c, "ABM", 'A');
  EXPECT_EQ(c.channelA, 2);
  EXPECT_EQ(c.channelB, 3);
}

// The whole intake: sentences in, slots and counters out.
struct Counting : IntakeHandoff {
  void UpdateGpsStatus(const SentenceRecord&) override {}
  void CountReception(const char* formatter, char channel) override {
    countReception(counters, formatter, channel);
  }
  ReceptionCounters counters;
};

class IntakeWithAis : public ::testing::Test {
 protected:
  IntakeWithAis() {
    intake.SetAisStage(&decoder);
    intake.SetHandoff(&handoff);
  }
  void Line(const std::string& body) { intake.AcceptSentence(test::Sentence(body)); }

  FixedClock clock;
  DataStores stores;
  SentenceIntake intake{stores};
  AisDecoder decoder{clock};
  Counting handoff;
};

TEST_F(IntakeWithAis, CountsCompleteMessagesOnce) {
  int fill;
  std::string text = Simple(5, 244000003, 424).Armour(&fill);
  ASSERT_EQ(fill, 2);
  const std::string first = "!AIVDM,2,1,7,B," + text.substr(0, 60) + ",0";
  const std::string second = "!AIVDM,2,2,7,B," + text.substr(60) + ",2";
  Line(first);
  EXPECT_FALSE(intake.LastHandled());
  Line(second);
  EXPECT_TRUE(intake.LastHandled());
  EXPECT_EQ(decoder.Slot(), 1);
  EXPECT_EQ(handoff.counters.channelB, 1);
  EXPECT_EQ(decoder.Targets()[1].vdmCount, 1u);

  // A "$" sentence between the fragments breaks the message off.
  Line(first);
  Line("$GPHDT,274.07,T");
  Line(second);
  EXPECT_FALSE(intake.LastHandled());
  EXPECT_EQ(handoff.counters.channelB, 1);

  // VDO: slot 0, a VDO count, no reception count.
  std::string own = PositionReport(244999999).Armour();
  Line("!AIVDO,1,1,,," + own + ",0");
  EXPECT_TRUE(intake.LastHandled());
  EXPECT_EQ(decoder.Slot(), 0);
  EXPECT_EQ(decoder.Targets()[0].mmsi, 244999999u);
  EXPECT_EQ(decoder.Targets()[0].vdoCount, 1u);
  EXPECT_EQ(handoff.counters.channelA + handoff.counters.channelB, 1);

  // An empty channel counts on B; a message that fails to decode counts nowhere.
  Line("!AIVDM,1,1,,," + PositionReport(244000004).Armour() + ",0");
  EXPECT_EQ(handoff.counters.channelB, 2);
  Line("!AIVDM,1,1,,A," + Simple(25, 1).Armour() + ",0");
  EXPECT_FALSE(intake.LastHandled());
  EXPECT_EQ(handoff.counters.channelA, 0);
  EXPECT_EQ(handoff.counters.channelB, 2);
}

TEST_F(IntakeWithAis, OtherBangSentencesNeverCompleteAMessage) {
  Line("!AIVDM,1,1,,A," + PositionReport(244000005).Armour() + ",0");
  EXPECT_TRUE(intake.LastHandled());
  // A "!" sentence of another formatter must not replay the fragment left in the record.
  Line("!AIABK,211378120,B,6,1,0");
  EXPECT_TRUE(intake.LastDecoded());
  EXPECT_FALSE(intake.LastHandled());
  EXPECT_EQ(handoff.counters.channelA, 1);
}

TEST_F(IntakeWithAis, DecoderResetForgetsTheMessageUnderAssemblyAndTheStations) {
  int fill;
  const std::string text = Simple(5, 244000003, 424).Armour(&fill);
  Line("!AIVDM,1,1,,A," + PositionReport(244000005).Armour() + ",0");
  ASSERT_EQ(decoder.Targets().count(), 2);
  Line("!AIVDM,2,1,7,B," + text.substr(0, 60) + ",0");
  decoder.Reset();
  EXPECT_EQ(decoder.Targets().count(), 1);
  EXPECT_EQ(decoder.Targets()[1].mmsi, 0u);
  EXPECT_EQ(decoder.Assembler().pending().total, 0);
  Line("!AIVDM,2,2,7,B," + text.substr(60) + "," + std::to_string(fill));
  EXPECT_FALSE(intake.LastHandled());
  EXPECT_FALSE(decoder.Completed());
  // The first station heard after the reset takes slot 1 again.
  Line("!AIVDM,1,1,,A," + PositionReport(244000006).Armour() + ",0");
  EXPECT_TRUE(intake.LastHandled());
  EXPECT_EQ(decoder.Slot(), 1);
}

TEST_F(IntakeWithAis, RealRecordingSentences) {
  // From ais/sample.aivdm: a type 1 and a two-fragment type 5.
  intake.AcceptSentence("!AIVDM,1,1,,A,15RTgt0PAso;90TKcjM8h6g208CQ,0*4A\r\n");
  ASSERT_TRUE(intake.LastHandled());
  const AisTarget& t = decoder.Targets()[decoder.Slot()];
  EXPECT_EQ(t.mmsi, 371798000u);
  EXPECT_NEAR(t.latitude, 48.381633, 1e-5);
  EXPECT_NEAR(t.longitude, -123.395383, 1e-5);
  EXPECT_FLOAT_EQ(t.speedOverGround, 12.3f);
  EXPECT_FLOAT_EQ(t.courseOverGround, 224.0f);
  EXPECT_FLOAT_EQ(t.trueHeading, 215.0f);
  intake.AcceptSentence(
      "!AIVDM,2,1,1,A,55?MbV02;H;s<HtKR20EHE:0@T4@Dn2222222216L961O5Gf0NSQEp6ClRp8,0*1C\r\n");
  intake.AcceptSentence("!AIVDM,2,2,1,A,88888888880,2*25\r\n");
  ASSERT_TRUE(intake.LastHandled());
  const AisTarget& s = decoder.Targets()[decoder.Slot()];
  EXPECT_EQ(s.mmsi, 351759000u);
  EXPECT_EQ(s.imoNumber, 9134270u);
  EXPECT_STREQ(s.callSign, "3FOF8  ");
  EXPECT_STREQ(s.name, "EVER DIADEM         ");
  EXPECT_STREQ(s.destination, "NEW YORK            ");
  EXPECT_EQ(s.shipType, 70);
  EXPECT_EQ(s.toBow, 225);
  EXPECT_EQ(s.toStern, 70);
  EXPECT_EQ(s.toPort, 1);
  EXPECT_EQ(s.toStarboard, 31);
  EXPECT_EQ(s.etaMonth, 5);
  EXPECT_EQ(s.etaDay, 15);
  EXPECT_EQ(s.etaHour, 14);
  EXPECT_FLOAT_EQ(s.draught, 12.2f);
  EXPECT_EQ(handoff.counters.channelA, 2);
}

// Real sentences whose payload is not a whole number of bytes, or that leave characters
// beyond the last whole group under fill 0: every character counts, less the fill bits.
TEST_F(IntakeWithAis, EveryCharacterLessTheFillBitsCounts) {
  struct Case {
    const char* what;
    const char* line;
    int type;
    uint32_t mmsi;
    int part;          // type 24: the part number
    const char* name;  // type 24 in the part A layout: the decoded name
  } cases[] = {
      // ais/ais-18-27.log: message 24 part A as 27 characters with fill 0 (162 bits).
      {"part A, 27 characters, fill 0", "!AIVDM,1,1,,A,H3KLehQ=DtddT00000000000000,0*5F", 24,
       230108610, 0, "SUOKKI@@@@@@@@@@@@@@"},
      // ais/ais-nmea-type6-fid55.log: the same length with fill 2, as it always decoded.
      {"part A, 27 characters, fill 2", "!AIVDM,1,1,,B,H3`g`jPl58D0000000000000000,2*24", 24,
       244050122, 0, "MARE@@@@@@@@@@@@@@@@"},
      // ais/ais-18-27.log: 30 characters with fill 0 and the part number 3, which the part
      // A layout decodes.
      {"part A, 30 characters, fill 0", "!AIVDM,1,1,,A,H480CB<00000000000000000000000,0*5F", 24,
       276829000, 3, "@@@@@@@@@@@@@@@@@@@@"},
      // ais/sample.aivdm: a position report with fill 5 (163 bits).
      {"type 1, fill 5", "!AIVDM,1,1,,A,13aIkM@P00PJ@qPNL=e@0?wJ28JO,5*63", 1, 244740981, 0, ""},
      // ais/sample.aivdm: an acknowledgement of 21 characters with fill 2 (124 bits).
      {"type 7, 21 characters, fill 2", "!AIVDM,1,1,,B,7`0Pv1L:Ac8rbgPKHA8`P,2*56", 7, 537411077, 0,
       ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    intake.AcceptSentence(std::string(c.line) + "\r\n");
    ASSERT_TRUE(intake.LastHandled());
    DecodedReader r(decoder.Message());
    ASSERT_TRUE(r.valid());
    EXPECT_EQ(decoder.Message().type(), c.type);
    EXPECT_EQ(r.u(2), c.mmsi);
    if (c.type == 24) {
      EXPECT_EQ(r.u(3), static_cast<uint32_t>(c.part));
      EXPECT_STREQ(r.text(4), c.name);
    }
  }
}

}  // namespace
}  // namespace pelyx::ais
