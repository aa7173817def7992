#include "link/ui_dispatcher.h"

#include <algorithm>
#include <chrono>

namespace pelyx::link {

void EventQueueDispatcher::RunAndWait(std::function<void()> work) {
  if (OnUiThread()) {  // already there: nothing to hand over
    work();
    return;
  }
  Item item{std::move(work)};
  std::unique_lock lock(mutex_);
  queue_.push_back(&item);
  queued_.notify_all();
  finished_.wait(lock, [&] { return item.finished; });
}

int EventQueueDispatcher::ProcessEvents(int timeoutMs) {
  std::unique_lock lock(mutex_);
  if (queue_.empty() && timeoutMs > 0) {
    queued_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return !queue_.empty(); });
  }
  int ran = 0;
  while (!queue_.empty()) {
    Item* item = queue_.front();
    queue_.pop_front();
    lock.unlock();
    try {
      item->work();
    } catch (...) {
      // The work ended with an exception: release its worker all the same, then let the
      // exception reach whoever runs the event loop.
      lock.lock();
      item->finished = true;
      finished_.notify_all();
      throw;
    }
    lock.lock();
    item->finished = true;
    finished_.notify_all();
    ++ran;
  }
  return ran;
}

bool EventQueueDispatcher::ProcessUntil(const std::function<bool()>& done, int timeoutMs) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!done()) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    ProcessEvents(static_cast<int>(std::min<long>(left.count(), 20)));
  }
  return true;
}

}  // namespace pelyx::link
