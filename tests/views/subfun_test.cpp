#include "views/subfun.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace pelyx::views {
namespace {

constexpr const char* kDeg = "\xC2\xB0";

struct SplitCase {
  float value;
  int degrees;
  int minutes;
  int seconds;
};

class ToDegMinSecTest : public testing::TestWithParam<SplitCase> {};

TEST_P(ToDegMinSecTest, TruncatesEachPart) {
  const SplitCase& c = GetParam();
  DegMinSec parts = ToDegMinSec(c.value);
  EXPECT_EQ(parts.degrees, c.degrees);
  EXPECT_EQ(parts.minutes, c.minutes);
  EXPECT_EQ(parts.seconds, c.seconds);
}

INSTANTIATE_TEST_SUITE_P(
    Values, ToDegMinSecTest,
    testing::Values(SplitCase{25.0333f, 25, 1, 59},     // 59.88" truncated, not rounded
                    SplitCase{121.5f, 121, 30, 0},      //
                    SplitCase{-0.5f, 0, 30, 0},         // degrees truncate toward zero
                    SplitCase{-33.8568f, -33, 51, 24},  // 51'24.48"
                    SplitCase{0.0f, 0, 0, 0},           //
                    SplitCase{179.99999f, 179, 59, 59}, SplitCase{-179.75f, -179, 45, 0},  //
                    SplitCase{181.0f, 181, 0, 0},  // the not-available longitude
                    SplitCase{91.0f, 91, 0, 0}));

struct OddCase {
  float value;
  int degrees;
};

class ToDegMinSecOddTest : public testing::TestWithParam<OddCase> {};

TEST_P(ToDegMinSecOddTest, StaysInRange) {
  DegMinSec parts = ToDegMinSec(GetParam().value);
  EXPECT_EQ(parts.degrees, GetParam().degrees);
  EXPECT_LT(parts.minutes, 60);
  EXPECT_LT(parts.seconds, 60);
}

INSTANTIATE_TEST_SUITE_P(Values, ToDegMinSecOddTest,
                         testing::Values(OddCase{std::numeric_limits<float>::quiet_NaN(), 0},
                                         OddCase{std::numeric_limits<float>::infinity(), 0},
                                         OddCase{1.0e9f, 32767}, OddCase{-1.0e9f, -32768}));

struct PositionCase {
  float longitude;
  float latitude;
  std::string longitudeText;
  std::string latitudeText;
};

class FormatPositionTest : public testing::TestWithParam<PositionCase> {};

TEST_P(FormatPositionTest, WritesDegreesMinutesSecondsAndHemisphere) {
  const PositionCase& c = GetParam();
  for (int language : {0, 1, 2}) {
    PositionTexts texts = FormatPosition(c.longitude, c.latitude, language);
    EXPECT_EQ(texts.longitude, c.longitudeText) << "language " << language;
    EXPECT_EQ(texts.latitude, c.latitudeText) << "language " << language;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Values, FormatPositionTest,
    testing::Values(PositionCase{121.5f, 25.0333f, std::string("121") + kDeg + "30'00\"E",
                                 std::string(" 25") + kDeg + "01'59\"N"},
                    PositionCase{-0.5f, -0.5f, std::string("  0") + kDeg + "30'00\"W",
                                 std::string("  0") + kDeg + "30'00\"S"},
                    PositionCase{0.0f, 0.0f, std::string("  0") + kDeg + "00'00\"E",
                                 std::string("  0") + kDeg + "00'00\"N"},
                    PositionCase{-122.4194f, -33.8568f, std::string("122") + kDeg + "25'09\"W",
                                 std::string(" 33") + kDeg + "51'24\"S"}));

}  // namespace
}  // namespace pelyx::views
