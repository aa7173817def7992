#include "app/core/ini_file.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>
#include <system_error>

#include "app/core/text_encoding.h"

namespace pelyx::app {
namespace {

constexpr std::string_view kBlanks = " \t";

std::string_view Trim(std::string_view s) {
  size_t first = s.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  size_t last = s.find_last_not_of(kBlanks);
  return s.substr(first, last - first + 1);
}

char LowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  }
  return true;
}

bool HasLineBreak(std::string_view s) {
  return s.find_first_of("\r\n") != std::string_view::npos;
}

// What one line of the file is.
struct Parsed {
  enum Kind { kOther, kSection, kEntry } kind = kOther;
  std::string_view name;   // section name or key, trimmed
  std::string_view value;  // entry value, trimmed
};

Parsed ParseLine(std::string_view line) {
  std::string_view text = Trim(line);
  Parsed parsed;
  if (text.empty() || text.front() == ';') return parsed;
  if (text.front() == '[') {
    text.remove_prefix(1);
    size_t close = text.find(']');
    parsed.kind = Parsed::kSection;
    parsed.name = Trim(text.substr(0, close));
    return parsed;
  }
  size_t equals = text.find('=');
  if (equals == std::string_view::npos) return parsed;
  std::string_view key = Trim(text.substr(0, equals));
  if (key.empty()) return parsed;
  parsed.kind = Parsed::kEntry;
  parsed.name = key;
  parsed.value = Trim(text.substr(equals + 1));
  return parsed;
}

}  // namespace

IniFile IniFile::Parse(std::string_view text) {
  IniFile ini;
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  size_t firstEnd = text.find('\n');
  if (firstEnd != std::string_view::npos && firstEnd > 0 && text[firstEnd - 1] == '\r') {
    ini.lineEnd_ = "\r\n";
  }
  ini.endsWithLineEnd_ = text.empty() || text.back() == '\n';
  while (!text.empty()) {
    size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    ini.lines_.emplace_back(line);
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return ini;
}

ptrdiff_t IniFile::FindSection(std::string_view section) const {
  for (size_t i = 0; i < lines_.size(); ++i) {
    Parsed parsed = ParseLine(lines_[i]);
    if (parsed.kind == Parsed::kSection && SameName(parsed.name, section)) {
      return static_cast<ptrdiff_t>(i);
    }
  }
  return -1;
}

std::optional<std::string> IniFile::Find(std::string_view section, std::string_view key) const {
  bool inSection = false;
  for (const std::string& line : lines_) {
    Parsed parsed = ParseLine(line);
    if (parsed.kind == Parsed::kSection) {
      inSection = SameName(parsed.name, section);
    } else if (parsed.kind == Parsed::kEntry && inSection && SameName(parsed.name, key)) {
      return std::string(Utf8Prefix(parsed.value, kMaxValueChars));
    }
  }
  return std::nullopt;
}

std::string IniFile::ReadString(std::string_view section, std::string_view key,
                                std::string_view fallback) const {
  std::optional<std::string> value = Find(section, key);
  return value ? *value : std::string(fallback);
}

int32_t IniFile::ReadInteger(std::string_view section, std::string_view key,
                             int32_t fallback) const {
  std::optional<std::string> value = Find(section, key);
  if (!value) return fallback;
  std::string_view digits = *value;
  bool negative = false;
  if (!digits.empty() && (digits.front() == '-' || digits.front() == '+')) {
    negative = digits.front() == '-';
    digits.remove_prefix(1);
  }
  if (digits.empty()) return fallback;
  int64_t number = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return fallback;
    number = number * 10 + (c - '0');
    if (number > int64_t{std::numeric_limits<int32_t>::max()} + 1) return fallback;
  }
  if (negative) number = -number;
  if (number < std::numeric_limits<int32_t>::min() ||
      number > std::numeric_limits<int32_t>::max()) {
    return fallback;
  }
  return static_cast<int32_t>(number);
}

bool IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  section = Trim(section);
  key = Trim(key);
  if (section.empty() || section.find_first_of("[]") != std::string_view::npos ||
      HasLineBreak(section)) {
    return false;
  }
  if (key.empty() || key.find('=') != std::string_view::npos || key.front() == '[' ||
      key.front() == ';' || HasLineBreak(key) || HasLineBreak(value)) {
    return false;
  }
  std::string entry = std::string(key) + "=" + std::string(Trim(value));
  endsWithLineEnd_ = true;

  ptrdiff_t start = FindSection(section);
  if (start < 0) {
    if (!lines_.empty() && !Trim(lines_.back()).empty()) lines_.emplace_back();
    lines_.push_back("[" + std::string(section) + "]");
    lines_.push_back(std::move(entry));
    return true;
  }
  size_t insertAt = static_cast<size_t>(start) + 1;
  for (size_t i = static_cast<size_t>(start) + 1; i < lines_.size(); ++i) {
    Parsed parsed = ParseLine(lines_[i]);
    if (parsed.kind == Parsed::kSection) break;
    if (parsed.kind == Parsed::kEntry && SameName(parsed.name, key)) {
      lines_[i] = std::string(parsed.name) + "=" + std::string(Trim(value));
      return true;
    }
    if (!Trim(lines_[i]).empty()) insertAt = i + 1;
  }
  lines_.insert(lines_.begin() + static_cast<ptrdiff_t>(insertAt), std::move(entry));
  return true;
}

bool IniFile::WriteInteger(std::string_view section, std::string_view key, int32_t value) {
  return WriteString(section, key, std::to_string(value));
}

std::string IniFile::Serialize() const {
  std::string text;
  for (size_t i = 0; i < lines_.size(); ++i) {
    text += lines_[i];
    if (i + 1 < lines_.size() || endsWithLineEnd_) text += lineEnd_;
  }
  return text;
}

bool ReadFileBytes(const std::string& path, std::string& bytes, size_t maxBytes) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return false;
  std::ifstream file(path, std::ios::binary);
  if (!file) return false;
  std::string content;
  char buffer[8192];
  while (file) {
    file.read(buffer, sizeof buffer);
    content.append(buffer, static_cast<size_t>(file.gcount()));
    if (content.size() > maxBytes) return false;
  }
  if (file.bad()) return false;
  bytes = std::move(content);
  return true;
}

bool WriteFileAtomically(const std::string& path, std::string_view bytes) {
  const std::string temporary = path + ".tmp";
  {
    std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
    if (!file) return false;
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (file.fail()) {
      std::remove(temporary.c_str());
      return false;
    }
  }
  std::error_code error;
  std::filesystem::rename(temporary, path, error);
  if (error) {
    std::remove(temporary.c_str());
    return false;
  }
  return true;
}

}  // namespace pelyx::app
