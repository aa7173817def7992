#include "link/ports.h"

#include <grp.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "link/serial_posix.h"

namespace pelyx::link {

namespace {

constexpr std::string_view kDevicePrefix = "/dev/";

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// The run of digits of `s` starting at `i`, without its leading zeros.
std::string_view DigitRun(std::string_view s, size_t& i) {
  const size_t start = i;
  while (i < s.size() && IsDigit(s[i])) ++i;
  std::string_view run = s.substr(start, i - start);
  while (run.size() > 1 && run.front() == '0') run.remove_prefix(1);
  return run;
}

// The `type` attribute of a UART port: 0 means the kernel found no UART there.
bool IsUnknownUart(const std::filesystem::path& entry) {
  std::ifstream in(entry / "type");
  if (!in) return false;  // not a UART port, or not readable: keep it
  std::string text;
  std::getline(in, text);
  const char* begin = text.c_str();
  char* end = nullptr;
  errno = 0;
  const long type = std::strtol(begin, &end, 10);
  return end != begin && errno == 0 && type == 0;
}

}  // namespace

bool NaturalLess(std::string_view a, std::string_view b) {
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if (IsDigit(a[i]) && IsDigit(b[j])) {
      std::string_view x = DigitRun(a, i);
      std::string_view y = DigitRun(b, j);
      if (x.size() != y.size()) return x.size() < y.size();
      if (x != y) return x < y;
      continue;
    }
    if (a[i] != b[j]) return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[j]);
    ++i;
    ++j;
  }
  if ((a.size() - i) != (b.size() - j)) return (a.size() - i) < (b.size() - j);
  return a < b;  // equal by value ("ttyS01" and "ttyS1"): any fixed order
}

std::string DeviceName(std::string_view portName) {
  if (portName.starts_with('/')) return std::string(portName);
  std::string path(kDevicePrefix);
  path.append(portName);
  return path;
}

std::string PortNameOfDevice(std::string_view deviceName) {
  if (deviceName.starts_with(kDevicePrefix)) deviceName.remove_prefix(kDevicePrefix.size());
  return std::string(deviceName);
}

SysfsPortEnumerator::SysfsPortEnumerator(std::string ttyClassRoot, std::string deviceRoot)
    : ttyClassRoot_(std::move(ttyClassRoot)), deviceRoot_(std::move(deviceRoot)) {}

bool SysfsPortEnumerator::ListPorts(std::vector<std::string>& names) {
  namespace fs = std::filesystem;
  std::error_code error;
  fs::directory_iterator it(ttyClassRoot_, error);
  if (error) return false;
  std::vector<std::string> found;
  for (const fs::directory_iterator end; it != end; it.increment(error)) {
    if (error) return false;
    const fs::path entry = it->path();
    std::error_code statError;
    // The link itself counts; where it leads is the driver's business.
    if (!fs::exists(fs::symlink_status(entry / "device", statError))) continue;
    if (IsUnknownUart(entry)) continue;
    found.push_back(entry.filename().string());
  }
  names = std::move(found);
  return true;
}

bool SysfsPortEnumerator::TrialOpen(const std::string& name) {
  return TrialOpenError(name) == 0;
}

int SysfsPortEnumerator::TrialOpenError(const std::string& name) {
  if (name.empty() || name.find("..") != std::string::npos) return ENOENT;
  const std::string path = deviceRoot_ + "/" + name;
  const int fd = posix::OpenExclusive(path.c_str());
  if (fd < 0) return errno != 0 ? errno : EBUSY;
  posix::CloseExclusive(fd);
  return 0;
}

std::string OpenFailureCause(const std::string& deviceName, int error) {
  if (error != EACCES && error != EPERM) return {};
  std::string groupName;
  struct stat node {};
  if (::stat(deviceName.c_str(), &node) == 0) {
    std::vector<char> buffer(16384);
    struct group entry {};
    struct group* found = nullptr;
    if (::getgrgid_r(node.st_gid, &entry, buffer.data(), buffer.size(), &found) == 0 &&
        found != nullptr && found->gr_name != nullptr) {
      groupName = found->gr_name;
    } else {
      groupName = std::to_string(node.st_gid);
    }
  }
  if (groupName.empty()) {
    return "Permission denied: your user may not open " + deviceName;
  }
  return "Permission denied: add your user to the group " + groupName + ", which owns " +
         deviceName + ", then log in again";
}

bool PortLists::IsFound(std::string_view name) const {
  return std::find(FoundPorts.begin(), FoundPorts.end(), name) != FoundPorts.end();
}

bool PortLists::IsOpenable(std::string_view name) const {
  return std::find(OpenablePorts.begin(), OpenablePorts.end(), name) != OpenablePorts.end();
}

bool EnumeratePorts(PortEnumerator& ports, PortLists& lists) {
  std::vector<std::string> names;
  if (!ports.ListPorts(names)) return false;
  std::sort(names.begin(), names.end(),
            [](const std::string& a, const std::string& b) { return NaturalLess(a, b); });
  names.erase(std::unique(names.begin(), names.end()), names.end());
  if (names.size() > kMaxFoundPorts) names.resize(kMaxFoundPorts);
  lists.FoundPorts = std::move(names);
  return true;
}

void ProbePorts(PortEnumerator& ports, PortLists& lists) {
  lists.OpenablePorts.clear();
  lists.DeniedPort.clear();
  lists.DeniedError = 0;
  for (const std::string& name : lists.FoundPorts) {
    if (lists.OpenablePorts.size() >= kMaxOpenablePorts) break;
    const int error = ports.TrialOpenError(name);
    if (error == 0) {
      lists.OpenablePorts.push_back(name);
    } else if ((error == EACCES || error == EPERM) && lists.DeniedPort.empty()) {
      lists.DeniedPort = name;
      lists.DeniedError = error;
    }
  }
}

void FillPortList(const PortLists& lists, PortForm& form) {
  form.ClearPortItems();
  for (const std::string& name : lists.FoundPorts) form.AddPortItem(name);
  if (lists.FoundPortCount() > 0) {
    form.SelectPortItem(0);
  } else {
    form.AddPortItem(kNoPortText);
    form.SetPortText(kNoPortText);
  }
}

void RescanPorts(PortEnumerator& ports, PortLists& lists, PortForm& form) {
  // Without the platform's list nothing is probed: the found ports keep the last list
  // for the port list, but none of them counts as openable.
  if (EnumeratePorts(ports, lists)) {
    ProbePorts(ports, lists);
  } else {
    lists.OpenablePorts.clear();
    lists.DeniedPort.clear();
    lists.DeniedError = 0;
  }
  FillPortList(lists, form);
}

void SwitchConnectionMode(bool autoChecked, PortEnumerator& ports, PortLists& lists,
                          PortForm& form) {
  RescanPorts(ports, lists, form);
  form.ShowAutoPage(autoChecked);
  if (autoChecked) {
    form.SetAutoDetectPortText("");
    form.SetAutoDetectBaudText("");
    return;
  }
  if (lists.FoundPortCount() > 0) {
    form.SelectPortItem(0);
  } else {
    form.SetPortText(kNoPortText);
  }
  form.SelectBaudItem(0);
}

void PrepareAutoDetection(PortEnumerator& ports, PortLists& lists, PortForm& form) {
  RescanPorts(ports, lists, form);
  if (lists.FoundPortCount() > 0) form.SelectPortItem(0);
  if (lists.OpenablePortCount() > 0) {
    const auto it =
        std::find(lists.FoundPorts.begin(), lists.FoundPorts.end(), lists.OpenablePorts[0]);
    if (it != lists.FoundPorts.end()) {
      form.SelectPortItem(static_cast<int>(std::distance(lists.FoundPorts.begin(), it)));
    }
    form.SetAutoDetectPortText(form.PortText());
    form.SelectBaudItem(0);
    form.SetAutoDetectBaudText(form.BaudText());
  } else {
    form.SetAutoDetectPortText(kNoPortText);
    form.SetAutoDetectBaudText(kNoPortText);
  }
}

int ConfirmManualPort(const PortLists& lists, std::string_view chosenPort,
                      const std::function<bool()>& askForceConnect) {
  // A port typed as its device path ("/dev/ttyUSB0") is the port of that name.
  if (lists.IsOpenable(PortNameOfDevice(chosenPort))) return 1;
  return askForceConnect && askForceConnect() ? 1 : 2;
}

void SelectBaudEntry(int position, PortForm& form, DetectionPort& port) {
  if (position < 0 || position >= kBaudRateEntryCount) return;
  form.SelectBaudItem(position);
  port.SetBaudRate(kBaudRateTable[position]);
}

bool OpenPortByName(const std::string& name, PortForm& form, DetectionPort& port) {
  port.Close();
  if (port.IsOpen()) return false;
  form.SetPortText(name);
  port.SetDeviceName(DeviceName(name));
  port.Open();
  return port.IsOpen();
}

int AutoDetectTickLimit(int openablePortCount) {
  constexpr int kBaseLimit = 20;
  constexpr int kTicksPerPort = 3;
  if (openablePortCount <= kBaseLimit / kTicksPerPort) return kBaseLimit;
  return kTicksPerPort * openablePortCount + 2;
}

AutoDetector::StepResult AutoDetector::Step(int tickCount, bool deviceIdentified,
                                            const PortLists& lists, DetectionPort& port,
                                            PortForm& form,
                                            const std::function<bool()>& requestProductInfo) {
  StepResult result;
  if (deviceIdentified) return result;
  if (tickCount == 0) {
    cursor_ = 0;
    const auto it = std::find(lists.OpenablePorts.begin(), lists.OpenablePorts.end(), startAt_);
    if (!startAt_.empty() && it != lists.OpenablePorts.end()) {
      cursor_ = static_cast<int>(std::distance(lists.OpenablePorts.begin(), it));
    }
    startAt_.clear();
    failed_.clear();
    moveOn_ = false;
    firstTick_ = 0;
  }
  if (moveOn_) {
    moveOn_ = false;
    firstTick_ = tickCount % 3;
  }
  const auto query = [&] {
    if (requestProductInfo) requestProductInfo();
    ++result.queriesSent;
  };
  switch ((tickCount - firstTick_ + 3) % 3) {
    case 0: {
      if (lists.OpenablePorts.empty()) return result;  // the manager's deadline ends it
      std::string name;
      for (int tried = 0; tried < lists.OpenablePortCount() && name.empty(); ++tried) {
        if (cursor_ < 0 || cursor_ >= lists.OpenablePortCount()) cursor_ = 0;
        name = lists.OpenablePorts[static_cast<size_t>(cursor_)];
        ++cursor_;
        if (Failed(name)) name.clear();
      }
      if (name.empty()) return result;  // every port failed: the deadline ends it
      try {
        SelectBaudEntry(0, form, port);
        form.SetAutoDetectBaudText(form.BaudText());
        OpenPortByName(name, form, port);
        form.SetAutoDetectPortText(form.PortText());
      } catch (const std::exception& e) {
        result.openError = e.what();
        return result;
      }
      result.openedPort = port.IsOpen() ? name : std::string();
      query();
      break;
    }
    case 2:
      query();
      break;
    default:
      break;
  }
  return result;
}

void AutoDetector::PortFailed(const std::string& name) {
  if (!Failed(name)) failed_.push_back(name);
  moveOn_ = true;
}

bool AutoDetector::Failed(const std::string& name) const {
  return std::find(failed_.begin(), failed_.end(), name) != failed_.end();
}

}  // namespace pelyx::link
