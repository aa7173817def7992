// Micro-benchmarks of the sentence decoder, the AIS message decoder and of the receive
// path (line assembly, decoding, store merge, AIS stage) over real recorded lines.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "ais/decoder.h"
#include "ais/message.h"
#include "ais/payload.h"
#include "codec/decoder.h"
#include "codec/intake.h"
#include "codec/records.h"
#include "codec/stores.h"

namespace {

using namespace pelyx;

// Real sentences from tests/data (the DBG command as the configuration sends it).
constexpr const char* kGga =
    "$GPGGA,213950.00,5250.53669,N,00542.34920,E,1,09,1.03,-6.0,M,45.8,M,,*7B\r\n";
constexpr const char* kRmc =
    "$GPRMC,213950.00,A,5250.53669,N,00542.34920,E,0.020,,070420,,,A*7D\r\n";
constexpr const char* kGsv =
    "$GPGSV,3,1,10,03,39,230,23,08,31,170,31,10,08,058,31,11,65,149,31*76\r\n";
constexpr const char* kVdm = "!AIVDM,1,1,,B,13aDp<PP000IwSlN?Wm@0?wN2<1T,0*29\r\n";
constexpr const char* kDbg = "$PTSK,R,DBG,40,2,42,4,99,1,999,-2147483648*2B\r\n";

// The decoder rewrites its line in place, so each iteration copies the line into the
// buffer first, as the intake does.
void BM_DecodeSentence(benchmark::State& state, const char* sentence) {
  const size_t length = std::strlen(sentence);
  char buffer[kSentenceBufferSize + 4];
  SentenceRecord record{};
  std::memcpy(buffer, sentence, length + 1);
  if (!DecodeSentence(buffer, record)) {
    state.SkipWithError("the sentence does not decode");
    return;
  }
  for (auto _ : state) {
    std::memcpy(buffer, sentence, length + 1);
    bool ok = DecodeSentence(buffer, record);
    benchmark::DoNotOptimize(ok);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * length));
}
BENCHMARK_CAPTURE(BM_DecodeSentence, GGA, kGga);
BENCHMARK_CAPTURE(BM_DecodeSentence, RMC, kRmc);
BENCHMARK_CAPTURE(BM_DecodeSentence, GSV, kGsv);
BENCHMARK_CAPTURE(BM_DecodeSentence, VDM, kVdm);
BENCHMARK_CAPTURE(BM_DecodeSentence, PTSK_DBG, kDbg);

// One real payload of each message type (tests/data/ais), with its fill bits.
struct AisPayload {
  const char* text;
  int8_t fillBits;
};
constexpr AisPayload kType1 = {"13nUgBWP01PkHvDU7<kC4wvJ2>`<", 0};
constexpr AisPayload kType4 = {"403t97Av:581D`bPsTF:?A700<;3", 0};
constexpr AisPayload kType5 = {
    "55?MbV02;H;s<HtKR20EHE:0@T4@Dn2222222216L961O5Gf0NSQEp6ClRp888888888880", 2};
constexpr AisPayload kType8 = {"83aIj>0j2d<tLL=MM1T0a?a@0000", 0};
constexpr AisPayload kType18 = {"B3KLehP0B@LTN6`Vl;rrBE063P06", 0};
constexpr AisPayload kType19 = {"C69EG6@0026tkc3Ln`sBL000JBM0l@2L?0jc1QWQed00f0D210R0", 0};
constexpr AisPayload kType21 = {"EvjJ9@RRqKJI@9:@9Pc:R94U0P0@Np>8=0tP`00@08V>00", 4};
constexpr AisPayload kType22 = {"F030ot22N2P6aoQbhe4736L20000", 0};
constexpr AisPayload kType24 = {"H3KLehdt00000000?6ekkjm000000", 0};

// De-armouring and decoding of one complete payload, as the AIS stage runs them.
void BM_DecodeMessage(benchmark::State& state, AisPayload payload) {
  ais::PendingPayload pending{};
  std::strncpy(pending.text, payload.text, ais::kMaxPayloadText);
  pending.fillBits = payload.fillBits;
  ais::PayloadBits bits{};
  ais::DecodedMessage message{};
  if (!ais::dearmour(pending, bits) || !ais::decodeMessage(bits, message)) {
    state.SkipWithError("the payload does not decode");
    return;
  }
  for (auto _ : state) {
    bool ok = ais::dearmour(pending, bits);
    message = ais::DecodedMessage{};
    ok = ais::decodeMessage(bits, message) && ok;
    benchmark::DoNotOptimize(ok);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
}
BENCHMARK_CAPTURE(BM_DecodeMessage, Type1, kType1);
BENCHMARK_CAPTURE(BM_DecodeMessage, Type4, kType4);
BENCHMARK_CAPTURE(BM_DecodeMessage, Type5, kType5);
BENCHMARK_CAPTURE(BM_DecodeMessage, Type8, kType8);
BENCHMARK_CAPTURE(BM_DecodeMessage, Type18, kType18);
BENCHMARK_CAPTURE(BM_DecodeMessage, Type19, kType19);
BENCHMARK_CAPTURE(BM_DecodeMessage, Type21, kType21);
BENCHMARK_CAPTURE(BM_DecodeMessage, Type22, kType22);
BENCHMARK_CAPTURE(BM_DecodeMessage, Type24B, kType24);

// Every recording of tests/data/ais and tests/data/gnss, concatenated.
const std::string& RecordedLines() {
  static const std::string text = [] {
    std::string all;
    for (const char* folder : {"ais", "gnss"}) {
      std::vector<std::filesystem::path> files;
      for (const auto& entry :
           std::filesystem::directory_iterator(std::filesystem::path(PELYX_TEST_DATA) / folder)) {
        files.push_back(entry.path());
      }
      std::sort(files.begin(), files.end());
      for (const auto& file : files) {
        std::ifstream in(file, std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        all += bytes.str();
      }
    }
    return all;
  }();
  return text;
}

// The receive path as a link drives it: chunks of `state.range(0)` bytes into one line
// assembler with the sentence intake (and its AIS stage when `withAis`) as its consumer.
void IntakeRecordedLines(benchmark::State& state, bool withAis) {
  const std::string& text = RecordedLines();
  const auto chunk = static_cast<size_t>(state.range(0));
  const auto lines = static_cast<int64_t>(std::count(text.begin(), text.end(), '\n'));
  DataStores stores{};
  SentenceIntake intake(stores);
  ais::SystemClock clock;
  auto decoder = std::make_unique<ais::AisDecoder>(clock);
  if (withAis) intake.SetAisStage(decoder.get());
  LineAssembler assembler;
  assembler.AddConsumer(&intake);
  for (auto _ : state) {
    for (size_t at = 0; at < text.size(); at += chunk) {
      assembler.Feed(text.data() + at, std::min(chunk, text.size() - at));
    }
    benchmark::DoNotOptimize(stores);
  }
  state.SetItemsProcessed(state.iterations() * lines);
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
  state.counters["lines"] = static_cast<double>(lines);
}
void BM_IntakeRecordedLines(benchmark::State& state) {
  IntakeRecordedLines(state, false);
}
void BM_IntakeRecordedLinesWithAis(benchmark::State& state) {
  IntakeRecordedLines(state, true);
}
BENCHMARK(BM_IntakeRecordedLines)->Arg(512)->Arg(4096)->Arg(1 << 20);
BENCHMARK(BM_IntakeRecordedLinesWithAis)->Arg(4096);

}  // namespace

BENCHMARK_MAIN();
