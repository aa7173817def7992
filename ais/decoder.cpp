#include "ais/decoder.h"

#include <cstring>

namespace pelyx::ais {

namespace {

bool IsEncapsulation(const char* formatter) {
  for (const char* f : {"VDM", "VDO", "ABM", "BBM"}) {
    if (std::strncmp(formatter, f, 4) == 0) return true;
  }
  return false;
}

}  // namespace

void AisDecoder::Discard() {
  message_ = DecodedMessage{};
  assembler_.discard();
  completed_ = false;
}

void AisDecoder::Reset() {
  Discard();
  bits_ = PayloadBits{};
  slot_ = -1;
  table_.resetTargets();
}

bool AisDecoder::Process(const SentenceRecord& record) {
  completed_ = false;
  slot_ = -1;
  // Only the encapsulation sentences carry fragments; any other "!" sentence would
  // otherwise offer the fragment fields an earlier sentence left in the record.
  if (!IsEncapsulation(record.formatter)) return false;
  if (!assembler_.assemble(FragmentOf(record))) return false;
  if (!dearmour(assembler_.pending(), bits_)) return false;
  message_ = DecodedMessage{};
  if (!decodeMessage(bits_, message_)) return false;
  const bool fromVdo = std::strncmp(record.formatter, "VDO", 4) == 0;
  slot_ = table_.handleMessage(message_, record.payload.encap.channel - '0', 0, fromVdo);
  if (slot_ >= 0) table_.CountMessage(slot_, fromVdo);
  completed_ = true;
  return true;
}

}  // namespace pelyx::ais
