// The hand-off from a link's worker thread to the user-interface thread.
//
// Both link objects wait for their device in a thread of their own and hand every
// event to the user-interface thread, where all handlers, the decoder and the views
// run. The window implements this with a blocking queued invocation; programs without
// a window and the tests use `EventQueueDispatcher`.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace pelyx::link {

class UiDispatcher {
 public:
  virtual ~UiDispatcher() = default;

  // Called on a worker thread: runs `work` on the user-interface thread and returns
  // once it has run there. The work itself must check whether its object is still
  // open: the user-interface thread may have closed it while the hand-off waited. Work
  // that throws still releases the worker; the exception goes to whoever runs the
  // user-interface loop.
  virtual void RunAndWait(std::function<void()> work) = 0;

  // Whether the calling thread is the user-interface thread.
  virtual bool OnUiThread() const = 0;

  // Called on the user-interface thread: runs every piece of work handed off so far.
  // A link object that stops its worker thread calls this while it waits for the
  // thread to end, so that a worker blocked in RunAndWait is released instead of
  // deadlocking (the work then sees the object closed and does nothing).
  virtual void RunPending() = 0;
};

// A plain user-interface thread: whichever thread calls ProcessEvents() (the thread
// that constructed the dispatcher) runs the handed-off work, one item at a time.
class EventQueueDispatcher : public UiDispatcher {
 public:
  EventQueueDispatcher() : uiThread_(std::this_thread::get_id()) {}

  void RunAndWait(std::function<void()> work) override;
  bool OnUiThread() const override { return std::this_thread::get_id() == uiThread_; }
  void RunPending() override { ProcessEvents(0); }

  // Runs the work handed off so far; waits up to `timeoutMs` for the first item when
  // there is none. Returns the number of items run.
  int ProcessEvents(int timeoutMs = 0);

  // Runs work until `done` returns true or `timeoutMs` passes; true when done.
  bool ProcessUntil(const std::function<bool()>& done, int timeoutMs);

 private:
  struct Item {
    std::function<void()> work;
    bool finished = false;
  };

  std::thread::id uiThread_;
  std::mutex mutex_;
  std::condition_variable queued_;
  std::condition_variable finished_;
  std::deque<Item*> queue_;
};

}  // namespace pelyx::link
