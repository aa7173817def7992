// The POSIX (Linux) layer of the serial component: exclusive open of a device path, the
// line settings through the kernel's termios interface, queue counts, modem-line and
// line-error counters, and the event wait of the event thread.
//
// Functions return 0 or an errno value where the caller needs the platform's error code,
// and never throw. Nothing here knows the component's enumerations; `TThreadComm`
// translates them into `LineSettings`.
#pragma once

#include <cstdint>

struct termios2;  // <asm/termbits.h>

namespace pelyx::link::posix {

// Opens `path` for exclusive reading and writing. Returns the descriptor, or -1 with
// errno set when the device is absent, not a terminal or held by another program.
int OpenExclusive(const char* path);

// Gives up exclusive use and closes the descriptor.
void CloseExclusive(int fd);

// The line settings as numbers. `parity` is 'N', 'O', 'E', 'M' or 'S'; `stopBitsTenths`
// is 10, 15 or 20.
struct LineSettings {
  uint32_t bitsPerSecond = 9600;
  int dataBits = 8;
  char parity = 'N';
  int stopBitsTenths = 10;
  unsigned char xonChar = 17;
  unsigned char xoffChar = 19;
  bool parityCheck = false;
};

// Writes the line settings into a kernel termios record (raw mode, rate, framing, flow
// characters), keeping its other fields. 0, or EINVAL for what termios cannot express.
int ComposeLineSettings(const LineSettings& settings, termios2& tio);

// Writes the line settings to the port and reads them back. A driver that silently drops
// part of the framing (pseudo-terminals keep 8 data bits without parity, some adapters
// have no mark or space parity) counts as refusing it: the previous settings are
// restored and EINVAL returned. 0 or errno.
int ApplyLineSettings(int fd, const LineSettings& settings);

// Makes a read return at once with what is queued (the caller waits for a first byte
// itself). 0 or errno.
int ApplyReadTimeouts(int fd);

// Asks for driver queues of the given sizes. 0 or errno.
int RequestBufferSizes(int fd, uint32_t inputBytes, uint32_t outputBytes);

// Bytes waiting in the input and the output queue (0 when the driver cannot tell).
uint32_t InputQueued(int fd);
uint32_t OutputQueued(int fd);

// True when hardware flow control holds the output because CTS is low.
bool OutputHeldByCts(int fd);

// Discards both queues.
void Purge(int fd);

// Counters of modem-line changes and line errors kept by the driver.
struct LineCounters {
  int cts = 0, dsr = 0, ring = 0, carrier = 0;
  int breaks = 0, frame = 0, overrun = 0, parity = 0, bufferOverrun = 0;
};

// Reads the driver's counters; false where the driver has none (pseudo-terminals).
bool ReadLineCounters(int fd, LineCounters& counters);

// The levels of the modem input lines.
struct ModemLines {
  bool cts = false, dsr = false, ring = false, carrier = false;
  bool operator==(const ModemLines&) const = default;
};

// Reads the modem input lines; false where the driver has none (pseudo-terminals).
bool ReadModemLines(int fd, ModemLines& lines);

// Waits until `fd` is readable (forWrite false) or writable (true), at most `timeoutMs`
// (negative: no limit). 1 ready, 0 time-out, -1 hung up or failed.
int WaitReady(int fd, bool forWrite, int timeoutMs);

// The event thread's wait: received bytes on a port and a wake-up from another thread.
class EventWait {
 public:
  EventWait();
  ~EventWait();
  EventWait(const EventWait&) = delete;
  EventWait& operator=(const EventWait&) = delete;

  // False when the kernel refused the descriptors the wait needs.
  bool Valid() const { return poll_ >= 0 && wake_ >= 0; }

  bool WatchPort(int fd);
  void UnwatchPort();

  // Any thread: ends the current or the next Wait at once.
  void Wake();

  struct Result {
    bool ok = false;        // false: the wait itself failed (errno set)
    bool received = false;  // new bytes arrived on the port since the last report
    bool hungUp = false;    // the port hung up or failed
    bool woken = false;     // Wake was called
  };
  // Waits at most `timeoutMs` (negative: no limit).
  Result Wait(int timeoutMs);

 private:
  int poll_ = -1;
  int wake_ = -1;
  int port_ = -1;
};

}  // namespace pelyx::link::posix
