// The AIS parts of `pelyx decode` output: the decoded message of a line ("ais" and
// "slot"), the target table ("targets") and the reception counters.
#pragma once

#include "ais/clock.h"
#include "ais/decoder.h"
#include "ais/message.h"
#include "ais/targets.h"
#include "tools/decode.h"
#include "tools/json_writer.h"

namespace pelyx::tools {

// Appends the object of one decoded message: "type" first, then every field of its
// layout in transmission order (fields a short payload did not carry print their
// cleared value), then for an addressed type 22 the two destination MMSIs.
void AppendAisMessage(JsonWriter& out, const ais::DecodedMessage& message);

// Appends the array of the slots in use whose MMSI is not 0, in slot order.
void AppendTargets(JsonWriter& out, const ais::TargetTable& table);

// The AIS stage of a decode session: payload assembly, message decoder and target
// table, the reception counters, and their keys in the output.
class AisJsonOutput : public AisOutput {
 public:
  explicit AisJsonOutput(ais::Clock& clock) : decoder_(clock) {}

  AisStage& Stage() override { return decoder_; }
  void CountReception(const char* formatter, char channel) override {
    ais::countReception(counters_, formatter, channel);
  }
  ReceptionCounts Reception() const override;
  void AppendLineKeys(JsonWriter& out) override;
  void AppendTargets(JsonWriter& out) override { tools::AppendTargets(out, decoder_.Targets()); }

  const ais::AisDecoder& Decoder() const { return decoder_; }

 private:
  ais::AisDecoder decoder_;
  ais::ReceptionCounters counters_;
};

// A clock that always tells the same time, for reproducible output.
class FixedClock : public ais::Clock {
 public:
  explicit FixedClock(const ais::LocalTime& time) : time_(time) {}
  ais::LocalTime Now() override { return time_; }

 private:
  ais::LocalTime time_;
};

// Reads "YYYY-MM-DD hh:mm:ss"; false when the text is not such a time.
bool ParseLocalTime(const char* text, ais::LocalTime& time);

}  // namespace pelyx::tools
