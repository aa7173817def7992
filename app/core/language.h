// The three languages of the window and what a language file replaces.
//
// A language file is an INI file (see ini_file.h) in the character set of its language;
// each of its keys replaces the caption of one control or one entry of the message
// table. A missing key, or a missing file, leaves the current text; a key present with
// an empty value blanks it. Three rows are followed by a follow-up that recomputes a
// caption built from message entries.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "app/core/ini_file.h"
#include "app/core/message_texts.h"

namespace pelyx::app {

// ---- The languages ---------------------------------------------------------------

struct LanguageRow {
  int index;                      // the LanguageIndex
  std::string_view name;          // English name, for people
  std::string_view languageFile;  // relative to the program's folder
  std::string_view readMeFile;    // relative to the program's folder
  int fontCharset;                // the character set number of the fonts
  const char* encoding;           // iconv name of the files' character set
  // The toolkit's own translation of its standard texts (the buttons of the message
  // boxes, the file dialogs), a file of the toolkit's translations folder without its
  // ".qm"; empty for the toolkit's built-in English.
  std::string_view toolkitTranslation;
};

inline constexpr int kLanguageEnglish = 0;
inline constexpr int kLanguageTraditionalChinese = 1;
inline constexpr int kLanguageSimplifiedChinese = 2;
inline constexpr int kLanguageCount = 3;

inline constexpr std::array<LanguageRow, kLanguageCount> kLanguages = {{
    {kLanguageEnglish, "English", "Lang/Lang-EN.ini", "Lang/ReadMe-EN_TESKMARINE.txt", 238,
     "CP1250", ""},
    {kLanguageTraditionalChinese, "Traditional Chinese", "Lang/Lang-TW.ini", "Lang/ReadMe-TW.txt",
     136, "CP950", "qtbase_zh_TW"},
    {kLanguageSimplifiedChinese, "Simplified Chinese", "Lang/Lang-CN.ini", "Lang/ReadMe-CN.txt",
     134, "CP936", "qtbase_zh_CN"},
}};

// The language a stored setting starts with: 1 and 2 as they are, English for
// anything else.
int LanguageFromSetting(int stored);

// The row of `language`; English for an index outside the table.
const LanguageRow& LanguageRowOf(int language);

// ---- What a language file replaces -----------------------------------------------

// The window a replaced caption belongs to.
enum class TextOwner { kMainForm, kAboutDialog, kAgreementDialog };

// What a key replaces.
enum class TextTarget {
  kCaption,         // the caption of the control: menu, menu item, page tab, button, label,
                    // group box
  kEditLabel,       // the caption label of a labelled edit
  kMessage,         // an entry of the message table
  kWarningCaption,  // the caption of warning boxes
  kErrorCaption,    // the caption of error boxes
};

// What follows a key once its value is in place.
enum class LanguageFollowUp {
  kNone,
  kConnectButtonCaption,  // the connect button := the message entry of its tag
  kMmsiLabelCaption,      // the MMSI note := entries CantBeProg1 and CantBeProg2
  kConnectionStatusText,  // the status label := the entry of the link state
};

struct LanguageKey {
  std::string_view section;
  std::string_view key;
  TextTarget target;
  TextOwner owner;
  std::string_view control;  // object name of the control (caption targets)
  int message;               // message entry (kMessage), else -1
  LanguageFollowUp followUp;
  std::string_view englishDefault;  // the text without a language file
};

inline constexpr int kLanguageKeyCount = 64;
extern const std::array<LanguageKey, kLanguageKeyCount> kLanguageKeys;

// How the loader reaches the captions of the windows.
class CaptionAccess {
 public:
  virtual ~CaptionAccess() = default;
  // The current caption; nothing when there is no such control.
  virtual std::optional<std::string> Caption(TextOwner owner, std::string_view control,
                                             TextTarget target) = 0;
  virtual void SetCaption(TextOwner owner, std::string_view control, TextTarget target,
                          std::string_view text) = 0;
  virtual void FollowUp(LanguageFollowUp followUp) = 0;
};

// Reads every key of kLanguageKeys from `file`, in table order, with the current text of
// its target as the default, puts the result into the target and runs the row's
// follow-up. Rows whose control does not exist are passed over.
void LoadLanguageKeys(const IniFile& file, CaptionAccess& captions, MessageTable& messages);

}  // namespace pelyx::app
