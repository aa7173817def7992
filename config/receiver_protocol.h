// What the configuration tool and the receiver say to each other, in one place: the
// link defaults, the codes of the proprietary DBG command, the baud-rate codes, the
// product-information markers and the lines that carry them, the static-data listing
// markers and the restart announcement. The configuration code reads these lines and
// the simulated receiver writes them, both from this header, so the two cannot drift
// apart.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace pelyx::config {

// ---- The links ------------------------------------------------------------------

// The serial line: 115200 bit/s, 8 data bits, no parity, 1 stop bit.
inline constexpr int kSerialBaudRate = 115200;
inline constexpr int kSerialDataBits = 8;
inline constexpr int kSerialStopBits = 1;

// The receiver's Wi-Fi TCP bridge.
inline constexpr char kDefaultWifiAddress[] = "192.168.2.1";
inline constexpr char kDefaultWifiPort[] = "3333";
inline constexpr int kDefaultWifiPortNumber = 3333;

// The longest line the tool processes, CR LF included; longer lines only reach the log.
inline constexpr size_t kMaxProcessedLine = 82;
// The longest line the receiver sends, CR LF not counted (IEC 61162-1).
inline constexpr size_t kMaxSentLine = 80;

// ---- The DBG command -------------------------------------------------------------

// One sentence $PDBG,ccc,v,ccc,v,ccc,v,ccc,v*hh with four code/value pairs; with a
// direction letter it is written $PTSK,c,DBG,... instead.
inline constexpr char kDbgTalker[] = "P";
inline constexpr char kDbgFormatter[] = "DBG";
inline constexpr char kManufacturerCode[] = "TSK";
inline constexpr int kDbgPairCount = 4;

// A pair whose code is 999 or more, or whose value is -2147483648, is absent; the
// composer writes it as two empty fields.
inline constexpr int16_t kDbgAbsentCode = 999;
inline constexpr int32_t kDbgAbsentValue = INT32_MIN;

inline constexpr bool IsAbsentPair(int code, int64_t value) {
  return code >= kDbgAbsentCode || code < 0 || value == kDbgAbsentValue;
}

// The setting codes.
enum DbgCode : int16_t {
  kDbgNmeaInBaud = 40,   // NMEA IN baud rate; value a baud-rate code
  kDbgNmeaOutBaud = 42,  // NMEA OUT baud rate; value a baud-rate code
  kDbgProductInfo = 99,  // product information request; value below
};

// Values of the product information request: 1 from the handshake and Read Device, 0
// from the system check's reset. The receiver answers both with the product
// information; after value 1 its static-data listing follows.
inline constexpr int32_t kProductInfoFull = 1;
inline constexpr int32_t kProductInfoReset = 0;

// Baud-rate codes of settings 40 and 42, in the order of the baud-rate combo boxes.
struct BaudRateCode {
  int32_t code;
  int32_t baudRate;
  const char* item;  // the combo box item
};
inline constexpr BaudRateCode kBaudRateCodes[] = {
    {2, 38400, "38400"},
    {4, 9600, "9600"},
    {5, 4800, "4800"},
};
inline constexpr int kBaudRateCodeCount = 3;

// The baud rate of a code; 0 for a code outside the table.
inline constexpr int32_t BaudRateOfCode(int64_t code) {
  for (const BaudRateCode& c : kBaudRateCodes) {
    if (c.code == code) return c.baudRate;
  }
  return 0;
}

// The code of a baud rate; -1 for a rate outside the table.
inline constexpr int32_t CodeOfBaudRate(int64_t baudRate) {
  for (const BaudRateCode& c : kBaudRateCodes) {
    if (c.baudRate == baudRate) return c.code;
  }
  return -1;
}

// ---- The receiver's text lines ----------------------------------------------------

// Every proprietary text line of the receiver begins with this; the codec does not
// decode these lines, the product-information handler reads their raw text.
inline constexpr char kTextPrefix[] = "$PTSK,R,TXT,";

// Product-information markers. Each is found anywhere in a received line (exact,
// case-sensitive substring); the receiver sends each of them after kTextPrefix.
inline constexpr char kFirmwareMarker[] = "FIRMWARE=";
inline constexpr char kRxBaudRateMarker[] = "RX BAUD RATE=";  // NMEA IN
inline constexpr char kTxBaudRateMarker[] = "TX BAUD RATE=";  // NMEA OUT
inline constexpr char kSerialNoMarker[] = "SERIAL NO.=";
inline constexpr char kDaughterBoardMarker[] = "DAUGHTER BOARD=";
// The status and Wi-Fi markers carry the text prefix themselves.
inline constexpr char kN2kStatusMarker[] = "$PTSK,R,TXT,N2K: ";
inline constexpr char kWifiStatusMarker[] = "$PTSK,R,TXT,WIFI: ";
inline constexpr char kWifiSsidMarker[] = "$PTSK,R,TXT,WIFI SSID=(";
inline constexpr char kWifiSecurityMarker[] = "$PTSK,R,TXT,WiFi SECURITY=(";
inline constexpr char kWifiPasswordMarker[] = "$PTSK,R,TXT,WiFi PW=(";

// The end of the product information: the line that completes the identification.
inline constexpr char kProductInfoEnd[] = "$PTSK,R,TXT,PROD. INFO. END";
// The restart announcement; it counts only as the complete sentence with "*" and its
// checksum (SystemRestartSentence()).
inline constexpr char kSystemRestart[] = "$PTSK,R,TXT,SYSTEM RESTART";

// The static-data listing: plain lines between these two.
inline constexpr char kStaticDataBegin[] = "[STATIC DATA]";
inline constexpr char kStaticDataEnd[] = "[END OF STATIC DATA]";

// Where the value of a marker ends.
enum class MarkerValue : uint8_t {
  kToChecksum,     // the characters after the marker up to the first '*' of the line
  kToParenthesis,  // after the marker (which ends with '(') up to the first ')'
  kInteger,        // the decimal integer right after the marker
};

struct ProductInfoMarker {
  const char* text;
  MarkerValue value;
};

// The markers in the order the product-information handler tests them (the restart
// announcement, which has no value, sits between DAUGHTER BOARD= and N2K: there).
inline constexpr ProductInfoMarker kProductInfoMarkers[] = {
    {kFirmwareMarker, MarkerValue::kToChecksum},
    {kRxBaudRateMarker, MarkerValue::kToChecksum},
    {kTxBaudRateMarker, MarkerValue::kToChecksum},
    {kSerialNoMarker, MarkerValue::kToChecksum},
    {kDaughterBoardMarker, MarkerValue::kInteger},
    {kN2kStatusMarker, MarkerValue::kToChecksum},
    {kWifiStatusMarker, MarkerValue::kToChecksum},
    {kWifiSsidMarker, MarkerValue::kToParenthesis},
    {kWifiSecurityMarker, MarkerValue::kToParenthesis},
    {kWifiPasswordMarker, MarkerValue::kToParenthesis},
};

// Security codes of the WiFi SECURITY= line.
enum WifiSecurity : uint8_t {
  kWifiOpen = 0,
  kWifiWpaPskTkip = 2,
  kWifiWpa2PskAes = 4,
};

// The name of a security code as the configuration shows it ("Open", "WPA-PSK TKIP",
// "WPA2-PSK AES"); nullptr for any other code.
const char* WifiSecurityName(int code);

// ---- Line formats ----------------------------------------------------------------

// The checksum of a sentence text: the XOR of every character after the start
// character, up to the end of the text or a '*', whichever comes first.
uint8_t SentenceChecksum(std::string_view sentence);

// `sentence` (starting with '$' or '!', without '*') followed by "*", the checksum in
// two upper-case hexadecimal digits, CR and LF.
std::string WithChecksum(std::string_view sentence);

// The restart announcement as it must arrive: "$PTSK,R,TXT,SYSTEM RESTART*hh", without
// CR LF.
std::string SystemRestartSentence();

// The lines of the product information, each a complete "$PTSK,R,TXT,..." sentence
// with checksum and CR LF, in the order the receiver sends them. A text value too long
// for the line is cut so that the line keeps within kMaxSentLine characters.
std::string FirmwareLine(std::string_view version);       // ...FIRMWARE=1.02*hh
std::string SerialNoLine(std::string_view serialNumber);  // ...SERIAL NO.=AB123*hh
std::string RxBaudRateLine(int32_t baudRate);             // ...RX BAUD RATE=38400*hh
std::string TxBaudRateLine(int32_t baudRate);             // ...TX BAUD RATE=4800*hh
std::string DaughterBoardLine(bool present);              // ...DAUGHTER BOARD=1*hh
std::string WifiStatusLine(std::string_view status);      // ...WIFI: OK*hh
std::string N2kStatusLine(std::string_view status);       // ...N2K: OK*hh
std::string WifiSsidLine(std::string_view ssid);          // ...WIFI SSID=(name)*hh
std::string WifiSecurityLine(int code);                   // ...WiFi SECURITY=(4)*hh
std::string WifiPasswordLine(std::string_view password);  // ...WiFi PW=(secret)*hh
std::string ProductInfoEndLine();                         // ...PROD. INFO. END*hh
std::string SystemRestartLine();                          // ...SYSTEM RESTART*hh

// The static-data listing: the two marker lines and the KEY=VALUE lines between them,
// plain text with CR LF (a KEY=VALUE line is cut to kMaxSentLine characters).
std::string StaticDataBeginLine();
std::string StaticDataEndLine();
std::string StaticDataLine(std::string_view key, std::string_view value);

// The longest value that fits a product-information line of `marker` within
// kMaxSentLine characters (markers of kProductInfoMarkers; 0 for an unknown marker).
size_t MaxValueLength(const char* marker);

}  // namespace pelyx::config
