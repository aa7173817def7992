#include "config/receiver_protocol.h"

#include <cstring>

namespace pelyx::config {

namespace {

constexpr size_t kChecksumLength = 3;  // "*hh"

// `head` + `value` (cut to fit) + `tail`, then the checksum and CR LF.
std::string TextSentence(std::string_view head, std::string_view value, std::string_view tail) {
  const size_t fixed = head.size() + tail.size() + kChecksumLength;
  const size_t room = fixed < kMaxSentLine ? kMaxSentLine - fixed : 0;
  std::string sentence(head);
  sentence.append(value.substr(0, room));
  sentence.append(tail);
  return WithChecksum(sentence);
}

// A marker sent after the text prefix (FIRMWARE=, ...).
std::string PrefixedLine(const char* marker, std::string_view value) {
  std::string head(kTextPrefix);
  head.append(marker);
  return TextSentence(head, value, "");
}

bool CarriesPrefix(const char* marker) {
  return std::strncmp(marker, kTextPrefix, sizeof kTextPrefix - 1) == 0;
}

}  // namespace

const char* WifiSecurityName(int code) {
  switch (code) {
    case kWifiOpen:
      return "Open";
    case kWifiWpaPskTkip:
      return "WPA-PSK TKIP";
    case kWifiWpa2PskAes:
      return "WPA2-PSK AES";
    default:
      return nullptr;
  }
}

uint8_t SentenceChecksum(std::string_view sentence) {
  uint8_t x = 0;
  for (size_t i = 1; i < sentence.size() && sentence[i] != '*'; ++i) {
    x ^= static_cast<uint8_t>(sentence[i]);
  }
  return x;
}

std::string WithChecksum(std::string_view sentence) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  const uint8_t x = SentenceChecksum(sentence);
  std::string line(sentence);
  line.push_back('*');
  line.push_back(kHex[x >> 4]);
  line.push_back(kHex[x & 0x0F]);
  line.append("\r\n");
  return line;
}

std::string SystemRestartSentence() {
  std::string line = WithChecksum(kSystemRestart);
  line.resize(line.size() - 2);  // without CR LF
  return line;
}

std::string FirmwareLine(std::string_view version) {
  return PrefixedLine(kFirmwareMarker, version);
}

std::string SerialNoLine(std::string_view serialNumber) {
  return PrefixedLine(kSerialNoMarker, serialNumber);
}

std::string RxBaudRateLine(int32_t baudRate) {
  return PrefixedLine(kRxBaudRateMarker, std::to_string(baudRate));
}

std::string TxBaudRateLine(int32_t baudRate) {
  return PrefixedLine(kTxBaudRateMarker, std::to_string(baudRate));
}

std::string DaughterBoardLine(bool present) {
  return PrefixedLine(kDaughterBoardMarker, present ? "1" : "0");
}

std::string WifiStatusLine(std::string_view status) {
  return TextSentence(kWifiStatusMarker, status, "");
}

std::string N2kStatusLine(std::string_view status) {
  return TextSentence(kN2kStatusMarker, status, "");
}

std::string WifiSsidLine(std::string_view ssid) {
  return TextSentence(kWifiSsidMarker, ssid, ")");
}

std::string WifiSecurityLine(int code) {
  return TextSentence(kWifiSecurityMarker, std::to_string(code), ")");
}

std::string WifiPasswordLine(std::string_view password) {
  return TextSentence(kWifiPasswordMarker, password, ")");
}

std::string ProductInfoEndLine() {
  return WithChecksum(kProductInfoEnd);
}

std::string SystemRestartLine() {
  return WithChecksum(kSystemRestart);
}

std::string StaticDataBeginLine() {
  return std::string(kStaticDataBegin) + "\r\n";
}

std::string StaticDataEndLine() {
  return std::string(kStaticDataEnd) + "\r\n";
}

std::string StaticDataLine(std::string_view key, std::string_view value) {
  std::string line(key);
  line.push_back('=');
  line.append(value);
  if (line.size() > kMaxSentLine) line.resize(kMaxSentLine);
  return line + "\r\n";
}

size_t MaxValueLength(const char* marker) {
  for (const ProductInfoMarker& m : kProductInfoMarkers) {
    if (std::strcmp(m.text, marker) != 0) continue;
    size_t fixed = std::strlen(marker) + kChecksumLength;
    if (!CarriesPrefix(marker)) fixed += sizeof kTextPrefix - 1;
    if (m.value == MarkerValue::kToParenthesis) fixed += 1;
    return fixed < kMaxSentLine ? kMaxSentLine - fixed : 0;
  }
  return 0;
}

}  // namespace pelyx::config
