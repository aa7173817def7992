#include "tools/sim/receiver.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "ais/encoder.h"
#include "codec/decoder.h"
#include "config/receiver_protocol.h"
#include "tools/sim/sentences.h"

namespace pelyx::sim {

namespace {

constexpr size_t kMaxReceivedLine = 256;  // longer lines are dropped whole
constexpr size_t kMaxTextPerSentence = 60;
constexpr Millis kFullRateStep = 10;  // how often the host should come back at full rate

// The six-bit text of one AIS sentence never exceeds kMaxTextPerSentence characters.
static_assert(kMaxTextPerSentence <= 60);

}  // namespace

std::vector<std::pair<std::string, std::string>> StaticDataOf(const OwnShip& own) {
  return {
      {"MMSI", std::to_string(own.mmsi)},
      {"SHIP NAME", own.name},
      {"CALL SIGN", own.callSign},
      {"SHIP TYPE", std::to_string(own.shipType)},
      {"DIM A", std::to_string(own.dimensions.toBow)},
      {"DIM B", std::to_string(own.dimensions.toStern)},
      {"DIM C", std::to_string(own.dimensions.toPort)},
      {"DIM D", std::to_string(own.dimensions.toStarboard)},
  };
}

ReceiverConfig DefaultReceiverConfig() {
  ReceiverConfig config;
  config.device.staticData = StaticDataOf(config.own);
  return config;
}

Receiver::Receiver(ReceiverConfig config) : config_(std::move(config)), random_(config_.seed) {
  const Behaviour& on = config_.on;
  if (on.gnss) schedule_.push_back({0, 1000, Event::kGnss, 0});
  if (on.ownShip) schedule_.push_back({500, 1000, Event::kOwnShip, 0});
  if (on.ais) {
    for (size_t i = 0; i < config_.stations.size(); ++i) {
      const Station& s = config_.stations[i];
      if (s.reportPeriod > 0) schedule_.push_back({s.phase, s.reportPeriod, Event::kPosition, i});
      const bool hasStatic = s.kind == StationKind::kClassA || s.kind == StationKind::kClassB;
      if (hasStatic && s.staticPeriod > 0) {
        schedule_.push_back({s.phase + 2000, s.staticPeriod, Event::kStatic, i});
      }
    }
  }
  const Faults& f = config_.faults;
  if (f.garbageEvery > 0) schedule_.push_back({f.garbageEvery, f.garbageEvery, Event::kGarbage, 0});
  if (f.longLineEvery > 0) {
    schedule_.push_back({f.longLineEvery, f.longLineEvery, Event::kLongLine, 0});
  }
  if (f.badChecksumEvery > 0) {
    schedule_.push_back({f.badChecksumEvery, f.badChecksumEvery, Event::kBadChecksum, 0});
  }
  channelB_.assign(config_.stations.size(), false);
}

// ---- time ---------------------------------------------------------------------

void Receiver::Advance(Millis now) {
  now = std::max(now, now_);
  for (;;) {
    // The earliest due item; at equal times the end of a restart comes first, then the
    // commands, then the schedule in its order.
    Millis at = now + 1;
    int kind = -1;  // 0 restart end, 1 command, 2 schedule
    size_t index = 0;
    if (restartPending_ && silentUntil_ <= now) {
      at = silentUntil_;
      kind = 0;
    }
    for (size_t i = 0; i < pending_.size(); ++i) {
      if (pending_[i].due < at) {
        at = pending_[i].due;
        kind = 1;
        index = i;
      }
    }
    for (size_t i = 0; i < schedule_.size(); ++i) {
      if (schedule_[i].next < at) {
        at = schedule_[i].next;
        kind = 2;
        index = i;
      }
    }
    if (kind < 0) break;

    FillLine(at);
    now_ = std::max(now_, at);
    if (kind == 0) {
      restartPending_ = false;
      rateSince_ = at;
      rateBytes_ = 0;
      if (config_.on.restartReport) EmitProductInfo(false);
    } else if (kind == 1) {
      const Command command = pending_[index];
      pending_.erase(pending_.begin() + static_cast<std::ptrdiff_t>(index));
      Execute(command, at);
    } else {
      Periodic& p = schedule_[index];
      const Periodic due = p;
      p.next += p.period;
      if (!Restarting(at)) Run(due, at);
    }
  }
  FillLine(now);
  now_ = now;
}

Millis Receiver::NextEventTime(Millis now) const {
  Millis next = INT64_MAX;
  if (restartPending_) next = silentUntil_;
  for (const Command& c : pending_) next = std::min(next, c.due);
  for (const Periodic& p : schedule_) next = std::min(next, p.next);
  if (config_.faults.fullRateBaud > 0) next = std::min(next, now + kFullRateStep);
  return std::max(next, now);
}

std::string Receiver::TakeOutput() {
  std::string out;
  out.swap(out_);
  return out;
}

// ---- commands -----------------------------------------------------------------

void Receiver::Receive(std::string_view bytes, Millis now) {
  for (char c : bytes) {
    if (c == '\n') {
      if (!partialTooLong_) HandleLine(partial_, now);
      partial_.clear();
      partialTooLong_ = false;
    } else if (partial_.size() < kMaxReceivedLine) {
      partial_.push_back(c);
    } else {
      partialTooLong_ = true;
    }
  }
}

void Receiver::HandleLine(std::string_view line, Millis now) {
  Advance(now);
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);

  char buffer[kSentenceBufferSize + 8] = {};
  const bool fits = line.size() + 2 < kSentenceBufferSize;
  if (config_.faults.mute || Restarting(now_) || !fits) {
    ++counters_.ignoredLines;
    return;
  }
  std::memcpy(buffer, line.data(), line.size());
  std::memcpy(buffer + line.size(), "\r\n", 2);
  if (!DecodeSentence(buffer, record_) || std::strcmp(record_.talker, config::kDbgTalker) != 0 ||
      std::strcmp(record_.formatter, config::kDbgFormatter) != 0) {
    ++counters_.ignoredLines;
    return;
  }

  Command command{now_ + config_.faults.answerDelay, -1, 0, 0};
  const DbgFields& dbg = record_.payload.dbg;
  for (int i = 0; i < config::kDbgPairCount; ++i) {
    if (config::IsAbsentPair(dbg.code[i], dbg.value[i])) continue;
    switch (dbg.code[i]) {
      case config::kDbgProductInfo:
        if (dbg.value[i] == config::kProductInfoFull || dbg.value[i] == config::kProductInfoReset) {
          command.productInfo = dbg.value[i];
        }
        break;
      case config::kDbgNmeaInBaud:
        command.nmeaIn = config::BaudRateOfCode(dbg.value[i]);
        break;
      case config::kDbgNmeaOutBaud:
        command.nmeaOut = config::BaudRateOfCode(dbg.value[i]);
        break;
      default:
        break;
    }
  }
  if (command.productInfo >= 0) ++counters_.productInfoRequests;
  if (command.productInfo < 0 && command.nmeaIn == 0 && command.nmeaOut == 0) {
    ++counters_.ignoredLines;
    return;
  }
  ++counters_.commands;
  if (config_.faults.answerDelay > 0) {
    pending_.push_back(command);
  } else {
    Execute(command, now_);
  }
}

void Receiver::Execute(const Command& command, Millis at) {
  if (Restarting(at)) return;
  if (command.productInfo >= 0 && config_.on.productInfo) {
    ++counters_.answers;
    EmitProductInfo(command.productInfo == config::kProductInfoFull && config_.on.staticData);
  }
  if (config_.on.settings && (command.nmeaIn != 0 || command.nmeaOut != 0)) {
    if (command.nmeaIn != 0) config_.device.nmeaInBaud = command.nmeaIn;
    if (command.nmeaOut != 0) config_.device.nmeaOutBaud = command.nmeaOut;
    Restart(at);
  }
}

void Receiver::Restart(Millis at) {
  if (!config_.faults.dropRestartAnnouncement) Send(config::SystemRestartLine());
  ++counters_.restarts;
  silentUntil_ = at + std::max<Millis>(config_.restartTime, 0);
  restartPending_ = true;
  pending_.clear();
  corruptNext_ = false;
}

void Receiver::EmitProductInfo(bool withListing) {
  const DeviceInfo& d = config_.device;
  const Faults& f = config_.faults;
  const int answer = counters_.productInfoSent++;
  auto dropped = [answer](int count) { return count == kAlways || answer < count; };
  if (!dropped(f.dropFirmwareAnswers)) Send(config::FirmwareLine(d.firmware));
  if (!dropped(f.dropSerialAnswers)) Send(config::SerialNoLine(d.serialNumber));
  Send(config::RxBaudRateLine(d.nmeaInBaud));
  Send(config::TxBaudRateLine(d.nmeaOutBaud));
  Send(config::DaughterBoardLine(d.daughterBoard));
  if (d.daughterBoard) {
    Send(config::WifiStatusLine(d.wifiStatus));
    Send(config::N2kStatusLine(d.n2kStatus));
    Send(config::WifiSsidLine(d.wifiSsid));
    Send(config::WifiSecurityLine(d.wifiSecurity));
    if (d.wifiSecurity != config::kWifiOpen) Send(config::WifiPasswordLine(d.wifiPassword));
  }
  Send(config::ProductInfoEndLine());
  if (withListing) {
    Send(config::StaticDataBeginLine());
    for (const auto& [key, value] : d.staticData) Send(config::StaticDataLine(key, value));
    Send(config::StaticDataEndLine());
  }
}

// ---- streaming ----------------------------------------------------------------

void Receiver::Run(const Periodic& p, Millis at) {
  switch (p.event) {
    case Event::kGnss:
      EmitGnss(at);
      break;
    case Event::kOwnShip:
      EmitOwnShip(at);
      break;
    case Event::kPosition:
      EmitPosition(p.station, at);
      break;
    case Event::kStatic:
      EmitStatic(p.station, at);
      break;
    case Event::kGarbage: {
      std::uniform_int_distribution<int> length(8, 40);
      std::uniform_int_distribution<int> byte(1, 255);
      std::string line;
      for (int n = length(random_); static_cast<int>(line.size()) < n;) {
        const char c = static_cast<char>(byte(random_));
        if (std::strchr("\r\n$!*", c) == nullptr) line.push_back(c);
      }
      ++counters_.garbageLines;
      Send(line + "\r\n");
      break;
    }
    case Event::kLongLine: {
      std::uniform_int_distribution<int> length(84, 120);
      const size_t n = static_cast<size_t>(length(random_)) - 3;  // before "*hh"
      std::string line = "$GPTXT,01,01,02,OVERLONG LINE ";
      while (line.size() < n) line.push_back(static_cast<char>('A' + line.size() % 26));
      ++counters_.longLines;
      Send(config::WithChecksum(line));
      break;
    }
    case Event::kBadChecksum:
      corruptNext_ = true;
      break;
  }
}

void Receiver::EmitGnss(Millis at) {
  GnssFix fix{};
  fix.time = UtcOf(config_.startUtcMillis + at);
  const OwnShip& own = config_.own;
  fix.position = DeadReckon(own.start, own.speedKnots, own.courseDegrees, at);
  fix.speedKnots = own.speedKnots;
  fix.courseDegrees = own.courseDegrees;
  fix.magneticVariation = 3.1;
  fix.altitude = 14.6;
  fix.geoidSeparation = 41.3;
  fix.pdop = 1.6;
  fix.hdop = 0.9;
  fix.vdop = 1.3;

  std::vector<Satellite> sky = config_.satellites;
  std::uniform_int_distribution<int> jitter(-2, 2);
  int used = 0;
  for (Satellite& s : sky) {
    s.azimuth = static_cast<int>((s.azimuth + at / 60000) % 360);
    if (s.snr >= 0) s.snr = std::clamp(s.snr + jitter(random_), 0, 99);
    used += s.used ? 1 : 0;
  }
  Stream(RmcSentence(fix));
  Stream(VtgSentence(fix));
  Stream(GgaSentence(fix, std::min(used, 12)));
  Stream(GsaSentence(fix, sky));
  for (std::string& line : GsvSentences(sky)) Stream(std::move(line));
  Stream(GllSentence(fix));
  Stream(ZdaSentence(fix));
}

void Receiver::EmitOwnShip(Millis at) {
  const OwnShip& own = config_.own;
  const Position p = DeadReckon(own.start, own.speedKnots, own.courseDegrees, at);
  const int second = UtcOf(config_.startUtcMillis + at).second;
  const ais::ArmouredPayload payload =
      PositionReport(1, own.mmsi, 0, p, own.speedKnots, own.courseDegrees, second);
  EmitAis(payload.text, payload.fillBits, "VDO", 0);
}

void Receiver::EmitPosition(size_t index, Millis at) {
  const Station& s = config_.stations[index];
  const Position p = DeadReckon(s.start, s.speedKnots, s.courseDegrees, at);
  const UtcDateTime utc = UtcOf(config_.startUtcMillis + at);
  ais::ArmouredPayload payload;
  switch (s.kind) {
    case StationKind::kClassA:
      payload = PositionReport(s.positionType, s.mmsi, s.navigationalStatus, p, s.speedKnots,
                               s.courseDegrees, utc.second);
      break;
    case StationKind::kBaseStation:
      payload = BaseStationReport(s.mmsi, utc, s.start);
      break;
    case StationKind::kClassB:
      payload = ClassBPositionReport(s, p, utc.second);
      break;
    case StationKind::kClassBExtended:
      payload = ExtendedClassBReport(s, p, utc.second);
      break;
    case StationKind::kAidToNavigation:
      payload = AidToNavigationReport(s, s.start, utc.second);
      break;
  }
  EmitAis(payload.text, payload.fillBits, "VDM", NextChannel(index));
}

void Receiver::EmitStatic(size_t index, Millis at) {
  const Station& s = config_.stations[index];
  const char channel = NextChannel(index);
  if (s.kind == StationKind::kClassA) {
    UtcDateTime eta = UtcOf(config_.startUtcMillis + at + 36LL * 3600 * 1000);
    eta.minute = 0;
    const ais::ArmouredPayload payload = StaticVoyageData(s, eta);
    EmitAis(payload.text, payload.fillBits, "VDM", channel);
  } else {
    const ais::ArmouredPayload a = StaticDataReportA(s);
    EmitAis(a.text, a.fillBits, "VDM", channel);
    const ais::ArmouredPayload b = StaticDataReportB(s);
    EmitAis(b.text, b.fillBits, "VDM", channel);
  }
}

void Receiver::FillLine(Millis upTo) {
  const int32_t baud = config_.faults.fullRateBaud;
  if (baud <= 0 || restartPending_ || upTo <= rateSince_) return;
  // 8N1: ten bits a byte.
  const uint64_t allowed =
      static_cast<uint64_t>(upTo - rateSince_) * static_cast<uint64_t>(baud) / 10000;
  for (;;) {
    const uint32_t i = fillerIndex_ % 200;
    const OwnShip& own = config_.own;
    const Position p{own.start.latitude + (static_cast<int>(i % 20) - 10) * 0.004,
                     own.start.longitude + (static_cast<int>(i / 20) - 5) * 0.006};
    const ais::ArmouredPayload payload = PositionReport(1, 211900000 + i, 0, p, 4.0 + i % 9,
                                                        (i * 37) % 360, static_cast<int>(i % 60));
    ais::Encapsulation how;
    how.channel = (fillerIndex_ & 1) != 0 ? 'B' : 'A';
    std::vector<std::string> lines = ais::Encapsulate(payload, how);
    size_t length = 0;
    for (const std::string& line : lines) length += line.size();
    if (rateBytes_ + length > allowed) break;
    ++fillerIndex_;
    ++counters_.fillerMessages;
    for (std::string& line : lines) Stream(std::move(line));
  }
}

void Receiver::EmitAis(const std::string& payloadText, int fillBits, const char* formatter,
                       char channel) {
  ais::Encapsulation how;
  how.formatter = formatter;
  how.channel = channel;
  how.maxTextPerSentence = kMaxTextPerSentence;
  if (payloadText.size() > kMaxTextPerSentence) {
    how.sequenceId = sequenceId_;
    sequenceId_ = (sequenceId_ + 1) % 10;
  }
  for (std::string& line : ais::Encapsulate({payloadText, fillBits}, how)) Stream(std::move(line));
}

char Receiver::NextChannel(size_t station) {
  const bool b = channelB_[station];
  channelB_[station] = !b;
  return b ? 'B' : 'A';
}

void Receiver::Stream(std::string line) {
  if (corruptNext_) {
    const size_t star = line.rfind('*');
    if (star != std::string::npos && star + 2 < line.size()) {
      static constexpr char kHex[] = "0123456789ABCDEF";
      const uint8_t wrong = config::SentenceChecksum(line) ^ 0x5A;
      line[star + 1] = kHex[wrong >> 4];
      line[star + 2] = kHex[wrong & 0x0F];
      ++counters_.badChecksums;
      corruptNext_ = false;
    }
  }
  Send(line);
}

void Receiver::Send(const std::string& line) {
  Send(std::string_view(line));
}

void Receiver::Send(std::string_view bytes) {
  out_.append(bytes);
  counters_.bytes += bytes.size();
  rateBytes_ += bytes.size();
}

}  // namespace pelyx::sim
