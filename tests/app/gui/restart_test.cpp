// The window through the receiver's restart after new baud rates, against links that
// behave unlike the bench: a Wi-Fi bridge that drops the connection as the receiver
// restarts, a port typed as its device path that the port list does not hold, and the
// automatic detection over a silent port that comes before the receiver's. The receiver
// runs inside the test; the window opens its links with its real components.
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QtTest/QTest>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/dialogs.h"
#include "app/main_form.h"
#include "app/receiver_session.h"
#include "app/simulator.h"
#include "tests/app/gui/gui_support.h"
#include "tests/link/pty.h"

namespace pelyx::app {
namespace {

using testing_support::Environment;
using testing_support::Folders;
using testing_support::ScriptedPrompt;
using testing_support::WaitFor;

// The machine's ports as the test lists them, by their names under /dev or by their
// paths; opened as the platform's ports are.
class PathPorts final : public link::PortEnumerator {
 public:
  void Add(const std::string& name) { names_.push_back(name); }
  bool ListPorts(std::vector<std::string>& names) override {
    names = names_;
    return true;
  }
  bool TrialOpen(const std::string& name) override {
    return (name.starts_with('/') ? paths_ : devices_).TrialOpen(name);
  }

 private:
  std::vector<std::string> names_;
  link::SysfsPortEnumerator paths_{"/nonexistent", ""};
  link::SysfsPortEnumerator devices_{"/nonexistent", "/dev"};
};

sim::ReceiverConfig FastRestart() {
  sim::ReceiverConfig config = sim::DefaultReceiverConfig();
  config.restartTime = 1000;
  return config;
}

class RestartWindow : public ::testing::Test {
 protected:
  // The receiver of `config` (with its Wi-Fi bridge) and the window; `ports` are the
  // machine's serial ports as the window sees them.
  void Start(const sim::ReceiverConfig& config, link::PortEnumerator& ports) {
    receiver_ = std::make_unique<EmbeddedSimulator>(config, true);
    std::string error;
    ASSERT_TRUE(receiver_->Start(error)) << error;
    FormEnvironment environment = Environment(folders_, &prompt_, true);
    environment.ports = &ports;
    windows_ = std::make_unique<ApplicationWindows>(environment);
  }
  void TearDown() override {
    windows_.reset();
    receiver_.reset();
  }

  TForm1& Form() { return windows_->Form(); }
  QString Status() { return Form().LabelConnectionStatus->text(); }
  bool Connected() { return Status() == "Connected..."; }
  bool ShowsRates(const char* in, const char* out) {
    return Form().cbxBaud_RS232->currentText() == in && Form().cbxBaud_NMEA->currentText() == out;
  }

  // Config Device on BAUD RATE with NMEA IN 9600 and NMEA OUT 4800, then the whole
  // restart wait: announced, stepped through, over.
  void SetRatesAndWaitOutTheRestart() {
    TForm1& form = Form();
    form.PageControlMain->setCurrentWidget(form.TabSheetConfig);
    form.PageControlConf->setCurrentWidget(form.TabSheetBaudRate);
    form.cbxBaud_RS232->setCurrentIndex(1);
    form.cbxBaud_NMEA->setCurrentIndex(2);
    form.SpeedButtonSetting->click();
    config::RestartWait& restart = form.Session().Restart();
    ASSERT_TRUE(WaitFor([&] { return restart.RestartStep != 0; }, 5000)) << "no announcement";
    ASSERT_TRUE(WaitFor([&] { return restart.RestartStep == 0; }, 15000)) << restart.RestartStep;
  }

  // After the restart wait: connected again, the new rates shown, the button down.
  void ExpectConnectedWithTheNewRates() {
    TForm1& form = Form();
    EXPECT_TRUE(WaitFor([&] { return Connected() && ShowsRates("9600", "4800"); }, 10000))
        << Status().toStdString() << " " << form.cbxBaud_RS232->currentText().toStdString() << " "
        << form.cbxBaud_NMEA->currentText().toStdString();
    EXPECT_TRUE(form.OpenPort->isChecked());
    EXPECT_EQ(form.OpenPort->text(), "Disconnect");
    EXPECT_EQ(form.Connection().ConnectEngaged(), 1);
  }

  Folders folders_;
  ScriptedPrompt prompt_;
  std::unique_ptr<EmbeddedSimulator> receiver_;
  std::unique_ptr<ApplicationWindows> windows_;
};

// The bridge closes the connection itself right after "SYSTEM RESTART". Nothing is
// connected during the restart; at its end the window connects once and stays so.
TEST_F(RestartWindow, WiFiBridgeThatDropsTheConnectionOnRestart) {
  sim::ReceiverConfig config = FastRestart();
  config.faults.closeOnRestart = true;
  PathPorts ports;
  Start(config, ports);
  TForm1& form = Form();
  form.mnuWiFi->trigger();
  for (int i = 0; i < 5; ++i) QTest::mouseDClick(form.GroupBoxWiFiConnectionMode, Qt::LeftButton);
  ASSERT_TRUE(form.LabelEditWiFi_TCP_IP->isEnabled());
  form.LabelEditWiFi_TCP_IP->setText("127.0.0.1");
  form.LabelEditWiFi_Port->setText(QString::number(receiver_->TcpPort()));
  form.OpenPort->click();
  ASSERT_TRUE(WaitFor([&] { return Connected(); }, 8000)) << Status().toStdString();

  TForm1* window = &form;
  bool connectedDuringRestart = false;
  QMetaObject::Connection watch =
      QObject::connect(form.TimerUpdateSysChk, &QTimer::timeout, window, [&, window] {
        const int step = window->Session().Restart().RestartStep;
        if (step >= 2 && window->Connection().TcpClient() != nullptr) connectedDuringRestart = true;
      });
  SetRatesAndWaitOutTheRestart();
  QObject::disconnect(watch);
  EXPECT_FALSE(connectedDuringRestart) << "a connection was opened while the receiver restarted";
  ExpectConnectedWithTheNewRates();
  EXPECT_NE(form.Connection().TcpClient(), nullptr);
  EXPECT_TRUE(prompt_.asked.empty());
}

// Runs `action` once, from the event loop, right after `dialog` is first shown.
class AfterFirstShow : public QObject {
 public:
  AfterFirstShow(QWidget* dialog, std::function<void()> action) : action_(std::move(action)) {
    dialog->installEventFilter(this);
  }
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Show && action_) {
      QTimer::singleShot(0, this, std::exchange(action_, nullptr));
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  std::function<void()> action_;
};

// The serial link ends right after "SYSTEM RESTART" (an adapter that goes away with
// the receiver's restart and comes back): nothing is opened during the restart, and
// at its end the port is connected again.
TEST_F(RestartWindow, SerialPortThatGoesAwayAsTheReceiverRestarts) {
  PathPorts none;  // the machine has no ports of its own
  AddedPortsEnumerator ports(none);
  Start(FastRestart(), ports);
  ports.Add(receiver_->PortName());
  TForm1& form = Form();
  form.Connection().DeviceArrived();
  const int item = form.cbxComPort->findText(QString::fromStdString(receiver_->PortName()));
  ASSERT_GE(item, 0);
  form.cbxComPort->setCurrentIndex(item);
  form.OpenPort->click();
  ASSERT_TRUE(WaitFor([&] { return Connected(); }, 8000)) << Status().toStdString();

  // The port leaves the list as soon as the restart is announced.
  ASSERT_NE(form.frmWaitingProgress, nullptr);
  AfterFirstShow removal(form.frmWaitingProgress, [&] {
    ports.Remove(receiver_->PortName());
    form.Connection().DeviceRemoved();
  });
  TForm1* window = &form;
  bool openDuringRestart = false;
  QMetaObject::Connection watch =
      QObject::connect(form.TimerUpdateSysChk, &QTimer::timeout, window, [&, window] {
        const int step = window->Session().Restart().RestartStep;
        if (step >= 2 && window->SerialComm->IsOpen()) openDuringRestart = true;
        // It is back a few seconds later.
        if (step == 4 && !ports.Has(receiver_->PortName())) {
          ports.Add(receiver_->PortName());
          window->Connection().DeviceArrived();
        }
      });
  SetRatesAndWaitOutTheRestart();
  QObject::disconnect(watch);
  EXPECT_FALSE(openDuringRestart) << "the port was opened while the receiver restarted";
  ExpectConnectedWithTheNewRates();
  EXPECT_EQ(form.SerialComm->DeviceName(), "/dev/" + receiver_->PortName());
  EXPECT_TRUE(prompt_.asked.empty());
}

// Manual mode with the receiver's port typed as its device path, a port the list does
// not hold: the force-connect question is answered once, when connecting; the
// reconnection after the restart does not ask again.
TEST_F(RestartWindow, TypedDevicePathIsNotAskedAboutAgainAfterTheRestart) {
  PathPorts ports;  // the machine has no ports
  Start(FastRestart(), ports);
  TForm1& form = Form();
  const QString typed = QString::fromStdString("/dev/" + receiver_->PortName());
  form.cbxComPort->setEditText(typed);
  prompt_.answers.push_back(PromptAnswer::kOk);  // connect anyway
  form.OpenPort->click();
  ASSERT_EQ(prompt_.asked.size(), 1u);
  ASSERT_TRUE(WaitFor([&] { return Connected(); }, 8000)) << Status().toStdString();

  SetRatesAndWaitOutTheRestart();
  ExpectConnectedWithTheNewRates();
  EXPECT_EQ(prompt_.asked.size(), 1u) << "the question came once";
  EXPECT_EQ(form.SerialComm->DeviceName(), typed.toStdString());
  EXPECT_EQ(form.cbxComPort->currentText(), typed);
}

// Auto mode over a silent port listed before the receiver's: after the restart the
// port the receiver was identified on is tried first.
TEST_F(RestartWindow, AutoReconnectionTriesTheIdentifiedPortFirst) {
  link::test_support::PseudoTerminal silent;
  ASSERT_TRUE(silent.Valid());
  QTemporaryDir links;
  ASSERT_TRUE(links.isValid());
  const std::string silentPort = links.filePath("a-silent").toStdString();
  const std::string receiverPort = links.filePath("b-receiver").toStdString();
  PathPorts ports;
  ports.Add(receiverPort);
  ports.Add(silentPort);
  Start(FastRestart(), ports);
  ASSERT_EQ(::symlink(silent.Path().c_str(), silentPort.c_str()), 0);
  ASSERT_EQ(::symlink(("/dev/" + receiver_->PortName()).c_str(), receiverPort.c_str()), 0);
  TForm1& form = Form();
  form.RadioButtonConnectionModeAuto->click();
  ASSERT_TRUE(form.RadioButtonConnectionModeAuto->isChecked());
  form.OpenPort->click();
  ASSERT_TRUE(WaitFor([&] { return Connected(); }, 12000)) << Status().toStdString();
  ASSERT_EQ(form.SerialComm->DeviceName(), receiverPort);
  ASSERT_NE(silent.Receive(65536, 300).find("$PDBG,099,1"), std::string::npos)
      << "the detection tried the silent port first";

  SetRatesAndWaitOutTheRestart();
  ExpectConnectedWithTheNewRates();
  EXPECT_EQ(form.SerialComm->DeviceName(), receiverPort);
  EXPECT_EQ(silent.Receive(65536, 300), "") << "the reconnection went to the receiver's port";
  EXPECT_TRUE(prompt_.asked.empty());
}

}  // namespace
}  // namespace pelyx::app
