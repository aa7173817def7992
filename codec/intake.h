// From received bytes to the data stores: the line assembler (one per link) and the
// sentence intake it feeds.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "codec/decoder.h"
#include "codec/records.h"
#include "codec/stores.h"

namespace pelyx {

// Longest line, CR LF included, that goes further than the data log (IEC 61162-1).
inline constexpr size_t kMaxSentenceLength = 82;

// The data log's end of a line assembler: every completed line, whatever its length.
class LineLog {
 public:
  virtual ~LineLog() = default;
  // Whether logging is on (the data log's check box); asked once per completed line.
  virtual bool LoggingEnabled() const = 0;
  // The line as assembled, without CR LF.
  virtual void AppendLine(std::string_view text) = 0;
};

// A consumer of completed lines of at most 82 characters (CR LF included).
class LineConsumer {
 public:
  virtual ~LineConsumer() = default;
  // `line` ends with CR LF; it stays valid for the duration of the call only.
  virtual void TakeLine(std::string_view line) = 0;
};

// Collects received bytes into lines. NUL and CR are ignored; LF completes a line,
// which goes to the log first (when logging is on), then, when it holds at most 82
// characters with CR LF, to every consumer in the order they were added.
class LineAssembler {
 public:
  // Longest line kept; the bytes past it are dropped (the line is far beyond any
  // sentence and goes to the log cut there). Keeps garbage without LF from growing
  // memory without limit.
  static constexpr size_t kMaxHeldLine = 65536;

  void SetLog(LineLog* log) { log_ = log; }
  void AddConsumer(LineConsumer* consumer) { consumers_.push_back(consumer); }

  void Feed(const char* data, size_t size);
  void Feed(std::string_view data) { Feed(data.data(), data.size()); }

  // The line under construction (without CR LF).
  const std::string& Pending() const { return buffer_; }

 private:
  void CompleteLine();

  std::string buffer_;
  LineLog* log_ = nullptr;
  std::vector<LineConsumer*> consumers_;
};

// Where the intake hands a processed sentence on.
class IntakeHandoff {
 public:
  virtual ~IntakeHandoff() = default;
  // A GNSS sentence (group 1) was processed: the GPS status view refreshes.
  virtual void UpdateGpsStatus(const SentenceRecord& record) = 0;
  // A complete AIS message arrived in a "!" sentence (VDM or VDO) on `channel`.
  virtual void CountReception(const char* formatter, char channel) = 0;
};

// The AIS stage of the intake: payload assembly, de-armouring, message decoding and the
// target table.
class AisStage {
 public:
  virtual ~AisStage() = default;
  // Any accepted "$" sentence breaks off a multi-sentence message being assembled.
  virtual void Discard() = 0;
  // A decoded "!" sentence; true when it completed a message that decoded fully.
  virtual bool Process(const SentenceRecord& record) = 0;
};

// The sentence intake: filters a line, decodes it, merges it into its store, runs the
// AIS stage and hands the result on.
class SentenceIntake : public LineConsumer {
 public:
  explicit SentenceIntake(DataStores& stores) : stores_(stores) {}

  void SetHandoff(IntakeHandoff* handoff) { handoff_ = handoff; }
  void SetAisStage(AisStage* stage) { aisStage_ = stage; }

  void TakeLine(std::string_view line) override { AcceptSentence(line); }

  // Filters, decodes and dispatches one line (with CR LF).
  void AcceptSentence(std::string_view line);
  // Decodes, merges and runs the AIS stage; true when the sentence was fully processed.
  bool ProcessSentence(char* text, SentenceRecord& record);

  // The result of the last line given to AcceptSentence.
  bool LastDecoded() const { return lastDecoded_; }
  bool LastHandled() const { return lastHandled_; }

  const SentenceRecord& IntakeRecord() const { return record_; }
  DataStores& Stores() { return stores_; }

 private:
  DataStores& stores_;
  IntakeHandoff* handoff_ = nullptr;
  AisStage* aisStage_ = nullptr;
  char intakeBuffer_[kSentenceBufferSize + 4] = {};
  SentenceRecord record_{};
  bool lastDecoded_ = false;
  bool lastHandled_ = false;
};

}  // namespace pelyx
