#include "app/core/settings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/core/ini_file.h"
#include "app/core/language.h"

namespace pelyx::app {
namespace {

namespace fs = std::filesystem;

class Settings : public testing::Test {
 protected:
  void SetUp() override {
    documents_ =
        fs::temp_directory_path() / (std::string("pelyx-settings-") +
                                     testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(documents_);
    fs::create_directories(documents_);
  }
  void TearDown() override { fs::remove_all(documents_); }

  static std::string Read(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
  }

  fs::path documents_;
};

TEST_F(Settings, TheFileLiesInItsOwnFolderWhichIsCreated) {
  const std::string path = LocateSettingsFile(documents_.string());
  EXPECT_EQ(path, (documents_ / "TESK" / "PelyxConfigPro" / "TeskPelyxConfigPro.ini").string());
  EXPECT_TRUE(fs::is_directory(documents_ / "TESK" / "PelyxConfigPro"));
  EXPECT_FALSE(fs::exists(path));  // located, not written
}

TEST_F(Settings, MissingParentsAreCreatedToo) {
  const fs::path documents = documents_ / "not" / "yet";
  const std::string path = LocateSettingsFile(documents.string());
  EXPECT_EQ(path, (documents / "TESK" / "PelyxConfigPro" / "TeskPelyxConfigPro.ini").string());
  EXPECT_TRUE(fs::is_directory(documents / "TESK" / "PelyxConfigPro"));
}

TEST_F(Settings, WhenTheFolderCannotBeMadeTheFileLiesInTheDocumentsFolder) {
  std::ofstream(documents_ / "TESK") << "a file where the folder would go";
  EXPECT_EQ(LocateSettingsFile(documents_.string()),
            (documents_ / "TeskPelyxConfigPro.ini").string());
}

TEST_F(Settings, AMissingFileKeyOrNumberGivesEnglish) {
  const std::string path = (documents_ / "TeskPelyxConfigPro.ini").string();
  EXPECT_EQ(ReadLanguageSetting(path), 0);
  for (const char* text :
       {"", "[VIEW]\n", "[VIEW]\nLanguage=\n", "[VIEW]\nLanguage=two\n", "[OTHER]\nLanguage=2\n"}) {
    std::ofstream(path, std::ios::trunc) << text;
    EXPECT_EQ(ReadLanguageSetting(path), 0) << text;
  }
}

TEST_F(Settings, StoredValuesAreReadAsTheyAre) {
  const std::string path = (documents_ / "TeskPelyxConfigPro.ini").string();
  for (int value : {0, 1, 2, 7, -1}) {
    std::ofstream(path, std::ios::trunc) << "[view]\r\nlanguage = " << value << "\r\n";
    EXPECT_EQ(ReadLanguageSetting(path), value);
  }
}

TEST_F(Settings, WritingCreatesTheFileWithTheSectionAndKey) {
  const std::string path = LocateSettingsFile(documents_.string());
  ASSERT_TRUE(WriteLanguageSetting(path, 0));
  EXPECT_EQ(Read(path), "[VIEW]\nLanguage=0\n");
  EXPECT_EQ(ReadLanguageSetting(path), 0);
  ASSERT_TRUE(WriteLanguageSetting(path, 2));
  EXPECT_EQ(ReadLanguageSetting(path), 2);
}

TEST_F(Settings, WritingKeepsTheRestOfTheFile) {
  const std::string path = (documents_ / "TeskPelyxConfigPro.ini").string();
  std::ofstream(path) << "; kept\r\n[WINDOW]\r\nLeft=10\r\n[VIEW]\r\nLanguage=7\r\nZoom=2\r\n";
  ASSERT_TRUE(WriteLanguageSetting(path, 0));
  EXPECT_EQ(Read(path), "; kept\r\n[WINDOW]\r\nLeft=10\r\n[VIEW]\r\nLanguage=0\r\nZoom=2\r\n");
}

TEST_F(Settings, WritingIntoAMissingFolderFails) {
  const std::string path = (documents_ / "gone" / "TeskPelyxConfigPro.ini").string();
  EXPECT_FALSE(WriteLanguageSetting(path, 0));
  EXPECT_FALSE(fs::exists(path));
}

TEST_F(Settings, AFileThatCannotBeReadIsNotReplaced) {
  const fs::path path = documents_ / "TeskPelyxConfigPro.ini";
  fs::create_directories(path);  // a folder in its place
  EXPECT_FALSE(WriteLanguageSetting(path.string(), 1));
  EXPECT_TRUE(fs::is_directory(path));
}

struct ChoiceCase {
  int stored;
  int language;
};

class LanguageChoice : public testing::TestWithParam<ChoiceCase> {};

TEST_P(LanguageChoice, OnlyOneAndTwoAreNotEnglish) {
  EXPECT_EQ(LanguageFromSetting(GetParam().stored), GetParam().language);
  EXPECT_EQ(LanguageRowOf(GetParam().stored).index, GetParam().language);
}

INSTANTIATE_TEST_SUITE_P(Values, LanguageChoice,
                         testing::Values(ChoiceCase{0, 0}, ChoiceCase{1, 1}, ChoiceCase{2, 2},
                                         ChoiceCase{3, 0}, ChoiceCase{7, 0}, ChoiceCase{-1, 0},
                                         ChoiceCase{INT32_MIN, 0}));

TEST(Languages, TheTableNamesFilesAndCharacterSets) {
  EXPECT_EQ(kLanguages[0].languageFile, "Lang/Lang-EN.ini");
  EXPECT_EQ(kLanguages[0].readMeFile, "Lang/ReadMe-EN_TESKMARINE.txt");
  EXPECT_EQ(kLanguages[0].fontCharset, 238);
  EXPECT_EQ(kLanguages[1].languageFile, "Lang/Lang-TW.ini");
  EXPECT_EQ(kLanguages[1].readMeFile, "Lang/ReadMe-TW.txt");
  EXPECT_EQ(kLanguages[1].fontCharset, 136);
  EXPECT_EQ(kLanguages[2].languageFile, "Lang/Lang-CN.ini");
  EXPECT_EQ(kLanguages[2].readMeFile, "Lang/ReadMe-CN.txt");
  EXPECT_EQ(kLanguages[2].fontCharset, 134);
  for (int i = 0; i < kLanguageCount; ++i) EXPECT_EQ(kLanguages[i].index, i);
}

}  // namespace
}  // namespace pelyx::app
