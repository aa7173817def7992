// Conversion between the character sets of the language and read-me files and UTF-8,
// the encoding everything else in the program works in.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pelyx::app {

// Converts `bytes`, text in `charset` (an iconv name such as "CP950"), to UTF-8. A byte
// sequence that is not valid in `charset` becomes U+FFFD and the conversion goes on, so
// a damaged file still shows what can be read of it. Nothing when the platform does not
// know `charset`.
std::optional<std::string> ToUtf8(std::string_view bytes, const char* charset);

// Converts UTF-8 text to `charset`. Nothing when the platform does not know `charset`
// or when `utf8` holds a character that `charset` cannot represent.
std::optional<std::string> FromUtf8(std::string_view utf8, const char* charset);

// The number of characters (code points) of UTF-8 text.
size_t Utf8Length(std::string_view utf8);

// Cuts UTF-8 text into pieces of at most `maxChars` characters, never inside a
// character. An empty text gives one empty piece.
std::vector<std::string> SplitUtf8(std::string_view utf8, size_t maxChars);

// The first `maxChars` characters of UTF-8 text.
std::string_view Utf8Prefix(std::string_view utf8, size_t maxChars);

}  // namespace pelyx::app
