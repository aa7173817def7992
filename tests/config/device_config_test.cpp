// The device configuration through its public operations, with a scripted window: the
// product-information lines, the handshake, the static-data capture, the command rules,
// the baud-rate command, the restart wait and the configuration report.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "codec/intake.h"
#include "codec/stores.h"
#include "config/commands.h"
#include "config/config_form.h"
#include "config/identification.h"
#include "config/product_info.h"
#include "config/receiver_protocol.h"
#include "config/report.h"

namespace pelyx::config {
namespace {

using C = ConfigControl;

// ---- A scripted window ---------------------------------------------------------------

struct Control {
  std::string text;
  bool visible = true;
  std::vector<std::string> items;
  int index = -1;
  std::string typed;  // a combo box's text typed by the user
  std::vector<std::string> lines;
  bool down = false;
};

class FakeForm : public ConfigForm {
 public:
  FakeForm() {
    for (C c : {C::cbxBaud_RS232, C::cbxBaud_NMEA}) controls[c].items = {"38400", "9600", "4800"};
    controls[C::cbxBaud_RS232].index = 0;
    controls[C::ComboBoxExOption_Security].items = {"Open", "WPA-PSK TKIP", "WPA2-PSK AES"};
    controls[C::cbxComPort].items = {"ttyS0", "ttyUSB0", "ttyUSB1"};
    controls[C::cbxComPort].index = 0;
  }

  void SetText(C c, std::string_view text) override { controls[c].text = text; }
  void SetVisible(C c, bool visible) override { controls[c].visible = visible; }
  int ItemCount(C c) const override { return static_cast<int>(Get(c).items.size()); }
  std::string ItemText(C c, int i) const override { return Get(c).items.at(i); }
  int ItemIndex(C c) const override { return Get(c).index; }
  std::string ComboText(C c) const override {
    const Control& k = Get(c);
    if (!k.typed.empty()) return k.typed;
    return k.index >= 0 && k.index < static_cast<int>(k.items.size()) ? k.items[k.index] : "";
  }
  void SetItemIndex(C c, int i) override {
    controls[c].index = i >= 0 && i < ItemCount(c) ? i : -1;
  }
  void ClearLines(C c) override { controls[c].lines.clear(); }
  void AppendLine(C c, std::string_view line) override { controls[c].lines.emplace_back(line); }
  void SetDown(C c, bool down) override { controls[c].down = down; }
  void ShowWaitProgress(int maximum, int position) override {
    progressShown = true;
    progressMax = maximum;
    progress.push_back(position);
    events.push_back("show");
  }
  void SetWaitProgress(int position) override { progress.push_back(position); }
  void HideWaitProgress() override {
    progressShown = false;
    events.push_back("hide");
  }

  Control& operator[](C c) { return controls[c]; }

  std::map<C, Control> controls;
  bool progressShown = false;
  int progressMax = 0;
  std::vector<int> progress;
  std::vector<std::string> events;  // the dialog's and the link's calls, in order

 private:
  const Control& Get(C c) const {
    static const Control none;
    auto it = controls.find(c);
    return it == controls.end() ? none : it->second;
  }
};

class FakeLink : public ConnectionControl {
 public:
  explicit FakeLink(std::vector<std::string>& log) : events(log) {}

  bool WriteLine(const char* bytes, size_t length) override {
    attempts.emplace_back(bytes, length);
    if (writeWorks) written.emplace_back(bytes, length);
    return writeWorks;
  }
  bool AutoDetectSelected() const override { return autoMode; }
  bool ConnectPressed() const override { return pressed; }
  void SetConnectPressed(bool down) override {
    pressed = down;
    events.push_back(down ? "press" : "release");
  }
  void ToggleConnection() override {
    ++toggles;
    engaged = !engaged;
    events.push_back("toggle");
  }
  void CloseLink() override {
    if (!engaged) return;
    engaged = false;
    ++closes;
    events.push_back("close");
  }
  bool ReconnectLink() override {
    if (engaged) return true;
    ++reconnects;
    engaged = reconnectEngages;
    events.push_back("reconnect");
    return engaged;
  }
  void SelectPortByName(std::string_view name) override {
    selectedPort = name;
    events.push_back("select " + std::string(name));
  }
  void ShowPortOpenError() override { ++errorBoxes; }

  std::vector<std::string>& events;
  std::vector<std::string> attempts, written;
  bool writeWorks = true;
  bool autoMode = false;
  bool pressed = false;
  int toggles = 0;
  int errorBoxes = 0;
  bool engaged = true;           // a connection is engaged on the selected link
  bool reconnectEngages = true;  // a reconnection starts an attempt
  int closes = 0;
  int reconnects = 0;
  std::string selectedPort;
};

// Everything the window holds for the device configuration.
struct Window {
  Window() : link(form.events) {}
  FakeForm form;
  FakeLink link;
  DataStores stores{};
  ProductInfo info{};
  IdentificationState identification;
  StaticCapture capture;
  RestartWait restart;
  ReportState report;

  void Parse(const std::string& line) { ParseProductInfoLine(line, info, restart, form); }
  void Advance(const std::string& line) {
    AdvanceIdentification(line, link.ConnectPressed(), identification, capture, form);
  }
};

// ---- Product information lines ----------------------------------------------------------

struct LineCase {
  const char* name;
  std::string line;
  std::function<void(Window&)> before;
  std::function<void(const Window&, FakeForm&)> check;
};

TEST(ParseProductInfoLine, AppliesEveryMarkerAsItsValueRuleSays) {
  const std::string longSerial = "ABCDEFGHIJKLMNOPQRST";  // 20 characters, field holds 15
  const std::string longFirmware(30, 'F');
  const std::string longSsid(70, 'S');
  const std::vector<LineCase> cases = {
      {"firmware", "$PTSK,R,TXT,FIRMWARE=1.02*00\r\n", nullptr,
       [](const Window& w, FakeForm& f) {
         EXPECT_STREQ(w.info.firmwareVersion, "1.02");
         EXPECT_EQ(f[C::lblFirmVer].text, "Firmware Version: 1.02");
         EXPECT_TRUE(w.info.firmwareKnown);
       }},
      {"firmware cut to its field", "FIRMWARE=" + longFirmware + "*00\r\n", nullptr,
       [&](const Window& w, FakeForm&) {
         EXPECT_EQ(std::string(w.info.firmwareVersion), longFirmware.substr(0, 24));
       }},
      {"rx rate with unit", "$PTSK,R,TXT,RX BAUD RATE=9600 BPS*00\r\n", nullptr,
       [](const Window& w, FakeForm& f) {
         EXPECT_EQ(w.info.nmeaInBaud, 9600);
         EXPECT_EQ(f[C::cbxBaud_RS232].index, 1);
       }},
      {"rx rate no item holds", "$PTSK,R,TXT,RX BAUD RATE=115200*00\r\n",
       [](Window& w) { w.form[C::cbxBaud_RS232].index = 2; },
       [](const Window& w, FakeForm& f) {
         EXPECT_EQ(w.info.nmeaInBaud, 115200);
         EXPECT_EQ(f[C::cbxBaud_RS232].index, 0);
       }},
      {"rx rate without checksum is empty", "$PTSK,R,TXT,RX BAUD RATE=9600\r\n",
       [](Window& w) { w.info.nmeaInBaud = 4800; },
       [](const Window& w, FakeForm&) { EXPECT_EQ(w.info.nmeaInBaud, 0); }},
      {"rx rate beyond 32 bits", "$PTSK,R,TXT,RX BAUD RATE=99999999999999999999*00\r\n", nullptr,
       [](const Window& w, FakeForm&) { EXPECT_EQ(w.info.nmeaInBaud, INT32_MAX); }},
      {"tx rate", "$PTSK,R,TXT,TX BAUD RATE=4800*00\r\n", nullptr,
       [](const Window& w, FakeForm& f) {
         EXPECT_EQ(w.info.nmeaOutBaud, 4800);
         EXPECT_EQ(f[C::cbxBaud_NMEA].index, 2);
         EXPECT_EQ(f[C::cbxBaud_RS232].index, 0);  // the other box untouched
       }},
      {"serial number", "$PTSK,R,TXT,SERIAL NO.=AB123*00\r\n", nullptr,
       [](const Window& w, FakeForm&) {
         EXPECT_STREQ(w.info.serialNumber, "AB123");
         EXPECT_TRUE(w.info.serialKnown);
       }},
      {"serial number without checksum", "$PTSK,R,TXT,SERIAL NO.=AB123\r\n",
       [](Window& w) { std::strcpy(w.info.serialNumber, "OLD"); },
       [](const Window& w, FakeForm&) {
         EXPECT_STREQ(w.info.serialNumber, "");
         EXPECT_TRUE(w.info.serialKnown);
       }},
      {"serial number cut to its field", "SERIAL NO.=" + longSerial + "*00\r\n", nullptr,
       [](const Window& w, FakeForm&) { EXPECT_STREQ(w.info.serialNumber, "ABCDEFGHIJKLMNO"); }},
      {"checksum before the marker", "*$PTSK,R,TXT,FIRMWARE=1.0\r\n",
       [](Window& w) { std::strcpy(w.info.firmwareVersion, "9.9"); },
       [](const Window& w, FakeForm& f) {
         EXPECT_STREQ(w.info.firmwareVersion, "");
         EXPECT_EQ(f[C::lblFirmVer].text, "Firmware Version: ");
         EXPECT_TRUE(w.info.firmwareKnown);
       }},
      {"daughter board present", "$PTSK,R,TXT,DAUGHTER BOARD=1*00\r\n",
       [](Window& w) {
         for (C c : {C::lblChkNMEA2K, C::ImageChkNMEA2K, C::lblValNMEA2K})
           w.form[c].visible = false;
       },
       [](const Window& w, FakeForm& f) {
         EXPECT_TRUE(w.info.daughterBoard);
         EXPECT_TRUE(f[C::lblChkNMEA2K].visible);
         EXPECT_TRUE(f[C::ImageChkNMEA2K].visible);
         EXPECT_TRUE(f[C::lblValNMEA2K].visible);
         EXPECT_TRUE(f[C::TabSheetDaughter].visible);
       }},
      {"no daughter board", "$PTSK,R,TXT,DAUGHTER BOARD=0*00\r\n",
       [](Window& w) { w.info.daughterBoard = true; },
       [](const Window& w, FakeForm& f) {
         EXPECT_FALSE(w.info.daughterBoard);
         for (C c : {C::TabSheetDaughter, C::lblValWiFI, C::lblValNMEA2K, C::ImageChkWiFi,
                     C::ImageChkNMEA2K, C::lblChkWiFi, C::lblChkNMEA2K}) {
           EXPECT_FALSE(f[c].visible) << static_cast<int>(c);
         }
       }},
      {"n2k status", "$PTSK,R,TXT,N2K: OK*00\r\n", nullptr,
       [](const Window& w, FakeForm& f) {
         EXPECT_EQ(f[C::lblValNMEA2K].text, "OK");
         EXPECT_TRUE(w.info.n2kReported);
         EXPECT_FALSE(w.info.wifiReported);
       }},
      {"wifi status", "$PTSK,R,TXT,WIFI: CONNECTED*00\r\n", nullptr,
       [](const Window& w, FakeForm& f) {
         EXPECT_EQ(f[C::lblValWiFI].text, "CONNECTED");
         EXPECT_TRUE(w.info.wifiReported);
         EXPECT_FALSE(w.info.n2kReported);
       }},
      {"ssid", "$PTSK,R,TXT,WIFI SSID=(MyBoat)*00\r\n", nullptr,
       [](const Window& w, FakeForm& f) {
         EXPECT_STREQ(w.info.wifiSsid, "MyBoat");
         EXPECT_EQ(f[C::LabeledEditExOption_SSID].text, "MyBoat");
         EXPECT_FALSE(w.info.wifiReported);  // "WIFI SSID=(" is no status line
       }},
      {"ssid without parenthesis", "$PTSK,R,TXT,WIFI SSID=(MyBoat*00\r\n",
       [](Window& w) { std::strcpy(w.info.wifiSsid, "Old"); },
       [](const Window& w, FakeForm&) { EXPECT_STREQ(w.info.wifiSsid, ""); }},
      {"ssid cut to its field", "$PTSK,R,TXT,WIFI SSID=(" + longSsid + ")*00", nullptr,
       [&](const Window& w, FakeForm&) {
         EXPECT_EQ(std::string(w.info.wifiSsid), longSsid.substr(0, 63));
       }},
      {"password", "$PTSK,R,TXT,WiFi PW=(abcdefgh)*00\r\n", nullptr,
       [](const Window& w, FakeForm& f) {
         EXPECT_STREQ(w.info.wifiPassword, "abcdefgh");
         EXPECT_EQ(f[C::LabeledEditExOption_WifiPassword].text, "********");
       }},
      {"two markers in one line", "FIRMWARE=1.0 SERIAL NO.=X9*00\r\n", nullptr,
       [](const Window& w, FakeForm&) {
         EXPECT_STREQ(w.info.firmwareVersion, "1.0 SERIAL NO.=X9");
         EXPECT_STREQ(w.info.serialNumber, "X9");
       }},
      {"markers are case-sensitive", "$PTSK,R,TXT,firmware=1.0*00\r\n", nullptr,
       [](const Window& w, FakeForm& f) {
         EXPECT_FALSE(w.info.firmwareKnown);
         EXPECT_EQ(f[C::lblFirmVer].text, "");
       }},
  };
  for (const LineCase& c : cases) {
    SCOPED_TRACE(c.name);
    Window w;
    if (c.before) c.before(w);
    w.Parse(c.line);
    c.check(w, w.form);
  }
}

TEST(ParseProductInfoLine, SecurityCodeSelectsItemAndPasswordEdit) {
  struct Case {
    std::string value;
    uint8_t stored;
    int item;
    bool passwordVisible;
  };
  const Case cases[] = {
      {"4", 4, 2, true},  {"0", 0, 0, false}, {"3", 3, 1, true},
      {"7", 7, -1, true}, {"", 0, 0, false},  {"260", 4, 2, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    Window w;
    w.form[C::ComboBoxExOption_Security].index = 1;
    w.form[C::LabeledEditExOption_WifiPassword].visible = !c.passwordVisible;
    w.Parse("$PTSK,R,TXT,WiFi SECURITY=(" + c.value + ")*00\r\n");
    EXPECT_EQ(w.info.wifiSecurity, c.stored);
    EXPECT_EQ(w.form[C::ComboBoxExOption_Security].index, c.item);
    EXPECT_EQ(w.form[C::LabeledEditExOption_WifiPassword].visible, c.passwordVisible);
  }
}

TEST(ParseProductInfoLine, RestartNeedsTheCompleteSentenceWithItsChecksum) {
  struct Case {
    const char* name;
    std::string line;
    bool starts;
  };
  const Case cases[] = {
      {"announcement", "$PTSK,R,TXT,SYSTEM RESTART*48\r\n", true},
      {"wrong checksum", "$PTSK,R,TXT,SYSTEM RESTART*00\r\n", false},
      {"no checksum", "$PTSK,R,TXT,SYSTEM RESTART\r\n", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Window w;
    w.restart.RestartStep = 5;
    w.Parse(c.line);
    EXPECT_EQ(w.restart.RestartStep, c.starts ? 1 : 5);
    EXPECT_EQ(w.form.progressShown, c.starts);
    if (c.starts) {
      EXPECT_EQ(w.form.progressMax, 8);
      EXPECT_EQ(w.form.progress, std::vector<int>{0});
    }
  }
}

// ---- The handshake --------------------------------------------------------------------

TEST(AdvanceIdentification, MovesIdleToIdentifyingUnlessAlreadyConnected) {
  struct Case {
    const char* name;
    bool identified, pressed, withLine;
    TLinkState expected;
  };
  const Case cases[] = {
      {"attempt starts", false, true, false, TLinkState::Identifying},
      {"any line while idle", false, false, true, TLinkState::Identifying},
      {"identified, button up", true, false, true, TLinkState::Identifying},
      {"identified, button down", true, true, true, TLinkState::Idle},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    IdentificationState s;
    s.TickCount = 9;
    s.DeviceIdentified = c.identified;
    StaticCapture capture;
    FakeForm form;
    AdvanceIdentification(c.withLine ? std::optional<std::string_view>("$GPGGA\r\n") : std::nullopt,
                          c.pressed, s, capture, form);
    EXPECT_EQ(s.LinkState, c.expected);
    EXPECT_EQ(s.TickCount, c.expected == TLinkState::Identifying ? 0 : 9);
  }
}

TEST(AdvanceIdentification, OnlyTheEndLineIdentifies) {
  struct Case {
    const char* name;
    std::string line;
    bool identifies;
  };
  const std::string end = ProductInfoEndLine();
  const Case cases[] = {
      {"end line", end, true},
      {"end marker inside other text", "xx$PTSK,R,TXT,PROD. INFO. END yy\r\n", true},
      {"firmware line", FirmwareLine("1.02"), false},
      {"end marker in an AIS line", "!AIVDM " + end, false},
      {"end marker in a GPS line", "$GPGGA " + end, false},
      {"lower case", "$ptsk,r,txt,prod. info. end*00\r\n", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    IdentificationState s;
    s.LinkState = TLinkState::Identifying;
    s.TickCount = 4;
    StaticCapture capture;
    FakeForm form;
    AdvanceIdentification(c.line, true, s, capture, form);
    EXPECT_EQ(s.DeviceIdentified, c.identifies);
    EXPECT_EQ(s.LinkState, c.identifies ? TLinkState::Identified : TLinkState::Identifying);
    EXPECT_EQ(s.TickCount, c.identifies ? 0 : 4);
  }
}

// The receiver's answer through a line assembler, as the window wires it: the intake
// first, then the device line handler.
TEST(DeviceLineHandler, ReceiverAnswerIdentifiesAndFillsProductInfo) {
  Window w;
  w.link.pressed = true;
  DeviceLineHandler handler(w.info, w.identification, w.capture, w.restart, w.form, w.link);
  SentenceIntake intake(w.stores);
  LineAssembler assembler;
  assembler.AddConsumer(&intake);
  assembler.AddConsumer(&handler);

  AdvanceIdentification(std::nullopt, true, w.identification, w.capture, w.form);
  ASSERT_EQ(w.identification.LinkState, TLinkState::Identifying);
  ASSERT_TRUE(RequestProductInfo(kProductInfoFull, true, CommandSource::kDetection, w.stores,
                                 w.capture, w.form, w.link));

  std::string answer = FirmwareLine("2.10") + SerialNoLine("AB123") + RxBaudRateLine(38400) +
                       TxBaudRateLine(4800) + DaughterBoardLine(true) + WifiStatusLine("OK") +
                       WifiSsidLine("Boat") + WifiSecurityLine(4) + WifiPasswordLine("pw123456");
  assembler.Feed(answer);
  EXPECT_FALSE(w.identification.DeviceIdentified);
  assembler.Feed(ProductInfoEndLine());
  EXPECT_TRUE(w.identification.DeviceIdentified);
  EXPECT_EQ(w.identification.LinkState, TLinkState::Identified);

  assembler.Feed(StaticDataBeginLine() + StaticDataLine("NAME", "X") + StaticDataLine("MMSI", "1") +
                 StaticDataEndLine());
  EXPECT_EQ(w.form[C::Memo1].lines, (std::vector<std::string>{"NAME=X", "MMSI=1"}));
  EXPECT_FALSE(w.capture.StaticCaptureArmed);

  EXPECT_STREQ(w.info.firmwareVersion, "2.10");
  EXPECT_STREQ(w.info.serialNumber, "AB123");
  EXPECT_EQ(w.info.nmeaInBaud, 38400);
  EXPECT_EQ(w.info.nmeaOutBaud, 4800);
  EXPECT_TRUE(w.info.daughterBoard);
  EXPECT_STREQ(w.info.wifiSsid, "Boat");
  EXPECT_EQ(w.info.wifiSecurity, 4);
  EXPECT_STREQ(w.info.wifiPassword, "pw123456");
  EXPECT_EQ(w.form[C::cbxBaud_NMEA].index, 2);
}

// ---- Static-data capture ------------------------------------------------------------

std::vector<std::string> Listing(int count) {
  std::vector<std::string> lines = {"[STATIC DATA]\r\n"};
  for (int i = 0; i < count; ++i) lines.push_back("L" + std::to_string(i) + "\r\n");
  lines.push_back("[END OF STATIC DATA]\r\n");
  return lines;
}

TEST(CaptureStaticData, KeepsTheLinesBetweenTheMarkersAndBoundsThem) {
  struct Case {
    const char* name;
    int lines;
    size_t shown;
  };
  const Case cases[] = {{"empty listing", 0, 0},
                        {"two lines", 2, 2},
                        {"exactly 100", 100, 100},
                        {"past the 100th", 105, 100}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Window w;
    w.identification.LinkState = TLinkState::Identified;
    w.capture.StaticCaptureArmed = true;
    for (const std::string& line : Listing(c.lines)) w.Advance(line);
    const auto& shown = w.form[C::Memo1].lines;
    ASSERT_EQ(shown.size(), c.shown);
    for (size_t i = 0; i < shown.size(); ++i) EXPECT_EQ(shown[i], "L" + std::to_string(i));
    EXPECT_FALSE(w.capture.StaticCaptureArmed);
    EXPECT_EQ(w.capture.StaticCaptureState, 0);
    EXPECT_EQ(w.capture.StaticLineCount, 0);
  }
}

TEST(CaptureStaticData, RunsOnlyWhileIdentifiedAndArmed) {
  struct Case {
    const char* name;
    TLinkState state;
    bool armed;
  };
  const Case cases[] = {{"identifying", TLinkState::Identifying, true},
                        {"not armed", TLinkState::Identified, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Window w;
    w.identification.LinkState = c.state;
    w.capture.StaticCaptureArmed = c.armed;
    for (const std::string& line : Listing(2)) w.Advance(line);
    EXPECT_TRUE(w.form[C::Memo1].lines.empty());
    EXPECT_EQ(w.capture.StaticCaptureState, 0);
  }
}

TEST(CaptureStaticData, LongLineIsCutAndANewRequestKeepsTheCollection) {
  Window w;
  w.identification.LinkState = TLinkState::Identified;
  ASSERT_TRUE(RequestProductInfo(kProductInfoFull, true, CommandSource::kUser, w.stores, w.capture,
                                 w.form, w.link));
  const std::string longLine(120, 'Q');
  w.Advance("[STATIC DATA]\r\n");
  w.Advance("A=1\r\n");
  w.form[C::Memo1].lines = {"stale"};
  ASSERT_TRUE(RequestProductInfo(kProductInfoFull, true, CommandSource::kUser, w.stores, w.capture,
                                 w.form, w.link));
  EXPECT_TRUE(w.form[C::Memo1].lines.empty());
  w.Advance(longLine + "\r\n");
  w.Advance("[END OF STATIC DATA]\r\n");
  EXPECT_EQ(w.form[C::Memo1].lines, (std::vector<std::string>{"A=1", longLine.substr(0, 82)}));
}

// ---- Commands -----------------------------------------------------------------------

TEST(RequestProductInfo, WritesTheDbgQuery) {
  struct Case {
    int32_t value;
    std::string line;
  };
  const Case cases[] = {{1, "$PDBG,099,1,,,,,,*10\r\n"}, {0, WithChecksum("$PDBG,099,0,,,,,,")}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    Window w;
    w.stores.proprietary.dbgDirectionLetter = 'C';
    w.stores.proprietary.dbgCode[2] = 40;
    EXPECT_TRUE(RequestProductInfo(c.value, false, CommandSource::kUser, w.stores, w.capture,
                                   w.form, w.link));
    EXPECT_EQ(w.link.written, std::vector<std::string>{c.line});
    EXPECT_FALSE(w.capture.StaticCaptureArmed);
  }
}

TEST(SendProprietaryCommand, FailedWriteRules) {
  struct Case {
    const char* name;
    bool autoMode;
    CommandSource source;
    bool writeWorks, pressed;
    bool result;
    int toggles, errorBoxes;
  };
  const Case cases[] = {
      {"written", false, CommandSource::kUser, true, true, true, 0, 0},
      {"auto detection query", true, CommandSource::kDetection, false, true, true, 0, 0},
      {"auto, user's command", true, CommandSource::kUser, false, true, false, 1, 1},
      {"manual query, connected", false, CommandSource::kDetection, false, true, false, 1, 1},
      {"manual, button up", false, CommandSource::kUser, false, false, false, 0, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Window w;
    w.link.autoMode = c.autoMode;
    w.link.writeWorks = c.writeWorks;
    w.link.pressed = c.pressed;
    EXPECT_EQ(RequestProductInfo(1, false, c.source, w.stores, w.capture, w.form, w.link),
              c.result);
    EXPECT_EQ(w.link.attempts.size(), 1u);
    EXPECT_EQ(w.link.toggles, c.toggles);
    EXPECT_EQ(w.link.errorBoxes, c.errorBoxes);
  }
}

TEST(SendBaudRateCommand, WritesTheCodesOfTheSelectedItems) {
  struct Case {
    int in, out;
    std::string line;  // empty: nothing sent
  };
  const Case cases[] = {
      {1, 0, "$PDBG,040,4,042,2,,,,*15\r\n"},
      {2, 2, "$PDBG,040,5,042,5,,,,*13\r\n"},
      {0, 1, WithChecksum("$PDBG,040,2,042,4,,,,")},
      {-1, 0, ""},
      {0, -1, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.in) + "/" + std::to_string(c.out));
    Window w;
    w.form[C::cbxBaud_RS232].index = c.in;
    w.form[C::cbxBaud_NMEA].index = c.out;
    w.form[C::spbBaudRate].down = true;
    const bool sent = SendBaudRateCommand(w.stores, w.form, w.link);
    EXPECT_EQ(sent, !c.line.empty());
    if (c.line.empty()) {
      EXPECT_TRUE(w.link.attempts.empty());
      EXPECT_TRUE(w.form[C::spbBaudRate].down);
    } else {
      EXPECT_EQ(w.link.written, std::vector<std::string>{c.line});
      EXPECT_FALSE(w.form[C::spbBaudRate].down);
    }
  }
}

// ---- The restart wait ---------------------------------------------------------------

TEST(AdvanceRestartWait, StepsThroughTheWaitAndReconnectsTheSelectedPort) {
  Window w;
  w.form[C::cbxComPort].index = 2;                // ttyUSB1
  AdvanceRestartWait(w.restart, w.form, w.link);  // no wait pending
  EXPECT_TRUE(w.form.events.empty());

  w.Parse(SystemRestartLine());
  ASSERT_EQ(w.restart.RestartStep, 1);
  AdvanceRestartWait(w.restart, w.form, w.link);
  EXPECT_EQ(w.restart.RestartPort, "ttyUSB1");
  EXPECT_EQ(w.link.closes, 1);
  w.form[C::cbxComPort].index = 0;  // the list changes while the link is down
  for (int tick = 0; tick < 5; ++tick) {
    AdvanceRestartWait(w.restart, w.form, w.link);
    EXPECT_TRUE(w.form.progressShown);
    EXPECT_EQ(w.link.closes, 1);
    EXPECT_EQ(w.link.reconnects, 0);
  }
  AdvanceRestartWait(w.restart, w.form, w.link);
  EXPECT_EQ(w.form.progress, (std::vector<int>{0, 2, 3, 4, 5, 6, 7, 8}));
  EXPECT_EQ(w.restart.RestartStep, 0);
  EXPECT_EQ(w.form.events, (std::vector<std::string>{"show", "close", "select ttyUSB1", "reconnect",
                                                     "press", "hide"}));
  EXPECT_EQ(w.link.toggles, 0) << "explicit closing and connecting, no toggles";
  AdvanceRestartWait(w.restart, w.form, w.link);
  EXPECT_EQ(w.form.progress.size(), 8u);
}

TEST(AdvanceRestartWait, TheShownPortOrElseTheFirstPortIsConnectedAgain) {
  struct Case {
    const char* name;
    std::vector<std::string> items;
    int selected;
    std::string port;
    std::string typed = "";
  };
  const Case cases[] = {
      {"nothing selected", {"ttyS0", "ttyUSB0"}, -1, "ttyS0"},
      {"no port exists", {"N/A"}, 0, ""},
      {"empty list", {}, -1, ""},
      // A port typed into the list (a pseudo-terminal, an adapter under another name)
      // is the one connected again, not the item that stayed selected.
      {"a typed port", {"ttyS0", "ttyUSB0"}, 0, "pts/7", "pts/7"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Window w;
    w.form[C::cbxComPort].items = c.items;
    w.form[C::cbxComPort].index = c.selected;
    w.form[C::cbxComPort].typed = c.typed;
    StartRestartWait(w.restart, w.form);
    for (int tick = 0; tick < 7; ++tick) AdvanceRestartWait(w.restart, w.form, w.link);
    EXPECT_EQ(w.restart.RestartStep, 0);
    EXPECT_EQ(w.link.selectedPort, c.port);
    EXPECT_EQ(w.link.closes, 1);
    EXPECT_EQ(w.link.reconnects, 1);
    EXPECT_FALSE(w.form.progressShown);
  }
}

// A port that hangs up right after the announcement refills the port list before the
// wait's first tick, and the list then shows its first port: the port the link was on
// at the announcement is the one connected again.
TEST(AdvanceRestartWait, ThePortOfTheAnnouncementIsConnectedAgainAfterARescan) {
  Window w;
  w.form[C::cbxComPort].index = 2;  // ttyUSB1
  w.Parse(SystemRestartLine());
  w.form[C::cbxComPort].index = 0;  // refilled by the hang-up
  for (int tick = 0; tick < 7; ++tick) AdvanceRestartWait(w.restart, w.form, w.link);
  EXPECT_EQ(w.restart.RestartStep, 0);
  EXPECT_EQ(w.link.selectedPort, "ttyUSB1");
  EXPECT_EQ(w.link.reconnects, 1);
}

TEST(AdvanceRestartWait, NewAnnouncementStartsOver) {
  Window w;
  w.Parse(SystemRestartLine());
  for (int tick = 0; tick < 4; ++tick) AdvanceRestartWait(w.restart, w.form, w.link);
  ASSERT_EQ(w.restart.RestartStep, 5);
  w.Parse(SystemRestartLine());
  EXPECT_EQ(w.restart.RestartStep, 1);
  EXPECT_EQ(w.form.progress.back(), 0);
  for (int tick = 0; tick < 7; ++tick) AdvanceRestartWait(w.restart, w.form, w.link);
  EXPECT_EQ(w.restart.RestartStep, 0);
  // Closed at the first announcement (the second finds nothing engaged), reconnected
  // once.
  EXPECT_EQ(w.link.closes, 1);
  EXPECT_EQ(w.link.reconnects, 1);
  EXPECT_TRUE(w.link.engaged);
}

// The link as the restart wait finds it: still engaged at its first step or already
// ended by the receiver's side (a bridge that drops the connection), and a connection
// engaged by the time of its last step or not (the user may have connected meanwhile,
// or the reconnection may not start). Only an engaged link is closed, only a link with
// nothing engaged is connected, and the connect button is pressed only for a
// connection that is engaged.
TEST(AdvanceRestartWait, ClosesOnlyAnEngagedLinkAndConnectsOnlyWhenNothingIsEngaged) {
  struct Case {
    const char* name;
    bool engagedAtAnnouncement;
    bool engagedBeforeLastStep;  // set just before the last step
    bool reconnectEngages;
    std::vector<std::string> events;
    bool pressed;
  };
  const Case cases[] = {
      {"engaged throughout the restart",
       true,
       false,
       true,
       {"show", "close", "select ttyUSB0", "reconnect", "press", "hide"},
       true},
      {"dropped by the receiver's side",
       false,
       false,
       true,
       {"show", "select ttyUSB0", "reconnect", "press", "hide"},
       true},
      {"connected again by the user",
       true,
       true,
       true,
       {"show", "close", "select ttyUSB0", "press", "hide"},
       true},
      {"the reconnection does not start",
       false,
       false,
       false,
       {"show", "select ttyUSB0", "reconnect", "hide"},
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Window w;
    w.form[C::cbxComPort].index = 1;  // ttyUSB0
    w.link.engaged = c.engagedAtAnnouncement;
    w.link.reconnectEngages = c.reconnectEngages;
    w.Parse(SystemRestartLine());
    for (int tick = 0; tick < 6; ++tick) AdvanceRestartWait(w.restart, w.form, w.link);
    if (c.engagedBeforeLastStep) {
      w.link.engaged = true;
      w.link.pressed = true;
    }
    AdvanceRestartWait(w.restart, w.form, w.link);
    EXPECT_EQ(w.restart.RestartStep, 0);
    EXPECT_EQ(w.form.events, c.events);
    EXPECT_EQ(w.link.pressed, c.pressed);
    EXPECT_EQ(w.link.toggles, 0);
  }
}

// ---- The report ---------------------------------------------------------------------

class ScriptedPrompt : public ConfigPrompt {
 public:
  PromptAnswer Message(std::string_view text, std::string_view caption, PromptButtons buttons,
                       PromptIcon icon) override {
    asked.push_back(std::string(text) + "|" + std::string(caption));
    lastButtons = buttons;
    lastIcon = icon;
    if (answers.empty()) return PromptAnswer::kCancel;
    PromptAnswer a = answers.front();
    answers.pop_front();
    return a;
  }
  std::optional<std::string> SaveFileName(std::string_view filter, std::string_view extension,
                                          std::string_view proposed) override {
    dialogs.push_back(std::string(filter) + "|" + std::string(extension) + "|" +
                      std::string(proposed));
    return savePath;
  }
  std::deque<PromptAnswer> answers;
  std::optional<std::string> savePath;
  std::vector<std::string> asked, dialogs;
  PromptButtons lastButtons{};
  PromptIcon lastIcon{};
};

ProductInfo Info(const char* serial, const char* firmware, int in, int out) {
  ProductInfo info{};
  std::strcpy(info.serialNumber, serial);
  std::strcpy(info.firmwareVersion, firmware);
  info.nmeaInBaud = in;
  info.nmeaOutBaud = out;
  return info;
}

const LocalDateTime kWhen = {2026, 5, 8, 9, 3, 7};

TEST(ReportLines, WithoutDaughterBoard) {
  const std::vector<std::string> lines = ReportLines(Info("AB123", "1.0", 38400, 4800), kWhen);
  const std::vector<std::string> head = {
      "===========================================",
      "   TESK Pelyx Configuration Report ",
      "       2026/05/08 09:03:07",
      "===========================================",
      "  Serial Number    = AB123",
      "  Firmware Version = 1.0",
      "",
      "",
      "[BAUD RATE]",
      "\tNMEA IN Baud Rate = 38400",
      "",
      "\tNMEA OUT Baud Rate = 4800",
      "",
  };
  ASSERT_EQ(lines.size(), head.size() + 5);
  for (size_t i = 0; i < head.size(); ++i) EXPECT_EQ(lines[i], head[i]) << "line " << i + 1;
  EXPECT_EQ(lines[13], std::string(34, '='));
  EXPECT_EQ(lines[17], std::string(34, '='));
  EXPECT_NE(lines[14].find("2026"), std::string::npos);
  for (size_t i = 14; i < 17; ++i) {
    EXPECT_NE(lines[i].find_first_not_of(' '), std::string::npos) << i;
    EXPECT_LE(lines[i].size(), 43u) << i;
  }
}

TEST(ReportLines, WiFiSectionPerSecurityCode) {
  struct Case {
    uint8_t security;
    std::vector<std::string> wifi;
  };
  const Case cases[] = {
      {0, {"[Wi-Fi]", "\tWi-Fi SSID = Boat", "", "\tWi-Fi Security = Open", ""}},
      {2,
       {"[Wi-Fi]", "\tWi-Fi SSID = Boat", "", "\tWi-Fi Security = WPA-PSK TKIP", "",
        "\tWi-Fi Password = s3cret", ""}},
      {4,
       {"[Wi-Fi]", "\tWi-Fi SSID = Boat", "", "\tWi-Fi Security = WPA2-PSK AES", "",
        "\tWi-Fi Password = s3cret", ""}},
      {3, {"[Wi-Fi]", "\tWi-Fi SSID = Boat", ""}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.security));
    ProductInfo info = Info("AB123", "1.0", 9600, 38400);
    info.daughterBoard = true;
    std::strcpy(info.wifiSsid, "Boat");
    std::strcpy(info.wifiPassword, "s3cret");
    info.wifiSecurity = c.security;
    const std::vector<std::string> lines = ReportLines(info, kWhen);
    ASSERT_EQ(lines.size(), 13 + c.wifi.size() + 5);
    EXPECT_EQ(lines[9], "\tNMEA IN Baud Rate = 9600");
    for (size_t i = 0; i < c.wifi.size(); ++i) EXPECT_EQ(lines[13 + i], c.wifi[i]) << i;
    EXPECT_EQ(lines[13 + c.wifi.size()], std::string(34, '='));
  }
}

TEST(ProposedReportName, CannotLeaveTheChosenFolder) {
  struct Case {
    const char* serial;
    const char* name;
  };
  const Case cases[] = {
      {"AB123", "AB123"},
      {"../../etc/passwd", "etcpasswd"},
      {"..\\..\\boot", "boot"},
      {"C:\\temp\\x", "Ctempx"},
      {"..", ""},
      {".hidden", "hidden"},
      {"A*B?C", "ABC"},
      {"a\tb", "ab"},
      {"", ""},
      {"SN 12.", "SN 12"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ProposedReportName(c.serial), c.name) << c.serial;
  }
}

class ReportFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/pelyx-report-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  std::string dir_;
};

TEST_F(ReportFiles, WritesTheLinesWithCrLf) {
  const std::string path = dir_ + "/AB123.TXT";
  ASSERT_TRUE(WriteReportFile(path, {"a", "", "\tb"}));
  EXPECT_EQ(Read(path), "a\r\n\r\n\tb\r\n");
  EXPECT_FALSE(WriteReportFile(dir_ + "/missing/x.TXT", {"a"}));
}

TEST_F(ReportFiles, RunReportFollowsTheAnswers) {
  struct Case {
    const char* name;
    std::vector<PromptAnswer> answers;
    bool dialogCancelled;
    bool fileExists;
    ReportOutcome outcome;
    bool written;
  };
  const Case cases[] = {
      {"saved", {PromptAnswer::kOk}, false, false, ReportOutcome::kSaved, true},
      {"question cancelled",
       {PromptAnswer::kCancel},
       false,
       false,
       ReportOutcome::kDeclined,
       false},
      {"dialog cancelled", {PromptAnswer::kOk}, true, false, ReportOutcome::kCancelled, false},
      {"not overwritten",
       {PromptAnswer::kOk, PromptAnswer::kNo},
       false,
       true,
       ReportOutcome::kNotOverwritten,
       false},
      {"overwritten",
       {PromptAnswer::kOk, PromptAnswer::kYes},
       false,
       true,
       ReportOutcome::kSaved,
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = dir_ + "/AB123.TXT";
    std::filesystem::remove(path);
    if (c.fileExists) {
      ASSERT_TRUE(WriteReportFile(path, {"old"}));
    }
    ScriptedPrompt prompt;
    prompt.answers.assign(c.answers.begin(), c.answers.end());
    if (!c.dialogCancelled) prompt.savePath = path;
    FakeForm form;
    std::vector<std::string> opened;
    ReportServices services{[] { return kWhen; },
                            [&](const std::string& p) { opened.push_back(p); }};
    const ProductInfo info = Info("AB123", "1.0", 38400, 4800);
    EXPECT_EQ(RunReport(info, prompt, form, services), c.outcome);
    ASSERT_FALSE(prompt.asked.empty());
    EXPECT_EQ(prompt.asked[0], "Do you want to save the report?|Save");
    if (c.fileExists && c.answers.size() > 1) {
      EXPECT_EQ(prompt.asked[1], "File already exists. Do you want to overwrite?|Warning");
      EXPECT_EQ(prompt.lastButtons, PromptButtons::kYesNo);
    }
    if (c.answers[0] == PromptAnswer::kOk) {
      EXPECT_EQ(prompt.dialogs, std::vector<std::string>{"Report File (*.TXT)|*.TXT|TXT|AB123"});
      EXPECT_EQ(form[C::MemoRecord].lines, ReportLines(info, kWhen));
    } else {
      EXPECT_TRUE(prompt.dialogs.empty());
    }
    const std::string content = std::filesystem::exists(path) ? Read(path) : "";
    if (c.written) {
      EXPECT_EQ(content.substr(0, 45), std::string(43, '=') + "\r\n");
      EXPECT_EQ(opened, std::vector<std::string>{path});
    } else {
      EXPECT_EQ(content, c.fileExists ? "old\r\n" : "");
      EXPECT_TRUE(opened.empty());
    }
  }
}

TEST_F(ReportFiles, NameWithoutExtensionGetsTxtAndWriteFailureIsReported) {
  ScriptedPrompt prompt;
  prompt.answers = {PromptAnswer::kOk};
  prompt.savePath = dir_ + "/report";
  FakeForm form;
  std::vector<std::string> opened;
  ReportServices services{[] { return kWhen; }, [&](const std::string& p) { opened.push_back(p); }};
  const ProductInfo info = Info("AB123", "1.0", 38400, 4800);
  EXPECT_EQ(RunReport(info, prompt, form, services), ReportOutcome::kSaved);
  EXPECT_EQ(opened, std::vector<std::string>{dir_ + "/report.TXT"});
  EXPECT_TRUE(std::filesystem::exists(dir_ + "/report.TXT"));

  prompt.answers = {PromptAnswer::kOk};
  prompt.savePath = dir_ + "/no-such-folder/r.TXT";
  opened.clear();
  EXPECT_EQ(RunReport(info, prompt, form, services), ReportOutcome::kWriteFailed);
  EXPECT_TRUE(opened.empty());
  EXPECT_EQ(prompt.lastIcon, PromptIcon::kError);
}

TEST(Timer2Timer, ReportComesOnTheSecondTickAfterReadDevice) {
  Window w;
  ScriptedPrompt prompt;  // answers Cancel
  ReportServices services{[] { return kWhen; }, nullptr};
  EXPECT_EQ(Timer2Timer(w.report, w.info, prompt, w.form, services), ReportOutcome::kNotDue);

  // Read Device with no link open: the error box, and still the report two ticks later.
  w.link.writeWorks = false;
  EXPECT_FALSE(ReadDevice(w.stores, w.capture, w.report, w.form, w.link));
  EXPECT_EQ(w.link.errorBoxes, 1);
  EXPECT_TRUE(w.capture.StaticCaptureArmed);
  EXPECT_EQ(w.report.ReportCountdown, 2);
  EXPECT_EQ(Timer2Timer(w.report, w.info, prompt, w.form, services), ReportOutcome::kNotDue);
  EXPECT_TRUE(prompt.asked.empty());
  ReadDevice(w.stores, w.capture, w.report, w.form, w.link);  // a second click starts over
  EXPECT_EQ(Timer2Timer(w.report, w.info, prompt, w.form, services), ReportOutcome::kNotDue);
  EXPECT_EQ(Timer2Timer(w.report, w.info, prompt, w.form, services), ReportOutcome::kDeclined);
  EXPECT_EQ(prompt.asked.size(), 1u);
  EXPECT_EQ(w.report.ReportCountdown, 255);
  for (int tick = 0; tick < 5; ++tick) {
    EXPECT_EQ(Timer2Timer(w.report, w.info, prompt, w.form, services), ReportOutcome::kNotDue);
  }
  EXPECT_EQ(prompt.asked.size(), 1u);
}

}  // namespace
}  // namespace pelyx::config
