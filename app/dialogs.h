// The three dialogs the application creates once at start: About, the agreement (built
// but never shown) and the waiting-progress box of a device restart.
#pragma once

#include <QDialog>

#include <functional>
#include <string>

class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QUrl;

namespace pelyx::app {

// The product title, the version and the read-me text of the current language.
class TfrmAbout : public QDialog {
  Q_OBJECT
 public:
  static constexpr const char* kProductTitle = "Pelyx 300 Configuration";
  static constexpr const char* kVersion = "Ver 1.3 Build20131107";
  static constexpr const char* kMakerName = "TESK Marine Electronics";
  static constexpr const char* kMakerWebAddress = "https://www.teskmarine.example/";

  using UrlOpener = std::function<void(const QUrl&)>;

  explicit TfrmAbout(QWidget* parent = nullptr);

  // Fills the memo from the read-me file at `path`, text in `encoding` (an iconv name):
  // an empty first line, then the file's lines (see readme.h). A file that cannot be
  // read leaves the memo as it was; false then.
  bool LoadReadMe(const std::string& path, const char* encoding);

  // Where the maker's web address goes (the default browser; tests replace it).
  void SetUrlOpener(UrlOpener opener) { urlOpener_ = std::move(opener); }

  void btnOKClick();
  void OpenWebAddress();

  QLabel* Image2;
  QLabel* StaticTextProduct;
  QLabel* Label6;
  QLabel* LabelProfessional;
  QPlainTextEdit* Memo1;
  QLabel* lblCompanyName;
  QLabel* lblWebUrl;
  QPushButton* btnOK;

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  UrlOpener urlOpener_;
};

// The licence agreement: built with the other dialogs, its button captions set by the
// language file, and never shown.
class TfrmAgreement : public QDialog {
  Q_OBJECT
 public:
  explicit TfrmAgreement(QWidget* parent = nullptr);

  QLabel* LabelTitle;
  QPlainTextEdit* MemoAgreement;
  QPushButton* ButtonAgree;
  QPushButton* ButtonCancel;
};

// "Configuring. Please wait..." with a progress bar, shown without blocking while the
// receiver restarts. Given the main window as its parent it is that window's tool
// window: the window system keeps it over the main window and places it by it.
class TfrmWaitingProgress : public QDialog {
  Q_OBJECT
 public:
  static constexpr double kOpacity = 200.0 / 255.0;

  explicit TfrmWaitingProgress(QWidget* parent = nullptr);

  // Shows the box centred over `over` (the centre of its screen when `over` is not shown,
  // of the box's screen without it), placed before it shows; never blocks.
  void ShowProgress(QWidget* over);
  void SetMaximum(int maximum);
  void SetPosition(int position);
  void HideProgress();

  QLabel* lblWaitInfo;
  QProgressBar* ProgressBar1;
};

}  // namespace pelyx::app
