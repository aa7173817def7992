// Field tools every sentence parser uses: the tokenizer, the conversions of a
// received field, and `FieldReader`, which turns a parser into a short sequence of
// typed reads that mirrors the sentence's field list.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>

#include "codec/records.h"

namespace pelyx {

// The tokenizer. A cursor object instead of a kept static position: it is valid while
// the text it points into is unchanged, i.e. for one parser run.
class FieldCursor {
 public:
  explicit FieldCursor(char* text) : pos_(text) {}

  // The next field up to `delimiter`, which is overwritten with NUL. A field holding
  // anything but blanks comes back without its leading blanks; an all-blank field (the
  // empty-field marker) comes back unchanged. Without a further delimiter: nullptr,
  // and every later call gives nullptr too.
  char* NextField(char delimiter);

 private:
  char* pos_;
};

// C-library style conversions of a field, made safe for any input: leading blanks,
// optional sign, digits up to the first other character, no digits gives 0. The value
// saturates at the 64-bit range instead of overflowing.
int64_t DecimalValue(const char* text);
// strtod-compatible value of a field (blanks, sign, decimal/exponent/hex/inf/nan).
double RealValue(const char* text);
// A double narrowed to a 32-bit float; out-of-range magnitudes become infinities.
float ToFloat(double value);

// dddmm.mmmm to degrees; above `limit` gives limit + 1 (the not-available value).
float MinutesToDegrees(double value, double limit);

// The conversions that read their own field(s) and hand back the field that follows
// (delimiter ','); `field` may be nullptr (a missing field counts as empty).
char* ParseLatLon(FieldCursor& cursor, char* firstField, float& latitude, float& longitude);
char* ParseUtcTime(FieldCursor& cursor, char* field, UtcTime& time);
char* ParseDate(FieldCursor& cursor, char* field, int16_t& year, int8_t& month, int8_t& day);

// Upper-case hexadecimal digits only; false at any other character.
bool ParseHexByte(const char* text, uint8_t& value);

// The same conversions on fields already cut.
void LatLonFromFields(const char* lat, const char* ns, const char* lon, const char* ew,
                      float& latitude, float& longitude);
void UtcTimeFromField(const char* field, UtcTime& time);
void DateFromField(const char* field, int16_t& year, int8_t& month, int8_t& day);

inline bool IsEmptyField(const char* field) {
  return field == nullptr || field[0] == ' ';
}

// Typed, range-checked reads over one sentence. Constructed on the sentence as the
// decoder hands it over; skips the header field. The sentence has `fieldCount` fields
// after the header (its comma count): the last one is read up to '*', all others up to
// ','. A count of 0 means unknown: every field is read up to ','.
//
// Every read consumes its field(s) and returns false when a field is missing or the
// stored value is out of the accepted range; parsers chain reads with &&, so a sentence
// is rejected at its first bad field with the fields before it already written.
class FieldReader {
 public:
  // "No empty value": an empty field is converted unchanged (numbers read 0, a char
  // reads a blank).
  static constexpr int64_t kConvert = std::numeric_limits<int64_t>::min();
  static constexpr int64_t kAny = std::numeric_limits<int64_t>::max();
  // "An empty field rejects the sentence".
  static constexpr int64_t kReject = std::numeric_limits<int64_t>::min() + 1;

  FieldReader(char* sentence, int fieldCount);

  // The next raw field, or nullptr when there is none.
  char* Next();
  bool Skip() { return Next() != nullptr; }
  // Reads and drops the fields after those the parser keeps (the fields a newer form of
  // the sentence adds); true when there are none.
  bool DropRest();

  template <typename T>
  bool Int(T& out, int64_t emptyValue = kConvert, int64_t lo = kConvert, int64_t hi = kAny) {
    char* f = Next();
    if (f == nullptr) return false;
    if (emptyValue != kConvert && IsEmptyField(f)) {
      if (emptyValue == kReject) return false;
      out = static_cast<T>(emptyValue);
      return true;
    }
    out = static_cast<T>(DecimalValue(f));
    return InRange(static_cast<int64_t>(out), lo, hi);
  }

  // Without an empty value the blank is converted (0).
  bool Real(float& out);
  bool Real(float& out, float emptyValue, float lo = -std::numeric_limits<float>::infinity(),
            float hi = std::numeric_limits<float>::infinity());
  // The field's first character; without an empty value an empty field reads a blank.
  bool Char(char& out);
  bool Char(char& out, char emptyValue);
  // The whole field cut to width - 1 characters; an empty field gives the blank, or the
  // empty text when `emptyGivesEmptyText`.
  bool Text(char* out, size_t width, bool emptyGivesEmptyText = false);
  // The whole field, rejected when longer than `maxChars` (out holds maxChars + 1).
  bool TextAtMost(char* out, size_t maxChars);
  // The first `n` characters of the field, NUL-padded.
  bool Prefix(char* out, size_t n);
  // A one-character unit field; a longer field rejects the sentence.
  bool Unit(char& out, char emptyValue);
  bool Time(UtcTime& out);
  bool Date(int16_t& year, int8_t& month, int8_t& day);
  bool LatLon(float& latitude, float& longitude);

 private:
  static bool InRange(int64_t v, int64_t lo, int64_t hi) {
    return (lo == kConvert || v >= lo) && (hi == kAny || v <= hi);
  }
  char Delimiter() const { return fieldCount_ != 0 && index_ + 1 == fieldCount_ ? '*' : ','; }

  FieldCursor cursor_;
  int fieldCount_;
  int index_ = 0;  // fields read so far, header excluded
};

}  // namespace pelyx
