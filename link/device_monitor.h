// Notices of serial devices that come and go: the kernel's uevents of the tty subsystem,
// read from a netlink socket, mapped onto the three notices the connection manager
// follows (a device arrived, a device was removed, the device nodes changed).
//
// Where no event source can be had (no netlink, a sandbox), `Valid()` is false and the
// window works without notices: the port list still refreshes when the serial mode
// changes and when a connection starts.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace pelyx::link {

enum class DeviceChange { kArrival, kRemoval, kNodesChanged };

struct DeviceNotice {
  DeviceChange change;
  std::string name;  // the device name ("ttyUSB0"); may be empty
};

// One uevent message ("ACTION@DEVPATH" then NUL-separated KEY=VALUE pairs) as a notice;
// false for messages of other subsystems and for anything that is not a uevent.
bool ParseUevent(std::string_view message, DeviceNotice& notice);

class DeviceMonitor {
 public:
  DeviceMonitor();
  ~DeviceMonitor();
  DeviceMonitor(const DeviceMonitor&) = delete;
  DeviceMonitor& operator=(const DeviceMonitor&) = delete;

  bool Valid() const { return fd_ >= 0; }
  // The descriptor to watch for readability (the window's event loop watches it).
  int Fd() const { return fd_; }
  // The notices of the messages waiting now; never blocks.
  std::vector<DeviceNotice> ReadNotices();

 private:
  int fd_ = -1;
};

}  // namespace pelyx::link
