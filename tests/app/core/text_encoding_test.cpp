#include "app/core/text_encoding.h"

#include <gtest/gtest.h>

namespace pelyx::app {
namespace {

struct CharsetCase {
  const char* charset;
  std::string encoded;
  std::string utf8;
};

class Charsets : public testing::TestWithParam<CharsetCase> {};

TEST_P(Charsets, ConvertBothWays) {
  const CharsetCase& c = GetParam();
  EXPECT_EQ(ToUtf8(c.encoded, c.charset), c.utf8) << c.charset;
  EXPECT_EQ(FromUtf8(c.utf8, c.charset), c.encoded) << c.charset;
}

// 檔案 (file) in Big5 is C0 C9 AE D7; 文件 in GB2312 is CE C4 BC FE; the Czech š in code
// page 1250 is 9A.
INSTANTIATE_TEST_SUITE_P(
    Languages, Charsets,
    testing::Values(CharsetCase{"CP950", "\xC0\xC9\xAE\xD7(&F)", "\xE6\xAA\x94\xE6\xA1\x88(&F)"},
                    CharsetCase{"BIG5", "\xC0\xC9\xAE\xD7", "\xE6\xAA\x94\xE6\xA1\x88"},
                    CharsetCase{"CP936", "\xCE\xC4\xBC\xFE", "\xE6\x96\x87\xE4\xBB\xB6"},
                    CharsetCase{"GB2312", "\xCE\xC4\xBC\xFE", "\xE6\x96\x87\xE4\xBB\xB6"},
                    CharsetCase{"CP1250",
                                "ko\x9A"
                                "ile",
                                "ko\xC5\xA1ile"},
                    CharsetCase{"CP1250", "", ""}));

TEST(TextEncoding, InvalidBytesBecomeReplacementCharactersAndTheRestIsKept) {
  // A lone Big5 lead byte between two valid characters, and one at the very end.
  std::optional<std::string> text = ToUtf8(
      "\xC0\xC9"
      "a\xFF"
      "b\xC0",
      "CP950");
  ASSERT_TRUE(text.has_value());
  EXPECT_EQ(*text,
            "\xE6\xAA\x94"
            "a\xEF\xBF\xBD"
            "b\xEF\xBF\xBD");
}

TEST(TextEncoding, LongTextsConvertWhole) {
  std::string encoded;
  std::string utf8;
  for (int i = 0; i < 5000; ++i) {
    encoded += "\xC0\xC9";
    utf8 += "\xE6\xAA\x94";
  }
  EXPECT_EQ(ToUtf8(encoded, "CP950"), utf8);
}

TEST(TextEncoding, UnknownCharsetsAndUnrepresentableTextFail) {
  EXPECT_FALSE(ToUtf8("abc", "NO-SUCH-CHARSET").has_value());
  EXPECT_FALSE(FromUtf8("abc", "NO-SUCH-CHARSET").has_value());
  // 瞭 has no GB2312 code; a simplified text holding it cannot be written in GB2312.
  EXPECT_FALSE(FromUtf8("\xE7\x9E\xAD", "GB2312").has_value());
}

TEST(TextEncoding, LengthCountsCharacters) {
  EXPECT_EQ(Utf8Length(""), 0u);
  EXPECT_EQ(Utf8Length("abc"), 3u);
  EXPECT_EQ(Utf8Length("\xE6\xAA\x94\xE6\xA1\x88"), 2u);
  EXPECT_EQ(Utf8Length("a\xC3\xA9\xF0\x9F\x9A\xA2"), 3u);
}

TEST(TextEncoding, SplittingNeverCutsACharacter) {
  const std::string text =
      "ab\xE6\xAA\x94"
      "cd\xE6\xA1\x88";  // a b 檔 c d 案
  std::vector<std::string> pieces = SplitUtf8(text, 2);
  ASSERT_EQ(pieces.size(), 3u);
  EXPECT_EQ(pieces[0], "ab");
  EXPECT_EQ(pieces[1],
            "\xE6\xAA\x94"
            "c");
  EXPECT_EQ(pieces[2], "d\xE6\xA1\x88");
  EXPECT_EQ(SplitUtf8("", 5), std::vector<std::string>{""});
  EXPECT_EQ(SplitUtf8("abc", 3), std::vector<std::string>{"abc"});
  EXPECT_EQ(Utf8Prefix(text, 3), "ab\xE6\xAA\x94");
  EXPECT_EQ(Utf8Prefix(text, 100), text);
}

}  // namespace
}  // namespace pelyx::app
