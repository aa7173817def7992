#include "link/connection_manager.h"

#include <charconv>
#include <utility>

namespace pelyx::link {

namespace {

// The Wi-Fi port text as a number of 0..65535; -1 for anything else.
int32_t WiFiPortNumber(const std::string& text) {
  int32_t port = -1;
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, port);
  if (text.empty() || ec != std::errc() || ptr != end || port < 0 || port > 65535) return -1;
  return port;
}

// The rate of the baud-rate list's entry `text`; the first row for an unknown text.
TBaudRate RateOfBaudText(const std::string& text) {
  for (int i = 0; i < kBaudRateEntryCount; ++i) {
    if (text == kBaudRateItems[i]) return kBaudRateTable[i];
  }
  return kBaudRateTable[0];
}

}  // namespace

ConnectionManager::ConnectionManager(TComm& serial, PortEnumerator& ports, ConnectionForm& form,
                                     ConnectionDevice& device, IdentificationState& state,
                                     ClientFactory makeClient, ClientDataHandler onClientData)
    : serial_(serial),
      detectionPort_(serial),
      ports_(ports),
      form_(form),
      device_(device),
      state_(state),
      makeClient_(std::move(makeClient)),
      onClientData_(std::move(onClientData)) {
  serial_.OnHangUp = [this](TThreadComm&) { PortHungUp(); };
}

ConnectionManager::~ConnectionManager() {
  serial_.OnHangUp = nullptr;
}

void ConnectionManager::Start() {
  RescanPorts(ports_, lists_, form_);
  form_.SelectBaudItem(0);
  form_.ShowAutoPage(false);
  ResetLinkState();
  form_.SelectLinkItem(linkMode_);
}

// ---- Handlers -------------------------------------------------------------------

void ConnectionManager::Guarded(const std::function<void()>& handler) {
  ReleaseEndedClient();
  try {
    handler();
  } catch (const CommException& e) {
    // The handler that raised ends here, as an unhandled exception would end it; the
    // user reads the component's text.
    form_.ShowError(e.what());
  }
}

void ConnectionManager::OpenPortClick() {
  Guarded([this] { ToggleConnection(); });
}

void ConnectionManager::Timer1Timer() {
  Guarded([this] {
    SuperviseStep();
    WiFiSuperviseStep();
    ++state_.TickCount;
  });
}

void ConnectionManager::TimerConnectionTimer() {
  if (state_.DeviceIdentified) {
    if (form_.SerialItemChecked() && serial_.IsOpen()) {
      identifiedPort_ = PortNameOfDevice(serial_.DeviceName());
    }
    form_.ShowLinkStatus(1, LinkStatus::kConnected);
    animationFrame_ = 2;
    form_.SetSupervisionTimersRunning(false);
    form_.StartSystemCheckTimer();
  } else {
    AnimateLinkStatus();
  }
}

void ConnectionManager::RadioButtonConnectionModeClick() {
  SwitchConnectionMode(form_.AutoModeChecked(), ports_, lists_, form_);
}

void ConnectionManager::cbxComPortChange() {
  if (!serial_.IsOpen()) serial_.SetDeviceName(DeviceName(form_.PortText()));
}

void ConnectionManager::cbxBaudRateChange(int position) {
  Guarded([&] { SelectBaudEntry(position, form_, detectionPort_); });
}

void ConnectionManager::GroupBoxWiFiConnectionModeDblClick() {
  if (++wifiClicks_ >= kWiFiUnlockClicks) {
    wifiClicks_ = 0;
    wifiUnlocked_ = !wifiUnlocked_;
  }
  form_.SetWiFiEditsEnabled(wifiUnlocked_);
}

void ConnectionManager::DevicesChanged() {
  Guarded([this] {
    if (lists_.FoundPortCount() > 0) {
      form_.SelectPortItem(0);
    } else {
      form_.SetPortText(kNoPortText);
    }
    RescanPorts(ports_, lists_, form_);
    CheckCurrentPort();
  });
}

void ConnectionManager::DeviceArrived() {
  RescanPorts(ports_, lists_, form_);
}

void ConnectionManager::DeviceRemoved() {
  Guarded([this] {
    RescanPorts(ports_, lists_, form_);
    CheckCurrentPort();
  });
}

void ConnectionManager::PortHungUp() {
  Guarded([this] {
    // The port went away as an unplugged adapter does, but no device-change notice may
    // come for it (a pseudo-terminal, a network serial server's terminal): the port list
    // is scanned again and the link ends as on the removal of the connected port. An
    // attempt on a chosen port ends as well. A port the detection is only trying is
    // closed and counts as failed for this attempt: the rotation moves on at its next
    // tick, over the port list it started with.
    if (form_.SerialItemChecked() && connectEngaged_ == 1 && form_.AutoModeChecked() &&
        state_.LinkState == TLinkState::Identifying && !state_.DeviceIdentified) {
      detector_.PortFailed(PortNameOfDevice(serial_.DeviceName()));
      serial_.Close();
      return;
    }
    RescanPorts(ports_, lists_, form_);
    if (!form_.SerialItemChecked() || connectEngaged_ != 1) return;
    const bool attemptOnChosenPort =
        state_.LinkState == TLinkState::Identifying && !form_.AutoModeChecked();
    if (!state_.DeviceIdentified && !attemptOnChosenPort) return;
    form_.NotePortHungUp(serial_.DeviceName());
    ToggleConnection();
  });
}

void ConnectionManager::FormClose() {
  if (serial_.IsOpen()) serial_.Close();
}

// ---- Connecting and disconnecting ---------------------------------------------------

void ConnectionManager::ToggleConnection() {
  if (form_.SerialItemChecked()) ToggleSerialLink();
  if (form_.WiFiItemChecked()) ToggleWiFiLink();
}

void ConnectionManager::CloseConnection() {
  Guarded([this] {
    if (connectEngaged_ == 1) ToggleConnection();
  });
}

bool ConnectionManager::Reconnect() {
  Guarded([this] {
    if (connectEngaged_ == 1) return;
    if (form_.SerialItemChecked()) {
      // A port left open without a connection would turn the toggle into a release.
      if (serial_.IsOpen()) serial_.Close();
      if (form_.AutoModeChecked()) detector_.StartAt(identifiedPort_);
    }
    // As a click would: the button goes down before the connection starts, so that a
    // Cancel to a question ends the attempt.
    form_.SetConnectPressed(true);
    reconnecting_ = true;
    ToggleConnection();
  });
  reconnecting_ = false;
  if (connectEngaged_ != 1) form_.SetConnectPressed(false);
  return connectEngaged_ == 1;
}

void ConnectionManager::ResetLinkState() {
  state_.LinkState = TLinkState::Idle;
  state_.TickCount = 0;
  form_.SetAutoDetectPortText("");
  form_.SetAutoDetectBaudText("");
  state_.DeviceIdentified = false;
  form_.SetSupervisionTimersRunning(false);
  form_.ShowLinkStatus(0, LinkStatus::kDisconnect);
  form_.SetSerialSettingsEnabled(true);
  device_.ClearStaticCapture();
}

void ConnectionManager::ToggleSerialLink() {
  if (connectEngaged_ == 1) {
    connectEngaged_ = 0;
    form_.SetConnectPressed(false);
    if (serial_.IsOpen()) serial_.Close();
  } else if (!serial_.IsOpen()) {
    connectEngaged_ = 1;
  } else {
    connectEngaged_ = 0;
    form_.SetConnectPressed(false);
  }
  ResetLinkState();

  if (connectEngaged_ == 1) {
    // A new attempt owes nothing to how the last one ended.
    abortRequested_ = false;
    device_.AdvanceIdentification();
    if (!form_.AutoModeChecked()) {
      const std::string chosen = form_.PortText();
      // The reconnection after a restart goes to the port the user connected to before;
      // the answer to its question stands.
      const bool answered = reconnecting_ && chosen == confirmedPort_;
      const int answer = answered ? 1 : ConfirmManualPort(lists_, chosen, [&] {
        return form_.AskForceConnect(chosen);
      });
      if (answer == 2 && form_.ConnectPressed()) {
        connectEngaged_ = 0;
        form_.SetConnectPressed(false);
        return;
      }
      if (answer == 1) confirmedPort_ = chosen;
    } else {
      PrepareAutoDetection(ports_, lists_, form_);
    }
    form_.SetConnectCaption(true);
    SuperviseStep();
    ++state_.TickCount;
    form_.SetSupervisionTimersRunning(true);
    form_.ShowLinkStatus(1, LinkStatus::kConnecting);
    form_.SetSerialSettingsEnabled(false);
  } else {
    form_.SetConnectCaption(false);
    form_.SetSupervisionTimersRunning(false);
    form_.ShowLinkStatus(0, LinkStatus::kDisconnect);
    form_.SetSerialSettingsEnabled(true);
  }
}

void ConnectionManager::ToggleWiFiLink() {
  if (tcpClient_ == nullptr && connectEngaged_ == 1) return;
  const std::string address = form_.WiFiAddressText();
  const int32_t port = WiFiPortNumber(form_.WiFiPortText());
  if (address.empty() || address.size() > static_cast<size_t>(TTCPIPClientThread::kMaxHostLength) ||
      port < 0) {
    return;
  }
  ResetLinkState();

  if (connectEngaged_ == 0) {
    state_.DeviceIdentified = false;
    abortRequested_ = false;
    tcpClient_ = makeClient_();
    TTCPIPClientThread* client = tcpClient_.get();
    client->SetHost(address);
    client->SetPort(port);
    // A client that has been replaced or has ended speaks no more for the link.
    client->SetReceiveHandler([this, client] {
      if (tcpClient_.get() == client && onClientData_) onClientData_(*client);
    });
    client->SetClosedHandler([this, client] {
      if (tcpClient_.get() == client) OnTcpClosed();
    });
    client->Start();
    SetWiFiEngaged(true);
  } else {
    SetWiFiEngaged(false);
    tcpClient_->Disconnect();
    OnTcpClosed();
  }
}

void ConnectionManager::SetWiFiEngaged(bool on) {
  connectEngaged_ = on ? 1 : 0;
  form_.SetConnectCaption(on);
  form_.SetConnectPressed(on);
  form_.SetSupervisionTimersRunning(on);
  form_.ShowLinkStatus(on ? 1 : 0, on ? LinkStatus::kConnecting : LinkStatus::kDisconnect);
}

void ConnectionManager::OnTcpClosed() {
  SetWiFiEngaged(false);
  // The client may be inside one of its own calls (Disconnect raises this handler):
  // it is freed later, by ReleaseEndedClient.
  if (tcpClient_ != nullptr) endedClient_ = std::move(tcpClient_);
}

void ConnectionManager::ReleaseEndedClient() {
  endedClient_.reset();
}

// ---- Supervision ------------------------------------------------------------------

void ConnectionManager::Fail(ConnectionMessage message) {
  state_.LinkState = TLinkState::Idle;
  abortRequested_ = true;
  form_.Show(message);
}

void ConnectionManager::SuperviseStep() {
  switch (state_.LinkState) {
    case TLinkState::Idle:
      if (state_.DeviceIdentified || abortRequested_) {
        ToggleConnection();
        state_.DeviceIdentified = false;
        abortRequested_ = false;
      }
      break;
    case TLinkState::Identifying:
      if (form_.AutoModeChecked()) {
        if (state_.TickCount == 0) {
          tickLimit_ = AutoDetectTickLimit(lists_.OpenablePortCount());
          if (lists_.OpenablePortCount() <= 0) {
            NoteUnpermittedPort();
            Fail(ConnectionMessage::kNoSerialPortExist);
            return;
          }
        }
        if (state_.TickCount > tickLimit_) {
          Fail(ConnectionMessage::kAutoDetectTimeOut);
          return;
        }
        AutoDetector::StepResult step =
            detector_.Step(state_.TickCount, state_.DeviceIdentified, lists_, detectionPort_, form_,
                           [this] { return device_.RequestProductInfo(); });
        if (!step.openError.empty()) form_.ShowError(step.openError);
      } else {
        if (state_.TickCount == 0) {
          tickLimit_ = kManualTickLimit;
          if (form_.SerialItemChecked() && !serial_.IsOpen()) {
            serial_.SetBaudRate(RateOfBaudText(form_.BaudText()));
            serial_.SetDeviceName(DeviceName(form_.PortText()));
            serial_.Open();
            if (!serial_.IsOpen()) {
              openFailureError_ = serial_.LastOpenError();
              openFailureText_ = OpenFailureCause(serial_.DeviceName(), openFailureError_);
              Fail(ConnectionMessage::kPortOpenError);
              return;
            }
          }
        }
        ManualWaitStep();
      }
      break;
    case TLinkState::Identified:
      break;
  }
}

void ConnectionManager::NoteUnpermittedPort() {
  // No port could be opened: when one of them is closed to this user, that is what the
  // user can mend.
  // The probe that found none openable has already tried each of them.
  openFailureError_ = lists_.DeniedError;
  openFailureText_ = lists_.DeniedPort.empty()
                         ? std::string()
                         : OpenFailureCause(DeviceName(lists_.DeniedPort), lists_.DeniedError);
}

void ConnectionManager::ManualWaitStep() {
  if (state_.DeviceIdentified) return;
  if (state_.TickCount > kManualTickLimit) {
    Fail(ConnectionMessage::kManualConnectTimeOut);
  } else if (state_.TickCount % 3 == 0 || state_.TickCount % 3 == 2) {
    device_.RequestProductInfo();
  }
}

void ConnectionManager::WiFiSuperviseStep() {
  if (!form_.WiFiItemChecked() || tcpClient_ == nullptr || state_.TickCount < 1) return;
  // Before the bridge has been reached (or once it refused) nothing can be sent: the
  // query waits for the connection, and the deadline runs on.
  const bool reached = !tcpClient_->Connecting() && tcpClient_->ConnectError() == 0;
  if (state_.TickCount % 2 == 1 && reached) device_.RequestProductInfo();
  if (state_.TickCount > kWiFiTickLimit) {
    state_.LinkState = TLinkState::Idle;
    abortRequested_ = true;
    ToggleConnection();
  }
}

void ConnectionManager::AnimateLinkStatus() {
  if (animationFrame_ >= 7) {
    rising_ = false;
  } else if (animationFrame_ <= 2) {
    rising_ = true;
  }
  animationFrame_ += rising_ ? 1 : -1;
  blinkPhase_ = blinkPhase_ >= 7 ? 0 : blinkPhase_ + 1;
  form_.ShowConnectingFrame(animationFrame_, blinkPhase_ < 3);
}

// ---- Writing ------------------------------------------------------------------------

bool ConnectionManager::WriteLine(const char* bytes, size_t length) {
  if (length == 0 || length > static_cast<size_t>(INT32_MAX)) return false;
  const auto n = static_cast<int32_t>(length);
  if (form_.SerialItemChecked()) {
    if (!serial_.IsOpen()) return false;
    // A line written in part lost bytes of its command: that is no success.
    return serial_.Write(bytes, n) == n;
  }
  if (form_.WiFiItemChecked()) {
    if (tcpClient_ == nullptr) return false;
    // While the bridge is still being reached, or after it refused, nothing is sent and
    // nothing is reported as written; the attempt goes on until its deadline.
    if (tcpClient_->Connecting() || tcpClient_->ConnectError() != 0) return false;
    // Otherwise the send's own result: a send that failed is reported as failed.
    return tcpClient_->Send(bytes, n);
  }
  return false;
}

// ---- The Connection menu and the port list -------------------------------------------

void ConnectionManager::SelectLinkMode(uint8_t mode) {
  if (mode == linkMode_) return;
  if (connectEngaged_ == 1) {
    if (!form_.Show(ConnectionMessage::kConnectionChange)) {
      form_.SelectLinkItem(linkMode_);  // the old choice stays
      return;
    }
    Guarded([this] { ToggleConnection(); });
  }
  form_.SelectLinkItem(mode);
  linkMode_ = mode;
}

void ConnectionManager::SelectPortByName(const std::string& portName) {
  for (int i = 0; i < lists_.FoundPortCount(); ++i) {
    if (lists_.FoundPorts[static_cast<size_t>(i)] == portName) {
      form_.SelectPortItem(i);
      return;
    }
  }
}

void ConnectionManager::CheckCurrentPort() {
  if (!state_.DeviceIdentified) return;
  // Only the serial link has a port that can go away; a Wi-Fi link is not ended by a
  // serial adapter that is unplugged.
  if (!form_.SerialItemChecked()) return;
  if (!lists_.IsFound(PortNameOfDevice(serial_.DeviceName()))) ToggleConnection();
}

}  // namespace pelyx::link
