#include "app/qt_ui_dispatcher.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QThread>

#include <condition_variable>
#include <mutex>

namespace pelyx::app {
namespace {

// Signalled once the work has run, or once its event is dropped unrun.
struct Completion {
  std::mutex mutex;
  std::condition_variable done;
  bool finished = false;
};

const QEvent::Type kHandOffEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

class HandOffEvent : public QEvent {
 public:
  HandOffEvent(std::function<void()> work, std::shared_ptr<Completion> completion)
      : QEvent(kHandOffEvent), work_(std::move(work)), completion_(std::move(completion)) {}

  // The toolkit deletes the event after handling it, or unhandled when its receiver goes
  // away: either way the waiting worker goes on.
  ~HandOffEvent() override {
    std::lock_guard lock(completion_->mutex);
    completion_->finished = true;
    completion_->done.notify_all();
  }

  // Runs the work once. Work that throws has released its worker all the same (the
  // event is deleted as the exception leaves); the exception goes on to whoever runs the
  // event loop, which for the program is TApplication::notify.
  void Run() {
    if (!work_) return;
    std::function<void()> work = std::move(work_);
    work_ = nullptr;
    work();
  }

 private:
  std::function<void()> work_;
  std::shared_ptr<Completion> completion_;
};

class Receiver : public QObject {
 public:
  bool event(QEvent* event) override {
    if (event->type() != kHandOffEvent) return QObject::event(event);
    static_cast<HandOffEvent*>(event)->Run();
    return true;
  }
};

}  // namespace

QtUiDispatcher::QtUiDispatcher() : receiver_(std::make_unique<Receiver>()) {}

QtUiDispatcher::~QtUiDispatcher() = default;

void QtUiDispatcher::RunAndWait(std::function<void()> work) {
  if (OnUiThread()) {  // already there: nothing to hand over
    work();
    return;
  }
  auto completion = std::make_shared<Completion>();
  QCoreApplication::postEvent(receiver_.get(), new HandOffEvent(std::move(work), completion));
  std::unique_lock lock(completion->mutex);
  completion->done.wait(lock, [&] { return completion->finished; });
}

bool QtUiDispatcher::OnUiThread() const {
  return QThread::currentThread() == receiver_->thread();
}

void QtUiDispatcher::RunPending() {
  QCoreApplication::sendPostedEvents(receiver_.get(), kHandOffEvent);
}

}  // namespace pelyx::app
