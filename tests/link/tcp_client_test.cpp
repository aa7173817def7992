#include "link/tcp_client.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "link/ui_dispatcher.h"
#include "tests/link/loopback_server.h"

namespace pelyx::link {
namespace {

using testing::Fd;
using testing::LoopbackServer;
using Clock = std::chrono::steady_clock;

constexpr int kLongMs = 5000;  // generous bound for things that should happen at once

// What one client's handlers saw, all on the user-interface thread.
struct Events {
  std::vector<int32_t> reads;  // the result of the one Receive of each receive notification
  std::string data;
  int closed = 0;
  std::string order;  // 'r' per receive notification, 'c' per closed notification
  bool offUiThread = false;
  bool ownerDisconnected = false;  // set by the test once its Disconnect has returned
  int late = 0;                    // notifications after that
};

std::string Pattern(size_t size) {
  std::string text(size, '\0');
  for (size_t i = 0; i < size; ++i) text[i] = static_cast<char>('A' + (i * 7 + i / 251) % 26);
  return text;
}

// The plain event queue, counting the hand-offs that wait for the user-interface thread.
class CountingDispatcher : public UiDispatcher {
 public:
  explicit CountingDispatcher(EventQueueDispatcher& queue) : queue_(queue) {}

  void RunAndWait(std::function<void()> work) override {
    ++waiting_;
    queue_.RunAndWait(std::move(work));
    --waiting_;
  }
  bool OnUiThread() const override { return queue_.OnUiThread(); }
  void RunPending() override { queue_.RunPending(); }

  int Waiting() const { return waiting_.load(); }

 private:
  EventQueueDispatcher& queue_;
  std::atomic<int> waiting_{0};
};

class TcpClientTest : public ::testing::Test {
 protected:
  void TearDown() override {
    // No client thread may outlive the dispatcher it hands its notifications to.
    EXPECT_TRUE(queue.ProcessUntil([] { return TTCPIPClientThread::RunningCount() == 0; }, 15000));
  }

  // A client whose handlers record into `events`; its receive handler reads once per
  // notification when `read` is set.
  std::unique_ptr<TTCPIPClientThread> MakeClient(Events& events, std::string_view host,
                                                 int32_t port, bool read = true) {
    auto client = std::make_unique<TTCPIPClientThread>(ui, true);
    EXPECT_EQ(client->SetHost(host), static_cast<int32_t>(host.size()));
    client->SetPort(port);
    TTCPIPClientThread* raw = client.get();
    client->SetReceiveHandler([this, raw, &events, read] {
      Record(events, 'r');
      if (!read) return;
      char buffer[TTCPIPClientThread::kReceiveSize];
      const int32_t n = raw->Receive(buffer);
      events.reads.push_back(n);
      if (n > 0) events.data.append(buffer, static_cast<size_t>(n));
    });
    client->SetClosedHandler([this, &events] {
      Record(events, 'c');
      ++events.closed;
    });
    return client;
  }

  std::unique_ptr<TTCPIPClientThread> Connect(Events& events, bool read = true) {
    auto client = MakeClient(events, "127.0.0.1", server.Port(), read);
    client->Start();
    return client;
  }

  void Record(Events& events, char kind) {
    if (!ui.OnUiThread()) events.offUiThread = true;
    if (events.ownerDisconnected) ++events.late;
    events.order.push_back(kind);
  }

  bool PumpUntil(const std::function<bool()>& done, int ms) { return queue.ProcessUntil(done, ms); }
  void Pump(int ms) {
    queue.ProcessUntil([] { return false; }, ms);
  }

  // Waits, without running any handed-off work, until the client's thread has handed
  // off a notification that now waits for the user-interface thread.
  bool WaitForHandOff() {
    const auto end = Clock::now() + std::chrono::milliseconds(kLongMs);
    while (ui.Waiting() == 0) {
      if (Clock::now() > end) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
  }

  EventQueueDispatcher queue;
  CountingDispatcher ui{queue};
  LoopbackServer server;
};

TEST_F(TcpClientTest, NewClientHasNoHostAndNoPort) {
  TTCPIPClientThread client(ui);
  EXPECT_EQ(client.Host(), "");
  EXPECT_EQ(client.Port(), -1);
  client.SetPort(70000);  // stored unchanged; the manager admits only 0..65535
  EXPECT_EQ(client.Port(), 70000);
}

TEST_F(TcpClientTest, SetHostAcceptsOneToNineteenCharacters) {
  struct Row {
    std::string text;
    int32_t result;
  };
  const Row rows[] = {
      {"", -1},
      {"1", 1},
      {"192.168.2.1", 11},
      {"255.255.255.255", 15},
      {std::string(19, 'h'), 19},
      {std::string(20, 'h'), -1},
      {std::string(300, '1'), -1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    TTCPIPClientThread client(ui);
    ASSERT_EQ(client.SetHost("10.0.0.1"), 8);
    EXPECT_EQ(client.SetHost(row.text), row.result);
    EXPECT_EQ(client.Host(), row.result < 0 ? std::string() : row.text);
  }
}

TEST_F(TcpClientTest, ReceivesInReadsOfAtMost512EachWithItsOwnNotification) {
  Events events;
  auto client = Connect(events);
  Fd connection = server.Accept(kLongMs);
  ASSERT_TRUE(connection.valid());
  const std::string sent = Pattern(2000) + "\r\n";
  ASSERT_TRUE(LoopbackServer::SendAll(connection, sent));

  ASSERT_TRUE(PumpUntil([&] { return events.data.size() >= sent.size(); }, kLongMs));
  EXPECT_EQ(events.data, sent);
  EXPECT_GE(events.reads.size(), 4u);  // 2002 bytes in reads of at most 512
  for (int32_t n : events.reads) {
    EXPECT_GT(n, 0);  // every notification found data
    EXPECT_LE(n, 512);
  }
  EXPECT_EQ(events.order, std::string(events.reads.size(), 'r'));
  EXPECT_FALSE(events.offUiThread);
  EXPECT_EQ(events.closed, 0);
}

TEST_F(TcpClientTest, AddressThatIsNotDottedDecimalNeverConnectsAndRaisesNothing) {
  enum class Port { kServer, kServerPlus65536 };
  struct Row {
    const char* host;
    Port port;
  };
  // Each of these would reach the server if read loosely (a name lookup, the short or
  // hexadecimal forms, a port cut to 16 bits).
  const Row rows[] = {
      {"localhost", Port::kServer},          {"127.1", Port::kServer},
      {"0x7f.0.0.1", Port::kServer},         {"127.0.0.1 ", Port::kServer},
      {"127.0.0.1", Port::kServerPlus65536},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.host);
    Events events;
    const int32_t port =
        server.Port() + (row.port == Port::kServerPlus65536 ? int32_t{65536} : int32_t{0});
    auto client = MakeClient(events, row.host, port);
    client->Start();
    Pump(300);
    Fd connection = server.Accept(0);
    EXPECT_FALSE(connection.valid());
    EXPECT_EQ(events.order, "");

    const auto start = Clock::now();
    client->Disconnect();
    client.reset();
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(2));  // not the 10 s wait
    EXPECT_EQ(events.order, "c");                              // the owner's Disconnect raises it
  }
}

TEST_F(TcpClientTest, AFailedConnectionIsKnownAtOnceAndRaisesNothing) {
  // A loopback port where nothing listens: bound once to learn it, then freed.
  int freePort = 0;
  {
    LoopbackServer probe;
    freePort = probe.Port();
  }
  struct Row {
    const char* name;
    const char* host;
    int port;
    int error;
  };
  const Row rows[] = {
      // Refused once the attempt is under way.
      {"refused", "127.0.0.1", freePort, ECONNREFUSED},
      // The loopback network's broadcast address: connect() itself fails, and nothing
      // leaves the machine.
      {"unreachable at once", "127.255.255.255", freePort, ENETUNREACH},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Events events;
    auto client = MakeClient(events, row.host, row.port);
    EXPECT_EQ(client->ConnectError(), 0) << "nothing known before the attempt";
    client->Start();
    ASSERT_TRUE(PumpUntil([&] { return client->ConnectError() != 0; }, kLongMs));
    EXPECT_EQ(client->ConnectError(), row.error);
    EXPECT_FALSE(client->Connecting());
    // Nothing can be sent, and the client says so without ending: the owner decides.
    static constexpr char kLine[] = "$PDBG,099,1,,,,,,*10\r\n";
    EXPECT_FALSE(client->Send(kLine, sizeof kLine - 1));
    Pump(100);
    EXPECT_EQ(events.order, "") << "a failed attempt raises no handler";
    client->Disconnect();
    EXPECT_EQ(events.order, "c");
  }
}

TEST_F(TcpClientTest, AConnectedClientHasNoConnectError) {
  Events events;
  auto client = Connect(events);
  Fd peer = server.Accept(kLongMs);
  ASSERT_TRUE(peer.valid());
  ASSERT_TRUE(PumpUntil([&] { return !client->Connecting(); }, kLongMs));
  EXPECT_EQ(client->ConnectError(), 0);
  static constexpr char kLine[] = "$PDBG,099,1,,,,,,*10\r\n";
  EXPECT_TRUE(client->Send(kLine, sizeof kLine - 1));
  EXPECT_EQ(LoopbackServer::Read(peer, sizeof kLine - 1, kLongMs), kLine);
  client->Disconnect();
}

TEST_F(TcpClientTest, PeerCloseRaisesClosedOnceAfterTheData) {
  struct Row {
    const char* name;
    std::string data;
    bool reset;
  };
  const Row rows[] = {
      {"orderly close", "$PTSK,R,TXT,PROD. INFO. END\r\n", false},
      {"orderly close, long data", Pattern(1500), false},
      {"reset", "", true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Events events;
    auto client = Connect(events);
    Fd connection = server.Accept(kLongMs);
    ASSERT_TRUE(connection.valid());
    ASSERT_TRUE(LoopbackServer::SendAll(connection, row.data));
    if (row.reset) {
      LoopbackServer::Reset(connection);
    } else {
      connection.Close();
    }

    ASSERT_TRUE(PumpUntil([&] { return events.closed > 0; }, kLongMs));
    Pump(200);
    EXPECT_EQ(events.closed, 1);
    EXPECT_EQ(events.data, row.data);
    ASSERT_FALSE(events.order.empty());
    EXPECT_EQ(events.order.find('c'), events.order.size() - 1);  // last, and only once
    EXPECT_FALSE(events.offUiThread);

    char buffer[TTCPIPClientThread::kReceiveSize];
    EXPECT_FALSE(client->Send("x", 1));
    EXPECT_EQ(client->Receive(buffer), -1);
    client->Disconnect();  // a second Disconnect does nothing more
    EXPECT_EQ(events.closed, 1);
  }
}

TEST_F(TcpClientTest, SendOfNothingReturnsFalseAndSendsNothing) {
  Events events;
  auto client = Connect(events);
  Fd connection = server.Accept(kLongMs);
  ASSERT_TRUE(connection.valid());

  struct Row {
    const char* bytes;
    int32_t n;
  };
  const Row rows[] = {{"abc", 0}, {"abc", -1}, {"abc", INT32_MIN}, {nullptr, 3}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.n);
    EXPECT_FALSE(client->Send(row.bytes, row.n));
  }
  EXPECT_TRUE(client->Send("z", 1));
  EXPECT_EQ(LoopbackServer::Read(connection, 2, 300), "z");  // nothing before it
  EXPECT_EQ(events.closed, 0);                               // refused sends do not end the link
}

TEST_F(TcpClientTest, LargeSendArrivesWhole) {
  // A small receive window keeps the client's socket full, so the send has to wait.
  LoopbackServer slowServer(4096);
  Events events;
  auto client = MakeClient(events, "127.0.0.1", slowServer.Port());
  client->Start();
  Fd connection = slowServer.Accept(kLongMs);
  ASSERT_TRUE(connection.valid());

  const std::string payload = Pattern(8 << 20);
  std::string received;
  std::thread reader([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    received = LoopbackServer::Read(connection, payload.size(), 60000);
  });
  const bool sent = client->Send(payload.data(), static_cast<int32_t>(payload.size()));
  reader.join();
  EXPECT_TRUE(sent);
  EXPECT_EQ(received.size(), payload.size());
  EXPECT_TRUE(received == payload);
  EXPECT_EQ(events.closed, 0);
}

TEST_F(TcpClientTest, ReceiveWithNothingWaitingKeepsTheLink) {
  Events events;
  auto client = Connect(events);
  Fd connection = server.Accept(kLongMs);
  ASSERT_TRUE(connection.valid());
  char buffer[TTCPIPClientThread::kReceiveSize];
  EXPECT_EQ(client->Receive(buffer), -1);
  EXPECT_TRUE(client->Send("q\r\n", 3));
  EXPECT_EQ(LoopbackServer::Read(connection, 3, kLongMs), "q\r\n");
  EXPECT_EQ(events.closed, 0);
}

TEST_F(TcpClientTest, NextNotificationWaitsUntilTheOwnerHasRead) {
  Events events;
  auto client = Connect(events, /*read=*/false);
  Fd connection = server.Accept(kLongMs);
  ASSERT_TRUE(connection.valid());
  ASSERT_TRUE(LoopbackServer::SendAll(connection, std::string(100, 'a')));
  ASSERT_TRUE(PumpUntil([&] { return events.order.size() == 1; }, kLongMs));
  Pump(300);
  EXPECT_EQ(events.order, "r");  // unread data does not raise notification after notification

  char buffer[TTCPIPClientThread::kReceiveSize];
  EXPECT_EQ(client->Receive(buffer), 100);
  ASSERT_TRUE(LoopbackServer::SendAll(connection, std::string(10, 'b')));
  EXPECT_TRUE(PumpUntil([&] { return events.order.size() == 2; }, kLongMs));
  EXPECT_EQ(client->Receive(buffer), 10);
  EXPECT_EQ(events.closed, 0);
}

TEST_F(TcpClientTest, DisconnectClosesAtOnceAndEndsTheThreadPromptly) {
  Events events;
  auto client = Connect(events);
  Fd connection = server.Accept(kLongMs);
  ASSERT_TRUE(connection.valid());
  Pump(100);  // the thread is now in its 10 s wait

  const auto start = Clock::now();
  client->Disconnect();
  EXPECT_EQ(events.order, "c");  // raised before Disconnect returned
  client->Disconnect();
  EXPECT_EQ(events.closed, 1);
  char buffer[TTCPIPClientThread::kReceiveSize];
  EXPECT_FALSE(client->Send("x", 1));
  EXPECT_EQ(client->Receive(buffer), -1);
  client.reset();
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(2));
  EXPECT_EQ(TTCPIPClientThread::RunningCount(), 0);
  EXPECT_TRUE(LoopbackServer::WaitClosed(connection, kLongMs));  // and nothing was sent
}

TEST_F(TcpClientTest, NoHandlerRunsAfterDisconnectReturns) {
  // The client's thread has handed off a notification that the user-interface thread
  // has not run yet when the owner disconnects.
  struct Row {
    const char* name;
    bool peerCloses;  // else the peer sends data
  };
  const Row rows[] = {{"receive notification waiting", false},
                      {"closed notification waiting", true}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Events events;
    auto client = Connect(events);
    Fd connection = server.Accept(kLongMs);
    ASSERT_TRUE(connection.valid());
    if (row.peerCloses) {
      connection.Close();
    } else {
      ASSERT_TRUE(LoopbackServer::SendAll(connection, "$PTSK,R,TXT,FW VER\r\n"));
    }
    ASSERT_TRUE(WaitForHandOff());

    client->Disconnect();
    EXPECT_EQ(events.order, "c");  // raised by the owner's Disconnect, before it returned
    events.ownerDisconnected = true;
    ASSERT_TRUE(PumpUntil([&] { return ui.Waiting() == 0; }, kLongMs));
    Pump(50);
    EXPECT_EQ(events.late, 0);
    EXPECT_EQ(events.order, "c");
  }
}

TEST_F(TcpClientTest, ClosedIsRaisedOnceWhenPeerAndOwnerEndTogether) {
  for (int i = 0; i < 30; ++i) {
    SCOPED_TRACE(i);
    Events events;
    auto client = Connect(events);
    Fd connection = server.Accept(kLongMs);
    ASSERT_TRUE(connection.valid());
    std::thread closer([&] {
      if (i % 2 == 1) std::this_thread::sleep_for(std::chrono::microseconds(200 * (i % 7)));
      connection.Close();
    });
    queue.ProcessEvents(i % 3);
    client->Disconnect();
    events.ownerDisconnected = true;
    closer.join();
    Pump(30);
    EXPECT_EQ(events.closed, 1);
    EXPECT_EQ(events.late, 0);
  }
}

TEST_F(TcpClientTest, OwnerMayDestroyTheClientInItsHandlers) {
  enum class Trigger { kPeerClose, kOwnerDisconnect, kData };
  struct Row {
    const char* name;
    Trigger trigger;
    int closed;  // closed notifications expected
  };
  const Row rows[] = {
      {"closed handler, peer closed", Trigger::kPeerClose, 1},
      {"closed handler, owner's Disconnect", Trigger::kOwnerDisconnect, 1},
      {"receive handler", Trigger::kData, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    int closed = 0;
    auto client = std::make_unique<TTCPIPClientThread>(ui);
    client->SetHost("127.0.0.1");
    client->SetPort(server.Port());
    client->SetReceiveHandler([&] { client.reset(); });
    client->SetClosedHandler([&] {
      ++closed;
      client.reset();  // as the connection manager drops its reference
    });
    client->Start();
    Fd connection = server.Accept(kLongMs);
    ASSERT_TRUE(connection.valid());
    switch (row.trigger) {
      case Trigger::kPeerClose:
        connection.Close();
        break;
      case Trigger::kOwnerDisconnect:
        client->Disconnect();
        break;
      case Trigger::kData:
        ASSERT_TRUE(LoopbackServer::SendAll(connection, "!AIVDM\r\n"));
        break;
    }
    ASSERT_TRUE(PumpUntil([&] { return client == nullptr; }, kLongMs));
    EXPECT_TRUE(PumpUntil([] { return TTCPIPClientThread::RunningCount() == 0; }, kLongMs));
    EXPECT_EQ(closed, row.closed);
    if (connection.valid()) {
      EXPECT_TRUE(LoopbackServer::WaitClosed(connection, kLongMs));
    }
  }
}

TEST_F(TcpClientTest, DisconnectThenANewClientAtOnce) {
  for (int i = 0; i < 20; ++i) {
    SCOPED_TRACE(i);
    Events oldEvents, newEvents;
    auto old = Connect(oldEvents);
    Fd oldConnection = server.Accept(kLongMs);
    ASSERT_TRUE(oldConnection.valid());

    old->Disconnect();
    auto fresh = Connect(newEvents);
    Fd freshConnection = server.Accept(kLongMs);
    ASSERT_TRUE(freshConnection.valid());
    const std::string line = "$PTSK,R,TXT,LINE " + std::to_string(i) + "\r\n";
    ASSERT_TRUE(LoopbackServer::SendAll(freshConnection, line));
    if (i % 2 == 0) old.reset();  // the ending client goes while the new one runs
    EXPECT_TRUE(LoopbackServer::WaitClosed(oldConnection, kLongMs));

    const std::string command = "$PTSK,DBG," + std::to_string(i) + "\r\n";
    EXPECT_TRUE(fresh->Send(command.data(), static_cast<int32_t>(command.size())));
    EXPECT_EQ(LoopbackServer::Read(freshConnection, command.size(), kLongMs), command);
    EXPECT_TRUE(PumpUntil([&] { return newEvents.data == line; }, kLongMs));
    old.reset();
    Pump(10);
    EXPECT_EQ(newEvents.closed, 0);
    EXPECT_EQ(oldEvents.order, "c");
    EXPECT_TRUE(fresh->Send("ok\r\n", 4));
    EXPECT_EQ(LoopbackServer::Read(freshConnection, 4, kLongMs), "ok\r\n");
  }
}

}  // namespace
}  // namespace pelyx::link
