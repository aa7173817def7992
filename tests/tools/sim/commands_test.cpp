// The receiver's side of the dialogue: the product information, the static-data
// listing, the baud-rate settings and the restart, driven by the tool's own commands.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "codec/decoder.h"
#include "config/receiver_protocol.h"
#include "sim_test_support.h"
#include "tools/sim/receiver.h"

namespace pelyx::sim {
namespace {

using test::DbgCommand;
using test::Lines;
using test::RunFor;
using test::Text;

// The receiver's answers and announcements, without the stream.
ReceiverConfig Quiet() {
  ReceiverConfig config = DefaultReceiverConfig();
  config.on.gnss = false;
  config.on.ais = false;
  config.on.ownShip = false;
  return config;
}

std::string Ask(Receiver& receiver, const std::string& line, Millis at) {
  receiver.Advance(at);
  receiver.TakeOutput();
  receiver.HandleLine(line, at);
  return receiver.TakeOutput();
}

// Index of the first line that contains `text` at or after `from`, or -1.
int Find(const std::vector<std::string>& lines, const std::string& text, size_t from = 0) {
  for (size_t i = from; i < lines.size(); ++i) {
    if (lines[i].find(text) != std::string::npos) return static_cast<int>(i);
  }
  return -1;
}

const char* const kProductInfoOrder[] = {
    config::kFirmwareMarker,     config::kSerialNoMarker,      config::kRxBaudRateMarker,
    config::kTxBaudRateMarker,   config::kDaughterBoardMarker, config::kWifiStatusMarker,
    config::kN2kStatusMarker,    config::kWifiSsidMarker,      config::kWifiSecurityMarker,
    config::kWifiPasswordMarker, config::kProductInfoEnd,
};

TEST(ProductInfo, AnswerCarriesTheMarkersInOrderAndEnds) {
  for (int value : {config::kProductInfoFull, config::kProductInfoReset}) {
    Receiver receiver(Quiet());
    const std::vector<std::string> lines =
        Lines(Ask(receiver, DbgCommand({{config::kDbgProductInfo, value}}), 1000));
    int previous = -1;
    for (const char* marker : kProductInfoOrder) {
      const int at = Find(lines, marker);
      ASSERT_GE(at, 0) << marker;
      EXPECT_EQ(at, previous + 1) << marker;
      previous = at;
    }
    const int end = Find(lines, config::kProductInfoEnd);
    EXPECT_EQ(Text(lines[static_cast<size_t>(end)]), Text(config::ProductInfoEndLine()));
    for (int i = 0; i <= end; ++i) {
      const std::string& line = lines[static_cast<size_t>(i)];
      EXPECT_EQ(line.rfind(config::kTextPrefix, 0), 0u) << line;
      EXPECT_TRUE(VerifyChecksum(line.c_str())) << line;
      EXPECT_LE(Text(line).size(), config::kMaxSentLine) << line;
      EXPECT_FALSE(test::Decodes(line)) << line;  // text lines: not for the codec
    }
    // Value 1 adds the static-data listing after the end line, value 0 does not.
    const int begin = Find(lines, config::kStaticDataBegin);
    if (value == config::kProductInfoFull) {
      EXPECT_EQ(begin, end + 1);
      EXPECT_EQ(Text(lines.back()), config::kStaticDataEnd);
    } else {
      EXPECT_EQ(begin, -1);
      EXPECT_EQ(static_cast<int>(lines.size()), end + 1);
    }
    EXPECT_EQ(receiver.Counters().answers, 1);
  }
}

TEST(ProductInfo, ReportsTheConfiguredValues) {
  ReceiverConfig config = Quiet();
  config.device.firmware = "1.0";
  config.device.serialNumber = "AB123";
  config.device.nmeaInBaud = 38400;
  config.device.nmeaOutBaud = 4800;
  config.device.daughterBoard = false;
  config.device.staticData = {{"NAME", "X"}, {"MMSI", "1"}};
  Receiver receiver(config);
  const std::string out = Ask(receiver, DbgCommand({{99, 1}}), 0);
  std::string expected = config::FirmwareLine("1.0") + config::SerialNoLine("AB123") +
                         config::RxBaudRateLine(38400) + config::TxBaudRateLine(4800) +
                         config::DaughterBoardLine(false) + config::ProductInfoEndLine() +
                         "[STATIC DATA]\r\nNAME=X\r\nMMSI=1\r\n[END OF STATIC DATA]\r\n";
  EXPECT_EQ(out, expected);
  EXPECT_NE(out.find("$PTSK,R,TXT,SERIAL NO.=AB123*"), std::string::npos);
  EXPECT_NE(out.find("$PTSK,R,TXT,TX BAUD RATE=4800*"), std::string::npos);
}

TEST(ProductInfo, WifiLinesFollowTheSecurity) {
  struct Case {
    int security;
    bool passwordLine;
  };
  for (const Case& c : std::vector<Case>{{0, false}, {2, true}, {4, true}}) {
    ReceiverConfig config = Quiet();
    config.device.wifiSecurity = c.security;
    config.device.wifiSsid = "MY BOAT";
    config.device.wifiPassword = "secret12";
    Receiver receiver(config);
    const std::string out = Ask(receiver, DbgCommand({{99, 0}}), 0);
    EXPECT_NE(out.find(config::WifiSsidLine("MY BOAT")), std::string::npos);
    EXPECT_NE(out.find(config::WifiSecurityLine(c.security)), std::string::npos);
    EXPECT_EQ(out.find(config::WifiPasswordLine("secret12")) != std::string::npos, c.passwordLine)
        << c.security;
  }
}

TEST(ProductInfo, EnvelopeFormAndBareLineAreAnswered) {
  for (const std::string& command :
       {DbgCommand({{99, 1}}, 'C'), std::string("$PDBG,099,1,,,,,,*10"),
        std::string("$PDBG,099,1,,,,,,*10\r\n"), config::WithChecksum("$PTSK,C,DBG,099,0,,,,,,")}) {
    Receiver receiver(Quiet());
    const std::string out = Ask(receiver, command, 0);
    EXPECT_NE(out.find(config::ProductInfoEndLine()), std::string::npos) << command;
  }
}

TEST(Commands, MalformedOrForeignLinesAreIgnored) {
  std::string badChecksum = DbgCommand({{99, 1}});
  badChecksum[badChecksum.size() - 3] = badChecksum[badChecksum.size() - 3] == '0' ? '1' : '0';
  std::string badBaud = DbgCommand({{40, 5}, {42, 5}});
  badBaud[badBaud.size() - 4] ^= 1;
  const std::vector<std::string> ignored = {
      badChecksum,
      badBaud,
      "$PDBG,099,1,,,,,,\r\n",    // no checksum
      "PDBG,099,1,,,,,,*10\r\n",  // no start character
      DbgCommand({{98, 1}}),      // unknown code
      DbgCommand({{99, 2}}),      // product information value 2
      DbgCommand({{40, 3}}),      // no such baud-rate code
      DbgCommand({{42, 1}}),
      DbgCommand({}),                              // four absent pairs
      config::WithChecksum("$PDBG,099,1,,,,"),     // too few fields
      config::WithChecksum("$GPGGA,099,1,,,,,,"),  // another formatter
      config::WithChecksum("$PTSK,R,TXT,DBG,099,1"),
      std::string(300, 'x') + "\r\n",
      "",
  };
  for (const std::string& line : ignored) {
    Receiver receiver(Quiet());
    EXPECT_EQ(Ask(receiver, line, 1000), "") << line;
    EXPECT_EQ(receiver.Counters().commands, 0) << line;
    EXPECT_EQ(receiver.Counters().ignoredLines, 1) << line;
    EXPECT_EQ(receiver.Device().nmeaInBaud, 38400) << line;
    EXPECT_EQ(receiver.Device().nmeaOutBaud, 38400) << line;
    EXPECT_FALSE(receiver.Restarting(1000)) << line;
  }
}

TEST(Commands, ReceivedBytesAreCutIntoLines) {
  Receiver receiver(Quiet());
  const std::string command = DbgCommand({{99, 0}});
  receiver.Receive("noise\r\n" + command.substr(0, 7), 0);
  EXPECT_EQ(receiver.TakeOutput(), "");
  receiver.Receive(command.substr(7), 10);
  EXPECT_NE(receiver.TakeOutput().find(config::kProductInfoEnd), std::string::npos);
  EXPECT_EQ(receiver.Counters().ignoredLines, 1);
  EXPECT_EQ(receiver.Counters().commands, 1);
}

TEST(BaudRate, RestartsSilentlyAndReportsTheNewRates) {
  struct Case {
    int inCode, outCode;
    int32_t inBaud, outBaud;
  };
  for (const Case& c :
       std::vector<Case>{{5, 5, 4800, 4800}, {4, 2, 9600, 38400}, {2, 4, 38400, 9600}}) {
    ReceiverConfig config = DefaultReceiverConfig();
    config.device.nmeaInBaud = 115200;
    config.device.nmeaOutBaud = 115200;
    Receiver receiver(config);
    RunFor(receiver, 0, 10'200);
    // The announcement comes at once, as the complete sentence with its checksum.
    const std::string announced =
        Ask(receiver, DbgCommand({{40, c.inCode}, {42, c.outCode}}), 10'200);
    EXPECT_EQ(announced, config::SystemRestartSentence() + "\r\n");
    EXPECT_EQ(receiver.Counters().restarts, 1);
    EXPECT_TRUE(receiver.Restarting(10'200));

    // Silence for the restart time: no stream, and commands go unanswered.
    std::string silent = RunFor(receiver, 10'200, 12'000);
    receiver.HandleLine(DbgCommand({{99, 1}}), 12'000);
    silent += RunFor(receiver, 12'000, 15'199, 50);
    EXPECT_EQ(silent, "");
    EXPECT_EQ(receiver.Counters().answers, 0);

    // Back after 5 s: first the product information with the new rates, then the stream.
    const std::vector<std::string> back = Lines(RunFor(receiver, 15'200, 15'200));
    ASSERT_FALSE(back.empty());
    EXPECT_EQ(back[0], config::FirmwareLine(config.device.firmware));
    EXPECT_NE(Find(back, config::RxBaudRateLine(c.inBaud)), -1);
    EXPECT_NE(Find(back, config::TxBaudRateLine(c.outBaud)), -1);
    EXPECT_EQ(Find(back, "115200"), -1);
    EXPECT_EQ(receiver.Device().nmeaInBaud, c.inBaud);
    EXPECT_EQ(receiver.Device().nmeaOutBaud, c.outBaud);
    const std::vector<std::string> later = Lines(RunFor(receiver, 15'200, 16'100));
    EXPECT_NE(Find(later, "$GPGGA"), -1);
    EXPECT_NE(Find(later, "!AIVDO"), -1);

    // Asked again, it reports the new rates too.
    const std::string answer = Ask(receiver, DbgCommand({{99, 0}}), 16'200);
    EXPECT_NE(answer.find(config::RxBaudRateLine(c.inBaud)), std::string::npos);
    EXPECT_NE(answer.find(config::TxBaudRateLine(c.outBaud)), std::string::npos);
  }
}

TEST(BaudRate, OnePortAloneRestartsAndKeepsTheOther) {
  Receiver receiver(Quiet());
  EXPECT_EQ(Ask(receiver, DbgCommand({{42, 4}}), 0), config::SystemRestartLine());
  EXPECT_EQ(receiver.Device().nmeaInBaud, 38400);
  EXPECT_EQ(receiver.Device().nmeaOutBaud, 9600);
}

TEST(BaudRate, RestartTimeIsConfigurable) {
  for (Millis restart : {Millis{0}, Millis{2000}, Millis{8000}}) {
    ReceiverConfig config = Quiet();
    config.restartTime = restart;
    Receiver receiver(config);
    Ask(receiver, DbgCommand({{40, 5}, {42, 5}}), 1000);
    if (restart > 0) {
      EXPECT_EQ(RunFor(receiver, 1000, 1000 + restart - 1), "") << restart;
    }
    const std::string back = RunFor(receiver, 1000 + restart, 1000 + restart);
    EXPECT_NE(back.find(config::RxBaudRateLine(4800)), std::string::npos) << restart;
    EXPECT_FALSE(receiver.Restarting(1000 + restart));
  }
}

TEST(BaudRate, SettingsAndReportCanBeSwitchedOff) {
  ReceiverConfig config = Quiet();
  config.on.settings = false;
  Receiver off(config);
  EXPECT_EQ(Ask(off, DbgCommand({{40, 5}, {42, 5}}), 0), "");
  EXPECT_EQ(off.Device().nmeaInBaud, 38400);
  EXPECT_EQ(off.Counters().restarts, 0);

  config = Quiet();
  config.on.restartReport = false;
  Receiver quiet(config);
  EXPECT_EQ(Ask(quiet, DbgCommand({{40, 5}}), 0), config::SystemRestartLine());
  EXPECT_EQ(RunFor(quiet, 0, 6000), "");
  EXPECT_FALSE(quiet.Restarting(6000));
}

TEST(Behaviour, ProductInfoAndListingCanBeSwitchedOff) {
  ReceiverConfig config = Quiet();
  config.on.staticData = false;
  Receiver noListing(config);
  const std::string out = Ask(noListing, DbgCommand({{99, 1}}), 0);
  EXPECT_NE(out.find(config::kProductInfoEnd), std::string::npos);
  EXPECT_EQ(out.find(config::kStaticDataBegin), std::string::npos);

  config = Quiet();
  config.on.productInfo = false;
  Receiver silent(config);
  EXPECT_EQ(Ask(silent, DbgCommand({{99, 1}}), 0), "");
}

TEST(Faults, MuteNeverAnswers) {
  ReceiverConfig config = Quiet();
  config.faults.mute = true;
  Receiver receiver(config);
  EXPECT_EQ(Ask(receiver, DbgCommand({{99, 1}}), 0), "");
  EXPECT_EQ(Ask(receiver, DbgCommand({{40, 5}, {42, 5}}), 100), "");
  EXPECT_EQ(RunFor(receiver, 100, 30'000), "");
  EXPECT_EQ(receiver.Device().nmeaInBaud, 38400);
  EXPECT_EQ(receiver.Counters().ignoredLines, 2);
}

TEST(Faults, LateAnswersComeAfterTheDelay) {
  for (Millis delay : {Millis{300}, Millis{1500}, Millis{9000}}) {
    ReceiverConfig config = Quiet();
    config.faults.answerDelay = delay;
    Receiver receiver(config);
    EXPECT_EQ(Ask(receiver, DbgCommand({{99, 1}}), 1000), "");
    EXPECT_EQ(RunFor(receiver, 1000, 1000 + delay - 1, 7), "") << delay;
    const std::string answer = RunFor(receiver, 1000 + delay, 1000 + delay);
    EXPECT_NE(answer.find(config::kProductInfoEnd), std::string::npos) << delay;
    EXPECT_NE(answer.find(config::kStaticDataEnd), std::string::npos) << delay;
  }
}

TEST(Faults, LateSettingRestartsLate) {
  ReceiverConfig config = Quiet();
  config.faults.answerDelay = 2000;
  Receiver receiver(config);
  EXPECT_EQ(Ask(receiver, DbgCommand({{40, 4}}), 0), "");
  EXPECT_EQ(receiver.Device().nmeaInBaud, 38400);
  EXPECT_EQ(RunFor(receiver, 0, 2000), config::SystemRestartLine());
  EXPECT_EQ(receiver.Device().nmeaInBaud, 9600);
  EXPECT_TRUE(receiver.Restarting(6999));
  EXPECT_FALSE(receiver.Restarting(7000));
}

}  // namespace
}  // namespace pelyx::sim
