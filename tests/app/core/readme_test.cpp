#include "app/core/readme.h"

#include <gtest/gtest.h>

#include "app/core/text_encoding.h"

namespace pelyx::app {
namespace {

using Lines = std::vector<std::string>;

TEST(ReadMeLines, StartWithAnEmptyLine) {
  EXPECT_EQ(ReadMeLines(""), Lines{""});
  EXPECT_EQ(ReadMeLines("one\ntwo\n"), (Lines{"", "one", "two"}));
  EXPECT_EQ(ReadMeLines("one\r\n\r\nthree"), (Lines{"", "one", "", "three"}));
}

struct SplitCase {
  size_t length;
  Lines::size_type pieces;
  size_t last;
};

class ReadMeSplit : public testing::TestWithParam<SplitCase> {};

TEST_P(ReadMeSplit, CutsLongLinesIntoPiecesOf499) {
  const SplitCase& c = GetParam();
  Lines lines = ReadMeLines(std::string(c.length, 'r') + "\r\nnext\r\n");
  ASSERT_EQ(lines.size(), c.pieces + 2) << c.length;
  for (Lines::size_type i = 1; i < c.pieces; ++i) EXPECT_EQ(lines[i].size(), 499u);
  EXPECT_EQ(lines[c.pieces].size(), c.last);
  EXPECT_EQ(lines.back(), "next");
}

INSTANTIATE_TEST_SUITE_P(Lengths, ReadMeSplit,
                         testing::Values(SplitCase{1, 1, 1}, SplitCase{498, 1, 498},
                                         SplitCase{499, 1, 499}, SplitCase{500, 2, 1},
                                         SplitCase{600, 2, 101}, SplitCase{998, 2, 499},
                                         SplitCase{1200, 3, 202}));

TEST(ReadMeLines, CountCharactersNotBytes) {
  std::string line;
  for (int i = 0; i < 600; ++i) line += "\xE8\xAA\xAA";  // 說
  Lines lines = ReadMeLines(line);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(Utf8Length(lines[1]), 499u);
  EXPECT_EQ(Utf8Length(lines[2]), 101u);
}

}  // namespace
}  // namespace pelyx::app
