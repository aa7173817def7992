// The window against links that fail as they do outside the bench, driven through its
// widgets: a serial port that hangs up without a device-change notice, a port the user
// may not open, and a Wi-Fi bridge that refuses the connection. The window opens the
// ports with its real serial component and reaches the bridge with its real TCP client.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest/QTest>

#include <cerrno>
#include <functional>
#include <memory>
#include <string>

#include "app/main_form.h"
#include "app/receiver_session.h"
#include "app/simulator.h"
#include "config/receiver_protocol.h"
#include "tests/app/gui/gui_support.h"
#include "tests/link/loopback_server.h"
#include "tests/link/no_permission.h"
#include "tests/link/pty.h"

namespace pelyx::app {
namespace {

using link::test_support::PseudoTerminal;
using link::test_support::UnpermittedPort;
using testing_support::Environment;
using testing_support::Folders;
using testing_support::ScriptedPrompt;
using testing_support::WaitFor;

class LinkFaults : public ::testing::Test {
 protected:
  void Start() {
    FormEnvironment environment = Environment(folders_, &prompt_, true);
    environment.ports = &ports_;
    windows_ = std::make_unique<ApplicationWindows>(environment);
  }
  void TearDown() override { windows_.reset(); }

  TForm1& Form() { return windows_->Form(); }
  QString Status() { return Form().LabelConnectionStatus->text(); }
  void ChoosePort(const std::string& path) {
    const int item = Form().cbxComPort->findText(QString::fromStdString(path.substr(5)));
    ASSERT_GE(item, 0) << path << " is listed";
    Form().cbxComPort->setCurrentIndex(item);
  }

  Folders folders_;
  ScriptedPrompt prompt_;
  link::SysfsPortEnumerator platform_;
  AddedPortsEnumerator ports_{platform_};
  std::unique_ptr<ApplicationWindows> windows_;
};

TEST_F(LinkFaults, APortThatHangsUpEndsTheConnectionWithinOneSecond) {
  PseudoTerminal receiver;
  ASSERT_TRUE(receiver.Valid());
  ports_.Add(receiver.Path().substr(5));
  Start();
  TForm1& form = Form();
  ChoosePort(receiver.Path());
  form.OpenPort->click();
  ASSERT_TRUE(form.SerialComm->IsOpen());
  // The receiver answers the query with the end of its product information.
  ASSERT_NE(receiver.Receive(22, 3000).find("$PDBG,099,1"), std::string::npos);
  ASSERT_TRUE(receiver.Send(std::string(config::kProductInfoEnd) + "\r\n"));
  ASSERT_TRUE(WaitFor([&] { return Status() == "Connected..."; }, 5000)) << Status().toStdString();

  // Its terminal goes away; no device-change notice comes for a pseudo-terminal.
  receiver.CloseMaster();
  QElapsedTimer clock;
  clock.start();
  ASSERT_TRUE(WaitFor([&] { return !form.SerialComm->IsOpen(); }, 1000))
      << "still " << Status().toStdString() << " one second after the hang-up";
  EXPECT_LT(clock.elapsed(), 1000);
  EXPECT_EQ(Status(), "Disconnect...");
  EXPECT_EQ(form.OpenPort->text(), "Connect");
  EXPECT_FALSE(form.OpenPort->isChecked());
  EXPECT_FALSE(form.DeviceIdentified);
  EXPECT_TRUE(form.cbxComPort->isEnabled()) << "the connection settings can be changed again";
  EXPECT_TRUE(prompt_.asked.empty()) << "ended as on the port's removal, without a message";
}

TEST_F(LinkFaults, APortWithoutPermissionNamesTheCauseBeforeTheOpenError) {
  UnpermittedPort port;
  ASSERT_TRUE(port.Valid());
  ports_.Add(port.Path().substr(5));
  Start();
  TForm1& form = Form();
  ChoosePort(port.Path());
  // Were the port not listed as openable, the force-connect question would come first.
  prompt_.answers = {PromptAnswer::kOk, PromptAnswer::kOk};
  port.AsUnprivileged([&] { form.OpenPort->click(); });
  EXPECT_FALSE(form.SerialComm->IsOpen());
  ASSERT_FALSE(prompt_.asked.empty());
  const ScriptedPrompt::Asked& shown = prompt_.asked.back();
  EXPECT_EQ(shown.text, "Permission denied: add your user to the group " + port.GroupName() +
                            ", which owns " + port.Path() +
                            ", then log in again\nSerial port open error! Please check! (Error: " +
                            std::to_string(EACCES) + ")");
  EXPECT_EQ(shown.caption, "Error");
  EXPECT_EQ(shown.icon, PromptIcon::kError);
  // The attempt ends at the next tick, as for any port that cannot be opened.
  ASSERT_TRUE(WaitFor([&] { return form.OpenPort->text() == "Connect"; }, 3000));
  EXPECT_EQ(Status(), "Disconnect...");
}

TEST_F(LinkFaults, ARefusedBridgeSendsNothingAndKeepsTheDeadline) {
  const int refusing = link::testing::FreeLoopbackPort();
  ASSERT_GT(refusing, 0);
  Start();
  TForm1& form = Form();
  form.mnuWiFi->trigger();
  for (int i = 0; i < 5; ++i) QTest::mouseDClick(form.GroupBoxWiFiConnectionMode, Qt::LeftButton);
  ASSERT_TRUE(form.LabelEditWiFi_TCP_IP->isEnabled());
  form.LabelEditWiFi_TCP_IP->setText("127.0.0.1");
  form.LabelEditWiFi_Port->setText(QString::number(refusing));

  form.OpenPort->click();
  ASSERT_NE(form.Connection().TcpClient(), nullptr);
  ASSERT_TRUE(WaitFor([&] { return form.Connection().TcpClient()->ConnectError() != 0; }, 5000));
  EXPECT_EQ(form.Connection().TcpClient()->ConnectError(), ECONNREFUSED);

  // The console's line does not go out, and the window says so.
  prompt_.answers.push_back(PromptAnswer::kOk);
  form.LabeledEditCommandText->setText("$PDBG,099,0,,,,,,*11");
  form.btnSendCommand->click();
  ASSERT_EQ(prompt_.asked.size(), 1u);
  EXPECT_EQ(prompt_.asked[0].text, "Send message error");
  static constexpr char kLine[] = "$PDBG,099,0,,,,,,*11\r\n";
  EXPECT_FALSE(form.Connection().WriteLine(kLine, sizeof kLine - 1));

  // The attempt goes on to its deadline: still connecting after two supervision ticks,
  // ended without a message when the tick count reads 16.
  QElapsedTimer clock;
  clock.start();
  ASSERT_TRUE(WaitFor([&] { return clock.elapsed() > 2500; }, 3000));
  EXPECT_EQ(Status(), "Connecting...");
  EXPECT_EQ(form.OpenPort->text(), "Disconnect");
  EXPECT_NE(form.Connection().TcpClient(), nullptr);
  ASSERT_TRUE(WaitFor([&] { return form.Connection().TcpClient() == nullptr; }, 20000));
  EXPECT_GT(clock.elapsed(), 12000) << "the deadline, not the refusal, ends the attempt";
  EXPECT_EQ(Status(), "Disconnect...");
  EXPECT_EQ(form.OpenPort->text(), "Connect");
  EXPECT_EQ(prompt_.asked.size(), 1u) << "no message for the deadline";
}

}  // namespace
}  // namespace pelyx::app
