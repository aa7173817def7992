// The simulated receiver end to end over a real pseudo-terminal and over a loopback TCP
// connection. Every wait is bounded.
#include "tools/sim/host.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>

#include "config/receiver_protocol.h"
#include "sim_test_support.h"
#include "tools/sim/receiver.h"

namespace pelyx::sim {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr int kWaitMs = 5000;

// A receiver and its host, served on a thread of their own.
class Served {
 public:
  Served(ReceiverConfig config, HostOptions options, Millis runFor = 30'000)
      : receiver_(std::move(config)), host_(receiver_, std::move(options)) {
    std::string error;
    opened_ = host_.Open(error);
    EXPECT_TRUE(opened_) << error;
    if (opened_) thread_ = std::thread([this, runFor] { host_.Run(runFor); });
  }
  ~Served() { Stop(); }

  void Stop() {
    host_.RequestStop();
    if (thread_.joinable()) thread_.join();
  }
  Host& host() { return host_; }
  const Receiver& receiver() const { return receiver_; }
  bool opened() const { return opened_; }

 private:
  Receiver receiver_;
  Host host_;
  std::thread thread_;
  bool opened_ = false;
};

class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  ~Fd() { reset(); }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  void reset(int fd = -1) {
    if (fd_ >= 0) close(fd_);
    fd_ = fd;
  }
  int get() const { return fd_; }

 private:
  int fd_;
};

// Reads until `text` has arrived (true), the other side closed or the wait ran out.
// `received` collects everything read.
bool ReadUntil(int fd, const std::string& text, std::string& received, int waitMs = kWaitMs,
               bool* closed = nullptr) {
  const auto deadline = Clock::now() + milliseconds(waitMs);
  if (closed != nullptr) *closed = false;
  while (received.find(text) == std::string::npos) {
    const auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return false;
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(left)) <= 0) continue;
    char buffer[4096];
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n > 0) {
      received.append(buffer, static_cast<size_t>(n));
    } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
      if (closed != nullptr) *closed = true;
      return false;
    }
  }
  return true;
}

bool WriteAll(int fd, const std::string& text) {
  size_t done = 0;
  const auto deadline = Clock::now() + milliseconds(kWaitMs);
  while (done < text.size() && Clock::now() < deadline) {
    const ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n > 0) done += static_cast<size_t>(n);
  }
  return done == text.size();
}

int ConnectLoopback(int port) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<uint16_t>(port));
  if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    close(fd);
    return -1;
  }
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
  return fd;
}

int OpenDevice(const std::string& path) {
  return open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
}

// Seconds of the day of the first GGA in `text` at or after `from`, -1 when none.
int GgaSecondOfDay(const std::string& text, size_t from = 0) {
  const size_t at = text.find("$GPGGA,", from);
  if (at == std::string::npos || at + 13 > text.size()) return -1;
  const std::string hhmmss = text.substr(at + 7, 6);
  return std::stoi(hhmmss.substr(0, 2)) * 3600 + std::stoi(hhmmss.substr(2, 2)) * 60 +
         std::stoi(hhmmss.substr(4, 2));
}

std::string TempLinkPath() {
  return "/tmp/pelyx-sim-test-" + std::to_string(getpid()) + "-" +
         ::testing::UnitTest::GetInstance()->current_test_info()->name();
}

ReceiverConfig FastRestart() {
  ReceiverConfig config = DefaultReceiverConfig();
  config.restartTime = 700;
  return config;
}

// The dialogue over one link: identification, the listing, the stream, the baud-rate
// setting with its restart silence and the new rates.
void HoldDialogue(int fd) {
  std::string received;
  ASSERT_TRUE(WriteAll(fd, test::DbgCommand({{config::kDbgProductInfo, 1}})));
  ASSERT_TRUE(ReadUntil(fd, config::StaticDataEndLine(), received)) << received;
  EXPECT_NE(received.find(config::ProductInfoEndLine()), std::string::npos);
  EXPECT_NE(received.find(config::RxBaudRateLine(38400)), std::string::npos);
  received.clear();
  ASSERT_TRUE(ReadUntil(fd, "$GPGGA,", received)) << received;

  received.clear();
  ASSERT_TRUE(
      WriteAll(fd, test::DbgCommand({{config::kDbgNmeaInBaud, 5}, {config::kDbgNmeaOutBaud, 4}})));
  ASSERT_TRUE(ReadUntil(fd, config::SystemRestartLine(), received)) << received;
  ASSERT_TRUE(ReadUntil(fd, config::TxBaudRateLine(9600), received)) << received;
  // Nothing between the announcement and the report that ends the silence.
  const size_t restart = received.find(config::SystemRestartLine());
  const std::string firmware = std::string(config::kTextPrefix) + config::kFirmwareMarker;
  EXPECT_EQ(
      received.compare(restart + config::SystemRestartLine().size(), firmware.size(), firmware), 0)
      << received.substr(restart);
  EXPECT_NE(received.find(config::RxBaudRateLine(4800), restart), std::string::npos);
}

TEST(Host, PseudoTerminalCarriesTheDialogue) {
  HostOptions options;
  options.pty = true;
  options.ptyLink = TempLinkPath();
  {
    Served served(FastRestart(), options);
    ASSERT_TRUE(served.opened());
    const std::string path = served.host().PtyPath();
    ASSERT_EQ(path.rfind("/dev/pts/", 0), 0u) << path;
    char target[256] = {};
    ASSERT_GT(readlink(options.ptyLink.c_str(), target, sizeof target - 1), 0);
    EXPECT_EQ(std::string(target), path);

    Fd device(OpenDevice(options.ptyLink));
    ASSERT_GE(device.get(), 0);
    HoldDialogue(device.get());
    served.Stop();
    EXPECT_EQ(served.receiver().Counters().restarts, 1);
    EXPECT_EQ(served.receiver().Device().nmeaInBaud, 4800);
  }
  struct stat st {};
  EXPECT_NE(lstat(options.ptyLink.c_str(), &st), 0) << "the link outlived the simulator";
}

TEST(Host, PseudoTerminalDropsWhatNobodyReads) {
  HostOptions options;
  options.pty = true;
  Served served(DefaultReceiverConfig(), options);
  ASSERT_TRUE(served.opened());
  Fd device(OpenDevice(served.host().PtyPath()));
  ASSERT_GE(device.get(), 0);
  std::string received;
  ASSERT_TRUE(ReadUntil(device.get(), "$GPGGA,", received));
  ASSERT_TRUE(ReadUntil(device.get(), "\r\n", received));
  const int before = GgaSecondOfDay(received);
  device.reset();
  std::this_thread::sleep_for(milliseconds(2500));
  device.reset(OpenDevice(served.host().PtyPath()));
  ASSERT_GE(device.get(), 0);
  received.clear();
  ASSERT_TRUE(ReadUntil(device.get(), "$GPGGA,", received));
  ASSERT_TRUE(ReadUntil(device.get(), "\r\n", received));
  // Two seconds went by unread; the first fix then is new, not left over.
  const int after = GgaSecondOfDay(received);
  EXPECT_GE((after - before + 86400) % 86400, 2) << received;
}

TEST(Host, TcpServesEachConnection) {
  HostOptions options;
  options.tcp = true;
  Served served(FastRestart(), options);
  ASSERT_TRUE(served.opened());
  ASSERT_GT(served.host().TcpPort(), 0);
  Fd first(ConnectLoopback(served.host().TcpPort()));
  Fd second(ConnectLoopback(served.host().TcpPort()));
  ASSERT_GE(first.get(), 0);
  ASSERT_GE(second.get(), 0);
  std::string onSecond;
  ASSERT_TRUE(ReadUntil(second.get(), "$GPGGA,", onSecond));
  HoldDialogue(first.get());
  // The receiver has one output: the other connection heard the answers too.
  ASSERT_TRUE(ReadUntil(second.get(), config::TxBaudRateLine(9600), onSecond)) << onSecond;
  EXPECT_NE(onSecond.find(config::ProductInfoEndLine()), std::string::npos);
  served.Stop();
  EXPECT_EQ(served.host().ConnectionsAccepted(), 2);
}

TEST(Host, TcpConnectionClosesAfterTheGivenTime) {
  HostOptions options;
  options.tcp = true;
  options.closeAfter = 1500;  // every window holds a whole-second burst
  Served served(DefaultReceiverConfig(), options);
  ASSERT_TRUE(served.opened());
  for (int round = 0; round < 2; ++round) {
    const auto start = Clock::now();
    Fd link(ConnectLoopback(served.host().TcpPort()));
    ASSERT_GE(link.get(), 0);
    std::string received;
    bool closed = false;
    EXPECT_FALSE(ReadUntil(link.get(), "never sent", received, kWaitMs, &closed));
    EXPECT_TRUE(closed);
    const auto elapsed = std::chrono::duration_cast<milliseconds>(Clock::now() - start).count();
    EXPECT_GE(elapsed, 1400) << round;
    EXPECT_LT(elapsed, 4000) << round;
    EXPECT_NE(received.find("$GPGGA,"), std::string::npos) << round;
  }
}

// A bridge that drops its connections as the receiver restarts: the announcement
// arrives, then the connection closes; a connection made afterwards is served.
TEST(Host, TcpConnectionClosesRightAfterTheRestartAnnouncement) {
  for (bool closeOnRestart : {false, true}) {
    SCOPED_TRACE(closeOnRestart ? "closing" : "not closing");
    HostOptions options;
    options.tcp = true;
    options.closeOnRestart = closeOnRestart;
    Served served(FastRestart(), options);
    ASSERT_TRUE(served.opened());
    Fd link(ConnectLoopback(served.host().TcpPort()));
    ASSERT_GE(link.get(), 0);
    std::string received;
    ASSERT_TRUE(ReadUntil(link.get(), "$GPGGA,", received));
    ASSERT_TRUE(WriteAll(
        link.get(), test::DbgCommand({{config::kDbgNmeaInBaud, 5}, {config::kDbgNmeaOutBaud, 4}})));
    received.clear();
    bool closed = false;
    const bool reported =
        ReadUntil(link.get(), config::TxBaudRateLine(9600), received, kWaitMs, &closed);
    EXPECT_NE(received.find(config::SystemRestartLine()), std::string::npos) << received;
    EXPECT_EQ(closed, closeOnRestart) << received;
    EXPECT_EQ(reported, !closeOnRestart) << received;
    if (closeOnRestart) {
      EXPECT_EQ(received.substr(received.size() - config::SystemRestartLine().size()),
                config::SystemRestartLine())
          << "the announcement is the last line before the close";
      Fd again(ConnectLoopback(served.host().TcpPort()));
      ASSERT_GE(again.get(), 0);
      std::string later;
      EXPECT_TRUE(ReadUntil(again.get(), config::TxBaudRateLine(9600), later)) << later;
    }
  }
}

// A receiver on USB that restarts: its device goes away right after the announcement
// and comes back as a new pseudo-terminal behind the same link, where the receiver
// answers with its new rates.
TEST(Host, PseudoTerminalHangsUpOnRestartAndComesBackBehindItsLink) {
  HostOptions options;
  options.pty = true;
  options.ptyLink = TempLinkPath();
  options.closeOnRestart = true;
  Served served(FastRestart(), options);
  ASSERT_TRUE(served.opened());
  Fd device(OpenDevice(options.ptyLink));
  ASSERT_GE(device.get(), 0);
  std::string received;
  ASSERT_TRUE(ReadUntil(device.get(), "$GPGGA,", received));
  ASSERT_TRUE(WriteAll(
      device.get(), test::DbgCommand({{config::kDbgNmeaInBaud, 5}, {config::kDbgNmeaOutBaud, 4}})));
  bool closed = false;
  EXPECT_FALSE(ReadUntil(device.get(), "never sent", received, kWaitMs, &closed));
  EXPECT_TRUE(closed) << "the terminal hung up on the restart";
  device.reset();

  // The link, removed before the hang-up, leads to the new terminal once it is there
  // (which may have the old one's number again).
  const auto deadline = Clock::now() + milliseconds(kWaitMs);
  struct stat st {};
  while (lstat(options.ptyLink.c_str(), &st) != 0 && Clock::now() < deadline) {
    std::this_thread::sleep_for(milliseconds(10));
  }
  ASSERT_EQ(lstat(options.ptyLink.c_str(), &st), 0) << "no terminal after the restart";
  device.reset(OpenDevice(options.ptyLink));
  ASSERT_GE(device.get(), 0);
  received.clear();
  ASSERT_TRUE(ReadUntil(device.get(), "$GPGGA,", received)) << "streams after the restart";
  ASSERT_TRUE(WriteAll(device.get(), test::DbgCommand({{config::kDbgProductInfo, 1}})));
  EXPECT_TRUE(ReadUntil(device.get(), config::TxBaudRateLine(9600), received)) << received;
  EXPECT_NE(received.find(config::RxBaudRateLine(4800)), std::string::npos);
  served.Stop();
  EXPECT_EQ(served.receiver().Counters().restarts, 1);
}

TEST(Host, PseudoTerminalClosesAfterTheGivenTime) {
  HostOptions options;
  options.pty = true;
  options.ptyLink = TempLinkPath();
  options.closeAfter = 2500;  // from switch-on: the bursts at 1 s and 2 s come through
  Served served(DefaultReceiverConfig(), options);
  ASSERT_TRUE(served.opened());
  const auto start = Clock::now();
  Fd device(OpenDevice(options.ptyLink));
  ASSERT_GE(device.get(), 0);
  std::string received;
  bool closed = false;
  EXPECT_FALSE(ReadUntil(device.get(), "never sent", received, kWaitMs, &closed));
  EXPECT_TRUE(closed);
  const auto elapsed = std::chrono::duration_cast<milliseconds>(Clock::now() - start).count();
  EXPECT_GE(elapsed, 2000);
  EXPECT_LT(elapsed, 4500);
  EXPECT_NE(received.find("$GPGGA,"), std::string::npos);
  struct stat st {};
  EXPECT_NE(lstat(options.ptyLink.c_str(), &st), 0) << "the link outlived the device";
}

TEST(Host, PseudoTerminalHangsUpOnTheNthRequest) {
  HostOptions options;
  options.pty = true;
  options.hangUpOnRequest = 2;
  options.tcp = true;  // keeps the host running once the terminal is gone
  Served served(DefaultReceiverConfig(), options);
  ASSERT_TRUE(served.opened());
  Fd device(OpenDevice(served.host().PtyPath()));
  ASSERT_GE(device.get(), 0);
  const std::string query = test::DbgCommand({{config::kDbgProductInfo, 1}});
  // The first request is answered.
  ASSERT_TRUE(WriteAll(device.get(), query));
  std::string received;
  ASSERT_TRUE(ReadUntil(device.get(), config::ProductInfoEndLine(), received)) << received;
  // The second hangs the terminal up before its answer.
  received.clear();
  ASSERT_TRUE(WriteAll(device.get(), query));
  bool closed = false;
  EXPECT_FALSE(ReadUntil(device.get(), config::ProductInfoEndLine(), received, kWaitMs, &closed));
  EXPECT_TRUE(closed) << "the terminal hung up";
  served.Stop();
  EXPECT_EQ(served.receiver().Counters().productInfoRequests, 2);
  EXPECT_EQ(served.receiver().Counters().answers, 2) << "answered inside, never sent";
}

TEST(Host, RunEndsAfterItsDuration) {
  HostOptions options;
  options.tcp = true;
  Receiver receiver(DefaultReceiverConfig());
  Host host(receiver, options);
  std::string error;
  ASSERT_TRUE(host.Open(error)) << error;
  const auto start = Clock::now();
  host.Run(300);
  const auto elapsed = std::chrono::duration_cast<milliseconds>(Clock::now() - start).count();
  EXPECT_GE(elapsed, 290);
  EXPECT_LT(elapsed, 2000);
}

TEST(Host, RefusesAPortInUse) {
  HostOptions options;
  options.tcp = true;
  Receiver receiver(DefaultReceiverConfig());
  Host first(receiver, options);
  std::string error;
  ASSERT_TRUE(first.Open(error)) << error;
  options.tcpPort = first.TcpPort();
  Host second(receiver, options);
  EXPECT_FALSE(second.Open(error));
  EXPECT_NE(error.find("127.0.0.1"), std::string::npos) << error;
}

}  // namespace
}  // namespace pelyx::sim
