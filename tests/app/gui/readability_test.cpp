// Texts the user must be able to read: the captions of the bottom bar's buttons under the
// mouse, the greyed connection settings on the blue top bar, the toolkit's own button
// texts in the chosen language, and the waiting-progress box where the user looks.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QWindow>

#include <algorithm>
#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "app/core/language.h"
#include "app/dialogs.h"
#include "app/main_form.h"
#include "gui_support.h"

namespace pelyx::app {
namespace {

using testing_support::Environment;
using testing_support::Folders;
using testing_support::ScriptedPrompt;

double Luminance(QRgb pixel) {
  auto channel = [](int value) {
    const double c = value / 255.0;
    return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * channel(qRed(pixel)) + 0.7152 * channel(qGreen(pixel)) +
         0.0722 * channel(qBlue(pixel));
}

double Contrast(QRgb a, QRgb b) {
  const double la = Luminance(a), lb = Luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// How well the text in `area` of `picture` stands out: the contrast between the area's
// most common colour (its background) and the pixel that differs most from it (the
// core of a glyph).
double TextContrast(const QImage& picture, const QRect& area) {
  std::map<QRgb, int> counts;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    for (int x = area.left(); x <= area.right(); ++x) ++counts[picture.pixel(x, y) | 0xff000000];
  }
  if (counts.empty()) return 0;
  const QRgb background = std::max_element(counts.begin(), counts.end(), [](auto& a, auto& b) {
                            return a.second < b.second;
                          })->first;
  double best = 1;
  for (const auto& [pixel, count] : counts) best = std::max(best, Contrast(pixel, background));
  return best;
}

class Readability : public testing::Test {
 protected:
  Readability() : windows_(Environment(folders_, &prompt_, /*shippedLanguages=*/true)) {}
  void SetUp() override {
    Form().show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&Form()));
  }
  TForm1& Form() { return windows_.Form(); }
  // The window as drawn, and where `widget` lies in it.
  QImage Picture() {
    QApplication::processEvents();
    return Form().grab().toImage().convertToFormat(QImage::Format_RGB32);
  }
  QRect Where(const QWidget* widget) {
    return QRect(widget->mapTo(&Form(), QPoint()), widget->size()) & QRect(QPoint(), Form().size());
  }

  Folders folders_;
  ScriptedPrompt prompt_;
  ApplicationWindows windows_;
};

TEST_F(Readability, BottomBarCaptionsShowUnderTheMouseAndAtRest) {
  for (TSpeedButton* button : {Form().SpeedButtonSetting, Form().SpeedButtonReload}) {
    // The caption line: the lowest quarter of the button, inside the panel's outline.
    QRect caption = Where(button).adjusted(4, 0, -4, -4);
    caption.setTop(caption.bottom() - button->height() / 4);
    const std::string name = button->objectName().toStdString();
    EXPECT_GE(TextContrast(Picture(), caption), 3.0) << name << " at rest";
    QTest::mouseMove(button, button->rect().center());
    ASSERT_TRUE(button->underMouse()) << name;
    EXPECT_GE(TextContrast(Picture(), caption), 3.0) << name << " under the mouse";
    QTest::mouseMove(Form().PageControlMain, QPoint(5, 5));
  }
}

TEST_F(Readability, GreyedConnectionSettingsStayReadableOnTheBlueBar) {
  // As the connection does while a link is engaged.
  Form().SetSerialSettingsEnabled(false);
  ASSERT_FALSE(Form().cbxComPort->isEnabled());
  const QImage picture = Picture();
  struct Text {
    QWidget* widget;
    QRect area;  // in the widget; empty: all of it
  };
  QRect title(0, 0, Form().GroupBoxSerialConnectionMode->width(), 14);
  const Text texts[] = {
      {Form().GroupBoxSerialConnectionMode, title},
      {Form().RadioButtonConnectionModeManual, {}},
      {Form().RadioButtonConnectionModeAuto, {}},
      {Form().lblSerialPort, {}},
      {Form().lblBaudRate, {}},
      {Form().cbxComPort, {}},
      {Form().cbxBaudRate, {}},
  };
  for (const Text& text : texts) {
    QRect area = Where(text.widget);
    if (!text.area.isEmpty()) area = text.area.translated(area.topLeft()) & area;
    EXPECT_GE(TextContrast(picture, area), 3.0) << text.widget->objectName().toStdString();
  }
  // Still plainly greyed: not the black of an enabled text.
  EXPECT_NE(Form().lblSerialPort->palette().color(QPalette::Disabled, QPalette::WindowText),
            Form().lblSerialPort->palette().color(QPalette::Active, QPalette::WindowText));
  // The Wi-Fi box's fixed address and port, greyed from the start.
  Form().GroupBoxSerialConnectionMode->hide();
  Form().GroupBoxWiFiConnectionMode->show();
  const QImage wifi = Picture();
  for (QWidget* label : {static_cast<QWidget*>(Form().LabelEditWiFi_TCP_IP),
                         static_cast<QWidget*>(Form().LabelEditWiFi_Port)}) {
    EXPECT_GE(TextContrast(wifi, Where(label)), 3.0) << label->objectName().toStdString();
  }
}

// The texts of the buttons of the next message box the window shows; the box is closed.
std::vector<std::string> ButtonsOfTheNextBox(TForm1& form, PromptButtons buttons) {
  std::vector<std::string> texts;
  QTimer::singleShot(0, [&texts] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr) return;
    for (QAbstractButton* button : box->buttons()) texts.push_back(button->text().toStdString());
    box->reject();
  });
  form.Prompt().Message("text", "caption", buttons, PromptIcon::kNone);
  std::sort(texts.begin(), texts.end());
  return texts;
}

TEST_F(Readability, MessageBoxButtonsSpeakTheChosenLanguage) {
  Form().SetUserPrompt(nullptr);  // the toolkit's own boxes
  struct Case {
    int language;
    std::vector<std::string> okCancel;
    std::vector<std::string> yesNo;
  };
  const Case cases[] = {
      {kLanguageTraditionalChinese, {"取消", "確定"}, {"否(&N)", "是(&Y)"}},
      {kLanguageSimplifiedChinese, {"取消", "确定"}, {"否(&N)", "是(&Y)"}},
      {kLanguageEnglish, {"Cancel", "OK"}, {"&No", "&Yes"}},
      {kLanguageTraditionalChinese, {"取消", "確定"}, {"否(&N)", "是(&Y)"}},
  };
  for (const Case& c : cases) {
    Form().ApplyLanguage(c.language);
    EXPECT_EQ(ButtonsOfTheNextBox(Form(), PromptButtons::kOkCancel), c.okCancel) << c.language;
    EXPECT_EQ(ButtonsOfTheNextBox(Form(), PromptButtons::kYesNo), c.yesNo) << c.language;
  }
  Form().ApplyLanguage(kLanguageEnglish);
}

TEST_F(Readability, WaitingProgressOpensCentredOnTheMainWindowAndStaysThere) {
  TfrmWaitingProgress& waiting = windows_.WaitingProgress();
  // The box belongs to the main window, so the window system keeps it by that window.
  EXPECT_EQ(waiting.parentWidget(), &Form());
  EXPECT_TRUE(waiting.isWindow());
  EXPECT_FALSE(waiting.windowFlags() & Qt::FramelessWindowHint);

  // Where the box stands when it first appears, and every time after.
  struct Watch : QObject {
    std::vector<QRect> shownAt;
    bool eventFilter(QObject* object, QEvent* event) override {
      if (event->type() == QEvent::Show)
        shownAt.push_back(static_cast<QWidget*>(object)->geometry());
      return false;
    }
  } watch;
  waiting.installEventFilter(&watch);
  for (const QPoint& place : {QPoint(30, 20), QPoint(60, 140), QPoint(5, 60)}) {
    Form().move(place);
    QApplication::processEvents();
    waiting.ShowProgress(&Form());
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&waiting));
    ASSERT_TRUE(waiting.windowHandle());
    EXPECT_EQ(waiting.windowHandle()->transientParent(), Form().windowHandle());
    const QPoint centre = Form().frameGeometry().center();
    ASSERT_FALSE(watch.shownAt.empty());
    const QRect first = watch.shownAt.back();
    EXPECT_LE((first.center() - centre).manhattanLength(), 2)
        << "appeared at " << first.x() << "," << first.y();
    EXPECT_EQ(waiting.geometry(), first);  // nothing moved it afterwards
    waiting.HideProgress();
  }
  waiting.removeEventFilter(&watch);
}

}  // namespace
}  // namespace pelyx::app
