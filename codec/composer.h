// The sentence composer: the codec's outgoing vocabulary. A caller names a talker and
// a formatter; the composer fills its record from the data store of the formatter's
// group, writes the fields with the formatter's format string and appends the checksum
// and CR LF.
#pragma once

#include <cstddef>

#include "codec/records.h"
#include "codec/stores.h"

namespace pelyx {

// Enough for every composed sentence whose text fields keep to their widths.
inline constexpr size_t kComposeBufferSize = 100;

// Appends "*", the checksum (XOR of every character after the start character) as two
// upper-case hexadecimal digits, CR, LF and NUL to the NUL-terminated `sentence`, never
// writing past `size` bytes. False, with the sentence unchanged, when `size` bytes hold
// no NUL or leave no room for the six characters.
bool AppendChecksum(char* sentence, size_t size);

class SentenceComposer {
 public:
  // The composer reads the stores on every call and never changes them.
  explicit SentenceComposer(const DataStores& stores) : stores_(stores) {}

  // The compose record: separate from any intake record, never cleared between calls.
  // Callers prepare the ABK, ABM, BBM, VDM and VDO variants here; for the other
  // formatters the fields the stores carry are filled on every call, the rest keep
  // what they held.
  SentenceRecord& Record() { return record_; }
  const SentenceRecord& Record() const { return record_; }

  // Fills the record from the stores and writes the sentence of `formatter` (three
  // characters, case-sensitive) with `talker` ("P" for the maker's proprietary
  // sentences, "EC", "AI", ...) into `out`, checksum and CR LF included, NUL-terminated.
  //
  // False when the formatter has no composer; `out` is then left untouched. False as
  // well when the sentence, checksum and CR LF included, does not fit in `outSize`
  // bytes (values far outside their fields' ranges can make it long): `out` then holds
  // the empty text rather than a cut sentence. Never writes more than `outSize` bytes.
  bool ComposeSentence(char* out, size_t outSize, const char* formatter, const char* talker);

 private:
  const DataStores& stores_;
  SentenceRecord record_{};
};

// Number of formatters the composer can write.
size_t ComposerTableSize();

}  // namespace pelyx
