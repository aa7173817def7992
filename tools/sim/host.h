// The simulated receiver's links (POSIX): a pseudo-terminal and a TCP listener on
// 127.0.0.1, served from one poll loop. Every open link gets the receiver's output from
// the moment it opened; every line received on any link goes to the receiver.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

#include "tools/sim/receiver.h"

namespace pelyx::sim {

struct HostOptions {
  bool pty = false;
  std::string ptyLink;  // a symlink to the pseudo-terminal's device; empty for none
  bool tcp = false;
  int tcpPort = 0;                // 0: a free port
  Millis closeAfter = 0;          // close each link this long after it opened; 0: never
  size_t maxQueued = 256 * 1024;  // output held per link; beyond it output is dropped
  // The pseudo-terminal hangs up (its master side closes) when this many
  // product-information requests have arrived, before the last one is answered; 0: never.
  int hangUpOnRequest = 0;
  // Close each TCP connection once the receiver's restart announcement has been written
  // to it, and hang the pseudo-terminal up then, as a receiver on USB that restarts
  // does; a new pseudo-terminal takes its place at once (behind the same symlink).
  bool closeOnRestart = false;
};

class Host {
 public:
  Host(Receiver& receiver, HostOptions options);
  ~Host();
  Host(const Host&) = delete;
  Host& operator=(const Host&) = delete;

  // Creates the pseudo-terminal (raw mode) and/or the listener. False with a message in
  // `error` when one of them cannot be made.
  bool Open(std::string& error);

  // The slave device of the pseudo-terminal ("/dev/pts/N") made by Open(), empty without
  // one. One that replaces it after a restart is reached through the symlink only.
  const std::string& PtyPath() const { return ptyPath_; }
  // The port the listener is bound to, 0 without one.
  int TcpPort() const { return tcpPort_; }

  // Serves the links until RequestStop(), until `duration` has passed (negative: no
  // limit), or until no link and no listener remains.
  void Run(Millis duration);

  // Ends Run() soon. Safe from a signal handler and from any thread.
  void RequestStop();

  // Milliseconds since Open(), the receiver's time.
  Millis Now() const;

  // Number of TCP connections served so far (open or closed).
  int ConnectionsAccepted() const { return accepted_.load(); }

 private:
  struct Link {
    int fd = -1;
    bool pty = false;
    bool present = true;  // a pseudo-terminal: whether its device is open on the other side
    Millis opened = 0;
    std::string out;
    std::string in;
    bool closeWhenWritten = false;   // closes once `out` is written
    bool replaceWhenClosed = false;  // a pseudo-terminal: a new one follows its close
  };

  // Makes a pseudo-terminal (raw mode) and points the symlink at it.
  bool OpenPty(std::string& error);

  void Accept();
  // Forgets the closed links; makes the pseudo-terminal that replaces a closed one.
  void DropClosedLinks();
  void ReadLink(Link& link);
  void WriteLink(Link& link);
  void CloseLink(Link& link);
  void CheckPtyPresence(Link& link);
  void FlushPtyInput();

  Receiver& receiver_;
  HostOptions options_;
  std::vector<Link> links_;
  int listener_ = -1;
  int wakeRead_ = -1;
  int wakeWrite_ = -1;
  std::atomic<bool> stop_{false};
  std::atomic<int> accepted_{0};
  std::string ptyPath_;
  std::string currentPtyPath_;  // the pseudo-terminal now served (run thread only)
  bool replacePty_ = false;
  int tcpPort_ = 0;
  bool linkMade_ = false;
  std::chrono::steady_clock::time_point start_;
  int restartsSeen_ = 0;
};

}  // namespace pelyx::sim
