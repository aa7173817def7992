#include "app/core/user_prompt.h"

#include <vector>

namespace pelyx::app {

std::string ToolkitFilter(std::string_view filter) {
  std::vector<std::string_view> parts;
  while (true) {
    size_t bar = filter.find('|');
    parts.push_back(filter.substr(0, bar));
    if (bar == std::string_view::npos) break;
    filter.remove_prefix(bar + 1);
  }
  std::string result;
  for (size_t i = 0; i < parts.size(); i += 2) {
    std::string_view description = parts[i];
    std::string_view pattern = i + 1 < parts.size() ? parts[i + 1] : std::string_view{};
    std::string entry(description);
    if (!pattern.empty() && description.find(pattern) == std::string_view::npos) {
      std::string spaced(pattern);
      for (char& c : spaced) {
        if (c == ';') c = ' ';
      }
      entry += " (" + spaced + ")";
    }
    if (!result.empty()) result += ";;";
    result += entry;
  }
  return result;
}

}  // namespace pelyx::app
