// The connection manager's view of the window: the connection settings, the connection
// display, the Connection menu, the supervision timers and the message boxes, on the
// window's widgets.
#pragma once

#include <string>

#include "link/connection_manager.h"

namespace pelyx::app {

class TForm1;

class FormConnection final : public link::ConnectionForm {
 public:
  explicit FormConnection(TForm1& form) : form_(form) {}

  // PortForm
  void ClearPortItems() override;
  void AddPortItem(const std::string& text) override;
  void SelectPortItem(int index) override;
  std::string PortText() const override;
  void SetPortText(const std::string& text) override;
  void SelectBaudItem(int index) override;
  std::string BaudText() const override;
  void SetAutoDetectPortText(const std::string& text) override;
  void SetAutoDetectBaudText(const std::string& text) override;
  void ShowAutoPage(bool autoPage) override;

  // ConnectionForm
  bool ConnectPressed() const override;
  void SetConnectPressed(bool down) override;
  void SetConnectCaption(bool disconnect) override;
  void ShowLinkStatus(int frame, link::LinkStatus status) override;
  void ShowConnectingFrame(int frame, bool red) override;
  void SetSerialSettingsEnabled(bool enabled) override;
  bool AutoModeChecked() const override;
  bool SerialItemChecked() const override;
  bool WiFiItemChecked() const override;
  void SelectLinkItem(uint8_t mode) override;
  std::string WiFiAddressText() const override;
  std::string WiFiPortText() const override;
  void SetWiFiEditsEnabled(bool enabled) override;
  void SetSupervisionTimersRunning(bool running) override;
  void StartSystemCheckTimer() override;
  bool Show(link::ConnectionMessage message) override;
  bool AskForceConnect(const std::string& port) override;
  void ShowError(const std::string& text) override;

 private:
  TForm1& form_;
};

}  // namespace pelyx::app
