// Sentence framing, checksum test and dispatch of a received line to the parser of
// its formatter.
#pragma once

#include <cstddef>

#include "codec/records.h"

namespace pelyx {

// The decoder works in place on a line buffer of at least this many characters.
inline constexpr size_t kSentenceBufferSize = 100;

// Decodes one received line (NUL-terminated, ending with CR LF) into `record`. The line
// is rewritten in place (empty fields widened, the proprietary prefix overwritten,
// delimiters cut). True when frame, checksum and formatter are valid and the
// formatter's parser accepted the fields.
bool DecodeSentence(char* line, SentenceRecord& record);

// True when the two hexadecimal characters after the first '*' match the XOR of every
// character between the start character and that '*'.
bool VerifyChecksum(const char* line);

// Widens every empty field to one blank, in place. False (line unchanged) when the
// marked line would be longer than 98 characters.
bool MarkEmptyFields(char* line);

// True when `text` holds exactly `count` commas.
bool HasCommaCount(const char* text, int count);

// Number of formatters the decoder knows.
size_t DispatchTableSize();

}  // namespace pelyx
