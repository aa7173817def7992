// A small JSON Lines writer: appends to one growing text buffer and writes it out in
// large blocks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

namespace pelyx::tools {

// Appends `text` as a JSON string. Every input gives valid JSON, binary garbage
// included: '"' and '\' are escaped, control characters (below 0x20 and 0x7F) and
// bytes above 0x7F are written as \u00XX (a byte is taken as the code point of the
// same value), everything else is copied.
void AppendJsonString(std::string& out, std::string_view text);

// Appends the shortest text that reads back to the same 32-bit float, fixed or
// scientific, whichever is shorter (0.1f gives "0.1", 91.0f "91", -100000.0f "-1e+05").
// JSON has no NaN or infinity, so a non-finite value gives null.
void AppendJsonFloat(std::string& out, float value);

void AppendJsonInt(std::string& out, int64_t value);
void AppendJsonUint(std::string& out, uint64_t value);

// Builds JSON values into a buffer, placing the commas itself. The caller keeps the
// nesting right: every Key() inside an object is followed by exactly one value.
class JsonWriter {
 public:
  // The buffer is written out by FlushIfFull() once it holds this many bytes.
  static constexpr size_t kBlockSize = 1 << 20;

  JsonWriter() { buffer_.reserve(kBlockSize + 4096); }

  void BeginObject() { Open('{'); }
  void EndObject() { Close('}'); }
  void BeginArray() { Open('['); }
  void EndArray() { Close(']'); }

  // An object key; `key` is written as given, so it must need no escaping.
  void Key(std::string_view key) {
    // One append of ,"key": for the short keys of the output.
    char text[64];
    if (key.size() + 4 > sizeof text) {
      Separate();
      buffer_ += '"';
      buffer_ += key;
      buffer_ += "\":";
    } else {
      size_t n = 0;
      if (needComma_) text[n++] = ',';
      text[n++] = '"';
      std::memcpy(text + n, key.data(), key.size());
      n += key.size();
      text[n++] = '"';
      text[n++] = ':';
      buffer_.append(text, n);
    }
    needComma_ = false;
  }

  void String(std::string_view text) {
    Separate();
    AppendJsonString(buffer_, text);
  }
  // A one-character string; "" for NUL.
  void Char(char c) { String(c == '\0' ? std::string_view() : std::string_view(&c, 1)); }
  void Int(int64_t value) {
    Separate();
    AppendJsonInt(buffer_, value);
  }
  void Uint(uint64_t value) {
    Separate();
    AppendJsonUint(buffer_, value);
  }
  void Float(float value) {
    Separate();
    AppendJsonFloat(buffer_, value);
  }
  void Bool(bool value) {
    Separate();
    buffer_ += value ? "true" : "false";
  }
  void Null() {
    Separate();
    buffer_ += "null";
  }

  // Ends the current JSON Lines record.
  void EndLine() {
    buffer_ += '\n';
    needComma_ = false;
  }

  const std::string& Text() const { return buffer_; }
  void Clear() {
    buffer_.clear();
    needComma_ = false;
  }

  // Writes the buffer to `file` and empties it; false when the write failed.
  bool Flush(std::FILE* file);
  // Flush() once the buffer holds a block or more; true when nothing failed.
  bool FlushIfFull(std::FILE* file) { return buffer_.size() < kBlockSize || Flush(file); }

 private:
  void Separate() {
    if (needComma_) buffer_ += ',';
    needComma_ = true;
  }
  void Open(char bracket) {
    Separate();
    buffer_ += bracket;
    needComma_ = false;
  }
  void Close(char bracket) {
    buffer_ += bracket;
    needComma_ = true;
  }

  std::string buffer_;
  bool needComma_ = false;
};

}  // namespace pelyx::tools
