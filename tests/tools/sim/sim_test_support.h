// Helpers of the simulated receiver's tests: running the receiver on a fake clock,
// cutting its output into lines, feeding the lines through the same intake as the
// tool, and composing commands with the tool's composer.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ais/decoder.h"
#include "ais/message.h"
#include "codec/composer.h"
#include "codec/intake.h"
#include "codec/stores.h"
#include "tools/sim/receiver.h"

namespace pelyx::sim::test {

// Runs the receiver from `from` to `to` in steps, as the host's loop does, and returns
// what it sent.
inline std::string RunFor(Receiver& receiver, Millis from, Millis to, Millis step = 100) {
  std::string out;
  for (Millis t = from; t <= to; t += step) {
    receiver.Advance(t);
    out += receiver.TakeOutput();
  }
  receiver.Advance(to);
  out += receiver.TakeOutput();
  return out;
}

// The lines of `bytes`, each with its CR LF; a trailing piece without LF is dropped.
inline std::vector<std::string> Lines(std::string_view bytes) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t lf = bytes.find('\n'); lf != std::string_view::npos; lf = bytes.find('\n', start)) {
    lines.emplace_back(bytes.substr(start, lf + 1 - start));
    start = lf + 1;
  }
  return lines;
}

// A line without its CR LF.
inline std::string_view Text(std::string_view line) {
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
  return line;
}

// DecodeSentence on a copy of `line` (which ends with CR LF).
inline bool Decodes(std::string_view line, SentenceRecord* out = nullptr) {
  if (line.size() >= kSentenceBufferSize) return false;
  char buffer[kSentenceBufferSize + 4] = {};
  std::memcpy(buffer, line.data(), line.size());
  SentenceRecord record{};
  const bool ok = DecodeSentence(buffer, record);
  if (out != nullptr) *out = record;
  return ok;
}

inline std::string TrimAisText(const char* text) {
  std::string s(text);
  while (!s.empty() && (s.back() == '@' || s.back() == ' ')) s.pop_back();
  return s;
}

struct FixedClock : ais::Clock {
  ais::LocalTime Now() override { return {2026, 5, 28, 20, 30, 0}; }
};

// One completed AIS message.
struct Completed {
  int type;
  int part;  // type 24: 0 part A, 1 part B; -1 otherwise
  uint32_t mmsi;
  char channel;
  bool vdo;
};

// What the tool's line intake makes of the receiver's output: the line assembly's
// 82-character limit, the sentence decoder, the stores and the AIS decoder.
class ToolIntake : public IntakeHandoff {
 public:
  ToolIntake() : ais_(std::make_unique<ais::AisDecoder>(clock_)), intake_(stores_) {
    intake_.SetAisStage(ais_.get());
    intake_.SetHandoff(this);
  }

  // Whether the tool decodes the line (the line includes CR LF).
  bool Take(const std::string& line) {
    if (line.size() > kMaxSentenceLength) return false;
    intake_.AcceptSentence(line);
    const bool decoded = intake_.LastDecoded();
    if (decoded && line[0] == '!' && ais_->Completed()) {
      ais::DecodedReader r(ais_->Message());
      Completed c{ais_->Message().type(), -1, r.valid() ? r.u(2) : 0u,
                  intake_.IntakeRecord().payload.encap.channel,
                  std::strncmp(intake_.IntakeRecord().formatter, "VDO", 3) == 0};
      if (c.type == 24 && r.valid()) c.part = static_cast<int>(r.u(3));
      completed_.push_back(c);
    }
    return decoded;
  }

  void UpdateGpsStatus(const SentenceRecord&) override {}
  void CountReception(const char* formatter, char channel) override {
    ais::countReception(counters_, formatter, channel);
  }

  const std::vector<Completed>& CompletedMessages() const { return completed_; }
  const ais::ReceptionCounters& Counters() const { return counters_; }
  const ais::TargetTable& Targets() const { return ais_->Targets(); }
  const DataStores& Stores() const { return stores_; }

  // The slot of `mmsi` in the target table, -1 when it is not there.
  int SlotOf(uint32_t mmsi) const {
    const ais::TargetTable& t = ais_->Targets();
    for (int i = 0; i < t.count(); ++i) {
      if (t[i].mmsi == mmsi) return i;
    }
    return -1;
  }

 private:
  FixedClock clock_;
  DataStores stores_{};
  std::unique_ptr<ais::AisDecoder> ais_;
  SentenceIntake intake_;
  ais::ReceptionCounters counters_;
  std::vector<Completed> completed_;
};

// A DBG command as the tool composes it: the pairs set in the proprietary store, the
// others absent, no direction letter.
inline std::string DbgCommand(std::initializer_list<std::pair<int, int>> pairs,
                              char directionLetter = 0) {
  auto stores = std::make_unique<DataStores>();
  ProprietaryStore& p = stores->proprietary;
  for (int i = 0; i < 4; ++i) {
    p.dbgCode[i] = kNoDbgCode;
    p.dbgValue[i] = kNoDbgValue;
  }
  int i = 0;
  for (const auto& [code, value] : pairs) {
    p.dbgCode[i] = static_cast<int16_t>(code);
    p.dbgValue[i] = value;
    ++i;
  }
  p.dbgDirectionLetter = directionLetter;
  SentenceComposer composer(*stores);
  char out[kComposeBufferSize] = {};
  EXPECT_TRUE(composer.ComposeSentence(out, sizeof out, "DBG", "P"));
  return out;
}

}  // namespace pelyx::sim::test
