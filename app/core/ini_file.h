// The INI files of the program: the per-user settings file and the language files.
//
// The rules: a line "[name]" opens a section; a line "key=value" inside a section gives a
// value; section and key names are matched without regard to (ASCII) case; blanks around
// names and values are removed; a value is at most 2047 characters (the rest is cut
// off); a key that is present with an empty value gives an empty text, unlike a missing
// key. Lines that start with ';' and lines of any other form are kept but mean nothing,
// and so are keys before the first section. When a name occurs twice, the first
// occurrence counts. The text is UTF-8 (the language files are converted when read).
//
// Writing keeps every other line of the file as it was.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pelyx::app {

class IniFile {
 public:
  static constexpr size_t kMaxValueChars = 2047;

  IniFile() = default;
  static IniFile Parse(std::string_view text);

  // The value of `key` in `section`; nothing when either is missing.
  std::optional<std::string> Find(std::string_view section, std::string_view key) const;
  // The value, or `fallback` when the key is missing.
  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view fallback) const;
  // The value as a decimal integer (optional sign, digits only, in range), or
  // `fallback` when the key is missing or its value is not such a number.
  int32_t ReadInteger(std::string_view section, std::string_view key, int32_t fallback) const;

  // Sets `key` in `section`, adding the key or the section when they are missing. False,
  // and nothing changes, for what a line cannot hold: an empty or bracketed section
  // name, an empty key or one with '=', '[' or ';' at its start, and any line break in
  // the names or the value.
  bool WriteString(std::string_view section, std::string_view key, std::string_view value);
  bool WriteInteger(std::string_view section, std::string_view key, int32_t value);

  // The file's text, with the line ends it was read with ("\n" for a new file).
  std::string Serialize() const;

 private:
  // Index of the line that opens the first section named `section`, or -1.
  ptrdiff_t FindSection(std::string_view section) const;

  std::vector<std::string> lines_;
  std::string lineEnd_ = "\n";
  bool endsWithLineEnd_ = true;
};

// Reads a whole file as bytes. False when it cannot be opened or read, or when it is
// larger than `maxBytes`.
bool ReadFileBytes(const std::string& path, std::string& bytes, size_t maxBytes = 1 << 20);

// Replaces the file's content: writes a temporary file beside it and renames it over the
// file, so a failure never leaves a half-written file behind. False when any step fails.
bool WriteFileAtomically(const std::string& path, std::string_view bytes);

}  // namespace pelyx::app
