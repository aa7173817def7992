// The hand-off from the links' worker threads to the window's thread, with the toolkit's
// event queue: a worker posts its work as an event to an object of the window's thread
// and blocks until the event has been handled there. Work that throws releases its
// worker; the exception reaches the application's event handling (TApplication::notify
// reports it).
#pragma once

#include <memory>

#include "link/ui_dispatcher.h"

class QObject;

namespace pelyx::app {

class QtUiDispatcher final : public link::UiDispatcher {
 public:
  // The calling thread becomes the user-interface thread.
  QtUiDispatcher();
  // Work still waiting is dropped and its workers are released.
  ~QtUiDispatcher() override;

  QtUiDispatcher(const QtUiDispatcher&) = delete;
  QtUiDispatcher& operator=(const QtUiDispatcher&) = delete;

  void RunAndWait(std::function<void()> work) override;
  bool OnUiThread() const override;
  void RunPending() override;

 private:
  std::unique_ptr<QObject> receiver_;
};

}  // namespace pelyx::app
