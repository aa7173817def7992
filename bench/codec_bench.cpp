// Micro-benchmarks of the sentence decoder and of the receive path (line assembly,
// decoding, store merge) over real recorded lines.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

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
// assembler with the sentence intake as its consumer.
void BM_IntakeRecordedLines(benchmark::State& state) {
  const std::string& text = RecordedLines();
  const auto chunk = static_cast<size_t>(state.range(0));
  const auto lines = static_cast<int64_t>(std::count(text.begin(), text.end(), '\n'));
  DataStores stores{};
  SentenceIntake intake(stores);
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
BENCHMARK(BM_IntakeRecordedLines)->Arg(512)->Arg(4096)->Arg(1 << 20);

}  // namespace

BENCHMARK_MAIN();
