// Arbitrary received bytes through the line assembler, the sentence intake, the data
// stores and the AIS stage (fragment assembly, de-armouring, message decoder, target
// table, reception counters). The input is fed once whole and once split at a point taken from the
// data: both must give the same lines, the same results and the same stores. Aborts on any broken
// promise of the assembler or the intake.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
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
    Check(text.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos);
    trace += 'L';
    trace.append(text);
    trace += '\n';
  }
  void TakeLine(std::string_view line) override {
    Check(line.size() >= 2 && line.size() <= kMaxSentenceLength + 2);
    Check(line.substr(line.size() - 2) == "\r\n");
    Check(line.substr(0, line.size() - 2).find_first_of(std::string_view("\r\n\0", 3)) ==
          std::string_view::npos);
    bool decoded = intake_.LastDecoded();
    bool handled = intake_.LastHandled();
    Check(!handled || decoded);
    if (decoded) {
      const SentenceRecord& record = intake_.IntakeRecord();
      Check(record.startChar == line[0]);
      Check(record.startChar == '$' || record.startChar == '!');
      Check(std::memchr(record.talker, '\0', sizeof record.talker) != nullptr);
      Check(std::memchr(record.formatter, '\0', sizeof record.formatter) != nullptr);
      // Reading a decoded record back from the stores must work for every formatter.
      SentenceRecord copy = record;
      FillFromStore(copy, *stores_);
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
  std::string trace;
  ais::ReceptionCounters counters;

 private:
  const SentenceIntake& intake_;
  const ais::AisDecoder& decoder_;
};

// Feeds the two parts in order; returns the trace, the stores as JSON and the pending
// partial line.
std::string Run(std::string_view first, std::string_view second) {
  auto stores = std::make_unique<DataStores>();
  static tools::FixedClock clock({2026, 1, 2, 3, 4, 5});
  auto decoder = std::make_unique<ais::AisDecoder>(clock);
  SentenceIntake intake(*stores);
  intake.SetAisStage(decoder.get());
  Recorder recorder(intake, *decoder);
  intake.SetHandoff(&recorder);
  recorder.stores_ = stores.get();
  LineAssembler assembler;
  assembler.SetLog(&recorder);
  assembler.AddConsumer(&intake);
  assembler.AddConsumer(&recorder);
  assembler.Feed(first.data(), first.size());
  assembler.Feed(second.data(), second.size());

  static tools::JsonWriter json;  // reserves a large block: once, not per run
  json.Clear();
  tools::AppendStores(json, *stores);
  tools::AppendTargets(json, decoder->Targets());
  Check(decoder->Targets().count() >= 1 && decoder->Targets().count() <= ais::TargetTable::kSlots);
  Check(recorder.counters.channelA >= 0 && recorder.counters.channelB >= 0);
  return recorder.trace + std::to_string(recorder.counters.channelA) + ',' +
         std::to_string(recorder.counters.channelB) + '\n' + json.Text() + json.Text() +
         std::string(assembler.Pending());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  size_t split = size == 0 ? 0 : (data[0] | size_t{data[size - 1]} << 8) % (size + 1);
  std::string whole = Run(input, {});
  std::string parts = Run(input.substr(0, split), input.substr(split));
  Check(whole == parts);
  return 0;
}
