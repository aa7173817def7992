#include "link/serial_posix.h"

// The kernel's own termios interface (struct termios2 with TCGETS2/TCSETS2) carries an
// arbitrary line rate next to the classic rate codes; it cannot be mixed with the C
// library's <termios.h>, so this file uses the kernel headers only.
#include <asm/ioctls.h>
#include <asm/termbits.h>
#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>

namespace pelyx::link::posix {

namespace {

// Repeats a call that a signal interrupted.
template <typename F>
auto Retry(F call) {
  decltype(call()) result;
  do {
    result = call();
  } while (result < 0 && errno == EINTR);
  return result;
}

// The classic rate codes; any other rate goes through BOTHER with the number itself.
speed_t StandardRateCode(uint32_t bitsPerSecond) {
  static constexpr struct {
    uint32_t bitsPerSecond;
    speed_t code;
  } kCodes[] = {{110, B110},     {300, B300},     {600, B600},       {1200, B1200},
                {2400, B2400},   {4800, B4800},   {9600, B9600},     {19200, B19200},
                {38400, B38400}, {57600, B57600}, {115200, B115200}, {230400, B230400}};
  for (const auto& entry : kCodes) {
    if (entry.bitsPerSecond == bitsPerSecond) return entry.code;
  }
  return 0;
}

}  // namespace

int OpenExclusive(const char* path) {
  // CreateFileA(GENERIC_READ|GENERIC_WRITE, no sharing, OPEN_EXISTING, OVERLAPPED):
  // open(O_RDWR|O_NOCTTY|O_NONBLOCK|O_CLOEXEC). Non-blocking stands in for overlapped
  // I/O (the component waits with poll), O_NOCTTY keeps the port from becoming our
  // controlling terminal.
  int fd = Retry([&] { return ::open(path, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC); });
  if (fd < 0) return -1;
  // "No sharing": an advisory lock first, so that a port held (and locked) by another
  // program is refused without touching its state; root bypasses TIOCEXCL, the lock
  // is what keeps two programs apart then.
  if (Retry([&] { return ::flock(fd, LOCK_EX | LOCK_NB); }) != 0) {
    int error = errno;
    ::close(fd);
    errno = error;
    return -1;
  }
  // Then TIOCEXCL: further open() calls of the device fail with EBUSY for anyone but
  // root. It also refuses whatever is not a terminal (ENOTTY), such as a plain file
  // that happens to carry the name.
  if (::ioctl(fd, TIOCEXCL) != 0) {
    int error = errno;
    ::close(fd);
    errno = error;
    return -1;
  }
  return fd;
}

void CloseExclusive(int fd) {
  if (fd < 0) return;
  // CloseHandle: leave exclusive mode first (the flag belongs to the device and would
  // outlive us while another descriptor still holds it); the lock goes with the close.
  ::ioctl(fd, TIOCNXCL);
  ::close(fd);
}

int ComposeLineSettings(const LineSettings& settings, termios2& tio) {
  // Raw mode, as cfmakeraw: no input translation, no output processing, no echo, no
  // canonical lines, no signals. XON/XOFF on output (IXON) is part of the cooked
  // defaults and goes with them; IXOFF and CRTSCTS (the flow-control and handshake
  // fields) keep the driver's values. CLOCAL: the modem lines do not gate reading or
  // hang the line up (as on the platforms where the lines are only reported); CREAD
  // enables the receiver.
  tio.c_iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | INPCK);
  tio.c_oflag &= ~OPOST;
  tio.c_lflag &= ~(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
  tio.c_cflag |= CREAD | CLOCAL;

  // BaudRate: a classic rate code where there is one, otherwise BOTHER with the rate in
  // c_ospeed (Linux's arbitrary-rate interface: 14400, 56000, 128000, 256000). The
  // input rate follows the output rate (CIBAUD zero).
  tio.c_cflag &= ~(CBAUD | (CBAUD << IBSHIFT));
  if (speed_t code = StandardRateCode(settings.bitsPerSecond); code != 0) {
    tio.c_cflag |= code;
  } else {
    tio.c_cflag |= BOTHER;
  }
  tio.c_ispeed = tio.c_ospeed = settings.bitsPerSecond;

  // ByteSize: CS5..CS8; termios has no 4-bit words, so that request is refused.
  tio.c_cflag &= ~CSIZE;
  switch (settings.dataBits) {
    case 5:
      tio.c_cflag |= CS5;
      break;
    case 6:
      tio.c_cflag |= CS6;
      break;
    case 7:
      tio.c_cflag |= CS7;
      break;
    case 8:
      tio.c_cflag |= CS8;
      break;
    default:
      return EINVAL;
  }

  // Parity: PARENB with PARODD for odd; CMSPAR makes the bit fixed, mark with PARODD and
  // space without.
  tio.c_cflag &= ~(PARENB | PARODD | CMSPAR);
  switch (settings.parity) {
    case 'N':
      break;
    case 'O':
      tio.c_cflag |= PARENB | PARODD;
      break;
    case 'E':
      tio.c_cflag |= PARENB;
      break;
    case 'M':
      tio.c_cflag |= PARENB | CMSPAR | PARODD;
      break;
    case 'S':
      tio.c_cflag |= PARENB | CMSPAR;
      break;
    default:
      return EINVAL;
  }

  // StopBits: CSTOPB gives two stop bits, and one and a half with 5-bit words (the
  // UART's rule, the same as the one-and-a-half setting's on other platforms).
  tio.c_cflag &= ~CSTOPB;
  if (settings.stopBitsTenths != 10) tio.c_cflag |= CSTOPB;

  // fParity (the parity-check option): INPCK.
  if (settings.parityCheck) tio.c_iflag |= INPCK;

  // XonChar/XoffChar: VSTART/VSTOP. termios has no error, end-of-file (in raw mode) or
  // event character, and fixed XON/XOFF limits; those settings do not reach the port.
  tio.c_cc[VSTART] = settings.xonChar;
  tio.c_cc[VSTOP] = settings.xoffChar;

  return 0;
}

int ApplyLineSettings(int fd, const LineSettings& settings) {
  // GetCommState: TCGETS2.
  struct termios2 old {};
  if (::ioctl(fd, TCGETS2, &old) != 0) return errno;
  struct termios2 tio = old;
  if (int error = ComposeLineSettings(settings, tio); error != 0) return error;
  // SetCommState: TCSETS2 (tcsetattr with TCSANOW). It succeeds when the driver took
  // any part of the record, so the framing is read back: what the driver dropped is a
  // refusal, and the previous record goes back. (The rate is not compared: drivers
  // report the rate they could make, which may differ slightly from the one asked.)
  if (Retry([&] { return ::ioctl(fd, TCSETS2, &tio); }) != 0) return errno;
  struct termios2 now {};
  if (::ioctl(fd, TCGETS2, &now) != 0) return errno;
  tcflag_t framing = CSIZE | PARENB | CSTOPB;
  if (tio.c_cflag & PARENB) framing |= PARODD | CMSPAR;
  if ((now.c_cflag & framing) != (tio.c_cflag & framing)) {
    Retry([&] { return ::ioctl(fd, TCSETS2, &old); });
    return EINVAL;
  }
  return 0;
}

int ApplyReadTimeouts(int fd) {
  // SetCommTimeouts with "return at once with what is queued": VMIN 0 and VTIME 0 (the
  // descriptor is non-blocking as well); the wait of at most 1000 ms for a first byte
  // is a poll() in the component's Read.
  struct termios2 tio {};
  if (::ioctl(fd, TCGETS2, &tio) != 0) return errno;
  tio.c_cc[VMIN] = 0;
  tio.c_cc[VTIME] = 0;
  if (Retry([&] { return ::ioctl(fd, TCSETS2, &tio); }) != 0) return errno;
  return 0;
}

int RequestBufferSizes(int, uint32_t, uint32_t) {
  // SetupComm: the sizes are a recommendation there; a terminal's queues have fixed
  // sizes here (4096 bytes in the line discipline), so the request always succeeds.
  return 0;
}

uint32_t InputQueued(int fd) {
  // COMSTAT.cbInQue: FIONREAD.
  int count = 0;
  if (::ioctl(fd, FIONREAD, &count) != 0 || count < 0) return 0;
  return static_cast<uint32_t>(count);
}

uint32_t OutputQueued(int fd) {
  // COMSTAT.cbOutQue: TIOCOUTQ.
  int count = 0;
  if (::ioctl(fd, TIOCOUTQ, &count) != 0 || count < 0) return 0;
  return static_cast<uint32_t>(count);
}

bool OutputHeldByCts(int fd) {
  // COMSTAT.fCtsHold: CRTSCTS set and CTS low (TIOCMGET).
  struct termios2 tio {};
  if (::ioctl(fd, TCGETS2, &tio) != 0 || !(tio.c_cflag & CRTSCTS)) return false;
  ModemLines lines;
  return ReadModemLines(fd, lines) && !lines.cts;
}

void Purge(int fd) {
  // PurgeComm with all four flags: TCFLSH with TCIOFLUSH (nothing is pending in the
  // driver on our behalf beyond the queues).
  ::ioctl(fd, TCFLSH, TCIOFLUSH);
}

bool ReadLineCounters(int fd, LineCounters& counters) {
  // The counters behind EV_CTS/EV_DSR/EV_RING/EV_RLSD/EV_BREAK/EV_ERR and behind
  // ClearCommError's error flags: TIOCGICOUNT. Pseudo-terminals and some adapters have
  // none (ENOTTY/EINVAL); those events are then absent.
  serial_icounter_struct ic{};
  if (::ioctl(fd, TIOCGICOUNT, &ic) != 0) return false;
  counters.cts = ic.cts;
  counters.dsr = ic.dsr;
  counters.ring = ic.rng;
  counters.carrier = ic.dcd;
  counters.breaks = ic.brk;
  counters.frame = ic.frame;
  counters.overrun = ic.overrun;
  counters.parity = ic.parity;
  counters.bufferOverrun = ic.buf_overrun;
  return true;
}

bool ReadModemLines(int fd, ModemLines& lines) {
  // GetCommModemStatus: TIOCMGET (absent on pseudo-terminals: ENOTTY).
  int bits = 0;
  if (::ioctl(fd, TIOCMGET, &bits) != 0) return false;
  lines.cts = bits & TIOCM_CTS;
  lines.dsr = bits & TIOCM_DSR;
  lines.ring = bits & TIOCM_RI;
  lines.carrier = bits & TIOCM_CD;
  return true;
}

int WaitReady(int fd, bool forWrite, int timeoutMs) {
  // WaitForSingleObject on an overlapped transfer: poll() for POLLIN or POLLOUT.
  pollfd p{fd, static_cast<short>(forWrite ? POLLOUT : POLLIN), 0};
  int n = Retry([&] { return ::poll(&p, 1, timeoutMs); });
  if (n < 0) return -1;
  if (n == 0) return 0;
  if (p.revents & (forWrite ? POLLOUT : POLLIN)) return 1;
  return -1;  // POLLHUP, POLLERR, POLLNVAL without the wanted readiness
}

// WaitCommEvent: epoll. The port is watched edge-triggered (EPOLLET), so that bytes are
// announced once when they arrive, like EV_RXCHAR, and bytes the owner leaves unread do
// not wake the thread again and again (a level-triggered poll() would). An eventfd is
// the wake-up descriptor with which Close ends the wait at once.
EventWait::EventWait()
    : poll_(::epoll_create1(EPOLL_CLOEXEC)), wake_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
  if (Valid()) {
    epoll_event ev{};
    ev.events = EPOLLIN;
    ev.data.u32 = 1;
    if (::epoll_ctl(poll_, EPOLL_CTL_ADD, wake_, &ev) != 0) {
      ::close(wake_);
      wake_ = -1;
    }
  }
}

EventWait::~EventWait() {
  if (poll_ >= 0) ::close(poll_);
  if (wake_ >= 0) ::close(wake_);
}

bool EventWait::WatchPort(int fd) {
  epoll_event ev{};
  ev.events = EPOLLIN | EPOLLET;  // EPOLLHUP and EPOLLERR are always reported
  ev.data.u32 = 0;
  if (::epoll_ctl(poll_, EPOLL_CTL_ADD, fd, &ev) != 0) return false;
  port_ = fd;
  return true;
}

void EventWait::UnwatchPort() {
  if (port_ < 0) return;
  ::epoll_ctl(poll_, EPOLL_CTL_DEL, port_, nullptr);
  port_ = -1;
}

void EventWait::Wake() {
  uint64_t one = 1;
  [[maybe_unused]] ssize_t n = ::write(wake_, &one, sizeof one);
}

EventWait::Result EventWait::Wait(int timeoutMs) {
  Result result;
  epoll_event events[2];
  int n = ::epoll_wait(poll_, events, 2, timeoutMs);
  if (n < 0) return result;
  result.ok = true;
  for (int i = 0; i < n; ++i) {
    if (events[i].data.u32 == 1) {
      uint64_t count;
      [[maybe_unused]] ssize_t r = ::read(wake_, &count, sizeof count);
      result.woken = true;
    } else {
      if (events[i].events & EPOLLIN) result.received = true;
      if (events[i].events & (EPOLLHUP | EPOLLERR)) result.hungUp = true;
    }
  }
  return result;
}

}  // namespace pelyx::link::posix
