#include "codec/intake.h"

#include <cstring>

namespace pelyx {

void LineAssembler::Feed(const char* data, size_t size) {
  const char* p = data;
  const char* end = data + size;
  while (p < end) {
    const auto* lf = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
    const char* stop = lf != nullptr ? lf : end;
    // Append the bytes before the LF, leaving out CR and NUL.
    while (p < stop) {
      const char* run = p;
      while (p < stop && *p != '\r' && *p != '\0') ++p;
      size_t room = kMaxHeldLine - buffer_.size();
      size_t n = static_cast<size_t>(p - run);
      buffer_.append(run, n < room ? n : room);
      while (p < stop && (*p == '\r' || *p == '\0')) ++p;
    }
    if (lf == nullptr) break;
    CompleteLine();
    p = lf + 1;
  }
}

void LineAssembler::CompleteLine() {
  if (log_ != nullptr && log_->LoggingEnabled()) log_->AppendLine(buffer_);
  if (buffer_.size() <= kMaxSentenceLength) {
    // Each consumer gets the line with CR LF appended.
    char line[kMaxSentenceLength + 3];
    std::memcpy(line, buffer_.data(), buffer_.size());
    line[buffer_.size()] = '\r';
    line[buffer_.size() + 1] = '\n';
    line[buffer_.size() + 2] = '\0';
    std::string_view view(line, buffer_.size() + 2);
    for (LineConsumer* consumer : consumers_) consumer->TakeLine(view);
  }
  buffer_.clear();
}

void SentenceIntake::AcceptSentence(std::string_view line) {
  lastDecoded_ = false;
  lastHandled_ = false;
  if (line.empty() || (line[0] != '$' && line[0] != '!') || line.size() > kMaxSentenceLength) {
    return;
  }
  std::memcpy(intakeBuffer_, line.data(), line.size());
  intakeBuffer_[line.size()] = '\0';
  lastHandled_ = ProcessSentence(intakeBuffer_, record_);
  if (!lastHandled_ || handoff_ == nullptr) return;

  int group = FormatterGroup(record_.formatter);
  if (group == kGroupGnss) {
    handoff_->UpdateGpsStatus(record_);
  } else if (group == kGroupAis && record_.startChar == '!') {
    handoff_->CountReception(record_.formatter, record_.payload.encap.channel);
  }
}

bool SentenceIntake::ProcessSentence(char* text, SentenceRecord& record) {
  lastDecoded_ = DecodeSentence(text, record);
  if (!lastDecoded_) return false;
  MergeIntoStore(record, stores_);
  if (record.startChar != '!') {
    if (aisStage_ != nullptr) aisStage_->Discard();
    return true;
  }
  // Until a stage is attached, an AIS sentence never completes a message.
  return aisStage_ != nullptr && aisStage_->Process(record);
}

}  // namespace pelyx
