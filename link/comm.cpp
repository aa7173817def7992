#include "link/comm.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "link/serial_posix.h"

namespace pelyx::link {

namespace {

constexpr const char* kPortAlreadyOpen = "Port already assigned (open) (Error: %d)";
constexpr const char* kLineSettingsRefused = "Error updating DataControlBlock (Error: %d)";
constexpr const char* kBuffersRefused = "Error initializing Read/Write Buffers (Error: %d)";

// A read waits at most this long for a first byte when none is queued.
constexpr int kReadFirstByteMs = 1000;
// A write gives up when the driver has taken no byte for this long (output stopped by
// flow control, a peer that never reads).
constexpr int kWriteStallMs = 1000;
// How often the event thread compares the driver's modem-line and error counters (only
// where the driver keeps them and such events are monitored).
constexpr int kLineCheckMs = 100;
// First and longest wait between checks of a draining output queue.
constexpr int kTxFirstCheckMs = 2;
constexpr int kTxLongestCheckMs = 100;

constexpr uint32_t kLineEventBits = kEvBreak | kEvCts | kEvDsr | kEvError | kEvRing | kEvRlsd;

constexpr uint32_t kEventBitTable[] = {kEvBreak, kEvCts,    kEvDsr,    kEvError,  kEvRing,
                                       kEvRlsd,  kEvRxChar, kEvRxFlag, kEvTxEmpty};

constexpr uint32_t kBaudRateTable[] = {110,   300,   600,   1200,  2400,   4800,   9600,  14400,
                                       19200, 38400, 56000, 57600, 115200, 128000, 256000};

// RAII count of nested dispatches.
struct DepthGuard {
  explicit DepthGuard(int& depth) : depth_(depth) { ++depth_; }
  ~DepthGuard() { --depth_; }
  int& depth_;
};

}  // namespace

uint32_t EventBit(TCommEventType type) {
  return kEventBitTable[type];
}

uint32_t EventBits(TCommEventTypes types) {
  uint32_t bits = 0;
  for (int i = 0; i <= evTxEmpty; ++i) {
    auto type = static_cast<TCommEventType>(i);
    if (types.Contains(type)) bits |= EventBit(type);
  }
  return bits;
}

uint32_t BaudRateValue(TBaudRate rate) {
  return kBaudRateTable[rate];
}

CommException::CommException(const char* format, int code)
    : std::runtime_error([&] {
        char text[128];
        std::snprintf(text, sizeof text, format, code);
        return std::string(text);
      }()),
      code_(code) {}

// ---------------------------------------------------------------------------------------
// TCommEventChars

void TCommEventChars::Set(char& field, char value) {
  if (field == value) return;
  std::lock_guard lock(owner_.lock_);
  char old = field;
  field = value;
  try {
    owner_.ApplyLineSettingsOrRaise();
  } catch (...) {
    field = old;
    throw;
  }
}

void TCommEventChars::Assign(const TCommEventChars& source) {
  if (&source == this) return;
  std::lock_guard lock(owner_.lock_);
  char* fields[] = {&xonChar_, &xoffChar_, &errorChar_, &eofChar_, &evtChar_};
  const char values[] = {source.xonChar_, source.xoffChar_, source.errorChar_, source.eofChar_,
                         source.evtChar_};
  char old[5];
  for (int i = 0; i < 5; ++i) {
    old[i] = *fields[i];
    *fields[i] = values[i];
  }
  try {
    owner_.ApplyLineSettingsOrRaise();
  } catch (...) {
    for (int i = 0; i < 5; ++i) *fields[i] = old[i];
    throw;
  }
}

// ---------------------------------------------------------------------------------------
// TCommEventThread

TCommEventThread::TCommEventThread(int port, uint32_t suspendTime, TCommEventTypes monitorEvents,
                                   UiDispatcher& dispatcher)
    : port_(port),
      suspendTime_(suspendTime),
      // SetCommMask(MonitorEvents): the bits this thread reports.
      monitorBits_(EventBits(monitorEvents)),
      dispatcher_(dispatcher),
      wait_(std::make_unique<posix::EventWait>()) {
  if (wait_->Valid() && !wait_->WatchPort(port_)) wait_.reset();
}

TCommEventThread::~TCommEventThread() = default;

bool TCommEventThread::Ready() const {
  return wait_ && wait_->Valid();
}

void TCommEventThread::SetHandler(std::function<void(uint32_t)> handler) {
  handler_ = std::move(handler);
}

void TCommEventThread::SetHangUpHandler(std::function<void()> handler) {
  hangUpHandler_ = std::move(handler);
}

void TCommEventThread::Start() {
  // The thread keeps its object alive, so that a thread that has to be left running
  // (its component destroyed from within its own handler) never touches freed memory.
  thread_ = std::thread([self = shared_from_this()] { self->Execute(); });
}

void TCommEventThread::Terminate() {
  terminated_ = true;
  if (wait_) wait_->Wake();
}

bool TCommEventThread::Finished() const {
  std::lock_guard lock(finishMutex_);
  return finished_;
}

bool TCommEventThread::WaitFinished(std::chrono::milliseconds timeout) {
  std::unique_lock lock(finishMutex_);
  return finishedCv_.wait_for(lock, timeout, [&] { return finished_; });
}

void TCommEventThread::Join() {
  if (thread_.joinable()) thread_.join();
}

void TCommEventThread::Detach() {
  if (thread_.joinable()) thread_.detach();
}

void TCommEventThread::WriteStarted() {
  if (!(monitorBits_ & kEvTxEmpty)) return;
  writePending_ = true;
  wait_->Wake();
}

void TCommEventThread::Execute() {
  // Modem-line and error events: TIOCMIWAIT cannot be ended from another thread, so it
  // would keep Close waiting until a line changes. Instead the driver's counters
  // (TIOCGICOUNT) are compared on every wake and every kLineCheckMs; a driver without
  // counters but with TIOCMGET gives the line changes (not the errors). Where neither
  // exists (pseudo-terminals) the events are absent and the wait has no time limit.
  enum { kNoLines, kCounters, kModemLines } lineSource = kNoLines;
  posix::LineCounters counters;
  posix::ModemLines modem;
  if (monitorBits_ & kLineEventBits) {
    if (posix::ReadLineCounters(port_, counters)) {
      lineSource = kCounters;
    } else if (posix::ReadModemLines(port_, modem)) {
      lineSource = kModemLines;
    }
  }
  bool watching = true;
  bool endedByItself = false;
  int txCheckMs = kTxFirstCheckMs;

  while (!terminated_) {
    // WaitCommEvent + WaitForSingleObject: one wait for received bytes, a hang-up, the
    // wake-up of Close or Write, and the time of the next counter or queue check.
    int timeout = -1;
    if (watching && lineSource != kNoLines) timeout = kLineCheckMs;
    if (watching && writePending_) timeout = timeout < 0 ? txCheckMs : std::min(timeout, txCheckMs);
    posix::EventWait::Result result = wait_->Wait(timeout);
    if (terminated_) break;
    if (!result.ok) {
      if (errno == EINTR) continue;
      endedByItself = true;  // a wait that fails for good would fail again at once
      break;
    }
    if (!watching) continue;
    if (result.hungUp) {
      // The port is gone (adapter unplugged, pseudo-terminal closed): the descriptor now
      // reports a hang-up on every wait, so stop waiting on it, and tell the owner, who
      // may get no device-change notice for it (a pseudo-terminal has none).
      wait_->UnwatchPort();
      watching = false;
      hungUp_ = true;
      dispatcher_.RunAndWait([this] {
        if (terminated_) return;
        auto handler = hangUpHandler_;  // a copy: the handler may close the port
        if (handler) handler();
      });
      continue;
    }

    uint32_t events = 0;
    if (result.received) events |= kEvRxChar;
    if (lineSource == kCounters) {
      posix::LineCounters now;
      if (posix::ReadLineCounters(port_, now)) {
        if (now.cts != counters.cts) events |= kEvCts;
        if (now.dsr != counters.dsr) events |= kEvDsr;
        if (now.ring != counters.ring) events |= kEvRing;
        if (now.carrier != counters.carrier) events |= kEvRlsd;
        if (now.breaks != counters.breaks) events |= kEvBreak;
        if (now.frame != counters.frame || now.overrun != counters.overrun ||
            now.parity != counters.parity || now.bufferOverrun != counters.bufferOverrun) {
          events |= kEvError;
        }
        counters = now;
      }
    } else if (lineSource == kModemLines) {
      posix::ModemLines now;
      if (posix::ReadModemLines(port_, now)) {
        if (now.cts != modem.cts) events |= kEvCts;
        if (now.dsr != modem.dsr) events |= kEvDsr;
        if (now.carrier != modem.carrier) events |= kEvRlsd;
        if (now.ring && !modem.ring) events |= kEvRing;
        modem = now;
      }
    }
    if (writePending_) {
      // EV_TXEMPTY: the output queue (TIOCOUTQ) has drained since the last write.
      if (posix::OutputQueued(port_) == 0) {
        writePending_ = false;
        events |= kEvTxEmpty;
        txCheckMs = kTxFirstCheckMs;
      } else {
        txCheckMs = std::min(txCheckMs * 2, kTxLongestCheckMs);
      }
    }
    events &= monitorBits_;
    if (events == 0) continue;

    // Hand the set over and block until it has been handled on the user-interface
    // thread. Close may have run meanwhile: the work then does nothing.
    events_ = events;
    dispatcher_.RunAndWait([this, events] {
      if (terminated_) return;
      auto handler = handler_;  // a copy: the handler may close the port and clear ours
      if (handler) handler(events);
    });
  }

  // PurgeComm at the end of the loop, only when the loop ended by itself: after Close
  // the port is not ours to touch any more.
  if (endedByItself && !terminated_) posix::Purge(port_);
  std::lock_guard lock(finishMutex_);
  finished_ = true;
  finishedCv_.notify_all();
}

// ---------------------------------------------------------------------------------------
// TThreadComm

TThreadComm::TThreadComm(UiDispatcher& dispatcher) : dispatcher_(dispatcher) {}

TThreadComm::~TThreadComm() {
  try {
    Close();
  } catch (...) {  // work of other objects that ran while waiting; nobody to tell now
  }
  if (dispatchDepth_ == 0) {
    try {
      JoinRetiredThreads();
    } catch (...) {
    }
  } else {
    // Destroyed from within its own handler: the thread that handed the event over waits
    // for this very call to return and cannot be joined here. It owns its state and
    // ends by itself once released.
    for (auto& thread : retired_) thread->Detach();
  }
}

bool TThreadComm::OpenDevice() {
  int fd = posix::OpenExclusive(deviceName_.c_str());
  if (fd < 0) {
    lastOpenError_ = errno;
    return false;
  }
  lastOpenError_ = 0;
  port_ = fd;
  ++session_;
  open_ = true;
  // SetCommMask with all nine events: the event thread's mask is set when it starts.
  return true;
}

void TThreadComm::Open() {
  int code = 0;
  const char* text = nullptr;
  std::exception_ptr pending;
  {
    std::lock_guard lock(lock_);
    if (dispatchDepth_ == 0) pending = StopRetiredThreads();
    if (open_) {
      code = -1;
      text = kPortAlreadyOpen;
    } else if (OpenDevice()) {
      if (!ApplyTimeouts()) {
        ClosePort();
      } else if (int error = ApplyLineSettings(); error != 0) {
        ClosePort();
        code = error;
        text = kLineSettingsRefused;
      } else {
        if (int error = posix::RequestBufferSizes(port_, readBufSize_, writeBufSize_); error) {
          code = error;
          text = kBuffersRefused;
        }
        int32_t errors;
        TComStat status;
        ReadLineErrors(errors, status);  // the error counters start from here
        auto thread =
            std::make_shared<TCommEventThread>(port_, suspendTime_, monitorEvents_, dispatcher_);
        if (!thread->Ready()) {  // no descriptors left for the wait
          ClosePort();
          text = nullptr;
        } else {
          thread->SetHandler([this](uint32_t events) { DispatchEvents(events); });
          thread->SetHangUpHandler([this] { DispatchHangUp(); });
          try {
            thread->Start();
          } catch (...) {
            ClosePort();
            throw;
          }
          eventThread_ = std::move(thread);
        }
      }
    }
  }
  if (text) throw CommException(text, code);
  if (pending) std::rethrow_exception(pending);
}

void TThreadComm::Close() {
  std::exception_ptr pending;
  {
    std::lock_guard lock(lock_);
    if (dispatchDepth_ == 0) pending = StopRetiredThreads();
    if (open_) {
      ++session_;  // a dispatch in progress raises no further handler
      if (std::shared_ptr<TCommEventThread> thread = std::move(eventThread_)) {
        thread->SetHandler(nullptr);
        thread->SetHangUpHandler(nullptr);
        thread->Terminate();
        if (dispatchDepth_ > 0) {
          // Closed from within a handler: the event thread is blocked handing over the
          // set being dispatched and ends once that returns. Waiting here would wait for
          // ourselves.
          retired_.push_back(std::move(thread));
        } else if (auto error = StopThread(*thread); error && !pending) {
          pending = error;
        }
      }
      ClosePort();
    }
  }
  if (pending) std::rethrow_exception(pending);
}

std::exception_ptr TThreadComm::StopThread(TCommEventThread& thread) {
  std::exception_ptr pending;
  if (dispatcher_.OnUiThread()) {
    // The thread may be blocked handing an event set to this very thread: run what has
    // been handed over (it sees the thread terminated and does nothing) until it ends.
    for (;;) {
      try {
        dispatcher_.RunPending();
      } catch (...) {  // work of other objects; passed on once the port is closed
        if (!pending) pending = std::current_exception();
      }
      if (thread.WaitFinished(std::chrono::milliseconds(2))) break;
    }
  } else {
    while (!thread.WaitFinished(std::chrono::seconds(1))) {
    }
  }
  thread.Join();
  return pending;
}

std::exception_ptr TThreadComm::StopRetiredThreads() {
  std::exception_ptr pending;
  for (auto& thread : retired_) {
    if (auto error = StopThread(*thread); error && !pending) pending = error;
  }
  retired_.clear();
  return pending;
}

void TThreadComm::JoinRetiredThreads() {
  if (auto error = StopRetiredThreads()) std::rethrow_exception(error);
}

void TThreadComm::ClosePort() {
  posix::CloseExclusive(port_);
  port_ = -1;
  open_ = false;
  ++session_;
  haveErrorBaseline_ = false;
}

bool TThreadComm::ApplyTimeouts() {
  // Read: return at once with what is queued, wait at most kReadFirstByteMs for a first
  // byte (Read polls for it). Write: the driver takes the bytes into its queue at once;
  // Write waits for room without a total limit (the write multiplier, 19200 divided by
  // the rate, bounds a transmission time, not the queueing) but gives up after
  // kWriteStallMs without progress.
  return posix::ApplyReadTimeouts(port_) == 0;
}

int TThreadComm::ApplyLineSettings() {
  if (!open_ || port_ < 0) return 0;
  posix::RequestBufferSizes(port_, readBufSize_, writeBufSize_);  // result ignored
  posix::LineSettings settings;
  settings.bitsPerSecond = BaudRateValue(baudRate_);
  settings.dataBits = 4 + static_cast<int>(dataBits_);
  static constexpr char kParityLetters[] = {'N', 'O', 'E', 'M', 'S'};
  settings.parity = kParityLetters[parity_];
  static constexpr int kStopBitsTenths[] = {10, 15, 20};
  settings.stopBitsTenths = kStopBitsTenths[stopBits_];
  settings.xonChar = static_cast<unsigned char>(eventChars_.XOnChar());
  settings.xoffChar = static_cast<unsigned char>(eventChars_.XOffChar());
  // The options: coParityCheck is INPCK. termios has no counterpart for the others:
  // coDsrSensitivity (input is never gated by DSR), coIgnoreXOff (transmission always
  // continues after an XOFF has been sent), coErrorChar (with parity checking a byte in
  // error always reads as NUL, the default ErrorChar), coNullStrip.
  settings.parityCheck = options_.Contains(coParityCheck);
  return posix::ApplyLineSettings(port_, settings);
}

void TThreadComm::ApplyLineSettingsOrRaise() {
  std::lock_guard lock(lock_);
  if (int error = ApplyLineSettings(); error != 0) throw CommException(kLineSettingsRefused, error);
}

void TThreadComm::ReadLineErrors(int32_t& errors, TComStat& status) {
  // ClearCommError: the error flags are the error counters' increase since the last
  // call; the status is the queue counts.
  errors = 0;
  status = {};
  if (port_ < 0) return;
  posix::LineCounters now;
  if (posix::ReadLineCounters(port_, now)) {
    const int counts[5] = {now.bufferOverrun, now.overrun, now.parity, now.frame, now.breaks};
    static constexpr int32_t kFlags[5] = {kLineErrRxOver, kLineErrOverrun, kLineErrParity,
                                          kLineErrFrame, kLineErrBreak};
    for (int i = 0; i < 5; ++i) {
      if (haveErrorBaseline_ && counts[i] != errorBaseline_[i]) errors |= kFlags[i];
      errorBaseline_[i] = counts[i];
    }
    haveErrorBaseline_ = true;
  }
  status.inQueue = posix::InputQueued(port_);
  status.outQueue = posix::OutputQueued(port_);
  if (posix::OutputHeldByCts(port_)) status.flags |= kComStatCtsHold;
}

int32_t TThreadComm::Write(const void* bytes, int32_t length) {
  if (!open_) return -1;
  std::lock_guard lock(lock_);
  if (!open_) return -1;
  if (length <= 0 || bytes == nullptr) return 0;
  const auto* data = static_cast<const char*>(bytes);
  int32_t written = 0;
  while (written < length) {
    // WriteFile (overlapped) + GetOverlappedResult: write() takes what fits into the
    // driver's queue; when it is full, poll() for POLLOUT instead of spinning.
    ssize_t n = ::write(port_, data + written, static_cast<size_t>(length - written));
    if (n > 0) {
      written += static_cast<int32_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) &&
        posix::WaitReady(port_, true, kWriteStallMs) == 1) {
      continue;
    }
    int32_t errors;  // failed or stalled: read and clear the line errors
    TComStat status;
    ReadLineErrors(errors, status);
    break;
  }
  if (written > 0 && eventThread_) eventThread_->WriteStarted();
  return written;
}

int32_t TThreadComm::Read(void* buffer, int32_t length) {
  if (!open_) return -1;
  std::lock_guard lock(lock_);
  if (!open_) return -1;
  int32_t errors;
  TComStat status;
  ReadLineErrors(errors, status);
  if (length <= 0 || buffer == nullptr) return 0;
  bool waited = false;
  for (;;) {
    // ReadFile (overlapped): with VMIN 0 and VTIME 0 read() returns what is queued, 0
    // when nothing is; then poll() waits for a first byte, at most kReadFirstByteMs.
    ssize_t n = ::read(port_, buffer, static_cast<size_t>(length));
    if (n > 0) return static_cast<int32_t>(n);
    if (n < 0 && errno == EINTR) continue;
    bool nothingQueued = n == 0 || errno == EAGAIN || errno == EWOULDBLOCK;
    if (nothingQueued && !waited) {
      waited = true;
      if (posix::WaitReady(port_, false, kReadFirstByteMs) == 1) continue;
    }
    return 0;  // nothing arrived, a hang-up, or a failure
  }
}

void TThreadComm::DispatchEvents(uint32_t events) {
  if (!open_) return;
  const uint64_t session = session_;
  DepthGuard depth(dispatchDepth_);
  int32_t errors;
  TComStat status;
  {
    std::lock_guard lock(lock_);
    ReadLineErrors(errors, status);
  }
  // A handler may close (and reopen) the port: no handler of this set runs after that.
  auto live = [&] { return open_ && session_ == session; };
  auto notify = [&](uint32_t bit, const TNotifyEvent& handler) {
    if ((events & bit) && handler && live()) {
      TNotifyEvent call = handler;  // a handler may reassign itself
      call(*this);
    }
  };
  notify(kEvBreak, OnBreak);
  notify(kEvCts, OnCts);
  notify(kEvDsr, OnDsr);
  if ((events & kEvError) && OnError && live()) {
    TErrorEvent call = OnError;
    call(*this, errors);
  }
  notify(kEvRing, OnRing);
  notify(kEvRlsd, OnRlsd);
  if ((events & kEvRxChar) && status.inQueue > 0 && OnRxChar && live()) {
    TRxCharEvent call = OnRxChar;
    call(*this, status.inQueue);
  }
  notify(kEvRxFlag, OnRxFlag);
  notify(kEvTxEmpty, OnTxEmpty);
  if (OnComStatEvent && live()) {
    TComStatEvent call = OnComStatEvent;
    call(*this, events, status);
  }
}

void TThreadComm::DispatchHangUp() {
  if (!open_ || !OnHangUp) return;
  DepthGuard depth(dispatchDepth_);  // the handler may close the port
  TNotifyEvent call = OnHangUp;
  call(*this);
}

bool TThreadComm::LineHungUp() const {
  return open_ && eventThread_ && eventThread_->HungUp();
}

// ---------------------------------------------------------------------------------------
// TComm

void TComm::SetDeviceName(const std::string& value) {
  std::lock_guard lock(lock_);
  if (!IsOpen() && value != deviceName_) deviceName_ = value;
}

void TComm::SetReadBufSize(uint16_t value) {
  std::lock_guard lock(lock_);
  if (!IsOpen()) readBufSize_ = value;
}

void TComm::SetWriteBufSize(uint16_t value) {
  std::lock_guard lock(lock_);
  if (!IsOpen()) writeBufSize_ = value;
}

void TComm::SetSuspendTime(uint32_t value) {
  std::lock_guard lock(lock_);
  if (!IsOpen()) suspendTime_ = value;
}

void TComm::SetMonitorEvents(TCommEventTypes value) {
  std::lock_guard lock(lock_);
  if (!IsOpen()) monitorEvents_ = value;
}

}  // namespace pelyx::link
