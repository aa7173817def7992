#include "views/data_log.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace pelyx::views {

bool StdLogFiles::Exists(const std::string& path) {
  std::error_code error;
  return std::filesystem::exists(path, error);
}

bool StdLogFiles::Write(const std::string& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  return !out.fail();
}

void DataLog::AppendLine(std::string_view text) {
  if (!enabled_) return;
  if (pendingLines_ > 0) pending_ += '\n';
  pending_.append(text);
  ++pendingLines_;
}

void DataLog::Flush() {
  if (pendingLines_ == 0) return;
  view_.AppendLines(pending_);
  pending_.clear();
  pendingLines_ = 0;
}

int64_t LinesToDrop(int64_t lines, int64_t arriving, int64_t maxLines) {
  if (maxLines <= 0 || arriving <= 0) return 0;
  const int64_t total = std::max<int64_t>(lines, 0) + arriving;
  return total > maxLines ? total - maxLines : 0;
}

LogEditPlace PlaceAfterAppend(LogEditPlace before, int64_t dropped) {
  auto keep = [dropped](int64_t offset) { return std::max<int64_t>(offset - dropped, 0); };
  return {keep(before.anchor), keep(before.position)};
}

ClearResult ConfirmClearLog(LogPrompt& prompt) {
  LogAnswer answer = prompt.Message("Are you sure to clear log?", "Warning", LogButtons::kOkCancel,
                                    LogIcon::kNone);
  return answer == LogAnswer::kOk ? ClearResult::kCleared : ClearResult::kKept;
}

std::vector<std::string_view> LogLines(std::string_view text) {
  std::vector<std::string_view> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

SaveResult SaveLog(std::string_view logText, LogPrompt& prompt, LogFiles& files) {
  std::optional<std::string> path = prompt.SaveFileName(kSaveLogFileDialog);
  if (!path) return SaveResult::kCancelled;
  if (files.Exists(*path)) {
    LogAnswer answer = prompt.Message("File already exists. Do you want to overwrite?", "WARNING",
                                      LogButtons::kYesNo, LogIcon::kNone);
    if (answer != LogAnswer::kYes) return SaveResult::kKeptExisting;
  }
  std::string bytes;
  bytes.reserve(logText.size() + logText.size() / 16 + 2);
  for (std::string_view line : LogLines(logText)) {
    bytes.append(line);
    bytes += "\r\n";
  }
  if (!files.Write(*path, bytes)) {
    prompt.Message("Cannot create file \"" + *path + "\".", "Error", LogButtons::kOk,
                   LogIcon::kError);
    return SaveResult::kWriteFailed;
  }
  return SaveResult::kSaved;
}

bool SendCommand(std::string_view text, const WriteLineFunction& writeLine, LogPrompt& prompt) {
  std::string line(text);
  line += "\r\n";
  bool sent = writeLine && writeLine(line);
  if (!sent) prompt.Message("Send message error", "error", LogButtons::kOk, LogIcon::kError);
  return sent;
}

}  // namespace pelyx::views
