// The window against the simulated receiver, driven through its widgets as a user does:
// connect on the receiver's port, see it identified and its product information shown,
// read the device and save the report, set both baud rates and follow the receiver
// through its restart. The receiver runs inside the test on a pseudo-terminal; the
// window opens it with its real serial component.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QtTest/QTest>

#include <fstream>
#include <functional>
#include <sstream>

#include "app/main_form.h"
#include "app/receiver_session.h"
#include "app/simulator.h"
#include "tests/app/gui/gui_support.h"
#include "views/snr_chart.h"

namespace pelyx::app {
namespace {

using testing_support::Environment;
using testing_support::Find;
using testing_support::Folders;
using testing_support::ScriptedPrompt;
using testing_support::WaitFor;

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

class ReceiverCycle : public ::testing::Test {
 public:
  ReceiverCycle() : receiver_(Receiver(), true) {}

 protected:
  static sim::ReceiverConfig Receiver() {
    sim::ReceiverConfig config = sim::DefaultReceiverConfig();
    config.restartTime = 1000;
    return config;
  }

  void SetUp() override {
    std::string error;
    ASSERT_TRUE(receiver_.Start(error)) << error;
    ports_.Add(receiver_.PortName());
    FormEnvironment environment = Environment(folders_, &prompt_, true);
    environment.ports = &ports_;
    windows_ = std::make_unique<ApplicationWindows>(environment);
    Form().Session().ReportServicesFor().openInTextEditor = [this](const std::string& path) {
      opened_.push_back(path);
    };
  }
  void TearDown() override { windows_.reset(); }

  TForm1& Form() { return windows_->Form(); }
  QString Status() { return Form().LabelConnectionStatus->text(); }
  void Screenshot(QWidget* page, const char* name) {
    Form().PageControlMain->setCurrentWidget(Form().TabSheetDiagnosis);
    Form().PageControlDiagnosis->setCurrentWidget(page);
    Form().show();
    QApplication::processEvents();
    QDir().mkpath(PELYX_SCREENSHOT_DIR);
    Form().grab().save(QDir(PELYX_SCREENSHOT_DIR).filePath(name));
  }

  Folders folders_;
  ScriptedPrompt prompt_;
  link::SysfsPortEnumerator platform_;
  AddedPortsEnumerator ports_{platform_};
  EmbeddedSimulator receiver_;
  std::unique_ptr<ApplicationWindows> windows_;
  std::vector<std::string> opened_;
};

TEST_F(ReceiverCycle, ConnectReadConfigureAndFollowTheRestart) {
  const sim::DeviceInfo device = sim::DefaultReceiverConfig().device;
  TForm1& form = Form();

  // Connect on the receiver's port, chosen by hand.
  const int item = form.cbxComPort->findText(QString::fromStdString(receiver_.PortName()));
  ASSERT_GE(item, 0) << "the receiver's port is listed";
  form.cbxComPort->setCurrentIndex(item);
  form.OpenPort->click();
  EXPECT_EQ(form.OpenPort->text(), "Disconnect");
  ASSERT_TRUE(WaitFor([&] { return Status() == "Connected..."; }, 8000)) << Status().toStdString();
  EXPECT_TRUE(form.DeviceIdentified);
  EXPECT_FALSE(form.Timer1->isActive());
  EXPECT_TRUE(form.TimerUpdateSysChk->isActive());

  // The system check shows what the receiver reported at its next tick.
  ASSERT_TRUE(WaitFor(
      [&] { return form.lblValProdSN->text().toStdString() == device.serialNumber; }, 3000));
  EXPECT_EQ(form.lblValFwVer->text().toStdString(), device.firmware);
  EXPECT_EQ(form.cbxBaud_RS232->currentText(), "38400");
  EXPECT_EQ(form.lblValNMEA2K->text().toStdString(), device.n2kStatus);
  // Traffic arrives: AIS messages are counted.
  ASSERT_TRUE(WaitFor(
      [&] { return form.lblValRxCntA->text() != "0" || form.lblValRxCntB->text() != "0"; }, 5000));
  EXPECT_TRUE(prompt_.asked.empty());

  // Read Device, then the report on the second report-timer tick.
  const std::string reportPath = QDir(folders_.Documents()).filePath("report.TXT").toStdString();
  prompt_.answers.push_back(PromptAnswer::kOk);  // "Do you want to save the report?"
  prompt_.files.push_back(reportPath);
  form.PageControlMain->setCurrentWidget(form.TabSheetConfig);
  form.SpeedButtonReload->click();
  ASSERT_TRUE(WaitFor([&] { return !opened_.empty(); }, 5000));
  EXPECT_EQ(opened_[0], reportPath);
  ASSERT_FALSE(prompt_.proposedNames.empty());
  EXPECT_EQ(prompt_.proposedNames.back(), device.serialNumber);
  const std::string report = ReadAll(reportPath);
  EXPECT_NE(report.find(device.serialNumber), std::string::npos) << report;
  EXPECT_NE(report.find(device.firmware), std::string::npos) << report;
  EXPECT_NE(report.find("\r\n"), std::string::npos);
  EXPECT_EQ(report.find("\n\n"), std::string::npos) << "every line ends with CR LF";

  // Config Device on BAUD RATE: NMEA IN 9600, NMEA OUT 4800.
  form.PageControlConf->setCurrentWidget(form.TabSheetBaudRate);
  form.cbxBaud_RS232->setCurrentIndex(1);
  form.cbxBaud_NMEA->setCurrentIndex(2);
  form.SpeedButtonSetting->click();
  // The receiver restarts: the link closes, and some seconds later the same port is
  // connected again and the receiver reports its new rates.
  ASSERT_TRUE(WaitFor([&] { return !form.SerialComm->IsOpen(); }, 5000));
  ASSERT_TRUE(WaitFor(
      [&] {
        return Status() == "Connected..." && form.cbxBaud_RS232->currentText() == "9600" &&
               form.cbxBaud_NMEA->currentText() == "4800";
      },
      20000))
      << Status().toStdString() << " " << form.cbxBaud_RS232->currentText().toStdString() << " "
      << form.cbxBaud_NMEA->currentText().toStdString();
  EXPECT_EQ(form.SerialComm->DeviceName(), "/dev/" + receiver_.PortName());
  EXPECT_TRUE(prompt_.answers.empty());
  EXPECT_EQ(prompt_.asked.size(), 1u) << "only the report's question was asked";

  // For people to look at: the system check after identification, the log with traffic.
  Screenshot(form.TabSheetSystemCheck, "system-check-identified.png");
  form.cbxEnableLog->setChecked(true);
  ASSERT_TRUE(WaitFor([&] { return form.MemoDataLog->blockCount() > 30; }, 5000));
  for (const QString& line : form.MemoDataLog->toPlainText().split('\n')) {
    EXPECT_FALSE(line.endsWith('\r')) << line.toStdString();
  }
  Screenshot(form.TabSheetDataLog, "data-log-traffic.png");
  // The GPS STATUS page is never offered, but it is kept up to date: rendered directly.
  ASSERT_TRUE(WaitFor([&] { return form.Chart1->BarCount() >= 16; }, 3000));
  EXPECT_FALSE(form.lblEdtGpsLat->text().isEmpty());
  EXPECT_FALSE(form.lblEdtGpsFixMode->text().isEmpty());
  form.TabSheetGpsStatus->resize(form.PageControlDiagnosis->currentWidget()->size());
  form.TabSheetGpsStatus->grab().save(QDir(PELYX_SCREENSHOT_DIR).filePath("gps-status.png"));

  // Disconnect.
  form.OpenPort->click();
  EXPECT_FALSE(form.SerialComm->IsOpen());
  EXPECT_EQ(Status(), "Disconnect...");
}

TEST_F(ReceiverCycle, ConnectOverTheWiFiBridgeAfterUnlockingTheAddress) {
  const sim::DeviceInfo device = sim::DefaultReceiverConfig().device;
  TForm1& form = Form();
  ASSERT_GT(receiver_.TcpPort(), 0);

  // The address edits are locked until the Wi-Fi box is double-clicked five times.
  form.mnuWiFi->trigger();
  ASSERT_TRUE(form.mnuWiFi->isChecked());
  ASSERT_TRUE(form.GroupBoxWiFiConnectionMode->isVisibleTo(&form));
  EXPECT_FALSE(form.LabelEditWiFi_TCP_IP->isEnabled());
  for (int i = 0; i < 5; ++i) QTest::mouseDClick(form.GroupBoxWiFiConnectionMode, Qt::LeftButton);
  ASSERT_TRUE(form.LabelEditWiFi_TCP_IP->isEnabled());
  form.LabelEditWiFi_TCP_IP->setText("127.0.0.1");
  form.LabelEditWiFi_Port->setText(QString::number(receiver_.TcpPort()));

  form.OpenPort->click();
  ASSERT_NE(form.Connection().TcpClient(), nullptr);
  ASSERT_TRUE(WaitFor([&] { return Status() == "Connected..."; }, 8000)) << Status().toStdString();
  ASSERT_TRUE(WaitFor(
      [&] { return form.lblValProdSN->text().toStdString() == device.serialNumber; }, 3000));
  EXPECT_FALSE(form.SerialComm->IsOpen()) << "the serial port has no part in a Wi-Fi link";

  // Changing the link while connected asks first; Cancel keeps the link and the choice.
  prompt_.answers.push_back(PromptAnswer::kCancel);
  form.mnuSerialPort->trigger();
  ASSERT_EQ(prompt_.asked.size(), 1u);
  EXPECT_EQ(prompt_.asked[0].text, "Device is connected. Do you want to disconnect?");
  EXPECT_TRUE(form.mnuWiFi->isChecked());
  EXPECT_NE(form.Connection().TcpClient(), nullptr);

  // Disconnect.
  form.OpenPort->click();
  EXPECT_EQ(form.Connection().TcpClient(), nullptr);
  EXPECT_EQ(Status(), "Disconnect...");
  EXPECT_EQ(form.OpenPort->text(), "Connect");
}

}  // namespace
}  // namespace pelyx::app
