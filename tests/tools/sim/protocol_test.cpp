// The receiver dialogue: codes, markers and line formats shared by the configuration
// code and the simulated receiver.
#include "config/receiver_protocol.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "codec/decoder.h"
#include "sim_test_support.h"

namespace pelyx::config {
namespace {

using sim::test::DbgCommand;
using sim::test::Decodes;
using sim::test::Text;

TEST(BaudRateCodes, MapBothWays) {
  struct Case {
    int32_t code;
    int32_t baud;
  };
  for (const Case& c : std::vector<Case>{{2, 38400}, {4, 9600}, {5, 4800}}) {
    EXPECT_EQ(BaudRateOfCode(c.code), c.baud);
    EXPECT_EQ(CodeOfBaudRate(c.baud), c.code);
  }
  for (int32_t code : {0, 1, 3, 6, 40, -2}) EXPECT_EQ(BaudRateOfCode(code), 0) << code;
  for (int32_t baud : {115200, 19200, 0}) EXPECT_EQ(CodeOfBaudRate(baud), -1) << baud;
  ASSERT_EQ(std::size(kBaudRateCodes), static_cast<size_t>(kBaudRateCodeCount));
  EXPECT_STREQ(kBaudRateCodes[0].item, "38400");
  EXPECT_STREQ(kBaudRateCodes[1].item, "9600");
  EXPECT_STREQ(kBaudRateCodes[2].item, "4800");
}

TEST(DbgPairs, AbsentByCodeOrValue) {
  EXPECT_TRUE(IsAbsentPair(999, 1));
  EXPECT_TRUE(IsAbsentPair(1000, 1));
  EXPECT_TRUE(IsAbsentPair(40, INT32_MIN));
  EXPECT_FALSE(IsAbsentPair(998, 0));
  EXPECT_FALSE(IsAbsentPair(kDbgProductInfo, 0));
}

// The commands the tool sends, as its composer writes them.
TEST(DbgCommands, WireFormsOfTheTool) {
  struct Case {
    std::string command;
    const char* body;
  };
  const std::vector<Case> cases = {
      {DbgCommand({{kDbgProductInfo, kProductInfoFull}}), "$PDBG,099,1,,,,,,"},
      {DbgCommand({{kDbgProductInfo, kProductInfoReset}}), "$PDBG,099,0,,,,,,"},
      {DbgCommand({{kDbgNmeaInBaud, 5}, {kDbgNmeaOutBaud, 5}}), "$PDBG,040,5,042,5,,,,"},
      {DbgCommand({{kDbgNmeaInBaud, 4}, {kDbgNmeaOutBaud, 2}}), "$PDBG,040,4,042,2,,,,"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.command, WithChecksum(c.body));
    EXPECT_TRUE(VerifyChecksum(c.command.c_str()));
  }
}

TEST(Checksum, IsTheXorBetweenStartAndStar) {
  EXPECT_EQ(SentenceChecksum("$PDBG,099,1,,,,,,"), 0x10);
  EXPECT_EQ(SentenceChecksum("$PDBG,099,1,,,,,,*FF"), 0x10);
  EXPECT_EQ(WithChecksum("$A"), "$A*41\r\n");
  EXPECT_EQ(SystemRestartSentence(), Text(SystemRestartLine()));
  EXPECT_EQ(SystemRestartSentence().substr(0, std::strlen(kSystemRestart) + 1),
            std::string(kSystemRestart) + "*");
  EXPECT_TRUE(VerifyChecksum((SystemRestartSentence() + "\r\n").c_str()));
}

TEST(ProductInfoLines, CarryTheirMarkerAndValue) {
  struct Case {
    std::string line;
    std::string expected;  // without "*hh" CR LF
  };
  const std::vector<Case> cases = {
      {FirmwareLine("1.02"), "$PTSK,R,TXT,FIRMWARE=1.02"},
      {SerialNoLine("AB123"), "$PTSK,R,TXT,SERIAL NO.=AB123"},
      {RxBaudRateLine(9600), "$PTSK,R,TXT,RX BAUD RATE=9600"},
      {TxBaudRateLine(4800), "$PTSK,R,TXT,TX BAUD RATE=4800"},
      {DaughterBoardLine(true), "$PTSK,R,TXT,DAUGHTER BOARD=1"},
      {DaughterBoardLine(false), "$PTSK,R,TXT,DAUGHTER BOARD=0"},
      {WifiStatusLine("OK"), "$PTSK,R,TXT,WIFI: OK"},
      {N2kStatusLine("NO BUS"), "$PTSK,R,TXT,N2K: NO BUS"},
      {WifiSsidLine("boat net"), "$PTSK,R,TXT,WIFI SSID=(boat net)"},
      {WifiSecurityLine(4), "$PTSK,R,TXT,WiFi SECURITY=(4)"},
      {WifiPasswordLine("12345678"), "$PTSK,R,TXT,WiFi PW=(12345678)"},
      {ProductInfoEndLine(), "$PTSK,R,TXT,PROD. INFO. END"},
      {SystemRestartLine(), "$PTSK,R,TXT,SYSTEM RESTART"},
  };
  for (const Case& c : cases) {
    ASSERT_GE(c.line.size(), 5u);
    EXPECT_EQ(c.line.substr(0, c.line.size() - 5), c.expected);
    EXPECT_EQ(c.line.substr(c.line.size() - 2), "\r\n");
    EXPECT_TRUE(VerifyChecksum(c.line.c_str())) << c.line;
    EXPECT_EQ(c.line.rfind(kTextPrefix, 0), 0u) << c.line;
    // The codec is not meant to decode the receiver's text lines.
    EXPECT_FALSE(Decodes(c.line)) << c.line;
  }
}

TEST(ProductInfoLines, LongValuesAreCutToTheLine) {
  const std::string longText(200, 'x');
  const std::vector<std::pair<const char*, std::string>> cases = {
      {kFirmwareMarker, FirmwareLine(longText)},
      {kSerialNoMarker, SerialNoLine(longText)},
      {kWifiStatusMarker, WifiStatusLine(longText)},
      {kN2kStatusMarker, N2kStatusLine(longText)},
      {kWifiSsidMarker, WifiSsidLine(longText)},
      {kWifiPasswordMarker, WifiPasswordLine(longText)},
  };
  for (const auto& [marker, line] : cases) {
    EXPECT_EQ(Text(line).size(), kMaxSentLine) << line;
    EXPECT_TRUE(VerifyChecksum(line.c_str())) << line;
    const size_t value = Text(line).size() - std::strlen(marker) - 3 -
                         (std::strncmp(marker, kTextPrefix, 12) == 0 ? 0 : 12) -
                         (marker[std::strlen(marker) - 1] == '(' ? 1 : 0);
    EXPECT_EQ(value, MaxValueLength(marker)) << marker;
  }
  const std::string passwordLine = WifiPasswordLine(longText);
  const std::string_view password = Text(passwordLine);
  EXPECT_EQ(password.substr(password.size() - 4, 2), ")*");
  EXPECT_EQ(MaxValueLength("NO SUCH MARKER="), 0u);
}

TEST(StaticDataLines, ArePlainText) {
  EXPECT_EQ(StaticDataBeginLine(), "[STATIC DATA]\r\n");
  EXPECT_EQ(StaticDataEndLine(), "[END OF STATIC DATA]\r\n");
  EXPECT_EQ(StaticDataLine("NAME", "X"), "NAME=X\r\n");
  EXPECT_EQ(Text(StaticDataLine("K", std::string(100, 'v'))).size(), kMaxSentLine);
}

TEST(Markers, TableListsEveryValueMarkerOnce) {
  const std::vector<std::pair<const char*, MarkerValue>> expected = {
      {"FIRMWARE=", MarkerValue::kToChecksum},
      {"RX BAUD RATE=", MarkerValue::kToChecksum},
      {"TX BAUD RATE=", MarkerValue::kToChecksum},
      {"SERIAL NO.=", MarkerValue::kToChecksum},
      {"DAUGHTER BOARD=", MarkerValue::kInteger},
      {"$PTSK,R,TXT,N2K: ", MarkerValue::kToChecksum},
      {"$PTSK,R,TXT,WIFI: ", MarkerValue::kToChecksum},
      {"$PTSK,R,TXT,WIFI SSID=(", MarkerValue::kToParenthesis},
      {"$PTSK,R,TXT,WiFi SECURITY=(", MarkerValue::kToParenthesis},
      {"$PTSK,R,TXT,WiFi PW=(", MarkerValue::kToParenthesis},
  };
  ASSERT_EQ(std::size(kProductInfoMarkers), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_STREQ(kProductInfoMarkers[i].text, expected[i].first);
    EXPECT_EQ(kProductInfoMarkers[i].value, expected[i].second) << expected[i].first;
  }
}

TEST(WifiSecurity, NamesOfTheCodes) {
  EXPECT_STREQ(WifiSecurityName(0), "Open");
  EXPECT_STREQ(WifiSecurityName(2), "WPA-PSK TKIP");
  EXPECT_STREQ(WifiSecurityName(4), "WPA2-PSK AES");
  EXPECT_EQ(WifiSecurityName(3), nullptr);
}

}  // namespace
}  // namespace pelyx::config
