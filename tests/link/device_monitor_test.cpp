#include "link/device_monitor.h"

#include <gtest/gtest.h>

#include <string>

namespace pelyx::link {
namespace {

using namespace std::string_literals;

struct UeventCase {
  std::string message;
  bool parsed;
  DeviceChange change;
  const char* name;
};

TEST(ParseUevent, MapsTheTtyActionsOntoTheThreeNotices) {
  const UeventCase cases[] = {
      {"add@/devices/pci0000:00/usb1/1-1/1-1:1.0/ttyUSB0/tty/ttyUSB0\0ACTION=add\0"
       "DEVPATH=/devices/x/tty/ttyUSB0\0SUBSYSTEM=tty\0MAJOR=188\0MINOR=0\0DEVNAME=ttyUSB0\0SEQNUM=1\0"s,
       true, DeviceChange::kArrival, "ttyUSB0"},
      {"remove@/devices/x/tty/ttyACM0\0ACTION=remove\0SUBSYSTEM=tty\0DEVNAME=/dev/ttyACM0\0"s, true,
       DeviceChange::kRemoval, "ttyACM0"},
      {"change@/devices/x/tty/ttyS1\0ACTION=change\0SUBSYSTEM=tty\0DEVNAME=ttyS1\0"s, true,
       DeviceChange::kNodesChanged, "ttyS1"},
      {"move@/devices/x/tty/ttyS1\0ACTION=move\0SUBSYSTEM=tty\0"s, true,
       DeviceChange::kNodesChanged, ""},
      // Other subsystems, udev's re-broadcasts and garbage are no notices.
      {"add@/devices/x/usb1\0ACTION=add\0SUBSYSTEM=usb\0DEVNAME=bus/usb/001/002\0"s, false,
       DeviceChange::kArrival, ""},
      {"libudev\0\xfe\xed\xca\xfe"s, false, DeviceChange::kArrival, ""},
      {"add@/devices/x\0SUBSYSTEM=tty\0"s, false, DeviceChange::kArrival, ""},
      {""s, false, DeviceChange::kArrival, ""},
      {"\0\0\0"s, false, DeviceChange::kArrival, ""},
  };
  for (const UeventCase& c : cases) {
    DeviceNotice notice{DeviceChange::kArrival, "unchanged"};
    EXPECT_EQ(ParseUevent(c.message, notice), c.parsed) << c.message.c_str();
    if (c.parsed) {
      EXPECT_EQ(notice.change, c.change) << c.message.c_str();
      EXPECT_EQ(notice.name, c.name) << c.message.c_str();
    }
  }
}

}  // namespace
}  // namespace pelyx::link
