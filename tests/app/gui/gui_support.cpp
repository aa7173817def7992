#include "gui_support.h"

#include <QAbstractButton>
#include <QAction>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QStackedWidget>
#include <QTabWidget>

#include <fstream>
#include <sstream>

#include "app/core/ini_file.h"
#include "app/core/language.h"
#include "app/core/text_encoding.h"
#include "app/widgets.h"

namespace pelyx::app::testing_support {

void Folders::StoreLanguage(const std::string& text) const {
  QDir(Documents()).mkpath("TESK/PelyxConfigPro");
  std::ofstream(SettingsPath(), std::ios::binary) << "[VIEW]\r\nLanguage=" << text << "\r\n";
}

namespace {
void WriteConverted(const QString& path, int language, const std::string& utf8) {
  QDir().mkpath(QFileInfo(path).path());
  std::optional<std::string> bytes = FromUtf8(utf8, kLanguages[language].encoding);
  ASSERT_TRUE(bytes.has_value()) << "not representable: " << utf8;
  ASSERT_TRUE(WriteFileAtomically(path.toStdString(), *bytes));
}
}  // namespace

void Folders::WriteLanguageFile(int language, const std::string& utf8) const {
  WriteConverted(
      QDir(Program()).filePath(QString::fromUtf8(kLanguages[language].languageFile.data(),
                                                 kLanguages[language].languageFile.size())),
      language, utf8);
}

void Folders::WriteReadMe(int language, const std::string& utf8) const {
  WriteConverted(
      QDir(Program()).filePath(QString::fromUtf8(kLanguages[language].readMeFile.data(),
                                                 kLanguages[language].readMeFile.size())),
      language, utf8);
}

void Folders::CopyShippedLanguages() const {
  QDir source(QString(PELYX_APP_SOURCE) + "/Lang");
  QDir(Program()).mkpath("Lang");
  for (const QString& name : source.entryList(QDir::Files)) {
    ASSERT_TRUE(QFile::copy(source.filePath(name), QDir(Program()).filePath("Lang/" + name)));
  }
}

FormEnvironment Environment(const Folders& folders, UserPrompt* prompt, bool shippedLanguages) {
  FormEnvironment environment;
  environment.programFolder = shippedLanguages ? QString(PELYX_APP_SOURCE) : folders.Program();
  environment.documentsFolder = folders.Documents();
  environment.prompt = prompt;
  return environment;
}

std::string ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return "";
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

std::optional<QString> CaptionOf(const QObject* object, bool editLabel) {
  if (object == nullptr) return std::nullopt;
  if (editLabel) {
    auto* edit = qobject_cast<const TLabeledEdit*>(object);
    return edit ? std::optional(edit->EditLabel()->text()) : std::nullopt;
  }
  if (auto* action = qobject_cast<const QAction*>(object)) return action->text();
  if (auto* menu = qobject_cast<const QMenu*>(object)) return menu->title();
  if (auto* widget = qobject_cast<const QWidget*>(object)) {
    QWidget* stack = widget->parentWidget();
    if (stack && qobject_cast<QStackedWidget*>(stack)) {
      if (auto* pages = qobject_cast<QTabWidget*>(stack->parentWidget())) {
        return pages->tabText(pages->indexOf(const_cast<QWidget*>(widget)));
      }
    }
  }
  if (auto* label = qobject_cast<const QLabel*>(object)) return label->text();
  if (auto* button = qobject_cast<const QAbstractButton*>(object)) return button->text();
  if (auto* group = qobject_cast<const QGroupBox*>(object)) return group->title();
  return std::nullopt;
}

bool WaitFor(const std::function<bool()>& done, int timeoutMs) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > timeoutMs) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  return true;
}

}  // namespace pelyx::app::testing_support
