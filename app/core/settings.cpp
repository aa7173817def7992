#include "app/core/settings.h"

#include <filesystem>
#include <system_error>

#include "app/core/ini_file.h"

namespace pelyx::app {

namespace fs = std::filesystem;

std::string LocateSettingsFile(const std::string& documents) {
  const fs::path folder = fs::path(documents) / fs::path(kSettingsFolder);
  std::error_code error;
  fs::create_directories(folder, error);
  if (error || !fs::is_directory(folder, error)) {
    return (fs::path(documents) / fs::path(kSettingsFileName)).string();
  }
  return (folder / fs::path(kSettingsFileName)).string();
}

int ReadLanguageSetting(const std::string& path) {
  std::string bytes;
  if (!ReadFileBytes(path, bytes)) return 0;
  return IniFile::Parse(bytes).ReadInteger(kSettingsSection, kLanguageKey, 0);
}

bool WriteLanguageSetting(const std::string& path, int language) {
  std::string bytes;
  IniFile ini;
  std::error_code error;
  if (fs::exists(path, error)) {
    // An existing file that cannot be read is not replaced: its other lines would be lost.
    if (!ReadFileBytes(path, bytes)) return false;
    ini = IniFile::Parse(bytes);
  }
  if (!ini.WriteInteger(kSettingsSection, kLanguageKey, language)) return false;
  return WriteFileAtomically(path, ini.Serialize());
}

}  // namespace pelyx::app
