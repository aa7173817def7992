#include "config/commands.h"

#include "config/receiver_protocol.h"
#include "config/report.h"

namespace pelyx::config {

namespace {

constexpr char kNoPortText[] = "N/A";

bool UsablePort(const std::string& text) {
  return !text.empty() && text != kNoPortText;
}

// The port to connect again after the restart: the one the port list shows (selected,
// or typed by the user: a port the list does not hold), else the first of the list;
// empty when the list holds no port.
std::string PortToRestart(const ConfigForm& form) {
  std::string shown = form.ComboText(ConfigControl::cbxComPort);
  if (UsablePort(shown)) return shown;
  const int selected = form.ItemIndex(ConfigControl::cbxComPort);
  if (selected >= 0 && selected < form.ItemCount(ConfigControl::cbxComPort)) {
    std::string text = form.ItemText(ConfigControl::cbxComPort, selected);
    if (UsablePort(text)) return text;
  }
  if (form.ItemCount(ConfigControl::cbxComPort) > 0) {
    std::string first = form.ItemText(ConfigControl::cbxComPort, 0);
    if (UsablePort(first)) return first;
  }
  return {};
}

// The baud-rate code of a combo box's selected item; -1 when none is selected.
int32_t SelectedBaudCode(const ConfigForm& form, ConfigControl combo) {
  const int index = form.ItemIndex(combo);
  if (index < 0 || index >= kBaudRateCodeCount) return -1;
  return kBaudRateCodes[index].code;
}

}  // namespace

void StartRestartWait(RestartWait& restart, ConfigForm& form) {
  // The port is the one the link is on as the receiver announces its restart: a port
  // that hangs up meanwhile refills the port list, which then shows its first port.
  if (restart.RestartStep <= 1) restart.RestartPort = PortToRestart(form);
  restart.RestartStep = 1;
  form.ShowWaitProgress(kRestartLastStep, 0);
}

void AdvanceRestartWait(RestartWait& restart, ConfigForm& form, ConnectionControl& link) {
  if (restart.RestartStep == 1) {
    restart.RestartStep = 2;
    form.SetWaitProgress(restart.RestartStep);
    // The receiver's side may have ended the link already (a Wi-Fi bridge that drops
    // the connection as the receiver restarts): nothing is opened then.
    link.CloseLink();
    return;
  }
  if (restart.RestartStep < 2 || restart.RestartStep >= kRestartLastStep) return;
  ++restart.RestartStep;
  form.SetWaitProgress(restart.RestartStep);
  if (restart.RestartStep < kRestartLastStep) return;
  link.SelectPortByName(restart.RestartPort);
  restart.RestartStep = 0;
  // A connection started meanwhile (by the user) is kept as it is.
  if (link.ReconnectLink()) link.SetConnectPressed(true);
  form.HideWaitProgress();
}

bool ReadDevice(DataStores& stores, StaticCapture& staticCapture, ReportState& report,
                ConfigForm& form, ConnectionControl& link) {
  const bool sent = RequestProductInfo(kProductInfoFull, true, CommandSource::kUser, stores,
                                       staticCapture, form, link);
  ArmReport(report);
  return sent;
}

bool SendBaudRateCommand(DataStores& stores, ConfigForm& form, ConnectionControl& link) {
  const int32_t inCode = SelectedBaudCode(form, ConfigControl::cbxBaud_RS232);
  const int32_t outCode = SelectedBaudCode(form, ConfigControl::cbxBaud_NMEA);
  if (inCode < 0 || outCode < 0) return false;
  const bool sent = SendDbgCommand({{kDbgNmeaInBaud, inCode}, {kDbgNmeaOutBaud, outCode}},
                                   CommandSource::kUser, stores, link);
  form.SetDown(ConfigControl::spbBaudRate, false);
  return sent;
}

}  // namespace pelyx::config
