// A formatter name ("GGA", "Smg", "Q") packed into one integer for table look-ups.
#pragma once

#include <cstdint>

namespace pelyx {

// Packs the first three characters, stopping at NUL (so "Q" packs as "Q\0\0").
constexpr uint32_t FormatterKey(const char* f) {
  uint32_t key = 0;
  for (int i = 0; i < 3 && f[i] != '\0'; ++i) {
    key |= static_cast<uint32_t>(static_cast<uint8_t>(f[i])) << (8 * i);
  }
  return key;
}

}  // namespace pelyx
