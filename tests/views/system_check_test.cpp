#include "views/system_check.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace pelyx::views {
namespace {

class RecordingHost : public SystemCheckHost {
 public:
  void ShowSystemCheck(const SystemCheckTexts& texts) override {
    calls.push_back("show");
    shown.push_back(texts);
  }
  void ClearDaughterBoardTexts() override { calls.push_back("clear"); }
  void RequestProductInfo(int32_t value, bool captureStatic) override {
    calls.push_back("request " + std::to_string(value) + (captureStatic ? " capture" : ""));
  }
  void AdvanceRestartWait() override { calls.push_back("restart wait"); }

  std::vector<std::string> calls;
  std::vector<SystemCheckTexts> shown;
};

class SystemCheckTest : public testing::Test {
 protected:
  void Reported() {
    std::strcpy(product.firmwareVersion, "V1.02.003");
    std::strcpy(product.serialNumber, "PX1234567");
    product.firmwareKnown = true;
    product.serialKnown = true;
    product.wifiReported = true;
    product.n2kReported = true;
  }

  config::ProductInfo product{};
  GnssStore gnss{};
  ais::ReceptionCounters counters;
  RecordingHost host;
  SystemCheck check{product, gnss, counters, host};
};

using Images = std::array<int, kSystemCheckRows>;

TEST_F(SystemCheckTest, BeforeAnyProductInformation) {
  check.UpdateCheckImages();
  EXPECT_EQ(check.Texts().images, Images{});
  check.Tick();
  ASSERT_EQ(host.shown.size(), 1u);
  const SystemCheckTexts& t = host.shown[0];
  EXPECT_EQ(t.firmwareVersion, "---------");
  EXPECT_EQ(t.serialNumber, "---------");
  EXPECT_EQ(t.gps, "Lost");
  EXPECT_EQ(t.receivedA, "0");
  EXPECT_EQ(t.receivedB, "0");
  EXPECT_EQ(t.images, Images{});
}

TEST_F(SystemCheckTest, TickShowsThenStepsTheRestartWaitLast) {
  check.Tick();
  check.Tick();
  EXPECT_EQ(host.calls, (std::vector<std::string>{"show", "restart wait", "show", "restart wait"}));
}

struct RowCase {
  const char* name;
  void (*set)(config::ProductInfo&, GnssStore&, ais::ReceptionCounters&);
  Images images;
};

class SystemCheckRowTest : public SystemCheckTest, public testing::WithParamInterface<RowCase> {};

TEST_P(SystemCheckRowTest, EachRowPassesOnItsOwnCondition) {
  GetParam().set(product, gnss, counters);
  check.Tick();
  EXPECT_EQ(host.shown.back().images, GetParam().images);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SystemCheckRowTest,
    testing::Values(
        RowCase{
            "firmware", [](auto& p, auto&, auto&) { p.firmwareKnown = true; }, {1, 0, 0, 0, 0, 0}},
        RowCase{"serial", [](auto& p, auto&, auto&) { p.serialKnown = true; }, {0, 1, 0, 0, 0, 0}},
        RowCase{"wifi", [](auto& p, auto&, auto&) { p.wifiReported = true; }, {0, 0, 1, 0, 0, 0}},
        RowCase{
            "nmea2000", [](auto& p, auto&, auto&) { p.n2kReported = true; }, {0, 0, 0, 1, 0, 0}},
        RowCase{"gps", [](auto&, auto& g, auto&) { g.positionValid = 1; }, {0, 0, 0, 0, 1, 0}},
        RowCase{"channel_a", [](auto&, auto&, auto& c) { c.channelA = 1; }, {0, 0, 0, 0, 0, 1}},
        RowCase{"channel_b", [](auto&, auto&, auto& c) { c.channelB = 3; }, {0, 0, 0, 0, 0, 1}},
        RowCase{"counters_at_limit",
                [](auto&, auto&, auto& c) {
                  c.channelA = INT32_MAX;
                  c.channelB = INT32_MAX;
                },
                {0, 0, 0, 0, 0, 1}},
        RowCase{"daughter_board_only",
                [](auto& p, auto&, auto&) { p.daughterBoard = true; },
                {0, 0, 0, 0, 0, 0}}),
    [](const testing::TestParamInfo<RowCase>& info) { return info.param.name; });

TEST_F(SystemCheckTest, ReportedValuesAndCounts) {
  Reported();
  gnss.positionValid = 1;
  counters.channelA = 12;
  counters.channelB = 345;
  check.Tick();
  const SystemCheckTexts& t = host.shown.back();
  EXPECT_EQ(t.firmwareVersion, "V1.02.003");
  EXPECT_EQ(t.serialNumber, "PX1234567");
  EXPECT_EQ(t.gps, "Fixed");
  EXPECT_EQ(t.receivedA, "12");
  EXPECT_EQ(t.receivedB, "345");
  EXPECT_EQ(t.images, (Images{1, 1, 1, 1, 1, 1}));
}

TEST_F(SystemCheckTest, TextOfFullWidthStopsAtTheField) {
  // A firmware text that fills its field without NUL is shown cut to the field.
  std::memset(product.firmwareVersion, 'F', sizeof product.firmwareVersion);
  product.firmwareKnown = true;
  check.Tick();
  EXPECT_EQ(host.shown.back().firmwareVersion, std::string(sizeof product.firmwareVersion, 'F'));
}

TEST_F(SystemCheckTest, FlagClearedShowsDashesAgainAlthoughTheTextStays) {
  Reported();
  check.Tick();
  product.serialKnown = false;
  check.Tick();
  EXPECT_EQ(host.shown.back().firmwareVersion, "V1.02.003");
  EXPECT_EQ(host.shown.back().serialNumber, "---------");
}

TEST_F(SystemCheckTest, ResetClearsAndTicksAtOnceAndRequestsOneSecondLater) {
  Reported();
  gnss.positionValid = 1;
  counters.channelA = 5;
  counters.channelB = 6;
  check.Tick();
  host.calls.clear();

  check.Reset();
  EXPECT_EQ(counters.channelA, 0);
  EXPECT_EQ(counters.channelB, 0);
  EXPECT_FALSE(product.firmwareKnown);
  EXPECT_FALSE(product.serialKnown);
  EXPECT_FALSE(product.wifiReported);
  EXPECT_FALSE(product.n2kReported);
  // Nothing asked of the receiver yet: the request waits for the timer.
  EXPECT_EQ(host.calls, (std::vector<std::string>{"clear", "show", "restart wait"}));
  EXPECT_TRUE(check.ResetPending());
  const SystemCheckTexts& t = host.shown.back();
  EXPECT_EQ(t.firmwareVersion, "---------");
  EXPECT_EQ(t.serialNumber, "---------");
  EXPECT_EQ(t.receivedA, "0");
  EXPECT_EQ(t.receivedB, "0");
  EXPECT_EQ(t.images, (Images{0, 0, 0, 0, 1, 0}));  // the GPS fix is not the receiver's answer

  check.FireResetRequest();
  EXPECT_EQ(host.calls.back(), "request 0");
  EXPECT_FALSE(check.ResetPending());
}

TEST_F(SystemCheckTest, TimerWithoutPendingResetRequestsNothing) {
  check.FireResetRequest();
  check.Reset();
  check.Reset();  // pressed twice before the timer fired
  check.FireResetRequest();
  check.FireResetRequest();
  int requests = 0;
  for (const std::string& call : host.calls) requests += call.rfind("request", 0) == 0;
  EXPECT_EQ(requests, 1);
}

TEST_F(SystemCheckTest, TicksWhileTheResetWaitsGoOn) {
  check.Reset();
  host.calls.clear();
  check.Tick();
  EXPECT_EQ(host.calls, (std::vector<std::string>{"show", "restart wait"}));
  EXPECT_TRUE(check.ResetPending());
}

}  // namespace
}  // namespace pelyx::views
