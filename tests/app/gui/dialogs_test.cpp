// The About, agreement and waiting-progress dialogs.
#include <gtest/gtest.h>

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QUrl>

#include "app/core/language.h"
#include "app/dialogs.h"
#include "app/main_form.h"
#include "gui_support.h"

namespace pelyx::app {
namespace {

using testing_support::Environment;
using testing_support::Find;
using testing_support::Folders;
using testing_support::ScriptedPrompt;

class Dialogs : public testing::Test {
 protected:
  void Start() {
    folders_.StoreLanguage("0");
    windows_ = std::make_unique<ApplicationWindows>(Environment(folders_, &prompt_));
  }
  TfrmAbout& About() { return windows_->About(); }
  QStringList MemoLines() { return About().Memo1->toPlainText().split('\n'); }

  Folders folders_;
  ScriptedPrompt prompt_;
  std::unique_ptr<ApplicationWindows> windows_;
};

TEST_F(Dialogs, AboutShowsTitleVersionAndANoticeWithoutAReadMe) {
  Start();
  EXPECT_EQ(About().size(), QSize(406, 352));
  EXPECT_EQ(About().StaticTextProduct->text(), "Pelyx 300 Configuration");
  EXPECT_EQ(About().StaticTextProduct->palette().color(QPalette::WindowText), QColor(Qt::black));
  EXPECT_EQ(About().Label6->text(), "Ver 1.3 Build20131107");
  EXPECT_TRUE(About().LabelProfessional->isHidden());
  EXPECT_EQ(About().LabelProfessional->text(), "(Professional)");
  EXPECT_EQ(About().Image2->size(), QSize(145, 49));
  EXPECT_FALSE(About().Image2->pixmap().isNull());
  EXPECT_TRUE(About().Memo1->isReadOnly());
  EXPECT_TRUE(About().Memo1->toPlainText().contains("All rights reserved"));
  EXPECT_EQ(About().btnOK->text(), "OK");
  EXPECT_EQ(About().lblCompanyName->cursor().shape(), Qt::PointingHandCursor);
  EXPECT_EQ(About().lblWebUrl->cursor().shape(), Qt::PointingHandCursor);
}

TEST_F(Dialogs, ReadMeIsLoadedInPiecesAfterAnEmptyLine) {
  std::string readMe = "First line\r\n" + std::string(600, 'x') + "\r\n\r\nLast\r\n";
  folders_.WriteReadMe(kLanguageEnglish, readMe);
  Start();
  const QStringList lines = MemoLines();
  ASSERT_EQ(lines.size(), 6);
  EXPECT_EQ(lines[0], "");
  EXPECT_EQ(lines[1], "First line");
  EXPECT_EQ(lines[2], QString(499, 'x'));
  EXPECT_EQ(lines[3], QString(101, 'x'));
  EXPECT_EQ(lines[4], "");
  EXPECT_EQ(lines[5], "Last");
}

TEST_F(Dialogs, AMissingReadMeLeavesTheMemo) {
  Start();
  About().Memo1->setPlainText("kept");
  EXPECT_FALSE(About().LoadReadMe(
      QDir(folders_.Program()).filePath("Lang/ReadMe-EN_TESKMARINE.txt").toStdString(), "CP1250"));
  EXPECT_EQ(About().Memo1->toPlainText(), "kept");
}

TEST_F(Dialogs, AboutIsShownWithoutBlockingAndAlwaysWithTheEnglishTitle) {
  Start();
  TForm1& form = windows_->Form();
  form.show();
  About().StaticTextProduct->setText("changed");
  Find<QAction>(&form, "mnuAbout")->trigger();
  EXPECT_TRUE(About().isVisible());
  EXPECT_FALSE(About().isModal());
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  EXPECT_EQ(About().StaticTextProduct->text(), "Pelyx 300 Configuration");
  const QString text = About().Memo1->toPlainText();
  QTest::mouseClick(About().btnOK, Qt::LeftButton);
  EXPECT_FALSE(About().isVisible());
  About().StaticTextProduct->setText("changed again");
  Find<QAction>(&form, "mnuAbout")->trigger();
  EXPECT_EQ(About().StaticTextProduct->text(), "Pelyx 300 Configuration");
  EXPECT_EQ(About().Memo1->toPlainText(), text);
  About().hide();
  form.hide();
}

TEST_F(Dialogs, BothLinksOpenTheMakersWebAddress) {
  Start();
  std::vector<QUrl> opened;
  About().SetUrlOpener([&](const QUrl& url) { opened.push_back(url); });
  About().show();
  QTest::mouseClick(About().lblCompanyName, Qt::LeftButton);
  QTest::mouseClick(About().lblWebUrl, Qt::LeftButton);
  QTest::mouseClick(About().Label6, Qt::LeftButton);
  ASSERT_EQ(opened.size(), 2u);
  for (const QUrl& url : opened) {
    EXPECT_EQ(url, QUrl(TfrmAbout::kMakerWebAddress));
    EXPECT_TRUE(url.isValid());
    EXPECT_EQ(url.scheme(), "https");
  }
  About().hide();
}

TEST_F(Dialogs, AgreementIsBuiltButNeverShown) {
  Start();
  windows_->Form().show();
  TfrmAgreement& agreement = windows_->Agreement();
  EXPECT_FALSE(agreement.isVisible());
  EXPECT_TRUE(agreement.windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_EQ(agreement.ButtonAgree->text(), "Agree");
  EXPECT_EQ(agreement.ButtonCancel->text(), "Cancel");
  EXPECT_FALSE(agreement.MemoAgreement->toPlainText().isEmpty());
  windows_->Form().hide();
}

TEST_F(Dialogs, WaitingProgressIsASmallToolWindowOnTop) {
  Start();
  TfrmWaitingProgress& waiting = windows_->WaitingProgress();
  EXPECT_EQ(waiting.size(), QSize(300, 95));
  EXPECT_TRUE(waiting.windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_EQ(waiting.windowFlags() & Qt::WindowType_Mask, Qt::Tool);
  EXPECT_NEAR(waiting.windowOpacity(), 200.0 / 255.0, 0.01);
  EXPECT_EQ(waiting.lblWaitInfo->text(), "Configuring. Please wait...");
  EXPECT_EQ(waiting.ProgressBar1->minimum(), 0);
  EXPECT_FALSE(waiting.isVisible());

  TForm1& form = windows_->Form();
  form.show();
  waiting.SetMaximum(8);
  waiting.SetPosition(0);
  waiting.ShowProgress(&form);
  EXPECT_TRUE(waiting.isVisible());
  EXPECT_FALSE(waiting.isModal());
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  EXPECT_EQ(waiting.ProgressBar1->maximum(), 8);
  for (int step = 2; step <= 8; ++step) {
    waiting.SetPosition(step);
    EXPECT_EQ(waiting.ProgressBar1->value(), step);
  }
  EXPECT_LE(std::abs(waiting.frameGeometry().center().x() - form.frameGeometry().center().x()), 1);
  waiting.HideProgress();
  EXPECT_FALSE(waiting.isVisible());
  form.hide();
}

TEST_F(Dialogs, ClosingTheWindowHidesTheDialogs) {
  Start();
  TForm1& form = windows_->Form();
  form.show();
  About().show();
  windows_->WaitingProgress().ShowProgress(&form);
  prompt_.answers = {PromptAnswer::kOk};
  form.close();
  EXPECT_FALSE(About().isVisible());
  EXPECT_FALSE(windows_->WaitingProgress().isVisible());
  EXPECT_FALSE(About().testAttribute(Qt::WA_QuitOnClose));
}

}  // namespace
}  // namespace pelyx::app
