// Pages whose tabs are hidden stay out of reach: no key, no turn of the mouse wheel and
// no selection from code shows one; the keys still step between the pages offered.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QPlainTextEdit>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QWheelEvent>

#include <string>
#include <vector>

#include "app/main_form.h"
#include "gui_support.h"

namespace pelyx::app {
namespace {

using testing_support::Environment;
using testing_support::Folders;
using testing_support::ScriptedPrompt;

class HiddenPages : public testing::Test {
 protected:
  HiddenPages() : windows_(Environment(folders_, &prompt_)) {}
  void SetUp() override {
    Form().show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&Form()));
  }
  TForm1& Form() { return windows_.Form(); }
  static std::string Current(const QTabWidget* pages) {
    return pages->currentWidget()->objectName().toStdString();
  }
  // Sends `key` to the widget with the focus, as the keyboard does.
  static void Press(Qt::Key key, Qt::KeyboardModifiers modifiers) {
    QWidget* focus = QApplication::focusWidget();
    ASSERT_NE(focus, nullptr);
    QTest::keyClick(focus, key, modifiers);
  }

  Folders folders_;
  ScriptedPrompt prompt_;
  ApplicationWindows windows_;
};

struct Stroke {
  Qt::Key key;
  Qt::KeyboardModifiers modifiers;
  const char* name;
};
const Stroke kPageKeys[] = {
    {Qt::Key_Tab, Qt::ControlModifier, "Ctrl+Tab"},
    {Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier, "Ctrl+Shift+Tab"},
    {Qt::Key_Tab, Qt::ControlModifier | Qt::ShiftModifier, "Ctrl+Shift+Tab (as Tab)"},
    {Qt::Key_PageDown, Qt::ControlModifier, "Ctrl+PgDn"},
    {Qt::Key_PageUp, Qt::ControlModifier, "Ctrl+PgUp"},
};

TEST_F(HiddenPages, PageKeysOnTheConfigurationPageStayOnBaudRate) {
  Form().cbxBaud_RS232->setFocus();
  ASSERT_EQ(QApplication::focusWidget(), Form().cbxBaud_RS232);
  for (int round = 0; round < 3; ++round) {
    for (const Stroke& stroke : kPageKeys) {
      Press(stroke.key, stroke.modifiers);
      EXPECT_EQ(Current(Form().PageControlConf), "TabSheetBaudRate") << stroke.name;
      EXPECT_EQ(Form().PageControlMain->currentWidget(), Form().TabSheetConfig) << stroke.name;
    }
  }
}

TEST_F(HiddenPages, PageKeysOnTheDiagnosisPageStepBetweenSystemCheckAndDataLog) {
  Form().PageControlMain->setCurrentWidget(Form().TabSheetDiagnosis);
  Form().PageControlDiagnosis->setCurrentWidget(Form().TabSheetDataLog);
  Form().MemoDataLog->setFocus();
  ASSERT_EQ(QApplication::focusWidget(), Form().MemoDataLog);
  std::vector<std::string> seen;
  for (int round = 0; round < 2; ++round) {
    for (const Stroke& stroke : kPageKeys) {
      Press(stroke.key, stroke.modifiers);
      const std::string page = Current(Form().PageControlDiagnosis);
      EXPECT_TRUE(page == "TabSheetSystemCheck" || page == "TabSheetDataLog")
          << stroke.name << " showed " << page;
      seen.push_back(page);
      // Back on the log for the next key, as a user would click it.
      Form().PageControlDiagnosis->setCurrentWidget(Form().TabSheetDataLog);
      Form().MemoDataLog->setFocus();
    }
  }
  // The keys do move between the two pages offered.
  EXPECT_NE(std::find(seen.begin(), seen.end(), "TabSheetSystemCheck"), seen.end());
}

TEST_F(HiddenPages, ArrowKeysAndTheWheelOnTheTabBarsSkipHiddenTabs) {
  struct Bar {
    QTabWidget* pages;
    QWidget* main;
  };
  const Bar bars[] = {{Form().PageControlConf, Form().TabSheetConfig},
                      {Form().PageControlDiagnosis, Form().TabSheetDiagnosis}};
  for (const Bar& bar : bars) {
    Form().PageControlMain->setCurrentWidget(bar.main);
    QTabBar* tabs = bar.pages->tabBar();
    for (int turn = 0; turn < 6; ++turn) {
      QTest::keyClick(tabs, turn % 2 ? Qt::Key_Left : Qt::Key_Right);
      EXPECT_TRUE(IsTabVisible(bar.pages->currentWidget())) << Current(bar.pages);
      const QPoint at = tabs->rect().center();
      QWheelEvent wheel(at, tabs->mapToGlobal(at), QPoint(), QPoint(0, turn % 2 ? 120 : -120),
                        Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
      QApplication::sendEvent(tabs, &wheel);
      EXPECT_TRUE(IsTabVisible(bar.pages->currentWidget())) << Current(bar.pages);
    }
  }
  // From SYSTEM CHECK one step right is DATA LOG, over the hidden GPS STATUS.
  Form().PageControlMain->setCurrentWidget(Form().TabSheetDiagnosis);
  Form().PageControlDiagnosis->setCurrentWidget(Form().TabSheetSystemCheck);
  QTest::keyClick(Form().PageControlDiagnosis->tabBar(), Qt::Key_Right);
  EXPECT_EQ(Current(Form().PageControlDiagnosis), "TabSheetDataLog");
}

TEST_F(HiddenPages, SelectingAHiddenPageFromCodeLeavesTheShownOne) {
  for (QWidget* page : {Form().TabSheetStatic, Form().TabSheetTransceiver, Form().TabSheetCPA,
                        Form().TabSheetView, Form().TabSheetDaughter}) {
    Form().PageControlConf->setCurrentWidget(page);
    EXPECT_EQ(Current(Form().PageControlConf), "TabSheetBaudRate")
        << page->objectName().toStdString();
    Form().PageControlConf->setCurrentIndex(Form().PageControlConf->indexOf(page));
    EXPECT_EQ(Current(Form().PageControlConf), "TabSheetBaudRate")
        << page->objectName().toStdString();
  }
  Form().PageControlDiagnosis->setCurrentWidget(Form().TabSheetDataLog);
  Form().PageControlDiagnosis->setCurrentWidget(Form().TabSheetGpsStatus);
  EXPECT_EQ(Current(Form().PageControlDiagnosis), "TabSheetDataLog");
}

TEST_F(HiddenPages, TheTablessPortBoxKeepsTheSheetOfTheChosenMode) {
  Form().cbxComPort->lineEdit()->setFocus();
  ASSERT_TRUE(Form().PageControlDetectComPortMode->isAncestorOf(QApplication::focusWidget()));
  for (const Stroke& stroke : kPageKeys) {
    Press(stroke.key, stroke.modifiers);
    EXPECT_EQ(Current(Form().PageControlDetectComPortMode), "TabSheetManualDetectComPort")
        << stroke.name;
  }
}

}  // namespace
}  // namespace pelyx::app
