// Joining the fragments of one VDM/VDO message and de-armouring its six-bit text.
#pragma once

#include <cstdint>

#include "codec/records.h"

namespace pelyx::ais {

inline constexpr int kMaxPayloadText = 172;
// Room for the bits of the longest text the assembly joins (172 characters, 1032 bits).
inline constexpr int kPayloadBytes = (kMaxPayloadText * 6 + 7) / 8;

// The fields of one accepted encapsulation sentence (VDM, VDO, ABM, BBM).
struct Fragment {
  char formatter[4];
  int8_t total, number, sequenceId;
  char channel;
  const char* text;
  int8_t fillBits;
};

Fragment FragmentOf(const SentenceRecord& record);

// The single message under assembly; a cleared one is all zero.
struct PendingPayload {
  int8_t total;
  int8_t lastNumber;
  int8_t sequenceId;
  char channel;
  char text[kMaxPayloadText + 1];
  int8_t fillBits;
  char formatter[4];
};

// Payload bit n is bit 7 - (n mod 8) of data[n / 8].
struct PayloadBits {
  uint8_t data[kPayloadBytes];
  uint16_t bitCount;
};

class PayloadAssembler {
 public:
  // Offers one fragment; true when the pending assembly now holds a complete message.
  bool assemble(const Fragment& fragment);
  void discard();
  const PendingPayload& pending() const { return pending_; }

 private:
  PendingPayload pending_{};
};

// Fills `bits` from the pending text and fill bits: 6 bits per character less the fill
// bits (0 to 5) of the last one. False when the text cannot be converted: an invalid
// character, fill bits outside 0 to 5, or more fill bits than the text has.
bool dearmour(const PendingPayload& pending, PayloadBits& bits);

// Six-bit value of an armour character, or -1.
int ArmourValue(char c);

}  // namespace pelyx::ais
