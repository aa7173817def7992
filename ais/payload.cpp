#include "ais/payload.h"

#include <cstring>

namespace pelyx::ais {

Fragment FragmentOf(const SentenceRecord& record) {
  const EncapsulationFields& e = record.payload.encap;
  Fragment f{};
  std::memcpy(f.formatter, record.formatter, sizeof f.formatter);
  f.total = e.total;
  f.number = e.number;
  f.sequenceId = e.sequenceId;
  f.channel = e.channel;
  f.text = e.payload;
  f.fillBits = e.fillBits;
  return f;
}

bool PayloadAssembler::assemble(const Fragment& f) {
  PendingPayload& p = pending_;
  bool continues = std::strncmp(f.formatter, p.formatter, 3) == 0 && f.total == p.total &&
                   f.sequenceId == p.sequenceId && f.number == p.lastNumber + 1;
  if (continues) {
    size_t have = std::strlen(p.text);
    size_t add = std::strlen(f.text);
    if (have + add > kMaxPayloadText) {
      // Longer than any message the decoder can hold: the whole message is dropped,
      // and its later fragments continue nothing.
      discard();
      return false;
    }
    std::memcpy(p.text + have, f.text, add + 1);
    p.lastNumber = f.number;
    if (f.number != f.total) return false;
    p.fillBits = f.fillBits;
    return true;
  }
  p = PendingPayload{};
  p.total = f.total;
  p.lastNumber = f.number;
  p.sequenceId = f.sequenceId;
  p.channel = f.channel;
  size_t n = std::strlen(f.text);
  if (n > kMaxPayloadText) n = kMaxPayloadText;
  std::memcpy(p.text, f.text, n);
  p.text[n] = '\0';
  p.fillBits = f.fillBits;
  std::memcpy(p.formatter, f.formatter, 3);
  return f.total == 1 && f.number == 1;
}

void PayloadAssembler::discard() {
  pending_ = PendingPayload{};
}

namespace {

// Six-bit value of every byte; -1 for the characters that are not armour.
struct ArmourTable {
  int8_t value[256];
  constexpr ArmourTable() : value() {
    for (int c = 0; c < 256; ++c) {
      value[c] = static_cast<int8_t>(c >= '0' && c <= 'W'   ? c - 48
                                     : c >= '`' && c <= 'w' ? c - 56
                                                            : -1);
    }
  }
};
constexpr ArmourTable kArmour;

// Converts n characters at `text` into `values`; false at an invalid character or the
// end of the text (NUL is not armour).
bool Values(const char* text, int n, int* values) {
  int bad = 0;
  for (int i = 0; i < n; ++i) {
    values[i] = kArmour.value[static_cast<unsigned char>(text[i])];
    bad |= values[i];
  }
  return bad >= 0;
}

}  // namespace

int ArmourValue(char c) {
  return kArmour.value[static_cast<unsigned char>(c)];
}

bool dearmour(const PendingPayload& pending, PayloadBits& bits) {
  bits = PayloadBits{};
  const char* text = pending.text;
  size_t length = std::strlen(text);
  size_t pos = 0;
  int bytes = 0;
  int v[4];
  for (; pos + 4 <= length; pos += 4) {
    if (!Values(text + pos, 4, v)) return false;
    if (bytes + 3 > kPayloadBytes) return false;  // more than 1016 bits
    uint32_t word = static_cast<uint32_t>(v[0] << 18 | v[1] << 12 | v[2] << 6 | v[3]);
    bits.data[bytes++] = static_cast<uint8_t>(word >> 16);
    bits.data[bytes++] = static_cast<uint8_t>(word >> 8);
    bits.data[bytes++] = static_cast<uint8_t>(word);
    bits.bitCount = static_cast<uint16_t>(bits.bitCount + 24);
  }
  switch (pending.fillBits) {
    case 0:
      return true;
    case 2: {
      if (pos + 3 > length || !Values(text + pos, 3, v) || bytes + 2 > kPayloadBytes) {
        return false;
      }
      uint32_t value = static_cast<uint32_t>(v[0] << 10 | v[1] << 4 | v[2] / 4);
      bits.data[bytes++] = static_cast<uint8_t>(value >> 8);
      bits.data[bytes++] = static_cast<uint8_t>(value);
      bits.bitCount = static_cast<uint16_t>(bits.bitCount + 16);
      return true;
    }
    case 4: {
      if (pos + 2 > length || !Values(text + pos, 2, v) || bytes + 1 > kPayloadBytes) {
        return false;
      }
      bits.data[bytes++] = static_cast<uint8_t>(v[0] * 4 + v[1] / 16);
      bits.bitCount = static_cast<uint16_t>(bits.bitCount + 8);
      return true;
    }
    default:
      return false;
  }
}

}  // namespace pelyx::ais
