// Language files applied to the windows.
#include <gtest/gtest.h>

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>

#include "app/core/ini_file.h"
#include "app/core/language.h"
#include "app/dialogs.h"
#include "app/main_form.h"
#include "gui_support.h"

namespace pelyx::app {
namespace {

using testing_support::CaptionOf;
using testing_support::Environment;
using testing_support::Find;
using testing_support::Folders;
using testing_support::ScriptedPrompt;

std::string Marker(const LanguageKey& row) {
  return std::string(row.section) + "." + std::string(row.key);
}

// A language file in which every key holds a marker of its own, in Chinese characters
// where the language is Chinese so that the conversion is exercised.
std::string MarkerFile(const std::string& prefix) {
  std::string text = "; markers\r\n";
  std::string_view section;
  for (const LanguageKey& row : kLanguageKeys) {
    if (row.section != section) {
      section = row.section;
      text += "\r\n[" + std::string(section) + "]\r\n";
    }
    text += std::string(row.key) + " = " + prefix + Marker(row) + "\r\n";
  }
  return text;
}

class Language : public testing::Test {
 protected:
  void Start(int language) {
    folders_.StoreLanguage(std::to_string(language));
    windows_ = std::make_unique<ApplicationWindows>(Environment(folders_, &prompt_));
  }
  TForm1& Form() { return windows_->Form(); }

  QString Caption(const LanguageKey& row) {
    const QObject* root = &Form();
    if (row.owner == TextOwner::kAboutDialog) root = &windows_->About();
    if (row.owner == TextOwner::kAgreementDialog) root = &windows_->Agreement();
    const QObject* control =
        root->findChild<QObject*>(QString::fromUtf8(row.control.data(), row.control.size()));
    EXPECT_NE(control, nullptr) << row.control;
    return CaptionOf(control, row.target == TextTarget::kEditLabel).value_or("<none>");
  }

  Folders folders_;
  ScriptedPrompt prompt_;
  std::unique_ptr<ApplicationWindows> windows_;
};

class EveryLanguage : public Language, public testing::WithParamInterface<int> {};

TEST_P(EveryLanguage, EveryKeyReachesItsTarget) {
  const int language = GetParam();
  const std::string prefix = language == kLanguageTraditionalChinese  ? "\xE7\xB9\x81"  // 繁
                             : language == kLanguageSimplifiedChinese ? "\xE7\xAE\x80"  // 简
                                                                      : "\xC5\xA1";     // š
  folders_.WriteLanguageFile(language, MarkerFile(prefix));
  Start(language);
  EXPECT_EQ(Form().LanguageIndex, language);
  EXPECT_EQ(Form().FontCharset, kLanguages[language].fontCharset);
  for (const LanguageKey& row : kLanguageKeys) {
    const QString expected = QString::fromStdString(prefix + Marker(row));
    switch (row.target) {
      case TextTarget::kMessage:
        EXPECT_EQ(QString::fromStdString(Form().MessageTexts[row.message]), expected);
        break;
      case TextTarget::kWarningCaption:
        EXPECT_EQ(QString::fromStdString(Form().MessageTexts.WarningCaption()), expected);
        break;
      case TextTarget::kErrorCaption:
        EXPECT_EQ(QString::fromStdString(Form().MessageTexts.ErrorCaption()), expected);
        break;
      default:
        EXPECT_EQ(Caption(row), expected) << Marker(row);
    }
  }
  // The follow-ups.
  const QString p = QString::fromStdString(prefix);
  EXPECT_EQ(Find<QPushButton>(&Form(), "OpenPort")->text(), p + "SYS_BUTTON.Connect");
  EXPECT_EQ(Find<QLabel>(&Form(), "LabelMMSICantProg")->text(),
            p + "TAB_MMSI.CantBeProg1" + p + "TAB_MMSI.CantBeProg2");
  EXPECT_EQ(Find<QLabel>(&Form(), "LabelConnectionStatus")->text(),
            p + "CONFIG_SERIAL_PORT.Disconnect");
}

INSTANTIATE_TEST_SUITE_P(Languages, EveryLanguage,
                         testing::Values(kLanguageEnglish, kLanguageTraditionalChinese,
                                         kLanguageSimplifiedChinese));

TEST_F(Language, MissingKeysKeepTheirTextAndEmptyValuesBlankIt) {
  folders_.WriteLanguageFile(kLanguageEnglish,
                             "[MENU]\r\nFile=\r\nHelp=Aide(&H)\r\n[SYS_BUTTON]\r\nEXIT=   \r\n");
  Start(kLanguageEnglish);
  EXPECT_EQ(Find<QMenu>(&Form(), "mnuFile")->title(), "");
  EXPECT_EQ(Find<QMenu>(&Form(), "mnuHelp")->title(), "Aide(&H)");
  EXPECT_EQ(Find<QAction>(&Form(), "mnuExit")->text(), "Exit(&X)");
  EXPECT_EQ(Find<QPushButton>(&Form(), "btnExit")->text(), "");
  EXPECT_EQ(Find<QPushButton>(&Form(), "OpenPort")->text(), "Connect");
  EXPECT_EQ(Form().MessageTexts[kMsgQueryExit], "Are you sure to exit?");
}

TEST_F(Language, WithoutOtherMsgTheMessagesStayEnglishWhileTheMenusAreTranslated) {
  folders_.WriteLanguageFile(kLanguageTraditionalChinese,
                             "[MENU]\r\nFile=\xE6\xAA\x94\xE6\xA1\x88(&F)\r\n"
                             "[SYS_BUTTON]\r\nRead_Device=\xE8\xAE\x80\xE5\x8F\x96\r\n");
  Start(kLanguageTraditionalChinese);
  EXPECT_EQ(Find<QMenu>(&Form(), "mnuFile")->title(), QString::fromUtf8("檔案(&F)"));
  EXPECT_EQ(Find<QWidget>(&Form(), "SpeedButtonReload")->property("text").toString(),
            QString::fromUtf8("讀取"));
  EXPECT_EQ(Form().MessageTexts[kMsgPortOpenError], "Serial port open error! Please check!");
  EXPECT_EQ(Form().MessageTexts.WarningCaption(), "Warning");
  EXPECT_EQ(Form().MessageTexts.ErrorCaption(), "Error");
}

TEST_F(Language, ConnectCaptionFollowsTheButtonsTag) {
  folders_.WriteLanguageFile(kLanguageEnglish,
                             "[SYS_BUTTON]\r\nConnect=Link up\r\nDisconnect=Link down\r\n");
  Start(kLanguageEnglish);
  auto* button = Find<QPushButton>(&Form(), "OpenPort");
  EXPECT_EQ(button->text(), "Link up");
  Form().SetConnectCaption(kMsgDisconnect);
  EXPECT_EQ(Form().OpenPortTag(), 1);
  EXPECT_EQ(button->text(), "Link down");
  Form().LoadLanguageFile(QDir(folders_.Program()).filePath("Lang/Lang-EN.ini").toStdString());
  EXPECT_EQ(button->text(), "Link down");
  Form().SetConnectCaption(kMsgConnect);
  EXPECT_EQ(button->text(), "Link up");
}

TEST_F(Language, StatusLabelFollowsTheLinkState) {
  folders_.WriteLanguageFile(kLanguageEnglish,
                             "[CONFIG_SERIAL_PORT]\r\nConnecting=Dialling\r\nConnected=Online\r\n"
                             "Disconnect=Offline\r\n");
  Start(kLanguageEnglish);
  auto* status = Find<QLabel>(&Form(), "LabelConnectionStatus");
  EXPECT_EQ(status->text(), "Offline");
  const std::string file = QDir(folders_.Program()).filePath("Lang/Lang-EN.ini").toStdString();
  Form().LinkState = TLinkState::Identifying;
  Form().LoadLanguageFile(file);
  EXPECT_EQ(status->text(), "Dialling");
  Form().LinkState = TLinkState::Identified;
  Form().LoadLanguageFile(file);
  EXPECT_EQ(status->text(), "Online");
}

TEST_F(Language, AMissingLanguageFileLeavesTheEnglishTexts) {
  Start(kLanguageTraditionalChinese);
  EXPECT_EQ(Form().LanguageIndex, kLanguageTraditionalChinese);
  EXPECT_EQ(Form().FontCharset, 136);
  EXPECT_EQ(Find<QMenu>(&Form(), "mnuFile")->title(), "File(&F)");
  EXPECT_EQ(Find<QPushButton>(&Form(), "OpenPort")->text(), "Connect");
  EXPECT_TRUE(Find<QAction>(&Form(), "mnuLangTraChinese")->isChecked());
}

TEST_F(Language, DamagedBytesDoNotStopTheRestOfTheFile) {
  std::string bytes =
      "[MENU]\r\nFile=\xC0\xC9\xAE\xD7\r\nHelp=\xFF\xFF\r\nHelp_About=\xC3\xF6\xA9\xF3\r\n";
  QDir(folders_.Program()).mkpath("Lang");
  ASSERT_TRUE(WriteFileAtomically(
      QDir(folders_.Program()).filePath("Lang/Lang-TW.ini").toStdString(), bytes));
  Start(kLanguageTraditionalChinese);
  EXPECT_EQ(Find<QMenu>(&Form(), "mnuFile")->title(), QString::fromUtf8("檔案"));
  EXPECT_EQ(Find<QAction>(&Form(), "mnuAbout")->text(), QString::fromUtf8("關於"));
  EXPECT_EQ(Find<QMenu>(&Form(), "mnuHelp")->title(), QString::fromUtf8("\uFFFD\uFFFD"));
}

TEST_F(Language, ShippedTraditionalChineseTranslatesTheWindow) {
  folders_.CopyShippedLanguages();
  Start(kLanguageTraditionalChinese);
  EXPECT_EQ(Find<QMenu>(&Form(), "mnuFile")->title(), QString::fromUtf8("檔案(&F)"));
  EXPECT_EQ(Find<QPushButton>(&Form(), "OpenPort")->text(), QString::fromUtf8("連線"));
  EXPECT_EQ(Form().MessageTexts[kMsgQueryExit], "確定要離開嗎？");
  auto* conf = Find<QTabWidget>(&Form(), "PageControlConf");
  EXPECT_EQ(conf->tabText(conf->indexOf(Find<QWidget>(&Form(), "TabSheetBaudRate"))),
            QString::fromUtf8("鮑率"));
  // The read-me of the language: an empty first line, then the file's lines.
  const QStringList memo = windows_->About().Memo1->toPlainText().split('\n');
  ASSERT_GE(memo.size(), 3);
  EXPECT_EQ(memo[0], "");
  EXPECT_EQ(memo[1], QString::fromUtf8("Pelyx 300 設定程式"));
  // The product title of About stays English whenever it is shown.
  EXPECT_EQ(windows_->About().StaticTextProduct->text(), QString::fromUtf8("Pelyx 300 設定程式"));
  windows_->About().show();
  EXPECT_EQ(windows_->About().StaticTextProduct->text(), "Pelyx 300 Configuration");
  windows_->About().hide();
}

TEST_F(Language, ShippedSimplifiedChineseTranslatesTheWindow) {
  folders_.CopyShippedLanguages();
  Start(kLanguageSimplifiedChinese);
  EXPECT_EQ(Find<QMenu>(&Form(), "mnuFile")->title(), QString::fromUtf8("文件(&F)"));
  EXPECT_EQ(Find<QWidget>(&Form(), "SpeedButtonSetting")->property("text").toString(),
            QString::fromUtf8("配置设备"));
  EXPECT_EQ(Form().MessageTexts.ErrorCaption(), "错误");
  EXPECT_EQ(windows_->About().Memo1->toPlainText().split('\n').value(1),
            QString::fromUtf8("Pelyx 300 配置程序"));
}

}  // namespace
}  // namespace pelyx::app
