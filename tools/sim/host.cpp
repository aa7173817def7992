#include "tools/sim/host.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace pelyx::sim {

namespace {

constexpr Millis kMaxPollWait = 100;  // also how often an absent pty is looked at again
constexpr size_t kMaxReceivedLine = 256;

std::string Failure(const char* what) {
  return std::string(what) + ": " + std::strerror(errno);
}

bool SetNonBlocking(int fd) {
  const int flags = fcntl(fd, F_GETFL);
  return flags >= 0 && fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0 &&
         fcntl(fd, F_SETFD, FD_CLOEXEC) == 0;
}

}  // namespace

Host::Host(Receiver& receiver, HostOptions options)
    : receiver_(receiver), options_(std::move(options)), start_(std::chrono::steady_clock::now()) {}

Host::~Host() {
  for (Link& link : links_) CloseLink(link);
  if (listener_ >= 0) close(listener_);
  if (wakeRead_ >= 0) close(wakeRead_);
  if (wakeWrite_ >= 0) close(wakeWrite_);
}

Millis Host::Now() const {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                               start_)
      .count();
}

void Host::RequestStop() {
  stop_.store(true);
  if (wakeWrite_ >= 0) {
    const char c = 'x';
    [[maybe_unused]] ssize_t n = write(wakeWrite_, &c, 1);
  }
}

bool Host::Open(std::string& error) {
  int wake[2];
  if (pipe(wake) != 0) {
    error = Failure("pipe");
    return false;
  }
  wakeRead_ = wake[0];
  wakeWrite_ = wake[1];
  if (!SetNonBlocking(wakeRead_) || !SetNonBlocking(wakeWrite_)) {
    error = Failure("pipe");
    return false;
  }

  if (options_.pty) {
    if (!OpenPty(error)) return false;
    ptyPath_ = currentPtyPath_;
  }

  if (options_.tcp) {
    listener_ = socket(AF_INET, SOCK_STREAM, 0);
    if (listener_ < 0 || !SetNonBlocking(listener_)) {
      error = Failure("socket");
      return false;
    }
    const int yes = 1;
    setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(options_.tcpPort));
    if (bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener_, 8) != 0) {
      error = Failure("127.0.0.1");
      return false;
    }
    socklen_t length = sizeof address;
    getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    tcpPort_ = ntohs(address.sin_port);
  }
  start_ = std::chrono::steady_clock::now();
  return true;
}

bool Host::OpenPty(std::string& error) {
  const int master = posix_openpt(O_RDWR | O_NOCTTY);
  if (master < 0) {
    error = Failure("posix_openpt");
    return false;
  }
  Link link;
  link.fd = master;
  link.pty = true;
  link.present = false;
  links_.push_back(link);
  char name[128];
  if (grantpt(master) != 0 || unlockpt(master) != 0 || ptsname_r(master, name, sizeof name) != 0 ||
      !SetNonBlocking(master)) {
    error = Failure("pseudo-terminal");
    return false;
  }
  currentPtyPath_ = name;
  // Raw mode on the device side, so that nothing is echoed or translated; the setting
  // stays with the pseudo-terminal when the device is closed and opened again.
  const int slave = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (slave < 0) {
    error = Failure(name);
    return false;
  }
  termios t{};
  bool raw = tcgetattr(slave, &t) == 0;
  if (raw) {
    cfmakeraw(&t);
    cfsetispeed(&t, B115200);
    cfsetospeed(&t, B115200);
    raw = tcsetattr(slave, TCSANOW, &t) == 0;
  }
  if (!raw) error = Failure("tcsetattr");
  close(slave);
  if (!raw) return false;
  if (!options_.ptyLink.empty()) {
    struct stat st {};
    if (lstat(options_.ptyLink.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
      unlink(options_.ptyLink.c_str());
    }
    if (symlink(name, options_.ptyLink.c_str()) != 0) {
      error = Failure(options_.ptyLink.c_str());
      return false;
    }
    linkMade_ = true;
  }
  return true;
}

void Host::Run(Millis duration) {
  const Millis deadline = duration >= 0 ? Now() + duration : INT64_MAX;
  std::vector<pollfd> fds;
  std::vector<size_t> owners;  // link index of fds[i], or SIZE_MAX
  while (!stop_.load()) {
    Millis now = Now();
    if (now >= deadline) break;

    for (Link& link : links_) {
      if (link.fd >= 0 && options_.closeAfter > 0 && now - link.opened >= options_.closeAfter) {
        CloseLink(link);
      }
    }
    DropClosedLinks();
    if (links_.empty() && listener_ < 0) break;
    for (Link& link : links_) {
      if (link.pty && !link.present) CheckPtyPresence(link);
    }

    receiver_.Advance(now);
    const std::string out = receiver_.TakeOutput();
    // The receiver restarted (a command was handled since the last round): a bridge
    // that drops its connections then closes each once the announcement is out, and a
    // pseudo-terminal in use hangs up then, as the device of a receiver on USB goes away
    // while it restarts.
    const int restarts = receiver_.Counters().restarts;
    if (restarts != restartsSeen_ && options_.closeOnRestart) {
      for (Link& link : links_) {
        if (link.pty && !link.present) continue;
        link.closeWhenWritten = true;
        link.replaceWhenClosed = link.pty;
      }
    }
    restartsSeen_ = restarts;
    for (Link& link : links_) {
      if (!link.present || out.empty()) continue;
      if (link.out.size() + out.size() <= options_.maxQueued) link.out += out;
      WriteLink(link);
    }
    for (Link& link : links_) {
      if (link.closeWhenWritten && link.out.empty()) CloseLink(link);
    }
    DropClosedLinks();

    fds.clear();
    owners.clear();
    fds.push_back({wakeRead_, POLLIN, 0});
    owners.push_back(SIZE_MAX);
    if (listener_ >= 0) {
      fds.push_back({listener_, POLLIN, 0});
      owners.push_back(SIZE_MAX - 1);
    }
    for (size_t i = 0; i < links_.size(); ++i) {
      if (!links_[i].present) continue;
      const short events = static_cast<short>(POLLIN | (links_[i].out.empty() ? 0 : POLLOUT));
      fds.push_back({links_[i].fd, events, 0});
      owners.push_back(i);
    }
    Millis wait = std::min(receiver_.NextEventTime(now), deadline) - now;
    wait = std::clamp<Millis>(wait, 0, kMaxPollWait);
    if (poll(fds.data(), fds.size(), static_cast<int>(wait)) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    for (size_t k = 0; k < fds.size(); ++k) {
      const short revents = fds[k].revents;
      if (revents == 0) continue;
      if (owners[k] == SIZE_MAX) {
        char drain[64];
        while (read(wakeRead_, drain, sizeof drain) > 0) {
        }
      } else if (owners[k] == SIZE_MAX - 1) {
        Accept();
      } else {
        Link& link = links_[owners[k]];
        if (link.fd < 0) continue;
        if ((revents & (POLLIN | POLLHUP | POLLERR)) != 0) ReadLink(link);
        if (link.fd >= 0 && link.present && (revents & POLLOUT) != 0) WriteLink(link);
      }
    }
  }
}

void Host::DropClosedLinks() {
  std::erase_if(links_, [](const Link& link) { return link.fd < 0; });
  if (!replacePty_) return;
  // The device comes back as a new pseudo-terminal, behind the same symlink.
  replacePty_ = false;
  std::string error;
  if (OpenPty(error)) return;
  for (Link& link : links_) {
    if (link.pty) CloseLink(link);
  }
  std::erase_if(links_, [](const Link& link) { return link.fd < 0; });
}

void Host::Accept() {
  for (;;) {
    const int fd = accept(listener_, nullptr, nullptr);
    if (fd < 0) return;
    if (!SetNonBlocking(fd)) {
      close(fd);
      continue;
    }
    Link link;
    link.fd = fd;
    link.opened = Now();
    links_.push_back(link);
    accepted_.fetch_add(1);
  }
}

void Host::ReadLink(Link& link) {
  char buffer[4096];
  for (;;) {
    const ssize_t n = read(link.fd, buffer, sizeof buffer);
    if (n > 0) {
      const Millis now = Now();
      for (ssize_t i = 0; i < n; ++i) {
        const char c = buffer[i];
        if (c == '\n') {
          if (link.in.size() <= kMaxReceivedLine) receiver_.HandleLine(link.in, now);
          link.in.clear();
          if (link.pty && options_.hangUpOnRequest > 0 &&
              receiver_.Counters().productInfoRequests >= options_.hangUpOnRequest) {
            // The device goes away as a network serial server's terminal does; the
            // answer to this request is never sent.
            CloseLink(link);
            return;
          }
        } else if (link.in.size() <= kMaxReceivedLine) {
          link.in.push_back(c);  // a line longer than kMaxReceivedLine is dropped whole
        }
      }
      continue;
    }
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
    if (n < 0 && errno == EINTR) continue;
    if (link.pty) {
      // EIO: nobody has the device open any more.
      link.present = false;
      link.out.clear();
      link.in.clear();
      FlushPtyInput();
    } else {
      CloseLink(link);
    }
    return;
  }
}

void Host::WriteLink(Link& link) {
  if (link.closeWhenWritten && link.out.empty()) {
    CloseLink(link);
    return;
  }
  while (!link.out.empty()) {
    const ssize_t n = link.pty ? write(link.fd, link.out.data(), link.out.size())
                               : send(link.fd, link.out.data(), link.out.size(), MSG_NOSIGNAL);
    if (n > 0) {
      link.out.erase(0, static_cast<size_t>(n));
      if (link.out.empty() && link.closeWhenWritten) CloseLink(link);
      continue;
    }
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
    if (n < 0 && errno == EINTR) continue;
    if (link.pty) {
      link.present = false;
      link.out.clear();
      FlushPtyInput();
    } else {
      CloseLink(link);
    }
    return;
  }
}

void Host::CheckPtyPresence(Link& link) {
  pollfd p{link.fd, POLLIN, 0};
  if (poll(&p, 1, 0) >= 0 && (p.revents & POLLHUP) == 0) link.present = true;
}

void Host::FlushPtyInput() {
  // What the device side left unread would greet the next program that opens it.
  const int fd = open(currentPtyPath_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return;
  tcflush(fd, TCIFLUSH);
  close(fd);
}

void Host::CloseLink(Link& link) {
  if (link.fd < 0) return;
  // The name goes first, so whoever sees the hang-up finds the link gone as well.
  if (link.pty && linkMade_) {
    unlink(options_.ptyLink.c_str());
    linkMade_ = false;
  }
  close(link.fd);
  link.fd = -1;
  if (link.pty && link.replaceWhenClosed) replacePty_ = true;
}

}  // namespace pelyx::sim
