#include "link/ui_dispatcher.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace pelyx::link {
namespace {

TEST(EventQueueDispatcher, RunsWorkOnTheUiThreadAndWaits) {
  EventQueueDispatcher ui;
  const auto uiId = std::this_thread::get_id();
  std::atomic<int> done{0};
  std::vector<std::thread::id> ranOn;
  std::thread worker([&] {
    for (int i = 0; i < 3; ++i) {
      ui.RunAndWait([&] { ranOn.push_back(std::this_thread::get_id()); });
      done = i + 1;  // RunAndWait returned: the work has run
    }
  });
  EXPECT_TRUE(ui.ProcessUntil([&] { return done == 3; }, 5000));
  worker.join();
  ASSERT_EQ(ranOn.size(), 3u);
  for (auto id : ranOn) EXPECT_EQ(id, uiId);
}

TEST(EventQueueDispatcher, WorkHandedOffOnTheUiThreadRunsAtOnce) {
  EventQueueDispatcher ui;
  bool ran = false;
  ui.RunAndWait([&] { ran = true; });
  EXPECT_TRUE(ran);
  EXPECT_TRUE(ui.OnUiThread());
  EXPECT_EQ(ui.ProcessEvents(0), 0);
}

TEST(EventQueueDispatcher, RunPendingReleasesABlockedWorker) {
  EventQueueDispatcher ui;
  std::atomic<bool> handedOff{false}, released{false};
  std::thread worker([&] {
    handedOff = true;
    ui.RunAndWait([] {});
    released = true;
  });
  while (!handedOff) std::this_thread::yield();
  // The worker may not have queued its work yet; keep servicing until it is released.
  while (!released) ui.RunPending();
  worker.join();
  EXPECT_EQ(ui.ProcessEvents(0), 0);
}

}  // namespace
}  // namespace pelyx::link
