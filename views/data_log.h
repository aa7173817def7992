// The DATA LOG page without its toolkit: logging of the received lines, saving and
// clearing the log, and the command console.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "codec/intake.h"
#include "config/config_form.h"

namespace pelyx::views {

// ---- What the page asks the user and the file system ----

using LogButtons = config::PromptButtons;
using LogIcon = config::PromptIcon;
using LogAnswer = config::PromptAnswer;

struct LogFileDialog {
  std::string_view name;
  std::string_view filter;
  std::string_view defaultExtension;
};
inline constexpr LogFileDialog kSaveLogFileDialog = {"SaveLogFileDialog",
                                                     "Data Log File (*.TXT)|*.TXT", "TXT"};

class LogPrompt {
 public:
  virtual ~LogPrompt() = default;
  // A modal message box; closing it counts as Cancel (No for Yes/No, OK for OK only).
  virtual LogAnswer Message(std::string_view text, std::string_view caption, LogButtons buttons,
                            LogIcon icon) = 0;
  // The file chosen in the save dialog (first filter selected, default extension added
  // to a name typed without one); nothing when cancelled.
  virtual std::optional<std::string> SaveFileName(const LogFileDialog& dialog) = 0;
};

class LogFiles {
 public:
  virtual ~LogFiles() = default;
  virtual bool Exists(const std::string& path) = 0;
  // Replaces the file's content by `bytes`; false when the file could not be written.
  virtual bool Write(const std::string& path, std::string_view bytes) = 0;
};

// The platform's files (std::filesystem and std::ofstream).
class StdLogFiles : public LogFiles {
 public:
  bool Exists(const std::string& path) override;
  bool Write(const std::string& path, std::string_view bytes) override;
};

// ---- The log ----

// Where logged lines are shown: the log view (MemoDataLog).
class LogView {
 public:
  virtual ~LogView() = default;
  // Append `lines` (one or more lines joined by '\n', no line end after the last) as new
  // last lines of the view.
  virtual void AppendLines(std::string_view lines) = 0;
};

// The line assemblers' log. Lines completed while logging is on are collected and go to
// the view in one append when the receive notification that brought them is done
// (Flush), so a burst of lines lays the view out once, not once per line.
class DataLog : public LineLog {
 public:
  explicit DataLog(LogView& view) : view_(view) {}

  // cbxEnableLog.
  void SetLoggingEnabled(bool enabled) { enabled_ = enabled; }
  bool LoggingEnabled() const override { return enabled_; }
  void AppendLine(std::string_view text) override;

  // The end of a receive notification: the lines collected go to the view.
  void Flush();
  // Lines collected and not yet shown.
  size_t PendingLines() const { return pendingLines_; }

 private:
  LogView& view_;
  bool enabled_ = false;
  std::string pending_;
  size_t pendingLines_ = 0;
};

// ---- The log view while the user edits it ----
//
// The log is editable: the user may type into it, select and delete. Received lines
// still go to the end, and an edit never costs a received line.

// How many of the oldest lines go when `arriving` received lines join a log of `lines`
// lines that keeps at most `maxLines` (0: no limit). Only arriving lines make lines go.
int64_t LinesToDrop(int64_t lines, int64_t arriving, int64_t maxLines);

// The user's cursor in the log's text, as character offsets: where the selection was
// started and where the cursor stands (the same without a selection).
struct LogEditPlace {
  int64_t anchor = 0;
  int64_t position = 0;
  bool operator==(const LogEditPlace&) const = default;
};

// Where the user's cursor belongs after received lines went onto the end of the text and
// `dropped` characters of the oldest lines went from its front: on the characters it was
// on, so a cursor at the end stays before the new lines and a selection does not grow
// over them; at the start of the text when the characters it was on went.
LogEditPlace PlaceAfterAppend(LogEditPlace before, int64_t dropped);

enum class ClearResult { kCleared, kKept };
enum class SaveResult { kSaved, kCancelled, kKeptExisting, kWriteFailed };

// btnClearLogClick: asks "Are you sure to clear log?"; kCleared when the view is to be
// emptied (the caller empties it).
ClearResult ConfirmClearLog(LogPrompt& prompt);

// The lines of the log view's text: split at LF (a CR before it is dropped); an empty
// text holds no line and a text ending with LF no empty last line.
std::vector<std::string_view> LogLines(std::string_view text);

// btnSaveLogClick: dialog, overwrite question, then every line of `logText` followed by
// CR LF. A file that cannot be written is reported in a message box.
SaveResult SaveLog(std::string_view logText, LogPrompt& prompt, LogFiles& files);

// ---- The command console ----

// LabeledEditCommandText holds at most this many characters.
inline constexpr int kCommandTextMaxLength = 86;

// Writes a line to the selected link; false when it could not be sent.
using WriteLineFunction = std::function<bool(std::string_view line)>;

// btnSendCommandClick: the text exactly as typed, then CR LF; "Send message error" when
// the write fails. Returns whether it was sent.
bool SendCommand(std::string_view text, const WriteLineFunction& writeLine, LogPrompt& prompt);

}  // namespace pelyx::views
