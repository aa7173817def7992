// The hand-off from worker threads to the window's thread, and the application's
// handling of exceptions that escape a handler.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTimer>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <stdexcept>
#include <thread>

#include "app/qt_ui_dispatcher.h"
#include "app/startup.h"
#include "link/tcp_client.h"

namespace pelyx::app {
namespace {

// Runs the event loop until `done` or `ms` milliseconds pass; true when done.
bool ProcessUntil(const std::function<bool()>& done, int ms = 5000) {
  QDeadlineTimer deadline(ms);
  while (!done()) {
    if (deadline.hasExpired()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  return true;
}

TEST(QtUiDispatcher, RunsWorkOnTheWindowsThreadAndWaitsForIt) {
  QtUiDispatcher ui;
  const auto uiThread = std::this_thread::get_id();
  std::atomic<int> returned{0};
  std::vector<std::thread::id> ranOn;
  std::vector<int> order;
  std::thread worker([&] {
    for (int i = 0; i < 5; ++i) {
      ui.RunAndWait([&, i] {
        ranOn.push_back(std::this_thread::get_id());
        order.push_back(i);
      });
      EXPECT_EQ(static_cast<int>(order.size()), i + 1);  // it has run when the call returns
      EXPECT_FALSE(ui.OnUiThread());
      returned = i + 1;
    }
  });
  EXPECT_TRUE(ProcessUntil([&] { return returned == 5; }));
  worker.join();
  ASSERT_EQ(ranOn.size(), 5u);
  for (auto id : ranOn) EXPECT_EQ(id, uiThread);
  EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4}));
}

TEST(QtUiDispatcher, WorkFromTheWindowsThreadRunsAtOnce) {
  QtUiDispatcher ui;
  EXPECT_TRUE(ui.OnUiThread());
  bool ran = false;
  ui.RunAndWait([&] { ran = true; });
  EXPECT_TRUE(ran);
}

TEST(QtUiDispatcher, RunPendingReleasesABlockedWorkerWithoutTheEventLoop) {
  QtUiDispatcher ui;
  std::atomic<bool> posted{false};
  std::atomic<bool> released{false};
  bool ran = false;
  std::thread worker([&] {
    posted = true;
    ui.RunAndWait([&] { ran = true; });
    released = true;
  });
  while (!posted) std::this_thread::yield();
  // Give the worker time to post; then run only the hand-offs.
  QDeadlineTimer deadline(5000);
  while (!released && !deadline.hasExpired()) {
    ui.RunPending();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  worker.join();
  EXPECT_TRUE(released);
  EXPECT_TRUE(ran);
}

TEST(QtUiDispatcher, DestroyingTheDispatcherReleasesWaitingWorkers) {
  auto ui = std::make_unique<QtUiDispatcher>();
  std::atomic<bool> released{false};
  bool ran = false;
  std::thread worker([&] {
    ui->RunAndWait([&] { ran = true; });
    released = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(released);
  ui.reset();  // the posted work is dropped unrun
  worker.join();
  EXPECT_TRUE(released);
  EXPECT_FALSE(ran);
}

TEST(QtUiDispatcher, WorkThatThrowsReleasesItsWorkerAndTheApplicationReportsIt) {
  auto* application = qobject_cast<TApplication*>(QCoreApplication::instance());
  ASSERT_NE(application, nullptr);
  std::vector<std::string> reported;
  application->SetExceptionReporter([&](const char* message) { reported.push_back(message); });
  QtUiDispatcher ui;
  std::atomic<bool> released{false};
  int after = 0;
  std::thread worker([&] {
    ui.RunAndWait([] { throw std::runtime_error("work failed"); });
    ui.RunAndWait([&] { after = 1; });
    released = true;
  });
  EXPECT_TRUE(ProcessUntil([&] { return released.load(); }));
  worker.join();
  EXPECT_EQ(after, 1);
  EXPECT_EQ(reported, std::vector<std::string>{"work failed"});
  application->SetExceptionReporter(nullptr);
}

// The TCP client hands its events to the window's thread through the dispatcher.
TEST(QtUiDispatcher, CarriesTheTcpClientsEvents) {
  const int listener = socket(AF_INET, SOCK_STREAM, 0);
  ASSERT_GE(listener, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(listen(listener, 1), 0);
  socklen_t length = sizeof address;
  ASSERT_EQ(getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length), 0);

  QtUiDispatcher ui;
  const auto uiThread = std::this_thread::get_id();
  auto client = std::make_unique<link::TTCPIPClientThread>(ui);
  std::string received;
  bool receivedOnUi = true;
  bool closed = false;
  client->SetHost("127.0.0.1");
  client->SetPort(ntohs(address.sin_port));
  client->SetReceiveHandler([&] {
    receivedOnUi = receivedOnUi && std::this_thread::get_id() == uiThread;
    char buffer[link::TTCPIPClientThread::kReceiveSize];
    int32_t n = client->Receive(buffer);
    if (n > 0) received.append(buffer, static_cast<size_t>(n));
  });
  client->SetClosedHandler([&] { closed = true; });
  client->Start();

  const int peer = accept(listener, nullptr, nullptr);
  ASSERT_GE(peer, 0);
  const char line[] = "$PTSK,R,TXT,PROD. INFO. END*00\r\n";
  ASSERT_EQ(send(peer, line, sizeof line - 1, 0), static_cast<ssize_t>(sizeof line - 1));
  EXPECT_TRUE(ProcessUntil([&] { return received.size() >= sizeof line - 1; }));
  EXPECT_EQ(received, line);
  EXPECT_TRUE(receivedOnUi);

  close(peer);
  EXPECT_TRUE(ProcessUntil([&] { return closed; }));
  client.reset();
  close(listener);
}

TEST(TApplication, AnExceptionInAHandlerIsReportedAndTheLoopGoesOn) {
  auto* application = qobject_cast<TApplication*>(QCoreApplication::instance());
  ASSERT_NE(application, nullptr);
  std::vector<std::string> reported;
  application->SetExceptionReporter([&](const char* message) { reported.push_back(message); });
  bool later = false;
  QTimer::singleShot(0,
                     [] { throw std::runtime_error("Port already assigned (open) (Error: -1)"); });
  QTimer::singleShot(5, [&] { later = true; });
  EXPECT_TRUE(ProcessUntil([&] { return later; }));
  ASSERT_EQ(reported.size(), 1u);
  EXPECT_EQ(reported[0], "Port already assigned (open) (Error: -1)");
  application->SetExceptionReporter(nullptr);
}

}  // namespace
}  // namespace pelyx::app
