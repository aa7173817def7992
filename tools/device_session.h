// A connection to the receiver without a window: the connection settings, the
// connection display, the device configuration's controls and the message boxes as
// plain state, driven by the same connection manager and device configuration as the
// window, with the window's timers run by a loop of its own on the calling thread.
//
// The calling thread is the user-interface thread: every handler, timer and line
// handler runs there, inside the calls below. Message boxes become failures (the first
// one's text is kept in Error()); the force-connect question is answered OK, as by a
// user who named the port on the command line.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "codec/intake.h"
#include "codec/stores.h"
#include "config/commands.h"
#include "config/config_form.h"
#include "config/identification.h"
#include "config/product_info.h"
#include "config/report.h"
#include "link/comm.h"
#include "link/connection_manager.h"
#include "link/ports.h"
#include "link/ui_dispatcher.h"

namespace pelyx::tools {

// Which link a session connects through.
struct LinkTarget {
  enum class Kind { kPort, kAuto, kTcp };
  Kind kind = Kind::kPort;
  std::string port;     // kPort: the port name ("ttyUSB0", "pts/3"), its device under /dev
  std::string address;  // kTcp: dotted-decimal IPv4 address
  std::string tcpPort;  // kTcp: the port number as text
  std::string named;    // kPort: the device as named (a link may lead elsewhere later)
};

// The receiver's link as named on the command line: "--port DEVICE", "--auto" or
// "--tcp HOST:PORT". DEVICE is a path (symbolic links are followed; a device under /dev
// becomes its port name, any other path is kept to be opened as it is) or a port name.
// False with a message in `error` for anything else.
bool ParseLinkTarget(LinkTarget::Kind kind, std::string_view value, LinkTarget& target,
                     std::string& error);

class DeviceSession final : public link::ConnectionForm,
                            public link::ConnectionDevice,
                            public config::ConfigForm,
                            public config::ConnectionControl {
 public:
  // The periods of the supervision timer, the connection display's timer, the
  // system-check timer and the report timer.
  static constexpr std::chrono::milliseconds kTimer1Period{1000};
  static constexpr std::chrono::milliseconds kTimerConnectionPeriod{200};
  static constexpr std::chrono::milliseconds kSystemCheckPeriod{1000};
  static constexpr std::chrono::milliseconds kReportTimerPeriod{1000};
  // The longest wait for the receiver's restart announcement after a new setting.
  static constexpr std::chrono::milliseconds kRestartAnnounceWait{10000};
  // How often the product information is asked for again when the answer lacked the
  // firmware version or the serial number, and the longest wait for each answer.
  static constexpr int kProductInfoRetries = 2;
  static constexpr std::chrono::milliseconds kProductInfoRetryWait{5000};

  explicit DeviceSession(link::PortEnumerator& ports);
  ~DeviceSession() override;
  DeviceSession(const DeviceSession&) = delete;
  DeviceSession& operator=(const DeviceSession&) = delete;

  // Connects and waits until the receiver has identified itself (the end line of its
  // product information has been handled) and the connection display shows it
  // connected, within the connection manager's deadlines. When the answer lacked the
  // firmware version or the serial number (a line lost to noise), asks again, at most
  // kProductInfoRetries times. False on a failure.
  bool Connect(const LinkTarget& target);

  // Config Device on the BAUD RATE page with `nmeaIn` and `nmeaOut` (38400, 9600 or
  // 4800), then the restart wait through the receiver's restart and the new connection
  // after it; true once the receiver has identified itself again, completely, and
  // reported exactly these rates. When no restart announcement comes within
  // kRestartAnnounceWait (it may have been lost), the link is connected anew all the
  // same and the rates are read back. The product information is that of the new
  // connection.
  bool SetBaudRates(int32_t nmeaIn, int32_t nmeaOut);

  // Read Device, then, when the window's report delay has passed, the configuration
  // report of the product information as it stands, written to `path` with CR LF line
  // ends (replacing a file there). True when written completely.
  bool SaveReport(const std::string& path);

  // Ends the connection; nothing when none.
  void Close();

  // The current attempt's connection is up and the receiver identified.
  bool IsConnected() const;
  const config::ProductInfo& Info() const { return *info_; }
  // The first failure's text (a message box, an exception, a deadline); empty while
  // nothing failed.
  const std::string& Error() const { return error_; }
  // What the window shows without ending the attempt (an automatically tried port that
  // would not open).
  const std::vector<std::string>& Warnings() const { return warnings_; }
  // The last line written to the receiver, CR LF included.
  const std::string& LastCommand() const { return lastCommand_; }

  // ---- link::PortForm ----
  void ClearPortItems() override;
  void AddPortItem(const std::string& text) override;
  void SelectPortItem(int index) override;
  std::string PortText() const override { return portText_; }
  void SetPortText(const std::string& text) override;
  void SelectBaudItem(int) override {}
  std::string BaudText() const override { return link::kBaudRateItems[0]; }
  void SetAutoDetectPortText(const std::string&) override {}
  void SetAutoDetectBaudText(const std::string&) override {}
  void ShowAutoPage(bool) override {}

  // ---- link::ConnectionForm ----
  bool ConnectPressed() const override { return connectPressed_; }
  void SetConnectPressed(bool down) override { connectPressed_ = down; }
  void SetConnectCaption(bool) override {}
  void ShowLinkStatus(int frame, link::LinkStatus status) override;
  void ShowConnectingFrame(int, bool) override {}
  void SetSerialSettingsEnabled(bool) override {}
  bool AutoModeChecked() const override { return autoMode_; }
  bool SerialItemChecked() const override { return linkItem_ == 0; }
  bool WiFiItemChecked() const override { return linkItem_ == 1; }
  void SelectLinkItem(uint8_t mode) override { linkItem_ = mode; }
  std::string WiFiAddressText() const override { return wifiAddress_; }
  std::string WiFiPortText() const override { return wifiPort_; }
  void SetWiFiEditsEnabled(bool) override {}
  void SetSupervisionTimersRunning(bool running) override;
  void StartSystemCheckTimer() override;
  bool Show(link::ConnectionMessage message) override;
  bool AskForceConnect(const std::string& port) override;
  void ShowError(const std::string& text) override;
  void NotePortHungUp(const std::string& deviceName) override;

  // ---- link::ConnectionDevice ----
  void AdvanceIdentification() override;
  bool RequestProductInfo() override;
  void ClearStaticCapture() override { capture_->StaticCaptureArmed = false; }

  // ---- config::ConfigForm ----
  void SetText(config::ConfigControl, std::string_view) override {}
  void SetVisible(config::ConfigControl, bool) override {}
  int ItemCount(config::ConfigControl combo) const override;
  std::string ItemText(config::ConfigControl combo, int index) const override;
  int ItemIndex(config::ConfigControl combo) const override;
  std::string ComboText(config::ConfigControl combo) const override;
  void SetItemIndex(config::ConfigControl combo, int index) override;
  void ClearLines(config::ConfigControl) override {}
  void AppendLine(config::ConfigControl, std::string_view) override {}
  void SetDown(config::ConfigControl, bool) override {}
  void ShowWaitProgress(int, int) override {}
  void SetWaitProgress(int) override {}
  void HideWaitProgress() override {}

  // ---- config::ConnectionControl ----
  bool WriteLine(const char* bytes, size_t length) override;
  bool AutoDetectSelected() const override { return autoMode_; }
  void ToggleConnection() override { manager_->ToggleConnection(); }
  void CloseLink() override { manager_->CloseConnection(); }
  // Connects again to the port named on the command line (a link is followed anew: a
  // receiver on USB may come back as another device after its restart).
  bool ReconnectLink() override;
  void SelectPortByName(std::string_view portName) override {
    manager_->SelectPortByName(std::string(portName));
  }
  void ShowPortOpenError() override;

 private:
  using Clock = std::chrono::steady_clock;

  // Runs the event loop and the timers until `done` holds (true), a failure (false) or
  // `limit` has passed (false, with `timeoutText` as the failure).
  bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds limit,
                const std::string& timeoutText);
  void RunTimers(Clock::time_point now);
  void Fail(const std::string& text);
  // Fails when the current attempt has ended without the receiver identified.
  void CheckAttemptEnded();
  // Fails at once when the Wi-Fi bridge refused the connection or cannot be reached.
  void CheckConnectFailed();
  // Asks for the product information again until the firmware version and the serial
  // number are known, at most kProductInfoRetries times; false (failed) when they stay
  // unknown.
  bool CompleteProductInfo();
  // Waits for the receiver to identify itself on the connection after its restart.
  bool AwaitReconnection(int identifiedBefore);
  std::string LinkText() const;
  // Makes `port` the port list's selected entry and the serial component's device.
  void SelectTargetPort(const std::string& port);

  void OnSerialData(link::TThreadComm& sender, uint32_t count);
  void OnTcpData(link::TTCPIPClientThread& client);

  link::EventQueueDispatcher ui_;
  link::TComm serial_{ui_};
  std::unique_ptr<DataStores> stores_;
  std::unique_ptr<SentenceIntake> intake_;
  std::unique_ptr<config::ProductInfo> info_;
  std::unique_ptr<config::StaticCapture> capture_;
  config::IdentificationState state_;
  config::RestartWait restart_;
  config::ReportState report_;
  std::unique_ptr<config::DeviceLineHandler> lineHandler_;
  // Counts the end lines of the receiver's product-information answers.
  class AnswerCounter final : public LineConsumer {
   public:
    void TakeLine(std::string_view line) override;
    int Count() const { return count_; }

   private:
    int count_ = 0;
  };
  AnswerCounter answers_;
  LineAssembler serialLines_;
  LineAssembler tcpLines_;
  std::unique_ptr<link::ConnectionManager> manager_;

  LinkTarget target_;
  // The connection settings.
  std::vector<std::string> portItems_;
  int portIndex_ = -1;
  std::string portText_;
  bool autoMode_ = false;
  uint8_t linkItem_ = 0;
  std::string wifiAddress_;
  std::string wifiPort_;
  bool connectPressed_ = false;
  link::LinkStatus status_ = link::LinkStatus::kDisconnect;
  // The BAUD RATE page's two combo boxes (items: the baud-rate codes' items).
  int baudInIndex_ = -1;
  int baudOutIndex_ = -1;

  // The timers.
  bool supervisionRunning_ = false;
  bool systemCheckRunning_ = false;
  Clock::time_point nextTimer1_{};
  Clock::time_point nextTimerConnection_{};
  Clock::time_point nextSystemCheck_{};
  int identifications_ = 0;  // times the connection display turned to connected

  std::string error_;
  std::vector<std::string> warnings_;
  std::string lastCommand_;
  // From the baud-rate command until the connection after the restart: the receiver's
  // device may go away meanwhile.
  bool restartExpected_ = false;
};

}  // namespace pelyx::tools
