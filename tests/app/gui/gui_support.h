// What the window tests share: scripted answers to the window's questions, a temporary
// documents folder and program folder, and the windows of one start.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/core/user_prompt.h"
#include "app/startup.h"

namespace pelyx::app::testing_support {

// Answers the window's questions from a script and records every question.
class ScriptedPrompt : public UserPrompt {
 public:
  struct Asked {
    std::string text;
    std::string caption;
    PromptButtons buttons;
    PromptIcon icon;
  };

  PromptAnswer Message(std::string_view text, std::string_view caption, PromptButtons buttons,
                       PromptIcon icon) override {
    asked.push_back({std::string(text), std::string(caption), buttons, icon});
    if (answers.empty()) {
      ADD_FAILURE() << "unexpected question: " << text;
      return PromptAnswer::kCancel;
    }
    PromptAnswer answer = answers.front();
    answers.pop_front();
    return answer;
  }

  std::optional<std::string> SaveFileName(const SaveFileDialogSetup& dialog) override {
    dialogs.emplace_back(dialog.name);
    proposedNames.emplace_back(dialog.proposedName);
    if (files.empty()) return std::nullopt;
    std::optional<std::string> file = files.front();
    files.pop_front();
    return file;
  }

  std::deque<PromptAnswer> answers;
  std::deque<std::optional<std::string>> files;  // the save dialogs' answers; none: cancel
  std::vector<std::string> proposedNames;
  std::vector<Asked> asked;
  std::vector<std::string> dialogs;
};

// A documents folder and a program folder of the test's own.
class Folders {
 public:
  Folders() {
    EXPECT_TRUE(documents_.isValid());
    EXPECT_TRUE(program_.isValid());
  }
  QString Documents() const { return documents_.path(); }
  QString Program() const { return program_.path(); }
  std::string SettingsPath() const {
    return QDir(Documents()).filePath("TESK/PelyxConfigPro/TeskPelyxConfigPro.ini").toStdString();
  }
  // Stores [VIEW] Language := `text` before the start.
  void StoreLanguage(const std::string& text) const;
  // Puts a language file for `language` into the program folder; `utf8` is converted to
  // the language's character set.
  void WriteLanguageFile(int language, const std::string& utf8) const;
  void WriteReadMe(int language, const std::string& utf8) const;
  // Copies the shipped Lang folder into the program folder.
  void CopyShippedLanguages() const;

 private:
  QTemporaryDir documents_;
  QTemporaryDir program_;
};

// Windows started from `program` (the shipped languages when empty).
FormEnvironment Environment(const Folders& folders, UserPrompt* prompt,
                            bool shippedLanguages = false);

// The settings file's text, or "" when it does not exist.
std::string ReadFile(const std::string& path);

// The caption the user sees on `object`: a menu's title, a menu item's, page tab's,
// label's, button's or group box's text, a labelled edit's label (`editLabel`). Nothing
// for other objects.
std::optional<QString> CaptionOf(const QObject* object, bool editLabel = false);

// The object named `name` under `root`, of type T; a test failure when there is none.
template <class T>
T* Find(const QObject* root, const QString& name) {
  T* found = root ? root->findChild<T*>(name) : nullptr;
  EXPECT_NE(found, nullptr) << "no " << T::staticMetaObject.className() << " "
                            << name.toStdString();
  return found;
}

// Runs the event loop until `done` or `timeoutMs`; true when done.
bool WaitFor(const std::function<bool()>& done, int timeoutMs);

}  // namespace pelyx::app::testing_support
