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

}  // namespace

int ArmourValue(char c) {
  return kArmour.value[static_cast<unsigned char>(c)];
}

bool dearmour(const PendingPayload& pending, PayloadBits& bits) {
  bits = PayloadBits{};
  const int fill = pending.fillBits;
  const size_t length = std::strlen(pending.text);
  // Every character carries six bits; the fill bits pad the last one.
  if (fill < 0 || fill > 5 || length * 6 < static_cast<size_t>(fill)) return false;
  const size_t count = length * 6 - static_cast<size_t>(fill);
  if ((length * 6 + 7) / 8 > kPayloadBytes) return false;
  uint32_t acc = 0;  // its low `held` bits are not stored yet
  int held = 0;
  int byte = 0;
  for (size_t i = 0; i < length; ++i) {
    const int v = ArmourValue(pending.text[i]);
    if (v < 0) return false;
    acc = (acc << 6 | static_cast<uint32_t>(v)) & 0x3FFF;
    held += 6;
    if (held >= 8) {
      held -= 8;
      bits.data[byte++] = static_cast<uint8_t>(acc >> held);
    }
  }
  if (held > 0) bits.data[byte++] = static_cast<uint8_t>(acc << (8 - held));
  // The fill bits are not payload: every bit from `count` on reads as zero.
  if (count % 8 != 0) bits.data[count / 8] &= static_cast<uint8_t>(0xFF00 >> (count % 8));
  for (size_t i = (count + 7) / 8; i < static_cast<size_t>(byte); ++i) bits.data[i] = 0;
  bits.bitCount = static_cast<uint16_t>(count);
  return true;
}

}  // namespace pelyx::ais
