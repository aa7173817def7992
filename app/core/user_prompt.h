// What the window asks the user: message boxes and the save-file dialog. The window
// implements this with the toolkit's boxes; the tests script the answers.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "config/config_form.h"

namespace pelyx::app {

using config::PromptAnswer;
using config::PromptButtons;
using config::PromptIcon;

// A save-file dialog: its filter in the form "Description|pattern" (pairs joined with
// '|') and the extension added to a name typed without one.
struct SaveFileDialogSetup {
  std::string_view name;
  std::string_view filter;
  std::string_view defaultExtension;
  std::string_view proposedName = {};  // the file name the dialog starts with
};

inline constexpr SaveFileDialogSetup kSaveRptFileDialog = {"SaveRptFileDialog",
                                                           "Report File (*.TXT)|*.TXT", "TXT"};
inline constexpr SaveFileDialogSetup kSaveLogFileDialog = {"SaveLogFileDialog",
                                                           "Data Log File (*.TXT)|*.TXT", "TXT"};

class UserPrompt {
 public:
  virtual ~UserPrompt() = default;
  // A modal message box; returns the button pressed (closing the box counts as Cancel,
  // or as No for Yes/No, or as OK for a box with only OK).
  virtual PromptAnswer Message(std::string_view text, std::string_view caption,
                               PromptButtons buttons, PromptIcon icon) = 0;
  // The file name chosen in a modal save-file dialog; nothing when cancelled.
  virtual std::optional<std::string> SaveFileName(const SaveFileDialogSetup& dialog) = 0;
};

// A filter "Description|pattern|Description|pattern" as the toolkit writes it:
// "Description;;Description" (each description already names its pattern). A filter
// whose description lacks the pattern gets it added in parentheses.
std::string ToolkitFilter(std::string_view filter);

}  // namespace pelyx::app
