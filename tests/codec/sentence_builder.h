// Test helper: turns a readable sentence body into a framed line, so that test cases
// state their fields and leave the checksum to the helper.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace pelyx::test_support {

// The two upper-case hexadecimal digits of the XOR of every character after the start
// character of `body` ("$GPGGA,..." or "!AIVDM,...", without "*").
inline std::string ChecksumOf(std::string_view body) {
  unsigned x = 0;
  for (size_t i = 1; i < body.size(); ++i) x ^= static_cast<unsigned char>(body[i]);
  char digits[3];
  std::snprintf(digits, sizeof digits, "%02X", x & 0xFFu);
  return digits;
}

// `body` + "*hh" + CR LF.
inline std::string Sentence(std::string_view body) {
  return std::string(body) + "*" + ChecksumOf(body) + "\r\n";
}

}  // namespace pelyx::test_support
