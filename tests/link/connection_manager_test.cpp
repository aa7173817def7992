// The connection manager stepped tick by tick with a plain form, a port list of the
// test's own, pseudo-terminals for serial ports and a loopback server for the Wi-Fi
// bridge.
#include "link/connection_manager.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "link/ui_dispatcher.h"
#include "tests/link/loopback_server.h"
#include "tests/link/no_permission.h"
#include "tests/link/pty.h"

namespace pelyx::link {
namespace {

using test_support::PseudoTerminal;

// The controls as plain state.
struct FakeForm : ConnectionForm {
  std::vector<std::string> portItems;
  std::string portText;
  std::string baudText = "115200";
  std::string autoPort, autoBaud;
  bool autoPage = false;
  bool autoChecked = false;
  bool pressed = false;
  bool captionDisconnect = false;
  int frame = 0;
  LinkStatus status = LinkStatus::kDisconnect;
  std::vector<int> connectingFrames;
  std::vector<bool> connectingRed;
  bool serialSettingsEnabled = true;
  uint8_t linkItem = 0;
  std::string wifiAddress = "127.0.0.1";
  std::string wifiPort = "3333";
  bool wifiEditsEnabled = false;
  bool timersRunning = false;
  bool systemCheckStarted = false;
  std::vector<ConnectionMessage> messages;
  bool answerOk = true;
  std::vector<std::string> forceQuestions;
  bool forceAnswer = true;
  std::vector<std::string> errors;

  void ClearPortItems() override { portItems.clear(); }
  void AddPortItem(const std::string& text) override { portItems.push_back(text); }
  void SelectPortItem(int index) override {
    if (index >= 0 && index < static_cast<int>(portItems.size())) portText = portItems[index];
  }
  std::string PortText() const override { return portText; }
  void SetPortText(const std::string& text) override { portText = text; }
  void SelectBaudItem(int) override { baudText = "115200"; }
  std::string BaudText() const override { return baudText; }
  void SetAutoDetectPortText(const std::string& text) override { autoPort = text; }
  void SetAutoDetectBaudText(const std::string& text) override { autoBaud = text; }
  void ShowAutoPage(bool page) override { autoPage = page; }

  bool ConnectPressed() const override { return pressed; }
  void SetConnectPressed(bool down) override { pressed = down; }
  void SetConnectCaption(bool disconnect) override { captionDisconnect = disconnect; }
  void ShowLinkStatus(int f, LinkStatus s) override {
    frame = f;
    status = s;
  }
  void ShowConnectingFrame(int f, bool red) override {
    frame = f;
    connectingFrames.push_back(f);
    connectingRed.push_back(red);
  }
  void SetSerialSettingsEnabled(bool enabled) override { serialSettingsEnabled = enabled; }
  bool AutoModeChecked() const override { return autoChecked; }
  bool SerialItemChecked() const override { return linkItem == 0; }
  bool WiFiItemChecked() const override { return linkItem == 1; }
  void SelectLinkItem(uint8_t mode) override { linkItem = mode; }
  std::string WiFiAddressText() const override { return wifiAddress; }
  std::string WiFiPortText() const override { return wifiPort; }
  void SetWiFiEditsEnabled(bool enabled) override { wifiEditsEnabled = enabled; }
  void SetSupervisionTimersRunning(bool running) override { timersRunning = running; }
  void StartSystemCheckTimer() override { systemCheckStarted = true; }
  bool Show(ConnectionMessage message) override {
    messages.push_back(message);
    return answerOk;
  }
  bool AskForceConnect(const std::string& port) override {
    forceQuestions.push_back(port);
    return forceAnswer;
  }
  void ShowError(const std::string& text) override { errors.push_back(text); }
};

// Ports the test lists: device names under /dev (pseudo-terminals are "pts/N").
struct FakePorts : PortEnumerator {
  std::vector<std::string> names;
  std::set<std::string> unopenable;
  std::set<std::string> noPermission;  // closed to this user
  bool ListPorts(std::vector<std::string>& out) override {
    out = names;
    return true;
  }
  bool TrialOpen(const std::string& name) override { return TrialOpenError(name) == 0; }
  int TrialOpenError(const std::string& name) override {
    if (noPermission.count(name) != 0) return EACCES;
    return unopenable.count(name) == 0 ? 0 : EBUSY;
  }
};

// The device configuration's side: counts the queries, writes each through the link
// (so the test sees it arrive), and identifies the receiver when told to.
struct FakeDevice : ConnectionDevice {
  ConnectionManager* manager = nullptr;
  IdentificationState* state = nullptr;
  int advances = 0;
  int queries = 0;
  std::vector<std::string> queriedPorts;  // the serial port open at each query
  std::string answeringPort;              // identifies at the first query on this port
  bool staticCaptureCleared = false;

  void AdvanceIdentification() override {
    ++advances;
    if (state->LinkState == TLinkState::Idle) {
      state->LinkState = TLinkState::Identifying;
      state->TickCount = 0;
    }
  }
  bool RequestProductInfo() override {
    ++queries;
    queriedPorts.push_back(manager->SerialComm().IsOpen() ? manager->SerialComm().DeviceName()
                                                          : "");
    static constexpr char kQuery[] = "$PDBG,099,1,,,,,,*10\r\n";
    bool ok = manager->WriteLine(kQuery, sizeof kQuery - 1);
    if (!answeringPort.empty() && queriedPorts.back() == answeringPort) Identify();
    return ok;
  }
  void ClearStaticCapture() override { staticCaptureCleared = true; }
  void Identify() {
    state->DeviceIdentified = true;
    state->TickCount = 0;
    state->LinkState = TLinkState::Identified;
  }
};

// "pts/3" for "/dev/pts/3".
std::string PortName(const PseudoTerminal& pty) {
  return pty.Path().substr(5);
}

class ConnectionManagerTest : public ::testing::Test {
 protected:
  ConnectionManagerTest() {
    device.manager = &manager;
    device.state = &state;
  }

  // Pseudo-terminals listed as the machine's ports.
  void AddPorts(int count) {
    for (int i = 0; i < count; ++i) {
      ptys.push_back(std::make_unique<PseudoTerminal>());
      ASSERT_TRUE(ptys.back()->Valid());
      ports.names.push_back(PortName(*ptys.back()));
    }
  }
  void StartManager() { manager.Start(); }
  void Tick(int n = 1) {
    for (int i = 0; i < n; ++i) {
      manager.Timer1Timer();
      ui.ProcessEvents(0);
    }
  }
  void Connect() {
    form.pressed = !form.pressed;  // the toggle button moves before its handler runs
    manager.OpenPortClick();
  }

  EventQueueDispatcher ui;
  TComm serial{ui};
  FakePorts ports;
  FakeForm form;
  FakeDevice device;
  IdentificationState state;
  std::vector<std::unique_ptr<PseudoTerminal>> ptys;
  std::vector<std::string> clientData;
  ConnectionManager manager{serial,
                            ports,
                            form,
                            device,
                            state,
                            [this] { return std::make_unique<TTCPIPClientThread>(ui); },
                            [this](TTCPIPClientThread& client) {
                              char buffer[TTCPIPClientThread::kReceiveSize];
                              int32_t n = client.Receive(buffer);
                              if (n > 0) clientData.emplace_back(buffer, n);
                            }};
};

TEST_F(ConnectionManagerTest, StartShowsTheFirstPortOrNotAvailable) {
  StartManager();
  EXPECT_EQ(form.portText, "N/A");
  EXPECT_EQ(form.status, LinkStatus::kDisconnect);
  EXPECT_FALSE(form.autoPage);

  AddPorts(2);
  manager.DeviceArrived();
  ASSERT_EQ(form.portItems.size(), 2u);
  EXPECT_EQ(form.portText, ports.names[0]);
}

TEST_F(ConnectionManagerTest, ManualConnectIsIdentifiedAndStopsTheTimers) {
  AddPorts(1);
  StartManager();
  Connect();
  ASSERT_TRUE(serial.IsOpen()) << "the manual port opens on the first step";
  EXPECT_EQ(serial.DeviceName(), ptys[0]->Path());
  EXPECT_EQ(state.LinkState, TLinkState::Identifying);
  EXPECT_TRUE(form.captionDisconnect);
  EXPECT_TRUE(form.timersRunning);
  EXPECT_FALSE(form.serialSettingsEnabled);
  EXPECT_EQ(form.status, LinkStatus::kConnecting);
  EXPECT_EQ(device.queries, 1) << "tick 0 queries";
  EXPECT_NE(ptys[0]->Receive(22, 1000).find("$PDBG,099,1"), std::string::npos);

  Tick(4);
  EXPECT_EQ(device.queries, 3) << "ticks 2 and 3 query, tick 1 does not";
  device.Identify();
  manager.TimerConnectionTimer();
  EXPECT_EQ(form.status, LinkStatus::kConnected);
  EXPECT_FALSE(form.timersRunning);
  EXPECT_TRUE(form.systemCheckStarted);
  EXPECT_TRUE(serial.IsOpen());
  EXPECT_TRUE(form.messages.empty());
}

TEST_F(ConnectionManagerTest, SilentManualPortTimesOutAfterTickTwentyAndIsReleasedNext) {
  AddPorts(1);
  StartManager();
  Connect();
  // Ticks 1 to 20 pass quietly; the query goes out on ticks 0, 2, 3, 5, 6, ... 20.
  Tick(20);
  EXPECT_TRUE(form.messages.empty());
  EXPECT_EQ(device.queries, 14);
  Tick();  // tick 21
  ASSERT_EQ(form.messages.size(), 1u);
  EXPECT_EQ(form.messages[0], ConnectionMessage::kManualConnectTimeOut);
  EXPECT_TRUE(manager.AbortRequested());
  EXPECT_TRUE(serial.IsOpen()) << "released at the next tick, not at once";
  Tick();
  EXPECT_FALSE(serial.IsOpen());
  EXPECT_FALSE(form.pressed);
  EXPECT_FALSE(form.captionDisconnect);
  EXPECT_FALSE(form.timersRunning);
  EXPECT_EQ(form.status, LinkStatus::kDisconnect);
  EXPECT_EQ(manager.ConnectEngaged(), 0);
  EXPECT_FALSE(manager.AbortRequested());
}

TEST_F(ConnectionManagerTest, PortThatCannotBeOpenedIsReportedAtOnce) {
  StartManager();
  form.portText = "ttyPELYXNONE0";  // typed by the user; not a port of the machine
  Connect();
  ASSERT_EQ(form.forceQuestions.size(), 1u) << "a port outside the openable list is asked for";
  ASSERT_EQ(form.messages.size(), 1u);
  EXPECT_EQ(form.messages[0], ConnectionMessage::kPortOpenError);
  EXPECT_FALSE(serial.IsOpen());
  Tick();
  EXPECT_EQ(manager.ConnectEngaged(), 0);
  EXPECT_FALSE(form.pressed);
}

TEST_F(ConnectionManagerTest, CancelledForceConnectStartsNothing) {
  AddPorts(1);
  ports.unopenable.insert(ports.names[0]);
  StartManager();
  form.forceAnswer = false;
  Connect();
  EXPECT_EQ(form.forceQuestions.size(), 1u);
  EXPECT_EQ(manager.ConnectEngaged(), 0);
  EXPECT_FALSE(form.pressed);
  EXPECT_FALSE(serial.IsOpen());
  EXPECT_FALSE(form.timersRunning);
}

TEST_F(ConnectionManagerTest, PressingAgainEndsTheAttempt) {
  AddPorts(1);
  StartManager();
  Connect();
  Tick(2);
  Connect();
  EXPECT_FALSE(serial.IsOpen());
  EXPECT_EQ(manager.ConnectEngaged(), 0);
  EXPECT_EQ(form.status, LinkStatus::kDisconnect);
  EXPECT_TRUE(form.serialSettingsEnabled);
  EXPECT_FALSE(form.captionDisconnect);
}

// Which port is open after each supervision tick of an Auto attempt.
TEST_F(ConnectionManagerTest, AutoRotatesOverTheOpenablePortsThreeTicksEach) {
  AddPorts(3);
  form.autoChecked = true;
  StartManager();
  Connect();
  std::vector<std::string> open;
  open.push_back(serial.IsOpen() ? serial.DeviceName() : "");
  for (int i = 0; i < 9; ++i) {
    Tick();
    open.push_back(serial.IsOpen() ? serial.DeviceName() : "");
  }
  const std::string a = ptys[0]->Path(), b = ptys[1]->Path(), c = ptys[2]->Path();
  const std::vector<std::string> expected = {a, a, a, b, b, b, c, c, c, a};
  EXPECT_EQ(open, expected);
  EXPECT_EQ(manager.TickLimit(), 20);
  EXPECT_EQ(form.autoPort.empty(), false);
}

TEST_F(ConnectionManagerTest, AutoStopsOnThePortThatAnswers) {
  AddPorts(3);
  form.autoChecked = true;
  device.answeringPort = "/dev/" + ports.names[1];
  StartManager();
  Connect();
  Tick(12);
  manager.TimerConnectionTimer();
  EXPECT_EQ(form.status, LinkStatus::kConnected);
  EXPECT_TRUE(serial.IsOpen());
  EXPECT_EQ(serial.DeviceName(), device.answeringPort);
  EXPECT_TRUE(form.messages.empty());
}

TEST_F(ConnectionManagerTest, AutoWithEightPortsGivesUpAfterTickTwentySix) {
  AddPorts(8);
  form.autoChecked = true;
  StartManager();
  Connect();
  EXPECT_EQ(manager.TickLimit(), 26);
  Tick(26);
  EXPECT_TRUE(form.messages.empty());
  Tick();  // tick 27
  ASSERT_EQ(form.messages.size(), 1u);
  EXPECT_EQ(form.messages[0], ConnectionMessage::kAutoDetectTimeOut);
  Tick();
  EXPECT_FALSE(serial.IsOpen());
  EXPECT_EQ(manager.ConnectEngaged(), 0);
}

TEST_F(ConnectionManagerTest, AutoWithoutOpenablePortsWarns) {
  form.autoChecked = true;
  StartManager();
  Connect();
  ASSERT_EQ(form.messages.size(), 1u);
  EXPECT_EQ(form.messages[0], ConnectionMessage::kNoSerialPortExist);
  EXPECT_EQ(form.autoPort, "N/A");
  Tick();
  EXPECT_EQ(manager.ConnectEngaged(), 0);
}

TEST_F(ConnectionManagerTest, AutoWithOnlyPortsClosedToTheUserNamesTheCause) {
  test_support::UnpermittedPort port;  // a real node: its group is read from it
  ASSERT_TRUE(port.Valid());
  const std::string name = port.Path().substr(5);
  ports.names = {"ttyPELYXBUSY0", name};
  ports.unopenable.insert("ttyPELYXBUSY0");
  ports.noPermission.insert(name);
  form.autoChecked = true;
  StartManager();
  Connect();
  ASSERT_EQ(form.messages.size(), 1u);
  EXPECT_EQ(form.messages[0], ConnectionMessage::kNoSerialPortExist);
  EXPECT_EQ(manager.OpenFailureError(), EACCES);
  EXPECT_EQ(manager.OpenFailureText(), "Permission denied: add your user to the group " +
                                           port.GroupName() + ", which owns " + port.Path() +
                                           ", then log in again");
  Tick();
  ASSERT_EQ(manager.ConnectEngaged(), 0);

  // Only busy ports: nothing for the user to mend, and nothing left of the last cause.
  ports.noPermission.clear();
  ports.unopenable.insert(name);
  form.messages.clear();
  Connect();
  ASSERT_EQ(form.messages.size(), 1u);
  EXPECT_EQ(manager.OpenFailureText(), "");
  EXPECT_EQ(manager.OpenFailureError(), 0);
}

TEST_F(ConnectionManagerTest, UnpluggingTheIdentifiedPortEndsTheConnection) {
  AddPorts(2);
  StartManager();
  Connect();
  device.Identify();
  manager.TimerConnectionTimer();
  // Another port goes: the list is refreshed, the connection stays.
  ports.names.erase(ports.names.begin() + 1);
  manager.DeviceRemoved();
  EXPECT_TRUE(serial.IsOpen());
  EXPECT_EQ(form.portItems.size(), 1u);
  // The connected one goes.
  ports.names.clear();
  manager.DeviceRemoved();
  EXPECT_FALSE(serial.IsOpen());
  EXPECT_EQ(manager.ConnectEngaged(), 0);
  EXPECT_EQ(form.portText, "N/A");
}

// The receiver restarts: the link is closed while it is engaged and connected again
// only when nothing is engaged, whichever side ended it in between.
TEST_F(ConnectionManagerTest, CloseAndReconnectActOnTheSerialLinkAsTheyFindIt) {
  AddPorts(1);
  StartManager();
  Connect();
  device.Identify();
  manager.TimerConnectionTimer();
  ASSERT_EQ(form.status, LinkStatus::kConnected);

  manager.CloseConnection();
  EXPECT_FALSE(serial.IsOpen());
  EXPECT_EQ(manager.ConnectEngaged(), 0);
  EXPECT_FALSE(form.pressed);
  manager.CloseConnection();
  EXPECT_FALSE(serial.IsOpen()) << "closing a closed link opens nothing";
  EXPECT_EQ(manager.ConnectEngaged(), 0);

  const int queries = device.queries;
  EXPECT_TRUE(manager.Reconnect());
  EXPECT_TRUE(serial.IsOpen());
  EXPECT_EQ(serial.DeviceName(), ptys[0]->Path());
  EXPECT_EQ(manager.ConnectEngaged(), 1);
  EXPECT_EQ(state.LinkState, TLinkState::Identifying);
  EXPECT_EQ(device.queries, queries + 1);
  EXPECT_TRUE(form.pressed);
  Tick(2);
  const int during = device.queries;
  const int32_t ticks = state.TickCount;
  EXPECT_TRUE(manager.Reconnect()) << "an engaged attempt stays engaged";
  EXPECT_TRUE(serial.IsOpen());
  EXPECT_EQ(device.queries, during) << "and is not started over";
  EXPECT_EQ(state.TickCount, ticks);
}

TEST_F(ConnectionManagerTest, ReconnectAfterTheConnectedPortWentAwayOpensItAgain) {
  AddPorts(1);
  StartManager();
  Connect();
  device.Identify();
  manager.TimerConnectionTimer();
  // The port leaves the list (an adapter that re-enumerates as the receiver restarts).
  const std::string name = ports.names[0];
  ports.names.clear();
  manager.DeviceRemoved();
  ASSERT_FALSE(serial.IsOpen());
  manager.CloseConnection();
  EXPECT_FALSE(serial.IsOpen()) << "nothing is opened while the receiver restarts";
  EXPECT_EQ(manager.ConnectEngaged(), 0);
  ports.names.push_back(name);
  manager.DeviceArrived();
  manager.SelectPortByName(name);
  EXPECT_TRUE(manager.Reconnect());
  EXPECT_TRUE(serial.IsOpen());
  EXPECT_EQ(serial.DeviceName(), ptys[0]->Path());
  EXPECT_TRUE(form.forceQuestions.empty());
}

// A port typed as its device path that the port list does not hold: the user answers
// the force-connect question when connecting; the reconnection after the restart goes
// to the same port without asking again. A click of the user's asks as before.
TEST_F(ConnectionManagerTest, ReconnectDoesNotAskAgainForATypedPortTheUserConfirmed) {
  ptys.push_back(std::make_unique<PseudoTerminal>());
  ASSERT_TRUE(ptys[0]->Valid());
  StartManager();
  form.portText = ptys[0]->Path();
  Connect();
  ASSERT_EQ(form.forceQuestions, std::vector<std::string>{ptys[0]->Path()});
  ASSERT_TRUE(serial.IsOpen());
  device.Identify();
  manager.TimerConnectionTimer();

  manager.CloseConnection();
  ASSERT_FALSE(serial.IsOpen());
  EXPECT_TRUE(manager.Reconnect());
  EXPECT_EQ(form.forceQuestions.size(), 1u) << "asked once, when the user connected";
  EXPECT_TRUE(serial.IsOpen());
  EXPECT_EQ(serial.DeviceName(), ptys[0]->Path());
  EXPECT_TRUE(form.messages.empty());

  Connect();  // the user disconnects
  ASSERT_FALSE(serial.IsOpen());
  Connect();  // and connects again
  EXPECT_EQ(form.forceQuestions.size(), 2u);
  EXPECT_TRUE(serial.IsOpen());

  // Another port typed before the reconnection is asked about.
  device.Identify();
  manager.TimerConnectionTimer();
  manager.CloseConnection();
  form.portText = "/dev/pelyx-no-such-port";
  form.forceAnswer = false;
  EXPECT_FALSE(manager.Reconnect());
  EXPECT_EQ(form.forceQuestions.size(), 3u);
  EXPECT_FALSE(serial.IsOpen());
  EXPECT_FALSE(form.pressed) << "Cancel leaves the button released";
  EXPECT_EQ(manager.ConnectEngaged(), 0);
}

// Auto mode: the reconnection starts at the port the receiver was identified on, then
// rotates over the openable ports as usual.
TEST_F(ConnectionManagerTest, AutoReconnectTriesTheIdentifiedPortFirst) {
  AddPorts(3);
  form.autoChecked = true;
  device.answeringPort = "/dev/" + ports.names[2];
  StartManager();
  Connect();
  Tick(7);
  manager.TimerConnectionTimer();
  ASSERT_EQ(form.status, LinkStatus::kConnected);
  ASSERT_EQ(manager.IdentifiedPort(), ports.names[2]);

  manager.CloseConnection();
  device.answeringPort.clear();  // the receiver is still restarting: nobody answers
  device.queriedPorts.clear();
  ASSERT_TRUE(manager.Reconnect());
  std::vector<std::string> open;
  open.push_back(serial.IsOpen() ? serial.DeviceName() : "");
  for (int i = 0; i < 9; ++i) {
    Tick();
    open.push_back(serial.IsOpen() ? serial.DeviceName() : "");
  }
  const std::string a = ptys[0]->Path(), b = ptys[1]->Path(), c = ptys[2]->Path();
  EXPECT_EQ(open, (std::vector<std::string>{c, c, c, a, a, a, b, b, b, c}));
  ASSERT_FALSE(device.queriedPorts.empty());
  EXPECT_EQ(device.queriedPorts.front(), c);

  // A connection the user starts rotates from the first port, as before.
  Connect();
  ASSERT_FALSE(serial.IsOpen());
  Connect();
  EXPECT_EQ(serial.DeviceName(), a);
}

TEST_F(ConnectionManagerTest, ChangingTheLinkWhileConnectedAsksFirst) {
  AddPorts(1);
  StartManager();
  Connect();
  form.answerOk = false;
  manager.mnuWiFiClick();
  ASSERT_EQ(form.messages.size(), 1u);
  EXPECT_EQ(form.messages[0], ConnectionMessage::kConnectionChange);
  EXPECT_EQ(manager.LinkMode(), 0);
  EXPECT_EQ(form.linkItem, 0);
  EXPECT_TRUE(serial.IsOpen());

  form.answerOk = true;
  manager.mnuWiFiClick();
  EXPECT_EQ(manager.LinkMode(), 1);
  EXPECT_EQ(form.linkItem, 1);
  EXPECT_FALSE(serial.IsOpen());
  EXPECT_EQ(manager.ConnectEngaged(), 0);
  EXPECT_EQ(manager.TcpClient(), nullptr) << "the change ends the link; it starts no other";
}

TEST_F(ConnectionManagerTest, TheArrowsRunUpAndDownAndTheTextBlinks) {
  AddPorts(1);
  StartManager();
  Connect();
  for (int i = 0; i < 16; ++i) manager.TimerConnectionTimer();
  const std::vector<int> frames = {1, 2, 3, 4, 5, 6, 7, 6, 5, 4, 3, 2, 3, 4, 5, 6};
  EXPECT_EQ(form.connectingFrames, frames);
  const std::vector<bool> red = {true, true, false, false, false, false, false, true,
                                 true, true, false, false, false, false, false, true};
  EXPECT_EQ(form.connectingRed, red);
}

TEST_F(ConnectionManagerTest, FiveDoubleClicksToggleTheWiFiEditLock) {
  StartManager();
  for (int round = 0; round < 2; ++round) {
    for (int i = 0; i < 4; ++i) manager.GroupBoxWiFiConnectionModeDblClick();
    EXPECT_EQ(form.wifiEditsEnabled, round == 1);
    manager.GroupBoxWiFiConnectionModeDblClick();
    EXPECT_EQ(form.wifiEditsEnabled, round == 0);
  }
}

TEST_F(ConnectionManagerTest, WriteLineNeedsAnOpenLink) {
  StartManager();
  EXPECT_FALSE(manager.WriteLine("x\r\n", 3)) << "serial port closed";
  manager.mnuWiFiClick();
  EXPECT_FALSE(manager.WriteLine("x\r\n", 3)) << "no Wi-Fi client";
}

struct BadAddress {
  const char* address;
  const char* port;
};

TEST_F(ConnectionManagerTest, InvalidWiFiSettingsStartNothing) {
  StartManager();
  manager.mnuWiFiClick();
  const BadAddress cases[] = {
      {"", "3333"},       {"12345678901234567890", "3333"}, {"127.0.0.1", ""},
      {"127.0.0.1", "x"}, {"127.0.0.1", "65536"},           {"127.0.0.1", "-1"},
  };
  for (const BadAddress& c : cases) {
    form.wifiAddress = c.address;
    form.wifiPort = c.port;
    Connect();
    EXPECT_EQ(manager.TcpClient(), nullptr) << c.address << ":" << c.port;
    EXPECT_EQ(manager.ConnectEngaged(), 0);
    form.pressed = false;
  }
}

class WiFiTest : public ConnectionManagerTest {
 protected:
  void ConnectWiFi() {
    form.wifiPort = std::to_string(server.Port());
    StartManager();
    manager.mnuWiFiClick();
    Connect();
    ASSERT_NE(manager.TcpClient(), nullptr);
    peer = server.Accept(5000);
    ASSERT_TRUE(peer.valid());
  }
  testing::LoopbackServer server;
  testing::Fd peer;
};

TEST_F(WiFiTest, ConnectsQueriesOnOddTicksAndReceives) {
  ConnectWiFi();
  EXPECT_EQ(manager.ConnectEngaged(), 1);
  EXPECT_TRUE(form.captionDisconnect);
  EXPECT_TRUE(form.timersRunning);
  EXPECT_EQ(state.LinkState, TLinkState::Idle) << "until the first line arrives";
  ASSERT_TRUE(ui.ProcessUntil([&] { return manager.TcpClient() != nullptr; }, 1000));
  Tick(2);  // ticks 0 and 1: the query goes out on tick 1
  EXPECT_EQ(device.queries, 1);
  EXPECT_NE(testing::LoopbackServer::Read(peer, 22, 2000).find("$PDBG,099,1"), std::string::npos);
  ASSERT_TRUE(testing::LoopbackServer::SendAll(peer, "$GPZDA,1*00\r\n"));
  ASSERT_TRUE(ui.ProcessUntil([&] { return !clientData.empty(); }, 5000));
  EXPECT_EQ(clientData[0], "$GPZDA,1*00\r\n");
}

TEST_F(WiFiTest, NoAnswerEndsTheLinkWhenTheTickCountReadsSixteen) {
  ConnectWiFi();
  Tick(15);  // ticks 0 to 14
  EXPECT_NE(manager.TcpClient(), nullptr);
  Tick();  // tick 15
  EXPECT_NE(manager.TcpClient(), nullptr);
  Tick();  // the tick count reads 16
  EXPECT_EQ(manager.TcpClient(), nullptr);
  EXPECT_EQ(manager.ConnectEngaged(), 0);
  EXPECT_FALSE(form.pressed);
  EXPECT_TRUE(form.messages.empty()) << "ended without a message";
  EXPECT_TRUE(testing::LoopbackServer::WaitClosed(peer, 5000));

  // The next attempt does not inherit the abort of this one.
  testing::Fd second;
  Connect();
  ASSERT_NE(manager.TcpClient(), nullptr);
  second = server.Accept(5000);
  ASSERT_TRUE(second.valid());
  Tick();
  EXPECT_NE(manager.TcpClient(), nullptr);
  EXPECT_EQ(manager.ConnectEngaged(), 1);
}

TEST_F(WiFiTest, PeerCloseReleasesTheLink) {
  ConnectWiFi();
  peer.Close();
  ASSERT_TRUE(ui.ProcessUntil([&] { return manager.TcpClient() == nullptr; }, 5000));
  EXPECT_EQ(manager.ConnectEngaged(), 0);
  EXPECT_FALSE(form.pressed);
  EXPECT_EQ(form.status, LinkStatus::kDisconnect);
}

// A bridge that drops the connection itself as the receiver restarts: closing finds
// nothing engaged and opens no new connection; the reconnection connects once.
TEST_F(WiFiTest, CloseAfterTheBridgeDroppedOpensNothingAndReconnectConnectsOnce) {
  ConnectWiFi();
  peer.Close();
  ASSERT_TRUE(ui.ProcessUntil([&] { return manager.TcpClient() == nullptr; }, 5000));
  manager.CloseConnection();
  EXPECT_EQ(manager.TcpClient(), nullptr);
  EXPECT_EQ(manager.ConnectEngaged(), 0);
  EXPECT_FALSE(server.Accept(300).valid()) << "no connection is made during the restart";

  EXPECT_TRUE(manager.Reconnect());
  TTCPIPClientThread* client = manager.TcpClient();
  ASSERT_NE(client, nullptr);
  EXPECT_TRUE(form.pressed);
  testing::Fd again = server.Accept(5000);
  ASSERT_TRUE(again.valid());
  EXPECT_TRUE(manager.Reconnect());
  EXPECT_EQ(manager.TcpClient(), client) << "the engaged connection is kept";
  EXPECT_FALSE(server.Accept(300).valid());

  manager.CloseConnection();
  EXPECT_EQ(manager.TcpClient(), nullptr);
  EXPECT_TRUE(testing::LoopbackServer::WaitClosed(again, 5000));
}

TEST_F(WiFiTest, DisconnectClosesTheConnectionAndWriteLineFailsAfterwards) {
  ConnectWiFi();
  static constexpr char kLine[] = "$PDBG,099,0,,,,,,*11\r\n";
  ASSERT_TRUE(ui.ProcessUntil([&] { return manager.WriteLine(kLine, sizeof kLine - 1); }, 5000));
  Connect();
  EXPECT_EQ(manager.TcpClient(), nullptr);
  EXPECT_TRUE(testing::LoopbackServer::WaitClosed(peer, 5000));
  EXPECT_FALSE(manager.WriteLine(kLine, sizeof kLine - 1));
}

// A listener on 127.0.0.1 whose accept queue is full: a new connection attempt to it
// stays unanswered, as a bridge that is still being reached.
class UnansweringListener {
 public:
  UnansweringListener() {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        ::listen(listener_, 0) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
      return;
    }
    port_ = ntohs(address.sin_port);
    // Fill the queue; these connections are never accepted.
    for (int& filler : fillers_) {
      filler = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
      ::connect(filler, reinterpret_cast<sockaddr*>(&address), sizeof address);
    }
    ::usleep(100 * 1000);
  }
  ~UnansweringListener() {
    for (int filler : fillers_) ::close(filler);
    ::close(listener_);
  }
  int Port() const { return port_; }

 private:
  int listener_ = -1;
  int fillers_[3] = {-1, -1, -1};
  int port_ = 0;
};

TEST_F(ConnectionManagerTest, AQueryWhileTheBridgeIsStillBeingReachedKeepsTheAttempt) {
  UnansweringListener bridge;
  ASSERT_GT(bridge.Port(), 0);
  form.wifiPort = std::to_string(bridge.Port());
  StartManager();
  manager.mnuWiFiClick();
  Connect();
  ASSERT_NE(manager.TcpClient(), nullptr);
  if (!manager.TcpClient()->Connecting()) GTEST_SKIP() << "the kernel answered the attempt";
  // Nothing can go out yet: a line is not reported as written, and the supervision
  // keeps its query until the bridge is reached; the attempt goes on.
  static constexpr char kQuery[] = "$PDBG,099,1,,,,,,*10\r\n";
  EXPECT_FALSE(manager.WriteLine(kQuery, sizeof kQuery - 1));
  Tick(2);  // tick 1 would send the query
  EXPECT_EQ(device.queries, 0);
  EXPECT_NE(manager.TcpClient(), nullptr) << "the attempt goes on";
  EXPECT_EQ(manager.ConnectEngaged(), 1);
  EXPECT_TRUE(form.messages.empty());
}

TEST_F(ConnectionManagerTest, ARefusedBridgeSendsNothingAndKeepsTheDeadline) {
  const int port = testing::FreeLoopbackPort();
  ASSERT_GT(port, 0);
  form.wifiPort = std::to_string(port);
  StartManager();
  manager.mnuWiFiClick();
  Connect();
  ASSERT_NE(manager.TcpClient(), nullptr);
  ASSERT_TRUE(ui.ProcessUntil([&] { return manager.TcpClient()->ConnectError() != 0; }, 5000));
  EXPECT_EQ(manager.TcpClient()->ConnectError(), ECONNREFUSED);
  EXPECT_FALSE(manager.TcpClient()->Connecting());
  // Nothing went out, and nothing says so.
  static constexpr char kLine[] = "$PDBG,099,0,,,,,,*11\r\n";
  EXPECT_FALSE(manager.WriteLine(kLine, sizeof kLine - 1));
  Tick(15);  // ticks 0 to 14: no query is sent, the link stays engaged
  EXPECT_EQ(device.queries, 0);
  EXPECT_EQ(manager.ConnectEngaged(), 1);
  EXPECT_TRUE(form.messages.empty());
  Tick(2);  // the tick count reads 16: the deadline ends the link, without a message
  EXPECT_EQ(manager.TcpClient(), nullptr);
  EXPECT_EQ(manager.ConnectEngaged(), 0);
  EXPECT_TRUE(form.messages.empty());
}

// A form that records the hang-up note.
struct HangUpForm : FakeForm {
  std::vector<std::string> hungUp;
  void NotePortHungUp(const std::string& deviceName) override { hungUp.push_back(deviceName); }
};

// The link with the real serial component: the hang-up comes through its event thread.
class HangUpTest : public ::testing::Test {
 protected:
  HangUpTest() {
    device.manager = &manager;
    device.state = &state;
    ports.names.push_back(PortName(pty));
  }
  void Connect() {
    form.pressed = !form.pressed;
    manager.OpenPortClick();
  }

  PseudoTerminal pty;
  EventQueueDispatcher ui;
  TComm serial{ui};
  FakePorts ports;
  HangUpForm form;
  FakeDevice device;
  IdentificationState state;
  ConnectionManager manager{serial, ports,
                            form,   device,
                            state,  [this] { return std::make_unique<TTCPIPClientThread>(ui); },
                            nullptr};
};

TEST_F(HangUpTest, APortThatHangsUpEndsTheLinkWithinOneSecond) {
  ASSERT_TRUE(pty.Valid());
  manager.Start();
  form.portText = ports.names[0];
  Connect();
  ASSERT_TRUE(serial.IsOpen());
  device.Identify();
  manager.TimerConnectionTimer();
  ASSERT_EQ(form.status, LinkStatus::kConnected);

  // The other end goes away; no device-change notice comes. The node stays listed (the
  // test's keeper holds the terminal), as a network serial server's terminal would.
  const auto hungUpAt = std::chrono::steady_clock::now();
  pty.CloseMaster();
  ASSERT_TRUE(ui.ProcessUntil([&] { return !serial.IsOpen(); }, 1000))
      << "still open one second after the hang-up";
  EXPECT_LT(std::chrono::steady_clock::now() - hungUpAt, std::chrono::seconds(1));
  EXPECT_EQ(manager.ConnectEngaged(), 0);
  EXPECT_FALSE(form.pressed);
  EXPECT_FALSE(form.captionDisconnect);
  EXPECT_EQ(form.status, LinkStatus::kDisconnect);
  EXPECT_FALSE(state.DeviceIdentified);
  ASSERT_EQ(form.hungUp.size(), 1u);
  EXPECT_EQ(form.hungUp[0], pty.Path());
  EXPECT_TRUE(form.messages.empty()) << "ended as on the port's removal: no message box";
}

TEST_F(HangUpTest, AChosenPortThatHangsUpWhileIdentifyingEndsTheAttempt) {
  ASSERT_TRUE(pty.Valid());
  manager.Start();
  form.portText = ports.names[0];
  Connect();
  ASSERT_TRUE(serial.IsOpen());
  ASSERT_EQ(state.LinkState, TLinkState::Identifying);
  pty.CloseMaster();
  ASSERT_TRUE(ui.ProcessUntil([&] { return !serial.IsOpen(); }, 1000));
  EXPECT_EQ(manager.ConnectEngaged(), 0);
  EXPECT_FALSE(form.timersRunning);
  ASSERT_EQ(form.hungUp.size(), 1u);
  EXPECT_EQ(form.hungUp[0], pty.Path());
}

// The port the detection is trying hangs up (its terminal's other end closes): it is
// closed within a second, the next port is opened at the next tick, and the rest of the
// attempt skips the port that hung up; the attempt itself goes on.
TEST_F(ConnectionManagerTest, AutoMovesOnFromATriedPortThatHangsUp) {
  AddPorts(3);
  form.autoChecked = true;
  StartManager();
  Connect();
  const std::string a = ptys[0]->Path(), b = ptys[1]->Path(), c = ptys[2]->Path();
  ASSERT_TRUE(serial.IsOpen());
  ASSERT_EQ(serial.DeviceName(), a);
  ptys[0]->CloseMaster();
  ASSERT_TRUE(ui.ProcessUntil([&] { return !serial.IsOpen(); }, 1000))
      << "the port that hung up is still open one second later";
  // The tick after the hang-up opens the next port, then three ticks per port as usual.
  std::vector<std::string> open;
  for (int i = 0; i < 9; ++i) {
    Tick();
    open.push_back(serial.IsOpen() ? serial.DeviceName() : "");
  }
  const std::vector<std::string> expected = {b, b, b, c, c, c, b, b, b};
  EXPECT_EQ(open, expected);
  EXPECT_EQ(manager.ConnectEngaged(), 1) << "the attempt goes on";
  EXPECT_EQ(std::count(device.queriedPorts.begin(), device.queriedPorts.end(), a), 1)
      << "queried once, when it was opened";
  EXPECT_TRUE(form.messages.empty());
  EXPECT_TRUE(form.errors.empty());

  // The next attempt starts again with every port.
  Connect();
  ASSERT_EQ(manager.ConnectEngaged(), 0);
  Connect();
  EXPECT_EQ(form.autoPort, ports.names[0]);
}

TEST_F(ConnectionManagerTest, APortWithoutPermissionNamesTheCauseAndTheFix) {
  test_support::UnpermittedPort port;
  ASSERT_TRUE(port.Valid());
  const std::string name = port.Path().substr(5);
  ports.names.push_back(name);
  StartManager();
  form.portText = name;
  port.AsUnprivileged([&] { Connect(); });
  ASSERT_EQ(form.messages.size(), 1u);
  EXPECT_EQ(form.messages[0], ConnectionMessage::kPortOpenError);
  EXPECT_FALSE(serial.IsOpen());
  EXPECT_EQ(manager.OpenFailureError(), EACCES);
  EXPECT_EQ(manager.OpenFailureText(), "Permission denied: add your user to the group " +
                                           port.GroupName() + ", which owns " + port.Path() +
                                           ", then log in again");
}

TEST_F(ConnectionManagerTest, AnOpenFailureKeepsItsErrnoAndCause) {
  StartManager();
  form.portText = "ttyPELYXNONE0";
  Connect();
  ASSERT_EQ(form.messages.size(), 1u);
  EXPECT_EQ(manager.OpenFailureError(), ENOENT);
  EXPECT_EQ(manager.OpenFailureText(), "") << "nothing to add to a missing port";
}

}  // namespace
}  // namespace pelyx::link
