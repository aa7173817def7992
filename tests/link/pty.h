// A pseudo-terminal standing in for a serial port in the link tests: the component opens
// the terminal side by its path, the test plays the device on the master side.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <string_view>

namespace pelyx::link::test_support {

class PseudoTerminal {
 public:
  PseudoTerminal() {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0) return;
    char name[128];
    if (::grantpt(master_) != 0 || ::unlockpt(master_) != 0 ||
        ::ptsname_r(master_, name, sizeof name) != 0) {
      CloseMaster();
      return;
    }
    path_ = name;
    // One descriptor of the terminal side stays with the test: it reads the line settings
    // back and the input queue count, and it holds no lock, so the component can still
    // take the port.
    keeper_ = ::open(path_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  }
  ~PseudoTerminal() {
    if (keeper_ >= 0) ::close(keeper_);
    CloseMaster();
  }
  PseudoTerminal(const PseudoTerminal&) = delete;
  PseudoTerminal& operator=(const PseudoTerminal&) = delete;

  bool Valid() const { return master_ >= 0 && keeper_ >= 0; }
  const std::string& Path() const { return path_; }
  int Master() const { return master_; }
  int Keeper() const { return keeper_; }

  // Hangs the terminal side up, as an unplugged adapter does.
  void CloseMaster() {
    if (master_ >= 0) ::close(master_);
    master_ = -1;
  }

  // The device sends: all of `bytes` into the terminal's input.
  bool Send(std::string_view bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
      ssize_t n = ::write(master_, bytes.data() + done, bytes.size() - done);
      if (n <= 0) return false;
      done += static_cast<size_t>(n);
    }
    return true;
  }

  // The device receives: up to `count` bytes, waiting at most `timeoutMs` in all.
  std::string Receive(size_t count, int timeoutMs) {
    std::string out;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (out.size() < count) {
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                      deadline - std::chrono::steady_clock::now())
                      .count();
      if (left <= 0) break;
      pollfd p{master_, POLLIN, 0};
      if (::poll(&p, 1, static_cast<int>(left)) <= 0) break;
      char buffer[4096];
      size_t want = std::min(sizeof buffer, count - out.size());
      ssize_t n = ::read(master_, buffer, want);
      if (n <= 0) break;
      out.append(buffer, static_cast<size_t>(n));
    }
    return out;
  }

 private:
  int master_ = -1;
  int keeper_ = -1;
  std::string path_;
};

}  // namespace pelyx::link::test_support
