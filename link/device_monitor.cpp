#include "link/device_monitor.h"

#include <sys/socket.h>
#include <unistd.h>

#if defined(__linux__)
#include <linux/netlink.h>
#endif

namespace pelyx::link {

bool ParseUevent(std::string_view message, DeviceNotice& notice) {
  // The header "ACTION@DEVPATH" comes first; udev's own re-broadcasts start with
  // "libudev" and a binary header, and are not read here.
  const size_t headerEnd = message.find('\0');
  std::string_view header = message.substr(0, headerEnd);
  if (header.find('@') == std::string_view::npos) return false;
  std::string_view action, subsystem, devname;
  size_t at = headerEnd == std::string_view::npos ? message.size() : headerEnd + 1;
  while (at < message.size()) {
    size_t end = message.find('\0', at);
    if (end == std::string_view::npos) end = message.size();
    std::string_view pair = message.substr(at, end - at);
    if (pair.starts_with("ACTION=")) action = pair.substr(7);
    if (pair.starts_with("SUBSYSTEM=")) subsystem = pair.substr(10);
    if (pair.starts_with("DEVNAME=")) devname = pair.substr(8);
    at = end + 1;
  }
  if (subsystem != "tty" || action.empty()) return false;
  if (devname.starts_with("/dev/")) devname.remove_prefix(5);
  notice.name = std::string(devname);
  if (action == "add") {
    notice.change = DeviceChange::kArrival;
  } else if (action == "remove") {
    notice.change = DeviceChange::kRemoval;
  } else {
    notice.change = DeviceChange::kNodesChanged;  // change, move, bind, unbind
  }
  return true;
}

#if defined(__linux__)

DeviceMonitor::DeviceMonitor() {
  // The kernel's uevent broadcast: NETLINK_KOBJECT_UEVENT, multicast group 1.
  fd_ = ::socket(AF_NETLINK, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, NETLINK_KOBJECT_UEVENT);
  if (fd_ < 0) return;
  sockaddr_nl address{};
  address.nl_family = AF_NETLINK;
  address.nl_groups = 1;
  if (::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    ::close(fd_);
    fd_ = -1;
  }
}

#else

DeviceMonitor::DeviceMonitor() = default;

#endif

DeviceMonitor::~DeviceMonitor() {
  if (fd_ >= 0) ::close(fd_);
}

std::vector<DeviceNotice> DeviceMonitor::ReadNotices() {
  std::vector<DeviceNotice> notices;
  if (fd_ < 0) return notices;
  char buffer[8192];
  // A bounded number of messages per call, so that a storm of events cannot hold the
  // user-interface thread.
  for (int i = 0; i < 64; ++i) {
    ssize_t n = ::recv(fd_, buffer, sizeof buffer, MSG_DONTWAIT);
    if (n <= 0) break;
    DeviceNotice notice;
    if (ParseUevent(std::string_view(buffer, static_cast<size_t>(n)), notice)) {
      notices.push_back(std::move(notice));
    }
  }
  return notices;
}

}  // namespace pelyx::link
