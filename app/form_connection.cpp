#include "app/form_connection.h"

#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QTimer>

#include "app/main_form.h"

namespace pelyx::app {

namespace {

QString FromUtf8(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

// The port list changes in code without raising the user's change handler.

void FormConnection::ClearPortItems() {
  QSignalBlocker quiet(form_.cbxComPort);
  form_.cbxComPort->clear();
}

void FormConnection::AddPortItem(const std::string& text) {
  QSignalBlocker quiet(form_.cbxComPort);
  form_.cbxComPort->addItem(FromUtf8(text));
}

void FormConnection::SelectPortItem(int index) {
  QSignalBlocker quiet(form_.cbxComPort);
  if (index >= 0 && index < form_.cbxComPort->count()) form_.cbxComPort->setCurrentIndex(index);
}

std::string FormConnection::PortText() const {
  return form_.cbxComPort->currentText().trimmed().toStdString();
}

void FormConnection::SetPortText(const std::string& text) {
  QSignalBlocker quiet(form_.cbxComPort);
  const int index = form_.cbxComPort->findText(FromUtf8(text));
  if (index >= 0) {
    form_.cbxComPort->setCurrentIndex(index);
  } else if (text == link::kNoPortText) {
    // Nothing selected: the box shows its "N/A" placeholder.
    form_.cbxComPort->setCurrentIndex(-1);
    if (form_.cbxComPort->isEditable()) form_.cbxComPort->setEditText(QString());
  } else if (form_.cbxComPort->isEditable()) {
    form_.cbxComPort->setEditText(FromUtf8(text));
  }
}

void FormConnection::SelectBaudItem(int index) {
  if (index >= 0 && index < form_.cbxBaudRate->count()) form_.cbxBaudRate->setCurrentIndex(index);
}

std::string FormConnection::BaudText() const {
  return form_.cbxBaudRate->currentText().toStdString();
}

void FormConnection::SetAutoDetectPortText(const std::string& text) {
  form_.EditAutoDetectComPort->setText(FromUtf8(text));
}

void FormConnection::SetAutoDetectBaudText(const std::string& text) {
  form_.EditAutoDetectBaudRate->setText(FromUtf8(text));
}

void FormConnection::ShowAutoPage(bool autoPage) {
  form_.PageControlDetectComPortMode->setCurrentWidget(
      autoPage ? form_.TabSheetAutoConnectComPort : form_.TabSheetManualDetectComPort);
}

bool FormConnection::ConnectPressed() const {
  return form_.OpenPort->isChecked();
}

void FormConnection::SetConnectPressed(bool down) {
  form_.OpenPort->setChecked(down);
}

void FormConnection::SetConnectCaption(bool disconnect) {
  form_.SetConnectCaption(disconnect ? kMsgDisconnect : kMsgConnect);
}

void FormConnection::ShowLinkStatus(int frame, link::LinkStatus status) {
  MessageId text = kMsgStatusDisconnect;
  if (status == link::LinkStatus::kConnecting) text = kMsgConnecting;
  if (status == link::LinkStatus::kConnected) text = kMsgConnected;
  form_.ShowLinkStatus(frame, text);
}

void FormConnection::ShowConnectingFrame(int frame, bool red) {
  form_.ShowConnectingFrame(frame, red);
}

void FormConnection::SetSerialSettingsEnabled(bool enabled) {
  form_.SetSerialSettingsEnabled(enabled);
}

bool FormConnection::AutoModeChecked() const {
  return form_.RadioButtonConnectionModeAuto->isChecked();
}

bool FormConnection::SerialItemChecked() const {
  return form_.mnuSerialPort->isChecked();
}

bool FormConnection::WiFiItemChecked() const {
  return form_.mnuWiFi->isChecked();
}

void FormConnection::SelectLinkItem(uint8_t mode) {
  (mode == 1 ? form_.mnuWiFi : form_.mnuSerialPort)->setChecked(true);
  form_.ShowConnectionBox();
}

std::string FormConnection::WiFiAddressText() const {
  return form_.LabelEditWiFi_TCP_IP->text().toStdString();
}

std::string FormConnection::WiFiPortText() const {
  return form_.LabelEditWiFi_Port->text().toStdString();
}

void FormConnection::SetWiFiEditsEnabled(bool enabled) {
  form_.LabelEditWiFi_TCP_IP->setEnabled(enabled);
  form_.LabelEditWiFi_Port->setEnabled(enabled);
}

void FormConnection::SetSupervisionTimersRunning(bool running) {
  for (QTimer* timer : {form_.Timer1, form_.TimerConnection}) {
    if (running) {
      timer->start();
    } else {
      timer->stop();
    }
  }
}

void FormConnection::StartSystemCheckTimer() {
  form_.TimerUpdateSysChk->start();
}

bool FormConnection::Show(link::ConnectionMessage message) {
  const MessageTable& texts = form_.MessageTexts;
  MessageId text = kMsgPortOpenError;
  const std::string* caption = &texts.ErrorCaption();
  PromptIcon icon = PromptIcon::kError;
  PromptButtons buttons = PromptButtons::kOk;
  switch (message) {
    case link::ConnectionMessage::kNoSerialPortExist:
      text = kMsgNoSerialPortExist;
      caption = &texts.WarningCaption();
      icon = PromptIcon::kWarning;
      break;
    case link::ConnectionMessage::kAutoDetectTimeOut:
      text = kMsgAutoDetectTimeOut;
      break;
    case link::ConnectionMessage::kManualConnectTimeOut:
      text = kMsgManualConnectTimeOut;
      break;
    case link::ConnectionMessage::kPortOpenError:
      text = kMsgPortOpenError;
      break;
    case link::ConnectionMessage::kConnectionChange:
      text = kMsgConnectionChangeText;
      caption = &texts.WarningCaption();
      icon = PromptIcon::kWarning;
      buttons = PromptButtons::kOkCancel;
      break;
  }
  std::string shown = texts[text];
  const link::ConnectionManager& connection = form_.Connection();
  if (message == link::ConnectionMessage::kPortOpenError) {
    // A cause the user can mend (a port the user may not open) goes on a line before
    // the message, which then ends with the platform's error code.
    if (!connection.OpenFailureText().empty()) {
      shown = connection.OpenFailureText() + "\n" + shown +
              " (Error: " + std::to_string(connection.OpenFailureError()) + ")";
    }
  } else if (message == link::ConnectionMessage::kNoSerialPortExist) {
    // No port could be opened, and one of them is closed to this user.
    if (!connection.OpenFailureText().empty()) {
      shown = connection.OpenFailureText() + "\n" + shown;
    }
  }
  return form_.Prompt().Message(shown, *caption, buttons, icon) == PromptAnswer::kOk;
}

bool FormConnection::AskForceConnect(const std::string& /*port*/) {
  const MessageTable& texts = form_.MessageTexts;
  return form_.Prompt().Message(texts[kMsgCheckPortError], texts.WarningCaption(),
                                PromptButtons::kOkCancel,
                                PromptIcon::kWarning) == PromptAnswer::kOk;
}

void FormConnection::ShowError(const std::string& text) {
  form_.Prompt().Message(text, form_.MessageTexts.ErrorCaption(), PromptButtons::kOk,
                         PromptIcon::kError);
}

}  // namespace pelyx::app
