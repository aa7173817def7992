// The read-me text of the About dialog, as the lines its memo shows.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace pelyx::app {

inline constexpr size_t kReadMePieceChars = 499;

// An empty first line, then every line of `text` (UTF-8) without its line end ("\n" or
// "\r\n"), a line longer than 499 characters continued on the next lines in pieces of
// at most 499 characters.
std::vector<std::string> ReadMeLines(std::string_view text);

}  // namespace pelyx::app
