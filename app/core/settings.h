// The per-user settings file: "TeskPelyxConfigPro.ini" in "TESK/PelyxConfigPro" inside
// the user's documents folder, one value, [VIEW] Language, the language of the next
// start (0 English, 1 Traditional Chinese, 2 Simplified Chinese).
#pragma once

#include <string>
#include <string_view>

namespace pelyx::app {

inline constexpr std::string_view kSettingsFolder = "TESK/PelyxConfigPro";
inline constexpr std::string_view kSettingsFileName = "TeskPelyxConfigPro.ini";
inline constexpr std::string_view kSettingsSection = "VIEW";
inline constexpr std::string_view kLanguageKey = "Language";

// The settings file for the documents folder `documents`: the settings folder inside it
// is created with every missing parent; when that fails the file lies in `documents`
// itself.
std::string LocateSettingsFile(const std::string& documents);

// [VIEW] Language as a decimal integer; 0 when the file, the key or a valid integer is
// missing.
int ReadLanguageSetting(const std::string& path);

// Writes [VIEW] Language := `language`, creating the file, section or key as needed and
// keeping the rest of the file. False when the file cannot be written.
bool WriteLanguageSetting(const std::string& path, int language);

}  // namespace pelyx::app
