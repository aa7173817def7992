// What the simulated receiver streams, read back through the tool's own intake.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "config/receiver_protocol.h"
#include "sim_test_support.h"
#include "tools/sim/receiver.h"
#include "tools/sim/world.h"

namespace pelyx::sim {
namespace {

using test::Lines;
using test::RunFor;
using test::Text;
using test::ToolIntake;

constexpr Millis kMinute = 59'999;  // sixty whole seconds: bursts at 0, 1000, ..., 59000

class StreamTest : public ::testing::Test {
 protected:
  void Capture(const ReceiverConfig& config, Millis until = kMinute) {
    receiver = std::make_unique<Receiver>(config);
    decoded.clear();
    lines = Lines(RunFor(*receiver, 0, until));
    intake = std::make_unique<ToolIntake>();
    for (const std::string& line : lines) decoded.push_back(intake->Take(line));
  }

  std::map<std::string, int> CountFormatters() const {
    std::map<std::string, int> count;
    for (const std::string& line : lines) {
      if (line.size() > 6) ++count[line.substr(3, 3)];
    }
    return count;
  }

  std::unique_ptr<Receiver> receiver;
  std::vector<std::string> lines;
  std::vector<bool> decoded;
  std::unique_ptr<ToolIntake> intake;
};

TEST_F(StreamTest, EveryLineOfAMinuteDecodesAndKeepsToEightyCharacters) {
  Capture(DefaultReceiverConfig());
  ASSERT_GT(lines.size(), 600u);
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    ASSERT_GE(line.size(), 3u);
    EXPECT_EQ(line.substr(line.size() - 2), "\r\n") << line;
    EXPECT_LE(Text(line).size(), config::kMaxSentLine) << line;
    EXPECT_TRUE(decoded[i]) << line;
  }
}

TEST_F(StreamTest, GnssSentencesComeOnceASecond) {
  Capture(DefaultReceiverConfig());
  const std::map<std::string, int> count = CountFormatters();
  const std::vector<std::pair<std::string, int>> expected = {{"GGA", 60}, {"GLL", 60},  {"RMC", 60},
                                                             {"GSA", 60}, {"GSV", 180}, {"VTG", 60},
                                                             {"ZDA", 60}, {"VDO", 60}};
  for (const auto& [formatter, n] : expected) {
    auto it = count.find(formatter);
    ASSERT_NE(it, count.end()) << formatter;
    EXPECT_EQ(it->second, n) << formatter;
  }
}

TEST_F(StreamTest, GsvCycleNumbersItsSentences) {
  Capture(DefaultReceiverConfig(), 2500);
  std::vector<std::string> gsv;
  for (const std::string& line : lines) {
    if (line.rfind("$GPGSV,", 0) == 0) gsv.push_back(line.substr(7, 8));
  }
  const std::vector<std::string> cycle = {"3,1,10,0", "3,2,10,1", "3,3,10,2"};
  ASSERT_EQ(gsv.size(), 9u);
  for (size_t i = 0; i < gsv.size(); ++i) EXPECT_EQ(gsv[i], cycle[i % 3]) << i;
  // The last sentence of the cycle reached the store: two satellites, the second not
  // tracked (empty SNR).
  const GnssStore& g = intake->Stores().gnss;
  EXPECT_EQ(g.satellitesInView, 10);
  EXPECT_EQ(g.gsvCount, 2);
  EXPECT_EQ(g.gsvId[1], 30);
  EXPECT_EQ(g.gsvSnr[1], kNoInt8);
}

TEST_F(StreamTest, OwnShipMovesAlongItsCourse) {
  ReceiverConfig config = DefaultReceiverConfig();
  config.startUtcMillis = 1'767'225'600'000;  // 2026-01-01 00:00:00
  Capture(config);
  const GnssStore& g = intake->Stores().gnss;
  const Position expected =
      DeadReckon(config.own.start, config.own.speedKnots, config.own.courseDegrees, 59'000);
  EXPECT_NEAR(g.latitude, expected.latitude, 2e-5);
  EXPECT_NEAR(g.longitude, expected.longitude, 2e-5);
  EXPECT_GT(g.latitude, config.own.start.latitude + 0.001);  // about 0.13 nm north-east
  EXPECT_TRUE(g.positionValid);
  EXPECT_NEAR(g.speedKnots, 8.0, 1e-4);
  EXPECT_NEAR(g.courseTrue, 30.0, 1e-4);
  EXPECT_EQ(g.utcHour, 0);
  EXPECT_EQ(g.utcMinute, 0);
  EXPECT_EQ(g.utcSecond, 59);
  EXPECT_EQ(g.year, 2026);
  EXPECT_EQ(g.month, 1);
  EXPECT_EQ(g.day, 1);
  EXPECT_EQ(g.satellitesUsed, 8);
  EXPECT_NEAR(g.hdop, 0.9, 1e-4);

  // The own ship in slot 0, from the VDO reports.
  const ais::AisTarget& own = intake->Targets()[0];
  EXPECT_EQ(own.mmsi, config.own.mmsi);
  EXPECT_NEAR(own.latitude, DeadReckon(config.own.start, 8.0, 30.0, 59'500).latitude, 1e-5);
  EXPECT_NEAR(own.speedOverGround, 8.0, 1e-4);
  EXPECT_GE(own.vdoCount, 60u);
}

TEST_F(StreamTest, EveryMessageTypeCompletesInAMinute) {
  Capture(DefaultReceiverConfig());
  std::set<std::pair<int, int>> kinds;
  int fragments = 0;
  for (const std::string& line : lines) fragments += line[0] == '!' ? 1 : 0;
  int secondFragments = 0;
  for (const std::string& line : lines) secondFragments += line.rfind("!AIVDM,2,2,", 0) == 0;
  for (const test::Completed& c : intake->CompletedMessages()) kinds.insert({c.type, c.part});
  const std::set<std::pair<int, int>> expected = {{1, -1},  {3, -1},  {4, -1}, {5, -1}, {18, -1},
                                                  {19, -1}, {21, -1}, {24, 0}, {24, 1}};
  EXPECT_EQ(kinds, expected);
  // Every "!" sentence completes a message, except the first of two fragments.
  EXPECT_GT(secondFragments, 0);
  EXPECT_EQ(static_cast<int>(intake->CompletedMessages().size()), fragments - secondFragments);
}

TEST_F(StreamTest, StationsAreHeardWithTheirNamesAndPositions) {
  const ReceiverConfig config = DefaultReceiverConfig();
  Capture(config);
  ASSERT_EQ(config.stations.size(), 6u);
  for (const Station& s : config.stations) {
    const int slot = intake->SlotOf(s.mmsi);
    ASSERT_GT(slot, 0) << s.mmsi;
    const ais::AisTarget& t = intake->Targets()[slot];
    EXPECT_NEAR(t.latitude, s.start.latitude, 0.01) << s.mmsi;
    EXPECT_NEAR(t.longitude, s.start.longitude, 0.01) << s.mmsi;
    EXPECT_GT(t.vdmCount, 0u);
    switch (s.kind) {
      case StationKind::kClassA:
        EXPECT_EQ(t.stationClass, ais::kClassA);
        EXPECT_EQ(test::TrimAisText(t.name), s.name);
        EXPECT_EQ(test::TrimAisText(t.callSign), s.callSign);
        EXPECT_EQ(test::TrimAisText(t.destination), s.destination);
        EXPECT_EQ(t.imoNumber, s.imoNumber);
        EXPECT_EQ(t.shipType, s.shipType);
        EXPECT_EQ(t.toBow, s.dimensions.toBow);
        EXPECT_EQ(t.toStarboard, s.dimensions.toStarboard);
        EXPECT_NEAR(t.draught, s.draughtMetres, 1e-4);
        EXPECT_NEAR(t.speedOverGround, s.speedKnots, 0.05);
        break;
      case StationKind::kBaseStation:
        EXPECT_EQ(t.stationClass, ais::kBaseStation);
        break;
      case StationKind::kClassB:
        EXPECT_EQ(t.stationClass, ais::kClassB);
        EXPECT_EQ(test::TrimAisText(t.name), s.name);
        EXPECT_EQ(test::TrimAisText(t.callSign), s.callSign);
        EXPECT_EQ(test::TrimAisText(t.vendorId), s.vendorId);
        EXPECT_EQ(t.toStern, s.dimensions.toStern);
        break;
      case StationKind::kClassBExtended:
        EXPECT_EQ(t.stationClass, ais::kClassB);
        EXPECT_EQ(test::TrimAisText(t.name), s.name);
        EXPECT_EQ(t.shipType, s.shipType);
        break;
      case StationKind::kAidToNavigation:
        EXPECT_EQ(t.stationClass, ais::kAidToNavigation);
        EXPECT_EQ(test::TrimAisText(t.name) + test::TrimAisText(t.nameExtension()), s.name);
        break;
    }
  }
}

TEST_F(StreamTest, MovingStationsReportWhereTheyAre) {
  const ReceiverConfig config = DefaultReceiverConfig();
  Capture(config);
  const Station& s = config.stations[0];  // under way at 11.8 knots, every 4 s
  ASSERT_EQ(s.kind, StationKind::kClassA);
  const ais::AisTarget& t = intake->Targets()[intake->SlotOf(s.mmsi)];
  Millis last = s.phase;
  while (last + s.reportPeriod <= kMinute) last += s.reportPeriod;
  const Position p = DeadReckon(s.start, s.speedKnots, s.courseDegrees, last);
  EXPECT_NEAR(t.latitude, p.latitude, 1e-5);
  EXPECT_NEAR(t.longitude, p.longitude, 1e-5);
  EXPECT_GT(std::fabs(t.longitude - s.start.longitude), 0.002);
}

TEST_F(StreamTest, BothChannelsAreUsedAndVdoIsNotCounted) {
  Capture(DefaultReceiverConfig());
  int vdm = 0;
  for (const test::Completed& c : intake->CompletedMessages()) vdm += c.vdo ? 0 : 1;
  EXPECT_GT(intake->Counters().channelA, 0);
  EXPECT_GT(intake->Counters().channelB, 0);
  EXPECT_EQ(intake->Counters().channelA + intake->Counters().channelB, vdm);
}

TEST_F(StreamTest, EachStreamCanBeSwitchedOff) {
  struct Case {
    const char* name;
    void (*off)(Behaviour&);
    std::vector<std::string> absent;
    std::vector<std::string> present;
  };
  const std::vector<Case> cases = {
      {"gnss",
       [](Behaviour& b) { b.gnss = false; },
       {"GGA", "GLL", "RMC", "GSA", "GSV", "VTG", "ZDA"},
       {"VDM", "VDO"}},
      {"ais", [](Behaviour& b) { b.ais = false; }, {"VDM"}, {"GGA", "VDO"}},
      {"own ship", [](Behaviour& b) { b.ownShip = false; }, {"VDO"}, {"GGA", "VDM"}},
  };
  for (const Case& c : cases) {
    ReceiverConfig config = DefaultReceiverConfig();
    c.off(config.on);
    Capture(config, 20'000);
    const std::map<std::string, int> count = CountFormatters();
    for (const std::string& f : c.absent) EXPECT_EQ(count.count(f), 0u) << c.name << " " << f;
    for (const std::string& f : c.present) EXPECT_GT(count.count(f), 0u) << c.name << " " << f;
  }
}

TEST_F(StreamTest, SameSeedSameStream) {
  Receiver a(DefaultReceiverConfig());
  Receiver b(DefaultReceiverConfig());
  ReceiverConfig other = DefaultReceiverConfig();
  other.seed = 2;
  Receiver c(other);
  const std::string sa = RunFor(a, 0, 10'000);
  EXPECT_EQ(sa, RunFor(b, 0, 10'000));
  EXPECT_NE(sa, RunFor(c, 0, 10'000));  // the SNRs differ
}

TEST(UtcOf, CivilDates) {
  struct Case {
    int64_t millis;
    UtcDateTime t;
  };
  const std::vector<Case> cases = {
      {0, {1970, 1, 1, 0, 0, 0, 0}},
      {951'782'400'000, {2000, 2, 29, 0, 0, 0, 0}},
      {1'767'225'599'999, {2025, 12, 31, 23, 59, 59, 999}},
      {1'780'000'000'000, {2026, 5, 28, 20, 26, 40, 0}},
  };
  for (const Case& c : cases) {
    const UtcDateTime t = UtcOf(c.millis);
    EXPECT_EQ(std::vector<int>({t.year, t.month, t.day, t.hour, t.minute, t.second, t.millisecond}),
              std::vector<int>({c.t.year, c.t.month, c.t.day, c.t.hour, c.t.minute, c.t.second,
                                c.t.millisecond}))
        << c.millis;
  }
}

}  // namespace
}  // namespace pelyx::sim
