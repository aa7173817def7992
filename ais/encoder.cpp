#include "ais/encoder.h"

#include <cstdio>

namespace pelyx::ais {

namespace {

constexpr int kMaxSentences = 9;

std::string WithChecksum(const std::string& body) {
  unsigned x = 0;
  for (size_t i = 1; i < body.size(); ++i) x ^= static_cast<unsigned char>(body[i]);
  char tail[8];
  std::snprintf(tail, sizeof tail, "*%02X\r\n", x & 0xFFu);
  return body + tail;
}

}  // namespace

char ArmourCharacter(unsigned value) {
  value &= 0x3Fu;
  return static_cast<char>(value < 40 ? value + 48 : value + 56);
}

unsigned SixBitCode(char c) {
  if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  if (c >= '@' && c <= '_') return static_cast<unsigned>(c - '@');
  if (c >= ' ' && c <= '?') return static_cast<unsigned>(c);
  return static_cast<unsigned>('?');
}

PayloadEncoder& PayloadEncoder::Unsigned(uint32_t value, int width) {
  for (int i = width - 1; i >= 0; --i) bits_.push_back(i < 32 && ((value >> i) & 1u) != 0);
  return *this;
}

PayloadEncoder& PayloadEncoder::Signed(int32_t value, int width) {
  return Unsigned(static_cast<uint32_t>(value), width);
}

PayloadEncoder& PayloadEncoder::Text(std::string_view text, int chars) {
  for (int i = 0; i < chars; ++i) {
    const size_t at = static_cast<size_t>(i);
    Unsigned(at < text.size() ? SixBitCode(text[at]) : 0u, 6);
  }
  return *this;
}

ArmouredPayload PayloadEncoder::Armour() const {
  ArmouredPayload out;
  out.fillBits = static_cast<int>((6 - bits_.size() % 6) % 6);
  out.text.reserve((bits_.size() + 5) / 6);
  for (size_t i = 0; i < bits_.size(); i += 6) {
    unsigned v = 0;
    for (size_t k = i; k < i + 6; ++k) v = v << 1 | (k < bits_.size() && bits_[k] ? 1u : 0u);
    out.text.push_back(ArmourCharacter(v));
  }
  return out;
}

std::vector<std::string> Encapsulate(const ArmouredPayload& payload, const Encapsulation& how) {
  std::vector<std::string> sentences;
  if (how.maxTextPerSentence == 0) return sentences;
  const size_t per = how.maxTextPerSentence;
  const size_t length = payload.text.size();
  const size_t total = length == 0 ? 1 : (length + per - 1) / per;
  if (total > kMaxSentences) return sentences;

  std::string sequence;
  if (how.sequenceId >= 0 && how.sequenceId <= 9)
    sequence.push_back(static_cast<char>('0' + how.sequenceId));
  std::string channel;
  if (how.channel != 0) channel.push_back(how.channel);

  for (size_t n = 1; n <= total; ++n) {
    const size_t from = (n - 1) * per;
    const std::string_view text = std::string_view(payload.text).substr(from, per);
    const int fill = n == total ? payload.fillBits : 0;
    std::string body = "!";
    body.append(how.talker).append(how.formatter);
    body.append(",").append(std::to_string(total));
    body.append(",").append(std::to_string(n));
    body.append(",").append(sequence);
    body.append(",").append(channel);
    body.append(",").append(text);
    body.append(",").append(std::to_string(fill));
    sentences.push_back(WithChecksum(body));
  }
  return sentences;
}

}  // namespace pelyx::ais
