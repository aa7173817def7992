// The AIS stage of the sentence intake: from a decoded "!" sentence to the target
// table, and the reception counters of the system check.
#pragma once

#include "ais/clock.h"
#include "ais/message.h"
#include "ais/payload.h"
#include "ais/targets.h"
#include "codec/intake.h"

namespace pelyx::ais {

class AisDecoder : public AisStage {
 public:
  explicit AisDecoder(Clock& clock) : table_(clock) {}

  void Discard() override;
  bool Process(const SentenceRecord& record) override;
  // As after construction: nothing under assembly, the target table emptied.
  void Reset();

  // What the last Process() call completed: the decoded message and the slot it
  // updated (-1 when none); `Completed()` is false when it completed nothing.
  bool Completed() const { return completed_; }
  const DecodedMessage& Message() const { return message_; }
  int Slot() const { return slot_; }

  TargetTable& Targets() { return table_; }
  const TargetTable& Targets() const { return table_; }
  const PayloadAssembler& Assembler() const { return assembler_; }

 private:
  PayloadAssembler assembler_;
  PayloadBits bits_{};
  DecodedMessage message_{};
  TargetTable table_;
  bool completed_ = false;
  int slot_ = -1;
};

}  // namespace pelyx::ais
