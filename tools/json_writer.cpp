#include "tools/json_writer.h"

#include <array>
#include <charconv>
#include <cmath>

namespace pelyx::tools {

namespace {

// True for the bytes that cannot be copied into a JSON string as they are.
constexpr std::array<bool, 256> MakeEscapeTable() {
  std::array<bool, 256> table{};
  for (int c = 0; c < 256; ++c) table[c] = c < 0x20 || c >= 0x7F || c == '"' || c == '\\';
  return table;
}
constexpr std::array<bool, 256> kNeedsEscape = MakeEscapeTable();

}  // namespace

void AppendJsonString(std::string& out, std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  out += '"';
  const char* p = text.data();
  const char* end = p + text.size();
  while (p < end) {
    const char* run = p;
    while (p < end && !kNeedsEscape[static_cast<unsigned char>(*p)]) ++p;
    out.append(run, static_cast<size_t>(p - run));
    if (p == end) break;
    auto c = static_cast<unsigned char>(*p++);
    if (c == '"' || c == '\\') {
      const char escaped[2] = {'\\', static_cast<char>(c)};
      out.append(escaped, 2);
    } else {
      const char escaped[6] = {'\\', 'u', '0', '0', kHex[c >> 4], kHex[c & 15]};
      out.append(escaped, 6);
    }
  }
  out += '"';
}

void AppendJsonFloat(std::string& out, float value) {
  if (!std::isfinite(value)) {
    out += "null";
    return;
  }
  char text[32];
  auto result = std::to_chars(text, text + sizeof text, value);
  out.append(text, result.ptr);
}

void AppendJsonInt(std::string& out, int64_t value) {
  char text[24];
  auto result = std::to_chars(text, text + sizeof text, value);
  out.append(text, result.ptr);
}

void AppendJsonUint(std::string& out, uint64_t value) {
  char text[24];
  auto result = std::to_chars(text, text + sizeof text, value);
  out.append(text, result.ptr);
}

bool JsonWriter::Flush(std::FILE* file) {
  bool ok =
      buffer_.empty() || std::fwrite(buffer_.data(), 1, buffer_.size(), file) == buffer_.size();
  buffer_.clear();
  return ok;
}

}  // namespace pelyx::tools
