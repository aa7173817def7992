#include "codec/fields.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace pelyx {

namespace {

bool IsCSpace(char c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}

}  // namespace

char* FieldCursor::NextField(char delimiter) {
  if (pos_ == nullptr) return nullptr;
  char* field = pos_;
  char* end = std::strchr(field, delimiter);
  if (end == nullptr) {
    pos_ = nullptr;
    return nullptr;
  }
  *end = '\0';
  pos_ = end + 1;
  char* p = field;
  while (*p == ' ') ++p;
  return *p == '\0' ? field : p;
}

int64_t DecimalValue(const char* text) {
  const char* p = text;
  while (IsCSpace(*p)) ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';
  constexpr uint64_t kLimit = uint64_t{1} << 63;  // |INT64_MIN|
  uint64_t v = 0;
  for (; *p >= '0' && *p <= '9'; ++p) {
    if (v > kLimit / 10) {
      v = kLimit + 1;  // saturated: past every 64-bit value
      continue;
    }
    v = v * 10 + static_cast<uint64_t>(*p - '0');
  }
  if (negative) return v >= kLimit ? std::numeric_limits<int64_t>::min() : -static_cast<int64_t>(v);
  return v >= kLimit ? std::numeric_limits<int64_t>::max() : static_cast<int64_t>(v);
}

double RealValue(const char* text) {
  const char* p = text;
  while (IsCSpace(*p)) ++p;
  const char* start = p;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';
  if (*p == '+' || *p == '-') return 0.0;
  // Hexadecimal floats are rare enough to leave to the C library.
  if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) return std::strtod(start, nullptr);
  double v = 0;
  auto [end, ec] = std::from_chars(p, p + std::strlen(p), v, std::chars_format::general);
  if (ec == std::errc::invalid_argument) return 0.0;
  if (ec != std::errc()) return std::strtod(start, nullptr);  // out of range: strtod's value
  (void)end;
  return negative ? -v : v;
}

float ToFloat(double value) {
  // Magnitudes beyond the float range become infinities, as IEEE rounding would give;
  // a plain conversion of them is undefined.
  constexpr double kMax = std::numeric_limits<float>::max();
  if (value > kMax) return std::numeric_limits<float>::infinity();
  if (value < -kMax) return -std::numeric_limits<float>::infinity();
  return static_cast<float>(value);
}

float MinutesToDegrees(double value, double limit) {
  double v = value * 0.01;
  double d = std::trunc(v);
  v = d + (v - d) * 1.6666666666666667;
  float degrees = ToFloat(v);
  return degrees > limit ? static_cast<float>(limit + 1) : degrees;
}

void LatLonFromFields(const char* lat, const char* ns, const char* lon, const char* ew,
                      float& latitude, float& longitude) {
  latitude = IsEmptyField(lat) ? kNoLatitude : MinutesToDegrees(RealValue(lat), 90);
  if (ns != nullptr && std::strcmp(ns, "S") == 0) latitude = -latitude;
  longitude = IsEmptyField(lon) ? kNoLongitude : MinutesToDegrees(RealValue(lon), 180);
  if (ew != nullptr && std::strcmp(ew, "W") == 0) longitude = -longitude;
}

void UtcTimeFromField(const char* field, UtcTime& time) {
  if (IsEmptyField(field)) {
    time.hour = 24;
    time.minute = 60;
    time.second = 60;
    return;
  }
  double x = RealValue(field);
  // Whole seconds of the day as hhmmss; saturate absurd values instead of overflowing.
  double whole = std::trunc(x);
  if (!(std::fabs(whole) < 9e18)) whole = 0;
  auto xi = static_cast<int64_t>(whole);
  int64_t hours = xi / 10000;
  int64_t minutes = (xi - hours * 10000) / 100;
  double rest = x - static_cast<double>(hours * 10000 + minutes * 100);
  if (!(std::fabs(rest) < 9e18)) rest = 0;
  time.hour = static_cast<uint8_t>(hours);
  time.minute = static_cast<uint8_t>(minutes);
  time.second = static_cast<uint8_t>(static_cast<int64_t>(rest));
  // Hundredths: the first two digits after the decimal point, ".5" meaning 50.
  int hundredths = 0;
  if (const char* dot = std::strchr(field, '.')) {
    if (dot[1] >= '0' && dot[1] <= '9') {
      hundredths = (dot[1] - '0') * 10;
      if (dot[2] >= '0' && dot[2] <= '9') hundredths += dot[2] - '0';
    }
  }
  time.hundredths = static_cast<uint8_t>(hundredths);
}

void DateFromField(const char* field, int16_t& year, int8_t& month, int8_t& day) {
  if (IsEmptyField(field)) {
    year = 0;
    month = 0;
    day = 0;
    return;
  }
  auto v = static_cast<int32_t>(DecimalValue(field));
  year = static_cast<int16_t>(v % 100 + 2000);
  month = static_cast<int8_t>((v / 100) % 100);
  day = static_cast<int8_t>(v / 10000);
}

char* ParseLatLon(FieldCursor& cursor, char* firstField, float& latitude, float& longitude) {
  char* ns = cursor.NextField(',');
  char* lon = cursor.NextField(',');
  char* ew = cursor.NextField(',');
  LatLonFromFields(firstField, ns, lon, ew, latitude, longitude);
  return cursor.NextField(',');
}

char* ParseUtcTime(FieldCursor& cursor, char* field, UtcTime& time) {
  UtcTimeFromField(field, time);
  return cursor.NextField(',');
}

char* ParseDate(FieldCursor& cursor, char* field, int16_t& year, int8_t& month, int8_t& day) {
  DateFromField(field, year, month, day);
  return cursor.NextField(',');
}

bool ParseHexByte(const char* text, uint8_t& value) {
  unsigned v = 0;
  for (const char* p = text; *p != '\0'; ++p) {
    unsigned digit;
    if (*p >= '0' && *p <= '9') {
      digit = static_cast<unsigned>(*p - '0');
    } else if (*p >= 'A' && *p <= 'F') {
      digit = static_cast<unsigned>(*p - 'A' + 10);
    } else {
      return false;
    }
    v = (v * 16 + digit) & 0xFF;
  }
  value = static_cast<uint8_t>(v);
  return true;
}

// ---- FieldReader --------------------------------------------------------------

FieldReader::FieldReader(char* sentence, int fieldCount)
    : cursor_(sentence), fieldCount_(fieldCount) {
  cursor_.NextField(',');  // the header, such as $GPGGA
}

char* FieldReader::Next() {
  char delimiter = Delimiter();
  ++index_;
  return cursor_.NextField(delimiter);
}

bool FieldReader::DropRest() {
  while (index_ < fieldCount_) {
    if (Next() == nullptr) return false;
  }
  return true;
}

bool FieldReader::Real(float& out) {
  char* f = Next();
  if (f == nullptr) return false;
  out = ToFloat(RealValue(f));
  return true;
}

bool FieldReader::Real(float& out, float emptyValue, float lo, float hi) {
  char* f = Next();
  if (f == nullptr) return false;
  if (IsEmptyField(f)) {
    out = emptyValue;
    return true;
  }
  out = ToFloat(RealValue(f));
  return out >= lo && out <= hi;
}

bool FieldReader::Char(char& out) {
  char* f = Next();
  if (f == nullptr) return false;
  out = f[0];
  return true;
}

bool FieldReader::Char(char& out, char emptyValue) {
  char* f = Next();
  if (f == nullptr) return false;
  out = IsEmptyField(f) ? emptyValue : f[0];
  return true;
}

bool FieldReader::Text(char* out, size_t width, bool emptyGivesEmptyText) {
  char* f = Next();
  if (f == nullptr) return false;
  if (emptyGivesEmptyText && IsEmptyField(f)) {
    out[0] = '\0';
    return true;
  }
  size_t n = std::strlen(f);
  if (n > width - 1) n = width - 1;
  std::memcpy(out, f, n);
  out[n] = '\0';
  return true;
}

bool FieldReader::TextAtMost(char* out, size_t maxChars) {
  char* f = Next();
  if (f == nullptr) return false;
  size_t n = std::strlen(f);
  if (n > maxChars) return false;
  std::memcpy(out, f, n + 1);
  return true;
}

bool FieldReader::Prefix(char* out, size_t n) {
  char* f = Next();
  if (f == nullptr) return false;
  size_t i = 0;
  for (; i < n && f[i] != '\0'; ++i) out[i] = f[i];
  for (; i < n; ++i) out[i] = '\0';
  return true;
}

bool FieldReader::Unit(char& out, char emptyValue) {
  char* f = Next();
  if (f == nullptr || f[0] == '\0' || f[1] != '\0') return false;
  out = IsEmptyField(f) ? emptyValue : f[0];
  return true;
}

bool FieldReader::Time(UtcTime& out) {
  char* f = Next();
  if (f == nullptr) return false;
  UtcTimeFromField(f, out);
  return true;
}

bool FieldReader::Date(int16_t& year, int8_t& month, int8_t& day) {
  char* f = Next();
  if (f == nullptr) return false;
  DateFromField(f, year, month, day);
  return true;
}

bool FieldReader::LatLon(float& latitude, float& longitude) {
  char* lat = Next();
  char* ns = Next();
  char* lon = Next();
  char* ew = Next();
  if (lat == nullptr || ns == nullptr || lon == nullptr || ew == nullptr) return false;
  LatLonFromFields(lat, ns, lon, ew, latitude, longitude);
  return true;
}

}  // namespace pelyx
