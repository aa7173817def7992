// A strict JSON reader for the tests: parses one value, keeps object keys in order and
// number texts as written, and tells why a text is not valid JSON.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace pelyx::tools::testing {

struct JsonValue {
  enum class Type { kNull, kBool, kNumber, kString, kArray, kObject };
  Type type = Type::kNull;
  bool boolean = false;
  std::string text;  // kNumber: as written; kString: the decoded characters
  std::vector<JsonValue> items;
  std::vector<std::pair<std::string, JsonValue>> members;

  // The member named `key`, or nullptr.
  const JsonValue* Find(std::string_view key) const {
    for (const auto& [name, value] : members) {
      if (name == key) return &value;
    }
    return nullptr;
  }
  std::vector<std::string> Keys() const {
    std::vector<std::string> keys;
    for (const auto& member : members) keys.push_back(member.first);
    return keys;
  }
  double Number() const { return std::strtod(text.c_str(), nullptr); }
};

class JsonReader {
 public:
  // Parses `text` as exactly one JSON value (surrounding blanks allowed). On failure
  // returns false and says where in `error`.
  static bool Parse(std::string_view text, JsonValue& value, std::string& error) {
    JsonReader reader(text);
    if (!reader.Value(value, 0)) {
      error = reader.error_;
      return false;
    }
    reader.Blanks();
    if (reader.pos_ != text.size()) {
      error = "text after the value at " + std::to_string(reader.pos_);
      return false;
    }
    return true;
  }

 private:
  explicit JsonReader(std::string_view text) : s_(text) {}

  bool Fail(const char* what) {
    error_ = std::string(what) + " at " + std::to_string(pos_);
    return false;
  }
  void Blanks() {
    while (pos_ < s_.size() &&
           (s_[pos_] == ' ' || s_[pos_] == '\t' || s_[pos_] == '\n' || s_[pos_] == '\r')) {
      ++pos_;
    }
  }
  bool Literal(std::string_view word) {
    if (s_.substr(pos_, word.size()) != word) return Fail("bad literal");
    pos_ += word.size();
    return true;
  }
  bool Digits() {
    size_t start = pos_;
    while (pos_ < s_.size() && s_[pos_] >= '0' && s_[pos_] <= '9') ++pos_;
    return pos_ > start;
  }

  bool Value(JsonValue& v, int depth) {
    if (depth > 64) return Fail("nesting too deep");
    Blanks();
    if (pos_ >= s_.size()) return Fail("missing value");
    char c = s_[pos_];
    if (c == '{') return Object(v, depth);
    if (c == '[') return Array(v, depth);
    if (c == '"') {
      v.type = JsonValue::Type::kString;
      return String(v.text);
    }
    if (c == 't' || c == 'f') {
      v.type = JsonValue::Type::kBool;
      v.boolean = c == 't';
      return Literal(c == 't' ? "true" : "false");
    }
    if (c == 'n') {
      v.type = JsonValue::Type::kNull;
      return Literal("null");
    }
    return Number(v);
  }

  // -?(0|[1-9][0-9]*)(\.[0-9]+)?([eE][+-]?[0-9]+)?
  bool Number(JsonValue& v) {
    size_t start = pos_;
    if (pos_ < s_.size() && s_[pos_] == '-') ++pos_;
    if (pos_ < s_.size() && s_[pos_] == '0') {
      ++pos_;
    } else if (pos_ >= s_.size() || s_[pos_] < '1' || s_[pos_] > '9' || !Digits()) {
      return Fail("bad number");
    }
    if (pos_ < s_.size() && s_[pos_] == '.') {
      ++pos_;
      if (!Digits()) return Fail("bad fraction");
    }
    if (pos_ < s_.size() && (s_[pos_] == 'e' || s_[pos_] == 'E')) {
      ++pos_;
      if (pos_ < s_.size() && (s_[pos_] == '+' || s_[pos_] == '-')) ++pos_;
      if (!Digits()) return Fail("bad exponent");
    }
    v.type = JsonValue::Type::kNumber;
    v.text = std::string(s_.substr(start, pos_ - start));
    return true;
  }

  static int Hex(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  }

  // Decodes \u00XX to the byte XX (the writer's convention for bytes), other code
  // points to UTF-8. A raw byte above 0x7F is refused: the writer escapes all of them.
  bool String(std::string& out) {
    ++pos_;  // the opening quote
    out.clear();
    for (;;) {
      if (pos_ >= s_.size()) return Fail("unterminated string");
      auto c = static_cast<unsigned char>(s_[pos_++]);
      if (c == '"') return true;
      if (c < 0x20) return Fail("raw control character in string");
      if (c >= 0x80) return Fail("raw non-ASCII byte in string");
      if (c != '\\') {
        out += static_cast<char>(c);
        continue;
      }
      if (pos_ >= s_.size()) return Fail("unterminated escape");
      char e = s_[pos_++];
      switch (e) {
        case '"':
        case '\\':
        case '/':
          out += e;
          break;
        case 'b':
          out += '\b';
          break;
        case 'f':
          out += '\f';
          break;
        case 'n':
          out += '\n';
          break;
        case 'r':
          out += '\r';
          break;
        case 't':
          out += '\t';
          break;
        case 'u': {
          if (pos_ + 4 > s_.size()) return Fail("short \\u escape");
          uint32_t cp = 0;
          for (int i = 0; i < 4; ++i) {
            int h = Hex(s_[pos_++]);
            if (h < 0) return Fail("bad \\u escape");
            cp = cp << 4 | static_cast<uint32_t>(h);
          }
          if (cp <= 0xFF) {
            out += static_cast<char>(cp);
          } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | cp >> 6);
            out += static_cast<char>(0x80 | (cp & 0x3F));
          } else {
            out += static_cast<char>(0xE0 | cp >> 12);
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
          }
          break;
        }
        default:
          return Fail("bad escape");
      }
    }
  }

  bool Array(JsonValue& v, int depth) {
    v.type = JsonValue::Type::kArray;
    ++pos_;
    Blanks();
    if (pos_ < s_.size() && s_[pos_] == ']') {
      ++pos_;
      return true;
    }
    for (;;) {
      v.items.emplace_back();
      if (!Value(v.items.back(), depth + 1)) return false;
      Blanks();
      if (pos_ >= s_.size()) return Fail("unterminated array");
      char c = s_[pos_++];
      if (c == ']') return true;
      if (c != ',') return Fail("expected , or ]");
    }
  }

  bool Object(JsonValue& v, int depth) {
    v.type = JsonValue::Type::kObject;
    ++pos_;
    Blanks();
    if (pos_ < s_.size() && s_[pos_] == '}') {
      ++pos_;
      return true;
    }
    for (;;) {
      Blanks();
      if (pos_ >= s_.size() || s_[pos_] != '"') return Fail("expected a key");
      std::string key;
      if (!String(key)) return false;
      for (const auto& member : v.members) {
        if (member.first == key) return Fail("duplicate key");
      }
      Blanks();
      if (pos_ >= s_.size() || s_[pos_++] != ':') return Fail("expected :");
      v.members.emplace_back(std::move(key), JsonValue{});
      if (!Value(v.members.back().second, depth + 1)) return false;
      Blanks();
      if (pos_ >= s_.size()) return Fail("unterminated object");
      char c = s_[pos_++];
      if (c == '}') return true;
      if (c != ',') return Fail("expected , or }");
    }
  }

  std::string_view s_;
  size_t pos_ = 0;
  std::string error_;
};

}  // namespace pelyx::tools::testing
