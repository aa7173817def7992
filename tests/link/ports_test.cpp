// Port enumeration on a fake sysfs tree, the exclusive trial open on pseudo-terminals,
// the port list, and the automatic detection's rotation.
#include "link/ports.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "link/serial_posix.h"
#include "link/ui_dispatcher.h"
#include "tests/link/no_permission.h"
#include "tests/link/pty.h"

namespace pelyx::link {
namespace {

namespace fs = std::filesystem;
using test_support::PseudoTerminal;

// ---- Fakes --------------------------------------------------------------------------

class FakeForm : public PortForm {
 public:
  void ClearPortItems() override {
    items.clear();
    portText.clear();
  }
  void AddPortItem(const std::string& text) override { items.push_back(text); }
  void SelectPortItem(int index) override {
    selections.push_back(index);
    if (index >= 0 && index < static_cast<int>(items.size())) portText = items[index];
  }
  std::string PortText() const override { return portText; }
  void SetPortText(const std::string& text) override { portText = text; }
  void SelectBaudItem(int index) override {
    baudIndex = index;
    baudText = kBaudRateItems[index];
  }
  std::string BaudText() const override { return baudText; }
  void SetAutoDetectPortText(const std::string& text) override { autoPort = text; }
  void SetAutoDetectBaudText(const std::string& text) override { autoBaud = text; }
  void ShowAutoPage(bool autoPage) override { autoPageShown = autoPage; }

  std::vector<std::string> items;
  std::vector<int> selections;
  std::string portText, baudText, autoPort = "?", autoBaud = "?";
  int baudIndex = -1;
  bool autoPageShown = false;
};

// A platform with a scripted list of ports, some of which cannot be opened.
class FakeEnumerator : public PortEnumerator {
 public:
  bool ListPorts(std::vector<std::string>& names) override {
    if (!available) return false;
    names = present;
    return true;
  }
  bool TrialOpen(const std::string& name) override {
    tried.push_back(name);
    return !held.count(name);
  }
  bool available = true;
  std::vector<std::string> present;
  std::set<std::string> held;
  std::vector<std::string> tried;
};

class FakePort : public DetectionPort {
 public:
  void Close() override {
    if (!stuckOpen) open = false;
  }
  bool IsOpen() const override { return open; }
  void SetDeviceName(const std::string& name) override { deviceName = name; }
  void Open() override {
    if (raising.count(deviceName)) throw CommException("Error opening port (Error: %d)", 5);
    open = !absent.count(deviceName);
    if (open) opened.push_back(deviceName);
  }
  void SetBaudRate(TBaudRate value) override { rate = value; }

  bool open = false;
  bool stuckOpen = false;
  std::string deviceName;
  TBaudRate rate = br9600;
  std::set<std::string> raising, absent;
  std::vector<std::string> opened;
};

// A sysfs tty class folder and a device folder under a temporary root.
class FakeTree {
 public:
  FakeTree() {
    char pattern[] = "/tmp/pelyx-ports-XXXXXX";
    if (::mkdtemp(pattern) != nullptr) root_ = pattern;
    fs::create_directories(TtyClass());
    fs::create_directories(Dev());
  }
  ~FakeTree() {
    std::error_code ignored;
    if (!root_.empty()) fs::remove_all(root_, ignored);
  }
  std::string TtyClass() const { return root_ + "/sys/class/tty"; }
  std::string Dev() const { return root_ + "/dev"; }

  // An entry; `device`: "link", "dir" or "" (none); `type`: the UART type attribute.
  void Add(const std::string& name, const std::string& device, const char* type = nullptr) {
    const fs::path entry = fs::path(TtyClass()) / name;
    fs::create_directories(entry);
    if (device == "link") {
      fs::create_directories(root_ + "/sys/devices/" + name);
      fs::create_directory_symlink(root_ + "/sys/devices/" + name, entry / "device");
    } else if (device == "dir") {
      fs::create_directories(entry / "device");
    }
    if (type != nullptr) std::ofstream(entry / "type") << type << "\n";
  }
  // A device file of the name that leads to `target` (a pseudo-terminal's path).
  void AddDevice(const std::string& name, const std::string& target) {
    fs::create_symlink(target, fs::path(Dev()) / name);
  }
  bool Ready() const { return !root_.empty(); }

 private:
  std::string root_;
};

// ---- Names and order ----------------------------------------------------------------

TEST(DeviceName, NamesAndTypedPathsBothGiveTheDevicePath) {
  const std::pair<const char*, const char*> cases[] = {
      {"ttyUSB0", "/dev/ttyUSB0"},
      {"pts/3", "/dev/pts/3"},
      {"/dev/ttyACM1", "/dev/ttyACM1"},
      {"/tmp/receiver", "/tmp/receiver"},
  };
  for (const auto& [name, path] : cases) {
    EXPECT_EQ(DeviceName(name), path) << name;
    EXPECT_EQ(DeviceName(PortNameOfDevice(path)), path) << path;
  }
  PortLists lists;
  lists.OpenablePorts = {"ttyUSB0"};
  int asked = 0;
  auto ask = [&] {
    ++asked;
    return false;
  };
  EXPECT_EQ(ConfirmManualPort(lists, "/dev/ttyUSB0", ask), 1)
      << "the openable port, typed as a path";
  EXPECT_EQ(asked, 0);
  EXPECT_EQ(ConfirmManualPort(lists, "/dev/ttyUSB1", ask), 2);
  EXPECT_EQ(asked, 1);
}

TEST(NaturalLess, OrdersPortNamesByTheirNumbers) {
  const std::vector<std::string> expected = {"ttyACM0", "ttyACM1", "ttyS0",   "ttyS1",   "ttyS2",
                                             "ttyS10",  "ttyUSB0", "ttyUSB2", "ttyUSB10"};
  std::vector<std::string> names = expected;
  std::mt19937 random(7);
  for (int round = 0; round < 20; ++round) {
    std::shuffle(names.begin(), names.end(), random);
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return NaturalLess(a, b); });
    ASSERT_EQ(names, expected);
  }
  EXPECT_FALSE(NaturalLess("ttyS1", "ttyS1"));
  EXPECT_TRUE(NaturalLess("ttyS", "ttyS0"));
}

// ---- Enumeration on sysfs -------------------------------------------------------------

TEST(SysfsPortEnumerator, ListsSerialDevicesInNaturalOrder) {
  FakeTree tree;
  ASSERT_TRUE(tree.Ready());
  tree.Add("ttyUSB10", "link");
  tree.Add("ttyS1", "link", "4");  // a UART that answered (16550A)
  tree.Add("ttyS0", "link", "4");
  tree.Add("ttyS2", "link", "0");  // legacy slot without a UART
  tree.Add("ttyS3", "link", "0");
  tree.Add("ttyUSB2", "dir");
  tree.Add("ttyACM0", "link");
  tree.Add("ttyUSB0", "link");
  tree.Add("tty0", "");  // virtual terminal
  tree.Add("console", "");
  tree.Add("ptmx", "");
  tree.Add("ttyAMA0", "link", "garbage");  // unreadable type: kept

  SysfsPortEnumerator sysfs(tree.TtyClass(), tree.Dev());
  PortLists lists;
  ASSERT_TRUE(EnumeratePorts(sysfs, lists));
  EXPECT_EQ(lists.FoundPorts, (std::vector<std::string>{"ttyACM0", "ttyAMA0", "ttyS0", "ttyS1",
                                                        "ttyUSB0", "ttyUSB2", "ttyUSB10"}));
  EXPECT_EQ(lists.FoundPortCount(), 7);
}

TEST(SysfsPortEnumerator, MissingClassFolderKeepsTheLastList) {
  SysfsPortEnumerator sysfs("/nonexistent/pelyx/sys/class/tty", "/dev");
  std::vector<std::string> names = {"before"};
  EXPECT_FALSE(sysfs.ListPorts(names));
  EXPECT_EQ(names, std::vector<std::string>{"before"});

  PortLists lists;
  lists.FoundPorts = {"ttyS0", "ttyUSB0"};
  lists.OpenablePorts = {"ttyUSB0"};
  FakeForm form;
  RescanPorts(sysfs, lists, form);
  EXPECT_EQ(lists.FoundPorts, (std::vector<std::string>{"ttyS0", "ttyUSB0"}));
  EXPECT_TRUE(lists.OpenablePorts.empty());
  EXPECT_EQ(form.items, (std::vector<std::string>{"ttyS0", "ttyUSB0"}));
}

// ---- The exclusive trial open ---------------------------------------------------------

TEST(SysfsPortEnumerator, TrialOpenOnPseudoTerminals) {
  FakeTree tree;
  ASSERT_TRUE(tree.Ready());
  PseudoTerminal freePty, lockedPty, heldPty;
  ASSERT_TRUE(freePty.Valid() && lockedPty.Valid() && heldPty.Valid());
  for (const char* name : {"ttyUSB0", "ttyUSB1", "ttyUSB2", "ttyS0", "ttyS1"}) {
    tree.Add(name, "link");
  }
  tree.AddDevice("ttyUSB0", freePty.Path());
  tree.AddDevice("ttyUSB1", lockedPty.Path());
  tree.AddDevice("ttyUSB2", heldPty.Path());
  std::ofstream(tree.Dev() + "/ttyS1") << "not a terminal";  // ttyS0 has no device file

  // Another program holds ttyUSB1 with a lock; this program holds ttyUSB2 open itself.
  const int other = ::open(lockedPty.Path().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  ASSERT_GE(other, 0);
  ASSERT_EQ(::flock(other, LOCK_EX | LOCK_NB), 0);
  const int ours = posix::OpenExclusive(heldPty.Path().c_str());
  ASSERT_GE(ours, 0);

  SysfsPortEnumerator ports(tree.TtyClass(), tree.Dev());
  PortLists lists;
  FakeForm form;
  RescanPorts(ports, lists, form);
  EXPECT_EQ(lists.FoundPorts,
            (std::vector<std::string>{"ttyS0", "ttyS1", "ttyUSB0", "ttyUSB1", "ttyUSB2"}));
  EXPECT_EQ(lists.OpenablePorts, std::vector<std::string>{"ttyUSB0"});
  EXPECT_EQ(form.items, lists.FoundPorts);  // held ports are still listed

  // The trial leaves the free port as it found it: it opens again, exclusively.
  const int again = posix::OpenExclusive(freePty.Path().c_str());
  EXPECT_GE(again, 0);
  posix::CloseExclusive(again);

  // Once released, both held ports are openable at the next probe.
  ::close(other);
  posix::CloseExclusive(ours);
  ProbePorts(ports, lists);
  EXPECT_EQ(lists.OpenablePorts, (std::vector<std::string>{"ttyUSB0", "ttyUSB1", "ttyUSB2"}));
  EXPECT_FALSE(ports.TrialOpen("../ttyUSB0"));
}

TEST(SysfsPortEnumerator, TrialOpenTellsAPortWithoutPermissionFromABusyOne) {
  PseudoTerminal freePty, lockedPty;
  test_support::UnpermittedPort unpermitted;
  ASSERT_TRUE(freePty.Valid() && lockedPty.Valid() && unpermitted.Valid());
  const int other = ::open(lockedPty.Path().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  ASSERT_GE(other, 0);
  ASSERT_EQ(::flock(other, LOCK_EX | LOCK_NB), 0);

  SysfsPortEnumerator ports("/nonexistent", "/dev");
  auto name = [](const std::string& path) { return path.substr(5); };  // "pts/N"
  EXPECT_EQ(ports.TrialOpenError(name(freePty.Path())), 0);
  EXPECT_EQ(ports.TrialOpenError(name(lockedPty.Path())), EWOULDBLOCK);
  EXPECT_EQ(ports.TrialOpenError("pts/999999"), ENOENT);
  unpermitted.AsUnprivileged([&] {
    EXPECT_EQ(ports.TrialOpenError(name(unpermitted.Path())), EACCES);
    EXPECT_FALSE(ports.TrialOpen(name(unpermitted.Path())));
  });
  ::close(other);
}

TEST(OpenFailureCause, NamesTheGroupThatOwnsTheDeviceForAPermissionFailure) {
  test_support::UnpermittedPort port;
  ASSERT_TRUE(port.Valid());
  EventQueueDispatcher ui;
  TComm comm(ui);
  comm.SetDeviceName(port.Path());
  port.AsUnprivileged([&] { comm.Open(); });
  EXPECT_FALSE(comm.IsOpen());
  EXPECT_EQ(comm.LastOpenError(), EACCES);
  EXPECT_EQ(OpenFailureCause(port.Path(), comm.LastOpenError()),
            "Permission denied: add your user to the group " + port.GroupName() + ", which owns " +
                port.Path() + ", then log in again");
  // Other failures have nothing to add.
  for (int error : {ENOENT, EBUSY, ENOTTY, EWOULDBLOCK}) {
    EXPECT_EQ(OpenFailureCause(port.Path(), error), "") << error;
  }
  // After an open that works the error is cleared.
  PseudoTerminal free;
  ASSERT_TRUE(free.Valid());
  comm.SetDeviceName(free.Path());
  comm.Open();
  EXPECT_TRUE(comm.IsOpen());
  EXPECT_EQ(comm.LastOpenError(), 0);
  comm.Close();
}

// ---- The port list --------------------------------------------------------------------

TEST(RescanPorts, FillsThePortListAndBoundsTheLists) {
  struct Case {
    const char* name;
    std::vector<std::string> present;
    std::set<std::string> held;
    std::vector<std::string> items;
    std::string text;
    std::vector<std::string> openable;
  };
  const std::vector<Case> cases = {
      {"three ports",
       {"ttyUSB1", "ttyS0", "ttyACM3"},
       {"ttyS0"},
       {"ttyACM3", "ttyS0", "ttyUSB1"},
       "ttyACM3",
       {"ttyACM3", "ttyUSB1"}},
      {"no port", {}, {}, {"N/A"}, "N/A", {}},
      {"all held", {"ttyS0"}, {"ttyS0"}, {"ttyS0"}, "ttyS0", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeEnumerator platform;
    platform.present = c.present;
    platform.held = c.held;
    PortLists lists;
    FakeForm form;
    form.items = {"stale"};
    RescanPorts(platform, lists, form);
    EXPECT_EQ(form.items, c.items);
    EXPECT_EQ(form.portText, c.text);
    EXPECT_EQ(lists.OpenablePorts, c.openable);
  }

  FakeEnumerator many;
  for (int i = 0; i < 600; ++i) many.present.push_back("ttyUSB" + std::to_string(599 - i));
  PortLists lists;
  FakeForm form;
  RescanPorts(many, lists, form);
  ASSERT_EQ(lists.FoundPortCount(), 512);
  EXPECT_EQ(lists.FoundPorts.front(), "ttyUSB0");
  EXPECT_EQ(lists.FoundPorts.back(), "ttyUSB511");
  ASSERT_EQ(lists.OpenablePortCount(), 256);
  EXPECT_EQ(lists.OpenablePorts.back(), "ttyUSB255");
}

TEST(SwitchConnectionMode, ShowsThePageOfTheMode) {
  FakeEnumerator platform;
  platform.present = {"ttyS0", "ttyUSB0"};
  PortLists lists;
  FakeForm form;
  SwitchConnectionMode(true, platform, lists, form);
  EXPECT_TRUE(form.autoPageShown);
  EXPECT_EQ(form.autoPort, "");
  EXPECT_EQ(form.autoBaud, "");
  SwitchConnectionMode(false, platform, lists, form);
  EXPECT_FALSE(form.autoPageShown);
  EXPECT_EQ(form.portText, "ttyS0");
  EXPECT_EQ(form.baudIndex, 0);
}

TEST(PrepareAutoDetection, ShowsTheFirstOpenablePortOrNA) {
  struct Case {
    const char* name;
    std::set<std::string> held;
    std::string port, baud;
  };
  const Case cases[] = {
      {"first found is held", {"ttyS0"}, "ttyUSB0", "115200"},
      {"all free", {}, "ttyS0", "115200"},
      {"none openable", {"ttyS0", "ttyUSB0"}, "N/A", "N/A"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeEnumerator platform;
    platform.present = {"ttyUSB0", "ttyS0"};
    platform.held = c.held;
    PortLists lists;
    FakeForm form;
    PrepareAutoDetection(platform, lists, form);
    EXPECT_EQ(form.autoPort, c.port);
    EXPECT_EQ(form.autoBaud, c.baud);
  }
}

TEST(ConfirmManualPort, AsksOnlyForPortsThatCannotBeOpened) {
  struct Case {
    const char* chosen;
    bool answer;
    int result;
    int asked;
  };
  const Case cases[] = {{"ttyUSB0", false, 1, 0},
                        {"ttyS0", true, 1, 1},
                        {"ttyS0", false, 2, 1},
                        {"N/A", false, 2, 1}};
  PortLists lists;
  lists.FoundPorts = {"ttyS0", "ttyUSB0"};
  lists.OpenablePorts = {"ttyUSB0"};
  for (const Case& c : cases) {
    int asked = 0;
    EXPECT_EQ(ConfirmManualPort(lists, c.chosen,
                                [&] {
                                  ++asked;
                                  return c.answer;
                                }),
              c.result)
        << c.chosen;
    EXPECT_EQ(asked, c.asked) << c.chosen;
  }
}

// ---- The detection ------------------------------------------------------------------

TEST(AutoDetectTickLimit, TwentyTicksOrThreePerPortPlusTwo) {
  const std::pair<int, int> cases[] = {{0, 20}, {1, 20}, {3, 20}, {6, 20}, {7, 23}, {8, 26}};
  for (auto [ports, limit] : cases) EXPECT_EQ(AutoDetectTickLimit(ports), limit) << ports;
}

struct Detection {
  PortLists lists;
  FakePort port;
  FakeForm form;
  AutoDetector detector;
  std::vector<int> queryTicks;
  std::map<int, std::string> opens;  // tick -> port opened
  int tick = 0;

  AutoDetector::StepResult Step(bool identified = false) {
    const int now = tick++;
    auto result = detector.Step(now, identified, lists, port, form, [&] {
      queryTicks.push_back(now);
      return false;  // a query on a port without the receiver
    });
    if (!result.openedPort.empty()) opens[now] = result.openedPort;
    return result;
  }
};

TEST(AutoDetector, RotatesThroughTheOpenablePorts) {
  Detection d;
  d.lists.OpenablePorts = {"ttyS3", "ttyS5", "ttyS9"};
  for (int i = 0; i <= 20; ++i) d.Step();
  EXPECT_EQ(d.opens, (std::map<int, std::string>{{0, "ttyS3"},
                                                 {3, "ttyS5"},
                                                 {6, "ttyS9"},
                                                 {9, "ttyS3"},
                                                 {12, "ttyS5"},
                                                 {15, "ttyS9"},
                                                 {18, "ttyS3"}}));
  EXPECT_EQ(d.queryTicks, (std::vector<int>{0, 2, 3, 5, 6, 8, 9, 11, 12, 14, 15, 17, 18, 20}));
  EXPECT_EQ(d.port.deviceName, "/dev/ttyS3");
  EXPECT_EQ(d.port.rate, br115200);
  EXPECT_EQ(d.form.autoPort, "ttyS3");
  EXPECT_EQ(d.form.autoBaud, "115200");
}

TEST(AutoDetector, AnswerOnTheSecondPortStopsTheRotation) {
  Detection d;
  d.lists.OpenablePorts = {"ttyS3", "ttyS5", "ttyS9"};
  for (int i = 0; i < 5; ++i) d.Step();
  for (int i = 0; i < 6; ++i) {
    const auto result = d.Step(true);
    EXPECT_TRUE(result.openedPort.empty());
    EXPECT_EQ(result.queriesSent, 0);
  }
  EXPECT_EQ(d.port.opened, (std::vector<std::string>{"/dev/ttyS3", "/dev/ttyS5"}));
  EXPECT_TRUE(d.port.IsOpen());
  EXPECT_EQ(d.port.deviceName, "/dev/ttyS5");
  EXPECT_EQ(d.form.autoPort, "ttyS5");
}

TEST(AutoDetector, RaisingOpenMovesOnToTheNextPort) {
  Detection d;
  d.lists.OpenablePorts = {"ttyS3", "ttyS5", "ttyS9"};
  d.port.raising = {"/dev/ttyS5"};
  d.port.absent = {"/dev/ttyS9"};
  std::vector<std::string> errors;
  for (int i = 0; i < 12; ++i) {
    const auto result = d.Step();
    if (!result.openError.empty()) errors.push_back(std::to_string(i) + " " + result.openError);
  }
  EXPECT_EQ(errors, std::vector<std::string>{"3 Error opening port (Error: 5)"});
  // ttyS5 raised at tick 3 (no query), ttyS9 would not open at tick 6 (queried all the
  // same), ttyS3 again at tick 9.
  EXPECT_EQ(d.opens, (std::map<int, std::string>{{0, "ttyS3"}, {9, "ttyS3"}}));
  EXPECT_EQ(d.queryTicks, (std::vector<int>{0, 2, 5, 6, 8, 9, 11}));
}

TEST(AutoDetector, RestartsAtTickZeroAndSurvivesAShrinkingList) {
  Detection d;
  d.lists.OpenablePorts = {"ttyS3", "ttyS5", "ttyS9"};
  for (int i = 0; i < 7; ++i) d.Step();
  EXPECT_EQ(d.detector.AutoPortCursor(), 3);
  d.lists.OpenablePorts = {"ttyUSB0"};  // a rescan while detecting
  d.tick = 9;
  d.Step();
  EXPECT_EQ(d.opens[9], "ttyUSB0");
  d.lists.OpenablePorts = {"ttyS3", "ttyS5"};
  d.tick = 0;  // a new attempt
  d.Step();
  EXPECT_EQ(d.opens[0], "ttyS3");

  d.lists.OpenablePorts.clear();
  d.tick = 3;
  const auto result = d.Step();
  EXPECT_TRUE(result.openedPort.empty());
  EXPECT_EQ(result.queriesSent, 0);
}

// A start port given for the next attempt: its rotation begins there when the port is
// openable, then goes on in the list's order; the attempt after it begins at the first
// port again.
TEST(AutoDetector, StartsTheNextAttemptAtTheGivenPortOnce) {
  struct Case {
    const char* name;
    std::string start;
    std::map<int, std::string> opens;
  };
  const Case cases[] = {
      {"the second port", "ttyS5", {{0, "ttyS5"}, {3, "ttyS9"}, {6, "ttyS3"}}},
      {"the last port", "ttyS9", {{0, "ttyS9"}, {3, "ttyS3"}, {6, "ttyS5"}}},
      {"a port no longer openable", "ttyUSB0", {{0, "ttyS3"}, {3, "ttyS5"}, {6, "ttyS9"}}},
      {"none", "", {{0, "ttyS3"}, {3, "ttyS5"}, {6, "ttyS9"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Detection d;
    d.lists.OpenablePorts = {"ttyS3", "ttyS5", "ttyS9"};
    d.detector.StartAt(c.start);
    for (int i = 0; i < 8; ++i) d.Step();
    EXPECT_EQ(d.opens, c.opens);
    d.opens.clear();
    d.tick = 0;  // the next attempt
    d.Step();
    EXPECT_EQ(d.opens, (std::map<int, std::string>{{0, "ttyS3"}}));
  }
}

TEST(OpenPortByName, DoesNotOpenWhileTheOldPortStaysOpen) {
  FakePort port;
  FakeForm form;
  port.open = true;
  port.deviceName = "/dev/ttyS0";
  port.stuckOpen = true;
  EXPECT_FALSE(OpenPortByName("ttyUSB0", form, port));
  EXPECT_EQ(port.deviceName, "/dev/ttyS0");
  port.stuckOpen = false;
  EXPECT_TRUE(OpenPortByName("ttyUSB0", form, port));
  EXPECT_EQ(port.deviceName, "/dev/ttyUSB0");
  EXPECT_EQ(PortNameOfDevice(port.deviceName), "ttyUSB0");
  EXPECT_EQ(PortNameOfDevice("Com2"), "Com2");
  EXPECT_EQ(form.portText, "ttyUSB0");
}

}  // namespace
}  // namespace pelyx::link
