#include "tools/device_session.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <exception>
#include <filesystem>
#include <system_error>

#include "config/receiver_protocol.h"
#include "link/receive.h"

namespace pelyx::tools {

namespace {

using std::chrono::milliseconds;

constexpr std::string_view kDevicePrefix = "/dev/";

// The index of `baudRate` among the BAUD RATE page's items; -1 when not one of them.
int BaudItemIndex(int32_t baudRate) {
  for (int i = 0; i < config::kBaudRateCodeCount; ++i) {
    if (config::kBaudRateCodes[i].baudRate == baudRate) return i;
  }
  return -1;
}

// A platform error as a few plain words: "connection refused", "no such device".
std::string ErrorWords(int error) {
  switch (error) {
    case EBUSY:
    case EWOULDBLOCK:
      return "in use by another program";
    case ENOTTY:
      return "not a serial port";
    case ENOENT:
    case ENXIO:
    case ENODEV:
      return "no such device";
    default:
      break;
  }
  std::string words = std::strerror(error);
  if (!words.empty() && words[0] >= 'A' && words[0] <= 'Z') {
    words[0] = static_cast<char>(words[0] - 'A' + 'a');
  }
  return words;
}

bool IsBaudCombo(config::ConfigControl control) {
  return control == config::ConfigControl::cbxBaud_RS232 ||
         control == config::ConfigControl::cbxBaud_NMEA;
}

}  // namespace

bool ParseLinkTarget(LinkTarget::Kind kind, std::string_view value, LinkTarget& target,
                     std::string& error) {
  target = LinkTarget{};
  target.kind = kind;
  switch (kind) {
    case LinkTarget::Kind::kAuto:
      return true;
    case LinkTarget::Kind::kPort: {
      if (value.empty()) {
        error = "--port: a device is needed";
        return false;
      }
      std::string name(value);
      target.named = name;
      if (value.front() == '/') {
        // The manager opens "/dev/" followed by the port name: a link elsewhere is
        // followed to its device. Any other path is opened as it is, so that whatever
        // cannot be opened fails as a port that cannot be opened.
        std::error_code ec;
        const std::filesystem::path device = std::filesystem::canonical(name, ec);
        if (!ec) name = device.string();
        if (name.starts_with(kDevicePrefix) && name.size() > kDevicePrefix.size()) {
          name = link::PortNameOfDevice(name);
        }
        target.port = name;
        return true;
      }
      if (name.find("..") != std::string::npos) {
        error = "--port: not a device under /dev: " + std::string(value);
        return false;
      }
      target.port = name;
      return true;
    }
    case LinkTarget::Kind::kTcp: {
      const size_t colon = value.rfind(':');
      if (colon == std::string_view::npos) {
        error = "--tcp: expected HOST:PORT, got '" + std::string(value) + "'";
        return false;
      }
      const std::string address(value.substr(0, colon));
      const std::string_view port = value.substr(colon + 1);
      in_addr parsed{};
      if (address.size() > static_cast<size_t>(link::TTCPIPClientThread::kMaxHostLength) ||
          ::inet_pton(AF_INET, address.c_str(), &parsed) != 1) {
        error = "--tcp: the host must be a dotted-decimal IPv4 address: '" + address + "'";
        return false;
      }
      int number = 0;
      auto [ptr, ec] = std::from_chars(port.data(), port.data() + port.size(), number);
      if (port.empty() || ec != std::errc() || ptr != port.data() + port.size() || number < 1 ||
          number > 65535) {
        error = "--tcp: the port must be a number from 1 to 65535: '" + std::string(port) + "'";
        return false;
      }
      target.address = address;
      target.tcpPort = std::to_string(number);
      return true;
    }
  }
  return false;
}

// ---- The session ------------------------------------------------------------------

DeviceSession::DeviceSession(link::PortEnumerator& ports)
    : stores_(std::make_unique<DataStores>()),
      intake_(std::make_unique<SentenceIntake>(*stores_)),
      info_(std::make_unique<config::ProductInfo>()),
      capture_(std::make_unique<config::StaticCapture>()) {
  lineHandler_ = std::make_unique<config::DeviceLineHandler>(*info_, state_, *capture_, restart_,
                                                             *this, *this);
  for (LineAssembler* lines : {&serialLines_, &tcpLines_}) {
    lines->AddConsumer(intake_.get());
    lines->AddConsumer(lineHandler_.get());
    lines->AddConsumer(&answers_);
  }
  serial_.OnRxChar = [this](link::TThreadComm& sender, uint32_t count) {
    OnSerialData(sender, count);
  };
  manager_ = std::make_unique<link::ConnectionManager>(
      serial_, ports, *this, *this, state_,
      [this] { return std::make_unique<link::TTCPIPClientThread>(ui_); },
      [this](link::TTCPIPClientThread& client) { OnTcpData(client); });
  manager_->Start();
}

DeviceSession::~DeviceSession() {
  Close();
}

void DeviceSession::Close() {
  try {
    // As the user releasing the connect button: the link closes, the display is reset.
    if (manager_->ConnectEngaged() == 1) {
      connectPressed_ = false;
      manager_->ToggleConnection();
    }
    manager_->FormClose();
    ui_.ProcessEvents(0);
  } catch (const std::exception& e) {
    Fail(e.what());
  }
  supervisionRunning_ = false;
}

void DeviceSession::AnswerCounter::TakeLine(std::string_view line) {
  if (line.find(config::kProductInfoEnd) != std::string_view::npos) ++count_;
}

void DeviceSession::OnSerialData(link::TThreadComm& sender, uint32_t count) {
  link::ReadAnnounced(sender, count,
                      [this](const char* bytes, size_t n) { serialLines_.Feed(bytes, n); });
}

void DeviceSession::OnTcpData(link::TTCPIPClientThread& client) {
  link::ReadNotified(client, [this](const char* bytes, size_t n) { tcpLines_.Feed(bytes, n); });
}

// ---- The loop -----------------------------------------------------------------------

void DeviceSession::Fail(const std::string& text) {
  if (error_.empty()) error_ = text.empty() ? "failed" : text;
}

bool DeviceSession::IsConnected() const {
  return state_.DeviceIdentified && status_ == link::LinkStatus::kConnected &&
         !supervisionRunning_ && systemCheckRunning_;
}

std::string DeviceSession::LinkText() const {
  if (WiFiItemChecked()) return wifiAddress_ + ":" + wifiPort_;
  if (autoMode_) return "the automatically detected port";
  return link::DeviceName(portText_);
}

void DeviceSession::CheckConnectFailed() {
  const link::TTCPIPClientThread* client = manager_->TcpClient();
  if (!error_.empty() || client == nullptr || client->ConnectError() == 0) return;
  // The window waits for its deadline; here nothing more can come.
  Fail("cannot connect to " + LinkText() + ": " + ErrorWords(client->ConnectError()));
}

void DeviceSession::CheckAttemptEnded() {
  CheckConnectFailed();
  if (supervisionRunning_ || state_.DeviceIdentified || !error_.empty()) return;
  if (manager_->AbortRequested()) {
    Fail("timed out: no answer from the receiver at " + LinkText());
  } else {
    Fail("the connection to " + LinkText() + " ended before the receiver identified itself");
  }
}

void DeviceSession::RunTimers(Clock::time_point now) {
  auto due = [now](Clock::time_point& next, milliseconds period) {
    if (now < next) return false;
    next += period;
    if (next <= now) next = now + period;  // ticks missed while a handler ran are dropped
    return true;
  };
  if (supervisionRunning_ && due(nextTimerConnection_, kTimerConnectionPeriod)) {
    manager_->TimerConnectionTimer();
  }
  if (supervisionRunning_ && due(nextTimer1_, kTimer1Period)) manager_->Timer1Timer();
  if (systemCheckRunning_ && due(nextSystemCheck_, kSystemCheckPeriod)) {
    config::AdvanceRestartWait(restart_, *this, *this);
  }
}

bool DeviceSession::RunUntil(const std::function<bool()>& done, milliseconds limit,
                             const std::string& timeoutText) {
  const Clock::time_point deadline = Clock::now() + limit;
  while (true) {
    if (!error_.empty()) return false;
    if (done()) return true;
    if (!error_.empty()) return false;
    Clock::time_point now = Clock::now();
    if (now >= deadline) {
      if (!timeoutText.empty()) Fail(timeoutText);
      return false;
    }
    Clock::time_point next = deadline;
    if (supervisionRunning_) next = std::min({next, nextTimer1_, nextTimerConnection_});
    if (systemCheckRunning_) next = std::min(next, nextSystemCheck_);
    const auto wait = std::chrono::duration_cast<milliseconds>(next - now).count();
    try {
      ui_.ProcessEvents(static_cast<int>(std::clamp<int64_t>(wait, 0, 50)));
      RunTimers(Clock::now());
    } catch (const std::exception& e) {
      // What the toolkit would show for an exception that left a handler.
      Fail(e.what());
    }
  }
}

// ---- Operations ---------------------------------------------------------------------

bool DeviceSession::Connect(const LinkTarget& target) {
  target_ = target;
  try {
    switch (target.kind) {
      case LinkTarget::Kind::kPort:
        // The port typed into the port list, which keeps it as its selected entry.
        autoMode_ = false;
        SelectTargetPort(target.port);
        break;
      case LinkTarget::Kind::kAuto:
        autoMode_ = true;
        manager_->RadioButtonConnectionModeClick();
        break;
      case LinkTarget::Kind::kTcp:
        manager_->mnuWiFiClick();
        wifiAddress_ = target.address;
        wifiPort_ = target.tcpPort;
        break;
    }
    // The toggle button moves before its handler runs.
    connectPressed_ = true;
    manager_->OpenPortClick();
  } catch (const std::exception& e) {
    Fail(e.what());
  }
  if (!error_.empty()) return false;
  if (!supervisionRunning_ && !IsConnected()) {
    Fail("the connection to " + LinkText() + " did not start");
    return false;
  }
  // The manager's deadlines end the attempt; this limit only guards against a loop
  // that would never end.
  const int ticks = std::max(manager_->TickLimit(), link::ConnectionManager::kManualTickLimit);
  if (!RunUntil(
          [this] {
            CheckAttemptEnded();
            return IsConnected();
          },
          milliseconds(1000 * (ticks + 10)),
          "timed out: no answer from the receiver at " + LinkText())) {
    return false;
  }
  return CompleteProductInfo();
}

void DeviceSession::SelectTargetPort(const std::string& port) {
  if (std::find(portItems_.begin(), portItems_.end(), port) == portItems_.end()) {
    portItems_.push_back(port);
  }
  SelectPortItem(
      static_cast<int>(std::find(portItems_.begin(), portItems_.end(), port) - portItems_.begin()));
  manager_->cbxComPortChange();
}

bool DeviceSession::ReconnectLink() {
  restartExpected_ = false;
  if (target_.kind == LinkTarget::Kind::kPort && !autoMode_) {
    // A hang-up meanwhile refilled the port list, which then shows its first port.
    LinkTarget again;
    std::string error;
    SelectTargetPort(ParseLinkTarget(LinkTarget::Kind::kPort, target_.named, again, error)
                         ? again.port
                         : target_.port);
  }
  return manager_->Reconnect();
}

bool DeviceSession::CompleteProductInfo() {
  const auto known = [](const char* text) { return text[0] != '\0'; };
  for (int asked = 0;; ++asked) {
    const bool firmware = info_->firmwareKnown && known(info_->firmwareVersion);
    const bool serial = info_->serialKnown && known(info_->serialNumber);
    if (firmware && serial) return true;
    if (asked == kProductInfoRetries) {
      const std::string missing = !firmware && !serial ? "firmware version and serial number"
                                  : !firmware          ? "firmware version"
                                                       : "serial number";
      Fail("incomplete product information: the receiver at " + LinkText() +
           " did not report its " + missing + " (asked " + std::to_string(asked + 1) + " times)");
      return false;
    }
    const int before = answers_.Count();
    if (!config::RequestProductInfo(config::kProductInfoFull, false, config::CommandSource::kUser,
                                    *stores_, *capture_, *this, *this)) {
      Fail("the product-information request could not be sent");
      return false;
    }
    if (!RunUntil([&] { return answers_.Count() > before || !IsConnected(); },
                  kProductInfoRetryWait,
                  "timed out: no answer from the receiver at " + LinkText() +
                      " when its product information was asked for again")) {
      return false;
    }
    if (!IsConnected()) {
      Fail("the connection to " + LinkText() + " ended while the product information was read");
      return false;
    }
  }
}

bool DeviceSession::SetBaudRates(int32_t nmeaIn, int32_t nmeaOut) {
  const int inIndex = BaudItemIndex(nmeaIn);
  const int outIndex = BaudItemIndex(nmeaOut);
  if (inIndex < 0 || outIndex < 0) {
    Fail("baud rate refused: only 38400, 9600 and 4800 can be set");
    return false;
  }
  if (!IsConnected()) {
    Fail("not connected to the receiver");
    return false;
  }
  baudInIndex_ = inIndex;
  baudOutIndex_ = outIndex;
  const int identifiedBefore = identifications_;
  restartExpected_ = true;
  if (!config::SendBaudRateCommand(*stores_, *this, *this)) {
    restartExpected_ = false;
    Fail("the baud-rate command could not be sent");
    return false;
  }
  const bool announced =
      RunUntil([this] { return restart_.RestartStep != 0; }, kRestartAnnounceWait, "");
  if (!error_.empty()) return false;
  // Only what the receiver reports after its restart confirms the new rates.
  *info_ = config::ProductInfo{};
  if (!announced) {
    // The announcement may have been lost on the way while the receiver took the rates
    // and restarted: the link is connected anew all the same and the rates read back.
    manager_->CloseConnection();
    ui_.ProcessEvents(0);
    *info_ = config::ProductInfo{};  // nothing the closed link still delivered counts
    if (!ReconnectLink()) {
      Fail("the connection to " + LinkText() + " could not be started again");
      return false;
    }
  }
  if (!AwaitReconnection(identifiedBefore) || !CompleteProductInfo()) return false;
  if (info_->nmeaInBaud != nmeaIn || info_->nmeaOutBaud != nmeaOut) {
    Fail("the receiver reports NMEA IN " + std::to_string(info_->nmeaInBaud) + " and NMEA OUT " +
         std::to_string(info_->nmeaOutBaud) + " bit/s " +
         (announced ? "after its restart" : "(it announced no restart)") + ", not " +
         std::to_string(nmeaIn) + " and " + std::to_string(nmeaOut));
    return false;
  }
  return true;
}

bool DeviceSession::AwaitReconnection(int identifiedBefore) {
  const int ticks = config::kRestartLastStep + link::ConnectionManager::kManualTickLimit + 10;
  return RunUntil(
      [&] {
        if (restart_.RestartStep != 0) return false;
        CheckAttemptEnded();
        return identifications_ > identifiedBefore && IsConnected();
      },
      milliseconds(1000 * ticks),
      "timed out: the receiver did not identify itself again after its restart");
}

bool DeviceSession::SaveReport(const std::string& path) {
  if (!IsConnected()) {
    Fail("not connected to the receiver");
    return false;
  }
  if (!config::ReadDevice(*stores_, *capture_, report_, *this, *this)) {
    Fail("the product-information request could not be sent");
    return false;
  }
  // The window's report comes this many report-timer ticks after Read Device.
  const Clock::time_point due = Clock::now() + config::kReportDelayTicks * kReportTimerPeriod;
  if (!RunUntil([due] { return Clock::now() >= due; },
                2 * config::kReportDelayTicks * kReportTimerPeriod, "timed out")) {
    return false;
  }
  report_.ReportCountdown = config::kNoReportPending;
  if (!config::WriteReportFile(path, config::ReportLines(*info_, config::LocalNow()))) {
    Fail("cannot write the report file " + path);
    return false;
  }
  return true;
}

// ---- PortForm ------------------------------------------------------------------------

void DeviceSession::ClearPortItems() {
  portItems_.clear();
  portIndex_ = -1;
}

void DeviceSession::AddPortItem(const std::string& text) {
  portItems_.push_back(text);
}

void DeviceSession::SelectPortItem(int index) {
  if (index < 0 || index >= static_cast<int>(portItems_.size())) {
    portIndex_ = -1;
    return;
  }
  portIndex_ = index;
  portText_ = portItems_[static_cast<size_t>(index)];
}

void DeviceSession::SetPortText(const std::string& text) {
  portText_ = text;
  const auto it = std::find(portItems_.begin(), portItems_.end(), text);
  portIndex_ = it == portItems_.end() ? -1 : static_cast<int>(it - portItems_.begin());
}

// ---- ConnectionForm ------------------------------------------------------------------

void DeviceSession::ShowLinkStatus(int, link::LinkStatus status) {
  if (status == link::LinkStatus::kConnected && status_ != link::LinkStatus::kConnected) {
    ++identifications_;
  }
  status_ = status;
}

void DeviceSession::SetSupervisionTimersRunning(bool running) {
  if (running && !supervisionRunning_) {
    // A timer that is switched on counts its interval from now.
    const Clock::time_point now = Clock::now();
    nextTimer1_ = now + kTimer1Period;
    nextTimerConnection_ = now + kTimerConnectionPeriod;
  }
  supervisionRunning_ = running;
}

void DeviceSession::StartSystemCheckTimer() {
  if (systemCheckRunning_) return;
  systemCheckRunning_ = true;
  nextSystemCheck_ = Clock::now() + kSystemCheckPeriod;
}

bool DeviceSession::Show(link::ConnectionMessage message) {
  switch (message) {
    case link::ConnectionMessage::kNoSerialPortExist:
      if (manager_->OpenFailureText().empty()) {
        Fail("no serial port can be opened");
      } else {
        Fail("no serial port can be opened: " + manager_->OpenFailureText());
      }
      break;
    case link::ConnectionMessage::kAutoDetectTimeOut:
      Fail("timed out: no receiver found on the serial ports");
      break;
    case link::ConnectionMessage::kManualConnectTimeOut:
      Fail("timed out: no answer from the receiver on " + LinkText());
      break;
    case link::ConnectionMessage::kPortOpenError: {
      const std::string& cause = manager_->OpenFailureText();
      const int code = manager_->OpenFailureError();
      std::string text = "cannot open port " + LinkText();
      if (!cause.empty()) {
        text += ": " + cause;
      } else if (code != 0) {
        text += ": " + ErrorWords(code);
      }
      Fail(text);
      break;
    }
    case link::ConnectionMessage::kConnectionChange:
      return true;  // the link is only chosen before connecting
  }
  return true;
}

void DeviceSession::NotePortHungUp(const std::string& deviceName) {
  if (restartExpected_) {
    // The receiver restarts on the new setting, and its device goes away meanwhile (a
    // receiver on USB): the link ends, and the restart wait connects it again. When the
    // hang-up took the announcement with it, the hang-up starts the wait.
    if (restart_.RestartStep == 0) config::StartRestartWait(restart_, *this);
    return;
  }
  Fail("the port " + deviceName + " hung up: the receiver's device went away");
}

bool DeviceSession::AskForceConnect(const std::string&) {
  return true;
}

void DeviceSession::ShowError(const std::string& text) {
  if (autoMode_ && !IsConnected()) {
    // The detection goes on with the next port, as it does behind the window's box.
    warnings_.push_back(text);
    return;
  }
  Fail(text);
}

// ---- ConnectionDevice ----------------------------------------------------------------

void DeviceSession::AdvanceIdentification() {
  config::AdvanceIdentification(std::nullopt, connectPressed_, state_, *capture_, *this);
}

bool DeviceSession::RequestProductInfo() {
  return config::RequestProductInfo(config::kProductInfoFull, true,
                                    config::CommandSource::kDetection, *stores_, *capture_, *this,
                                    *this);
}

// ---- ConfigForm ----------------------------------------------------------------------

int DeviceSession::ItemCount(config::ConfigControl combo) const {
  if (IsBaudCombo(combo)) return config::kBaudRateCodeCount;
  if (combo == config::ConfigControl::cbxComPort) return static_cast<int>(portItems_.size());
  return 0;
}

std::string DeviceSession::ItemText(config::ConfigControl combo, int index) const {
  if (index < 0 || index >= ItemCount(combo)) return {};
  if (IsBaudCombo(combo)) return config::kBaudRateCodes[index].item;
  return portItems_[static_cast<size_t>(index)];
}

int DeviceSession::ItemIndex(config::ConfigControl combo) const {
  if (combo == config::ConfigControl::cbxBaud_RS232) return baudInIndex_;
  if (combo == config::ConfigControl::cbxBaud_NMEA) return baudOutIndex_;
  if (combo == config::ConfigControl::cbxComPort) return portIndex_;
  return -1;
}

std::string DeviceSession::ComboText(config::ConfigControl combo) const {
  if (combo == config::ConfigControl::cbxComPort) return PortText();
  return ItemText(combo, ItemIndex(combo));
}

void DeviceSession::SetItemIndex(config::ConfigControl combo, int index) {
  if (index < 0 || index >= ItemCount(combo)) index = -1;
  if (combo == config::ConfigControl::cbxBaud_RS232) baudInIndex_ = index;
  if (combo == config::ConfigControl::cbxBaud_NMEA) baudOutIndex_ = index;
  if (combo == config::ConfigControl::cbxComPort) SelectPortItem(index);
}

// ---- ConnectionControl ---------------------------------------------------------------

bool DeviceSession::WriteLine(const char* bytes, size_t length) {
  lastCommand_.assign(bytes, length);
  return manager_->WriteLine(bytes, length);
}

void DeviceSession::ShowPortOpenError() {
  Fail("cannot write to the receiver at " + LinkText());
}

}  // namespace pelyx::tools
