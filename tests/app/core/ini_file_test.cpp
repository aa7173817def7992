#include "app/core/ini_file.h"

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

namespace pelyx::app {
namespace {

namespace fs = std::filesystem;

struct FindCase {
  const char* name;
  const char* text;
  const char* section;
  const char* key;
  std::optional<std::string> expected;
};

class IniFind : public testing::TestWithParam<FindCase> {};

TEST_P(IniFind, FindsWhatTheRulesSay) {
  const FindCase& c = GetParam();
  EXPECT_EQ(IniFile::Parse(c.text).Find(c.section, c.key), c.expected) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Rules, IniFind,
    testing::Values(
        FindCase{"plain", "[MENU]\nFile=File(&F)\n", "MENU", "File", "File(&F)"},
        FindCase{"section case", "[menu]\nFile=x\n", "MENU", "File", "x"},
        FindCase{"key case", "[MENU]\nfILE=x\n", "MENU", "File", "x"},
        FindCase{"blanks around value", "[MENU]\nFile =  \t spaced out \t \n", "MENU", "File",
                 "spaced out"},
        FindCase{"blanks around names", "  [ MENU ]  \n   File=x\n", "MENU", "File", "x"},
        FindCase{"empty value is present", "[MENU]\nFile=\n", "MENU", "File", ""},
        FindCase{"blank value is present", "[MENU]\nFile=   \n", "MENU", "File", ""},
        FindCase{"missing key", "[MENU]\nHelp=x\n", "MENU", "File", std::nullopt},
        FindCase{"missing section", "[OTHER]\nFile=x\n", "MENU", "File", std::nullopt},
        FindCase{"key of another section", "[A]\nFile=a\n[B]\nHelp=b\n", "B", "File", std::nullopt},
        FindCase{"value with equals", "[A]\nk=a=b\n", "A", "k", "a=b"},
        FindCase{"value with brackets", "[A]\nk=[x]\n", "A", "k", "[x]"},
        FindCase{"comment line", "[A]\n;k=1\nk=2\n", "A", "k", "2"},
        FindCase{"line without equals", "[A]\nk\n", "A", "k", std::nullopt},
        FindCase{"key before any section", "k=1\n[A]\n", "A", "k", std::nullopt},
        FindCase{"first occurrence", "[A]\nk=1\nk=2\n", "A", "k", "1"},
        FindCase{"CR LF", "[A]\r\nk=v\r\n", "A", "k", "v"},
        FindCase{"no final line end", "[A]\nk=v", "A", "k", "v"},
        FindCase{"byte order mark", "\xEF\xBB\xBF[A]\nk=v\n", "A", "k", "v"},
        FindCase{"unclosed section", "[A\nk=v\n", "A", "k", "v"},
        FindCase{"UTF-8 value", "[A]\nk=\xE6\xAA\x94\xE6\xA1\x88\n", "A", "k",
                 "\xE6\xAA\x94\xE6\xA1\x88"}),
    [](const testing::TestParamInfo<FindCase>& info) {
      std::string name = info.param.name;
      for (char& ch : name) {
        if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
      }
      return name;
    });

TEST(IniFile, ReadStringGivesTheFallbackOnlyForAMissingKey) {
  IniFile ini = IniFile::Parse("[A]\nempty=\n");
  EXPECT_EQ(ini.ReadString("A", "empty", "old"), "");
  EXPECT_EQ(ini.ReadString("A", "missing", "old"), "old");
}

TEST(IniFile, ValuesAreCutAt2047Characters) {
  std::string ascii(3000, 'x');
  EXPECT_EQ(IniFile::Parse("[A]\nk=" + ascii + "\n").Find("A", "k")->size(), 2047u);
  // A two-byte character 3000 times: 2047 characters, never half a character.
  std::string wide;
  for (int i = 0; i < 3000; ++i) wide += "\xC3\xA9";
  std::string value = *IniFile::Parse("[A]\nk=" + wide + "\n").Find("A", "k");
  EXPECT_EQ(value.size(), 2047u * 2);
  EXPECT_EQ(IniFile::Parse("[A]\nk=" + std::string(2047, 'y')).Find("A", "k")->size(), 2047u);
}

struct IntegerCase {
  const char* value;
  int32_t expected;
};

class IniInteger : public testing::TestWithParam<IntegerCase> {};

TEST_P(IniInteger, ReadsDecimalIntegersOnly) {
  IniFile ini = IniFile::Parse(std::string("[VIEW]\nLanguage=") + GetParam().value + "\n");
  EXPECT_EQ(ini.ReadInteger("VIEW", "Language", -99), GetParam().expected) << GetParam().value;
}

INSTANTIATE_TEST_SUITE_P(
    Values, IniInteger,
    testing::Values(IntegerCase{"0", 0}, IntegerCase{"1", 1}, IntegerCase{"7", 7},
                    IntegerCase{" 2 ", 2}, IntegerCase{"-3", -3}, IntegerCase{"+4", 4},
                    IntegerCase{"2147483647", 2147483647}, IntegerCase{"-2147483648", INT32_MIN},
                    IntegerCase{"2147483648", -99}, IntegerCase{"", -99}, IntegerCase{"1x", -99},
                    IntegerCase{"x1", -99}, IntegerCase{"-", -99}, IntegerCase{"0x10", -99},
                    IntegerCase{"99999999999999999999", -99}));

TEST(IniFile, MissingIntegerGivesTheFallback) {
  EXPECT_EQ(IniFile::Parse("").ReadInteger("VIEW", "Language", 5), 5);
}

TEST(IniFile, WriteReplacesAValueAndKeepsEveryOtherLine) {
  IniFile ini = IniFile::Parse("; settings\n[VIEW]\nLanguage=2\nOther=x\n\n[MORE]\nk=v\n");
  ASSERT_TRUE(ini.WriteInteger("view", "language", 0));
  EXPECT_EQ(ini.Serialize(), "; settings\n[VIEW]\nLanguage=0\nOther=x\n\n[MORE]\nk=v\n");
}

TEST(IniFile, WriteAddsAMissingKeyAfterTheSectionsLastEntry) {
  IniFile ini = IniFile::Parse("[VIEW]\nOther=x\n\n[MORE]\nk=v\n");
  ASSERT_TRUE(ini.WriteInteger("VIEW", "Language", 1));
  EXPECT_EQ(ini.Serialize(), "[VIEW]\nOther=x\nLanguage=1\n\n[MORE]\nk=v\n");
  EXPECT_EQ(IniFile::Parse(ini.Serialize()).ReadInteger("VIEW", "Language", -1), 1);
}

TEST(IniFile, WriteAddsAMissingSectionAtTheEnd) {
  IniFile empty;
  ASSERT_TRUE(empty.WriteInteger("VIEW", "Language", 0));
  EXPECT_EQ(empty.Serialize(), "[VIEW]\nLanguage=0\n");

  IniFile other = IniFile::Parse("[MORE]\nk=v");
  ASSERT_TRUE(other.WriteString("VIEW", "Language", "2"));
  EXPECT_EQ(other.Serialize(), "[MORE]\nk=v\n\n[VIEW]\nLanguage=2\n");
}

TEST(IniFile, WriteKeepsCrLfLineEnds) {
  IniFile ini = IniFile::Parse("[VIEW]\r\nLanguage=1\r\n");
  ASSERT_TRUE(ini.WriteString("VIEW", "Extra", "e"));
  EXPECT_EQ(ini.Serialize(), "[VIEW]\r\nLanguage=1\r\nExtra=e\r\n");
}

TEST(IniFile, UntouchedTextSerializesUnchanged) {
  for (const char* text : {"", "[A]\nk=v\n", "[A]\r\nk=v", "  ; note\n\n[A]\n  k = v  \n"}) {
    EXPECT_EQ(IniFile::Parse(text).Serialize(), text);
  }
}

TEST(IniFile, WriteRefusesWhatALineCannotHold) {
  IniFile ini = IniFile::Parse("[A]\nk=v\n");
  const std::string before = ini.Serialize();
  EXPECT_FALSE(ini.WriteString("", "k", "v"));
  EXPECT_FALSE(ini.WriteString("A]", "k", "v"));
  EXPECT_FALSE(ini.WriteString("A\nB", "k", "v"));
  EXPECT_FALSE(ini.WriteString("A", "", "v"));
  EXPECT_FALSE(ini.WriteString("A", "k=j", "v"));
  EXPECT_FALSE(ini.WriteString("A", ";k", "v"));
  EXPECT_FALSE(ini.WriteString("A", "[k", "v"));
  EXPECT_FALSE(ini.WriteString("A", "k", "line\n[B]\nk=injected"));
  EXPECT_FALSE(ini.WriteString("A", "k", "cr\rvalue"));
  EXPECT_EQ(ini.Serialize(), before);
}

class IniFiles : public testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() /
              ("pelyx-ini-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
               "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder_);
    fs::create_directories(folder_);
  }
  void TearDown() override { fs::remove_all(folder_); }
  fs::path folder_;
};

TEST_F(IniFiles, WriteThenReadGivesTheSameBytes) {
  const std::string path = (folder_ / "a.ini").string();
  const std::string bytes = std::string("[A]\r\nk=\xA4\xA4\x00z\r\n", 13);
  ASSERT_TRUE(WriteFileAtomically(path, bytes));
  std::string read;
  ASSERT_TRUE(ReadFileBytes(path, read));
  EXPECT_EQ(read, bytes);
  EXPECT_FALSE(fs::exists(path + ".tmp"));
}

TEST_F(IniFiles, WriteReplacesTheWholeFile) {
  const std::string path = (folder_ / "a.ini").string();
  ASSERT_TRUE(WriteFileAtomically(path, std::string(1000, 'x')));
  ASSERT_TRUE(WriteFileAtomically(path, "short"));
  std::string read;
  ASSERT_TRUE(ReadFileBytes(path, read));
  EXPECT_EQ(read, "short");
}

TEST_F(IniFiles, WriteIntoAMissingFolderFailsAndLeavesNothing) {
  const std::string path = (folder_ / "missing" / "a.ini").string();
  EXPECT_FALSE(WriteFileAtomically(path, "x"));
  EXPECT_FALSE(fs::exists(path));
}

TEST_F(IniFiles, WriteOverAFolderFailsAndLeavesNoTemporaryFile) {
  const fs::path target = folder_ / "a.ini";
  fs::create_directories(target / "inside");
  EXPECT_FALSE(WriteFileAtomically(target.string(), "x"));
  EXPECT_TRUE(fs::is_directory(target));
  EXPECT_FALSE(fs::exists(target.string() + ".tmp"));
}

TEST_F(IniFiles, ReadRefusesMissingFilesFoldersAndOversizedFiles) {
  std::string bytes = "unchanged";
  EXPECT_FALSE(ReadFileBytes((folder_ / "none.ini").string(), bytes));
  EXPECT_FALSE(ReadFileBytes(folder_.string(), bytes));
  const std::string big = (folder_ / "big.ini").string();
  std::ofstream(big) << std::string(2048, 'x');
  EXPECT_FALSE(ReadFileBytes(big, bytes, 2047));
  EXPECT_EQ(bytes, "unchanged");
  EXPECT_TRUE(ReadFileBytes(big, bytes, 2048));
  EXPECT_EQ(bytes.size(), 2048u);
}

}  // namespace
}  // namespace pelyx::app
