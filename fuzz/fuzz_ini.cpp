// Arbitrary bytes as a settings or language file through the INI reader and writer. The
// input is the file's text, then, each after a NUL, a section, a key and a value to
// write. Aborts when a value read is longer than a value may be, when a write the reader
// accepted does not read back as written (blanks around it trimmed), or when a refused
// write changed the file.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "app/core/ini_file.h"

namespace {

using pelyx::app::IniFile;

void Check(bool condition) {
  if (!condition) std::abort();
}

// The next part of `input` up to a NUL (or its end); `fallback` when there is none.
std::string_view NextPart(std::string_view& input, bool& more, std::string_view fallback) {
  if (!more) return fallback;
  size_t nul = input.find('\0');
  std::string_view part = input.substr(0, nul);
  more = nul != std::string_view::npos;
  input = more ? input.substr(nul + 1) : std::string_view{};
  return part;
}

std::string_view Trimmed(std::string_view s) {
  size_t first = s.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  bool more = true;
  const std::string_view text = NextPart(input, more, {});
  const std::string_view section = NextPart(input, more, "VIEW");
  const std::string_view key = NextPart(input, more, "Language");
  const std::string_view value = NextPart(input, more, "EN");

  IniFile ini = IniFile::Parse(text);
  // Every value is cut to kMaxValueChars characters of at most four bytes.
  const std::optional<std::string> before = ini.Find(section, key);
  if (before) Check(before->size() <= 4 * IniFile::kMaxValueChars);
  (void)ini.ReadInteger(section, key, -1);
  const std::string original = ini.Serialize();

  if (!ini.WriteString(section, key, value)) {
    Check(ini.Serialize() == original);
    return 0;
  }
  const std::string_view written = Trimmed(value);
  if (written.size() <= IniFile::kMaxValueChars) {
    // The writer trims the names; the reader takes them as given.
    const std::optional<std::string> after = ini.Find(Trimmed(section), Trimmed(key));
    Check(after.has_value() && *after == written);
  }
  // A second write of the same key replaces the value instead of adding a line.
  const std::string once = ini.Serialize();
  Check(ini.WriteString(section, key, value));
  Check(ini.Serialize() == once);
  return 0;
}
