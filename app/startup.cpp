#include "app/startup.h"

#include <QMessageBox>
#include <QStyleFactory>

#include <exception>

#include "app/dialogs.h"
#include "app/pictures.h"

namespace pelyx::app {

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
  reporter_ = [](const char* message) {
    QMessageBox box(QMessageBox::Critical, kApplicationTitle, QString::fromUtf8(message),
                    QMessageBox::Ok);
    box.setTextFormat(Qt::PlainText);
    box.exec();
  };
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& error) {
    if (reporter_) reporter_(error.what());
  } catch (...) {
    if (reporter_) reporter_("Unknown error");
  }
  return false;
}

ApplicationWindows::ApplicationWindows(const FormEnvironment& environment)
    : form_(std::make_unique<TForm1>(environment)),
      about_(std::make_unique<TfrmAbout>()),
      agreement_(std::make_unique<TfrmAgreement>()),
      // The progress box belongs to the main window (see TfrmWaitingProgress).
      waiting_(std::make_unique<TfrmWaitingProgress>(form_.get())) {
  agreement_->hide();
  form_->AttachDialogs(about_.get(), agreement_.get(), waiting_.get());
  form_->ApplyStoredLanguage();
}

ApplicationWindows::~ApplicationWindows() {
  // The window forgets the dialogs before they go.
  form_->AttachDialogs(nullptr, nullptr, nullptr);
}

int RunApplication(int argc, char** argv, link::PortEnumerator* ports) {
  TApplication application(argc, argv);
  try {
    QApplication::setApplicationName(kApplicationTitle);
    QApplication::setStyle(QStyleFactory::create("Fusion"));
    QApplication::setWindowIcon(QIcon(pictures::ProgramIcon(64)));
    FormEnvironment environment = FormEnvironment::FromPlatform();
    environment.ports = ports;
    ApplicationWindows windows(environment);
    windows.Form().show();
    return QApplication::exec();
  } catch (const std::exception& error) {
    QMessageBox box(QMessageBox::Critical, kApplicationTitle, QString::fromUtf8(error.what()),
                    QMessageBox::Ok);
    box.setTextFormat(Qt::PlainText);
    box.exec();
  }
  return 1;
}

}  // namespace pelyx::app
