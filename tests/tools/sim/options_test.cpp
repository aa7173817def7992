// The command line of pelyx-sim.
#include "tools/sim/options.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace pelyx::sim {
namespace {

struct Good {
  std::vector<std::string> args;
  std::function<void(const SimOptions&)> check;
};

TEST(Options, AcceptedCommandLines) {
  const std::vector<Good> cases = {
      {{"--pty"},
       [](const SimOptions& o) {
         EXPECT_TRUE(o.pty);
         EXPECT_TRUE(o.ptyLink.empty());
         EXPECT_FALSE(o.tcp);
         EXPECT_EQ(o.runFor, -1);
       }},
      {{"--pty", "/tmp/pelyx0", "--tcp", "0"},
       [](const SimOptions& o) {
         EXPECT_EQ(o.ptyLink, "/tmp/pelyx0");
         EXPECT_TRUE(o.tcp);
         EXPECT_EQ(o.tcpPort, 0);
       }},
      {{"--pty", "--tcp", "3333", "--seconds", "2.5"},
       [](const SimOptions& o) {
         EXPECT_TRUE(o.ptyLink.empty());
         EXPECT_EQ(o.tcpPort, 3333);
         EXPECT_EQ(o.runFor, 2500);
       }},
      {{"--tcp", "0", "--no-gnss", "--no-ais", "--no-own-ship", "--no-product-info",
        "--no-static-data", "--no-settings", "--no-restart-report"},
       [](const SimOptions& o) {
         const Behaviour& b = o.receiver.on;
         EXPECT_FALSE(b.gnss || b.ais || b.ownShip || b.productInfo || b.staticData || b.settings ||
                      b.restartReport);
       }},
      {{"--tcp", "0"},
       [](const SimOptions& o) {
         const Behaviour& b = o.receiver.on;
         EXPECT_TRUE(b.gnss && b.ais && b.ownShip && b.productInfo && b.staticData && b.settings &&
                     b.restartReport);
         const Faults& f = o.receiver.faults;
         EXPECT_FALSE(f.mute);
         EXPECT_EQ(f.answerDelay + f.garbageEvery + f.longLineEvery + f.badChecksumEvery +
                       f.closeAfter + f.fullRateBaud,
                   0);
         EXPECT_FALSE(f.closeOnRestart || f.dropRestartAnnouncement);
         EXPECT_EQ(f.dropFirmwareAnswers + f.dropSerialAnswers, 0);
         EXPECT_EQ(o.receiver.restartTime, 5000);
         EXPECT_FALSE(o.receiver.device.staticData.empty());
       }},
      {{"--tcp",         "0",     "--firmware",        "1.0",
        "--serial",      "AB123", "--nmea-in",         "9600",
        "--nmea-out",    "4800",  "--daughter-board",  "0",
        "--wifi-status", "DOWN",  "--n2k-status",      "NO BUS",
        "--ssid",        "boat",  "--security",        "2",
        "--password",    "pw",    "--restart-seconds", "1.5",
        "--seed",        "7"},
       [](const SimOptions& o) {
         const DeviceInfo& d = o.receiver.device;
         EXPECT_EQ(d.firmware, "1.0");
         EXPECT_EQ(d.serialNumber, "AB123");
         EXPECT_EQ(d.nmeaInBaud, 9600);
         EXPECT_EQ(d.nmeaOutBaud, 4800);
         EXPECT_FALSE(d.daughterBoard);
         EXPECT_EQ(d.wifiStatus, "DOWN");
         EXPECT_EQ(d.n2kStatus, "NO BUS");
         EXPECT_EQ(d.wifiSsid, "boat");
         EXPECT_EQ(d.wifiSecurity, 2);
         EXPECT_EQ(d.wifiPassword, "pw");
         EXPECT_EQ(o.receiver.restartTime, 1500);
         EXPECT_EQ(o.receiver.seed, 7u);
       }},
      {{"--tcp", "0", "--static", "NAME=X", "--static", "MMSI=1=2"},
       [](const SimOptions& o) {
         const auto& s = o.receiver.device.staticData;
         ASSERT_EQ(s.size(), 2u);
         EXPECT_EQ(s[0].first, "NAME");
         EXPECT_EQ(s[0].second, "X");
         EXPECT_EQ(s[1].first, "MMSI");
         EXPECT_EQ(s[1].second, "1=2");
       }},
      {{"--tcp", "0", "--mute", "--answer-delay", "3", "--garbage", "0.5", "--long-lines", "2",
        "--bad-checksums", "4", "--close-after", "10", "--full-rate"},
       [](const SimOptions& o) {
         const Faults& f = o.receiver.faults;
         EXPECT_TRUE(f.mute);
         EXPECT_EQ(f.answerDelay, 3000);
         EXPECT_EQ(f.garbageEvery, 500);
         EXPECT_EQ(f.longLineEvery, 2000);
         EXPECT_EQ(f.badChecksumEvery, 4000);
         EXPECT_EQ(f.closeAfter, 10000);
         EXPECT_EQ(f.fullRateBaud, 115200);
       }},
      {{"--tcp", "0", "--close-on-restart", "--drop-firmware", "2", "--drop-serial", "always",
        "--drop-restart-announcement"},
       [](const SimOptions& o) {
         const Faults& f = o.receiver.faults;
         EXPECT_TRUE(f.closeOnRestart);
         EXPECT_EQ(f.dropFirmwareAnswers, 2);
         EXPECT_EQ(f.dropSerialAnswers, kAlways);
         EXPECT_TRUE(f.dropRestartAnnouncement);
       }},
      {{"--full-rate", "38400", "--pty"},
       [](const SimOptions& o) {
         EXPECT_EQ(o.receiver.faults.fullRateBaud, 38400);
         EXPECT_TRUE(o.pty);
       }},
      {{"--help"}, [](const SimOptions& o) { EXPECT_TRUE(o.help); }},
      {{"--hang-up-on-request", "2", "--pty"},
       [](const SimOptions& o) { EXPECT_EQ(o.receiver.faults.hangUpOnRequest, 2); }},
      {{"--version"},
       [](const SimOptions& o) {
         EXPECT_TRUE(o.version);
         EXPECT_FALSE(o.help);
       }},
  };
  for (const Good& c : cases) {
    SimOptions options;
    std::string error;
    std::string joined;
    for (const std::string& a : c.args) joined += a + " ";
    ASSERT_TRUE(ParseOptions(c.args, options, error)) << joined << ": " << error;
    c.check(options);
  }
}

TEST(Options, RefusedCommandLines) {
  struct Bad {
    std::vector<std::string> args;
    const char* inError;
  };
  const std::vector<Bad> cases = {
      {{}, "--pty"},
      {{"--seconds", "3"}, "--pty"},
      {{"--tcp"}, "--tcp"},
      {{"--tcp", "x"}, "--tcp"},
      {{"--tcp", "70000"}, "--tcp"},
      {{"--tcp", "0", "--seconds", "-1"}, "--seconds"},
      {{"--tcp", "0", "--seconds", "1s"}, "--seconds"},
      {{"--tcp", "0", "--bogus"}, "--bogus"},
      {{"--tcp", "0", "--daughter-board", "2"}, "--daughter-board"},
      {{"--tcp", "0", "--static", "NOEQUALS"}, "--static"},
      {{"--tcp", "0", "--static", "=X"}, "--static"},
      {{"--tcp", "0", "--password", std::string(70, 'p')}, "--password"},
      {{"--tcp", "0", "--serial", std::string(70, 's')}, "--serial"},
      {{"--tcp", "0", "--full-rate", "10"}, "--full-rate"},
      {{"--tcp", "0", "--garbage", "--pty"}, "--garbage"},
      {{"--tcp", "0", "--drop-firmware", "sometimes"}, "--drop-firmware"},
      {{"--tcp", "0", "--drop-serial", "-2"}, "--drop-serial"},
  };
  for (const Bad& c : cases) {
    SimOptions options;
    std::string error;
    std::string joined;
    for (const std::string& a : c.args) joined += a + " ";
    EXPECT_FALSE(ParseOptions(c.args, options, error)) << joined;
    EXPECT_NE(error.find(c.inError), std::string::npos) << joined << ": " << error;
  }
}

TEST(Options, UsageNamesEveryOption) {
  const std::string usage = UsageText();
  for (const char* option : {"--pty",
                             "--tcp",
                             "--seconds",
                             "--no-gnss",
                             "--no-ais",
                             "--no-own-ship",
                             "--no-product-info",
                             "--no-static-data",
                             "--no-settings",
                             "--no-restart-report",
                             "--firmware",
                             "--serial",
                             "--nmea-in",
                             "--nmea-out",
                             "--daughter-board",
                             "--wifi-status",
                             "--n2k-status",
                             "--ssid",
                             "--security",
                             "--password",
                             "--static",
                             "--restart-seconds",
                             "--seed",
                             "--mute",
                             "--answer-delay",
                             "--garbage",
                             "--long-lines",
                             "--bad-checksums",
                             "--close-after",
                             "--full-rate",
                             "--hang-up-on-request",
                             "--close-on-restart",
                             "--drop-firmware",
                             "--drop-serial",
                             "--drop-restart-announcement",
                             "--help",
                             "--version"}) {
    EXPECT_NE(usage.find(option), std::string::npos) << option;
  }
}

}  // namespace
}  // namespace pelyx::sim
