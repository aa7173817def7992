// `pelyx decode`: recorded receiver output through the line assembly, the sentence
// intake and the data stores, printed as JSON Lines.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <span>
#include <string_view>

#include "codec/intake.h"
#include "codec/stores.h"
#include "tools/json_writer.h"

namespace pelyx::tools {

// Complete VDM messages counted per AIS channel, as the system check shows them.
struct ReceptionCounts {
  uint32_t channelA = 0;
  uint32_t channelB = 0;
};

// The AIS part of the output. Once attached, its stage runs inside the intake, it counts
// the receptions, adds the "ais" and "slot" keys of a line and prints the target table.
// Without one, "!" sentences are decoded and merged but never complete a message, and
// the reception counters stay 0.
class AisOutput {
 public:
  virtual ~AisOutput() = default;
  virtual AisStage& Stage() = 0;
  // The intake's hand-off for a complete AIS message of a "!" sentence.
  virtual void CountReception(const char* formatter, char channel) = 0;
  virtual ReceptionCounts Reception() const = 0;
  // Called for every decoded line after its "direction" key: adds "ais" and "slot" when
  // the line completed a message.
  virtual void AppendLineKeys(JsonWriter& out) = 0;
  // Appends the value of the "targets" summary.
  virtual void AppendTargets(JsonWriter& out) = 0;
};

// One line assembler and one sentence intake over any number of inputs: the state (a
// pending partial line, fragments being assembled, the stores, the line count) carries
// on from one Feed to the next. Every completed line gives one JSON object:
//   {"line": N, "text": "...", "decoded": b, "handled": b
//    [, "talker": "..", "formatter": "..."[, "direction": "c"]][, "ais": {...}, "slot": N]}
class DecodeSession : private LineLog, private LineConsumer, private IntakeHandoff {
 public:
  explicit DecodeSession(JsonWriter& out);
  DecodeSession(const DecodeSession&) = delete;
  DecodeSession& operator=(const DecodeSession&) = delete;

  // Attach before the first Feed.
  void SetAisOutput(AisOutput* ais);

  // Assembles the bytes into lines and appends the object of every line they completed.
  void Feed(const char* data, size_t size);
  void Feed(std::string_view data) { Feed(data.data(), data.size()); }

  // Appends {"stores": {...}, "reception": {"channelA": N, "channelB": N}}.
  void AppendStoresSummary();

  uint64_t LinesCompleted() const { return lineNumber_; }
  const DataStores& Stores() const { return stores_; }
  ReceptionCounts Reception() const;

 private:
  // LineLog: every completed line, whatever its length, comes here first.
  bool LoggingEnabled() const override { return true; }
  void AppendLine(std::string_view text) override;
  // LineConsumer, after the intake: the line reached the intake, whose result is ready.
  void TakeLine(std::string_view line) override;
  // IntakeHandoff.
  void UpdateGpsStatus(const SentenceRecord&) override {}
  void CountReception(const char* formatter, char channel) override;

  void CloseLine(bool reachedIntake);

  JsonWriter& out_;
  DataStores stores_{};
  SentenceIntake intake_{stores_};
  LineAssembler assembler_;
  AisOutput* ais_ = nullptr;
  uint64_t lineNumber_ = 0;
  bool lineOpen_ = false;
};

// Runs `pelyx decode` with its arguments (after "decode"); writes the JSON Lines to
// `out` and messages to `err`; returns the exit status: 0 when every input was read,
// 2 when a file could not be opened or read (the other files are still read), 1 for a
// usage error or a failed write.
int RunDecode(std::span<const char* const> args, std::FILE* in, std::FILE* out, std::FILE* err);

}  // namespace pelyx::tools
