#include "link/tcp_client.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/types.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <system_error>

namespace pelyx::link {
namespace {

std::atomic<int> runningThreads{0};

#ifdef MSG_NOSIGNAL
constexpr int kSendFlags = MSG_NOSIGNAL;  // a closed peer fails the call, not the process
#else
constexpr int kSendFlags = 0;
#endif

bool WouldBlock(int error) {
  return error == EAGAIN || error == EWOULDBLOCK;
}

bool MakeNonBlocking(int fd) {
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags < 0 || ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) < 0) return false;
  const int fdFlags = ::fcntl(fd, F_GETFD);
  return fdFlags >= 0 && ::fcntl(fd, F_SETFD, fdFlags | FD_CLOEXEC) >= 0;
}

void CloseFd(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

// Whether the connection of `fd` has been established (it has a peer).
bool HasPeer(int fd) {
  sockaddr_storage peer{};
  socklen_t size = sizeof peer;
  return ::getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &size) == 0;
}

// Counts the hand-offs of one client that are running on the user-interface thread.
class DepthGuard {
 public:
  explicit DepthGuard(std::atomic<int>& depth) : depth_(depth) { ++depth_; }
  ~DepthGuard() { --depth_; }
  DepthGuard(const DepthGuard&) = delete;
  DepthGuard& operator=(const DepthGuard&) = delete;

 private:
  std::atomic<int>& depth_;
};

}  // namespace

// The per-connection state, shared by the client object and its thread so that either
// may go first.
struct TTCPIPClientThread::State {
  explicit State(UiDispatcher& dispatcher);
  ~State();

  void Open();                      // on Start: socket, non-blocking mode, connect
  void Run();                       // the thread body
  bool BeginEnding(bool onThread);  // true for the first caller
  void Disconnect(bool onThread);
  void RaiseClosed();
  void HandOff(std::function<void()> work);
  void Wake();
  void DrainWake();
  void NoteRead();
  void Finish();
  bool Send(const char* bytes, int32_t n);
  int32_t Receive(char* buffer);

  UiDispatcher& ui;

  // Held around every read of the socket, and around every use of the socket from the
  // owner's side, so that the thread never closes the socket under a caller.
  mutable std::mutex lock;
  std::array<char, kMaxHostLength + 1> host{};  // under `lock`
  int32_t port = -1;                            // under `lock`
  // Written before the thread starts, then only by the thread (closing), under `lock`.
  int socket = -1;

  // User-interface thread only.
  Handler receiveHandler;
  Handler closedHandler;
  bool started = false;

  // Set by Open before the thread starts.
  bool openFailed = false;   // no socket: the thread reports the end at once
  bool unreachable = false;  // not an IPv4 address and port: never connects

  int wakeRead = -1;  // the wake-up descriptor: a byte written ends the current wait
  int wakeWrite = -1;

  std::atomic<int> connectError{0};         // errno of a failed connection attempt
  std::atomic<bool> ending{false};          // Disconnect has begun: the thread ends
  std::atomic<bool> closedRaised{false};    // the closed handler ran or is silenced
  std::atomic<int> handoffDepth{0};         // this client's hand-offs running now
  std::atomic<bool> inHandoff{false};       // the thread waits for the user-interface thread
  std::atomic<bool> readSeen{false};        // the owner read since the last notification
  std::atomic<bool> waitingForRead{false};  // the thread waits for a read to re-arm

  std::mutex finishMutex;
  std::condition_variable finishedCv;
  bool finished = false;  // under `finishMutex`
};

TTCPIPClientThread::State::State(UiDispatcher& dispatcher) : ui(dispatcher) {
  int fds[2];
  if (::pipe(fds) == 0) {
    wakeRead = fds[0];
    wakeWrite = fds[1];
    if (!MakeNonBlocking(wakeRead) || !MakeNonBlocking(wakeWrite)) {
      CloseFd(wakeRead);
      CloseFd(wakeWrite);
    }
  }
}

TTCPIPClientThread::State::~State() {
  CloseFd(socket);
  CloseFd(wakeRead);
  CloseFd(wakeWrite);
}

void TTCPIPClientThread::State::Open() {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  {
    std::lock_guard guard(lock);
    // Dotted-decimal only: inet_pton takes no names and none of the short forms.
    unreachable = port < 0 || port > 65535 || host[0] == '\0' ||
                  ::inet_pton(AF_INET, host.data(), &address.sin_addr) != 1;
    address.sin_port = htons(static_cast<uint16_t>(port));
  }
  int fd = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (fd < 0 || wakeRead < 0 || !MakeNonBlocking(fd)) {
    CloseFd(fd);
    openFailed = true;
    return;
  }
#if !defined(MSG_NOSIGNAL) && defined(SO_NOSIGPIPE)
  const int on = 1;
  ::setsockopt(fd, SOL_SOCKET, SO_NOSIGPIPE, &on, sizeof on);
#endif
  if (!unreachable &&
      ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    const int error = errno;
    // Under way (or interrupted, which goes on asynchronously) or already done.
    if (error != EINPROGRESS && error != EALREADY && error != EISCONN && error != EINTR) {
      // Failed at once (an unreachable network): as an attempt that fails later, it
      // raises nothing, and the owner's deadline ends the link.
      connectError.store(error);
      CloseFd(fd);
      return;
    }
  }
  std::lock_guard guard(lock);
  socket = fd;
}

void TTCPIPClientThread::State::Run() {
  if (openFailed) {
    Disconnect(true);
    return;
  }
  enum class Phase { kConnecting, kConnected, kIdle };
  // An address that cannot be reached, or an attempt that failed later, is only
  // waited on: it raises nothing, and the owner's deadline ends the link.
  Phase phase = unreachable || socket < 0 ? Phase::kIdle : Phase::kConnecting;
  bool armed = true;  // watching for data; off until the owner reads after a notification
  while (!ending.load()) {
    if (!armed && readSeen.load()) {
      armed = true;
      waitingForRead.store(false);
    }
    pollfd fds[2] = {{wakeRead, POLLIN, 0}, {-1, 0, 0}};
    if (phase == Phase::kConnecting) {
      fds[1] = {socket, POLLOUT, 0};
    } else if (phase == Phase::kConnected && armed) {
      fds[1] = {socket, POLLIN, 0};
    }
    const int ready = ::poll(fds, 2, kWaitMs);
    if (ready <= 0) continue;  // time-out or interrupted: the next wait
    if (fds[0].revents != 0) DrainWake();
    if (ending.load() || fds[1].revents == 0) continue;

    if (phase == Phase::kConnecting) {
      int error = 0;
      socklen_t size = sizeof error;
      if (::getsockopt(socket, SOL_SOCKET, SO_ERROR, &error, &size) != 0) error = errno;
      if (error == 0) {
        phase = Phase::kConnected;
      } else if (error == ECONNRESET || error == EPIPE || error == ECONNABORTED) {
        Disconnect(true);  // it did connect, and the peer has already ended it
      } else {
        connectError.store(error);  // the attempt itself failed: refused, unreachable
        phase = Phase::kIdle;
      }
      continue;
    }

    // Data, the peer's close or an error: a look at the next byte tells which.
    char next;
    ssize_t peeked;
    int error;
    {
      std::lock_guard guard(lock);
      peeked = ::recv(socket, &next, 1, MSG_PEEK);
      error = errno;
    }
    if (peeked > 0) {
      readSeen.store(false);
      HandOff([this] {
        if (ending.load()) return;  // disconnected while the hand-off waited
        DepthGuard depth(handoffDepth);
        Handler handler = receiveHandler;  // the handler may replace itself
        if (handler) handler();
      });
      if (!readSeen.load()) {
        // Not read: no further notification until the owner reads (no busy loop).
        waitingForRead.store(true);
        if (readSeen.load()) {
          waitingForRead.store(false);
        } else {
          armed = false;
        }
      }
      continue;
    }
    if (peeked < 0 && (error == EINTR || WouldBlock(error))) continue;
    Disconnect(true);  // the peer closed the connection, or the socket failed
  }
  std::lock_guard guard(lock);
  CloseFd(socket);
}

bool TTCPIPClientThread::State::BeginEnding(bool onThread) {
  if (ending.exchange(true)) return false;
  if (onThread) {
    // The thread alone closes the socket, so it needs no lock to shut it.
    if (socket >= 0) ::shutdown(socket, SHUT_RDWR);
  } else {
    std::lock_guard guard(lock);
    if (socket >= 0) ::shutdown(socket, SHUT_RDWR);
  }
  Wake();
  return true;
}

void TTCPIPClientThread::State::Disconnect(bool onThread) {
  const bool first = BeginEnding(onThread);
  if (ui.OnUiThread()) {
    // Raised here even when the thread began ending first and its hand-off still waits:
    // no handler of this client may run after the owner's Disconnect has returned.
    RaiseClosed();
  } else if (first) {
    HandOff([this] {
      DepthGuard depth(handoffDepth);
      RaiseClosed();
    });
  }
}

void TTCPIPClientThread::State::RaiseClosed() {
  if (closedRaised.exchange(true)) return;
  Handler handler = closedHandler;  // the owner may destroy the client in it
  if (handler) handler();
}

void TTCPIPClientThread::State::HandOff(std::function<void()> work) {
  inHandoff.store(true);
  ui.RunAndWait(std::move(work));
  inHandoff.store(false);
}

void TTCPIPClientThread::State::Wake() {
  if (wakeWrite < 0) return;
  const char byte = 1;
  const ssize_t written = ::write(wakeWrite, &byte, 1);  // a full pipe is awake already
  (void)written;
}

void TTCPIPClientThread::State::DrainWake() {
  char bytes[64];
  while (::read(wakeRead, bytes, sizeof bytes) > 0) {
  }
}

void TTCPIPClientThread::State::NoteRead() {
  readSeen.store(true);
  if (waitingForRead.exchange(false)) Wake();
}

void TTCPIPClientThread::State::Finish() {
  std::lock_guard guard(finishMutex);
  finished = true;
  finishedCv.notify_all();
}

bool TTCPIPClientThread::State::Send(const char* bytes, int32_t n) {
  if (n <= 0 || bytes == nullptr) return false;
  bool failed = false;
  {
    std::lock_guard guard(lock);
    if (ending.load() || socket < 0 || connectError.load() != 0) return false;
    const size_t total = static_cast<size_t>(n);
    size_t sent = 0;
    auto lastProgress = std::chrono::steady_clock::now();
    while (sent < total) {
      const ssize_t result = ::send(socket, bytes + sent, total - sent, kSendFlags);
      if (result > 0) {
        sent += static_cast<size_t>(result);
        lastProgress = std::chrono::steady_clock::now();
        continue;
      }
      const int error = errno;
      if (result < 0 && error == EINTR) continue;
      if (result < 0 && WouldBlock(error)) {
        // Still connecting: nothing is sent and the attempt goes on.
        if (sent == 0 && !HasPeer(socket)) return false;
        const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now() - lastProgress);
        const auto left = kSendStallMs - waited.count();
        if (left <= 0) {
          failed = true;  // the peer has taken nothing for too long
          break;
        }
        pollfd writable{socket, POLLOUT, 0};
        if (::poll(&writable, 1, static_cast<int>(left)) < 0 && errno != EINTR) {
          failed = true;
          break;
        }
        continue;
      }
      failed = true;
      break;
    }
  }
  if (failed) {
    Disconnect(false);
    return false;
  }
  return true;
}

int32_t TTCPIPClientThread::State::Receive(char* buffer) {
  if (buffer == nullptr) return -1;
  ssize_t result;
  int error;
  {
    std::lock_guard guard(lock);
    if (ending.load() || socket < 0) return -1;
    do {
      result = ::recv(socket, buffer, kReceiveSize, 0);
      error = errno;
    } while (result < 0 && error == EINTR);
  }
  NoteRead();
  if (result >= 0) return static_cast<int32_t>(result);
  if (WouldBlock(error)) return -1;  // nothing waiting: the link stays
  Disconnect(false);
  return -1;
}

TTCPIPClientThread::TTCPIPClientThread(UiDispatcher& ui, bool createSuspended)
    : state_(std::make_shared<State>(ui)) {
  if (!createSuspended) Start();
}

TTCPIPClientThread::~TTCPIPClientThread() {
  State& state = *state_;
  state.closedRaised.store(true);  // destroying is no Disconnect: no closed handler
  state.BeginEnding(false);
  if (!thread_.joinable()) return;
  if (state.handoffDepth.load() > 0 || !state.ui.OnUiThread()) {
    // Inside one of this client's hand-offs its thread waits for us: it ends, and
    // frees the state, once the hand-off returns.
    thread_.detach();
    return;
  }
  std::unique_lock guard(state.finishMutex);
  while (!state.finished) {
    if (state.inHandoff.load()) {
      guard.unlock();
      state.ui.RunPending();  // releases the thread; the work sees the client ending
      guard.lock();
    }
    state.finishedCv.wait_for(guard, std::chrono::milliseconds(2), [&] { return state.finished; });
  }
  guard.unlock();
  thread_.join();
}

int32_t TTCPIPClientThread::SetHost(std::string_view host) {
  std::lock_guard guard(state_->lock);
  state_->host.fill('\0');
  if (host.empty() || host.size() > static_cast<size_t>(kMaxHostLength)) return -1;
  std::memcpy(state_->host.data(), host.data(), host.size());
  return static_cast<int32_t>(host.size());
}

void TTCPIPClientThread::SetPort(int32_t port) {
  std::lock_guard guard(state_->lock);
  state_->port = port;
}

std::string TTCPIPClientThread::Host() const {
  std::lock_guard guard(state_->lock);
  return std::string(state_->host.data());
}

int32_t TTCPIPClientThread::Port() const {
  std::lock_guard guard(state_->lock);
  return state_->port;
}

void TTCPIPClientThread::SetReceiveHandler(Handler handler) {
  state_->receiveHandler = std::move(handler);
}

void TTCPIPClientThread::SetClosedHandler(Handler handler) {
  state_->closedHandler = std::move(handler);
}

void TTCPIPClientThread::Start() {
  State& state = *state_;
  if (state.started || state.ending.load()) return;
  state.started = true;
  state.Open();
  ++runningThreads;
  try {
    thread_ = std::thread([shared = state_]() mutable {
      shared->Run();
      shared->Finish();
      shared.reset();
      --runningThreads;
    });
  } catch (const std::system_error&) {
    --runningThreads;
    Disconnect();
  }
}

bool TTCPIPClientThread::Connecting() const {
  std::lock_guard guard(state_->lock);
  return state_->started && !state_->ending.load() && state_->socket >= 0 &&
         state_->connectError.load() == 0 && !HasPeer(state_->socket);
}

int TTCPIPClientThread::ConnectError() const {
  return state_->connectError.load();
}

bool TTCPIPClientThread::Send(const char* bytes, int32_t n) {
  const std::shared_ptr<State> state = state_;  // the closed handler may destroy *this
  return state->Send(bytes, n);
}

int32_t TTCPIPClientThread::Receive(char* buffer) {
  const std::shared_ptr<State> state = state_;
  return state->Receive(buffer);
}

void TTCPIPClientThread::Disconnect() {
  const std::shared_ptr<State> state = state_;
  state->Disconnect(false);
}

int TTCPIPClientThread::RunningCount() {
  return runningThreads.load();
}

}  // namespace pelyx::link
