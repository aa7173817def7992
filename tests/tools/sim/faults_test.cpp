// The faults the simulated receiver commits on request, and that it commits none
// unasked.
#include <gtest/gtest.h>

#include <algorithm>
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

// The product-information lines of each answer the receiver gives.
std::vector<std::string> AnswerLines(const std::string& out) {
  std::vector<std::string> kept;
  for (const std::string& line : Lines(out)) {
    if (line.rfind(config::kTextPrefix, 0) == 0) kept.push_back(line);
  }
  return kept;
}

bool Holds(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// FIRMWARE and SERIAL NO. left out of the first answers or of all; the restart report
// counts as an answer.
TEST(Faults, DroppedProductInfoLines) {
  struct Case {
    const char* name;
    int dropFirmware;
    int dropSerial;
    std::vector<bool> firmwareSent;  // per answer: the two requests, then the restart report
    std::vector<bool> serialSent;
  };
  const Case cases[] = {
      {"none", 0, 0, {true, true, true}, {true, true, true}},
      {"firmware of the first", 1, 0, {false, true, true}, {true, true, true}},
      {"serial of the first two", 0, 2, {true, true, true}, {false, false, true}},
      {"firmware always", kAlways, 0, {false, false, false}, {true, true, true}},
      {"both always", kAlways, kAlways, {false, false, false}, {false, false, false}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ReceiverConfig config = DefaultReceiverConfig();
    config.on.gnss = config.on.ais = config.on.ownShip = false;
    config.faults.dropFirmwareAnswers = c.dropFirmware;
    config.faults.dropSerialAnswers = c.dropSerial;
    config.restartTime = 1000;
    Receiver receiver(config);
    const DeviceInfo& d = receiver.Device();
    std::vector<std::vector<std::string>> answers;
    for (int i = 0; i < 2; ++i) {
      receiver.HandleLine(test::DbgCommand({{config::kDbgProductInfo, 1}}), 1000 * i);
      answers.push_back(AnswerLines(receiver.TakeOutput()));
    }
    receiver.HandleLine(test::DbgCommand({{config::kDbgNmeaInBaud, 4}}), 2000);
    ASSERT_EQ(receiver.TakeOutput(), config::SystemRestartLine());
    answers.push_back(AnswerLines(RunFor(receiver, 2000, 3500)));
    ASSERT_EQ(receiver.Counters().restarts, 1);
    ASSERT_EQ(answers.size(), c.firmwareSent.size());
    for (size_t i = 0; i < answers.size(); ++i) {
      EXPECT_EQ(Holds(answers[i], config::FirmwareLine(d.firmware)), c.firmwareSent[i]) << i;
      EXPECT_EQ(Holds(answers[i], config::SerialNoLine(d.serialNumber)), c.serialSent[i]) << i;
      EXPECT_TRUE(Holds(answers[i], config::ProductInfoEndLine())) << i;
      EXPECT_TRUE(Holds(answers[i], config::RxBaudRateLine(i < 2 ? 38400 : 9600))) << i;
    }
    EXPECT_EQ(receiver.Counters().productInfoSent, 3);
  }
}

TEST(Faults, DroppedRestartAnnouncement) {
  for (bool drop : {false, true}) {
    SCOPED_TRACE(drop ? "dropped" : "announced");
    ReceiverConfig config = DefaultReceiverConfig();
    config.faults.dropRestartAnnouncement = drop;
    config.restartTime = 1000;
    Receiver receiver(config);
    RunFor(receiver, 0, 2000);
    receiver.HandleLine(test::DbgCommand({{config::kDbgNmeaInBaud, 5}}), 2000);
    const std::string announced = receiver.TakeOutput();
    EXPECT_EQ(announced, drop ? "" : config::SystemRestartLine());
    // The restart happens all the same: silence, then the report with the new rate.
    EXPECT_EQ(receiver.Counters().restarts, 1);
    EXPECT_EQ(RunFor(receiver, 2000, 2990), "");
    EXPECT_NE(RunFor(receiver, 3000, 3100).find(config::RxBaudRateLine(4800)), std::string::npos);
  }
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
