// The six-bit encoder: the fields of an AIS message in, the armoured payload text and
// its fill bits out, and the payload split into VDM/VDO sentences. The mirror image of
// the de-armouring, written on its own so that the two check each other.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pelyx::ais {

// An armoured payload: six-bit characters ('0' to 'W', '`' to 'w') and the number of
// bits (0 to 5) added after the message to fill the last character.
struct ArmouredPayload {
  std::string text;
  int fillBits = 0;
};

// The armour character of a six-bit value (only the low six bits count).
char ArmourCharacter(unsigned value);

// The six-bit code of a text character: '@' to '_' give 0 to 31, ' ' to '?' give 32 to
// 63; lower-case letters are written as capitals, every other character as '?'.
unsigned SixBitCode(char c);

// Collects the fields of one message, most significant bit first, in transmission
// order.
class PayloadEncoder {
 public:
  // The low `width` bits (0 to 32) of `value`.
  PayloadEncoder& Unsigned(uint32_t value, int width);
  // `value` in two's complement, cut to `width` bits.
  PayloadEncoder& Signed(int32_t value, int width);
  // `chars` six-bit characters of `text`, cut or filled up with '@'.
  PayloadEncoder& Text(std::string_view text, int chars);

  size_t BitCount() const { return bits_.size(); }

  // The armoured text: the bits in groups of six, the last group filled with zeros.
  ArmouredPayload Armour() const;

 private:
  std::vector<bool> bits_;
};

// How an armoured payload is wrapped into sentences.
struct Encapsulation {
  const char* talker = "AI";
  const char* formatter = "VDM";  // "VDM" or "VDO"
  char channel = 'A';             // 0 for an empty channel field
  int sequenceId = -1;            // 0 to 9; -1 for an empty field
  size_t maxTextPerSentence = 60;
};

// The sentences that carry `payload`, each "!ttFFF,total,number,seq,channel,text,fill"
// with "*", the checksum and CR LF. Every sentence but the last has 0 fill bits. Empty
// when the payload needs more than nine sentences or `maxTextPerSentence` is 0.
std::vector<std::string> Encapsulate(const ArmouredPayload& payload, const Encapsulation& how);

}  // namespace pelyx::ais
