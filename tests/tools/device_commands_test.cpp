// pelyx ports, info, set-baud and report end to end: the program (and, for the
// automatic detection, the session in-process) against the simulated receiver over a
// pseudo-terminal and over TCP on 127.0.0.1. Every wait is bounded.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "config/report.h"
#include "link/ports.h"
#include "tests/link/loopback_server.h"
#include "tests/link/no_permission.h"
#include "tests/link/pty.h"
#include "tests/tools/json_check.h"
#include "tests/tools/run_pelyx.h"
#include "tools/device_commands.h"
#include "tools/device_session.h"
#include "tools/sim/host.h"
#include "tools/sim/receiver.h"

namespace pelyx::tools {
namespace {

using testing::JsonReader;
using testing::JsonValue;
using testing::ReadWholeFile;
using testing::RunPelyx;
using testing::RunResult;

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr char kSerial[] = "PX-TEST-0042";
constexpr char kFirmware[] = "4.1.12";

// A receiver whose answers differ from every default, with a short restart.
sim::ReceiverConfig TestReceiver() {
  sim::ReceiverConfig config = sim::DefaultReceiverConfig();
  config.device.serialNumber = kSerial;
  config.device.firmware = kFirmware;
  config.device.nmeaInBaud = 4800;
  config.device.nmeaOutBaud = 38400;
  config.device.wifiSsid = "TEST-NET";
  config.device.wifiSecurity = 2;
  config.restartTime = 1000;
  return config;
}

// The simulated receiver on a pseudo-terminal and a loopback listener, served on a
// thread of its own.
class ServedReceiver {
 public:
  explicit ServedReceiver(sim::ReceiverConfig config, std::string ptyLink = "")
      : receiver_(std::move(config)),
        host_(receiver_, Options(std::move(ptyLink), receiver_.Config().faults)) {
    std::string error;
    opened_ = host_.Open(error);
    EXPECT_TRUE(opened_) << error;
    if (opened_) thread_ = std::thread([this] { host_.Run(90'000); });
  }
  ~ServedReceiver() {
    host_.RequestStop();
    if (thread_.joinable()) thread_.join();
  }
  bool opened() const { return opened_; }
  const std::string& PtyPath() const { return host_.PtyPath(); }
  std::string TcpAddress() const { return "127.0.0.1:" + std::to_string(host_.TcpPort()); }
  // Read after the serving thread has stopped.
  int Restarts() { return Counters().restarts; }
  const sim::ReceiverCounters& Counters() {
    host_.RequestStop();
    if (thread_.joinable()) thread_.join();
    return receiver_.Counters();
  }

 private:
  static sim::HostOptions Options(std::string ptyLink, const sim::Faults& faults) {
    sim::HostOptions options;
    options.closeAfter = faults.closeAfter;
    options.hangUpOnRequest = faults.hangUpOnRequest;
    options.pty = true;
    options.ptyLink = std::move(ptyLink);
    options.tcp = true;
    options.tcpPort = 0;
    options.closeOnRestart = faults.closeOnRestart;
    return options;
  }

  sim::Receiver receiver_;
  sim::Host host_;
  std::thread thread_;
  bool opened_ = false;
};

class Scratch {
 public:
  Scratch()
      : path_(fs::temp_directory_path() / ("pelyx-device-test-" + std::to_string(::getpid()))) {
    fs::create_directories(path_);
  }
  ~Scratch() { fs::remove_all(path_); }
  std::string File(const std::string& name) const { return (path_ / name).string(); }

 private:
  fs::path path_;
};

// The single JSON line of `out`.
JsonValue ParseLine(const std::string& out) {
  JsonValue value;
  std::string error;
  EXPECT_EQ(out.find('\n'), out.size() - 1) << "one line: " << out;
  EXPECT_TRUE(JsonReader::Parse(out, value, error)) << error << ": " << out;
  return value;
}

std::string Text(const JsonValue* v) {
  return v != nullptr && v->type == JsonValue::Type::kString ? v->text : "<not a string>";
}
double Number(const JsonValue* v) {
  return v != nullptr && v->type == JsonValue::Type::kNumber ? v->Number() : -1;
}
bool Flag(const JsonValue* v) {
  EXPECT_TRUE(v != nullptr && v->type == JsonValue::Type::kBool);
  return v != nullptr && v->boolean;
}

// Exactly one line on standard error, prefixed with the program's name.
void ExpectOneErrorLine(const RunResult& r) {
  ASSERT_FALSE(r.err.empty());
  EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
  EXPECT_EQ(r.err.rfind("pelyx ", 0), 0u) << r.err;
}

double SecondsOf(Clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

TEST(DeviceCommands, InfoReportsTheReceiverOverEachLink) {
  Scratch scratch;
  const std::string link = scratch.File("receiver-link");
  ServedReceiver served(TestReceiver(), link);
  ASSERT_TRUE(served.opened());
  struct Case {
    const char* name;
    std::vector<std::string> linkArgs;
  };
  const Case cases[] = {
      {"pseudo-terminal", {"--port", served.PtyPath()}},
      {"a link to the pseudo-terminal", {"--port", link}},
      {"TCP", {"--tcp", served.TcpAddress()}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> args = {"info"};
    args.insert(args.end(), c.linkArgs.begin(), c.linkArgs.end());
    args.push_back("--json");
    const auto started = Clock::now();
    const RunResult r = RunPelyx(args);
    EXPECT_LT(SecondsOf(Clock::now() - started), 8.0);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const JsonValue v = ParseLine(r.out);
    ASSERT_EQ(v.Keys(), std::vector<std::string>{"productInfo"});
    const JsonValue& info = *v.Find("productInfo");
    EXPECT_EQ(info.Keys(), (std::vector<std::string>{
                               "serialNumber", "firmwareVersion", "nmeaInBaud", "nmeaOutBaud",
                               "wifiSsid", "wifiPassword", "wifiSecurity", "firmwareKnown",
                               "serialKnown", "n2kReported", "wifiReported", "daughterBoard"}));
    EXPECT_EQ(Text(info.Find("serialNumber")), kSerial);
    EXPECT_EQ(Text(info.Find("firmwareVersion")), kFirmware);
    EXPECT_EQ(Number(info.Find("nmeaInBaud")), 4800);
    EXPECT_EQ(Number(info.Find("nmeaOutBaud")), 38400);
    EXPECT_EQ(Text(info.Find("wifiSsid")), "TEST-NET");
    EXPECT_EQ(Number(info.Find("wifiSecurity")), 2);
    EXPECT_TRUE(Flag(info.Find("serialKnown")));
    EXPECT_TRUE(Flag(info.Find("firmwareKnown")));
    EXPECT_TRUE(Flag(info.Find("daughterBoard")));
  }
}

TEST(DeviceCommands, InfoAsTextNamesEachValue) {
  ServedReceiver served(TestReceiver());
  ASSERT_TRUE(served.opened());
  const RunResult r = RunPelyx({"info", "--port", served.PtyPath()});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find(std::string("Serial number:    ") + kSerial + "\n"), std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find(std::string("Firmware version: ") + kFirmware + "\n"), std::string::npos);
  EXPECT_NE(r.out.find("NMEA IN baud:     4800\n"), std::string::npos);
  EXPECT_NE(r.out.find("NMEA OUT baud:    38400\n"), std::string::npos);
  EXPECT_NE(r.out.find("Wi-Fi security:   WPA-PSK TKIP\n"), std::string::npos);
}

TEST(DeviceCommands, SetBaudRidesOutTheRestartAndShowsTheNewRates) {
  ServedReceiver served(TestReceiver());
  ASSERT_TRUE(served.opened());
  const auto started = Clock::now();
  const RunResult r =
      RunPelyx({"set-baud", "--port", served.PtyPath(), "--in", "9600", "--out", "4800", "--json"});
  const double seconds = SecondsOf(Clock::now() - started);
  ASSERT_EQ(r.status, 0) << r.err;
  const JsonValue v = ParseLine(r.out);
  const JsonValue* info = v.Find("productInfo");
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(Number(info->Find("nmeaInBaud")), 9600);
  EXPECT_EQ(Number(info->Find("nmeaOutBaud")), 4800);
  EXPECT_EQ(Text(info->Find("serialNumber")), kSerial) << "read again after the restart";
  // The restart wait is eight ticks of the system-check timer.
  EXPECT_GT(seconds, 6.0);
  EXPECT_LT(seconds, 20.0);

  // The receiver keeps them: a new connection reads them back.
  const RunResult again = RunPelyx({"info", "--port", served.PtyPath(), "--json"});
  ASSERT_EQ(again.status, 0) << again.err;
  const JsonValue w = ParseLine(again.out);
  EXPECT_EQ(Number(w.Find("productInfo")->Find("nmeaInBaud")), 9600);
  EXPECT_EQ(Number(w.Find("productInfo")->Find("nmeaOutBaud")), 4800);
  EXPECT_EQ(served.Restarts(), 1);
}

// set-baud's product information after the restart, and its exit status.
void ExpectNewRates(const RunResult& r, int nmeaIn, int nmeaOut) {
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  const JsonValue v = ParseLine(r.out);
  const JsonValue* info = v.Find("productInfo");
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(Number(info->Find("nmeaInBaud")), nmeaIn);
  EXPECT_EQ(Number(info->Find("nmeaOutBaud")), nmeaOut);
  EXPECT_EQ(Text(info->Find("serialNumber")), kSerial);
  EXPECT_EQ(Text(info->Find("firmwareVersion")), kFirmware);
}

// The Wi-Fi bridge closes the connection itself right after "SYSTEM RESTART": the
// restart wait opens nothing during the restart and connects once at its end.
TEST(DeviceCommands, SetBaudOverABridgeThatDropsTheConnectionOnRestart) {
  sim::ReceiverConfig config = TestReceiver();
  config.faults.closeOnRestart = true;
  ServedReceiver served(config);
  ASSERT_TRUE(served.opened());
  const RunResult r = RunPelyx(
      {"set-baud", "--tcp", served.TcpAddress(), "--in", "9600", "--out", "4800", "--json"});
  ExpectNewRates(r, 9600, 4800);
  const sim::ReceiverCounters& counters = served.Counters();
  EXPECT_EQ(counters.restarts, 1);
}

// A receiver on USB whose device goes away right after "SYSTEM RESTART" (whether or not
// the announcement was read first) and comes back behind the same link: set-baud over
// the link rides out the hang-up, connects the link again and reads the rates back.
TEST(DeviceCommands, SetBaudOverAPortThatHangsUpOnRestart) {
  sim::ReceiverConfig config = TestReceiver();
  config.faults.closeOnRestart = true;
  Scratch scratch;
  const std::string link = scratch.File("receiver");
  ServedReceiver served(config, link);
  ASSERT_TRUE(served.opened());
  const RunResult r =
      RunPelyx({"set-baud", "--port", link, "--in", "9600", "--out", "4800", "--json"});
  ExpectNewRates(r, 9600, 4800);
  EXPECT_EQ(served.Restarts(), 1);
}

// The receiver takes the rates and restarts, but its announcement is lost: set-baud
// waits for it until its deadline, connects anew and confirms the rates it reads back.
TEST(DeviceCommands, SetBaudReadsTheRatesBackWhenTheRestartAnnouncementIsLost) {
  sim::ReceiverConfig config = TestReceiver();
  config.faults.dropRestartAnnouncement = true;
  ServedReceiver served(config);
  ASSERT_TRUE(served.opened());
  const auto started = Clock::now();
  const RunResult r =
      RunPelyx({"set-baud", "--port", served.PtyPath(), "--in", "9600", "--out", "4800", "--json"});
  const double seconds = SecondsOf(Clock::now() - started);
  ExpectNewRates(r, 9600, 4800);
  EXPECT_GT(seconds, 9.0) << "the announcement is waited for until its deadline";
  EXPECT_LT(seconds, 25.0);
  EXPECT_EQ(served.Restarts(), 1);
}

// Noise swallowed the FIRMWARE or SERIAL NO. line of answers: the product information
// is asked for again, at most twice more; it fails with a clear message when a value
// stays unknown.
TEST(DeviceCommands, InfoAsksAgainForLostProductInformationLines) {
  struct Case {
    const char* name;
    int dropFirmware;
    int dropSerial;
    bool succeeds;
    const char* missing;
  };
  const Case cases[] = {
      {"firmware lost once", 1, 0, true, ""},
      {"serial number lost twice", 0, 2, true, ""},
      {"firmware lost three times", 3, 0, false, "did not report its firmware version (asked 3"},
      {"serial number always lost", 0, sim::kAlways, false, "did not report its serial number"},
      {"both always lost", sim::kAlways, sim::kAlways, false,
       "did not report its firmware version and serial number"},
  };
  for (const Case& c : cases) {
    for (bool tcp : {false, true}) {
      SCOPED_TRACE(std::string(c.name) + (tcp ? " over TCP" : " over the pseudo-terminal"));
      sim::ReceiverConfig config = TestReceiver();
      config.faults.dropFirmwareAnswers = c.dropFirmware;
      config.faults.dropSerialAnswers = c.dropSerial;
      ServedReceiver served(config);
      ASSERT_TRUE(served.opened());
      const RunResult r = RunPelyx({"info", tcp ? "--tcp" : "--port",
                                    tcp ? served.TcpAddress() : served.PtyPath(), "--json"});
      if (c.succeeds) {
        ASSERT_EQ(r.status, 0) << r.err;
        const JsonValue v = ParseLine(r.out);
        EXPECT_EQ(Text(v.Find("productInfo")->Find("firmwareVersion")), kFirmware);
        EXPECT_EQ(Text(v.Find("productInfo")->Find("serialNumber")), kSerial);
      } else {
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, "");
        ExpectOneErrorLine(r);
        EXPECT_NE(r.err.find("incomplete product information"), std::string::npos) << r.err;
        EXPECT_NE(r.err.find(c.missing), std::string::npos) << r.err;
      }
      const int answers = served.Counters().answers;
      EXPECT_LE(answers, 3) << "asked at most twice more";
      if (!c.succeeds) {
        EXPECT_EQ(answers, 3);
      }
    }
  }
}

TEST(DeviceCommands, SetBaudFailsWhenTheReceiverIgnoresTheSetting) {
  sim::ReceiverConfig config = TestReceiver();
  config.on.settings = false;
  ServedReceiver served(config);
  ASSERT_TRUE(served.opened());
  const RunResult r =
      RunPelyx({"set-baud", "--tcp", served.TcpAddress(), "--in", "9600", "--out", "9600"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  ExpectOneErrorLine(r);
  EXPECT_NE(r.err.find("restart"), std::string::npos) << r.err;
}

TEST(DeviceCommands, ReportWritesTheConfigurationWithCrLf) {
  Scratch scratch;
  ServedReceiver served(TestReceiver());
  ASSERT_TRUE(served.opened());
  const std::string file = scratch.File("report-without-extension");
  const RunResult r = RunPelyx({"report", "--port", served.PtyPath(), "-o", file});
  ASSERT_EQ(r.status, 0) << r.err;
  ASSERT_TRUE(fs::exists(file)) << "written to the very name given";

  const std::string bytes = ReadWholeFile(file);
  ASSERT_GE(bytes.size(), 2u);
  EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n");
  std::vector<std::string> lines;
  for (size_t start = 0; start < bytes.size();) {
    const size_t crlf = bytes.find("\r\n", start);
    ASSERT_NE(crlf, std::string::npos);
    lines.push_back(bytes.substr(start, crlf - start));
    EXPECT_EQ(lines.back().find_first_of("\r\n"), std::string::npos) << "no bare CR or LF";
    start = crlf + 2;
  }
  const std::vector<std::string> expected = {
      std::string("  Serial Number    = ") + kSerial,
      std::string("  Firmware Version = ") + kFirmware,
      "\tNMEA IN Baud Rate = 4800",
      "\tNMEA OUT Baud Rate = 38400",
      "\tWi-Fi SSID = TEST-NET",
      "\tWi-Fi Security = WPA-PSK TKIP",
  };
  for (const std::string& line : expected) {
    EXPECT_NE(std::find(lines.begin(), lines.end(), line), lines.end()) << "missing: " << line;
  }
  ASSERT_GT(lines.size(), 3u);
  EXPECT_EQ(lines[1], "   TESK Pelyx Configuration Report ");

  // A file that cannot be written is a failure, not a report.
  const std::string unwritable = scratch.File("no-such-folder/report.txt");
  const RunResult failed = RunPelyx({"report", "--port", served.PtyPath(), "-o", unwritable});
  EXPECT_EQ(failed.status, 1);
  ExpectOneErrorLine(failed);
  EXPECT_NE(failed.err.find(unwritable), std::string::npos) << failed.err;
  EXPECT_FALSE(fs::exists(unwritable));
}

TEST(DeviceCommands, RefusedArgumentsFailAtOnceWithOneLine) {
  const std::vector<std::vector<std::string>> cases = {
      {"set-baud", "--port", "/dev/null", "--in", "9601", "--out", "4800"},
      {"set-baud", "--port", "/dev/null", "--in", "38400", "--out", "115200"},
      {"set-baud", "--port", "/dev/null", "--in", "38400"},
      {"set-baud", "--port", "/dev/null", "--in", "9600x", "--out", "4800"},
      {"info"},
      {"info", "--port"},
      {"info", "--port", "/dev/null", "--tcp", "127.0.0.1:3333"},
      {"info", "--auto", "--auto"},
      {"info", "--tcp", "127.0.0.1"},
      {"info", "--tcp", "127.0.0.1:0"},
      {"info", "--tcp", "127.0.0.1:65536"},
      {"info", "--tcp", "receiver.local:3333"},
      {"info", "--port", "/tmp"},
      {"info", "--port", "/dev/no-such-device-here"},
      {"info", "--port", "/dev/null", "--verbose"},
      {"report", "--port", "/dev/null"},
      {"report", "--port", "/dev/null", "-o", ""},
      {"ports", "--all"},
  };
  for (const auto& args : cases) {
    std::string joined;
    for (const auto& a : args) joined += a + " ";
    SCOPED_TRACE(joined);
    const auto started = Clock::now();
    const RunResult r = RunPelyx(args);
    EXPECT_LT(SecondsOf(Clock::now() - started), 2.0);
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.status, -1);
    EXPECT_EQ(r.out, "");
    ExpectOneErrorLine(r);
  }
}

TEST(DeviceCommands, APortThatCannotBeOpenedFailsAtOnce) {
  // /dev/null exists but is no serial port: the open fails on the first step.
  const auto started = Clock::now();
  const RunResult r = RunPelyx({"info", "--port", "/dev/null"});
  EXPECT_LT(SecondsOf(Clock::now() - started), 3.0);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  ExpectOneErrorLine(r);
  EXPECT_NE(r.err.find("cannot open port /dev/null"), std::string::npos) << r.err;
}

TEST(DeviceCommands, AnUnansweredTcpPortFailsWithinTheWiFiDeadline) {
  const int port = link::testing::FreeLoopbackPort();
  ASSERT_GT(port, 0);
  const auto started = Clock::now();
  const RunResult r = RunPelyx({"info", "--tcp", "127.0.0.1:" + std::to_string(port)});
  EXPECT_LT(SecondsOf(Clock::now() - started), 18.0);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  ExpectOneErrorLine(r);
  EXPECT_NE(r.err.find("127.0.0.1:" + std::to_string(port)), std::string::npos) << r.err;
}

TEST(DeviceCommands, AMuteReceiverTimesOutAfterTheManualDeadline) {
  sim::ReceiverConfig config = TestReceiver();
  config.faults.mute = true;
  ServedReceiver served(config);
  ASSERT_TRUE(served.opened());
  const auto started = Clock::now();
  const RunResult r = RunPelyx({"info", "--port", served.PtyPath(), "--json"});
  const double seconds = SecondsOf(Clock::now() - started);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  ExpectOneErrorLine(r);
  EXPECT_NE(r.err.find("timed out"), std::string::npos) << r.err;
  // 20 ticks of the supervision timer, the failure on the 21st.
  EXPECT_GT(seconds, 19.0);
  EXPECT_LT(seconds, 26.0);
}

TEST(DeviceCommands, PortsListsEachPortOnceAsJson) {
  const RunResult json = RunPelyx({"ports", "--json"});
  ASSERT_EQ(json.status, 0) << json.err;
  const JsonValue v = ParseLine(json.out);
  ASSERT_EQ(v.Keys(), std::vector<std::string>{"ports"});
  const JsonValue& ports = *v.Find("ports");
  ASSERT_EQ(ports.type, JsonValue::Type::kArray);

  const RunResult text = RunPelyx({"ports"});
  ASSERT_EQ(text.status, 0) << text.err;
  if (ports.items.empty()) {
    EXPECT_EQ(text.out, "no serial port was found\n");
    return;
  }
  std::istringstream lines(text.out);
  for (const JsonValue& port : ports.items) {
    ASSERT_EQ(port.Keys(), (std::vector<std::string>{"name", "openable"}));
    const std::string name = Text(port.Find("name"));
    EXPECT_FALSE(name.empty());
    std::string line;
    ASSERT_TRUE(std::getline(lines, line)) << "the text form lists the same ports";
    if (Flag(port.Find("openable"))) {
      EXPECT_EQ(line, name + " openable");
    } else {
      // Held by another program, or not open to this user.
      EXPECT_TRUE(line == name + " busy" || line == name + " no permission") << line;
    }
  }
  std::string extra;
  EXPECT_FALSE(std::getline(lines, extra)) << extra;
}

TEST(DeviceCommands, APortThatHangsUpFailsWithinASecondNamingThePort) {
  // The receiver never answers and hangs its terminal up after two seconds, as a
  // network serial server's terminal that goes away does; no device-change notice
  // comes for a pseudo-terminal.
  sim::ReceiverConfig config = TestReceiver();
  config.faults.mute = true;
  config.faults.closeAfter = 2000;
  ServedReceiver served(config);
  ASSERT_TRUE(served.opened());
  const auto started = Clock::now();
  const RunResult r = RunPelyx({"info", "--port", served.PtyPath()});
  const double seconds = SecondsOf(Clock::now() - started);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  ExpectOneErrorLine(r);
  EXPECT_EQ(r.err, "pelyx info: the port " + served.PtyPath() +
                       " hung up: the receiver's device went away\n");
  // The hang-up at 2 s ends it within a second, long before the 21-second deadline.
  EXPECT_LT(seconds, 3.5);
}

TEST(DeviceCommands, APortThatHangsUpAfterIdentificationEndsTheReport) {
  // The receiver answers the identification's request and hangs up at Read Device's.
  sim::ReceiverConfig config = TestReceiver();
  config.faults.hangUpOnRequest = 2;
  ServedReceiver served(config);
  ASSERT_TRUE(served.opened());
  Scratch scratch;
  const std::string report = scratch.File("report.txt");
  const auto started = Clock::now();
  const RunResult r = RunPelyx({"report", "--port", served.PtyPath(), "-o", report});
  EXPECT_LT(SecondsOf(Clock::now() - started), 6.0);
  EXPECT_EQ(r.status, 1);
  ExpectOneErrorLine(r);
  EXPECT_EQ(r.err, "pelyx report: the port " + served.PtyPath() +
                       " hung up: the receiver's device went away\n");
  EXPECT_FALSE(fs::exists(report));
}

TEST(DeviceCommands, ARefusedOrUnreachableBridgeFailsAtOnceNamingTheAddressAndTheReason) {
  const int port = link::testing::FreeLoopbackPort();
  ASSERT_GT(port, 0);
  struct Row {
    std::string address;
    const char* reason;
  };
  const Row rows[] = {
      {"127.0.0.1:" + std::to_string(port), "connection refused"},
      // The loopback network's broadcast address: connect() itself fails.
      {"127.255.255.255:" + std::to_string(port), "network is unreachable"},
  };
  for (const auto& [address, reason] : rows) {
    for (const char* command : {"info", "report"}) {
      SCOPED_TRACE(std::string(command) + " " + address);
      std::vector<std::string> args = {command, "--tcp", address};
      if (std::string(command) == "report") args.insert(args.end(), {"-o", "/dev/null"});
      const auto started = Clock::now();
      const RunResult r = RunPelyx(args);
      EXPECT_LT(SecondsOf(Clock::now() - started), 2.0);
      EXPECT_EQ(r.status, 1);
      EXPECT_EQ(r.out, "");
      ExpectOneErrorLine(r);
      EXPECT_EQ(r.err, "pelyx " + std::string(command) + ": cannot connect to " + address + ": " +
                           reason + "\n");
    }
  }
}

TEST(DeviceCommands, APortWithoutPermissionNamesTheGroupToJoin) {
  link::test_support::UnpermittedPort port;
  ASSERT_TRUE(port.Valid());
  const auto started = Clock::now();
  const RunResult r = testing::RunPelyxAs({"info", "--port", port.Path()}, port.Uid(), port.Gid());
  EXPECT_LT(SecondsOf(Clock::now() - started), 3.0);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  ExpectOneErrorLine(r);
  EXPECT_EQ(r.err, "pelyx info: cannot open port " + port.Path() +
                       ": Permission denied: add your user to the group " + port.GroupName() +
                       ", which owns " + port.Path() + ", then log in again\n");
}

TEST(DeviceCommands, APortThatCannotBeOpenedGivesStatus1WhateverItsName) {
  Scratch scratch;
  const std::string plainFile = scratch.File("not-a-port");
  std::ofstream(plainFile) << "text";
  const std::string danglingLink = scratch.File("dangling");
  fs::create_symlink(scratch.File("nowhere"), danglingLink);
  const std::vector<std::string> names = {
      "/dev/null",                 // a device, but no terminal
      "/dev/no-such-device-here",  // a path that does not exist
      "ttyPELYXNONE0",             // a port name that does not exist
      "/tmp",                      // a folder
      plainFile,                   // a plain file outside /dev
      danglingLink,                // a link to nothing
  };
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    const auto started = Clock::now();
    const RunResult r = RunPelyx({"info", "--port", name});
    EXPECT_LT(SecondsOf(Clock::now() - started), 2.0);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    ExpectOneErrorLine(r);
    EXPECT_NE(r.err.find("pelyx info: cannot open port "), std::string::npos) << r.err;
  }
}

TEST(DeviceCommands, InfoMasksTheWiFiPasswordUnlessAskedToShowIt) {
  ServedReceiver served(TestReceiver());
  ASSERT_TRUE(served.opened());
  const std::string password = sim::DefaultReceiverConfig().device.wifiPassword;
  ASSERT_FALSE(password.empty());
  struct Case {
    std::vector<std::string> extra;
    bool shown;
  };
  const Case cases[] = {{{}, false}, {{"--show-password"}, true}};
  for (const Case& c : cases) {
    std::vector<std::string> args = {"info", "--port", served.PtyPath()};
    args.insert(args.end(), c.extra.begin(), c.extra.end());
    const RunResult r = RunPelyx(args);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("Wi-Fi password:   "), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find(password) != std::string::npos, c.shown) << r.out;
    if (!c.shown) {
      EXPECT_NE(r.out.find("Wi-Fi password:   ******** (--show-password shows it)\n"),
                std::string::npos)
          << r.out;
    }
  }
  // The JSON output is for programs: it keeps the password.
  const RunResult json = RunPelyx({"info", "--port", served.PtyPath(), "--json"});
  ASSERT_EQ(json.status, 0) << json.err;
  EXPECT_EQ(Text(ParseLine(json.out).Find("productInfo")->Find("wifiPassword")), password);
}

// Pseudo-terminals as the machine's serial ports, opened as the platform's ports are.
class ListedPorts final : public link::PortEnumerator {
 public:
  explicit ListedPorts(std::vector<std::string> names) : names_(std::move(names)) {}
  bool ListPorts(std::vector<std::string>& names) override {
    names = names_;
    return true;
  }
  bool TrialOpen(const std::string& name) override { return platform_.TrialOpen(name); }
  int TrialOpenError(const std::string& name) override { return platform_.TrialOpenError(name); }

 private:
  std::vector<std::string> names_;
  link::SysfsPortEnumerator platform_{"/nonexistent", "/dev"};
};

std::string PortNameOf(const std::string& devicePath) {
  return link::PortNameOfDevice(devicePath);
}

// What `ports` prints for the listed ports: exit status and standard output.
std::pair<int, std::string> PortsOutput(link::PortEnumerator& ports,
                                        std::vector<const char*> args = {}) {
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  const int status = RunPorts(args, ports, out, err);
  std::string text;
  std::rewind(out);
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, out)) > 0) text.append(buffer, n);
  std::fclose(out);
  std::fclose(err);
  return {status, text};
}

TEST(DevicePorts, SaysSoWhenNoSerialPortWasFound) {
  ListedPorts none({});
  EXPECT_EQ(PortsOutput(none), (std::pair<int, std::string>{0, "no serial port was found\n"}));
  EXPECT_EQ(PortsOutput(none, {"--json"}), (std::pair<int, std::string>{0, "{\"ports\":[]}\n"}));
}

TEST(DevicePorts, TellsAPortWithoutPermissionFromABusyOne) {
  link::test_support::PseudoTerminal free, held;
  link::test_support::UnpermittedPort unpermitted;
  ASSERT_TRUE(free.Valid() && held.Valid() && unpermitted.Valid());
  const int other = ::open(held.Path().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  ASSERT_GE(other, 0);
  ASSERT_EQ(::flock(other, LOCK_EX | LOCK_NB), 0);
  ListedPorts mine({PortNameOf(free.Path()), PortNameOf(held.Path())});
  EXPECT_EQ(PortsOutput(mine).second,
            PortNameOf(free.Path()) + " openable\n" + PortNameOf(held.Path()) + " busy\n");
  ListedPorts group({PortNameOf(unpermitted.Path())});
  unpermitted.AsUnprivileged([&] {
    EXPECT_EQ(PortsOutput(group).second, PortNameOf(unpermitted.Path()) + " no permission\n");
  });
  ::close(other);
}

TEST(DeviceSession, AutomaticDetectionNamesTheGroupWhenNoPortIsOpenToTheUser) {
  link::test_support::UnpermittedPort port;
  ASSERT_TRUE(port.Valid());
  ListedPorts ports({PortNameOf(port.Path())});
  bool connected = true;
  std::string error;
  port.AsUnprivileged([&] {
    DeviceSession session(ports);
    LinkTarget target;
    target.kind = LinkTarget::Kind::kAuto;
    connected = session.Connect(target);
    error = session.Error();
  });
  EXPECT_FALSE(connected);
  EXPECT_EQ(error, "no serial port can be opened: Permission denied: add your user to the group " +
                       port.GroupName() + ", which owns " + port.Path() + ", then log in again");
}

TEST(DeviceSession, AutomaticDetectionFindsTheReceiverBehindASilentPort) {
  link::test_support::PseudoTerminal silent;
  ASSERT_TRUE(silent.Valid());
  ServedReceiver served(TestReceiver());
  ASSERT_TRUE(served.opened());
  ListedPorts ports({PortNameOf(silent.Path()), PortNameOf(served.PtyPath())});

  DeviceSession session(ports);
  LinkTarget target;
  std::string error;
  ASSERT_TRUE(ParseLinkTarget(LinkTarget::Kind::kAuto, "", target, error)) << error;
  const auto started = Clock::now();
  ASSERT_TRUE(session.Connect(target)) << session.Error();
  EXPECT_LT(SecondsOf(Clock::now() - started), 12.0);
  EXPECT_STREQ(session.Info().serialNumber, kSerial);
  EXPECT_EQ(session.Info().nmeaInBaud, 4800);
  EXPECT_TRUE(session.IsConnected());
  EXPECT_NE(session.LastCommand().find("$PDBG,099,1"), std::string::npos);
  session.Close();
  EXPECT_FALSE(session.IsConnected());
  EXPECT_EQ(session.Error(), "");
}

// Ports named by their paths, as the platform's ports are opened (links followed).
class PathPorts final : public link::PortEnumerator {
 public:
  explicit PathPorts(std::vector<std::string> paths) : paths_(std::move(paths)) {}
  bool ListPorts(std::vector<std::string>& names) override {
    names = paths_;
    return true;
  }
  bool TrialOpen(const std::string& name) override { return platform_.TrialOpen(name); }

 private:
  std::vector<std::string> paths_;
  link::SysfsPortEnumerator platform_{"/nonexistent", ""};
};

// Automatic detection over a silent port that comes first and the receiver's port:
// after the restart the receiver's port, where it was identified, is tried first.
TEST(DeviceSession, TheReconnectionAfterTheRestartTriesTheIdentifiedPortFirst) {
  Scratch scratch;
  link::test_support::PseudoTerminal silent;
  ASSERT_TRUE(silent.Valid());
  ServedReceiver served(TestReceiver());
  ASSERT_TRUE(served.opened());
  // Names that put the silent port first in the detection's order.
  const std::string silentPort = scratch.File("a-silent");
  const std::string receiverPort = scratch.File("b-receiver");
  ASSERT_EQ(::symlink(silent.Path().c_str(), silentPort.c_str()), 0);
  ASSERT_EQ(::symlink(served.PtyPath().c_str(), receiverPort.c_str()), 0);
  PathPorts ports({receiverPort, silentPort});

  DeviceSession session(ports);
  LinkTarget target;
  std::string error;
  ASSERT_TRUE(ParseLinkTarget(LinkTarget::Kind::kAuto, "", target, error)) << error;
  ASSERT_TRUE(session.Connect(target)) << session.Error();
  ASSERT_NE(silent.Receive(65536, 300).find("$PDBG,099,1"), std::string::npos)
      << "the detection tried the silent port first";

  ASSERT_TRUE(session.SetBaudRates(9600, 4800)) << session.Error();
  EXPECT_EQ(session.Info().nmeaInBaud, 9600);
  EXPECT_EQ(session.Info().nmeaOutBaud, 4800);
  EXPECT_EQ(silent.Receive(65536, 300), "") << "the reconnection went to the receiver's port";
  session.Close();
}

TEST(DeviceSession, RefusesRatesTheReceiverCannotTake) {
  ListedPorts ports({});
  DeviceSession session(ports);
  EXPECT_FALSE(session.SetBaudRates(19200, 4800));
  EXPECT_NE(session.Error().find("refused"), std::string::npos) << session.Error();
}

}  // namespace
}  // namespace pelyx::tools
