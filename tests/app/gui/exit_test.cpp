// The exit question and the settings file around a run.
#include <gtest/gtest.h>

#include <QAction>
#include <QDir>
#include <QPushButton>
#include <QTest>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "app/main_form.h"
#include "gui_support.h"
#include "link/comm.h"

namespace pelyx::app {
namespace {

using testing_support::Environment;
using testing_support::Find;
using testing_support::Folders;
using testing_support::ReadFile;
using testing_support::ScriptedPrompt;

class Exit : public testing::Test {
 protected:
  void Start() {
    windows_ = std::make_unique<ApplicationWindows>(Environment(folders_, &prompt_));
    Form().show();
  }
  TForm1& Form() { return windows_->Form(); }

  void ExpectExitQuestion(size_t index) {
    ASSERT_GT(prompt_.asked.size(), index);
    const ScriptedPrompt::Asked& asked = prompt_.asked[index];
    EXPECT_EQ(asked.text, "Are you sure to exit?");
    EXPECT_EQ(asked.caption, "Exit!");
    EXPECT_EQ(asked.buttons, PromptButtons::kOkCancel);
    EXPECT_EQ(asked.icon, PromptIcon::kNone);
  }

  Folders folders_;
  ScriptedPrompt prompt_;
  std::unique_ptr<ApplicationWindows> windows_;
};

TEST_F(Exit, CancelKeepsTheWindowAndWritesNothing) {
  Start();
  prompt_.answers = {PromptAnswer::kCancel};
  EXPECT_FALSE(Form().close());
  EXPECT_TRUE(Form().isVisible());
  ExpectExitQuestion(0);
  EXPECT_EQ(prompt_.asked.size(), 1u);
  EXPECT_FALSE(std::filesystem::exists(folders_.SettingsPath()));
}

TEST_F(Exit, OkClosesAndWritesTheSettings) {
  Start();
  prompt_.answers = {PromptAnswer::kOk};
  EXPECT_TRUE(Form().close());
  EXPECT_FALSE(Form().isVisible());
  ExpectExitQuestion(0);
  EXPECT_EQ(ReadFile(folders_.SettingsPath()), "[VIEW]\nLanguage=0\n");
}

TEST_F(Exit, EveryWayOfClosingAsks) {
  Start();
  prompt_.answers = {PromptAnswer::kCancel, PromptAnswer::kCancel, PromptAnswer::kCancel};
  QTest::mouseClick(Find<QPushButton>(&Form(), "btnExit"), Qt::LeftButton);
  Find<QAction>(&Form(), "mnuExit")->trigger();
  QCloseEvent event;
  QApplication::sendEvent(&Form(), &event);
  EXPECT_FALSE(event.isAccepted());
  ASSERT_EQ(prompt_.asked.size(), 3u);
  for (size_t i = 0; i < 3; ++i) ExpectExitQuestion(i);
  EXPECT_TRUE(Form().isVisible());

  prompt_.answers = {PromptAnswer::kOk};
  Find<QAction>(&Form(), "mnuExit")->trigger();
  EXPECT_FALSE(Form().isVisible());
}

TEST_F(Exit, TheQuestionComesFromTheMessageTable) {
  Start();
  Form().MessageTexts.SetText(kMsgQueryExit, "Quit now?");
  Form().MessageTexts.SetText(kMsgExitCaption, "Leaving");
  prompt_.answers = {PromptAnswer::kCancel};
  Form().close();
  ASSERT_EQ(prompt_.asked.size(), 1u);
  EXPECT_EQ(prompt_.asked[0].text, "Quit now?");
  EXPECT_EQ(prompt_.asked[0].caption, "Leaving");
}

TEST_F(Exit, AFailedSettingsWriteIsReportedAndTheWindowStillCloses) {
  Start();
  // The settings folder disappears while the program runs; a folder named like the file
  // takes the file's place.
  std::filesystem::remove_all(std::filesystem::path(folders_.SettingsPath()).parent_path());
  std::filesystem::create_directories(folders_.SettingsPath());
  prompt_.answers = {PromptAnswer::kOk, PromptAnswer::kOk};
  EXPECT_TRUE(Form().close());
  ASSERT_EQ(prompt_.asked.size(), 2u);
  EXPECT_EQ(prompt_.asked[1].text, "Unable to write to " + folders_.SettingsPath());
  EXPECT_EQ(prompt_.asked[1].caption, "Error");
  EXPECT_EQ(prompt_.asked[1].buttons, PromptButtons::kOk);
  EXPECT_EQ(prompt_.asked[1].icon, PromptIcon::kError);
}

TEST_F(Exit, StoredLanguageSevenStartsInEnglishAndIsWrittenBackAsZero) {
  folders_.CopyShippedLanguages();
  folders_.StoreLanguage("7");
  Start();
  EXPECT_EQ(Form().LanguageIndex, 0);
  EXPECT_TRUE(Find<QAction>(&Form(), "mnuLangEnglish")->isChecked());
  EXPECT_EQ(Form().FontCharset, 238);
  EXPECT_EQ(Find<QPushButton>(&Form(), "OpenPort")->text(), "Connect");
  prompt_.answers = {PromptAnswer::kOk};
  Form().close();
  EXPECT_EQ(ReadFile(folders_.SettingsPath()), "[VIEW]\r\nLanguage=0\r\n");
}

TEST_F(Exit, StoredLanguageIsKeptAcrossARun) {
  folders_.CopyShippedLanguages();
  folders_.StoreLanguage("2");
  Start();
  EXPECT_EQ(Form().LanguageIndex, 2);
  EXPECT_TRUE(Find<QAction>(&Form(), "mnuLangSimpChinese")->isChecked());
  EXPECT_EQ(Form().FontCharset, 134);
  prompt_.answers = {PromptAnswer::kOk};
  Form().close();
  EXPECT_EQ(ReadFile(folders_.SettingsPath()), "[VIEW]\r\nLanguage=2\r\n");
}

TEST_F(Exit, AnUnreadableSettingValueGivesEnglish) {
  folders_.CopyShippedLanguages();
  folders_.StoreLanguage("chinese");
  Start();
  EXPECT_EQ(Form().LanguageIndex, 0);
  EXPECT_EQ(Form().SettingsFile, folders_.SettingsPath());
}

TEST_F(Exit, TheSettingsFolderIsCreatedAtStart) {
  Start();
  EXPECT_EQ(Form().SettingsFile, folders_.SettingsPath());
  EXPECT_TRUE(
      std::filesystem::is_directory(std::filesystem::path(folders_.SettingsPath()).parent_path()));
}

TEST_F(Exit, WhenTheSettingsFolderCannotBeMadeTheDocumentsFolderHoldsTheFile) {
  std::ofstream(QDir(folders_.Documents()).filePath("TESK").toStdString()) << "in the way";
  Start();
  EXPECT_EQ(Form().SettingsFile,
            QDir(folders_.Documents()).filePath("TeskPelyxConfigPro.ini").toStdString());
  prompt_.answers = {PromptAnswer::kOk};
  Form().close();
  EXPECT_EQ(ReadFile(Form().SettingsFile), "[VIEW]\nLanguage=0\n");
}

// A pseudo-terminal stands in for the receiver's serial port.
class PseudoTerminal {
 public:
  PseudoTerminal() : master_(posix_openpt(O_RDWR | O_NOCTTY)) {
    if (master_ >= 0 && grantpt(master_) == 0 && unlockpt(master_) == 0) {
      const char* name = ptsname(master_);
      if (name) device_ = name;
    }
  }
  ~PseudoTerminal() {
    if (master_ >= 0) close(master_);
  }
  const std::string& Device() const { return device_; }

 private:
  int master_;
  std::string device_;
};

TEST_F(Exit, OkClosesAnOpenSerialPortAndCancelKeepsIt) {
  PseudoTerminal port;
  ASSERT_FALSE(port.Device().empty());
  Start();
  link::TComm& comm = *Form().SerialComm;
  comm.SetDeviceName(port.Device());
  comm.Open();
  ASSERT_TRUE(comm.IsOpen());
  prompt_.answers = {PromptAnswer::kCancel};
  Form().close();
  EXPECT_TRUE(comm.IsOpen());
  prompt_.answers = {PromptAnswer::kOk};
  Form().close();
  EXPECT_FALSE(comm.IsOpen());
  EXPECT_EQ(ReadFile(folders_.SettingsPath()), "[VIEW]\nLanguage=0\n");
}

}  // namespace
}  // namespace pelyx::app
