// The connection manager: owns the two links to the receiver (the serial component for
// the whole run, one TCP client per Wi-Fi connection), opens, identifies, supervises and
// closes them, animates the connection display, and writes every outgoing line.
//
// It knows no toolkit. It reads and writes the controls it drives through
// `ConnectionForm` (the main window implements it with its widgets, the tests with plain
// state), asks the device configuration for the identification query through
// `ConnectionDevice`, and its timer handlers are plain methods: the window's timers call
// them, the tests step them tick by tick.
//
// Everything here runs on the user-interface thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "link/comm.h"
#include "link/ports.h"
#include "link/tcp_client.h"

namespace pelyx::link {

// The identification handshake's state, shared with the device configuration.
enum class TLinkState : int32_t { Idle = 0, Identifying = 1, Identified = 2 };

struct IdentificationState {
  TLinkState LinkState = TLinkState::Idle;
  int32_t TickCount = 0;  // supervision ticks since the attempt (or phase) began
  bool DeviceIdentified = false;
};

// The text the connection status label shows.
enum class LinkStatus { kDisconnect, kConnecting, kConnected };

// The message boxes of the connection manager.
enum class ConnectionMessage {
  kNoSerialPortExist,     // warning, OK
  kAutoDetectTimeOut,     // error, OK
  kManualConnectTimeOut,  // error, OK
  kPortOpenError,         // error, OK
  kConnectionChange,      // warning, OK and Cancel
};

// The controls of the connection settings and the connection display.
class ConnectionForm : public PortForm {
 public:
  // OpenPort: a toggle button whose caption is "Connect" or "Disconnect".
  virtual bool ConnectPressed() const = 0;
  virtual void SetConnectPressed(bool down) = 0;
  virtual void SetConnectCaption(bool disconnect) = 0;
  // Frame `frame` of both connection pictures and the status label: greyed for
  // kDisconnect, black for kConnecting, blue for kConnected.
  virtual void ShowLinkStatus(int frame, LinkStatus status) = 0;
  // The animation while connecting: frame `frame` of the arrows, the label reading
  // "Connecting..." in red (`red`) or black.
  virtual void ShowConnectingFrame(int frame, bool red) = 0;
  // The serial group box, both mode radio buttons and both combo boxes.
  virtual void SetSerialSettingsEnabled(bool enabled) = 0;
  // RadioButtonConnectionModeAuto is checked (else Manual is).
  virtual bool AutoModeChecked() const = 0;
  // The Connection menu: which item is checked; checking one and showing its group box
  // (GroupBoxSerialConnectionMode for 0, GroupBoxWiFiConnectionMode for 1).
  virtual bool SerialItemChecked() const = 0;
  virtual bool WiFiItemChecked() const = 0;
  virtual void SelectLinkItem(uint8_t mode) = 0;
  // LabelEditWiFi_TCP_IP and LabelEditWiFi_Port.
  virtual std::string WiFiAddressText() const = 0;
  virtual std::string WiFiPortText() const = 0;
  virtual void SetWiFiEditsEnabled(bool enabled) = 0;
  // Timer1 and TimerConnection run or stop together.
  virtual void SetSupervisionTimersRunning(bool running) = 0;
  // TimerUpdateSysChk starts (it is never stopped again).
  virtual void StartSystemCheckTimer() = 0;
  // A message box; true when the user answered OK.
  virtual bool Show(ConnectionMessage message) = 0;
  // The force-connect question for a typed port that is not openable; true for OK.
  virtual bool AskForceConnect(const std::string& port) = 0;
  // The text of an exception the serial component raised, in an error box.
  virtual void ShowError(const std::string& text) = 0;
  // The connected serial port `deviceName` hung up; the link is ended right after, as
  // for the removal of the port. The window shows nothing more than the ended link.
  virtual void NotePortHungUp(const std::string& /*deviceName*/) {}
};

// What the manager asks of the device configuration.
class ConnectionDevice {
 public:
  virtual ~ConnectionDevice() = default;
  // The handshake step without a line, when an attempt starts.
  virtual void AdvanceIdentification() = 0;
  // Sends the product-information query (value 1, with the static-data capture).
  virtual bool RequestProductInfo() = 0;
  // The static-data capture stops waiting for its listing.
  virtual void ClearStaticCapture() = 0;
};

class ConnectionManager {
 public:
  // The double-clicks on the Wi-Fi box that lock or unlock its edits.
  static constexpr int kWiFiUnlockClicks = 5;
  // The manual identification deadline and the Wi-Fi cut-off, in supervision ticks.
  static constexpr int kManualTickLimit = 20;
  static constexpr int kWiFiTickLimit = 15;

  using ClientFactory = std::function<std::unique_ptr<TTCPIPClientThread>()>;
  // Called for each receive notification of the running Wi-Fi client.
  using ClientDataHandler = std::function<void(TTCPIPClientThread& client)>;

  ConnectionManager(TComm& serial, PortEnumerator& ports, ConnectionForm& form,
                    ConnectionDevice& device, IdentificationState& state, ClientFactory makeClient,
                    ClientDataHandler onClientData);
  ~ConnectionManager();
  ConnectionManager(const ConnectionManager&) = delete;
  ConnectionManager& operator=(const ConnectionManager&) = delete;

  // Start-up: the port lists, the baud-rate list, the Manual page, the idle display.
  void Start();

  // ---- Handlers of the window ----
  void OpenPortClick();
  void Timer1Timer();
  void TimerConnectionTimer();
  void mnuSerialPortClick() { SelectLinkMode(0); }
  void mnuWiFiClick() { SelectLinkMode(1); }
  void RadioButtonConnectionModeClick();
  void cbxComPortChange();
  void cbxBaudRateChange(int position);
  void GroupBoxWiFiConnectionModeDblClick();
  // Device-change notices of the serial devices.
  void DevicesChanged();
  void DeviceArrived();
  void DeviceRemoved();
  // The open serial port hung up (the serial component's OnHangUp).
  void PortHungUp();

  // ---- Operations ----
  void ToggleConnection();
  // Ends the connection of the selected link while one is engaged; nothing otherwise (a
  // link the receiver's side has already closed is not opened again).
  void CloseConnection();
  // Connects the selected link again after the receiver restarted, only when nothing is
  // engaged. A manual port the user connected before is not asked about again; with
  // automatic detection the port the receiver was identified on is tried first, then
  // the rotation goes on as usual. True when a connection is engaged afterwards.
  bool Reconnect();
  // Writes to the link selected in the Connection menu; true when all bytes went out.
  bool WriteLine(const char* bytes, size_t length);
  // Selects the port list entry that names `portName`; nothing when absent.
  void SelectPortByName(const std::string& portName);
  void ResetLinkState();
  void OnTcpClosed();
  // Ends the connection while the window closes: the serial port is closed.
  void FormClose();

  // ---- State ----
  TComm& SerialComm() { return serial_; }
  TTCPIPClientThread* TcpClient() { return tcpClient_.get(); }
  const PortLists& Ports() const { return lists_; }
  PortLists& Ports() { return lists_; }
  uint8_t LinkMode() const { return linkMode_; }
  int32_t ConnectEngaged() const { return connectEngaged_; }
  bool AbortRequested() const { return abortRequested_; }
  int32_t TickLimit() const { return tickLimit_; }
  int32_t AnimationFrame() const { return animationFrame_; }
  int32_t BlinkPhase() const { return blinkPhase_; }
  bool WiFiEditsUnlocked() const { return wifiUnlocked_; }
  const AutoDetector& Detector() const { return detector_; }
  // The last failed open of a chosen port, or of the first found port closed to this
  // user when an Auto attempt found no openable port: its errno (0 when none failed) and
  // what it means for the user (OpenFailureCause; empty when nothing is to be added).
  int OpenFailureError() const { return openFailureError_; }
  const std::string& OpenFailureText() const { return openFailureText_; }
  // The serial port the receiver was last identified on; empty before.
  const std::string& IdentifiedPort() const { return identifiedPort_; }

 private:
  void ToggleSerialLink();
  void ToggleWiFiLink();
  void SuperviseStep();
  void ManualWaitStep();
  // Keeps the cause of the first found port that is closed to this user, if any.
  void NoteUnpermittedPort();
  void WiFiSuperviseStep();
  void AnimateLinkStatus();
  void SetWiFiEngaged(bool on);
  void SelectLinkMode(uint8_t mode);
  void CheckCurrentPort();
  // Ends the attempt at the next supervision tick.
  void Fail(ConnectionMessage message);
  // Runs `handler`, showing the text of an exception the serial component raised
  // instead of letting it leave the event loop's handler.
  void Guarded(const std::function<void()>& handler);
  // Frees a client that ended, at a moment none of its own calls is under way.
  void ReleaseEndedClient();

  TComm& serial_;
  CommDetectionPort detectionPort_;
  PortEnumerator& ports_;
  ConnectionForm& form_;
  ConnectionDevice& device_;
  IdentificationState& state_;
  ClientFactory makeClient_;
  ClientDataHandler onClientData_;

  PortLists lists_;
  AutoDetector detector_;
  std::unique_ptr<TTCPIPClientThread> tcpClient_;
  std::unique_ptr<TTCPIPClientThread> endedClient_;
  uint8_t linkMode_ = 0;
  int32_t connectEngaged_ = 0;
  int32_t tickLimit_ = kManualTickLimit;
  bool abortRequested_ = false;
  int32_t animationFrame_ = 0;
  bool rising_ = true;
  int32_t blinkPhase_ = 0;
  int32_t wifiClicks_ = 0;
  bool wifiUnlocked_ = false;
  int openFailureError_ = 0;
  std::string openFailureText_;
  // The manual port of the last serial attempt that went ahead (openable, or confirmed
  // by the user), and whether the attempt being started is the reconnection after a
  // restart.
  std::string confirmedPort_;
  bool reconnecting_ = false;
  std::string identifiedPort_;
};

}  // namespace pelyx::link
