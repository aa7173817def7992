// The six-bit encoder against the AIS decoder: what goes in as fields comes out of the
// de-armouring and the layout decoder unchanged.
#include "ais/encoder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ais/message.h"
#include "ais/payload.h"
#include "sim_test_support.h"

namespace pelyx::ais {
namespace {

using sim::test::Decodes;
using sim::test::Text;

// De-armours an armoured payload as the intake does.
PayloadBits Dearmour(const ArmouredPayload& a) {
  PendingPayload p{};
  EXPECT_LT(a.text.size(), sizeof p.text);
  a.text.copy(p.text, sizeof p.text - 1);
  p.fillBits = static_cast<int8_t>(a.fillBits);
  PayloadBits bits{};
  EXPECT_TRUE(dearmour(p, bits)) << a.text << " fill " << a.fillBits;
  return bits;
}

TEST(ArmourCharacter, CoversTheSixBitAlphabet) {
  struct Case {
    unsigned value;
    char armour;
  };
  for (const Case& c : std::vector<Case>{
           {0, '0'}, {9, '9'}, {10, ':'}, {39, 'W'}, {40, '`'}, {63, 'w'}, {64, '0'}, {103, 'W'}}) {
    EXPECT_EQ(ArmourCharacter(c.value), c.armour) << c.value;
  }
  for (unsigned v = 0; v < 64; ++v) EXPECT_EQ(ArmourValue(ArmourCharacter(v)), static_cast<int>(v));
}

TEST(SixBitCode, MapsTextCharacters) {
  struct Case {
    char c;
    unsigned code;
  };
  for (const Case& c : std::vector<Case>{{'@', 0},
                                         {'A', 1},
                                         {'Z', 26},
                                         {'_', 31},
                                         {' ', 32},
                                         {'0', 48},
                                         {'?', 63},
                                         {'a', 1},
                                         {'z', 26},
                                         {'~', 63},
                                         {'\x01', 63}}) {
    EXPECT_EQ(SixBitCode(c.c), c.code) << static_cast<int>(c.c);
  }
}

TEST(PayloadEncoder, FillBitsFollowTheBitCount) {
  struct Case {
    int bits;
    size_t chars;
    int fill;
  };
  for (const Case& c : std::vector<Case>{{168, 28, 0},
                                         {160, 27, 2},
                                         {424, 71, 2},
                                         {312, 52, 0},
                                         {360, 60, 0},
                                         {8, 2, 4},
                                         {6, 1, 0},
                                         {1, 1, 5}}) {
    PayloadEncoder e;
    for (int i = 0; i < c.bits; ++i) e.Unsigned(1, 1);
    ArmouredPayload a = e.Armour();
    EXPECT_EQ(e.BitCount(), static_cast<size_t>(c.bits));
    EXPECT_EQ(a.text.size(), c.chars) << c.bits;
    EXPECT_EQ(a.fillBits, c.fill) << c.bits;
  }
}

TEST(PayloadEncoder, FieldsReadBackBitForBit) {
  struct Field {
    uint32_t value;
    int width;
  };
  const std::vector<Field> fields = {{1, 6},           {3, 2}, {366123456, 30}, {0x3FFFFFFF, 30},
                                     {0, 1},           {1, 1}, {0xABCDE, 20},   {0xFFFFFFFF, 32},
                                     {0x12345678, 32}, {5, 3}, {0, 9}};
  PayloadEncoder e;
  int total = 0;
  for (const Field& f : fields) {
    e.Unsigned(f.value, f.width);
    total += f.width;
  }
  while (total % 8 != 0) {
    e.Unsigned(0, 1);
    ++total;
  }
  const PayloadBits bits = Dearmour(e.Armour());
  ASSERT_EQ(bits.bitCount, total);
  int position = 0;
  for (const Field& f : fields) {
    const uint32_t mask = f.width == 32 ? 0xFFFFFFFFu : (1u << f.width) - 1;
    EXPECT_EQ(readBits(bits, position, f.width), f.value & mask) << "at " << position;
    position += f.width;
  }
}

TEST(PayloadEncoder, SignedValuesAreTwosComplement) {
  for (int32_t v : {-1, -2, -108000000, 108000000, -54000000, 0}) {
    PayloadEncoder e;
    e.Signed(v, 28).Unsigned(0, 4);
    const PayloadBits bits = Dearmour(e.Armour());
    uint32_t raw = readBits(bits, 0, 28);
    int32_t back = static_cast<int32_t>(raw << 4) >> 4;
    EXPECT_EQ(back, v);
  }
}

TEST(PayloadEncoder, TextIsCutOrFilledWithAt) {
  struct Case {
    const char* in;
    int chars;
    const char* out;
  };
  for (const Case& c : std::vector<Case>{{"ABC", 5, "ABC@@"},
                                         {"LONGER NAME", 6, "LONGER"},
                                         {"sea breeze", 10, "SEA BREEZE"},
                                         {"", 2, "@@"}}) {
    PayloadEncoder e;
    e.Unsigned(14, 6).Unsigned(0, 2).Unsigned(123456789, 30).Unsigned(0, 2).Text(c.in, c.chars);
    while (e.BitCount() % 8 != 0) e.Unsigned(0, 1);
    const PayloadBits bits = Dearmour(e.Armour());
    DecodedMessage m{};
    ASSERT_TRUE(decodeMessage(bits, m));
    DecodedReader r(m);
    ASSERT_TRUE(r.valid());
    EXPECT_EQ(std::string(r.text(4)).substr(0, std::string(c.out).size()), c.out) << c.in;
  }
}

TEST(Encapsulate, SplitsIntoSentencesOfAtMostTheGivenLength) {
  struct Case {
    size_t chars;
    size_t per;
    size_t sentences;
  };
  for (const Case& c : std::vector<Case>{{28, 60, 1},
                                         {60, 60, 1},
                                         {61, 60, 2},
                                         {71, 60, 2},
                                         {120, 60, 2},
                                         {121, 60, 3},
                                         {30, 10, 3}}) {
    ArmouredPayload a{std::string(c.chars, '5'), 2};
    Encapsulation how;
    how.maxTextPerSentence = c.per;
    how.sequenceId = c.sentences > 1 ? 7 : -1;
    std::vector<std::string> lines = Encapsulate(a, how);
    ASSERT_EQ(lines.size(), c.sentences) << c.chars;
    std::string joined;
    for (size_t n = 0; n < lines.size(); ++n) {
      SentenceRecord record{};
      ASSERT_TRUE(Decodes(lines[n], &record)) << lines[n];
      const EncapsulationFields& v = record.payload.encap;
      EXPECT_EQ(v.total, static_cast<int>(c.sentences));
      EXPECT_EQ(v.number, static_cast<int>(n + 1));
      EXPECT_EQ(v.sequenceId, c.sentences > 1 ? 7 : kNoInt8);
      EXPECT_EQ(v.channel, 'A');
      EXPECT_EQ(v.fillBits, n + 1 == lines.size() ? 2 : 0);
      EXPECT_LE(std::string(v.payload).size(), c.per);
      joined += v.payload;
    }
    EXPECT_EQ(joined, a.text);
  }
}

TEST(Encapsulate, WritesTalkerFormatterAndEmptyFields) {
  ArmouredPayload a{"13u?etPv2;0n:dDPwUM1U1Cb069D", 0};
  Encapsulation how;
  how.formatter = "VDO";
  how.channel = 0;
  std::vector<std::string> lines = Encapsulate(a, how);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(Text(lines[0]).substr(0, 17), "!AIVDO,1,1,,,13u?");
  EXPECT_EQ(lines[0].substr(lines[0].size() - 2), "\r\n");
  EXPECT_TRUE(Decodes(lines[0]));
}

TEST(Encapsulate, RefusesMoreThanNineSentences) {
  ArmouredPayload a{std::string(91, '0'), 0};
  Encapsulation how;
  how.maxTextPerSentence = 10;
  EXPECT_TRUE(Encapsulate(a, how).empty());
  how.maxTextPerSentence = 0;
  EXPECT_TRUE(Encapsulate(a, how).empty());
  a.text.resize(90);
  how.maxTextPerSentence = 10;
  EXPECT_EQ(Encapsulate(a, how).size(), 9u);
}

TEST(Encapsulate, MultiSentenceMessageCompletesThroughTheIntake) {
  PayloadEncoder e;
  e.Unsigned(5, 6).Unsigned(0, 2).Unsigned(211004560, 30);
  while (e.BitCount() < 424) e.Unsigned(0, 1);
  Encapsulation how;
  how.channel = 'B';
  how.sequenceId = 3;
  sim::test::ToolIntake intake;
  for (const std::string& line : Encapsulate(e.Armour(), how)) EXPECT_TRUE(intake.Take(line));
  ASSERT_EQ(intake.CompletedMessages().size(), 1u);
  EXPECT_EQ(intake.CompletedMessages()[0].type, 5);
  EXPECT_EQ(intake.CompletedMessages()[0].mmsi, 211004560u);
  EXPECT_EQ(intake.Counters().channelB, 1);
}

}  // namespace
}  // namespace pelyx::ais
