// Arbitrary received bytes through the line assembler, the sentence intake, the data
// stores and the AIS stage (fragment assembly, de-armouring, message decoder, target
// table, reception counters). Aborts on any broken promise of the assembler or the intake.
// The input is fed once whole and once split at a point taken from the data: both must
// give the same lines. One input in four (chosen by its bytes, so that a failing input
// fails again) also goes the whole way split: the same results, the same stores and
// stations byte for byte; for it the summaries of `pelyx decode` are written too. The
// pipeline is built once (the target table alone is some 400 kB) and reset before every
// run.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "ais/decoder.h"
#include "ais/targets.h"
#include "codec/intake.h"
#include "codec/stores.h"
#include "tools/ais_json.h"
#include "tools/json_writer.h"
#include "tools/store_json.h"

namespace {

using namespace pelyx;

void Check(bool condition) {
  if (!condition) std::abort();
}

// No CR, LF or NUL in `text` (memchr: a search the coverage instrumentation does not trace
// byte by byte).
bool HasNoLineBreakOrNul(std::string_view text) {
  for (char c : {'\r', '\n', '\0'}) {
    if (std::memchr(text.data(), c, text.size()) != nullptr) return false;
  }
  return true;
}

// Folds a line's kind, length and hash into `h`, which stands for the lines so far (the
// library's hash is not instrumented).
void MixLine(uint64_t& h, char kind, std::string_view text) {
  const uint64_t line = std::hash<std::string_view>{}(text) ^ (uint64_t{text.size()} << 8) ^
                        static_cast<unsigned char>(kind);
  h = (h ^ line) * 0x100000001B3u;
}

// The lines alone: every logged line and every consumer line.
class LineTracer : public LineLog, public LineConsumer {
 public:
  bool LoggingEnabled() const override { return true; }
  void AppendLine(std::string_view text) override { MixLine(lines, 'L', text); }
  void TakeLine(std::string_view line) override { MixLine(lines, 'C', line); }

  uint64_t lines = 0;
};

// Records every logged line and every consumer line with the intake's result.
class Recorder : public LineLog, public LineConsumer, public IntakeHandoff {
 public:
  Recorder(const SentenceIntake& intake, const ais::AisDecoder& decoder)
      : intake_(intake), decoder_(decoder) {}

  void UpdateGpsStatus(const SentenceRecord& record) override { Check(record.startChar == '$'); }
  void CountReception(const char* formatter, char channel) override {
    ais::countReception(counters, formatter, channel);
  }

  bool LoggingEnabled() const override { return true; }
  void AppendLine(std::string_view text) override {
    Check(text.size() <= LineAssembler::kMaxHeldLine);
    Check(HasNoLineBreakOrNul(text));
    MixLine(lines, 'L', text);
  }
  void TakeLine(std::string_view line) override {
    Check(line.size() >= 2 && line.size() <= kMaxSentenceLength + 2);
    Check(line.substr(line.size() - 2) == "\r\n");
    Check(HasNoLineBreakOrNul(line.substr(0, line.size() - 2)));
    MixLine(lines, 'C', line);
    bool decoded = intake_.LastDecoded();
    bool handled = intake_.LastHandled();
    Check(!handled || decoded);
    if (decoded) {
      const SentenceRecord& record = intake_.IntakeRecord();
      Check(record.startChar == line[0]);
      Check(record.startChar == '$' || record.startChar == '!');
      Check(std::memchr(record.talker, '\0', sizeof record.talker) != nullptr);
      Check(std::memchr(record.formatter, '\0', sizeof record.formatter) != nullptr);
      // Reading a decoded record back from the stores must work for every formatter (on
      // the whole input only: the split one decodes the same records).
      if (readBack) {
        SentenceRecord copy = record;
        FillFromStore(copy, *stores_);
      }
      trace += 'D';
      trace.append(record.talker);
      trace += ',';
      trace.append(record.formatter);
      if (decoder_.Completed()) {
        Check(record.startChar == '!');
        Check(decoder_.Slot() >= -1 && decoder_.Slot() < ais::TargetTable::kSlots);
        trace += 'M';
        trace += std::to_string(decoder_.Message().type());
        trace += '@';
        trace += std::to_string(decoder_.Slot());
      }
    }
    trace += handled ? 'H' : '-';
    trace += '\n';
  }

  const DataStores* stores_ = nullptr;
  bool readBack = true;
  std::string trace;
  uint64_t lines = 0;  // as a LineTracer has them
  ais::ReceptionCounters counters;

 private:
  const SentenceIntake& intake_;
  const ais::AisDecoder& decoder_;
};

// The whole pipeline, built once.
struct Pipeline {
  Pipeline() : decoder(clock) {}

  // As freshly built: zero stores, nothing under assembly, an empty target table, no
  // record or line left over from the previous run.
  void Reset() {
    stores = DataStores{};
    decoder.Reset();
    intake.emplace(stores);
    intake->SetAisStage(&decoder);
    recorder.emplace(*intake, decoder);
    intake->SetHandoff(&*recorder);
    recorder->stores_ = &stores;
    assembler.emplace();
    assembler->SetLog(&*recorder);
    assembler->AddConsumer(&*intake);
    assembler->AddConsumer(&*recorder);
  }

  tools::FixedClock clock{{2026, 1, 2, 3, 4, 5}};
  DataStores stores{};
  ais::AisDecoder decoder;
  std::optional<SentenceIntake> intake;
  std::optional<Recorder> recorder;
  std::optional<LineAssembler> assembler;
  tools::JsonWriter json;
};

Pipeline& ThePipeline() {
  static Pipeline* const pipeline = new Pipeline;  // lives as long as the process
  return *pipeline;
}

// Feeds the two parts in order; returns the trace, the reception counts and the pending
// partial line. The stores and the target table stay in the pipeline.
std::string Run(std::string_view first, std::string_view second, bool readBack) {
  Pipeline& p = ThePipeline();
  p.Reset();
  p.recorder->readBack = readBack;
  p.assembler->Feed(first.data(), first.size());
  p.assembler->Feed(second.data(), second.size());

  const ais::TargetTable& targets = p.decoder.Targets();
  const ais::ReceptionCounters& counters = p.recorder->counters;
  Check(targets.count() >= 1 && targets.count() <= ais::TargetTable::kSlots);
  Check(counters.channelA >= 0 && counters.channelB >= 0);
  return p.recorder->trace + std::to_string(p.recorder->lines) + ',' +
         std::to_string(counters.channelA) + ',' + std::to_string(counters.channelB) + '\n' +
         std::string(p.assembler->Pending());
}

// What the whole input left in the stores and the target table, to compare the split
// input with.
struct Snapshot {
  DataStores stores;
  int count;
  ais::AisTarget slots[ais::TargetTable::kSlots];
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Snapshot* const snapshot = new Snapshot;
  std::string_view input(reinterpret_cast<const char*>(data), size);
  size_t split = size == 0 ? 0 : (data[0] | size_t{data[size - 1]} << 8) % (size + 1);

  Pipeline& p = ThePipeline();
  const ais::TargetTable& targets = p.decoder.Targets();
  std::string whole = Run(input, {}, true);
  // One input in four, chosen by its bytes so that a failing input fails again, goes the
  // whole way twice: the summaries `pelyx decode` prints must work for whatever the input
  // left, and the split input must leave the same stores and stations byte for byte. For
  // the others the split input must give the same lines; the intake sees nothing else.
  if (size != 0 && data[size / 2] % 4 != 0) {
    LineTracer tracer;
    LineAssembler assembler;
    assembler.SetLog(&tracer);
    assembler.AddConsumer(&tracer);
    assembler.Feed(input.data(), split);
    assembler.Feed(input.data() + split, size - split);
    Check(tracer.lines == p.recorder->lines);
    Check(assembler.Pending() == p.assembler->Pending());
    return 0;
  }
  p.json.Clear();
  tools::AppendStores(p.json, p.stores);
  tools::AppendTargets(p.json, targets);
  std::memcpy(static_cast<void*>(&snapshot->stores), &p.stores, sizeof p.stores);
  snapshot->count = targets.count();
  for (int slot = 0; slot < targets.count(); ++slot) {
    std::memcpy(static_cast<void*>(&snapshot->slots[slot]), &targets[slot], sizeof targets[slot]);
  }

  std::string parts = Run(input.substr(0, split), input.substr(split), false);
  Check(whole == parts);
  Check(std::memcmp(&snapshot->stores, &p.stores, sizeof p.stores) == 0);
  Check(snapshot->count == targets.count());
  for (int slot = 0; slot < targets.count(); ++slot) {
    Check(std::memcmp(&snapshot->slots[slot], &targets[slot], sizeof targets[slot]) == 0);
  }
  return 0;
}
