// A TCP server on 127.0.0.1 at a port chosen by the kernel, for the link tests. Blocking
// calls with time-outs; the test decides on which thread each runs.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

namespace pelyx::link::testing {

// A loopback port that nobody listens on, so a connection to it is refused: bound once to
// learn a free port, then freed.
inline int FreeLoopbackPort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  int port = 0;
  if (fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&address), size) == 0 &&
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) == 0) {
    port = ntohs(address.sin_port);
  }
  if (fd >= 0) ::close(fd);
  return port;
}

// An owned file descriptor.
class Fd {
 public:
  Fd() = default;
  explicit Fd(int fd) : fd_(fd) {}
  Fd(Fd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  Fd& operator=(Fd&& other) noexcept {
    if (this != &other) {
      Close();
      fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
  }
  ~Fd() { Close(); }

  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  void Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

 private:
  int fd_ = -1;
};

class LoopbackServer {
 public:
  // `receiveBuffer` > 0 sets SO_RCVBUF of the accepted connections (small values keep
  // the client's sends waiting).
  explicit LoopbackServer(int receiveBuffer = 0) {
    listener_ = Fd(::socket(AF_INET, SOCK_STREAM, 0));
    if (!listener_.valid()) throw std::runtime_error("socket");
    const int on = 1;
    ::setsockopt(listener_.get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    if (receiveBuffer > 0) {
      ::setsockopt(listener_.get(), SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;  // the kernel chooses
    if (::bind(listener_.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener_.get(), 16) != 0) {
      throw std::runtime_error("bind/listen");
    }
    socklen_t size = sizeof address;
    ::getsockname(listener_.get(), reinterpret_cast<sockaddr*>(&address), &size);
    port_ = ntohs(address.sin_port);
  }

  uint16_t Port() const { return port_; }

  // The next connection, or an invalid Fd when none arrives within `timeoutMs`.
  Fd Accept(int timeoutMs) {
    pollfd p{listener_.get(), POLLIN, 0};
    if (::poll(&p, 1, timeoutMs) <= 0) return Fd();
    return Fd(::accept(listener_.get(), nullptr, nullptr));
  }

  static bool SendAll(const Fd& connection, std::string_view data) {
    while (!data.empty()) {
      const ssize_t n = ::send(connection.get(), data.data(), data.size(), MSG_NOSIGNAL);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      data.remove_prefix(static_cast<size_t>(n));
    }
    return true;
  }

  // Reads until `size` bytes have arrived, the peer closes or `timeoutMs` passes.
  static std::string Read(const Fd& connection, size_t size, int timeoutMs) {
    std::string data;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    char buffer[65536];
    while (data.size() < size) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                            deadline - std::chrono::steady_clock::now())
                            .count();
      if (left <= 0) break;
      pollfd p{connection.get(), POLLIN, 0};
      if (::poll(&p, 1, static_cast<int>(left)) <= 0) continue;
      const size_t want = std::min(sizeof buffer, size - data.size());
      const ssize_t n = ::recv(connection.get(), buffer, want, 0);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      data.append(buffer, static_cast<size_t>(n));
    }
    return data;
  }

  // True when the peer closes within `timeoutMs`; data arriving before is discarded.
  static bool WaitClosed(const Fd& connection, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    char buffer[4096];
    for (;;) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                            deadline - std::chrono::steady_clock::now())
                            .count();
      if (left <= 0) return false;
      pollfd p{connection.get(), POLLIN, 0};
      if (::poll(&p, 1, static_cast<int>(left)) <= 0) continue;
      const ssize_t n = ::recv(connection.get(), buffer, sizeof buffer, 0);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return true;
    }
  }

  // Closes with a reset instead of an orderly close.
  static void Reset(Fd& connection) {
    const linger abort{1, 0};
    ::setsockopt(connection.get(), SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
    connection.Close();
  }

 private:
  Fd listener_;
  uint16_t port_ = 0;
};

}  // namespace pelyx::link::testing
