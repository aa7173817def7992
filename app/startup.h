// The application's start: the toolkit, the main window, the dialogs, the stored
// language, the event loop.
#pragma once

#include <QApplication>

#include <functional>
#include <memory>

#include "app/main_form.h"

namespace pelyx::app {

class TfrmAbout;
class TfrmAgreement;
class TfrmWaitingProgress;

inline constexpr const char* kApplicationTitle = "TESK Pelyx Configuration";

// The toolkit's application. An exception that escapes an event handler is shown in a
// message box (through the reporter) and ends only that handler, as the toolkit cannot
// carry exceptions through its event loop.
class TApplication : public QApplication {
  Q_OBJECT
 public:
  using Reporter = std::function<void(const char* message)>;

  TApplication(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;
  // A message box by default; tests replace it.
  void SetExceptionReporter(Reporter reporter) { reporter_ = std::move(reporter); }

 private:
  Reporter reporter_;
};

// The windows of a run, created in the order of the start: the main window, then the
// dialogs, then the stored language applied (which needs the dialogs).
class ApplicationWindows {
 public:
  explicit ApplicationWindows(const FormEnvironment& environment);
  ~ApplicationWindows();

  TForm1& Form() { return *form_; }
  TfrmAbout& About() { return *about_; }
  TfrmAgreement& Agreement() { return *agreement_; }
  TfrmWaitingProgress& WaitingProgress() { return *waiting_; }

 private:
  std::unique_ptr<TForm1> form_;
  std::unique_ptr<TfrmAbout> about_;
  std::unique_ptr<TfrmAgreement> agreement_;
  std::unique_ptr<TfrmWaitingProgress> waiting_;
};

// Runs the program; returns its exit status. `ports`: the serial ports the window lists
// (the platform's when none).
int RunApplication(int argc, char** argv, link::PortEnumerator* ports = nullptr);

}  // namespace pelyx::app
