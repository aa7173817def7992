#include "codec/decoder.h"

#include <cstdint>
#include <cstring>
#include <iterator>

#include "codec/formatter_key.h"
#include "codec/parsers.h"

namespace pelyx {

namespace {

using namespace parsers;

constexpr uint64_t Commas(int n) {
  return uint64_t{1} << n;
}
constexpr uint64_t kUncounted = 0;  // the parser checks its own fields
// Also the counts of the NMEA 4.10 form, which adds `added` fields at the end: the
// navigation status (RMC, GNS), the system ID (GSA), the signal ID (GSV), the system
// and signal IDs (GBS). The parser reads them and drops them.
constexpr uint64_t AndNewerForm(uint64_t counts, int added) {
  return counts | counts << added;
}

struct DispatchEntry {
  char formatter[4];
  uint64_t commaCounts;  // bit n set: n commas accepted
  Parser parse;
};

// The formatters the decoder accepts and the exact comma counts their parsers require,
// counted on the text the parser sees (a $PTSK,c,FFF,... sentence without "TSK,c,").
// clang-format off
constexpr DispatchEntry kDispatch[] = {
    {"GGA", Commas(14), ParseGGA},
    {"GSV", AndNewerForm(Commas(7) | Commas(11) | Commas(15) | Commas(19), 1), ParseGSV},
    {"GSA", AndNewerForm(Commas(17), 1), ParseGSA},
    {"RMC", AndNewerForm(Commas(12), 1), ParseRMC},
    {"VDM", Commas(6),  ParseVDM},
    {"VDO", Commas(6),  ParseVDM},
    {"GLL", Commas(7),  ParseGLL},
    {"VTG", Commas(9),  ParseVTG},
    {"ZDA", Commas(6),  ParseZDA},
    {"GBS", AndNewerForm(Commas(8), 2), ParseGBS},
    {"GNS", AndNewerForm(Commas(12), 1), ParseGNS},
    {"HDT", Commas(2),  ParseHDT},
    {"ROT", Commas(2),  ParseROT},
    {"GST", Commas(8),  ParseGST},
    {"GRS", Commas(14), ParseGRS},
    {"DTM", Commas(8),  ParseDTM},
    {"TXT", Commas(4),  ParseTXT},
    {"VBW", Commas(6),  ParseVBW},
    {"OSD", Commas(9),  ParseOSD},
    {"RMA", kUncounted, ParseRMA},
    {"WPL", Commas(5),  ParseWPL},
    {"ABK", Commas(5),  ParseABK},
    {"ABM", Commas(8),  ParseABM},
    {"ACA", Commas(19), ParseACA},
    {"ACK", Commas(1),  ParseACK},
    {"ACS", Commas(6),  ParseACS},
    {"AIQ", Commas(2),  ParseAIQ},
    {"ALR", Commas(5),  ParseALR},
    {"BBM", Commas(7),  ParseBBM},
    {"SSD", Commas(8),  ParseSSD},
    {"VSD", Commas(9),  ParseVSD},
    {"Smg", Commas(2),  ParseSmg},
    {"Q",   Commas(9),  ParseQuery},
    {"MID", Commas(2),  ParseMID},
    {"BDY", Commas(5),  ParseBDY},
    {"TST", Commas(5),  ParseTST},
    {"FRQ", Commas(4),  ParseFRQ},
    {"BTH", Commas(7),  ParseBTH},
    {"DBG", Commas(8),  ParseDBG},
    {"TPS", Commas(2),  ParseTPS},
    {"MOB", Commas(5),  ParseMOB},
};
// clang-format on

// Keys built once; the formatter fields are NUL-padded, so "Q" compares as "Q\0\0".
struct DispatchKeys {
  uint32_t key[std::size(kDispatch)];
  constexpr DispatchKeys() : key() {
    for (size_t i = 0; i < std::size(kDispatch); ++i) key[i] = FormatterKey(kDispatch[i].formatter);
  }
};
constexpr DispatchKeys kKeys;

const DispatchEntry* Find(const char* formatter) {
  uint32_t key = FormatterKey(formatter);
  for (size_t i = 0; i < std::size(kDispatch); ++i) {
    if (kKeys.key[i] == key) return &kDispatch[i];
  }
  return nullptr;
}

// Copies up to `n` characters of `src`, stopping at its NUL; dst holds n + 1.
void CopyName(char* dst, const char* src, size_t n) {
  size_t i = 0;
  for (; i < n && src[i] != '\0'; ++i) dst[i] = src[i];
  for (; i <= n; ++i) dst[i] = '\0';
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

size_t DispatchTableSize() {
  return std::size(kDispatch);
}

bool VerifyChecksum(const char* line) {
  size_t length = std::strlen(line);
  if (length < 2) return false;
  auto x = static_cast<uint8_t>(line[1]);
  size_t i = 2;
  while (line[i] != '*') {
    if (i + 3 > length) return false;  // no "*" before the CR LF
    x ^= static_cast<uint8_t>(line[i]);
    ++i;
  }
  // Only upper-case hexadecimal digits count: other characters would map to arbitrary
  // values and could let a corrupted sentence through.
  int high = HexDigit(line[i + 1]);
  int low = i + 2 <= length ? HexDigit(line[i + 2]) : -1;
  if (high < 0 || low < 0) return false;
  return ((high << 4) | low) == x;
}

bool MarkEmptyFields(char* line) {
  char work[kSentenceBufferSize];
  size_t n = 0;
  for (const char* p = line; *p != '\0'; ++p) {
    work[n++] = *p;
    if (n >= 99) return false;
    if (*p == ',' && (p[1] == ',' || p[1] == '*')) {
      work[n++] = ' ';
      if (n >= 99) return false;
    }
  }
  work[n] = '\0';
  std::memcpy(line, work, n + 1);
  return true;
}

bool HasCommaCount(const char* text, int count) {
  int n = 0;
  for (const char* p = text; *p != '\0'; ++p) n += *p == ',';
  return n == count;
}

bool DecodeSentence(char* line, SentenceRecord& record) {
  size_t length = std::strlen(line);
  if (length < 2 || line[length - 1] != '\n' || line[length - 2] != '\r') return false;
  if (!VerifyChecksum(line) || !MarkEmptyFields(line)) return false;
  length = std::strlen(line);

  std::memset(record.talker, 0, sizeof record.talker);
  std::memset(record.formatter, 0, sizeof record.formatter);
  record.directionLetter = 0;
  record.startChar = line[0];

  char* text = line;
  if (line[1] == 'P') {
    CopyName(record.talker, "P", 1);
    CopyName(record.formatter, line + 2, 3);
    if (std::strcmp(record.formatter, "TSK") == 0) {
      // $PTSK,c,FFF,... : keep c, then let the parser see $PFFF,...
      if (length < 11) return false;
      record.directionLetter = line[6];
      CopyName(record.formatter, line + 8, 3);
      line[6] = '$';
      line[7] = 'P';
      text = line + 6;
    }
  } else if (length > 5 && line[5] == 'Q') {
    CopyName(record.talker, line + 1, 2);
    CopyName(record.formatter, "Q", 1);
  } else {
    CopyName(record.talker, line + 1, 2);
    CopyName(record.formatter, line + 3, 3);
  }

  const DispatchEntry* entry = Find(record.formatter);
  if (entry == nullptr) return false;
  int commas = 0;
  for (const char* p = text; *p != '\0'; ++p) commas += *p == ',';
  if (entry->commaCounts != kUncounted &&
      (commas >= 64 || ((entry->commaCounts >> commas) & 1) == 0)) {
    return false;
  }
  return entry->parse(text, commas, record);
}

}  // namespace pelyx
