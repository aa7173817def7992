// Arbitrary text straight into the sentence decoder: a copy of the input (at most 99
// bytes and a NUL) in a buffer of the size the decoder works in, then the store merge
// of whatever decoded.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "codec/decoder.h"
#include "codec/records.h"
#include "codec/stores.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace pelyx;
  char line[kSentenceBufferSize];
  size_t length = size < kSentenceBufferSize - 1 ? size : kSentenceBufferSize - 1;
  std::memcpy(line, data, length);
  line[length] = '\0';

  static SentenceRecord record{};
  static DataStores stores{};
  VerifyChecksum(line);
  const char start = line[0];
  if (DecodeSentence(line, record)) {
    // The decoder leaves the start character to the intake's filter (and its field
    // reader may cut the line anywhere); the rewritten line stays inside its buffer.
    if (record.startChar != start || std::strlen(line) >= kSentenceBufferSize) std::abort();
    MergeIntoStore(record, stores);
    SentenceRecord copy = record;
    FillFromStore(copy, stores);
  }
  return 0;
}
