#include "ais/payload.h"

#include "ais/message.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pelyx::ais {
namespace {

struct F {
  const char* formatter;
  int total, number, sequenceId;  // sequenceId -128: empty
  const char* text;
  int fillBits;
  Fragment get() const {
    Fragment f{};
    std::snprintf(f.formatter, sizeof f.formatter, "%s", formatter);
    f.total = static_cast<int8_t>(total);
    f.number = static_cast<int8_t>(number);
    f.sequenceId = static_cast<int8_t>(sequenceId);
    f.channel = 'A';
    f.text = text;
    f.fillBits = static_cast<int8_t>(fillBits);
    return f;
  }
};

TEST(PayloadAssembly, CompletesOnlyInOrder) {
  struct Case {
    const char* name;
    std::vector<F> fragments;
    std::vector<bool> complete;
    std::string text;  // pending text after the last fragment
    int fillBits;
  };
  const Case cases[] = {
      {"single", {{"VDM", 1, 1, -128, "ABC", 0}}, {true}, "ABC", 0},
      {"two in order",
       {{"VDM", 2, 1, 3, "AAAA", 0}, {"VDM", 2, 2, 3, "BB", 2}},
       {false, true},
       "AAAABB",
       2},
      {"out of order",
       {{"VDM", 2, 2, 3, "BB", 2}, {"VDM", 2, 1, 3, "AAAA", 0}},
       {false, false},
       "AAAA",
       0},
      {"other sequence id",
       {{"VDM", 2, 1, 3, "AAAA", 0}, {"VDM", 2, 2, 4, "BB", 2}},
       {false, false},
       "BB",
       2},
      {"VDO does not continue VDM",
       {{"VDM", 2, 1, 3, "AAAA", 0}, {"VDO", 2, 2, 3, "BB", 2}},
       {false, false},
       "BB",
       2},
      {"single in between replaces",
       {{"VDM", 2, 1, 3, "AAAA", 0}, {"VDM", 1, 1, -128, "S", 0}, {"VDM", 2, 2, 3, "BB", 2}},
       {false, true, false},
       "BB",
       2},
      {"repeated fragment is no continuation",
       {{"VDM", 2, 1, 3, "AAAA", 0}, {"VDM", 2, 1, 3, "AAAA", 0}, {"VDM", 2, 2, 3, "BB", 2}},
       {false, false, true},
       "AAAABB",
       2},
      {"repeated single completes again",
       {{"VDM", 1, 1, -128, "S", 0}, {"VDM", 1, 1, -128, "S", 0}},
       {true, true},
       "S",
       0},
      {"empty ids match",
       {{"VDM", 2, 1, -128, "AA", 0}, {"VDM", 2, 2, -128, "BB", 4}},
       {false, true},
       "AABB",
       4},
      {"three fragments",
       {{"VDO", 3, 1, 9, "A", 0}, {"VDO", 3, 2, 9, "B", 0}, {"VDO", 3, 3, 9, "C", 4}},
       {false, false, true},
       "ABC",
       4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PayloadAssembler a;
    for (size_t i = 0; i < c.fragments.size(); ++i) {
      EXPECT_EQ(a.assemble(c.fragments[i].get()), c.complete[i]) << "fragment " << i;
    }
    EXPECT_EQ(std::string(a.pending().text), c.text);
    EXPECT_EQ(a.pending().fillBits, c.fillBits);
  }
}

TEST(PayloadAssembly, DiscardBreaksOffTheMessage) {
  PayloadAssembler a;
  EXPECT_FALSE(a.assemble(F{"VDM", 2, 1, 3, "AAAA", 0}.get()));
  a.discard();
  EXPECT_FALSE(a.assemble(F{"VDM", 2, 2, 3, "BB", 2}.get()));
  EXPECT_EQ(a.pending().lastNumber, 2);
  EXPECT_STREQ(a.pending().formatter, "VDM");
}

TEST(PayloadAssembly, OverlongMessageIsDroppedWithoutOverflow) {
  PayloadAssembler a;
  const std::string text63(63, 'w');
  const std::string t[] = {text63, text63, text63};
  EXPECT_FALSE(a.assemble(F{"VDM", 3, 1, 1, t[0].c_str(), 0}.get()));
  EXPECT_FALSE(a.assemble(F{"VDM", 3, 2, 1, t[1].c_str(), 0}.get()));
  // 189 characters would not fit the 172 of the pending text: the message is dropped.
  EXPECT_FALSE(a.assemble(F{"VDM", 3, 3, 1, t[2].c_str(), 0}.get()));
  EXPECT_EQ(a.pending().total, 0);
  EXPECT_STREQ(a.pending().text, "");
}

PendingPayload Pending(const std::string& text, int fillBits) {
  PendingPayload p{};
  std::snprintf(p.text, sizeof p.text, "%s", text.c_str());
  p.fillBits = static_cast<int8_t>(fillBits);
  return p;
}

TEST(Dearmour, SixBitsPerCharacterLessTheFillBits) {
  struct Case {
    std::string text;
    int fillBits;
    bool ok;
    int bitCount;
  } cases[] = {
      {std::string(28, '0'), 0, true, 168},
      {std::string(27, '0'), 2, true, 160},
      {"00", 4, true, 8},
      {std::string(29, '0'), 0, true, 174},  // the 29th character counts
      {std::string(27, '0'), 0, true, 162},  // message 24 part A as Class B units send it
      {std::string(28, '0'), 2, true, 166},
      {std::string(31, '0'), 4, true, 182},
      {"0", 4, true, 2},
      {"0", 5, true, 1},
      {"000", 1, true, 17},
      {"000", 3, true, 15},
      {"000", 5, true, 13},
      {"", 0, true, 0},
      {std::string(168, '0'), 0, true, 1008},
      {std::string(170, '0'), 4, true, 1016},
      {std::string(171, '0'), 2, true, 1024},
      {std::string(172, '0'), 0, true, 1032},  // the longest text the assembly joins
      {"000", 6, false, 0},
      {"000", -1, false, 0},
      {"000", -128, false, 0},  // an empty fill-bit field
      {"", 1, false, 0},        // more fill bits than the text has
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.text.size()) + " chars, fill " + std::to_string(c.fillBits));
    PayloadBits bits;
    EXPECT_EQ(dearmour(Pending(c.text, c.fillBits), bits), c.ok);
    if (c.ok) {
      EXPECT_EQ(bits.bitCount, c.bitCount);
    }
  }
}

// The bits of every character, most significant first, then zero from the first fill
// bit on: "www" is 18 one bits, "wwwww" 30.
TEST(Dearmour, FillBitsAndEverythingAfterThemReadZero) {
  for (int chars : {1, 2, 3, 4, 5}) {
    for (int fill = 0; fill <= 5; ++fill) {
      if (6 * chars < fill) continue;
      SCOPED_TRACE(std::to_string(chars) + " chars, fill " + std::to_string(fill));
      PayloadBits bits;
      ASSERT_TRUE(dearmour(Pending(std::string(chars, 'w'), fill), bits));
      const int count = 6 * chars - fill;
      ASSERT_EQ(bits.bitCount, count);
      for (int n = 0; n < 48; ++n) EXPECT_EQ(readBits(bits, n, 1), n < count ? 1u : 0u) << n;
    }
  }
}

// Where whole groups of four characters, or the tail of three (fill 2) or two (fill 4)
// characters, already gave the bits, the bits are the same; the characters that used to
// be left over only add bits after them.
TEST(Dearmour, CharactersBeyondTheFormerTailOnlyAddBits) {
  const std::string text = "H3KLehQ=DtddT00000000000000w`P0";
  struct Case {
    size_t chars;
    int fill;
    int formerBits;
  } cases[] = {{27, 0, 144}, {29, 0, 168}, {30, 0, 168}, {31, 0, 168}, {31, 4, 176}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.chars) + " chars, fill " + std::to_string(c.fill));
    PayloadBits whole, former;
    ASSERT_TRUE(dearmour(Pending(text.substr(0, c.chars), c.fill), whole));
    // The former bits: the text cut to what the groups and the tail used.
    const size_t used = c.fill == 4 ? c.chars - 1 : c.chars / 4 * 4;
    ASSERT_TRUE(dearmour(Pending(text.substr(0, used), c.fill), former));
    EXPECT_EQ(former.bitCount, c.formerBits);
    EXPECT_EQ(whole.bitCount, 6 * c.chars - c.fill);
    for (int n = 0; n < c.formerBits; n += 8) {
      EXPECT_EQ(readBits(whole, n, 8), readBits(former, n, 8)) << n;
    }
  }
}

TEST(Dearmour, CharacterValuesAndBitOrder) {
  // '0' 0, 'W' 39, '`' 40, 'w' 63; "1P`w" = 000001 100000 101000 111111.
  PayloadBits bits;
  ASSERT_TRUE(dearmour(Pending("1P`w", 0), bits));
  EXPECT_EQ(bits.data[0], 0x06);
  EXPECT_EQ(bits.data[1], 0x0A);
  EXPECT_EQ(bits.data[2], 0x3F);
  // Fill 2: 16 bits from three characters, the last one's low two bits dropped.
  EXPECT_FALSE(dearmour(Pending("wwx", 2), bits));
  ASSERT_TRUE(dearmour(Pending("www", 2), bits));
  EXPECT_EQ(bits.data[0], 0xFF);
  EXPECT_EQ(bits.data[1], 0xFF);
  EXPECT_EQ(bits.data[2], 0x00);
  ASSERT_TRUE(dearmour(Pending("w0", 4), bits));
  EXPECT_EQ(bits.data[0], 0xFC);
  EXPECT_EQ(bits.data[1], 0x00);
}

TEST(Dearmour, InvalidCharactersFail) {
  for (char c : std::string("XYZ[\\]^_/ x~\x7f")) {
    SCOPED_TRACE(static_cast<int>(c));
    PayloadBits bits;
    EXPECT_FALSE(dearmour(Pending(std::string("000") + c, 0), bits));
  }
  for (int v = 0; v < 64; ++v) {
    char c = static_cast<char>(v < 40 ? v + 48 : v + 56);
    EXPECT_EQ(ArmourValue(c), v);
  }
}

}  // namespace
}  // namespace pelyx::ais
