#include "views/gps_status.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "codec/intake.h"

namespace pelyx::views {
namespace {

// A sentence with its checksum and CR LF.
std::string Sentence(const std::string& body) {
  unsigned sum = 0;
  for (char c : body) sum ^= static_cast<unsigned char>(c);
  char tail[8];
  std::snprintf(tail, sizeof tail, "*%02X\r\n", sum);
  return "$" + body + tail;
}

struct Satellite {
  int prn;
  int elevation;
  int azimuth;
  int snr;  // -1: empty field
};

std::string Gsv(int total, int number, int inView, const std::vector<Satellite>& satellites) {
  std::string body = "GPGSV," + std::to_string(total) + "," + std::to_string(number) + "," +
                     std::to_string(inView);
  for (const Satellite& s : satellites) {
    body += "," + std::to_string(s.prn) + "," + std::to_string(s.elevation) + "," +
            std::to_string(s.azimuth) + ",";
    if (s.snr >= 0) body += std::to_string(s.snr);
  }
  return Sentence(body);
}

// The intake handing GNSS sentences to the view, as the window wires it.
class GpsStatusFixture : public testing::Test, public IntakeHandoff {
 protected:
  void SetUp() override { intake.SetHandoff(this); }

  void UpdateGpsStatus(const SentenceRecord& record) override {
    lastChange = view.UpdateGpsStatus(stores.gnss, record);
    ++updates;
  }
  void CountReception(const char*, char) override {}

  void Feed(const std::string& line) {
    intake.AcceptSentence(line);
    ASSERT_TRUE(intake.LastHandled()) << line;
  }

  std::vector<std::string> Labels() const {
    std::vector<std::string> labels;
    for (const SnrBar& bar : view.Bars()) labels.push_back(bar.label);
    return labels;
  }

  DataStores stores;
  SentenceIntake intake{stores};
  GpsStatusView view;
  GpsStatusChange lastChange;
  int updates = 0;
};

std::vector<std::string> Dashes(size_t n) {
  return std::vector<std::string>(n, "---");
}

TEST_F(GpsStatusFixture, StartsWithSixteenEmptyBarsAndEmptyFields) {
  ASSERT_EQ(view.Bars().size(), 16u);
  for (const SnrBar& bar : view.Bars()) EXPECT_EQ(bar, (SnrBar{0, "---", BarColour::kBlue}));
  EXPECT_EQ(view.Texts().latitude, "");
  EXPECT_EQ(view.Texts().utcTime, "");
}

TEST_F(GpsStatusFixture, ThreeSentenceCycleIsShownWhenTheNextCycleStarts) {
  const std::vector<std::vector<Satellite>> cycle = {
      {{1, 10, 0, 30}, {2, 20, 30, 31}, {3, 30, 60, 32}, {4, 40, 90, 33}},
      {{5, 50, 120, 34}, {6, 60, 150, 35}, {7, 70, 180, 36}, {8, 80, 210, 37}},
      {{9, 5, 240, 38}, {10, 15, 270, 39}, {11, 25, 300, 40}, {12, 35, 330, 41}},
  };
  for (int n = 0; n < 3; ++n) {
    Feed(Gsv(3, n + 1, 12, cycle[static_cast<size_t>(n)]));
    // The first cycle has nothing before it: still the 16 empty bars.
    EXPECT_EQ(Labels(), Dashes(16)) << "after sentence " << n + 1;
  }
  EXPECT_EQ(view.Current().count, 12);

  Feed(Gsv(3, 1, 12, {{20, 45, 45, 44}}));
  EXPECT_TRUE(lastChange.satellites);
  std::vector<std::string> expected = {"1", "2", "3", "4",  "5",  "6",
                                       "7", "8", "9", "10", "11", "12"};
  auto dashes = Dashes(4);
  expected.insert(expected.end(), dashes.begin(), dashes.end());
  EXPECT_EQ(Labels(), expected);
  for (int i = 0; i < 12; ++i) {
    EXPECT_EQ(view.Bars()[static_cast<size_t>(i)].value, 30 + i);
    EXPECT_TRUE(view.Sky().Marker(i).visible) << i;
    EXPECT_EQ(view.Sky().Marker(i).satelliteNumber, i + 1);
  }
  EXPECT_EQ(view.Sky().Marker(4).azimuth, 120);
  EXPECT_EQ(view.Sky().Marker(4).elevation, 50);
  EXPECT_FALSE(view.Sky().Marker(12).visible);
  EXPECT_EQ(view.Sky().satelliteCount, 12);
  // The new collection holds the new cycle's first sentence.
  EXPECT_EQ(view.Current().count, 1);
  EXPECT_EQ(view.Current().satelliteNumber[0], 20);
  EXPECT_EQ(view.Previous().count, 12);
}

TEST_F(GpsStatusFixture, SingleSentenceCyclesShowThePreviousSentence) {
  Feed(Gsv(1, 1, 2, {{3, 10, 10, 20}, {4, 10, 10, 21}}));
  EXPECT_EQ(Labels(), Dashes(16));
  Feed(Gsv(1, 1, 1, {{8, 10, 10, 22}}));
  EXPECT_EQ(Labels()[0], "3");
  EXPECT_EQ(Labels()[1], "4");
  EXPECT_EQ(Labels()[2], "---");
  Feed(Gsv(1, 1, 1, {{9, 10, 10, 23}}));
  EXPECT_EQ(Labels()[0], "8");
  EXPECT_EQ(Labels()[1], "---");
  // Markers of the satellites no longer shown are hidden.
  EXPECT_TRUE(view.Sky().Marker(0).visible);
  EXPECT_FALSE(view.Sky().Marker(1).visible);
  EXPECT_EQ(view.Sky().satelliteCount, 1);
}

struct CycleStartCase {
  const char* name;
  int total1, number1, total2, number2;
  bool newCycle;
};

class CycleStartTest : public GpsStatusFixture,
                       public testing::WithParamInterface<CycleStartCase> {};

TEST_P(CycleStartTest, NewCycleOrSameCycle) {
  const CycleStartCase& c = GetParam();
  Feed(Gsv(c.total1, c.number1, 8, {{1, 10, 10, 20}}));
  Feed(Gsv(c.total2, c.number2, 8, {{2, 10, 10, 20}}));
  EXPECT_EQ(lastChange.satellites, c.newCycle);
  EXPECT_EQ(view.Current().count, c.newCycle ? 1 : 2);
}

INSTANTIATE_TEST_SUITE_P(Rules, CycleStartTest,
                         testing::Values(CycleStartCase{"next_sentence", 2, 1, 2, 2, false},
                                         CycleStartCase{"same_number_again", 2, 2, 2, 2, false},
                                         CycleStartCase{"number_falls", 2, 2, 2, 1, true},
                                         CycleStartCase{"total_changes", 2, 1, 3, 2, true},
                                         CycleStartCase{"total_one", 1, 1, 1, 1, true}),
                         [](const testing::TestParamInfo<CycleStartCase>& info) {
                           return info.param.name;
                         });

TEST_F(GpsStatusFixture, EmptySnrTakesTheValueAtTheSamePlaceOfThePreviousCycle) {
  Feed(Gsv(1, 1, 2, {{5, 10, 10, 40}, {6, 10, 10, 41}}));
  Feed(Gsv(1, 1, 3, {{7, 10, 10, -1}, {6, 10, 10, -1}, {9, 10, 10, -1}}));
  Feed(Gsv(1, 1, 1, {{1, 10, 10, 20}}));  // shows the second cycle
  ASSERT_EQ(Labels()[0], "7");
  EXPECT_EQ(view.Bars()[0].value, 40);  // place 0 held satellite 5 before
  EXPECT_EQ(view.Bars()[1].value, 41);
  // Place 2 had no satellite in the cycle before: the SNR stays not reported.
  EXPECT_LT(view.Bars()[2].value, 0);
}

TEST_F(GpsStatusFixture, SatelliteListedTwiceInACycleIsOneEntry) {
  Feed(Gsv(2, 1, 3, {{5, 10, 100, 30}, {6, 11, 110, 31}}));
  Feed(Gsv(2, 2, 3, {{5, 12, 120, 35}, {7, 13, 130, 32}}));
  ASSERT_EQ(view.Current().count, 3);
  EXPECT_EQ(view.Current().satelliteNumber[0], 5);
  EXPECT_EQ(view.Current().elevation[0], 12);
  EXPECT_EQ(view.Current().azimuth[0], 120);
  EXPECT_EQ(view.Current().snr[0], 35);
  EXPECT_EQ(view.Current().satelliteNumber[2], 7);
}

TEST_F(GpsStatusFixture, ACycleKeepsAtMostTwentyFourSatellites) {
  for (int n = 1; n <= 7; ++n) {
    std::vector<Satellite> four;
    for (int k = 0; k < 4; ++k) four.push_back({(n - 1) * 4 + k + 1, 10, 10, 20 + k});
    Feed(Gsv(7, n, 28, four));
  }
  EXPECT_EQ(view.Current().count, 24);
  EXPECT_EQ(view.Current().satelliteNumber[23], 24);
  Feed(Gsv(1, 1, 1, {{40, 10, 10, 20}}));
  ASSERT_EQ(view.Bars().size(), 24u);  // more than 16: no "---" bars
  EXPECT_EQ(view.Bars()[23].label, "24");
  EXPECT_TRUE(view.Sky().Marker(23).visible);
  EXPECT_FALSE(view.Sky().Marker(24).visible);
  // The next drawing hides the 24 markers again before placing its one satellite.
  Feed(Gsv(1, 1, 1, {{41, 10, 10, 20}}));
  EXPECT_TRUE(view.Sky().Marker(0).visible);
  EXPECT_FALSE(view.Sky().Marker(1).visible);
  EXPECT_FALSE(view.Sky().Marker(23).visible);
  EXPECT_EQ(view.Bars().size(), 16u);
}

TEST_F(GpsStatusFixture, EntriesWithoutSatelliteNumberAreLeftOut) {
  Feed(Gsv(1, 1, 2, {{0, 10, 10, 20}, {12, 10, 10, 20}}));
  EXPECT_EQ(view.Current().count, 1);
  EXPECT_EQ(view.Current().satelliteNumber[0], 12);
}

TEST_F(GpsStatusFixture, SatellitesInTheFixAreLime) {
  Feed(Sentence("GPGSA,A,3,04,09,,,,,,,,,,,1.8,1.0,1.5"));
  Feed(Gsv(1, 1, 3, {{4, 10, 10, 20}, {5, 10, 10, 21}, {9, 10, 10, 22}}));
  Feed(Gsv(1, 1, 1, {{4, 10, 10, 20}}));
  EXPECT_EQ(view.Bars()[0].colour, BarColour::kLime);
  EXPECT_EQ(view.Bars()[1].colour, BarColour::kBlue);
  EXPECT_EQ(view.Bars()[2].colour, BarColour::kLime);
  EXPECT_EQ(view.Bars()[3].colour, BarColour::kBlue);  // a "---" bar
  EXPECT_TRUE(view.Sky().Marker(0).inUse);
  EXPECT_FALSE(view.Sky().Marker(1).inUse);
}

TEST_F(GpsStatusFixture, UpdatesOnEveryGnssSentence) {
  Feed(Sentence("GPGSA,A,3,04,09,,,,,,,,,,,1.8,1.0,1.5"));
  EXPECT_EQ(updates, 1);
  EXPECT_FALSE(lastChange.texts);  // no position yet
  Feed(Sentence("GPGGA,123519.00,2501.9980,N,12130.0000,E,1,08,0.9,545.4,M,46.9,M,,"));
  EXPECT_EQ(updates, 2);
  EXPECT_EQ(view.Texts().fixMode, "3D");
  EXPECT_TRUE(lastChange.texts);
  EXPECT_EQ(view.Texts().latitude,
            " 25\xC2\xB0"
            "01'59\"N");
  EXPECT_EQ(view.Texts().longitude,
            "121\xC2\xB0"
            "30'00\"E");
  EXPECT_EQ(view.Texts().inUse, "8");    // GGA's count of satellites in use
  EXPECT_EQ(view.Texts().hdop, " 1.0");  // HDOP comes from GSA
}

TEST_F(GpsStatusFixture, GgaWithoutFixLeavesThePositionFields) {
  Feed(Sentence("GPGGA,123519.00,2501.9980,N,12130.0000,E,1,08,0.9,545.4,M,46.9,M,,"));
  const GpsStatusTexts before = view.Texts();
  Feed(Sentence("GPGGA,123520.00,3000.0000,S,01000.0000,W,0,00,9.9,545.4,M,46.9,M,,"));
  EXPECT_EQ(view.Texts().latitude, before.latitude);
  EXPECT_EQ(view.Texts().longitude, before.longitude);
  EXPECT_EQ(view.Texts().hdop, before.hdop);
  EXPECT_EQ(view.Texts().inUse, before.inUse);
}

// ---- Texts from the store ----

GnssStore FixedStore() {
  GnssStore store{};
  store.positionValid = 1;
  store.latitude = 25.0333f;
  store.longitude = 121.5f;
  store.speedKnots = 3.456f;
  store.courseTrue = 87.25f;
  store.fixMode = 3;
  store.satellitesInView = 11;
  store.satellitesUsed = 7;
  store.hdop = 1.25f;
  return store;
}

SentenceRecord Record(const char* formatter) {
  SentenceRecord record{};
  std::memcpy(record.formatter, formatter,
              std::min(std::strlen(formatter), sizeof record.formatter - 1));
  return record;
}

struct FixModeCase {
  int fixMode;
  const char* text;
};

class FixModeTest : public testing::TestWithParam<FixModeCase> {};

TEST_P(FixModeTest, Text) {
  GpsStatusView view;
  GnssStore store = FixedStore();
  store.fixMode = static_cast<int8_t>(GetParam().fixMode);
  view.UpdateGpsStatus(store, Record("GSA"));
  EXPECT_EQ(view.Texts().fixMode, GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Modes, FixModeTest,
                         testing::Values(FixModeCase{1, "Lost"}, FixModeCase{2, "2D"},
                                         FixModeCase{3, "3D"}, FixModeCase{0, "Lost"},
                                         FixModeCase{-128, "Lost"}, FixModeCase{4, "Lost"}));

TEST(GpsStatusTextTest, FieldsOfAValidPosition) {
  GpsStatusView view;
  view.UpdateGpsStatus(FixedStore(), Record("RMC"));
  const GpsStatusTexts& t = view.Texts();
  EXPECT_EQ(t.sog, " 3.46 Kn");
  EXPECT_EQ(t.cog, " 87.2\xC2\xB0");
  EXPECT_EQ(t.inView, "11");
  EXPECT_EQ(t.inUse, "7");
  EXPECT_EQ(t.hdop, " 1.2");
  EXPECT_EQ(t.utcDate, "");  // utcValid is clear
}

TEST(GpsStatusTextTest, DateAndTimeOnlyWhileTheTimeIsValid) {
  GpsStatusView view;
  GnssStore store{};
  store.utcValid = 1;
  store.year = 2024;
  store.month = 3;
  store.day = 7;
  store.utcHour = 9;
  store.utcMinute = 5;
  store.utcSecond = 0;
  GpsStatusChange change = view.UpdateGpsStatus(store, Record("ZDA"));
  EXPECT_TRUE(change.texts);
  EXPECT_EQ(view.Texts().utcDate, "2024/03/07");
  EXPECT_EQ(view.Texts().utcTime, "09:05:00");
  EXPECT_EQ(view.Texts().latitude, "");  // positionValid is clear

  store.utcValid = 0;
  store.utcHour = 10;
  change = view.UpdateGpsStatus(store, Record("ZDA"));
  EXPECT_FALSE(change.texts);
  EXPECT_EQ(view.Texts().utcTime, "09:05:00");
}

TEST(GpsStatusTextTest, SatellitesUsedBeyondTheTwelveKeptIsNotReadPastThem) {
  // GGA may report more satellites in use than the twelve GSA entries kept, or none
  // at all (-128): the in-use test looks at the twelve entries at most.
  for (int used : {14, 127, -128}) {
    GpsStatusView view;
    GnssStore store{};
    store.satellitesUsed = static_cast<int8_t>(used);
    for (int k = 0; k < 12; ++k) store.usedSatellites[k] = static_cast<int8_t>(k + 1);
    store.gsvTotal = 1;
    store.gsvNumber = 1;
    store.gsvCount = 2;
    store.gsvId[0] = 3;
    store.gsvId[1] = 30;
    view.UpdateGpsStatus(store, Record("GSV"));
    view.UpdateGpsStatus(store, Record("GSV"));
    EXPECT_EQ(view.Bars()[0].colour, used > 0 ? BarColour::kLime : BarColour::kBlue) << used;
    EXPECT_EQ(view.Bars()[1].colour, BarColour::kBlue) << used;
  }
}

}  // namespace
}  // namespace pelyx::views
