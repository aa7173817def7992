// What stands behind the window's controls: the links and their connection manager,
// the receive path of each link (line assembly, sentence intake, data stores, AIS
// decoding and target table, the receiver's own text lines), the device configuration
// (product information, commands, restart wait, report), the diagnosis views and the
// device-change notices. The window owns one session for its whole run; every part of
// it runs on the window's thread.
#pragma once

#include <memory>
#include <string>

#include "ais/clock.h"
#include "ais/decoder.h"
#include "ais/targets.h"
#include "codec/intake.h"
#include "codec/stores.h"
#include "config/commands.h"
#include "config/identification.h"
#include "config/product_info.h"
#include "config/report.h"
#include "link/connection_manager.h"
#include "link/device_monitor.h"
#include "link/ports.h"
#include "views/data_log.h"
#include "views/gps_status.h"
#include "views/system_check.h"

class QSocketNotifier;
class QTimer;

namespace pelyx::app {

class TForm1;

class ReceiverSession : private IntakeHandoff {
 public:
  // The longest a logged line waits for the log view.
  static constexpr int kLogFlushMs = 25;

  // `ports`: the machine's serial ports; the session keeps its own list of the
  // platform's ports when none is given.
  ReceiverSession(TForm1& form, link::PortEnumerator* ports);
  ~ReceiverSession() override;
  ReceiverSession(const ReceiverSession&) = delete;
  ReceiverSession& operator=(const ReceiverSession&) = delete;

  // Start-up: the port lists, the idle display, the first system check, the
  // device-change notices, and the controls wired to their handlers.
  void Start();

  // ---- Handlers the window's controls call ----
  void ReadDeviceClick();
  void ConfigDeviceClick();
  void TimerUpdateSysChkTimer();
  void SpeedButtonClearCheckClick();
  void Timer2Timer();
  void btnSaveLogClick();
  void btnClearLogClick();
  void btnSendCommandClick();
  // Device-change notices waiting on the kernel's socket.
  void OnDeviceNotices();

  // ---- The parts ----
  link::ConnectionManager& Connection() { return *connection_; }
  link::PortEnumerator& Ports() { return *ports_; }
  DataStores& Stores() { return *stores_; }
  ais::AisDecoder& Ais() { return *ais_; }
  ais::ReceptionCounters& Reception() { return reception_; }
  config::ProductInfo& Product() { return product_; }
  config::StaticCapture& Capture() { return *capture_; }
  config::RestartWait& Restart() { return restart_; }
  config::ReportState& Report() { return report_; }
  config::ReportServices& ReportServicesFor() { return reportServices_; }
  views::GpsStatusView& GpsStatus() { return *gpsStatus_; }
  views::SystemCheck& SystemCheckPage() { return *systemCheck_; }
  views::DataLog& Log() { return *dataLog_; }
  // The line assemblers of the serial link and of the Wi-Fi link.
  LineAssembler& SerialLines() { return serialLines_; }
  LineAssembler& TcpLines() { return tcpLines_; }
  // Feeds received bytes to a link's assembler; the lines logged show within kLogFlushMs.
  void Receive(LineAssembler& lines, const char* bytes, size_t count);

 private:
  class Adapters;

  // IntakeHandoff.
  void UpdateGpsStatus(const SentenceRecord& record) override;
  void CountReception(const char* formatter, char channel) override;

  void OnSerialDataReceived(uint32_t count);
  void OnTcpDataReceived(link::TTCPIPClientThread& client);
  void ShowGpsStatus(const views::GpsStatusChange& change);

  TForm1& form_;
  std::unique_ptr<link::PortEnumerator> ownPorts_;
  link::PortEnumerator* ports_;
  std::unique_ptr<DataStores> stores_;
  std::unique_ptr<SentenceIntake> intake_;
  ais::SystemClock clock_;
  std::unique_ptr<ais::AisDecoder> ais_;
  ais::ReceptionCounters reception_;
  config::ProductInfo product_{};
  std::unique_ptr<config::StaticCapture> capture_;
  config::RestartWait restart_;
  config::ReportState report_;
  config::ReportServices reportServices_;
  std::unique_ptr<Adapters> adapters_;
  std::unique_ptr<config::DeviceLineHandler> deviceLines_;
  std::unique_ptr<link::ConnectionManager> connection_;
  std::unique_ptr<views::GpsStatusView> gpsStatus_;
  std::unique_ptr<views::SystemCheck> systemCheck_;
  std::unique_ptr<views::DataLog> dataLog_;
  LineAssembler serialLines_;
  LineAssembler tcpLines_;
  link::DeviceMonitor monitor_;
  QSocketNotifier* monitorNotifier_ = nullptr;
  QTimer* resetRequestTimer_ = nullptr;
  QTimer* logFlushTimer_ = nullptr;
};

}  // namespace pelyx::app
