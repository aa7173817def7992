#include "config/product_info.h"

#include <cstring>
#include <string>

#include "config/commands.h"
#include "config/config_form.h"
#include "config/receiver_protocol.h"

namespace pelyx::config {

namespace {

constexpr size_t npos = std::string_view::npos;

// The text after `marker` at `at`, up to the first `delimiter` of the whole line; empty
// when the line has no delimiter or it comes before the end of the marker.
std::string_view ValueTo(std::string_view line, size_t at, std::string_view marker,
                         char delimiter) {
  const size_t start = at + marker.size();
  const size_t end = line.find(delimiter);
  if (end == npos || end < start) return {};
  return line.substr(start, end - start);
}

// The decimal integer at the start of `text`: leading blanks and a sign allowed, up to
// the first non-digit, 0 without digits. Out-of-range values saturate.
int64_t LeadingInteger(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n' ||
                             text[i] == '\r' || text[i] == '\v' || text[i] == '\f')) {
    ++i;
  }
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int64_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    if (value < INT64_C(1) << 40) value = value * 10 + (text[i] - '0');
  }
  return negative ? -value : value;
}

int32_t ToInt32(int64_t value) {
  if (value > INT32_MAX) return INT32_MAX;
  if (value < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(value);
}

// Clears the field, then copies as much of `value` as it holds.
template <size_t N>
void StoreText(char (&field)[N], std::string_view value) {
  std::memset(field, 0, N);
  const size_t n = value.size() < N - 1 ? value.size() : N - 1;
  if (n > 0) std::memcpy(field, value.data(), n);  // an empty value may have no data
}

// A baud-rate value: cut at its first character that is not a decimal digit.
int32_t BaudRateValue(std::string_view value) {
  size_t digits = 0;
  while (digits < value.size() && value[digits] >= '0' && value[digits] <= '9') ++digits;
  return ToInt32(LeadingInteger(value.substr(0, digits)));
}

// The first item whose text contains the rate in decimal; the first item when none does.
void SelectBaudItem(ConfigForm& form, ConfigControl combo, int32_t rate) {
  const std::string text = std::to_string(rate);
  const int count = form.ItemCount(combo);
  for (int i = 0; i < count; ++i) {
    if (form.ItemText(combo, i).find(text) != std::string::npos) {
      form.SetItemIndex(combo, i);
      return;
    }
    form.SetItemIndex(combo, 0);
  }
}

void ShowDaughterBoard(ConfigForm& form, bool present) {
  if (present) {
    for (ConfigControl c : {ConfigControl::lblChkNMEA2K, ConfigControl::ImageChkNMEA2K,
                            ConfigControl::lblValNMEA2K}) {
      form.SetVisible(c, true);
    }
    return;
  }
  form.SetVisible(ConfigControl::TabSheetDaughter, false);
  for (ConfigControl c :
       {ConfigControl::lblValWiFI, ConfigControl::lblValNMEA2K, ConfigControl::ImageChkWiFi,
        ConfigControl::ImageChkNMEA2K, ConfigControl::lblChkWiFi, ConfigControl::lblChkNMEA2K}) {
    form.SetVisible(c, false);
  }
}

}  // namespace

void ParseProductInfoLine(std::string_view line, ProductInfo& info, RestartWait& restart,
                          ConfigForm& form) {
  size_t at = npos;
  const auto found = [&](std::string_view marker) {
    at = line.find(marker);
    return at != npos;
  };

  if (found(kFirmwareMarker)) {
    StoreText(info.firmwareVersion, ValueTo(line, at, kFirmwareMarker, '*'));
    form.SetText(ConfigControl::lblFirmVer,
                 std::string("Firmware Version: ") + info.firmwareVersion);
    info.firmwareKnown = true;
  }
  if (found(kRxBaudRateMarker)) {
    info.nmeaInBaud = BaudRateValue(ValueTo(line, at, kRxBaudRateMarker, '*'));
    SelectBaudItem(form, ConfigControl::cbxBaud_RS232, info.nmeaInBaud);
  }
  if (found(kTxBaudRateMarker)) {
    info.nmeaOutBaud = BaudRateValue(ValueTo(line, at, kTxBaudRateMarker, '*'));
    SelectBaudItem(form, ConfigControl::cbxBaud_NMEA, info.nmeaOutBaud);
  }
  if (found(kSerialNoMarker)) {
    StoreText(info.serialNumber, ValueTo(line, at, kSerialNoMarker, '*'));
    info.serialKnown = true;
  }
  if (found(kDaughterBoardMarker)) {
    const std::string_view marker = kDaughterBoardMarker;
    info.daughterBoard = LeadingInteger(line.substr(at + marker.size())) == 1;
    ShowDaughterBoard(form, info.daughterBoard);
  }
  static const std::string restartSentence = SystemRestartSentence();
  if (found(restartSentence)) StartRestartWait(restart, form);
  if (found(kN2kStatusMarker)) {
    form.SetText(ConfigControl::lblValNMEA2K, ValueTo(line, at, kN2kStatusMarker, '*'));
    info.n2kReported = true;
  }
  if (found(kWifiStatusMarker)) {
    form.SetText(ConfigControl::lblValWiFI, ValueTo(line, at, kWifiStatusMarker, '*'));
    info.wifiReported = true;
  }
  if (found(kWifiSsidMarker)) {
    StoreText(info.wifiSsid, ValueTo(line, at, kWifiSsidMarker, ')'));
    form.SetText(ConfigControl::LabeledEditExOption_SSID, info.wifiSsid);
  }
  if (found(kWifiSecurityMarker)) {
    const int64_t code = LeadingInteger(ValueTo(line, at, kWifiSecurityMarker, ')'));
    info.wifiSecurity = static_cast<uint8_t>(static_cast<uint64_t>(code) & 0xFF);
    const int item = info.wifiSecurity / 2;
    const int selected =
        item < form.ItemCount(ConfigControl::ComboBoxExOption_Security) ? item : -1;
    form.SetItemIndex(ConfigControl::ComboBoxExOption_Security, selected);
    form.SetVisible(ConfigControl::LabeledEditExOption_WifiPassword, selected != 0);
  }
  if (found(kWifiPasswordMarker)) {
    StoreText(info.wifiPassword, ValueTo(line, at, kWifiPasswordMarker, ')'));
    form.SetText(ConfigControl::LabeledEditExOption_WifiPassword,
                 std::string(std::strlen(info.wifiPassword), '*'));
  }
}

}  // namespace pelyx::config
