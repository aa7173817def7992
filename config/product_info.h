// What the receiver reported about itself: the product information record, filled from
// its text lines and read by the system check and the configuration report.
#pragma once

#include <cstdint>
#include <string_view>

namespace pelyx::config {

// One record for the whole run, all fields zero at start. The texts, rates and
// `daughterBoard` are only ever overwritten by newer lines; the four flags are cleared
// by the system check's reset.
struct ProductInfo {
  char serialNumber[16];     // "SERIAL NO.=", at most 15 characters
  char firmwareVersion[25];  // "FIRMWARE=", at most 24 characters
  int32_t nmeaInBaud;        // "RX BAUD RATE="
  int32_t nmeaOutBaud;       // "TX BAUD RATE="
  char wifiSsid[64];         // "WIFI SSID=(", at most 63 characters
  char wifiPassword[64];     // "WiFi PW=(", stored in clear
  uint8_t wifiSecurity;      // 0 open, 2 WPA-PSK TKIP, 4 WPA2-PSK AES
  bool firmwareKnown;        // a FIRMWARE= line was handled
  bool serialKnown;          // a SERIAL NO.= line was handled
  bool n2kReported;          // an NMEA 2000 status line was handled
  bool wifiReported;         // a Wi-Fi status line was handled
  bool daughterBoard;        // the last DAUGHTER BOARD= line gave 1
};

}  // namespace pelyx::config

namespace pelyx::config {

class ConfigForm;
struct RestartWait;

// Looks for every product-information marker in a received line (CR LF included, any
// text: the line need not be a valid sentence) and applies each one found: stores its
// value in `info`, updates the controls, and starts the restart wait on the receiver's
// complete restart announcement. Values are cut to their fields.
void ParseProductInfoLine(std::string_view line, ProductInfo& info, RestartWait& restart,
                          ConfigForm& form);

}  // namespace pelyx::config
