// The receiver maker's proprietary sentences, read from $PFFF,... (the decoder has
// already reduced $PTSK,c,FFF,... to that form and kept c). Only the comma count and
// MOB's hexadecimal digits reject a sentence; no value is range-checked.
#include <cstring>

#include "codec/fields.h"
#include "codec/parsers.h"

namespace pelyx::parsers {

namespace {
constexpr int64_t kNoNumber = 999999999;
}  // namespace

// $PTSK,R,MID,123456789,987654321*0E
bool ParseMID(char* text, int commas, SentenceRecord& record) {
  auto& v = record.payload.mid;
  FieldReader r(text, commas);
  return r.Int(v.number1, kNoNumber) && r.Int(v.number2, kNoNumber);
}

// $PTSK,R,BDY,123456789,TEXT ONE,TEXT TWO,1,0*05
bool ParseBDY(char* text, int commas, SentenceRecord& record) {
  auto& v = record.payload.bdy;
  FieldReader r(text, commas);
  return r.Int(v.number, kNoNumber) && r.Text(v.text1, sizeof v.text1, true) &&
         r.Text(v.text2, sizeof v.text2, true) && r.Int(v.byte1, 9) && r.Int(v.byte2, 9);
}

// $PTSK,R,TST,12345,12,a,B,00042*16
bool ParseTST(char* text, int commas, SentenceRecord& record) {
  auto& v = record.payload.tst;
  FieldReader r(text, commas);
  return r.Int(v.number, 99999) && r.Int(v.byte, 99) && r.Char(v.char1) && r.Char(v.char2) &&
         r.Int(v.word, -1);
}

// $PTSK,R,FRQ,161975000,1,162025000,2*07  (numbers first, small numbers after them)
bool ParseFRQ(char* text, int commas, SentenceRecord& record) {
  auto& v = record.payload.frq;
  FieldReader r(text, commas);
  return r.Int(v.number[0], kNoNumber) && r.Int(v.byte[0], kNoInt8) &&
         r.Int(v.number[1], kNoNumber) && r.Int(v.byte[1], kNoInt8);
}

// $PTSK,R,BTH,001,002,003,004,005,006,TEXT*26
bool ParseBTH(char* text, int commas, SentenceRecord& record) {
  auto& v = record.payload.bth;
  FieldReader r(text, commas);
  for (int16_t& value : v.value) {
    if (!r.Int(value, 256)) return false;
  }
  return r.Text(v.text, sizeof v.text, true);
}

// $PTSK,R,DBG,099,1,,,,,,*0E  (four code/value pairs; absent: 999 and INT32_MIN)
bool ParseDBG(char* text, int commas, SentenceRecord& record) {
  auto& v = record.payload.dbg;
  FieldReader r(text, commas);
  for (int i = 0; i < 4; ++i) {
    if (!(r.Int(v.code[i], kNoDbgCode) && r.Int(v.value[i], int64_t{kNoDbgValue}))) return false;
  }
  return true;
}

// $PTSK,R,TPS,001,TEXT*35
bool ParseTPS(char* text, int commas, SentenceRecord& record) {
  auto& v = record.payload.tps;
  FieldReader r(text, commas);
  return r.Int(v.number, 999) && r.Text(v.text, sizeof v.text, true);
}

namespace {

// Pairs of upper-case hexadecimal characters into bytes; false at a bad digit.
bool HexBytes(const char* text, size_t count, uint8_t* out) {
  for (size_t i = 0; i < count; ++i) {
    char pair[3] = {text[2 * i], text[2 * i + 1], '\0'};
    if (!ParseHexByte(pair, out[i])) return false;
  }
  return true;
}

// One or two hexadecimal characters: 1 read, 0 longer (nothing stored), -1 bad digit.
int ShortHexByte(const char* field, uint8_t& out) {
  size_t n = std::strlen(field);
  if (n > 2) return 0;
  return ParseHexByte(field, out) ? 1 : -1;
}

}  // namespace

// $PTSK,R,MOB,0A1B2C,5,FF,01,0102030405*64
bool ParseMOB(char* text, int commas, SentenceRecord& record) {
  auto& v = record.payload.mob;
  FieldReader r(text, commas);

  char* id = r.Next();
  if (id == nullptr) return false;
  if (IsEmptyField(id) || std::strlen(id) != 6) {
    std::memset(v.id, 0, sizeof v.id);
  } else if (!HexBytes(id, 3, v.id)) {
    return false;
  }

  if (!r.Int(v.byte1, 255)) return false;

  char* first = r.Next();
  if (first == nullptr) return false;
  if (IsEmptyField(first)) {
    v.byte2 = 255;
  } else if (ShortHexByte(first, v.byte2) < 0) {
    return false;
  }

  char* second = r.Next();
  if (second == nullptr) return false;
  if (IsEmptyField(second)) {
    v.hasByte3 = 0;
  } else {
    int read = ShortHexByte(second, v.byte3);
    if (read < 0) return false;
    if (read > 0) v.hasByte3 = 1;
  }

  char* data = r.Next();
  if (data == nullptr) return false;
  size_t length = std::strlen(data);
  v.dataLength = 0;
  if (!IsEmptyField(data) && length > 0 && length < 20 && length % 2 == 0 &&
      HexBytes(data, length / 2, v.data)) {
    v.dataLength = static_cast<uint8_t>(length / 2);
  }
  return true;
}

}  // namespace pelyx::parsers
