// The Wi-Fi link: a TCP client with a thread of its own.
//
// The connection manager creates one client per Wi-Fi connection, gives it the device's
// address and port and two handlers, and starts it. The client connects a non-blocking
// IPv4 TCP socket; its thread waits for network events (at most 10 s per wait) and hands
// each event to the user-interface thread through the `UiDispatcher`, blocking until it
// has been handled there: "data can be read" becomes the receive handler, the end of the
// connection the closed handler. The owner reads with `Receive` from its receive handler
// and writes with `Send`.
//
// Threads. Everything but the waiting runs on the user-interface thread: the owner
// creates, uses and destroys the client there, and both handlers run there.
//
// Life cycle: created (suspended) -> running (connecting) -> connected -> ending (after
// `Disconnect`) -> gone. `Disconnect` never waits for the thread: it closes the
// connection, raises the closed handler once and wakes the thread, which ends on its own.
// No handler runs after `Disconnect` returns. The owner may destroy the client from
// either handler (the closed handler is where the manager drops its reference); the
// per-connection state is shared with the thread, which ends and frees it by itself.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <thread>

#include "link/ui_dispatcher.h"

namespace pelyx::link {

class TTCPIPClientThread {
 public:
  using Handler = std::function<void()>;

  static constexpr int32_t kMaxHostLength = 19;  // dotted-decimal IPv4 fits in 15
  static constexpr int32_t kReceiveSize = 512;   // most bytes one `Receive` returns
  static constexpr int kWaitMs = 10000;          // longest single wait of the thread
  // Longest time `Send` waits for the socket to take more bytes before it gives up.
  static constexpr int kSendStallMs = 10000;

  // The thread does not run until `Start` (the manager always creates it suspended).
  explicit TTCPIPClientThread(UiDispatcher& ui, bool createSuspended = true);
  // Stops the thread without raising either handler. Waits for it to end (running the
  // dispatcher's pending work meanwhile), except when called from within one of this
  // client's own hand-offs, where the thread is left to end and free itself.
  ~TTCPIPClientThread();

  TTCPIPClientThread(const TTCPIPClientThread&) = delete;
  TTCPIPClientThread& operator=(const TTCPIPClientThread&) = delete;

  // A text of 1 to 19 characters is copied and its length returned; anything else
  // clears the host and returns -1. The host is read as a dotted-decimal IPv4 address
  // only; no name lookup is made, and a text that is no such address never connects.
  int32_t SetHost(std::string_view host);
  // Stored unchanged. A port outside 0..65535 never connects.
  void SetPort(int32_t port);
  std::string Host() const;
  int32_t Port() const;

  // Set before `Start`. Both run on the user-interface thread.
  void SetReceiveHandler(Handler handler);
  void SetClosedHandler(Handler handler);

  // Creates the socket, starts connecting and starts the thread. Once per client;
  // nothing after `Disconnect`. A failure to create the socket is reported by the
  // thread with the closed handler. An attempt that the network refuses or never
  // answers raises nothing: the owner's deadline ends the link.
  void Start();

  // Sends all `n` bytes; waits, when the socket cannot take more, up to kSendStallMs
  // for it to drain. False when n <= 0 (nothing is sent), while the connection attempt
  // is still under way or after it failed (nothing is sent, the link stays), after
  // `Disconnect`, and when the socket fails (the client then disconnects).
  bool Send(const char* bytes, int32_t n);

  // True from `Start` until the connection is made, the attempt fails or the client
  // ends: a `Send` meanwhile sends nothing (and returns false) and the attempt goes on.
  bool Connecting() const;

  // The errno with which the connection attempt failed (ECONNREFUSED, EHOSTUNREACH,
  // ENETUNREACH, ETIMEDOUT...); 0 while it is under way or once it has succeeded. A
  // failed attempt raises no handler: the owner decides when to give up. `Send` then
  // returns false.
  int ConnectError() const;

  // Reads at most kReceiveSize bytes into `buffer` (which holds at least that many).
  // Returns the number of bytes, 0 when the peer has closed the connection, -1 when
  // nothing is waiting, after `Disconnect`, or on an error (the client then
  // disconnects). The owner reads once per receive notification; after a notification
  // the thread watches the socket again (for data and for the peer's close) only once
  // the owner has read, so an owner that does not read is not notified over and over.
  int32_t Receive(char* buffer);

  // Closes the connection, raises the closed handler (once per client, on the
  // user-interface thread) and asks the thread to end; does not wait for it. A second
  // call does nothing more.
  void Disconnect();

  // The number of client threads of the process that have not yet ended.
  static int RunningCount();

 private:
  struct State;  // shared by the client and its thread

  std::shared_ptr<State> state_;
  std::thread thread_;
};

}  // namespace pelyx::link
