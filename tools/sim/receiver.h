// The simulated receiver: what it streams, how it answers the configuration tool's
// commands, how it restarts, and the faults it can be told to commit. No clock and no
// I/O: the caller tells it the time, hands it the lines it receives and takes the
// bytes it sends.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "codec/records.h"
#include "tools/sim/world.h"

namespace pelyx::sim {

// What the receiver reports about itself.
struct DeviceInfo {
  std::string firmware = "3.2.07";
  std::string serialNumber = "PX2405-0117";
  int32_t nmeaInBaud = 38400;
  int32_t nmeaOutBaud = 38400;
  bool daughterBoard = true;
  std::string wifiStatus = "OK";
  std::string n2kStatus = "OK";
  std::string wifiSsid = "PELYX-0117";
  int wifiSecurity = 4;  // 0 open, 2 WPA-PSK TKIP, 4 WPA2-PSK AES
  std::string wifiPassword = "pelyx2405";
  // The static-data listing, KEY=VALUE lines in this order.
  std::vector<std::pair<std::string, std::string>> staticData;
};

// Each behaviour is on by default and can be switched off.
struct Behaviour {
  bool gnss = true;           // GGA, GLL, RMC, GSA, the GSV cycle, VTG, ZDA once a second
  bool ais = true;            // the stations' VDM messages
  bool ownShip = true;        // a VDO own-ship report once a second
  bool productInfo = true;    // answers the product information request
  bool staticData = true;     // the static-data listing after a request with value 1
  bool settings = true;       // accepts the NMEA IN/OUT baud-rate settings and restarts
  bool restartReport = true;  // reports its product information when it comes back
};

// Faults, all off by default. Periods are in milliseconds of simulated time.
struct Faults {
  bool mute = false;            // never answers, ignores every command
  Millis answerDelay = 0;       // handles each command this late
  Millis garbageEvery = 0;      // a line of random bytes
  Millis longLineEvery = 0;     // a sentence of more than 82 characters with CR LF
  Millis badChecksumEvery = 0;  // the next streamed sentence with a wrong checksum
  Millis closeAfter = 0;        // the link closes this long after it opened (for the host)
  int32_t fullRateBaud = 0;     // fills the link up to this line rate (8N1) with traffic
  // The pseudo-terminal hangs up when this many product-information requests have
  // arrived, before the last is answered (for the host); 0: never.
  int hangUpOnRequest = 0;
  bool closeOnRestart = false;  // the TCP host closes the connection right after the
                                // restart announcement (for the host)
  // The FIRMWARE / SERIAL NO. line is left out of the first N product-information
  // answers (those after a restart included); kAlways: of every answer.
  int dropFirmwareAnswers = 0;
  int dropSerialAnswers = 0;
  bool dropRestartAnnouncement = false;  // restarts without "SYSTEM RESTART"
};

// A count of answers that stands for all of them.
inline constexpr int kAlways = -1;

struct ReceiverConfig {
  DeviceInfo device;
  Behaviour on;
  Faults faults;
  Millis restartTime = 5000;  // the silence after "SYSTEM RESTART"
  OwnShip own = DefaultOwnShip();
  std::vector<Station> stations = DefaultStations(DefaultOwnShip().start);
  std::vector<Satellite> satellites = DefaultSatellites();
  int64_t startUtcMillis = 1'780'000'000'000;  // the UTC time at switch-on
  uint32_t seed = 1;
};

// The static-data listing of an own ship: MMSI, name, call sign, type, dimensions.
std::vector<std::pair<std::string, std::string>> StaticDataOf(const OwnShip& own);

// The default configuration, with the listing of its own ship.
ReceiverConfig DefaultReceiverConfig();

// Counts of what the receiver did, for tests and the log.
struct ReceiverCounters {
  uint64_t bytes = 0;
  int commands = 0;      // DBG commands accepted
  int ignoredLines = 0;  // received lines that were not an accepted DBG command
  int answers = 0;       // product-information answers
  int restarts = 0;
  int garbageLines = 0;
  int longLines = 0;
  int badChecksums = 0;
  int fillerMessages = 0;       // messages sent to fill the line rate
  int productInfoRequests = 0;  // product-information requests received (answered or not)
  int productInfoSent = 0;      // product-information answers sent, restart reports included
};

class Receiver {
 public:
  explicit Receiver(ReceiverConfig config);

  // Runs everything due up to `now` (never earlier than the last call).
  void Advance(Millis now);
  // Received bytes: lines end with LF (a CR before it is dropped); each complete line
  // is handled at `now`.
  void Receive(std::string_view bytes, Millis now);
  // One received line, with or without CR LF.
  void HandleLine(std::string_view line, Millis now);

  // The bytes sent since the last call.
  std::string TakeOutput();
  // The time of the next scheduled output (never before `now`), or -1 at full rate.
  Millis NextEventTime(Millis now) const;

  // Whether the receiver is still silent at `now` after announcing a restart.
  bool Restarting(Millis now) const { return now < silentUntil_; }
  const DeviceInfo& Device() const { return config_.device; }
  const ReceiverConfig& Config() const { return config_; }
  const ReceiverCounters& Counters() const { return counters_; }

 private:
  enum class Event : uint8_t {
    kGnss,
    kOwnShip,
    kPosition,
    kStatic,
    kGarbage,
    kLongLine,
    kBadChecksum,
  };
  struct Periodic {
    Millis next;
    Millis period;
    Event event;
    size_t station;
  };
  struct Command {
    Millis due;
    int32_t productInfo;  // -1 when not asked
    int32_t nmeaIn;       // 0 when not set
    int32_t nmeaOut;
  };

  void Run(const Periodic& p, Millis at);
  void Execute(const Command& command, Millis at);
  void Restart(Millis at);
  void EmitProductInfo(bool withListing);
  void EmitGnss(Millis at);
  void EmitOwnShip(Millis at);
  void EmitPosition(size_t station, Millis at);
  void EmitStatic(size_t station, Millis at);
  void EmitFiller(Millis at);
  void FillLine(Millis upTo);
  void EmitAis(const std::string& payloadText, int fillBits, const char* formatter, char channel);
  // A streamed sentence: subject to the bad-checksum fault.
  void Stream(std::string line);
  // Any line: counted and appended as it is.
  void Send(const std::string& line);
  void Send(std::string_view bytes);
  char NextChannel(size_t station);

  ReceiverConfig config_;
  std::vector<Periodic> schedule_;
  std::vector<Command> pending_;
  std::vector<bool> channelB_;
  std::string out_;
  std::string partial_;
  bool partialTooLong_ = false;
  ReceiverCounters counters_;
  std::mt19937 random_;
  SentenceRecord record_{};
  Millis now_ = 0;
  Millis silentUntil_ = 0;
  bool restartPending_ = false;
  bool corruptNext_ = false;
  int sequenceId_ = 0;
  // The full-rate budget: bytes sent since `rateSince_`.
  Millis rateSince_ = 0;
  uint64_t rateBytes_ = 0;
  uint32_t fillerIndex_ = 0;
};

}  // namespace pelyx::sim
