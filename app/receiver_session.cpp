#include "app/receiver_session.h"

#include <QComboBox>
#include <QDesktopServices>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSocketNotifier>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QUrl>

#include <algorithm>
#include <cstring>
#include <optional>

#include "app/dialogs.h"
#include "app/form_connection.h"
#include "app/main_form.h"
#include "link/receive.h"
#include "views/paint_satellite_chart.h"
#include "views/snr_chart.h"

namespace pelyx::app {

namespace {

QString FromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The receiver's bytes as they came: a byte is the character of the same code, so
// nothing a receiver sends can turn into markup or vanish as invalid text.
QString FromDevice(std::string_view text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

// The object names of the controls the device configuration writes, by ConfigControl.
constexpr const char* kConfigControlNames[] = {
    "lblFirmVer",
    "cbxBaud_RS232",
    "cbxBaud_NMEA",
    "spbBaudRate",
    "lblChkNMEA2K",
    "ImageChkNMEA2K",
    "lblValNMEA2K",
    "lblChkWiFi",
    "ImageChkWiFi",
    "lblValWiFI",
    "TabSheetDaughter",
    "LabeledEditExOption_SSID",
    "ComboBoxExOption_Security",
    "LabeledEditExOption_WifiPassword",
    "Memo1",
    "MemoRecord",
    "cbxComPort",
};
static_assert(std::size(kConfigControlNames) ==
              static_cast<size_t>(config::ConfigControl::cbxComPort) + 1);

}  // namespace

// The window as the device configuration, the system check and the data log see it.
class ReceiverSession::Adapters final : public config::ConfigForm,
                                        public config::ConfigPrompt,
                                        public config::ConnectionControl,
                                        public link::ConnectionDevice,
                                        public views::SystemCheckHost,
                                        public views::LogPrompt,
                                        public views::LogView {
 public:
  Adapters(TForm1& form, ReceiverSession& session)
      : connectionForm(form), form_(form), session_(session) {}

  FormConnection connectionForm;

  // ---- ConfigForm ----
  QObject* Control(config::ConfigControl control) const {
    return form_.findChild<QObject*>(kConfigControlNames[static_cast<int>(control)]);
  }
  QComboBox* Combo(config::ConfigControl control) const {
    return qobject_cast<QComboBox*>(Control(control));
  }
  QPlainTextEdit* Memo(config::ConfigControl control) const {
    return qobject_cast<QPlainTextEdit*>(Control(control));
  }

  void SetText(config::ConfigControl control, std::string_view text) override {
    QObject* object = Control(control);
    const QString value = FromDevice(text);
    if (auto* label = qobject_cast<QLabel*>(object)) {
      label->setText(value);
    } else if (auto* edit = qobject_cast<QLineEdit*>(object)) {
      edit->setText(value);
    } else if (auto* memo = qobject_cast<QPlainTextEdit*>(object)) {
      memo->setPlainText(value);
    } else if (auto* combo = qobject_cast<QComboBox*>(object)) {
      const int index = combo->findText(value);
      if (combo->isEditable()) {
        combo->setEditText(value);
      } else {
        combo->setCurrentIndex(index);
      }
    } else if (auto* button = qobject_cast<QAbstractButton*>(object)) {
      button->setText(value);
    }
  }
  void SetVisible(config::ConfigControl control, bool visible) override {
    if (control == config::ConfigControl::TabSheetDaughter) {
      SetTabVisible(form_.TabSheetDaughter, visible);
    } else if (auto* widget = qobject_cast<QWidget*>(Control(control))) {
      widget->setVisible(visible);
    }
  }
  int ItemCount(config::ConfigControl combo) const override {
    QComboBox* box = Combo(combo);
    return box ? box->count() : 0;
  }
  std::string ItemText(config::ConfigControl combo, int index) const override {
    QComboBox* box = Combo(combo);
    return box ? box->itemText(index).toStdString() : std::string();
  }
  int ItemIndex(config::ConfigControl combo) const override {
    QComboBox* box = Combo(combo);
    return box ? box->currentIndex() : -1;
  }
  std::string ComboText(config::ConfigControl combo) const override {
    QComboBox* box = Combo(combo);
    return box ? box->currentText().trimmed().toStdString() : std::string();
  }
  void SetItemIndex(config::ConfigControl combo, int index) override {
    if (QComboBox* box = Combo(combo)) box->setCurrentIndex(index < box->count() ? index : -1);
  }
  void ClearLines(config::ConfigControl memo) override {
    if (QPlainTextEdit* box = Memo(memo)) box->clear();
  }
  void AppendLine(config::ConfigControl memo, std::string_view line) override {
    if (QPlainTextEdit* box = Memo(memo)) box->appendPlainText(FromDevice(line));
  }
  void SetDown(config::ConfigControl button, bool down) override {
    if (auto* b = qobject_cast<QAbstractButton*>(Control(button))) b->setDown(down);
  }
  void ShowWaitProgress(int maximum, int position) override {
    if (TfrmWaitingProgress* wait = form_.frmWaitingProgress) {
      wait->SetMaximum(maximum);
      wait->SetPosition(position);
      wait->ShowProgress(&form_);
    }
  }
  void SetWaitProgress(int position) override {
    if (TfrmWaitingProgress* wait = form_.frmWaitingProgress) wait->SetPosition(position);
  }
  void HideWaitProgress() override {
    if (TfrmWaitingProgress* wait = form_.frmWaitingProgress) wait->HideProgress();
  }

  // ---- ConfigPrompt and LogPrompt: the window's boxes ----
  PromptAnswer Message(std::string_view text, std::string_view caption, PromptButtons buttons,
                       PromptIcon icon) override {
    return form_.Prompt().Message(text, caption, buttons, icon);
  }
  std::optional<std::string> SaveFileName(std::string_view filter,
                                          std::string_view defaultExtension,
                                          std::string_view proposedName) override {
    SaveFileDialogSetup dialog = kSaveRptFileDialog;
    dialog.filter = filter;
    dialog.defaultExtension = defaultExtension;
    dialog.proposedName = proposedName;
    return form_.Prompt().SaveFileName(dialog);
  }

  // ---- ConnectionControl ----
  bool WriteLine(const char* bytes, size_t length) override {
    return session_.Connection().WriteLine(bytes, length);
  }
  bool AutoDetectSelected() const override { return connectionForm.AutoModeChecked(); }
  bool ConnectPressed() const override { return connectionForm.ConnectPressed(); }
  void SetConnectPressed(bool down) override { connectionForm.SetConnectPressed(down); }
  void ToggleConnection() override { session_.Connection().ToggleConnection(); }
  void CloseLink() override { session_.Connection().CloseConnection(); }
  bool ReconnectLink() override { return session_.Connection().Reconnect(); }
  void SelectPortByName(std::string_view portName) override {
    session_.Connection().SelectPortByName(std::string(portName));
  }
  void ShowPortOpenError() override {
    form_.Prompt().Message(form_.MessageTexts[kMsgPortOpenError], form_.MessageTexts.ErrorCaption(),
                           PromptButtons::kOk, PromptIcon::kError);
  }

  // ---- ConnectionDevice ----
  void AdvanceIdentification() override {
    config::AdvanceIdentification(std::nullopt, ConnectPressed(), form_.Identification,
                                  session_.Capture(), *this);
  }
  bool RequestProductInfo() override {
    return config::RequestProductInfo(config::kProductInfoFull, true,
                                      config::CommandSource::kDetection, session_.Stores(),
                                      session_.Capture(), *this, *this);
  }
  void ClearStaticCapture() override { session_.Capture().StaticCaptureArmed = false; }

  // ---- SystemCheckHost ----
  void ShowSystemCheck(const views::SystemCheckTexts& texts) override {
    form_.lblValFwVer->setText(FromDevice(texts.firmwareVersion));
    form_.lblValProdSN->setText(FromDevice(texts.serialNumber));
    form_.lblValGps->setText(FromUtf8(texts.gps));
    form_.lblValRxCntA->setText(FromUtf8(texts.receivedA));
    form_.lblValRxCntB->setText(FromUtf8(texts.receivedB));
    QLabel* const images[views::kSystemCheckRows] = {form_.ImageChkFwVer, form_.ImageChkProdSN,
                                                     form_.ImageChkWiFi,  form_.ImageChkNMEA2K,
                                                     form_.ImageChkGps,   form_.ImageChkRx};
    for (int row = 0; row < views::kSystemCheckRows; ++row) {
      images[row]->setPixmap(form_.ImageListSysChk.Picture(texts.images[row]));
    }
  }
  void ClearDaughterBoardTexts() override {
    form_.lblValWiFI->clear();
    form_.lblValNMEA2K->clear();
  }
  void RequestProductInfo(int32_t value, bool captureStatic) override {
    config::RequestProductInfo(value, captureStatic, config::CommandSource::kUser,
                               session_.Stores(), session_.Capture(), *this, *this);
  }
  void AdvanceRestartWait() override {
    config::AdvanceRestartWait(session_.Restart(), *this, *this);
  }

  // ---- LogPrompt ----
  std::optional<std::string> SaveFileName(const views::LogFileDialog& dialog) override {
    SaveFileDialogSetup setup = kSaveLogFileDialog;
    setup.filter = dialog.filter;
    setup.defaultExtension = dialog.defaultExtension;
    return form_.Prompt().SaveFileName(setup);
  }

  // ---- LogView ----
  void AppendLines(std::string_view lines) override {
    form_.MemoDataLog->AppendLines(FromDevice(lines));
  }

 private:
  TForm1& form_;
  ReceiverSession& session_;
};

ReceiverSession::ReceiverSession(TForm1& form, link::PortEnumerator* ports)
    : form_(form),
      ports_(ports),
      stores_(std::make_unique<DataStores>()),
      intake_(std::make_unique<SentenceIntake>(*stores_)),
      ais_(std::make_unique<ais::AisDecoder>(clock_)),
      capture_(std::make_unique<config::StaticCapture>()),
      adapters_(std::make_unique<Adapters>(form, *this)) {
  if (ports_ == nullptr) {
    ownPorts_ = std::make_unique<link::SysfsPortEnumerator>();
    ports_ = ownPorts_.get();
  }
  intake_->SetAisStage(ais_.get());
  intake_->SetHandoff(this);
  deviceLines_ = std::make_unique<config::DeviceLineHandler>(
      product_, form.Identification, *capture_, restart_, *adapters_, *adapters_);
  connection_ = std::make_unique<link::ConnectionManager>(
      *form.SerialComm, *ports_, adapters_->connectionForm, *adapters_, form.Identification,
      [&form] { return std::make_unique<link::TTCPIPClientThread>(form.Dispatcher()); },
      [this](link::TTCPIPClientThread& client) { OnTcpDataReceived(client); });
  gpsStatus_ = std::make_unique<views::GpsStatusView>();
  systemCheck_ =
      std::make_unique<views::SystemCheck>(product_, stores_->gnss, reception_, *adapters_);
  dataLog_ = std::make_unique<views::DataLog>(*adapters_);

  // Every completed line: the data log first (when logging is on), then the sentence
  // intake, then the identification handshake and the product information.
  for (LineAssembler* lines : {&serialLines_, &tcpLines_}) {
    lines->SetLog(dataLog_.get());
    lines->AddConsumer(intake_.get());
    lines->AddConsumer(deviceLines_.get());
  }
  form.SerialComm->OnRxChar = [this](link::TThreadComm&, uint32_t count) {
    OnSerialDataReceived(count);
  };

  reportServices_.openInTextEditor = [](const std::string& path) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
  };
  logFlushTimer_ = new QTimer(&form);
  logFlushTimer_->setObjectName("TimerLogFlush");
  logFlushTimer_->setSingleShot(true);
  logFlushTimer_->setInterval(kLogFlushMs);
  QObject::connect(logFlushTimer_, &QTimer::timeout, &form, [this] { dataLog_->Flush(); });
  resetRequestTimer_ = new QTimer(&form);
  resetRequestTimer_->setObjectName("TimerResetRequest");
  resetRequestTimer_->setSingleShot(true);
  resetRequestTimer_->setInterval(views::SystemCheck::kResetRequestDelayMs);
  QObject::connect(resetRequestTimer_, &QTimer::timeout, &form,
                   [this] { systemCheck_->FireResetRequest(); });
}

ReceiverSession::~ReceiverSession() {
  form_.SerialComm->OnRxChar = nullptr;
}

void ReceiverSession::Start() {
  connection_->Start();
  systemCheck_->UpdateCheckImages();
  if (monitor_.Valid()) {
    monitorNotifier_ = new QSocketNotifier(monitor_.Fd(), QSocketNotifier::Read, &form_);
    QObject::connect(monitorNotifier_, &QSocketNotifier::activated, &form_,
                     [this] { OnDeviceNotices(); });
  }
}

// ---- Receiving ------------------------------------------------------------------------

void ReceiverSession::Receive(LineAssembler& lines, const char* bytes, size_t count) {
  lines.Feed(bytes, count);
  // The lines logged reach the log view in one append: those of this notification and
  // of any others within the next kLogFlushMs. A receiver at full rate notifies some
  // hundred times a second; laying the view out that often would cost far more than the
  // rest of the receive path.
  if (dataLog_->PendingLines() > 0 && !logFlushTimer_->isActive()) logFlushTimer_->start();
}

void ReceiverSession::OnSerialDataReceived(uint32_t count) {
  link::ReadAnnounced(*form_.SerialComm, count,
                      [this](const char* bytes, size_t n) { Receive(serialLines_, bytes, n); });
}

void ReceiverSession::OnTcpDataReceived(link::TTCPIPClientThread& client) {
  link::ReadNotified(client, [this](const char* bytes, size_t n) { Receive(tcpLines_, bytes, n); });
}

void ReceiverSession::CountReception(const char* formatter, char channel) {
  ais::countReception(reception_, formatter, channel);
}

void ReceiverSession::UpdateGpsStatus(const SentenceRecord& record) {
  gpsStatus_->SetLanguageIndex(form_.LanguageIndex);
  ShowGpsStatus(gpsStatus_->UpdateGpsStatus(stores_->gnss, record));
}

void ReceiverSession::ShowGpsStatus(const views::GpsStatusChange& change) {
  if (change.texts) {
    const views::GpsStatusTexts& t = gpsStatus_->Texts();
    const std::pair<TLabeledEdit*, const std::string*> fields[] = {
        {form_.lblEdtGpsUtcDate, &t.utcDate},  {form_.lblEdtGpsUtcTime, &t.utcTime},
        {form_.lblEdtGpsLat, &t.latitude},     {form_.lblEdtGpsLon, &t.longitude},
        {form_.lblEdtGpsSOG, &t.sog},          {form_.lblEdtGpsCOG, &t.cog},
        {form_.lblEdtGpsFixMode, &t.fixMode},  {form_.lblEdtGpsNoSV_InView, &t.inView},
        {form_.lblEdtGpsNoSV_InUse, &t.inUse}, {form_.lblEdtHdop, &t.hdop},
    };
    for (const auto& [edit, text] : fields) {
      const QString value = FromUtf8(*text);
      if (edit->text() != value) edit->setText(value);
    }
  }
  if (change.satellites) {
    form_.Chart1->SetBars(gpsStatus_->Bars());
    form_.SatelliteMap->ShowMarkers(gpsStatus_->Sky());
  }
}

// ---- Handlers --------------------------------------------------------------------------

void ReceiverSession::ReadDeviceClick() {
  config::ReadDevice(*stores_, *capture_, report_, *adapters_, *adapters_);
}

void ReceiverSession::ConfigDeviceClick() {
  // The command of the configuration page shown; of the pages offered only BAUD RATE
  // has one.
  if (form_.PageControlConf->currentWidget() == form_.TabSheetBaudRate) {
    config::SendBaudRateCommand(*stores_, *adapters_, *adapters_);
  }
}

void ReceiverSession::TimerUpdateSysChkTimer() {
  systemCheck_->Tick();
}

void ReceiverSession::SpeedButtonClearCheckClick() {
  systemCheck_->Reset();
  if (systemCheck_->ResetPending()) resetRequestTimer_->start();
}

void ReceiverSession::Timer2Timer() {
  config::Timer2Timer(report_, product_, *adapters_, *adapters_, reportServices_);
}

void ReceiverSession::btnSaveLogClick() {
  views::StdLogFiles files;
  views::SaveLog(form_.MemoDataLog->LogBytes(), *adapters_, files);
}

void ReceiverSession::btnClearLogClick() {
  if (views::ConfirmClearLog(*adapters_) == views::ClearResult::kCleared) {
    form_.MemoDataLog->clear();
  }
}

void ReceiverSession::btnSendCommandClick() {
  const std::string text = form_.LabeledEditCommandText->text().toLatin1().toStdString();
  views::SendCommand(
      text,
      [this](std::string_view line) { return connection_->WriteLine(line.data(), line.size()); },
      *adapters_);
}

void ReceiverSession::OnDeviceNotices() {
  for (const link::DeviceNotice& notice : monitor_.ReadNotices()) {
    switch (notice.change) {
      case link::DeviceChange::kArrival:
        connection_->DeviceArrived();
        break;
      case link::DeviceChange::kRemoval:
        connection_->DeviceRemoved();
        break;
      case link::DeviceChange::kNodesChanged:
        connection_->DevicesChanged();
        break;
    }
  }
}

}  // namespace pelyx::app
