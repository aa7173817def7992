// The window's language and settings: the settings file, the built-in texts, the
// language files and the captions they replace.
#include <QAbstractButton>
#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLibraryInfo>
#include <QMenu>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTranslator>

#include "app/core/ini_file.h"
#include "app/core/language.h"
#include "app/core/settings.h"
#include "app/core/text_encoding.h"
#include "app/dialogs.h"
#include "app/main_form.h"

namespace pelyx::app {
namespace {

QString FromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QTabWidget* PageControlOf(QObject* page) {
  auto* widget = qobject_cast<QWidget*>(page);
  QWidget* stack = widget ? widget->parentWidget() : nullptr;
  return (stack && qobject_cast<QStackedWidget*>(stack))
             ? qobject_cast<QTabWidget*>(stack->parentWidget())
             : nullptr;
}

// The captions of the window and its dialogs, reached by object name.
class FormCaptions : public CaptionAccess {
 public:
  explicit FormCaptions(TForm1& form) : form_(form) {}

  std::optional<std::string> Caption(TextOwner owner, std::string_view control,
                                     TextTarget target) override {
    QObject* object = Find(owner, control);
    if (object == nullptr) return std::nullopt;
    std::optional<QString> text = Get(object, target);
    if (!text) return std::nullopt;
    return text->toStdString();
  }

  void SetCaption(TextOwner owner, std::string_view control, TextTarget target,
                  std::string_view text) override {
    if (QObject* object = Find(owner, control)) Set(object, target, FromUtf8(text));
  }

  void FollowUp(LanguageFollowUp followUp) override {
    const MessageTable& texts = form_.MessageTexts;
    switch (followUp) {
      case LanguageFollowUp::kConnectButtonCaption:
        form_.OpenPort->setText(FromUtf8(texts[form_.OpenPortTag()]));
        break;
      case LanguageFollowUp::kMmsiLabelCaption:
        form_.LabelMMSICantProg->setText(FromUtf8(texts[kMsgCantBeProg1] + texts[kMsgCantBeProg2]));
        break;
      case LanguageFollowUp::kConnectionStatusText: {
        int entry = kMsgStatusDisconnect;
        if (form_.LinkState == TLinkState::Identifying) entry = kMsgConnecting;
        if (form_.LinkState == TLinkState::Identified) entry = kMsgConnected;
        form_.LabelConnectionStatus->setText(FromUtf8(texts[entry]));
        break;
      }
      case LanguageFollowUp::kNone:
        break;
    }
  }

 private:
  QObject* Find(TextOwner owner, std::string_view control) const {
    QObject* root = &form_;
    if (owner == TextOwner::kAboutDialog) root = form_.frmAbout;
    if (owner == TextOwner::kAgreementDialog) root = form_.frmAgreement;
    if (root == nullptr) return nullptr;
    return root->findChild<QObject*>(FromUtf8(control));
  }

  static std::optional<QString> Get(QObject* object, TextTarget target) {
    if (target == TextTarget::kEditLabel) {
      auto* edit = qobject_cast<TLabeledEdit*>(object);
      return edit ? std::optional(edit->EditLabel()->text()) : std::nullopt;
    }
    if (auto* action = qobject_cast<QAction*>(object)) return action->text();
    if (auto* menu = qobject_cast<QMenu*>(object)) return menu->title();
    if (QTabWidget* pages = PageControlOf(object)) {
      return pages->tabText(pages->indexOf(static_cast<QWidget*>(object)));
    }
    if (auto* label = qobject_cast<QLabel*>(object)) return label->text();
    if (auto* button = qobject_cast<QAbstractButton*>(object)) return button->text();
    if (auto* group = qobject_cast<QGroupBox*>(object)) return group->title();
    return std::nullopt;
  }

  static void Set(QObject* object, TextTarget target, const QString& text) {
    if (target == TextTarget::kEditLabel) {
      if (auto* edit = qobject_cast<TLabeledEdit*>(object)) {
        edit->EditLabel()->setText(text);
        edit->PlaceLabel();
      }
      return;
    }
    if (auto* action = qobject_cast<QAction*>(object)) {
      action->setText(text);
    } else if (auto* menu = qobject_cast<QMenu*>(object)) {
      menu->setTitle(text);
    } else if (QTabWidget* pages = PageControlOf(object)) {
      pages->setTabText(pages->indexOf(static_cast<QWidget*>(object)), text);
    } else if (auto* label = qobject_cast<QLabel*>(object)) {
      label->setText(text);
    } else if (auto* button = qobject_cast<QAbstractButton*>(object)) {
      button->setText(text);
    } else if (auto* group = qobject_cast<QGroupBox*>(object)) {
      group->setTitle(text);
    }
  }

  TForm1& form_;
};

}  // namespace

void TForm1::ReadSettings() {
  LanguageIndex = ReadLanguageSetting(SettingsFile);
}

bool TForm1::WriteSettings() {
  return WriteLanguageSetting(SettingsFile, LanguageIndex);
}

void TForm1::SetBuiltInTexts() {
  MessageTexts.SetBuiltInTexts();
}

void TForm1::ApplyStoredLanguage() {
  const int language = LanguageFromSetting(LanguageIndex);
  QAction* item = mnuLangEnglish;
  if (language == kLanguageTraditionalChinese) item = mnuLangTraChinese;
  if (language == kLanguageSimplifiedChinese) item = mnuLangSimpChinese;
  item->setChecked(true);
  ApplyLanguage(language);
}

void TForm1::ApplyLanguage(int language) {
  const LanguageRow& row = LanguageRowOf(language);
  LanguageIndex = row.index;
  const QDir folder(programFolder_);
  const std::string languageFile = folder.filePath(FromUtf8(row.languageFile)).toStdString();
  const std::string readMeFile = folder.filePath(FromUtf8(row.readMeFile)).toStdString();
  // The toolkit draws every text in Unicode; the character set is kept for the code that
  // writes texts in the language's own code page.
  FontCharset = row.fontCharset;
  LoadToolkitTranslation(row.index);
  LoadLanguageFile(languageFile);
  if (frmAbout) frmAbout->LoadReadMe(readMeFile, row.encoding);
}

void TForm1::LoadToolkitTranslation(int language) {
  if (toolkitTranslation_) {
    QCoreApplication::removeTranslator(toolkitTranslation_.get());
    toolkitTranslation_.reset();
  }
  const std::string_view name = LanguageRowOf(language).toolkitTranslation;
  if (name.empty()) return;
  auto translation = std::make_unique<QTranslator>();
  if (!translation->load(FromUtf8(name), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    return;  // the toolkit's English stays
  }
  QCoreApplication::installTranslator(translation.get());
  toolkitTranslation_ = std::move(translation);
}

void TForm1::LoadLanguageFile(const std::string& path) {
  std::string bytes;
  if (!ReadFileBytes(path, bytes)) return;  // the current texts stay
  std::optional<std::string> text = ToUtf8(bytes, LanguageRowOf(LanguageIndex).encoding);
  if (!text) return;
  FormCaptions captions(*this);
  LoadLanguageKeys(IniFile::Parse(*text), captions, MessageTexts);
}

}  // namespace pelyx::app
