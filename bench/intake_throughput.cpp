// pelyx-bench-intake CORPUS [PASSES]: the receive path alone (line assembly, decoding,
// store merge, and then the same with the AIS stage: assembly, de-armouring, message
// decoder, target table; no output) over a corpus read into memory, fed in 64 KiB
// chunks. Prints the best of PASSES runs (default 5) in lines per second.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "ais/decoder.h"
#include "codec/intake.h"
#include "codec/stores.h"

namespace {

// Counts the lines that reached the intake and those that decoded.
class Tally : public pelyx::LineConsumer {
 public:
  explicit Tally(const pelyx::SentenceIntake& intake) : intake_(intake) {}
  void TakeLine(std::string_view) override {
    ++lines;
    decoded += intake_.LastDecoded() ? 1 : 0;
  }
  long lines = 0;
  long decoded = 0;

 private:
  const pelyx::SentenceIntake& intake_;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fputs("usage: pelyx-bench-intake CORPUS [PASSES]\n", stderr);
    return 1;
  }
  std::ifstream in(argv[1], std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "pelyx-bench-intake: cannot open %s\n", argv[1]);
    return 2;
  }
  std::ostringstream bytes;
  bytes << in.rdbuf();
  const std::string text = bytes.str();
  const long lines = static_cast<long>(std::count(text.begin(), text.end(), '\n'));
  const int passes = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
  constexpr size_t kChunk = 64 * 1024;

  for (bool withAis : {false, true}) {
    double best = 1e300;
    long decoded = 0;
    int targets = 0;
    for (int pass = 0; pass < passes; ++pass) {
      auto stores = std::make_unique<pelyx::DataStores>();
      pelyx::ais::SystemClock clock;
      auto ais = std::make_unique<pelyx::ais::AisDecoder>(clock);
      pelyx::SentenceIntake intake(*stores);
      if (withAis) intake.SetAisStage(ais.get());
      Tally tally(intake);
      pelyx::LineAssembler assembler;
      assembler.AddConsumer(&intake);
      assembler.AddConsumer(&tally);
      auto start = std::chrono::steady_clock::now();
      for (size_t at = 0; at < text.size(); at += kChunk) {
        assembler.Feed(text.data() + at, std::min(kChunk, text.size() - at));
      }
      std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
      best = std::min(best, elapsed.count());
      decoded = tally.decoded;
      targets = ais->Targets().count() - 1;
    }
    std::printf(
        "intake%s: %ld lines (%ld decoded), %.1f MB, best of %d: %.3f s, %.0f lines/s, "
        "%.0f MB/s",
        withAis ? " + AIS" : "", lines, decoded, static_cast<double>(text.size()) / 1e6, passes,
        best, static_cast<double>(lines) / best, static_cast<double>(text.size()) / 1e6 / best);
    if (withAis) std::printf(", %d stations", targets);
    std::printf("\n");
  }
  return 0;
}
