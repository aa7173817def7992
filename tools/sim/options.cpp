#include "tools/sim/options.h"

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string_view>

#include "config/receiver_protocol.h"

namespace pelyx::sim {

namespace {

constexpr char kUsage[] =
    "usage: pelyx-sim [--pty [LINK]] [--tcp PORT] [--seconds N] [options]\n"
    "\n"
    "Plays a receiver over a pseudo-terminal and/or a TCP listener on 127.0.0.1.\n"
    "  --pty [LINK]          create a pseudo-terminal; its device path is the first output\n"
    "                        line; with LINK, a symlink to it is made (and removed at exit)\n"
    "  --tcp PORT            listen on 127.0.0.1:PORT (0: a free port) and serve each\n"
    "                        connection; prints \"tcp 127.0.0.1:PORT\"\n"
    "  --seconds N           stop after N seconds (default: until SIGINT or SIGTERM)\n"
    "\n"
    "Behaviour (all on by default):\n"
    "  --no-gnss             no GGA, GLL, RMC, GSA, GSV, VTG, ZDA\n"
    "  --no-ais              no VDM traffic from the stations\n"
    "  --no-own-ship         no VDO own-ship report\n"
    "  --no-product-info     no answer to the product information request\n"
    "  --no-static-data      no static-data listing after the product information\n"
    "  --no-settings         ignore the NMEA IN/OUT baud-rate settings\n"
    "  --no-restart-report   no product information when coming back from a restart\n"
    "\n"
    "What the receiver reports:\n"
    "  --firmware TEXT  --serial TEXT  --nmea-in BAUD  --nmea-out BAUD\n"
    "  --daughter-board 0|1  --wifi-status TEXT  --n2k-status TEXT\n"
    "  --ssid TEXT  --security 0|2|4  --password TEXT\n"
    "  --static KEY=VALUE    a static-data line (repeatable; replaces the default listing)\n"
    "  --restart-seconds S   silence after a restart announcement (default 5)\n"
    "  --seed N              seed of the random parts (default 1)\n"
    "\n"
    "Faults (all off by default):\n"
    "  --mute                never answer\n"
    "  --answer-delay S      answer S seconds late\n"
    "  --garbage S           a line of random bytes every S seconds\n"
    "  --long-lines S        a line of more than 82 characters every S seconds\n"
    "  --bad-checksums S     a streamed sentence with a wrong checksum every S seconds\n"
    "  --close-after S       close each TCP connection, and the pseudo-terminal, S seconds\n"
    "                        after it opened\n"
    "  --full-rate [BAUD]    fill the link with traffic up to BAUD (default 115200)\n"
    "  --hang-up-on-request N  hang the pseudo-terminal up when the N-th product-\n"
    "                        information request arrives, before answering it\n"
    "  --close-on-restart    close each TCP connection right after the restart\n"
    "                        announcement, as a Wi-Fi bridge may, and hang the pseudo-\n"
    "                        terminal up then, as a receiver on USB does; a new one\n"
    "                        takes its place at once, behind the LINK symlink\n"
    "  --drop-firmware N     leave the FIRMWARE line out of the first N product-information\n"
    "                        answers (restart reports included); N may be \"always\"\n"
    "  --drop-serial N       the same for the SERIAL NO. line\n"
    "  --drop-restart-announcement  restart without the \"SYSTEM RESTART\" line\n"
    "  --help                this text\n"
    "  --version             the program's version\n";

bool ToSeconds(std::string_view text, Millis& out) {
  const std::string s(text);
  char* end = nullptr;
  errno = 0;
  const double v = std::strtod(s.c_str(), &end);
  if (s.empty() || end != s.c_str() + s.size() || errno != 0 || !std::isfinite(v) || v < 0 ||
      v > 1e9) {
    return false;
  }
  out = static_cast<Millis>(std::llround(v * 1000.0));
  return true;
}

bool ToInteger(std::string_view text, long long low, long long high, long long& out) {
  const std::string s(text);
  char* end = nullptr;
  errno = 0;
  const long long v = std::strtoll(s.c_str(), &end, 10);
  if (s.empty() || end != s.c_str() + s.size() || errno != 0 || v < low || v > high) return false;
  out = v;
  return true;
}

bool FitsLine(const char* marker, const std::string& value, const char* option,
              std::string& error) {
  if (value.size() <= config::MaxValueLength(marker)) return true;
  error = std::string(option) + ": at most " + std::to_string(config::MaxValueLength(marker)) +
          " characters fit the receiver's line";
  return false;
}

}  // namespace

const char* UsageText() {
  return kUsage;
}

bool ParseOptions(const std::vector<std::string>& args, SimOptions& options, std::string& error) {
  ReceiverConfig& r = options.receiver;
  DeviceInfo& d = r.device;
  bool staticGiven = false;

  using Flag = std::function<void()>;
  const std::pair<const char*, Flag> flags[] = {
      {"--no-gnss", [&] { r.on.gnss = false; }},
      {"--no-ais", [&] { r.on.ais = false; }},
      {"--no-own-ship", [&] { r.on.ownShip = false; }},
      {"--no-product-info", [&] { r.on.productInfo = false; }},
      {"--no-static-data", [&] { r.on.staticData = false; }},
      {"--no-settings", [&] { r.on.settings = false; }},
      {"--no-restart-report", [&] { r.on.restartReport = false; }},
      {"--mute", [&] { r.faults.mute = true; }},
      {"--help", [&] { options.help = true; }},
      {"--version", [&] { options.version = true; }},
      {"--close-on-restart", [&] { r.faults.closeOnRestart = true; }},
      {"--drop-restart-announcement", [&] { r.faults.dropRestartAnnouncement = true; }},
  };
  // Options with a value: false when the value is not acceptable (error set).
  using Setter = std::function<bool(const std::string&, const std::string&)>;
  auto seconds = [&](Millis& target) {
    return Setter([&target, &error](const std::string& name, const std::string& v) {
      if (ToSeconds(v, target)) return true;
      error = name + ": not a number of seconds: " + v;
      return false;
    });
  };
  auto text = [&](std::string& target, const char* marker) {
    return Setter([&target, marker, &error](const std::string& name, const std::string& v) {
      if (!FitsLine(marker, v, name.c_str(), error)) return false;
      target = v;
      return true;
    });
  };
  auto integer = [&](long long low, long long high, std::function<void(long long)> store) {
    return Setter([low, high, store, &error](const std::string& name, const std::string& v) {
      long long n = 0;
      if (!ToInteger(v, low, high, n)) {
        error = name + ": expected an integer from " + std::to_string(low) + " to " +
                std::to_string(high) + ": " + v;
        return false;
      }
      store(n);
      return true;
    });
  };
  // A number of answers, or "always".
  auto answers = [&](int& target) {
    return Setter([&target, &error](const std::string& name, const std::string& v) {
      long long n = 0;
      if (v == "always") {
        target = kAlways;
      } else if (ToInteger(v, 0, INT32_MAX, n)) {
        target = static_cast<int>(n);
      } else {
        error = name + ": expected a number of answers or \"always\": " + v;
        return false;
      }
      return true;
    });
  };
  const std::pair<const char*, Setter> valued[] = {
      {"--tcp", integer(0, 65535,
                        [&](long long n) {
                          options.tcp = true;
                          options.tcpPort = static_cast<int>(n);
                        })},
      {"--seconds", seconds(options.runFor)},
      {"--firmware", text(d.firmware, config::kFirmwareMarker)},
      {"--serial", text(d.serialNumber, config::kSerialNoMarker)},
      {"--nmea-in",
       integer(1, 10'000'000, [&](long long n) { d.nmeaInBaud = static_cast<int32_t>(n); })},
      {"--nmea-out",
       integer(1, 10'000'000, [&](long long n) { d.nmeaOutBaud = static_cast<int32_t>(n); })},
      {"--daughter-board", integer(0, 1, [&](long long n) { d.daughterBoard = n == 1; })},
      {"--wifi-status", text(d.wifiStatus, config::kWifiStatusMarker)},
      {"--n2k-status", text(d.n2kStatus, config::kN2kStatusMarker)},
      {"--ssid", text(d.wifiSsid, config::kWifiSsidMarker)},
      {"--security", integer(0, 255, [&](long long n) { d.wifiSecurity = static_cast<int>(n); })},
      {"--password", text(d.wifiPassword, config::kWifiPasswordMarker)},
      {"--static",
       [&](const std::string& name, const std::string& v) {
         const size_t eq = v.find('=');
         if (eq == std::string::npos || eq == 0 || v.size() > config::kMaxSentLine) {
           error = name + ": expected KEY=VALUE of at most " +
                   std::to_string(config::kMaxSentLine) + " characters: " + v;
           return false;
         }
         if (!staticGiven) d.staticData.clear();
         staticGiven = true;
         d.staticData.emplace_back(v.substr(0, eq), v.substr(eq + 1));
         return true;
       }},
      {"--restart-seconds", seconds(r.restartTime)},
      {"--seed", integer(0, UINT32_MAX, [&](long long n) { r.seed = static_cast<uint32_t>(n); })},
      {"--answer-delay", seconds(r.faults.answerDelay)},
      {"--garbage", seconds(r.faults.garbageEvery)},
      {"--long-lines", seconds(r.faults.longLineEvery)},
      {"--bad-checksums", seconds(r.faults.badChecksumEvery)},
      {"--close-after", seconds(r.faults.closeAfter)},
      {"--hang-up-on-request",
       integer(1, 1'000'000, [&](long long n) { r.faults.hangUpOnRequest = static_cast<int>(n); })},
      {"--drop-firmware", answers(r.faults.dropFirmwareAnswers)},
      {"--drop-serial", answers(r.faults.dropSerialAnswers)},
  };

  auto hasValue = [&](size_t i) { return i + 1 < args.size() && args[i + 1].rfind("--", 0) != 0; };
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--pty") {
      options.pty = true;
      if (hasValue(i)) options.ptyLink = args[++i];
      continue;
    }
    if (arg == "--full-rate") {
      r.faults.fullRateBaud = config::kSerialBaudRate;
      long long n = 0;
      if (hasValue(i)) {
        if (!ToInteger(args[i + 1], 300, 100'000'000, n)) {
          error = "--full-rate: expected a line rate from 300 to 100000000: " + args[i + 1];
          return false;
        }
        r.faults.fullRateBaud = static_cast<int32_t>(n);
        ++i;
      }
      continue;
    }
    bool known = false;
    for (const auto& [name, set] : flags) {
      if (arg == name) {
        set();
        known = true;
      }
    }
    for (const auto& [name, set] : valued) {
      if (arg != name) continue;
      known = true;
      if (!hasValue(i)) {
        error = arg + ": a value is missing";
        return false;
      }
      if (!set(arg, args[++i])) return false;
    }
    if (!known) {
      error = "unknown option: " + arg;
      return false;
    }
  }
  if (!staticGiven) d.staticData = StaticDataOf(r.own);
  if (!options.help && !options.version && !options.pty && !options.tcp) {
    error = "give --pty, --tcp PORT or both";
    return false;
  }
  return true;
}

}  // namespace pelyx::sim
