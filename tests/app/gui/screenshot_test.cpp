// Pictures of the window in each language, for people to look at: written into
// screenshots/ of the build folder. Only their existence and size are checked.
#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QPixmap>
#include <QTabWidget>
#include <QTest>

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

void Save(QWidget& widget, const QString& name) {
  QApplication::processEvents();
  const QPixmap picture = widget.grab();
  ASSERT_FALSE(picture.isNull()) << name.toStdString();
  EXPECT_EQ(picture.size() / picture.devicePixelRatio(), widget.size()) << name.toStdString();
  const QString path = QDir(PELYX_SCREENSHOT_DIR).filePath(name + ".png");
  ASSERT_TRUE(picture.save(path, "PNG")) << path.toStdString();
  EXPECT_FALSE(QImage(path).isNull()) << path.toStdString();
}

class Screenshots : public testing::TestWithParam<int> {};

TEST_P(Screenshots, ShowTheWindowInItsLanguage) {
  const int language = GetParam();
  const QString suffix = language == kLanguageEnglish              ? "EN"
                         : language == kLanguageTraditionalChinese ? "TW"
                                                                   : "CN";
  ASSERT_TRUE(QDir().mkpath(PELYX_SCREENSHOT_DIR));
  Folders folders;
  ScriptedPrompt prompt;
  folders.StoreLanguage(std::to_string(language));
  ApplicationWindows windows(Environment(folders, &prompt, /*shippedLanguages=*/true));
  TForm1& form = windows.Form();
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));

  Save(form, "main-window-configuration-" + suffix);
  auto* main = Find<QTabWidget>(&form, "PageControlMain");
  auto* diagnosis = Find<QTabWidget>(&form, "PageControlDiagnosis");
  main->setCurrentIndex(1);
  Save(form, "main-window-system-check-" + suffix);
  diagnosis->setCurrentWidget(Find<QWidget>(&form, "TabSheetDataLog"));
  Save(form, "main-window-data-log-" + suffix);
  diagnosis->setCurrentWidget(Find<QWidget>(&form, "TabSheetSystemCheck"));
  main->setCurrentIndex(0);

  windows.About().show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&windows.About()));
  Save(windows.About(), "about-" + suffix);
  windows.About().hide();

  windows.WaitingProgress().SetMaximum(8);
  windows.WaitingProgress().SetPosition(3);
  windows.WaitingProgress().ShowProgress(&form);
  Save(windows.WaitingProgress(), "waiting-progress-" + suffix);
  windows.WaitingProgress().HideProgress();
  form.hide();
}

INSTANTIATE_TEST_SUITE_P(Languages, Screenshots,
                         testing::Values(kLanguageEnglish, kLanguageTraditionalChinese,
                                         kLanguageSimplifiedChinese));

}  // namespace
}  // namespace pelyx::app
