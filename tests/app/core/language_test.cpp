#include "app/core/language.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <tuple>
#include <vector>

#include "app/core/ini_file.h"
#include "app/core/text_encoding.h"

namespace pelyx::app {
namespace {

using Target = std::tuple<TextOwner, std::string, TextTarget>;

Target TargetOf(const LanguageKey& row) {
  return {row.owner, std::string(row.control), row.target};
}

// Captions held in a map, with every control of the table present at its English text.
class FakeCaptions : public CaptionAccess {
 public:
  FakeCaptions() {
    for (const LanguageKey& row : kLanguageKeys) {
      if (row.target == TextTarget::kCaption || row.target == TextTarget::kEditLabel) {
        captions[TargetOf(row)] = std::string(row.englishDefault);
      }
    }
  }

  std::optional<std::string> Caption(TextOwner owner, std::string_view control,
                                     TextTarget target) override {
    auto found = captions.find({owner, std::string(control), target});
    if (found == captions.end()) return std::nullopt;
    return found->second;
  }
  void SetCaption(TextOwner owner, std::string_view control, TextTarget target,
                  std::string_view text) override {
    captions[{owner, std::string(control), target}] = text;
    ++writes;
  }
  void FollowUp(LanguageFollowUp followUp) override { followUps.push_back({followUp, *messages}); }

  const MessageTable* messages = nullptr;
  std::map<Target, std::string> captions;
  std::vector<std::pair<LanguageFollowUp, MessageTable>> followUps;
  int writes = 0;
};

std::string Marker(const LanguageKey& row) {
  return std::string(row.section) + "." + std::string(row.key);
}

// A language file with every key of the table, each holding its own marker.
std::string MarkerFile() {
  std::string text;
  std::string_view section;
  for (const LanguageKey& row : kLanguageKeys) {
    if (row.section != section) {
      section = row.section;
      text += "[" + std::string(section) + "]\n";
    }
    text += std::string(row.key) + "=" + Marker(row) + "\n";
  }
  return text;
}

std::string ValueIn(const FakeCaptions& captions, const MessageTable& messages,
                    const LanguageKey& row) {
  switch (row.target) {
    case TextTarget::kMessage:
      return messages[row.message];
    case TextTarget::kWarningCaption:
      return messages.WarningCaption();
    case TextTarget::kErrorCaption:
      return messages.ErrorCaption();
    default:
      return captions.captions.at(TargetOf(row));
  }
}

class LoadLanguage : public testing::Test {
 protected:
  void SetUp() override {
    messages.SetBuiltInTexts();
    captions.messages = &messages;
  }
  MessageTable messages;
  FakeCaptions captions;
};

TEST_F(LoadLanguage, EveryKeyReachesItsTarget) {
  LoadLanguageKeys(IniFile::Parse(MarkerFile()), captions, messages);
  for (const LanguageKey& row : kLanguageKeys) {
    EXPECT_EQ(ValueIn(captions, messages, row), Marker(row)) << Marker(row);
  }
}

TEST_F(LoadLanguage, WithoutAFileEverythingStays) {
  LoadLanguageKeys(IniFile(), captions, messages);
  MessageTable english;
  english.SetBuiltInTexts();
  for (const LanguageKey& row : kLanguageKeys) {
    EXPECT_EQ(ValueIn(captions, messages, row), row.englishDefault) << Marker(row);
  }
  for (int i = 0; i < kMessageCount; ++i) EXPECT_EQ(messages[i], english[i]);
}

TEST_F(LoadLanguage, AMissingKeyKeepsItsTextAndAnEmptyValueBlanksIt) {
  LoadLanguageKeys(IniFile::Parse("[MENU]\nFile=\nHelp=Hilfe\n[SYS_BUTTON]\nConnect=\n"), captions,
                   messages);
  EXPECT_EQ(captions.captions.at({TextOwner::kMainForm, "mnuFile", TextTarget::kCaption}), "");
  EXPECT_EQ(captions.captions.at({TextOwner::kMainForm, "mnuHelp", TextTarget::kCaption}), "Hilfe");
  EXPECT_EQ(captions.captions.at({TextOwner::kMainForm, "mnuExit", TextTarget::kCaption}),
            "Exit(&X)");
  EXPECT_EQ(messages[kMsgConnect], "");
  EXPECT_EQ(messages[kMsgDisconnect], "Disconnect");
}

TEST_F(LoadLanguage, WithoutOtherMsgTheMessagesStayEnglish) {
  std::string text;
  for (const std::string_view section : {"MENU", "SYS_BUTTON"}) {
    text += "[" + std::string(section) + "]\n";
    for (const LanguageKey& row : kLanguageKeys) {
      if (row.section == section) text += std::string(row.key) + "=T\n";
    }
  }
  LoadLanguageKeys(IniFile::Parse(text), captions, messages);
  EXPECT_EQ(captions.captions.at({TextOwner::kMainForm, "mnuFile", TextTarget::kCaption}), "T");
  EXPECT_EQ(messages[kMsgConnect], "T");
  EXPECT_EQ(messages[kMsgPortOpenError], "Serial port open error! Please check!");
  EXPECT_EQ(messages[kMsgConnectionChangeText], "Device is connected. Do you want to disconnect?");
  EXPECT_EQ(messages.WarningCaption(), "Warning");
  EXPECT_EQ(messages.ErrorCaption(), "Error");
}

TEST_F(LoadLanguage, FollowUpsRunOnceEachAfterTheValuesTheyUse) {
  LoadLanguageKeys(IniFile::Parse(MarkerFile()), captions, messages);
  ASSERT_EQ(captions.followUps.size(), 3u);
  const auto& [button, atButton] = captions.followUps[0];
  EXPECT_EQ(button, LanguageFollowUp::kConnectButtonCaption);
  EXPECT_EQ(atButton[kMsgConnect], "SYS_BUTTON.Connect");
  EXPECT_EQ(atButton[kMsgDisconnect], "SYS_BUTTON.Disconnect");
  const auto& [mmsi, atMmsi] = captions.followUps[1];
  EXPECT_EQ(mmsi, LanguageFollowUp::kMmsiLabelCaption);
  EXPECT_EQ(atMmsi[kMsgCantBeProg1], "TAB_MMSI.CantBeProg1");
  EXPECT_EQ(atMmsi[kMsgCantBeProg2], "TAB_MMSI.CantBeProg2");
  const auto& [status, atStatus] = captions.followUps[2];
  EXPECT_EQ(status, LanguageFollowUp::kConnectionStatusText);
  EXPECT_EQ(atStatus[kMsgConnecting], "CONFIG_SERIAL_PORT.Connecting");
  EXPECT_EQ(atStatus[kMsgConnected], "CONFIG_SERIAL_PORT.Connected");
  EXPECT_EQ(atStatus[kMsgStatusDisconnect], "CONFIG_SERIAL_PORT.Disconnect");
}

TEST_F(LoadLanguage, MissingControlsArePassedOver) {
  captions.captions.erase({TextOwner::kAboutDialog, "btnOK", TextTarget::kCaption});
  LoadLanguageKeys(IniFile::Parse("[ABOUT]\nOK=Fine\nProduct=P\n"), captions, messages);
  EXPECT_EQ(captions.captions.count({TextOwner::kAboutDialog, "btnOK", TextTarget::kCaption}), 0u);
  EXPECT_EQ(
      captions.captions.at({TextOwner::kAboutDialog, "StaticTextProduct", TextTarget::kCaption}),
      "P");
}

TEST(LanguageKeys, CoverEveryMessageAndBothCaptionsOnce) {
  std::multiset<int> messages;
  int warning = 0;
  int error = 0;
  for (const LanguageKey& row : kLanguageKeys) {
    if (row.target == TextTarget::kMessage) {
      messages.insert(row.message);
      EXPECT_EQ(row.englishDefault, MessageTable::EnglishDefault(row.message)) << row.key;
      EXPECT_TRUE(row.control.empty());
    } else {
      EXPECT_EQ(row.message, -1) << row.key;
    }
    warning += row.target == TextTarget::kWarningCaption;
    error += row.target == TextTarget::kErrorCaption;
    if (row.target == TextTarget::kCaption || row.target == TextTarget::kEditLabel) {
      EXPECT_FALSE(row.control.empty()) << row.key;
    }
  }
  for (int i = 0; i < kMessageCount; ++i) EXPECT_EQ(messages.count(i), 1u) << i;
  EXPECT_EQ(warning, 1);
  EXPECT_EQ(error, 1);
}

TEST(LanguageKeys, SectionsComeInTheirOrder) {
  const std::vector<std::pair<std::string_view, int>> expected = {
      {"MENU", 9},       {"SYS_BUTTON", 5}, {"TAB_VIEW", 3},
      {"TAB_MMSI", 3},   {"TAB_STATIC", 5}, {"TAB_TRANSCEIVER", 4},
      {"TAB_BAUD", 5},   {"TAB_CPA", 4},    {"CONFIG_SERIAL_PORT", 10},
      {"EXIT_QUERY", 2}, {"AGREEMENT", 2},  {"ABOUT", 2},
      {"OTHER_MSG", 10}};
  std::vector<std::pair<std::string_view, int>> sections;
  for (const LanguageKey& row : kLanguageKeys) {
    if (sections.empty() || sections.back().first != row.section)
      sections.push_back({row.section, 0});
    ++sections.back().second;
  }
  EXPECT_EQ(sections, expected);
}

// ---- The language files that ship with the program -------------------------------

std::string ReadBytes(const std::string& path) {
  std::string bytes;
  EXPECT_TRUE(ReadFileBytes(path, bytes)) << path;
  return bytes;
}

std::string ShippedText(const LanguageRow& row, std::string_view file) {
  std::optional<std::string> text =
      ToUtf8(ReadBytes(std::string(PELYX_APP_SOURCE) + "/" + std::string(file)), row.encoding);
  EXPECT_TRUE(text.has_value());
  return text.value_or("");
}

bool HasNonAscii(std::string_view text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return true;
  }
  return false;
}

class ShippedLanguage : public testing::TestWithParam<int> {
 protected:
  const LanguageRow& Row() const { return kLanguages[static_cast<size_t>(GetParam())]; }
};

TEST_P(ShippedLanguage, HoldsEveryKeyWithAText) {
  const IniFile file = IniFile::Parse(ShippedText(Row(), Row().languageFile));
  for (const LanguageKey& row : kLanguageKeys) {
    std::optional<std::string> value = file.Find(row.section, row.key);
    ASSERT_TRUE(value.has_value()) << Row().name << " " << Marker(row);
    EXPECT_FALSE(value->empty()) << Row().name << " " << Marker(row);
    EXPECT_EQ(value->find("\xEF\xBF\xBD"), std::string::npos) << Marker(row);
  }
}

TEST_P(ShippedLanguage, IsWrittenFromItsSource) {
  for (std::string_view file : {Row().languageFile, Row().readMeFile}) {
    std::string shipped = ShippedText(Row(), file);
    std::string withoutCr;
    for (char c : shipped) {
      if (c != '\r') withoutCr += c;
    }
    EXPECT_NE(shipped, withoutCr) << file << " has CR LF line ends";
    const std::string name(file.substr(file.find('/') + 1));
    std::string source = ReadBytes(std::string(PELYX_APP_SOURCE) + "/lang-src/" + name);
    EXPECT_EQ(withoutCr, source) << name << ": run scripts/make_lang_files.sh";
  }
}

TEST_P(ShippedLanguage, ChineseFilesAreTranslated) {
  if (GetParam() == kLanguageEnglish) GTEST_SKIP() << "English is the original";
  const IniFile file = IniFile::Parse(ShippedText(Row(), Row().languageFile));
  int translated = 0;
  for (const LanguageKey& row : kLanguageKeys) {
    std::string value = file.ReadString(row.section, row.key, "");
    if (HasNonAscii(value)) ++translated;
    if (row.section == "MENU" || row.section == "SYS_BUTTON" || row.section == "OTHER_MSG") {
      EXPECT_TRUE(HasNonAscii(value)) << Row().name << " " << Marker(row) << " = " << value;
    }
  }
  EXPECT_GE(translated, kLanguageKeyCount - 2);
}

INSTANTIATE_TEST_SUITE_P(Files, ShippedLanguage,
                         testing::Values(kLanguageEnglish, kLanguageTraditionalChinese,
                                         kLanguageSimplifiedChinese));

TEST(ShippedLanguage, EnglishFileHoldsTheEnglishTexts) {
  const IniFile file = IniFile::Parse(ShippedText(kLanguages[0], kLanguages[0].languageFile));
  for (const LanguageKey& row : kLanguageKeys) {
    // A value cannot hold a line break or keep its outer blanks.
    std::string expected(row.englishDefault);
    for (char& c : expected) {
      if (c == '\n') c = ' ';
    }
    while (!expected.empty() && expected.back() == ' ') expected.pop_back();
    EXPECT_EQ(file.ReadString(row.section, row.key, "?"), expected) << Marker(row);
  }
}

TEST(ShippedLanguage, TheTraditionalAndSimplifiedFilesDiffer) {
  const IniFile traditional =
      IniFile::Parse(ShippedText(kLanguages[1], kLanguages[1].languageFile));
  const IniFile simplified = IniFile::Parse(ShippedText(kLanguages[2], kLanguages[2].languageFile));
  int differ = 0;
  for (const LanguageKey& row : kLanguageKeys) {
    differ += traditional.Find(row.section, row.key) != simplified.Find(row.section, row.key);
  }
  EXPECT_GE(differ, kLanguageKeyCount / 2);
}

}  // namespace
}  // namespace pelyx::app
