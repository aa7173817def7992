// Builds AIS payloads for tests: fields in, armoured six-bit text out.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pelyx::ais::test {

class PayloadWriter {
 public:
  PayloadWriter& U(uint32_t value, int width) {
    for (int i = width - 1; i >= 0; --i) bits_.push_back((value >> i) & 1);
    return *this;
  }
  PayloadWriter& S(int32_t value, int width) { return U(static_cast<uint32_t>(value), width); }
  // Six-bit text: '@'..'_' are 0..31, ' '..'?' are 32..63; padded with '@'.
  PayloadWriter& Text(const std::string& text, int chars) {
    for (int i = 0; i < chars; ++i) {
      char c = i < static_cast<int>(text.size()) ? text[i] : '@';
      U(static_cast<uint32_t>(c >= 64 ? c - 64 : c), 6);
    }
    return *this;
  }
  size_t size() const { return bits_.size(); }

  // The armoured text and its fill bits (bits padded to a whole character).
  std::string Armour(int* fillBits = nullptr) const {
    std::vector<int> b = bits_;
    int fill = static_cast<int>((6 - b.size() % 6) % 6);
    b.insert(b.end(), fill, 0);
    std::string out;
    for (size_t i = 0; i < b.size(); i += 6) {
      int v = 0;
      for (int k = 0; k < 6; ++k) v = v << 1 | b[i + k];
      out.push_back(static_cast<char>(v < 40 ? v + 48 : v + 56));
    }
    if (fillBits != nullptr) *fillBits = fill;
    return out;
  }

 private:
  std::vector<int> bits_;
};

// A whole "!AIVDM,..." line with checksum and CR LF.
inline std::string Sentence(const std::string& body) {
  unsigned x = 0;
  for (size_t i = 1; i < body.size(); ++i) x ^= static_cast<unsigned char>(body[i]);
  char tail[8];
  std::snprintf(tail, sizeof tail, "*%02X\r\n", x);
  return body + tail;
}

}  // namespace pelyx::ais::test
