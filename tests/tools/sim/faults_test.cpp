// The faults the simulated receiver commits on request, and that it commits none
// unasked.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "codec/decoder.h"
#include "config/receiver_protocol.h"
#include "sim_test_support.h"
#include "tools/sim/receiver.h"

namespace pelyx::sim {
namespace {

using test::Lines;
using test::RunFor;
using test::Text;
using test::ToolIntake;

constexpr Millis kTenSeconds = 9'999;

bool IsSentence(const std::string& line) {
  return line[0] == '$' || line[0] == '!';
}

TEST(Faults, GarbageLinesAreRandomBytesThatNeverDecode) {
  ReceiverConfig config = DefaultReceiverConfig();
  config.faults.garbageEvery = 1000;
  Receiver receiver(config);
  const std::vector<std::string> lines = Lines(RunFor(receiver, 0, kTenSeconds));
  ToolIntake intake;
  int garbage = 0;
  for (const std::string& line : lines) {
    const bool decoded = intake.Take(line);
    if (IsSentence(line)) {
      EXPECT_TRUE(decoded) << line;
      continue;
    }
    ++garbage;
    EXPECT_FALSE(decoded);
    bool unprintable = false;
    for (char c : Text(line)) unprintable |= static_cast<unsigned char>(c) < 32 || c > 126;
    EXPECT_TRUE(unprintable) << line;
    EXPECT_GE(Text(line).size(), 8u);
    EXPECT_LE(Text(line).size(), 40u);
  }
  EXPECT_EQ(garbage, 9);  // at 1 s, 2 s, ..., 9 s
  EXPECT_EQ(receiver.Counters().garbageLines, 9);
}

TEST(Faults, LongLinesExceedTheSentenceLimit) {
  ReceiverConfig config = DefaultReceiverConfig();
  config.faults.longLineEvery = 2000;
  Receiver receiver(config);
  const std::vector<std::string> lines = Lines(RunFor(receiver, 0, kTenSeconds));
  ToolIntake intake;
  int longLines = 0;
  for (const std::string& line : lines) {
    const bool decoded = intake.Take(line);
    if (line.size() > kMaxSentenceLength) {
      ++longLines;
      EXPECT_FALSE(decoded);
      EXPECT_TRUE(VerifyChecksum(line.c_str())) << line;  // well formed, only too long
      EXPECT_LE(line.size(), 122u);
    } else {
      EXPECT_LE(Text(line).size(), config::kMaxSentLine) << line;
      EXPECT_TRUE(decoded) << line;
    }
  }
  EXPECT_EQ(longLines, 4);
  EXPECT_EQ(receiver.Counters().longLines, 4);
}

TEST(Faults, BadChecksumsSpoilOneSentenceEach) {
  ReceiverConfig config = DefaultReceiverConfig();
  config.faults.badChecksumEvery = 1000;
  Receiver receiver(config);
  const std::vector<std::string> lines = Lines(RunFor(receiver, 0, kTenSeconds));
  ToolIntake intake;
  int bad = 0;
  for (const std::string& line : lines) {
    const bool decoded = intake.Take(line);
    if (VerifyChecksum(line.c_str())) {
      EXPECT_TRUE(decoded) << line;
      continue;
    }
    ++bad;
    EXPECT_FALSE(decoded) << line;
    // With its checksum put right, the sentence decodes.
    const std::string repaired = config::WithChecksum(Text(line).substr(0, line.size() - 5));
    EXPECT_TRUE(test::Decodes(repaired)) << repaired;
  }
  EXPECT_EQ(bad, 9);
  EXPECT_EQ(receiver.Counters().badChecksums, 9);
}

TEST(Faults, NoFaultsUnasked) {
  Receiver receiver(DefaultReceiverConfig());
  const std::vector<std::string> lines = Lines(RunFor(receiver, 0, 30'000));
  for (const std::string& line : lines) {
    EXPECT_TRUE(IsSentence(line)) << line;
    EXPECT_TRUE(VerifyChecksum(line.c_str())) << line;
    EXPECT_LE(Text(line).size(), config::kMaxSentLine) << line;
  }
  const ReceiverCounters& c = receiver.Counters();
  EXPECT_EQ(c.garbageLines + c.longLines + c.badChecksums + c.fillerMessages, 0);
}

TEST(Faults, FullRateFillsTheLine) {
  for (int32_t baud : {38400, 115200}) {
    ReceiverConfig config = DefaultReceiverConfig();
    config.faults.fullRateBaud = baud;
    Receiver receiver(config);
    const std::string out = RunFor(receiver, 0, 10'000, 10);
    const double budget = baud / 10.0 * 10.0;  // ten bits a byte, ten seconds
    EXPECT_GE(static_cast<double>(out.size()), budget * 0.98) << baud;
    EXPECT_LE(static_cast<double>(out.size()), budget + 2000) << baud;
    EXPECT_GT(receiver.Counters().fillerMessages, 0);

    ToolIntake intake;
    int gga = 0;
    for (const std::string& line : Lines(out)) {
      EXPECT_TRUE(intake.Take(line)) << line;
      EXPECT_LE(Text(line).size(), config::kMaxSentLine) << line;
      gga += line.rfind("$GPGGA,", 0) == 0 ? 1 : 0;
    }
    // The regular stream goes on among the filler, which brings many more stations.
    EXPECT_EQ(gga, 11) << baud;
    EXPECT_GT(intake.Targets().count(), 100);
  }
}

TEST(Faults, FullRateIsEvenOverTime) {
  ReceiverConfig config = DefaultReceiverConfig();
  config.faults.fullRateBaud = 115200;
  Receiver receiver(config);
  RunFor(receiver, 0, 1000, 10);
  for (Millis t = 1000; t < 5000; t += 1000) {
    const size_t second = RunFor(receiver, t + 10, t + 1000, 10).size();
    EXPECT_NEAR(static_cast<double>(second), 11520.0, 700.0) << t;
  }
}

TEST(Faults, FullRateStaysQuietDuringARestart) {
  ReceiverConfig config = DefaultReceiverConfig();
  config.faults.fullRateBaud = 115200;
  Receiver receiver(config);
  RunFor(receiver, 0, 2000, 10);
  receiver.HandleLine(test::DbgCommand({{40, 5}}), 2000);
  EXPECT_EQ(receiver.TakeOutput(), config::SystemRestartLine());
  EXPECT_EQ(RunFor(receiver, 2000, 6990, 10), "");
  // No burst of what the silence would have carried.
  const size_t after = RunFor(receiver, 7000, 8000, 10).size();
  EXPECT_NEAR(static_cast<double>(after), 11520.0, 1000.0);
}

}  // namespace
}  // namespace pelyx::sim
