// The user prompt of the window: message boxes and save-file dialogs of the toolkit.
#pragma once

#include "app/core/user_prompt.h"

class QWidget;

namespace pelyx::app {

class QtUserPrompt : public UserPrompt {
 public:
  // The boxes are modal over `parent`.
  explicit QtUserPrompt(QWidget* parent) : parent_(parent) {}

  PromptAnswer Message(std::string_view text, std::string_view caption, PromptButtons buttons,
                       PromptIcon icon) override;
  std::optional<std::string> SaveFileName(const SaveFileDialogSetup& dialog) override;

 private:
  QWidget* parent_;
};

}  // namespace pelyx::app
