// The serial port component (module Comm): owns one serial port, opened by its device
// path for exclusive use, writes its line settings, watches the line in an event thread
// of its own and hands every event set to the user-interface thread, where it becomes
// calls of the owner's event handlers. Reads and writes are blocking calls of the owner.
//
// Threads: every operation, every property setter and every handler runs on the
// user-interface thread of the `UiDispatcher` given at construction. The event thread
// only waits on the port and hands event bits over, blocking until they have been
// handled. `Close` never waits for that thread without running the dispatcher's pending
// work, and no handler runs after `Close` has returned.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "link/ui_dispatcher.h"

namespace pelyx::link {

namespace posix {
class EventWait;
}

enum TBaudRate : uint8_t {
  br110,
  br300,
  br600,
  br1200,
  br2400,
  br4800,
  br9600,
  br14400,
  br19200,
  br38400,
  br56000,
  br57600,
  br115200,
  br128000,
  br256000
};
enum TParity : uint8_t { paNone, paOdd, paEven, paMark, paSpace };
enum TStopBits : uint8_t { sb10, sb15, sb20 };
enum TDataBits : uint8_t { da4, da5, da6, da7, da8 };
enum TCommOption : uint8_t {
  coParityCheck,
  coDsrSensitivity,
  coIgnoreXOff,
  coErrorChar,
  coNullStrip
};
enum TCommEventType : uint8_t {
  evBreak,
  evCts,
  evDsr,
  evError,
  evRing,
  evRlsd,
  evRxChar,
  evRxFlag,
  evTxEmpty
};
enum TFlowControl : uint8_t { fcNone, fcCTS, fcDTR, fcSoftware, fcDefault };

// A set of the members of an enumeration with `N` members.
template <typename E, int N>
class EnumSet {
 public:
  constexpr EnumSet() = default;
  constexpr EnumSet(std::initializer_list<E> members) {
    for (E m : members) Include(m);
  }
  static constexpr EnumSet All() {
    EnumSet s;
    s.bits_ = static_cast<uint32_t>((1u << N) - 1);
    return s;
  }
  constexpr bool Contains(E m) const { return (bits_ >> static_cast<int>(m)) & 1u; }
  constexpr void Include(E m) { bits_ |= 1u << static_cast<int>(m); }
  constexpr void Exclude(E m) { bits_ &= ~(1u << static_cast<int>(m)); }
  constexpr bool Empty() const { return bits_ == 0; }
  constexpr bool operator==(const EnumSet&) const = default;

 private:
  uint32_t bits_ = 0;
};
using TCommOptions = EnumSet<TCommOption, 5>;
using TCommEventTypes = EnumSet<TCommEventType, 9>;

// The event bits of an event set, one per `TCommEventType`.
inline constexpr uint32_t kEvRxChar = 0x0001;
inline constexpr uint32_t kEvRxFlag = 0x0002;
inline constexpr uint32_t kEvTxEmpty = 0x0004;
inline constexpr uint32_t kEvCts = 0x0008;
inline constexpr uint32_t kEvDsr = 0x0010;
inline constexpr uint32_t kEvRlsd = 0x0020;
inline constexpr uint32_t kEvBreak = 0x0040;
inline constexpr uint32_t kEvError = 0x0080;
inline constexpr uint32_t kEvRing = 0x0100;

uint32_t EventBit(TCommEventType type);
uint32_t EventBits(TCommEventTypes types);

// The line rate of a `TBaudRate`, in bits per second.
uint32_t BaudRateValue(TBaudRate rate);

// The line-error flags handed to OnError.
inline constexpr int32_t kLineErrRxOver = 0x0001;   // the input queue overflowed
inline constexpr int32_t kLineErrOverrun = 0x0002;  // the receiver lost a character
inline constexpr int32_t kLineErrParity = 0x0004;
inline constexpr int32_t kLineErrFrame = 0x0008;
inline constexpr int32_t kLineErrBreak = 0x0010;

// The port status handed to OnComStatEvent.
struct TComStat {
  uint32_t flags = 0;     // kComStatCtsHold
  uint32_t inQueue = 0;   // bytes waiting in the input queue
  uint32_t outQueue = 0;  // bytes waiting in the output queue
};
inline constexpr uint32_t kComStatCtsHold = 0x0001;  // output held until CTS rises

// Raised for open and configuration failures; the message ends with "(Error: code)".
class CommException : public std::runtime_error {
 public:
  CommException(const char* format, int code);
  int ErrorCode() const { return code_; }

 private:
  int code_;
};

class TThreadComm;
class TComm;

// The five special characters of the line, owned by the component; each setter stores
// a new value and re-applies the line settings of an open port.
class TCommEventChars {
 public:
  explicit TCommEventChars(TThreadComm& owner) : owner_(owner) {}
  TCommEventChars(const TCommEventChars&) = delete;
  TCommEventChars& operator=(const TCommEventChars&) = delete;

  // Copies the five characters of `source` (and re-applies the line settings once).
  void Assign(const TCommEventChars& source);

  char XOnChar() const { return xonChar_; }
  char XOffChar() const { return xoffChar_; }
  char ErrorChar() const { return errorChar_; }
  char EofChar() const { return eofChar_; }
  char EvtChar() const { return evtChar_; }
  void SetXOnChar(char value) { Set(xonChar_, value); }
  void SetXOffChar(char value) { Set(xoffChar_, value); }
  void SetErrorChar(char value) { Set(errorChar_, value); }
  void SetEofChar(char value) { Set(eofChar_, value); }
  void SetEvtChar(char value) { Set(evtChar_, value); }

 private:
  void Set(char& field, char value);

  TThreadComm& owner_;
  char xonChar_ = 17;
  char xoffChar_ = 19;
  char errorChar_ = 0;
  char eofChar_ = 0;
  char evtChar_ = 0;
};

// The event thread of an open port: waits for line events and hands each event set to
// the user-interface thread through the dispatcher, blocking until it has been handled.
class TCommEventThread : public std::enable_shared_from_this<TCommEventThread> {
 public:
  TCommEventThread(int port, uint32_t suspendTime, TCommEventTypes monitorEvents,
                   UiDispatcher& dispatcher);
  ~TCommEventThread();
  TCommEventThread(const TCommEventThread&) = delete;
  TCommEventThread& operator=(const TCommEventThread&) = delete;

  // False when the wait could not be set up; the thread cannot start then.
  bool Ready() const;

  // User-interface thread: what each handed-over event set is given to; empty: nothing.
  void SetHandler(std::function<void(uint32_t events)> handler);
  // User-interface thread: what a hang-up of the port is handed to, once; empty: nothing.
  void SetHangUpHandler(std::function<void()> handler);
  void Start();

  // Any thread, never blocks: no further event set is handed over, the wait ends.
  void Terminate();
  bool Finished() const;
  // Waits up to `timeout` for the thread to end; true when it has.
  bool WaitFinished(std::chrono::milliseconds timeout);
  void Join();
  void Detach();

  // Bytes were written: report evTxEmpty once the output queue has drained.
  void WriteStarted();
  // The port hung up (unplugged adapter, closed pseudo-terminal): the hang-up handler
  // has been given it and the wait ignores the port from then on.
  bool HungUp() const { return hungUp_; }
  // The event bits of the last completed wait.
  uint32_t Events() const { return events_; }
  uint32_t SuspendTime() const { return suspendTime_; }

 private:
  void Execute();

  const int port_;
  const uint32_t suspendTime_;
  const uint32_t monitorBits_;
  UiDispatcher& dispatcher_;
  std::unique_ptr<posix::EventWait> wait_;
  std::function<void(uint32_t)> handler_;  // touched on the user-interface thread only
  std::function<void()> hangUpHandler_;    // touched on the user-interface thread only
  std::atomic<uint32_t> events_{0};
  std::atomic<bool> terminated_{false};
  std::atomic<bool> hungUp_{false};
  std::atomic<bool> writePending_{false};
  mutable std::mutex finishMutex_;
  std::condition_variable finishedCv_;
  bool finished_ = false;
  std::thread thread_;
};

// Owns the port, the line settings, the lock and the event thread; implements every
// operation. `TComm` publishes the properties.
class TThreadComm {
 public:
  using TNotifyEvent = std::function<void(TThreadComm& sender)>;
  using TErrorEvent = std::function<void(TThreadComm& sender, int32_t errors)>;
  using TRxCharEvent = std::function<void(TThreadComm& sender, uint32_t count)>;
  using TComStatEvent =
      std::function<void(TThreadComm& sender, uint32_t status, const TComStat& comStat)>;

  explicit TThreadComm(UiDispatcher& dispatcher);
  virtual ~TThreadComm();
  TThreadComm(const TThreadComm&) = delete;
  TThreadComm& operator=(const TThreadComm&) = delete;

  // Opens and configures the port named by DeviceName and starts the event thread.
  // A port that cannot be opened (absent, held elsewhere) leaves IsOpen false without an
  // exception; an open port and refused line settings raise CommException.
  void Open();
  // Stops the event thread and closes the port; nothing when closed.
  void Close();
  bool IsOpen() const { return open_; }
  // -1 when closed, else the number of bytes written (waits until the driver took them).
  int32_t Write(const void* bytes, int32_t length);
  // -1 when closed, else the number of bytes read: at once what is queued, or the first
  // bytes to arrive within 1000 ms.
  int32_t Read(void* buffer, int32_t length);

  // User-interface thread: raises the handlers for one event set, as the event thread
  // does with each set it hands over.
  void DispatchEvents(uint32_t events);

  // True when the open port has hung up (adapter unplugged, pseudo-terminal closed); the
  // event thread no longer waits on it. OnHangUp has been raised for it.
  bool LineHungUp() const;

  // The errno of the last open of a device that failed (EACCES, EBUSY, ENOENT...); 0
  // after an open that worked.
  int LastOpenError() const { return lastOpenError_; }

  // The event handlers; each may be empty. Sender is always this component.
  TNotifyEvent OnBreak;
  TNotifyEvent OnCts;
  TNotifyEvent OnDsr;
  TNotifyEvent OnRing;
  TNotifyEvent OnRlsd;
  TErrorEvent OnError;
  TRxCharEvent OnRxChar;
  TNotifyEvent OnRxFlag;
  TNotifyEvent OnTxEmpty;
  TComStatEvent OnComStatEvent;
  // Raised once when the open port hangs up (the device went away without a notice of
  // its own: a pseudo-terminal whose other end closed, a network serial server's
  // terminal); the port stays open until the owner closes it.
  TNotifyEvent OnHangUp;

 protected:
  // Opens DeviceName exclusively; false when the device cannot be opened.
  virtual bool OpenDevice();
  // Writes the line settings of an open port (nothing while closed); 0 or errno.
  int ApplyLineSettings();
  // Raises "Error updating DataControlBlock" when the settings are refused.
  void ApplyLineSettingsOrRaise();
  // Changes a line property and re-applies the settings; a refusal restores the old
  // value and raises.
  template <typename T>
  void SetLineProperty(T& field, T value);

  std::string deviceName_ = "Com2";
  int32_t readTimeout_ = 1000;
  int32_t writeTimeout_ = 1000;
  uint16_t readBufSize_ = 4096;
  uint16_t writeBufSize_ = 2048;
  uint32_t suspendTime_ = 5;
  TCommEventTypes monitorEvents_ = TCommEventTypes::All();
  TBaudRate baudRate_ = br9600;
  TParity parity_ = paNone;
  TStopBits stopBits_ = sb10;
  TDataBits dataBits_ = da8;
  TCommEventChars eventChars_{*this};
  TCommOptions options_;
  TFlowControl flowControl_ = fcDefault;
  std::recursive_mutex lock_;

 private:
  friend class TCommEventChars;

  bool ApplyTimeouts();
  void ClosePort();
  void ReadLineErrors(int32_t& errors, TComStat& status);
  void DispatchHangUp();
  std::exception_ptr StopThread(TCommEventThread& thread);
  std::exception_ptr StopRetiredThreads();
  void JoinRetiredThreads();

  UiDispatcher& dispatcher_;
  int port_ = -1;
  int lastOpenError_ = 0;
  std::atomic<bool> open_{false};
  std::shared_ptr<TCommEventThread> eventThread_;
  // Threads of ports closed from within their own handlers: each ends as soon as the
  // hand-off that called Close returns, and is joined at the next Open, Close or at
  // destruction.
  std::vector<std::shared_ptr<TCommEventThread>> retired_;
  // Counts the opens and closes; a dispatch stops raising handlers once it changes.
  std::atomic<uint64_t> session_{0};
  int dispatchDepth_ = 0;           // nested DispatchEvents calls (user-interface thread)
  bool haveErrorBaseline_ = false;  // line-error counters at the last read-and-clear
  int errorBaseline_[5] = {};
};

// The published component: properties with their defaults and setters.
class TComm : public TThreadComm {
 public:
  explicit TComm(UiDispatcher& dispatcher) : TThreadComm(dispatcher) {}

  // Refused (ignored) while open.
  const std::string& DeviceName() const { return deviceName_; }
  void SetDeviceName(const std::string& value);
  // Stored only.
  int32_t ReadTimeout() const { return readTimeout_; }
  void SetReadTimeout(int32_t value) { readTimeout_ = value; }
  int32_t WriteTimeout() const { return writeTimeout_; }
  void SetWriteTimeout(int32_t value) { writeTimeout_ = value; }
  // Refused (ignored) while open.
  uint16_t ReadBufSize() const { return readBufSize_; }
  void SetReadBufSize(uint16_t value);
  uint16_t WriteBufSize() const { return writeBufSize_; }
  void SetWriteBufSize(uint16_t value);
  uint32_t SuspendTime() const { return suspendTime_; }
  void SetSuspendTime(uint32_t value);
  TCommEventTypes MonitorEvents() const { return monitorEvents_; }
  void SetMonitorEvents(TCommEventTypes value);
  // Stored, then applied to an open port; a refusal raises CommException and keeps the
  // old value.
  TBaudRate BaudRate() const { return baudRate_; }
  void SetBaudRate(TBaudRate value) { SetLineProperty(baudRate_, value); }
  TParity Parity() const { return parity_; }
  void SetParity(TParity value) { SetLineProperty(parity_, value); }
  TStopBits StopBits() const { return stopBits_; }
  void SetStopBits(TStopBits value) { SetLineProperty(stopBits_, value); }
  TDataBits DataBits() const { return dataBits_; }
  void SetDataBits(TDataBits value) { SetLineProperty(dataBits_, value); }
  TCommEventChars& EventChars() { return eventChars_; }
  const TCommEventChars& EventChars() const { return eventChars_; }
  TCommOptions Options() const { return options_; }
  void SetOptions(TCommOptions value) { SetLineProperty(options_, value); }
  // Stored; the port keeps the flow control its driver has.
  TFlowControl FlowControl() const { return flowControl_; }
  void SetFlowControl(TFlowControl value) { SetLineProperty(flowControl_, value); }
};

template <typename T>
void TThreadComm::SetLineProperty(T& field, T value) {
  if (field == value) return;
  std::lock_guard lock(lock_);
  T old = field;
  field = value;
  try {
    ApplyLineSettingsOrRaise();
  } catch (...) {
    field = old;
    throw;
  }
}

}  // namespace pelyx::link
