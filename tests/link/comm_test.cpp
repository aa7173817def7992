#include "link/comm.h"

// The kernel's termios interface reads back arbitrary rates (BOTHER); it cannot be mixed
// with <termios.h>, so the tests use it for every read-back.
#include <asm/ioctls.h>
#include <asm/termbits.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <time.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "link/serial_posix.h"
#include "link/ui_dispatcher.h"
#include "tests/link/pty.h"

namespace pelyx::link {
namespace {

using test_support::PseudoTerminal;
using namespace std::chrono_literals;

constexpr int kEventually = 5000;  // ms: generous bound for "happens eventually"

struct termios2 LineOf(int fd) {
  struct termios2 tio {};
  EXPECT_EQ(::ioctl(fd, TCGETS2, &tio), 0);
  return tio;
}

int InputQueued(int fd) {
  int count = 0;
  ::ioctl(fd, FIONREAD, &count);
  return count;
}

double ProcessCpuSeconds() {
  timespec ts{};
  ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

size_t EntriesOf(const char* folder) {
  size_t n = 0;
  for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(folder)) ++n;
  return n;
}

// Waits (servicing the user-interface queue) until the terminal's input queue holds
// `count` bytes: the device's bytes have reached the port.
bool WaitForInput(EventQueueDispatcher& ui, const PseudoTerminal& pty, int count) {
  return ui.ProcessUntil([&] { return InputQueued(pty.Keeper()) >= count; }, kEventually);
}

class CommTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(pty.Valid());
    comm.SetDeviceName(pty.Path());
  }
  void OpenOrFail() {
    comm.Open();
    ASSERT_TRUE(comm.IsOpen());
  }

  EventQueueDispatcher ui;
  PseudoTerminal pty;
  TComm comm{ui};
};

// ---------------------------------------------------------------------------------------
// Properties

TEST(Comm, NewComponentHasTheDefaults) {
  EventQueueDispatcher ui;
  TComm comm(ui);
  EXPECT_EQ(comm.DeviceName(), "Com2");
  EXPECT_EQ(comm.ReadTimeout(), 1000);
  EXPECT_EQ(comm.WriteTimeout(), 1000);
  EXPECT_EQ(comm.ReadBufSize(), 4096);
  EXPECT_EQ(comm.WriteBufSize(), 2048);
  EXPECT_EQ(comm.SuspendTime(), 5u);
  EXPECT_EQ(comm.MonitorEvents(), TCommEventTypes::All());
  for (int i = 0; i <= evTxEmpty; ++i) {
    EXPECT_TRUE(comm.MonitorEvents().Contains(static_cast<TCommEventType>(i))) << i;
  }
  EXPECT_EQ(comm.BaudRate(), br9600);
  EXPECT_EQ(comm.Parity(), paNone);
  EXPECT_EQ(comm.StopBits(), sb10);
  EXPECT_EQ(comm.DataBits(), da8);
  EXPECT_EQ(comm.EventChars().XOnChar(), 17);
  EXPECT_EQ(comm.EventChars().XOffChar(), 19);
  EXPECT_EQ(comm.EventChars().ErrorChar(), 0);
  EXPECT_EQ(comm.EventChars().EofChar(), 0);
  EXPECT_EQ(comm.EventChars().EvtChar(), 0);
  EXPECT_TRUE(comm.Options().Empty());
  EXPECT_EQ(comm.FlowControl(), fcDefault);
  EXPECT_FALSE(comm.IsOpen());
  EXPECT_FALSE(comm.LineHungUp());
}

TEST(Comm, EnumerationsReachThePlatformValues) {
  const std::pair<TCommEventType, uint32_t> events[] = {
      {evBreak, 0x0040},  {evCts, 0x0008},    {evDsr, 0x0010},
      {evError, 0x0080},  {evRing, 0x0100},   {evRlsd, 0x0020},
      {evRxChar, 0x0001}, {evRxFlag, 0x0002}, {evTxEmpty, 0x0004}};
  for (auto [type, bit] : events) EXPECT_EQ(EventBit(type), bit) << int(type);
  EXPECT_EQ(EventBits(TCommEventTypes::All()), 0x01FFu);
  EXPECT_EQ(EventBits({evBreak, evRxChar}), 0x0041u);
  const uint32_t rates[] = {110,   300,   600,   1200,  2400,   4800,   9600,  14400,
                            19200, 38400, 56000, 57600, 115200, 128000, 256000};
  for (int i = 0; i <= br256000; ++i) {
    EXPECT_EQ(BaudRateValue(static_cast<TBaudRate>(i)), rates[i]) << i;
  }
}

TEST(Comm, ClosedPortReadsAndWritesMinusOne) {
  EventQueueDispatcher ui;
  TComm comm(ui);
  char buffer[4] = {};
  EXPECT_EQ(comm.Read(buffer, 4), -1);
  EXPECT_EQ(comm.Read(buffer, 0), -1);
  EXPECT_EQ(comm.Write("ab", 2), -1);
  comm.Close();  // nothing when closed
  EXPECT_FALSE(comm.IsOpen());
}

TEST(Comm, DeviceThatCannotBeOpenedLeavesThePortClosedWithoutException) {
  EventQueueDispatcher ui;
  const std::string file = ::testing::TempDir() + "comm_test_plain_file";
  std::FILE* f = std::fopen(file.c_str(), "w");
  ASSERT_NE(f, nullptr);
  std::fclose(f);
  const std::string names[] = {"Com2", "/dev/pelyx-no-such-port", file, "/"};
  for (const auto& name : names) {
    TComm comm(ui);
    comm.SetDeviceName(name);
    EXPECT_NO_THROW(comm.Open()) << name;
    EXPECT_FALSE(comm.IsOpen()) << name;
  }
  std::remove(file.c_str());
}

TEST_F(CommTest, SettingsThatWaitForTheNextOpenAreRefusedWhileOpen) {
  struct Case {
    const char* name;
    std::function<void(TComm&)> set;     // sets a value other than the current one
    std::function<bool(TComm&)> stored;  // whether that value is in place
  };
  const Case cases[] = {
      {"DeviceName", [](TComm& c) { c.SetDeviceName("/dev/other"); },
       [](TComm& c) { return c.DeviceName() == "/dev/other"; }},
      {"ReadBufSize", [](TComm& c) { c.SetReadBufSize(123); },
       [](TComm& c) { return c.ReadBufSize() == 123; }},
      {"WriteBufSize", [](TComm& c) { c.SetWriteBufSize(321); },
       [](TComm& c) { return c.WriteBufSize() == 321; }},
      {"SuspendTime", [](TComm& c) { c.SetSuspendTime(77); },
       [](TComm& c) { return c.SuspendTime() == 77u; }},
      {"MonitorEvents", [](TComm& c) { c.SetMonitorEvents({evRxChar}); },
       [](TComm& c) { return c.MonitorEvents() == TCommEventTypes{evRxChar}; }},
  };
  for (const auto& c : cases) {
    OpenOrFail();
    c.set(comm);
    EXPECT_FALSE(c.stored(comm)) << c.name << " changed while open";
    comm.Close();
    // The old name is used again at the next Open.
    OpenOrFail();
    comm.Close();
    c.set(comm);
    EXPECT_TRUE(c.stored(comm)) << c.name << " not stored while closed";
    comm.SetDeviceName(pty.Path());
    comm.SetReadBufSize(4096);
    comm.SetWriteBufSize(2048);
    comm.SetSuspendTime(5);
    comm.SetMonitorEvents(TCommEventTypes::All());
  }
}

TEST_F(CommTest, StoredOnlySettingsChangeWhileOpen) {
  OpenOrFail();
  comm.SetReadTimeout(5);
  comm.SetWriteTimeout(6);
  comm.SetFlowControl(fcSoftware);
  EXPECT_EQ(comm.ReadTimeout(), 5);
  EXPECT_EQ(comm.WriteTimeout(), 6);
  EXPECT_EQ(comm.FlowControl(), fcSoftware);
}

// ---------------------------------------------------------------------------------------
// Open and exclusive use

TEST_F(CommTest, OpenOnAnOpenPortRaisesAndLeavesItOpen) {
  OpenOrFail();
  try {
    comm.Open();
    FAIL() << "no exception";
  } catch (const CommException& e) {
    EXPECT_STREQ(e.what(), "Port already assigned (open) (Error: -1)");
    EXPECT_EQ(e.ErrorCode(), -1);
  }
  EXPECT_TRUE(comm.IsOpen());
  EXPECT_EQ(comm.Write("ok", 2), 2);
  EXPECT_EQ(pty.Receive(2, kEventually), "ok");
}

TEST_F(CommTest, PortHeldByAnotherProgramIsNotOpened) {
  // Another program holding the port with its lock.
  int other = ::open(pty.Path().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  ASSERT_GE(other, 0);
  ASSERT_EQ(::flock(other, LOCK_EX | LOCK_NB), 0);
  EXPECT_NO_THROW(comm.Open());
  EXPECT_FALSE(comm.IsOpen());
  ::close(other);
  OpenOrFail();

  // A second component on the same port.
  TComm second(ui);
  second.SetDeviceName(pty.Path());
  EXPECT_NO_THROW(second.Open());
  EXPECT_FALSE(second.IsOpen());
  comm.Close();
  second.Open();
  EXPECT_TRUE(second.IsOpen());
}

// ---------------------------------------------------------------------------------------
// Line settings

TEST_F(CommTest, RatesReachTheTerminal) {
  struct Case {
    TBaudRate rate;
    speed_t code;  // the classic code, or BOTHER with the rate itself
    uint32_t bitsPerSecond;
  };
  const Case cases[] = {
      {br110, B110, 110},          {br300, B300, 300},         {br600, B600, 600},
      {br1200, B1200, 1200},       {br2400, B2400, 2400},      {br4800, B4800, 4800},
      {br9600, B9600, 9600},       {br14400, BOTHER, 14400},   {br19200, B19200, 19200},
      {br38400, B38400, 38400},    {br56000, BOTHER, 56000},   {br57600, B57600, 57600},
      {br115200, B115200, 115200}, {br128000, BOTHER, 128000}, {br256000, BOTHER, 256000},
  };
  OpenOrFail();
  for (const auto& c : cases) {
    comm.SetBaudRate(c.rate);
    auto tio = LineOf(pty.Keeper());
    EXPECT_EQ(tio.c_cflag & CBAUD, c.code) << c.bitsPerSecond;
    if (c.code == BOTHER) {
      EXPECT_EQ(tio.c_ospeed, c.bitsPerSecond);
    }
  }
  // A rate set while closed takes effect at Open.
  comm.Close();
  comm.SetBaudRate(br56000);
  OpenOrFail();
  auto tio = LineOf(pty.Keeper());
  EXPECT_EQ(tio.c_cflag & CBAUD, static_cast<tcflag_t>(BOTHER));
  EXPECT_EQ(tio.c_ospeed, 56000u);
}

TEST_F(CommTest, OpenPutsTheLineIntoRawMode) {
  OpenOrFail();
  auto tio = LineOf(pty.Keeper());
  EXPECT_EQ(tio.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
  EXPECT_EQ(tio.c_oflag & OPOST, 0u);
  EXPECT_EQ(tio.c_iflag & (ICRNL | INLCR | IGNCR | IXON | ISTRIP), 0u);
  EXPECT_EQ(tio.c_cflag & CBAUD, static_cast<tcflag_t>(B9600));
  EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
  EXPECT_EQ(tio.c_cflag & (PARENB | CSTOPB), 0u);
  EXPECT_EQ(tio.c_cc[VSTART], 17);
  EXPECT_EQ(tio.c_cc[VSTOP], 19);
  EXPECT_EQ(tio.c_cc[VMIN], 0);
  EXPECT_EQ(tio.c_cc[VTIME], 0);
  // CR and LF pass unchanged in both directions.
  ASSERT_TRUE(pty.Send("a\r\nb"));
  ASSERT_TRUE(WaitForInput(ui, pty, 4));
  char buffer[8] = {};
  EXPECT_EQ(comm.Read(buffer, 8), 4);
  EXPECT_EQ(std::string(buffer, 4), "a\r\nb");
  EXPECT_EQ(comm.Write("c\n", 2), 2);
  EXPECT_EQ(pty.Receive(2, kEventually), "c\n");
}

TEST_F(CommTest, FramingReachesTheTerminal) {
  OpenOrFail();
  const std::pair<TStopBits, tcflag_t> stops[] = {{sb20, CSTOPB}, {sb15, CSTOPB}, {sb10, 0}};
  for (auto [stop, bits] : stops) {
    comm.SetStopBits(stop);
    EXPECT_EQ(LineOf(pty.Keeper()).c_cflag & CSTOPB, bits) << int(stop);
  }
  comm.SetOptions({coParityCheck});
  EXPECT_NE(LineOf(pty.Keeper()).c_iflag & INPCK, 0u);
  comm.SetOptions({coNullStrip});
  EXPECT_EQ(LineOf(pty.Keeper()).c_iflag & INPCK, 0u);
  comm.EventChars().SetXOnChar(0x21);
  comm.EventChars().SetXOffChar(0x23);
  EXPECT_EQ(LineOf(pty.Keeper()).c_cc[VSTART], 0x21);
  EXPECT_EQ(LineOf(pty.Keeper()).c_cc[VSTOP], 0x23);
}

TEST_F(CommTest, FramingTheDriverDropsIsRefused) {
  // A pseudo-terminal keeps 8 data bits without parity whatever it is asked: the
  // component reports that as a refusal instead of a success.
  comm.SetStopBits(sb20);
  OpenOrFail();
  const auto before = LineOf(pty.Keeper());
  struct Case {
    const char* name;
    std::function<void()> set;
  };
  const Case cases[] = {
      {"paOdd", [&] { comm.SetParity(paOdd); }},   {"paEven", [&] { comm.SetParity(paEven); }},
      {"paMark", [&] { comm.SetParity(paMark); }}, {"paSpace", [&] { comm.SetParity(paSpace); }},
      {"da5", [&] { comm.SetDataBits(da5); }},     {"da6", [&] { comm.SetDataBits(da6); }},
      {"da7", [&] { comm.SetDataBits(da7); }},
  };
  for (const auto& c : cases) {
    try {
      c.set();
      ADD_FAILURE() << c.name << ": no exception";
    } catch (const CommException& e) {
      EXPECT_STREQ(e.what(), "Error updating DataControlBlock (Error: 22)") << c.name;
    }
    EXPECT_EQ(comm.Parity(), paNone) << c.name;
    EXPECT_EQ(comm.DataBits(), da8) << c.name;
    auto now = LineOf(pty.Keeper());
    EXPECT_EQ(now.c_cflag, before.c_cflag) << c.name << ": previous settings not restored";
  }
  EXPECT_TRUE(comm.IsOpen());
}

// How the line settings are written into the kernel's termios record.
TEST(SerialLineSettings, ComposeTheTermiosRecord) {
  struct Case {
    const char* name;
    posix::LineSettings settings;
    tcflag_t mask;  // the c_cflag bits compared
    tcflag_t expected;
  };
  auto with = [](auto change) {
    posix::LineSettings s;
    change(s);
    return s;
  };
  const tcflag_t parity = PARENB | PARODD | CMSPAR;
  const Case cases[] = {
      {"none", with([](auto& s) { s.parity = 'N'; }), parity, 0},
      {"odd", with([](auto& s) { s.parity = 'O'; }), parity, PARENB | PARODD},
      {"even", with([](auto& s) { s.parity = 'E'; }), parity, PARENB},
      {"mark", with([](auto& s) { s.parity = 'M'; }), parity, PARENB | CMSPAR | PARODD},
      {"space", with([](auto& s) { s.parity = 'S'; }), parity, PARENB | CMSPAR},
      {"5 bits", with([](auto& s) { s.dataBits = 5; }), CSIZE, CS5},
      {"6 bits", with([](auto& s) { s.dataBits = 6; }), CSIZE, CS6},
      {"7 bits", with([](auto& s) { s.dataBits = 7; }), CSIZE, CS7},
      {"8 bits", with([](auto& s) { s.dataBits = 8; }), CSIZE, CS8},
      {"1 stop", with([](auto& s) { s.stopBitsTenths = 10; }), CSTOPB, 0},
      {"1.5 stop", with([](auto& s) { s.stopBitsTenths = 15; }), CSTOPB, CSTOPB},
      {"2 stop", with([](auto& s) { s.stopBitsTenths = 20; }), CSTOPB, CSTOPB},
      {"9600", with([](auto& s) { s.bitsPerSecond = 9600; }), CBAUD, B9600},
      {"115200", with([](auto& s) { s.bitsPerSecond = 115200; }), CBAUD, B115200},
      {"14400", with([](auto& s) { s.bitsPerSecond = 14400; }), CBAUD, BOTHER},
      {"256000", with([](auto& s) { s.bitsPerSecond = 256000; }), CBAUD, BOTHER},
  };
  for (const auto& c : cases) {
    struct termios2 tio {};
    tio.c_cflag = PARENB | PARODD | CMSPAR | CSTOPB | CS5 | B300 | (B300 << IBSHIFT);
    ASSERT_EQ(posix::ComposeLineSettings(c.settings, tio), 0) << c.name;
    EXPECT_EQ(tio.c_cflag & c.mask, c.expected) << c.name;
    EXPECT_EQ(tio.c_cflag & (CBAUD << IBSHIFT), 0u) << c.name << ": input rate follows output";
    EXPECT_EQ(tio.c_ospeed, c.settings.bitsPerSecond) << c.name;
  }
  struct termios2 tio {};
  EXPECT_EQ(posix::ComposeLineSettings(with([](auto& s) { s.dataBits = 4; }), tio), EINVAL);
}

TEST(SerialLineSettings, RawModeKeepsTheFlowControlOfTheDriver) {
  struct termios2 tio {};
  tio.c_iflag = ICRNL | IXON | IXOFF | INPCK | ISTRIP;
  tio.c_oflag = OPOST | ONLCR;
  tio.c_lflag = ICANON | ECHO | ISIG | IEXTEN;
  tio.c_cflag = CRTSCTS | CS7;
  posix::LineSettings settings;
  settings.xonChar = 0x41;
  settings.xoffChar = 0x42;
  ASSERT_EQ(posix::ComposeLineSettings(settings, tio), 0);
  EXPECT_EQ(tio.c_iflag & (ICRNL | IXON | INPCK | ISTRIP), 0u);
  EXPECT_EQ(tio.c_oflag & OPOST, 0u);
  EXPECT_EQ(tio.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
  EXPECT_NE(tio.c_iflag & IXOFF, 0u);
  EXPECT_NE(tio.c_cflag & CRTSCTS, 0u);
  EXPECT_NE(tio.c_cflag & CLOCAL, 0u);
  EXPECT_NE(tio.c_cflag & CREAD, 0u);
  EXPECT_EQ(tio.c_cc[VSTART], 0x41);
  EXPECT_EQ(tio.c_cc[VSTOP], 0x42);
  settings.parityCheck = true;
  ASSERT_EQ(posix::ComposeLineSettings(settings, tio), 0);
  EXPECT_NE(tio.c_iflag & INPCK, 0u);
}

TEST_F(CommTest, AssignCopiesTheFiveCharactersAndAppliesThem) {
  EventQueueDispatcher otherUi;
  TComm other(otherUi);
  other.EventChars().SetXOnChar(1);
  other.EventChars().SetXOffChar(2);
  other.EventChars().SetErrorChar(3);
  other.EventChars().SetEofChar(4);
  other.EventChars().SetEvtChar(5);
  OpenOrFail();
  comm.EventChars().Assign(other.EventChars());
  const auto& chars = comm.EventChars();
  EXPECT_EQ(chars.XOnChar(), 1);
  EXPECT_EQ(chars.XOffChar(), 2);
  EXPECT_EQ(chars.ErrorChar(), 3);
  EXPECT_EQ(chars.EofChar(), 4);
  EXPECT_EQ(chars.EvtChar(), 5);
  EXPECT_EQ(LineOf(pty.Keeper()).c_cc[VSTART], 1);
  EXPECT_EQ(LineOf(pty.Keeper()).c_cc[VSTOP], 2);
}

TEST_F(CommTest, SettingTheCurrentValueDoesNothing) {
  OpenOrFail();
  // Change the rate behind the component's back: re-applying would undo it.
  auto tio = LineOf(pty.Keeper());
  tio.c_cflag = (tio.c_cflag & ~CBAUD) | B300;
  ASSERT_EQ(::ioctl(pty.Keeper(), TCSETS2, &tio), 0);
  comm.SetBaudRate(br9600);  // the current value
  comm.SetParity(paNone);
  comm.EventChars().SetXOnChar(17);
  EXPECT_EQ(LineOf(pty.Keeper()).c_cflag & CBAUD, static_cast<tcflag_t>(B300));
  comm.SetBaudRate(br115200);  // a new value is applied at once
  EXPECT_EQ(LineOf(pty.Keeper()).c_cflag & CBAUD, static_cast<tcflag_t>(B115200));
}

TEST_F(CommTest, RefusedLineSettingsRaiseAndKeepThePreviousValue) {
  OpenOrFail();
  comm.SetBaudRate(br115200);
  try {
    comm.SetDataBits(da4);  // termios has no 4-bit words
    FAIL() << "no exception";
  } catch (const CommException& e) {
    EXPECT_STREQ(e.what(), "Error updating DataControlBlock (Error: 22)");
    EXPECT_EQ(e.ErrorCode(), EINVAL);
  }
  EXPECT_EQ(comm.DataBits(), da8);
  EXPECT_TRUE(comm.IsOpen());
  EXPECT_EQ(LineOf(pty.Keeper()).c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
  // Later changes are not spoiled by the refused one.
  EXPECT_NO_THROW(comm.SetBaudRate(br57600));
  EXPECT_EQ(LineOf(pty.Keeper()).c_cflag & CBAUD, static_cast<tcflag_t>(B57600));
  // The lock was released: another thread can use the port.
  std::thread writer([&] { EXPECT_EQ(comm.Write("z", 1), 1); });
  writer.join();
}

TEST_F(CommTest, RefusedLineSettingsDuringOpenCloseThePortAgain) {
  comm.SetDataBits(da4);  // closed: stored
  EXPECT_EQ(comm.DataBits(), da4);
  try {
    comm.Open();
    FAIL() << "no exception";
  } catch (const CommException& e) {
    EXPECT_STREQ(e.what(), "Error updating DataControlBlock (Error: 22)");
  }
  EXPECT_FALSE(comm.IsOpen());
  comm.SetDataBits(da8);
  OpenOrFail();  // neither locked nor exclusive any more
}

// ---------------------------------------------------------------------------------------
// Read and Write

TEST_F(CommTest, WriteAndReadRoundTrip) {
  OpenOrFail();
  const std::string out = "$PTSK,DBG,99,1*00\r\n";
  EXPECT_EQ(comm.Write(out.data(), static_cast<int32_t>(out.size())),
            static_cast<int32_t>(out.size()));
  EXPECT_EQ(pty.Receive(out.size(), kEventually), out);

  const std::string in = "!AIVDM,1,1,,A,15M67FC000G?ufbE`FepT@3n00Sa,0*5C\r\n";
  ASSERT_TRUE(pty.Send(in));
  std::string got;
  char buffer[256];
  while (got.size() < in.size()) {
    int32_t n = comm.Read(buffer, sizeof buffer);
    ASSERT_GT(n, 0);
    got.append(buffer, static_cast<size_t>(n));
  }
  EXPECT_EQ(got, in);
  EXPECT_EQ(comm.Read(buffer, 0), 0);
  EXPECT_EQ(comm.Write(buffer, 0), 0);
}

TEST_F(CommTest, ReadReturnsWhatIsQueuedUpToTheLength) {
  OpenOrFail();
  ASSERT_TRUE(pty.Send("0123456789"));
  ASSERT_TRUE(WaitForInput(ui, pty, 10));
  char buffer[16] = {};
  EXPECT_EQ(comm.Read(buffer, 4), 4);
  EXPECT_EQ(std::string(buffer, 4), "0123");
  EXPECT_EQ(comm.Read(buffer, 16), 6);
  EXPECT_EQ(std::string(buffer, 6), "456789");
}

TEST_F(CommTest, ReadWaitsForAFirstByteAndGivesUpWithZero) {
  OpenOrFail();
  char buffer[8];
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(comm.Read(buffer, 8), 0);  // nothing arrives
  EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);

  std::thread device([&] {
    std::this_thread::sleep_for(100ms);
    pty.Send("x");
  });
  int32_t n = comm.Read(buffer, 8);
  device.join();
  ASSERT_EQ(n, 1);
  EXPECT_EQ(buffer[0], 'x');
}

TEST_F(CommTest, WriteToAPeerThatNeverReadsGivesUpWithTheCountTransferred) {
  OpenOrFail();
  std::string block(1 << 20, 'w');  // far beyond what the terminal queues
  auto start = std::chrono::steady_clock::now();
  int32_t n = comm.Write(block.data(), static_cast<int32_t>(block.size()));
  EXPECT_LT(std::chrono::steady_clock::now() - start, 30s);
  EXPECT_GT(n, 0);
  EXPECT_LT(n, static_cast<int32_t>(block.size()));
  // What was reported written arrives.
  std::string got = pty.Receive(static_cast<size_t>(n), kEventually);
  EXPECT_EQ(got.size(), static_cast<size_t>(n));
}

// ---------------------------------------------------------------------------------------
// Events

TEST_F(CommTest, RxCharAnnouncesTheQueuedBytes) {
  std::string got;
  int calls = 0;
  comm.OnRxChar = [&](TThreadComm& sender, uint32_t count) {
    EXPECT_EQ(&sender, &comm);
    EXPECT_TRUE(ui.OnUiThread());
    ++calls;
    std::vector<char> buffer(count);
    int32_t n = comm.Read(buffer.data(), static_cast<int32_t>(count));
    ASSERT_EQ(n, static_cast<int32_t>(count));  // announced bytes are there at once
    got.append(buffer.data(), count);
  };
  OpenOrFail();
  std::string sent;
  for (int chunk = 0; chunk < 20; ++chunk) {
    std::string part = "$GPGGA," + std::to_string(chunk) + std::string(40, 'x') + "\r\n";
    ASSERT_TRUE(pty.Send(part));
    sent += part;
  }
  EXPECT_TRUE(ui.ProcessUntil([&] { return got.size() >= sent.size(); }, kEventually));
  EXPECT_EQ(got, sent);
  EXPECT_GE(calls, 1);
}

TEST_F(CommTest, DispatchRaisesTheHandlersInTheirOrder) {
  std::vector<std::string> calls;
  auto note = [&](const char* name) {
    return [&calls, name](TThreadComm&) { calls.push_back(name); };
  };
  uint32_t rxCount = 0, status = 0;
  TComStat comStat;
  comm.OnBreak = note("Break");
  comm.OnCts = note("Cts");
  comm.OnDsr = note("Dsr");
  comm.OnError = [&](TThreadComm&, int32_t errors) {
    calls.push_back("Error");
    EXPECT_EQ(errors, 0);  // a terminal without error counters
  };
  comm.OnRing = note("Ring");
  comm.OnRlsd = note("Rlsd");
  comm.OnRxChar = [&](TThreadComm&, uint32_t count) {
    calls.push_back("RxChar");
    rxCount = count;
  };
  comm.OnRxFlag = note("RxFlag");
  comm.OnTxEmpty = note("TxEmpty");
  comm.OnComStatEvent = [&](TThreadComm&, uint32_t bits, const TComStat& s) {
    calls.push_back("ComStat");
    status = bits;
    comStat = s;
  };
  comm.SetMonitorEvents({});  // the event thread reports nothing; the test dispatches
  OpenOrFail();
  ASSERT_TRUE(pty.Send("abc"));
  ASSERT_TRUE(WaitForInput(ui, pty, 3));
  ui.ProcessEvents(0);
  EXPECT_TRUE(calls.empty());

  struct Case {
    uint32_t bits;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {kEvBreak | kEvError | kEvRxChar, {"Break", "Error", "RxChar", "ComStat"}},
      {0x01FF,
       {"Break", "Cts", "Dsr", "Error", "Ring", "Rlsd", "RxChar", "RxFlag", "TxEmpty", "ComStat"}},
      {kEvTxEmpty | kEvCts, {"Cts", "TxEmpty", "ComStat"}},
      {0, {"ComStat"}},
  };
  for (const auto& c : cases) {
    calls.clear();
    comm.DispatchEvents(c.bits);
    EXPECT_EQ(calls, c.expected) << c.bits;
    EXPECT_EQ(status, c.bits);
    EXPECT_EQ(comStat.inQueue, 3u);
  }
  EXPECT_EQ(rxCount, 3u);

  // Received bytes announced with an empty queue: no RxChar, ComStat still.
  char buffer[8];
  ASSERT_EQ(comm.Read(buffer, 8), 3);
  calls.clear();
  comm.DispatchEvents(kEvBreak | kEvRxChar);
  EXPECT_EQ(calls, (std::vector<std::string>{"Break", "ComStat"}));
  EXPECT_EQ(comStat.inQueue, 0u);

  // Unassigned handlers are skipped.
  comm.OnBreak = nullptr;
  calls.clear();
  comm.DispatchEvents(kEvBreak | kEvCts);
  EXPECT_EQ(calls, (std::vector<std::string>{"Cts", "ComStat"}));
}

TEST_F(CommTest, ReceivedBytesAndDrainedOutputArriveInOneSetInOrder) {
  // While the set with the first bytes is being handled, the component writes and the
  // device sends: the next wait finds both, and they are raised in their order.
  std::vector<std::pair<uint32_t, std::vector<std::string>>> sets;
  std::vector<std::string> current;
  bool first = true;
  comm.OnRxChar = [&](TThreadComm&, uint32_t count) {
    current.push_back("RxChar");
    std::vector<char> buffer(count);
    comm.Read(buffer.data(), static_cast<int32_t>(count));
    if (first) {
      first = false;
      EXPECT_EQ(comm.Write("out", 3), 3);
      EXPECT_TRUE(pty.Send("more"));
      // Until the bytes have reached the port (the event thread is blocked meanwhile).
      auto deadline = std::chrono::steady_clock::now() + 5s;
      while (InputQueued(pty.Keeper()) < 4 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(1ms);
      }
    }
  };
  comm.OnTxEmpty = [&](TThreadComm&) { current.push_back("TxEmpty"); };
  comm.OnComStatEvent = [&](TThreadComm&, uint32_t bits, const TComStat&) {
    current.push_back("ComStat");
    sets.emplace_back(bits, current);
    current.clear();
  };
  OpenOrFail();
  ASSERT_TRUE(pty.Send("first"));
  auto both = [&] {
    for (auto& s : sets) {
      if (s.first == (kEvRxChar | kEvTxEmpty)) return true;
    }
    return false;
  };
  ASSERT_TRUE(ui.ProcessUntil(both, kEventually));
  for (auto& s : sets) {
    if (s.first == (kEvRxChar | kEvTxEmpty)) {
      EXPECT_EQ(s.second, (std::vector<std::string>{"RxChar", "TxEmpty", "ComStat"}));
    }
  }
  EXPECT_EQ(sets.front().first, kEvRxChar);
  EXPECT_EQ(pty.Receive(3, kEventually), "out");
}

TEST_F(CommTest, UnmonitoredEventsAreNotReported) {
  int sets = 0;
  comm.OnComStatEvent = [&](TThreadComm&, uint32_t, const TComStat&) { ++sets; };
  comm.SetMonitorEvents({evTxEmpty});
  OpenOrFail();
  ASSERT_TRUE(pty.Send("ignored"));
  ASSERT_TRUE(WaitForInput(ui, pty, 7));
  ui.ProcessEvents(200);
  EXPECT_EQ(sets, 0);
  EXPECT_EQ(comm.Write("x", 1), 1);  // the drained output is reported
  EXPECT_TRUE(ui.ProcessUntil([&] { return sets == 1; }, kEventually));
}

TEST_F(CommTest, BytesLeftUnreadAreAnnouncedOncePerArrival) {
  // Nobody reads: the event thread must not report the same bytes over and over.
  int sets = 0;
  uint32_t lastQueue = 0;
  comm.OnComStatEvent = [&](TThreadComm&, uint32_t, const TComStat& s) {
    ++sets;
    lastQueue = s.inQueue;
  };
  OpenOrFail();
  ASSERT_TRUE(pty.Send("unread"));
  ASSERT_TRUE(ui.ProcessUntil([&] { return sets >= 1; }, kEventually));
  double cpu = ProcessCpuSeconds();
  ui.ProcessEvents(0);
  for (int i = 0; i < 10; ++i) ui.ProcessEvents(50);
  EXPECT_LT(ProcessCpuSeconds() - cpu, 0.25);
  EXPECT_LE(sets, 2);  // one arrival (maybe split in two by the terminal)
  EXPECT_EQ(lastQueue, 6u);
  int before = sets;
  ASSERT_TRUE(pty.Send("+"));
  EXPECT_TRUE(ui.ProcessUntil([&] { return sets > before && lastQueue == 7; }, kEventually));
}

// ---------------------------------------------------------------------------------------
// Close

// Records when the event thread starts a hand-off.
class WatchedDispatcher : public UiDispatcher {
 public:
  void RunAndWait(std::function<void()> work) override {
    ++handOffs;
    inner.RunAndWait(std::move(work));
  }
  bool OnUiThread() const override { return inner.OnUiThread(); }
  void RunPending() override { inner.RunPending(); }

  EventQueueDispatcher inner;
  std::atomic<int> handOffs{0};
};

TEST(CommClose, NoHandlerRunsAfterCloseEvenWithAHandOffWaiting) {
  PseudoTerminal pty;
  ASSERT_TRUE(pty.Valid());
  WatchedDispatcher ui;
  TComm comm(ui);
  comm.SetDeviceName(pty.Path());
  int handled = 0;
  comm.OnRxChar = [&](TThreadComm&, uint32_t) { ++handled; };
  comm.OnComStatEvent = [&](TThreadComm&, uint32_t, const TComStat&) { ++handled; };
  comm.Open();
  ASSERT_TRUE(comm.IsOpen());
  ASSERT_TRUE(pty.Send("data"));
  // The event thread hands the set over and blocks; the user-interface thread does not
  // service it before Close.
  auto deadline = std::chrono::steady_clock::now() + 5s;
  while (ui.handOffs == 0 && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(1ms);
  }
  ASSERT_EQ(ui.handOffs, 1);
  comm.Close();  // returns: the blocked hand-off was released without deadlock
  EXPECT_FALSE(comm.IsOpen());
  ui.inner.ProcessEvents(100);
  EXPECT_EQ(handled, 0);
  // The port is free again.
  TComm other(ui);
  other.SetDeviceName(pty.Path());
  other.Open();
  EXPECT_TRUE(other.IsOpen());
}

TEST_F(CommTest, CloseFromAHandlerEndsTheSetAndTheEvents) {
  int rx = 0, comStat = 0;
  comm.OnRxChar = [&](TThreadComm& sender, uint32_t) {
    ++rx;
    sender.Close();
    EXPECT_FALSE(sender.IsOpen());
    char buffer[4];
    EXPECT_EQ(sender.Read(buffer, 4), -1);
  };
  comm.OnComStatEvent = [&](TThreadComm&, uint32_t, const TComStat&) { ++comStat; };
  OpenOrFail();
  ASSERT_TRUE(pty.Send("x"));
  ASSERT_TRUE(ui.ProcessUntil([&] { return rx == 1; }, kEventually));
  ui.ProcessEvents(0);
  EXPECT_EQ(comStat, 0);  // not raised after Close, although the set held it
  EXPECT_FALSE(comm.IsOpen());
  ASSERT_TRUE(pty.Send("y"));
  ui.ProcessEvents(200);
  EXPECT_EQ(rx, 1);
  EXPECT_EQ(comStat, 0);
  // Open and Close again from outside any handler.
  OpenOrFail();
  comm.OnRxChar = nullptr;
  comm.Close();
}

TEST_F(CommTest, CloseAndOpenFromAHandlerStartAFreshSession) {
  std::string got;
  int reopened = 0;
  comm.OnRxChar = [&](TThreadComm& sender, uint32_t count) {
    std::vector<char> buffer(count);
    int32_t n = sender.Read(buffer.data(), static_cast<int32_t>(count));
    if (n > 0) got.append(buffer.data(), static_cast<size_t>(n));
    if (reopened == 0) {
      ++reopened;
      sender.Close();
      sender.Open();
      EXPECT_TRUE(sender.IsOpen());
    }
  };
  OpenOrFail();
  ASSERT_TRUE(pty.Send("one"));
  ASSERT_TRUE(ui.ProcessUntil([&] { return got == "one"; }, kEventually));
  ASSERT_TRUE(pty.Send("two"));
  EXPECT_TRUE(ui.ProcessUntil([&] { return got == "onetwo"; }, kEventually));
  comm.Close();
}

TEST_F(CommTest, AnExceptionFromAHandlerReachesTheLoopAndReleasesTheEventThread) {
  int rx = 0;
  comm.OnRxChar = [&](TThreadComm& sender, uint32_t count) {
    ++rx;
    std::vector<char> buffer(count);
    sender.Read(buffer.data(), static_cast<int32_t>(count));
    sender.Open();  // raises: already open
  };
  OpenOrFail();
  ASSERT_TRUE(pty.Send("a"));
  bool raised = false;
  auto deadline = std::chrono::steady_clock::now() + 5s;
  while (!raised && std::chrono::steady_clock::now() < deadline) {
    try {
      ui.ProcessEvents(20);
    } catch (const CommException& e) {
      raised = true;
      EXPECT_STREQ(e.what(), "Port already assigned (open) (Error: -1)");
    }
  }
  EXPECT_TRUE(raised);
  // The event thread goes on with the next set.
  ASSERT_TRUE(pty.Send("b"));
  deadline = std::chrono::steady_clock::now() + 5s;
  while (rx < 2 && std::chrono::steady_clock::now() < deadline) {
    try {
      ui.ProcessEvents(20);
    } catch (const CommException&) {
    }
  }
  EXPECT_EQ(rx, 2);
  comm.Close();
  EXPECT_FALSE(comm.IsOpen());
}

TEST_F(CommTest, RepeatedCloseWhileSetsKeepArrivingDoesNotDeadlock) {
  // Close on the user-interface thread while the event thread keeps handing sets over.
  std::atomic<bool> stop{false};
  int rx = 0;
  comm.OnRxChar = [&](TThreadComm& sender, uint32_t count) {
    ++rx;
    std::vector<char> buffer(count);
    sender.Read(buffer.data(), static_cast<int32_t>(count));
  };
  OpenOrFail();
  std::thread device([&] {
    while (!stop) {
      pty.Send("0123456789");
      std::this_thread::sleep_for(1ms);
    }
  });
  ASSERT_TRUE(ui.ProcessUntil([&] { return rx > 5; }, kEventually));
  for (int i = 0; i < 20; ++i) {
    comm.Close();
    int before = rx;
    ui.ProcessEvents(5);
    EXPECT_EQ(rx, before);
    OpenOrFail();
    ui.ProcessEvents(5);
  }
  stop = true;
  device.join();
  comm.Close();
}

// ---------------------------------------------------------------------------------------
// Hang-up and resources

TEST_F(CommTest, HangUpStopsTheWaitWithoutSpinning) {
  int sets = 0;
  comm.OnComStatEvent = [&](TThreadComm&, uint32_t, const TComStat&) { ++sets; };
  OpenOrFail();
  pty.CloseMaster();
  ASSERT_TRUE(ui.ProcessUntil([&] { return comm.LineHungUp(); }, kEventually));
  EXPECT_TRUE(comm.IsOpen());  // the owner closes it
  int setsAfterHangUp = sets;
  double cpu = ProcessCpuSeconds();
  for (int i = 0; i < 10; ++i) ui.ProcessEvents(50);
  EXPECT_LT(ProcessCpuSeconds() - cpu, 0.25);  // a spinning thread burns ~0.5 s here
  EXPECT_EQ(sets, setsAfterHangUp);
  char buffer[4];
  EXPECT_EQ(comm.Read(buffer, 4), 0);
  EXPECT_EQ(comm.Write("x", 1), 0);
  comm.Close();
  EXPECT_FALSE(comm.IsOpen());
  EXPECT_FALSE(comm.LineHungUp());
}

TEST_F(CommTest, ManyOpenCloseCyclesLeakNeitherDescriptorsNorThreads) {
  int rx = 0;
  comm.OnRxChar = [&](TThreadComm& sender, uint32_t count) {
    ++rx;
    std::vector<char> buffer(count);
    sender.Read(buffer.data(), static_cast<int32_t>(count));
  };
  OpenOrFail();  // first use settles whatever the libraries allocate once
  comm.Close();
  const size_t fds = EntriesOf("/proc/self/fd");
  const size_t threads = EntriesOf("/proc/self/task");
  for (int i = 0; i < 200; ++i) {
    comm.Open();
    ASSERT_TRUE(comm.IsOpen()) << i;
    if (i % 20 == 0) {
      ASSERT_TRUE(pty.Send("ping"));
      ASSERT_TRUE(ui.ProcessUntil([&, want = rx + 1] { return rx >= want; }, kEventually));
      ASSERT_EQ(comm.Write("pong", 4), 4);
    }
    comm.Close();
  }
  EXPECT_EQ(EntriesOf("/proc/self/fd"), fds);
  EXPECT_EQ(EntriesOf("/proc/self/task"), threads);
}

TEST(Comm, DestroyingAnOpenComponentClosesIt) {
  PseudoTerminal pty;
  ASSERT_TRUE(pty.Valid());
  EventQueueDispatcher ui;
  std::thread([] {}).join();  // whatever the runtime starts with the first thread
  const size_t threads = EntriesOf("/proc/self/task");
  {
    TComm comm(ui);
    comm.SetDeviceName(pty.Path());
    comm.Open();
    ASSERT_TRUE(comm.IsOpen());
    ASSERT_TRUE(pty.Send("pending"));  // a hand-off may be waiting at destruction
    std::this_thread::sleep_for(20ms);
  }
  EXPECT_EQ(EntriesOf("/proc/self/task"), threads);
  TComm again(ui);
  again.SetDeviceName(pty.Path());
  again.Open();
  EXPECT_TRUE(again.IsOpen());
}

}  // namespace
}  // namespace pelyx::link
