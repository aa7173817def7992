#include "app/core/readme.h"

#include "app/core/text_encoding.h"

namespace pelyx::app {

std::vector<std::string> ReadMeLines(std::string_view text) {
  std::vector<std::string> lines{std::string()};
  while (!text.empty()) {
    size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    for (std::string& piece : SplitUtf8(line, kReadMePieceChars)) lines.push_back(std::move(piece));
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return lines;
}

}  // namespace pelyx::app
