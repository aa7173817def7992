// The serial ports of the machine: which exist, which can be opened, the port list of
// the connection settings, and the automatic detection of the receiver's port.
//
// A port is known by its device name ("ttyUSB0"); its device path is "/dev/" followed
// by the name. The platform's list of ports sits behind `PortEnumerator`, so that the
// tests hand in port lists of their own and another platform can add its list.
//
// Everything here runs on the user-interface thread, driven by the connection manager:
// the scans at start-up, on a change of the serial mode, when an Auto connection starts
// and on device-change notices; the detection one step per supervision tick.
#pragma once

#include <cerrno>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "link/comm.h"

namespace pelyx::link {

// Bounds of the two port lists; ports past them are left out.
inline constexpr size_t kMaxFoundPorts = 512;
inline constexpr size_t kMaxOpenablePorts = 256;

// The text of the port list when no port exists.
inline constexpr char kNoPortText[] = "N/A";

// The baud-rate list of the connection settings and its rate table: one row.
inline constexpr const char* kBaudRateItems[] = {"115200"};
inline constexpr TBaudRate kBaudRateTable[] = {br115200};
inline constexpr int kBaudRateEntryCount = 1;

// Natural order of port names: runs of digits compare by their value, everything else
// character by character ("ttyS2" before "ttyS10", "ttyACM0" before "ttyS0").
bool NaturalLess(std::string_view a, std::string_view b);

// The device path of a port: "/dev/" followed by its name. A name typed as a path
// ("/dev/ttyUSB0", "/tmp/receiver") is the path itself.
std::string DeviceName(std::string_view portName);

// The port name of a device path: what follows "/dev/"; the path itself when it does
// not start with "/dev/".
std::string PortNameOfDevice(std::string_view deviceName);

// The platform's serial ports.
class PortEnumerator {
 public:
  virtual ~PortEnumerator() = default;
  // The names of the serial devices present, in any order. False when the list cannot
  // be had; `names` is then left as it was.
  virtual bool ListPorts(std::vector<std::string>& names) = 0;
  // Opens the port for exclusive use and closes it again; true when the open worked.
  // A port held by another program, or by this one, cannot be opened.
  virtual bool TrialOpen(const std::string& name) = 0;
  // The same trial open, telling why it failed: 0 when the port opened, else the errno
  // of the failure (EACCES for a port the user may not open). A list that cannot tell
  // calls every failure EBUSY.
  virtual int TrialOpenError(const std::string& name) { return TrialOpen(name) ? 0 : EBUSY; }
};

// What a failed open of the device `deviceName` with `error` (an errno value) means for
// the user and how to mend it, in one line; empty when there is nothing to add. For a
// port the user may not open: "Permission denied: add your user to the group dialout,
// which owns /dev/ttyUSB0, then log in again", with the group that owns the device node.
std::string OpenFailureCause(const std::string& deviceName, int error);

// The serial ports of Linux: the entries of the tty class folder of sysfs that have a
// `device` link (virtual terminals, pseudo-terminals and the console have none), except
// UART ports whose `type` attribute reads 0, "unknown": the kernel creates those for
// every possible legacy port whether or not a UART answers there. The trial open is the
// exclusive open of the serial component.
class SysfsPortEnumerator final : public PortEnumerator {
 public:
  // `ttyClassRoot`: the tty class folder; `deviceRoot`: the folder of the device files.
  explicit SysfsPortEnumerator(std::string ttyClassRoot = "/sys/class/tty",
                               std::string deviceRoot = "/dev");

  bool ListPorts(std::vector<std::string>& names) override;
  bool TrialOpen(const std::string& name) override;
  int TrialOpenError(const std::string& name) override;

 private:
  std::string ttyClassRoot_;
  std::string deviceRoot_;
};

// The port lists (members of the main window).
struct PortLists {
  std::vector<std::string> FoundPorts;     // present ports, natural order
  std::vector<std::string> OpenablePorts;  // the found ports openable at the last probe
  // The first found port the last probe was not permitted to open, and the errno of
  // that open; empty and 0 when none.
  std::string DeniedPort;
  int DeniedError = 0;

  int FoundPortCount() const { return static_cast<int>(FoundPorts.size()); }
  int OpenablePortCount() const { return static_cast<int>(OpenablePorts.size()); }
  bool IsFound(std::string_view name) const;
  bool IsOpenable(std::string_view name) const;
};

// The controls of the serial connection settings that the port list and the detection
// fill; the main window implements it.
class PortForm {
 public:
  virtual ~PortForm() = default;
  // cbxComPort
  virtual void ClearPortItems() = 0;
  virtual void AddPortItem(const std::string& text) = 0;
  virtual void SelectPortItem(int index) = 0;
  virtual std::string PortText() const = 0;
  virtual void SetPortText(const std::string& text) = 0;
  // cbxBaudRate
  virtual void SelectBaudItem(int index) = 0;
  virtual std::string BaudText() const = 0;
  // EditAutoDetectComPort, EditAutoDetectBaudRate
  virtual void SetAutoDetectPortText(const std::string& text) = 0;
  virtual void SetAutoDetectBaudText(const std::string& text) = 0;
  // PageControlDetectComPortMode: the Auto page (true) or the Manual page.
  virtual void ShowAutoPage(bool autoPage) = 0;
};

// Refills FoundPorts from the platform's list, in natural order, at most kMaxFoundPorts.
// False, with the list unchanged, when the platform's list cannot be had.
bool EnumeratePorts(PortEnumerator& ports, PortLists& lists);

// Refills OpenablePorts with the found ports whose trial open works, in the order of
// FoundPorts, at most kMaxOpenablePorts.
void ProbePorts(PortEnumerator& ports, PortLists& lists);

// Fills cbxComPort with the found ports and selects the first; "N/A" when none.
void FillPortList(const PortLists& lists, PortForm& form);

// EnumeratePorts, ProbePorts, FillPortList.
void RescanPorts(PortEnumerator& ports, PortLists& lists, PortForm& form);

// A click on either serial mode radio button: rescans, then shows the page of the mode.
// Auto: the Auto page with both Auto edits empty. Manual: the Manual page with the first
// port (or "N/A") and the first baud rate selected.
void SwitchConnectionMode(bool autoChecked, PortEnumerator& ports, PortLists& lists,
                          PortForm& form);

// An Auto connection starts: rescans and shows the first openable port and the baud
// rate in the Auto edits, or "N/A" in both when no port can be opened.
void PrepareAutoDetection(PortEnumerator& ports, PortLists& lists, PortForm& form);

// Manual connection on the port named by the text of cbxComPort: 1 when that port is
// openable, otherwise the answer to the force-connect question (`askForceConnect` shows
// it and returns true for OK): 1 for OK, 2 for Cancel.
int ConfirmManualPort(const PortLists& lists, std::string_view chosenPort,
                      const std::function<bool()>& askForceConnect);

// The serial port as the detection drives it. `CommDetectionPort` is the serial
// component's; the tests supply their own.
class DetectionPort {
 public:
  virtual ~DetectionPort() = default;
  virtual void Close() = 0;
  virtual bool IsOpen() const = 0;
  virtual void SetDeviceName(const std::string& deviceName) = 0;
  // May raise CommException (settings refused on an opened port).
  virtual void Open() = 0;
  // May raise CommException (rate refused by an open port).
  virtual void SetBaudRate(TBaudRate rate) = 0;
};

class CommDetectionPort final : public DetectionPort {
 public:
  explicit CommDetectionPort(TComm& comm) : comm_(comm) {}
  void Close() override { comm_.Close(); }
  bool IsOpen() const override { return comm_.IsOpen(); }
  void SetDeviceName(const std::string& deviceName) override { comm_.SetDeviceName(deviceName); }
  void Open() override { comm_.Open(); }
  void SetBaudRate(TBaudRate rate) override { comm_.SetBaudRate(rate); }

 private:
  TComm& comm_;
};

// Selects entry `position` of cbxBaudRate and sets the port's rate from the rate
// table; nothing for a position outside the table.
void SelectBaudEntry(int position, PortForm& form, DetectionPort& port);

// Closes the port and opens the named one: the port list's text becomes the name, the
// device path "/dev/" + name. False when the old port would not close or the new one
// did not open. CommException passes through.
bool OpenPortByName(const std::string& name, PortForm& form, DetectionPort& port);

// The identification deadline of an Auto connection in ticks: 20 for up to six
// openable ports, else 3 per port plus 2.
int AutoDetectTickLimit(int openablePortCount);

// The automatic detection: each openable port in turn is opened and queried on its
// first tick, left to answer on the second and queried again on the third; after the
// last port the rotation starts again with the first.
class AutoDetector {
 public:
  struct StepResult {
    std::string openedPort;  // the port opened at this step; empty when none
    int queriesSent = 0;     // product-information queries sent at this step
    std::string openError;   // the text of an exception raised by the open, if any
  };

  // One step at tick `tickCount` of the connection attempt (AutoDetectStep).
  // `requestProductInfo` sends the product-information query through the active link.
  //
  // The port's turn is taken before it is opened: when its open raises, the text comes
  // back in `openError` (for the window to show), the step sends no query, and the
  // rotation goes on with the next port at the next port tick instead of retrying the
  // failing one forever. The caller counts the tick as usual, so the deadline holds.
  StepResult Step(int tickCount, bool deviceIdentified, const PortLists& lists, DetectionPort& port,
                  PortForm& form, const std::function<bool()>& requestProductInfo);

  // Position in OpenablePorts of the port the next port tick opens.
  int AutoPortCursor() const { return cursor_; }

  // The next attempt (its tick 0) starts the rotation at the port `name` when it is
  // openable then, instead of at the first openable port; once.
  void StartAt(std::string name) { startAt_ = std::move(name); }

  // The port `name` failed while it was tried (it hung up): the rest of this attempt
  // skips it, and the next step opens the next port, whatever its tick, from where the
  // rotation goes on three ticks per port.
  void PortFailed(const std::string& name);

 private:
  bool Failed(const std::string& name) const;

  int cursor_ = 0;
  std::string startAt_;
  std::vector<std::string> failed_;
  bool moveOn_ = false;
  int firstTick_ = 0;  // the tick the current port's turn began on, modulo 3
};

}  // namespace pelyx::link
