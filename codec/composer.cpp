// The composer table: one writer per formatter the system can send, each the format
// string of its sentence fed with fields rendered by a few shared renderers. A field
// whose value is not available, or out of its range, is written empty.
#include "codec/composer.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iterator>

namespace pelyx {

namespace {

// Long enough for any one rendered field, whatever the record holds: the longest are
// a text of 63 characters and a float near its largest value in "%4.2f" (42).
constexpr size_t kFieldSize = 96;

// One rendered field: a short NUL-terminated text, empty unless something was written.
struct Field {
  char text[kFieldSize] = {};
  size_t length = 0;

  const char* c_str() const { return text; }

  template <typename... Args>
  Field& Append(const char* format, Args... args) {
    int n = std::snprintf(text + length, sizeof text - length, format, args...);
    if (n > 0) length = std::min(length + static_cast<size_t>(n), sizeof text - 1);
    return *this;
  }
};

template <typename... Args>
Field Format(const char* format, Args... args) {
  return Field{}.Append(format, args...);
}

// ---- renderers ----------------------------------------------------------------

// An integer with `format` ("%d", "%03d", ...) when `written`, otherwise empty.
Field IntegerIf(bool written, const char* format, int value) {
  return written ? Format(format, value) : Field{};
}

// Byte fields are compared as unsigned, so their not-available value -128 (and any
// other negative value) lies above every limit and is written empty.
bool ByteBelow(int8_t value, unsigned limit) {
  return static_cast<uint8_t>(value) < limit;
}

// A measured value with `format` when it lies in [lo, hi]; not-available values, NaN
// and infinities are written empty.
Field DecimalIf(float value, const char* format, float lo, float hi = HUGE_VALF) {
  if (!(std::isfinite(value) && value >= lo && value <= hi)) return {};
  return Format(format, static_cast<double>(value));
}

// The lower limit below which a measured value counts as not available (-100000).
constexpr float kLowestValue = -99999.0f;

enum class NoTime { kAt24, kFrom24 };

// hhmmss.ss; empty for the not-available hour 24 (and above, where `noTime` says so).
Field Time(uint8_t hour, uint8_t minute, uint8_t second, uint8_t hundredths, NoTime noTime) {
  bool empty = noTime == NoTime::kAt24 ? hour == 24 : hour >= 24;
  return empty ? Field{} : Format("%02d%02d%02d.%02d", hour, minute, second, hundredths);
}

Field Time(const UtcTime& t, NoTime noTime) {
  return Time(t.hour, t.minute, t.second, t.hundredths, noTime);
}

// ddmmyy; empty when the year is 0 (no date).
Field Date(int16_t year, int8_t month, int8_t day) {
  return year == 0 ? Field{} : Format("%02d%02d%02d", day, month, year - 2000);
}

struct Sexagesimal {
  int degrees, minutes, fraction;
};

// Degrees, minutes and hundred-thousandths of a minute of |value|, each truncated; the
// minutes are worked out in single precision, as the value is held.
Sexagesimal Split(float value) {
  float a = std::fabs(value);
  int degrees = static_cast<int>(a);
  float m = (a - static_cast<float>(degrees)) * 60.0f;
  int minutes = static_cast<int>(m);
  int fraction = static_cast<int>((m - static_cast<float>(minutes)) * 100000.0f);
  return {degrees, minutes, fraction};
}

// ddmm.mmmmm,N,dddmm.mmmmm,E (four fields). Written as four empty fields when the
// position is not available (91, 181) or lies beyond the poles or the date line on
// either side, or is no number at all; so only magnitudes up to 180.1 ever reach the
// integer conversions. 0 is written with S and W.
Field Position(float latitude, float longitude) {
  if (!(std::fabs(latitude) <= 90.1f && std::fabs(longitude) <= 180.1f)) return Format("%s", ",,,");
  Sexagesimal y = Split(latitude);
  Sexagesimal x = Split(longitude);
  return Format("%02d%02d.%05d,%c,%03d%02d.%05d,%c", y.degrees, y.minutes, y.fraction,
                latitude > 0 ? 'N' : 'S', x.degrees, x.minutes, x.fraction,
                longitude > 0 ? 'E' : 'W');
}

// `base` + value as one character ("A" + channel, "0" + sequence identifier); empty
// for the not-available -128 and for a value that would give NUL.
Field OffsetCharacter(char base, int8_t value) {
  int c = base + value;
  if (value == kNoInt8 || static_cast<char>(c) == '\0') return {};
  return Format("%c", c);
}

// The bytes as pairs of upper-case hexadecimal digits, joined.
Field HexBytes(const uint8_t* bytes, size_t count) {
  Field f;
  for (size_t i = 0; i < count; ++i) f.Append("%02X", static_cast<unsigned>(bytes[i]));
  return f;
}

// A text field of the record, cut to its width (N - 1) even when it holds no NUL.
template <size_t N>
Field Text(const char (&text)[N]) {
  static_assert(N <= kFieldSize);
  Field f;
  const void* nul = std::memchr(text, '\0', N);
  size_t n = nul == nullptr ? N - 1 : static_cast<size_t>(static_cast<const char*>(nul) - text);
  std::memcpy(f.text, text, n);
  f.length = n;
  return f;
}

// A character as one field; empty for the not-available -128.
Field CharacterOrEmpty(char c) {
  return static_cast<int8_t>(c) == kNoInt8 ? Field{} : Format("%c", c);
}

// A character as one field when it lies in [lo, hi], otherwise empty.
Field CharacterIf(char c, char lo, char hi) {
  return c >= lo && c <= hi ? Format("%c", c) : Field{};
}

// The maker's envelope "TSK,c," for a direction letter "A" to "Z"; without it the
// sentence goes out in the short form $PFFF,...
Field Envelope(char directionLetter) {
  return directionLetter >= 'A' && directionLetter <= 'Z' ? Format("TSK,%c,", directionLetter)
                                                          : Field{};
}

// ---- writers ------------------------------------------------------------------
//
// Each returns what snprintf returns for its whole sentence (without checksum).

using Writer = int (*)(const SentenceRecord& r, char* out, size_t size);

constexpr uint32_t kNoNumber = 999999999;

Field Number9(uint32_t value) {
  return IntegerIf(value < kNoNumber, "%09d", static_cast<int>(value));
}

int WriteABK(const SentenceRecord& r, char* out, size_t size) {
  const auto& v = r.payload.abk;
  // The MMSI is unsigned: a value above the signed range is written as it is held.
  Field mmsi = v.mmsi == 0 ? Field{} : Format("%u", static_cast<unsigned>(v.mmsi));
  return std::snprintf(out, size, "$%s%s,%s,%s,%d,%d,%d", r.talker, r.formatter, mmsi.c_str(),
                       OffsetCharacter('A', v.channel).c_str(), v.messageId, v.sequence, v.ackType);
}

int WriteABM(const SentenceRecord& r, char* out, size_t size) {
  const auto& v = r.payload.encap;
  return std::snprintf(out, size, "!%s%s,%d,%d,%s,%u,%s,%d,%s,%d", r.talker, r.formatter, v.total,
                       v.number, OffsetCharacter('0', v.sequenceId).c_str(),
                       static_cast<unsigned>(v.destinationMmsi),
                       OffsetCharacter('0', static_cast<int8_t>(v.channel)).c_str(), v.messageId,
                       Text(v.payload).c_str(), v.fillBits);
}

int WriteACK(const SentenceRecord& r, char* out, size_t size) {
  const auto& v = r.payload.ack;
  return std::snprintf(out, size, "$%s%s,%s", r.talker, r.formatter,
                       IntegerIf(v.alarmId < 1000, "%03d", v.alarmId).c_str());
}

int WriteALR(const SentenceRecord& r, char* out, size_t size) {
  const auto& v = r.payload.alr;
  return std::snprintf(out, size, "$%s%s,%s,%d,%c,%c,%s", r.talker, r.formatter,
                       Time(v.hour, v.minute, v.second, v.hundredths, NoTime::kFrom24).c_str(),
                       v.id, v.condition, v.acknowledgement, Text(v.description).c_str());
}

// BBM carries its channel as a number.
int WriteBBM(const SentenceRecord& r, char* out, size_t size) {
  const auto& v = r.payload.encap;
  return std::snprintf(out, size, "!%s%s,%d,%d,%s,%d,%d,%s,%d", r.talker, r.formatter, v.total,
                       v.number, OffsetCharacter('0', v.sequenceId).c_str(),
                       static_cast<int8_t>(v.channel), v.messageId, Text(v.payload).c_str(),
                       v.fillBits);
}

int WriteBDY(const SentenceRecord& r, char* out, size_t size) {
  const auto& v = r.payload.bdy;
  return std::snprintf(out, size, "$%s%s,%s,%s,%s,%s,%s", r.talker, r.formatter,
                       Number9(v.number).c_str(), Text(v.text1).c_str(), Text(v.text2).c_str(),
                       IntegerIf(ByteBelow(v.byte1, 2), "%d", v.byte1).c_str(),
                       IntegerIf(ByteBelow(v.byte2, 2), "%d", v.byte2).c_str());
}

// The six numbers are written together or not at all.
int WriteBTH(const SentenceRecord& r, char* out, size_t size) {
  const auto& v = r.payload.bth;
  bool written = std::none_of(std::begin(v.value), std::end(v.value),
                              [](int16_t value) { return value > 255; });
  Field n[6];
  for (int i = 0; i < 6; ++i) n[i] = IntegerIf(written, "%03d", v.value[i]);
  return std::snprintf(out, size, "$%s%s,%s,%s,%s,%s,%s,%s,%s", r.talker, r.formatter, n[0].c_str(),
                       n[1].c_str(), n[2].c_str(), n[3].c_str(), n[4].c_str(), n[5].c_str(),
                       Text(v.text).c_str());
}

// The envelope goes between the talker "P" and the formatter: $PTSK,C,DBG,... with a
// direction letter, $PDBG,... without. An absent pair (code 999 or more, value
// INT32_MIN) gives two empty fields.
int WriteDBG(const SentenceRecord& r, char* out, size_t size) {
  const auto& v = r.payload.dbg;
  Field f[8];
  for (int i = 0; i < 4; ++i) {
    f[2 * i] = IntegerIf(v.code[i] < kNoDbgCode, "%03d", v.code[i]);
    f[2 * i + 1] =
        v.value[i] == kNoDbgValue ? Field{} : Format("%ld", static_cast<long>(v.value[i]));
  }
  return std::snprintf(out, size, "$%s%s%s,%s,%s,%s,%s,%s,%s,%s,%s", r.talker,
                       Envelope(r.directionLetter).c_str(), r.formatter, f[0].c_str(), f[1].c_str(),
                       f[2].c_str(), f[3].c_str(), f[4].c_str(), f[5].c_str(), f[6].c_str(),
                       f[7].c_str());
}

int WriteFRQ(const SentenceRecord& r, char* out, size_t size) {
  const auto& v = r.payload.frq;
  return std::snprintf(
      out, size, "$%s%s,%s,%s,%s,%s", r.talker, r.formatter, Number9(v.number[0]).c_str(),
      IntegerIf(ByteBelow(v.byte[0], 11), "%d", v.byte[0]).c_str(), Number9(v.number[1]).c_str(),
      IntegerIf(ByteBelow(v.byte[1], 11), "%d", v.byte[1]).c_str());
}

int WriteGBS(const SentenceRecord& r, char* out, size_t size) {
  const auto& v = r.payload.gbs;
  return std::snprintf(
      out, size, "$%s%s,%s,%s,%s,%s,%s,%s,%s,%s", r.talker, r.formatter,
      Time(v.time, NoTime::kAt24).c_str(),
      DecimalIf(v.errorLatitude, "%4.2f", kLowestValue).c_str(),
      DecimalIf(v.errorLongitude, "%4.2f", kLowestValue).c_str(),
      DecimalIf(v.errorAltitude, "%4.2f", kLowestValue).c_str(),
      IntegerIf(ByteBelow(v.failedSatellite, 100), "%d", v.failedSatellite).c_str(),
      DecimalIf(v.missedProbability, "%4.2f", kLowestValue).c_str(),
      DecimalIf(v.bias, "%4.2f", kLowestValue).c_str(),
      DecimalIf(v.biasDeviation, "%4.2f", kLowestValue).c_str());
}

// The twelve satellite numbers form one text: "%02d," for a number above 0 (compared
// signed, so the empty -128 is left out), "," for the others.
int WriteGSA(const SentenceRecord& r, char* out, size_t size) {
  const auto& v = r.payload.gsa;
  Field satellites;
  for (int8_t id : v.satellites) {
    if (id > 0) {
      satellites.Append("%02d,", id);
    } else {
      satellites.Append("%s", ",");
    }
  }
  return std::snprintf(out, size, "$%s%s,%c,%d,%s%s,%s,%s", r.talker, r.formatter, v.selectionMode,
                       v.fixMode, satellites.c_str(),
                       DecimalIf(v.pdop, "%4.2f", kLowestValue).c_str(),
                       DecimalIf(v.hdop, "%4.2f", kLowestValue).c_str(),
                       DecimalIf(v.vdop, "%4.2f", kLowestValue).c_str());
}

int WriteHDT(const SentenceRecord& r, char* out, size_t size) {
  return std::snprintf(out, size, "$%s%s,%s,T", r.talker, r.formatter,
                       DecimalIf(r.payload.hdt.heading, "%3.1f", 0.0f, 360.0f).c_str());
}

int WriteMID(const SentenceRecord& r, char* out, size_t size) {
  const auto& v = r.payload.mid;
  return std::snprintf(out, size, "$%s%s,%s,%s", r.talker, r.formatter, Number9(v.number1).c_str(),
                       Number9(v.number2).c_str());
}

int WriteMOB(const SentenceRecord& r, char* out, size_t size) {
  const auto& v = r.payload.mob;
  Field byte3 = v.hasByte3 ? Format("%02X", static_cast<unsigned>(v.byte3)) : Field{};
  size_t length = std::min<size_t>(v.dataLength, sizeof v.data);
  return std::snprintf(out, size, "$%s%s,%s,%d,%02X,%s,%s", r.talker, r.formatter,
                       HexBytes(v.id, sizeof v.id).c_str(), v.byte1, static_cast<unsigned>(v.byte2),
                       byte3.c_str(), HexBytes(v.data, length).c_str());
}

int WriteRMC(const SentenceRecord& r, char* out, size_t size) {
  const auto& v = r.payload.rmc;
  return std::snprintf(
      out, size, "$%s%s,%s,%c,%s,%s,%s,%s,%s,%s,%c", r.talker, r.formatter,
      Time(v.time, NoTime::kAt24).c_str(), v.status, Position(v.latitude, v.longitude).c_str(),
      DecimalIf(v.speedKnots, "%5.3f", kLowestValue).c_str(),
      DecimalIf(v.courseTrue, "%4.2f", kLowestValue).c_str(), Date(v.year, v.month, v.day).c_str(),
      DecimalIf(v.magneticVariation, "%4.2f", kLowestValue).c_str(),
      CharacterOrEmpty(v.variationDirection).c_str(), v.modeIndicator);
}

int WriteSSD(const SentenceRecord& r, char* out, size_t size) {
  const auto& v = r.payload.ssd;
  return std::snprintf(
      out, size, "$%s%s,%s,%s,%s,%s,%s,%s,%s,%s", r.talker, r.formatter, Text(v.callSign).c_str(),
      Text(v.name).c_str(), IntegerIf(v.dimensionA < 512, "%d", v.dimensionA).c_str(),
      IntegerIf(v.dimensionB < 512, "%d", v.dimensionB).c_str(),
      IntegerIf(ByteBelow(v.dimensionC, 64), "%d", v.dimensionC).c_str(),
      IntegerIf(ByteBelow(v.dimensionD, 64), "%d", v.dimensionD).c_str(),
      IntegerIf(ByteBelow(v.dte, 2), "%d", v.dte).c_str(), Text(v.sourceId).c_str());
}

int WriteTPS(const SentenceRecord& r, char* out, size_t size) {
  const auto& v = r.payload.tps;
  return std::snprintf(out, size, "$%s%s,%s,%s", r.talker, r.formatter,
                       IntegerIf(v.number < 999, "%03d", v.number).c_str(), Text(v.text).c_str());
}

int WriteTST(const SentenceRecord& r, char* out, size_t size) {
  const auto& v = r.payload.tst;
  return std::snprintf(out, size, "$%s%s,%s,%s,%s,%s,%s", r.talker, r.formatter,
                       IntegerIf(v.number < 99999, "%05d", static_cast<int>(v.number)).c_str(),
                       IntegerIf(ByteBelow(v.byte, 99), "%02d", v.byte).c_str(),
                       CharacterIf(v.char1, 'a', 'm').c_str(),
                       CharacterIf(v.char2, 'A', 'Z').c_str(),
                       IntegerIf(v.word != -1, "%05d", v.word).c_str());
}

// VDM and VDO: the channel is written as "A" + its index.
int WriteVDM(const SentenceRecord& r, char* out, size_t size) {
  const auto& v = r.payload.encap;
  return std::snprintf(out, size, "!%s%s,%d,%d,%s,%s,%s,%d", r.talker, r.formatter, v.total,
                       v.number, OffsetCharacter('0', v.sequenceId).c_str(),
                       OffsetCharacter('A', static_cast<int8_t>(v.channel)).c_str(),
                       Text(v.payload).c_str(), v.fillBits);
}

int WriteVSD(const SentenceRecord& r, char* out, size_t size) {
  const auto& v = r.payload.vsd;
  return std::snprintf(out, size, "$%s%s,%s,%s,%s,%s,%s,%s,%s,%s,%s", r.talker, r.formatter,
                       IntegerIf(v.shipType < 256, "%d", v.shipType).c_str(),
                       DecimalIf(v.draught, "%4.1f", 0.0f, 25.5f).c_str(),
                       IntegerIf(v.personsOnBoard < 8192, "%d", v.personsOnBoard).c_str(),
                       Text(v.destination).c_str(), Time(v.eta, NoTime::kFrom24).c_str(),
                       IntegerIf(ByteBelow(v.etaDay, 32), "%02d", v.etaDay).c_str(),
                       IntegerIf(ByteBelow(v.etaMonth, 13), "%02d", v.etaMonth).c_str(),
                       IntegerIf(ByteBelow(v.navStatus, 16), "%d", v.navStatus).c_str(),
                       IntegerIf(ByteBelow(v.regionalFlags, 16), "%d", v.regionalFlags).c_str());
}

struct ComposerEntry {
  char formatter[4];
  Writer write;
};

// The codec's whole outgoing vocabulary.
// clang-format off
constexpr ComposerEntry kComposers[] = {
    {"ABK", WriteABK}, {"ABM", WriteABM}, {"ACK", WriteACK}, {"ALR", WriteALR},
    {"BBM", WriteBBM}, {"BDY", WriteBDY}, {"BTH", WriteBTH}, {"DBG", WriteDBG},
    {"FRQ", WriteFRQ}, {"GBS", WriteGBS}, {"GSA", WriteGSA}, {"HDT", WriteHDT},
    {"MID", WriteMID}, {"MOB", WriteMOB}, {"RMC", WriteRMC}, {"SSD", WriteSSD},
    {"TPS", WriteTPS}, {"TST", WriteTST}, {"VDM", WriteVDM}, {"VDO", WriteVDM},
    {"VSD", WriteVSD},
};
// clang-format on

Writer FindWriter(const char* formatter) {
  for (const ComposerEntry& entry : kComposers) {
    if (std::strcmp(entry.formatter, formatter) == 0) return entry.write;
  }
  return nullptr;
}

// Copies up to `n` characters of `src` (none for a null pointer), NUL-padded; dst
// holds n + 1.
void CopyName(char* dst, const char* src, size_t n) {
  size_t i = 0;
  for (; src != nullptr && i < n && src[i] != '\0'; ++i) dst[i] = src[i];
  for (; i <= n; ++i) dst[i] = '\0';
}

// A character field that holds NUL would cut the sentence short; it is dropped, which
// leaves that field empty. Returns the new length.
size_t DropNulCharacters(char* text, size_t length) {
  char* end = std::remove(text, text + length, '\0');
  *end = '\0';
  return static_cast<size_t>(end - text);
}

}  // namespace

size_t ComposerTableSize() {
  return std::size(kComposers);
}

bool AppendChecksum(char* sentence, size_t size) {
  if (sentence == nullptr) return false;
  const void* nul = std::memchr(sentence, '\0', size);
  if (nul == nullptr) return false;
  size_t length = static_cast<size_t>(static_cast<const char*>(nul) - sentence);
  if (size - length < 6) return false;  // "*hh", CR, LF, NUL
  uint8_t x = 0;
  for (size_t i = 1; i < length; ++i) x ^= static_cast<uint8_t>(sentence[i]);
  static constexpr char kHex[] = "0123456789ABCDEF";
  char* p = sentence + length;
  p[0] = '*';
  p[1] = kHex[x >> 4];
  p[2] = kHex[x & 0x0F];
  p[3] = '\r';
  p[4] = '\n';
  p[5] = '\0';
  return true;
}

bool SentenceComposer::ComposeSentence(char* out, size_t outSize, const char* formatter,
                                       const char* talker) {
  if (formatter == nullptr) return false;
  CopyName(record_.talker, talker, sizeof record_.talker - 1);
  CopyName(record_.formatter, formatter, sizeof record_.formatter - 1);
  FillFromStore(record_, stores_);

  Writer write = FindWriter(formatter);
  if (write == nullptr || out == nullptr || outSize == 0) return false;
  int n = write(record_, out, outSize);
  if (n < 0 || static_cast<size_t>(n) >= outSize) {
    out[0] = '\0';  // no cut sentence
    return false;
  }
  DropNulCharacters(out, static_cast<size_t>(n));
  if (!AppendChecksum(out, outSize)) {
    out[0] = '\0';
    return false;
  }
  return true;
}

}  // namespace pelyx
