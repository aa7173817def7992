// Arbitrary received bytes through a line assembler into the device-line handler, as the
// window and the headless commands have it after the sentence intake: the identification
// handshake, the static-data capture and the product-information markers. A first byte
// chooses the state the connection is in. Aborts when a text field of the product
// information loses its terminating NUL, when the static-data capture holds more lines than
// it has room for or a line without its NUL, when the handshake leaves its states, or when
// a combo box is given an item it does not have.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "codec/intake.h"
#include "config/commands.h"
#include "config/config_form.h"
#include "config/identification.h"
#include "config/product_info.h"

namespace {

using namespace pelyx;
using namespace pelyx::config;

void Check(bool condition) {
  if (!condition) std::abort();
}

// The controls the handler writes: texts, visibility and the three combo boxes it selects
// items of.
class Form : public ConfigForm {
 public:
  void SetText(ConfigControl, std::string_view text) override { Check(text.size() < 1 << 20); }
  void SetVisible(ConfigControl, bool) override {}
  int ItemCount(ConfigControl combo) const override {
    return combo == ConfigControl::cbxComPort ? 2 : IsCombo(combo) ? 3 : 0;
  }
  std::string ItemText(ConfigControl combo, int index) const override {
    Check(index >= 0 && index < ItemCount(combo));
    static const char* const kBaud[] = {"38400", "9600", "4800"};
    static const char* const kSecurity[] = {"Open", "WPA-PSK TKIP", "WPA2-PSK AES"};
    if (combo == ConfigControl::cbxComPort) return index == 0 ? "ttyUSB0" : "ttyUSB1";
    return combo == ConfigControl::ComboBoxExOption_Security ? kSecurity[index] : kBaud[index];
  }
  int ItemIndex(ConfigControl combo) const override { return index_[Slot(combo)]; }
  std::string ComboText(ConfigControl combo) const override {
    const int i = ItemIndex(combo);
    return i >= 0 ? ItemText(combo, i) : "";
  }
  void SetItemIndex(ConfigControl combo, int index) override {
    index_[Slot(combo)] = index >= 0 && index < ItemCount(combo) ? index : -1;
  }
  void ClearLines(ConfigControl) override { lines = 0; }
  void AppendLine(ConfigControl, std::string_view line) override {
    Check(line.find('\0') == std::string_view::npos || line.size() < 1 << 20);
    ++lines;
  }
  void SetDown(ConfigControl, bool) override {}
  void ShowWaitProgress(int maximum, int position) override {
    Check(position >= 0 && position <= maximum);
  }
  void SetWaitProgress(int position) override { Check(position >= 0); }
  void HideWaitProgress() override {}

  int lines = 0;

 private:
  static bool IsCombo(ConfigControl c) {
    return c == ConfigControl::cbxBaud_RS232 || c == ConfigControl::cbxBaud_NMEA ||
           c == ConfigControl::ComboBoxExOption_Security || c == ConfigControl::cbxComPort;
  }
  static int Slot(ConfigControl c) {
    Check(IsCombo(c));
    return c == ConfigControl::cbxBaud_RS232  ? 0
           : c == ConfigControl::cbxBaud_NMEA ? 1
           : c == ConfigControl::cbxComPort   ? 2
                                              : 3;
  }
  int index_[4] = {0, 0, 0, 0};
};

// The connection as the handler sees it; nothing is written to a receiver here.
class Link : public ConnectionControl {
 public:
  explicit Link(bool pressed) : pressed_(pressed) {}
  bool WriteLine(const char*, size_t length) override { return length > 0; }
  bool AutoDetectSelected() const override { return false; }
  bool ConnectPressed() const override { return pressed_; }
  void SetConnectPressed(bool down) override { pressed_ = down; }
  void ToggleConnection() override { pressed_ = !pressed_; }
  void CloseLink() override { pressed_ = false; }
  bool ReconnectLink() override {
    pressed_ = true;
    return true;
  }
  void SelectPortByName(std::string_view) override {}
  void ShowPortOpenError() override {}

 private:
  bool pressed_;
};

template <size_t N>
bool Terminated(const char (&text)[N]) {
  return std::memchr(text, '\0', N) != nullptr;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint8_t mode = data[0];
  std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);

  static ProductInfo* const info = new ProductInfo;
  static StaticCapture* const capture = new StaticCapture;
  *info = ProductInfo{};
  *capture = StaticCapture{};
  IdentificationState state;
  RestartWait restart;
  Form form;
  Link link((mode & 1) != 0);
  // Bit 1: a Read Device is under way (the static-data capture is armed); bit 2: the
  // connection attempt has started.
  capture->StaticCaptureArmed = (mode & 2) != 0;
  if (mode & 4) AdvanceIdentification(std::nullopt, link.ConnectPressed(), state, *capture, form);

  DeviceLineHandler handler(*info, state, *capture, restart, form, link);
  LineAssembler assembler;
  assembler.AddConsumer(&handler);
  assembler.Feed(input.data(), input.size());

  Check(Terminated(info->serialNumber) && Terminated(info->firmwareVersion));
  Check(Terminated(info->wifiSsid) && Terminated(info->wifiPassword));
  Check(capture->StaticLineCount >= 0 && capture->StaticLineCount <= kStaticLineCapacity);
  for (int i = 0; i < capture->StaticLineCount; ++i) Check(Terminated(capture->StaticLines[i]));
  Check(capture->StaticCaptureState == 0 || capture->StaticCaptureState == 1);
  Check(state.LinkState == TLinkState::Idle || state.LinkState == TLinkState::Identifying ||
        state.LinkState == TLinkState::Identified);
  Check(!state.DeviceIdentified || state.LinkState == TLinkState::Identified);
  Check(restart.RestartStep >= 0);
  return 0;
}
