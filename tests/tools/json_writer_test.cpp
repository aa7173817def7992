#include "tools/json_writer.h"

#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <random>
#include <string>

#include "tests/tools/json_check.h"

namespace pelyx::tools {
namespace {

using testing::JsonReader;
using testing::JsonValue;

std::string Quoted(std::string_view text) {
  std::string out;
  AppendJsonString(out, text);
  return out;
}

std::string FloatText(float value) {
  std::string out;
  AppendJsonFloat(out, value);
  return out;
}

struct EscapeCase {
  std::string input;
  const char* expected;
};

TEST(JsonString, EscapesEachByteClass) {
  using namespace std::string_literals;
  // clang-format off
  const EscapeCase cases[] = {
      {"",                   R"("")"},
      {"$GPGGA,1*5B",        R"("$GPGGA,1*5B")"},
      {" ~",                 R"(" ~")"},             // first and last printable
      {"\""s,                R"("\"")"},
      {"\\"s,                R"("\\")"},
      {"\x00"s,              R"("\u0000")"},
      {"\x01\x1f"s,          R"("\u0001\u001f")"},
      {"\t\n\r"s,            R"("\u0009\u000a\u000d")"},
      {"\x7f"s,              R"("\u007f")"},
      {"\x80\xa0\xff"s,      R"("\u0080\u00a0\u00ff")"},
      {"\xc3\xa9"s,          R"("\u00c3\u00a9")"},   // UTF-8 is escaped byte by byte too
      {"a\"b\\c\x00" "d"s,   R"("a\"b\\c\u0000d")"},
      {"/"s,                 R"("/")"},
  };
  // clang-format on
  for (const EscapeCase& c : cases) {
    EXPECT_EQ(Quoted(c.input), c.expected) << "input bytes: " << c.input.size();
  }
}

TEST(JsonString, EveryByteGivesPrintableAsciiThatReadsBack) {
  for (int b = 0; b < 256; ++b) {
    std::string input(1, static_cast<char>(b));
    std::string json = Quoted(input);
    for (char c : json) {
      auto u = static_cast<unsigned char>(c);
      ASSERT_TRUE(u >= 0x20 && u < 0x7F) << "byte " << b << " gave raw " << int{u};
    }
    JsonValue value;
    std::string error;
    ASSERT_TRUE(JsonReader::Parse(json, value, error)) << "byte " << b << ": " << error;
    ASSERT_EQ(value.type, JsonValue::Type::kString);
    EXPECT_EQ(value.text, input) << "byte " << b;
  }
}

TEST(JsonString, RandomBytesGiveValidJsonThatReadsBack) {
  std::mt19937 random(20261209);
  std::uniform_int_distribution<int> length(0, 300);
  std::uniform_int_distribution<int> byte(0, 255);
  for (int round = 0; round < 2000; ++round) {
    std::string input(static_cast<size_t>(length(random)), '\0');
    for (char& c : input) c = static_cast<char>(byte(random));
    // As a string value and as a key's value inside an object line.
    JsonWriter writer;
    writer.BeginObject();
    writer.Key("text");
    writer.String(input);
    writer.EndObject();
    JsonValue value;
    std::string error;
    ASSERT_TRUE(JsonReader::Parse(writer.Text(), value, error)) << error;
    const JsonValue* text = value.Find("text");
    ASSERT_NE(text, nullptr);
    ASSERT_EQ(text->text, input);
  }
}

struct FloatCase {
  float value;
  const char* expected;
};

TEST(JsonFloat, PrintsTheShortestText) {
  // clang-format off
  const FloatCase cases[] = {
      {0.0f,        "0"},
      {-0.0f,       "-0"},
      {0.1f,        "0.1"},
      {91.0f,       "91"},
      {181.0f,      "181"},
      {511.0f,      "511"},
      {-100000.0f,  "-1e+05"},           // scientific is one character shorter
      {123456.0f,   "123456"},
      {48.1173f,    "48.1173"},
      {-11.51667f,  "-11.51667"},
      {1.0f / 3.0f, "0.33333334"},
      {1e-05f,      "1e-05"},
      {FLT_MAX,     "3.4028235e+38"},
      {FLT_TRUE_MIN, "1e-45"},
      {16777217.0f, "16777216"},         // not representable: the float's own value
  };
  // clang-format on
  for (const FloatCase& c : cases) EXPECT_EQ(FloatText(c.value), c.expected) << c.expected;
}

TEST(JsonFloat, NonFiniteValuesGiveNull) {
  EXPECT_EQ(FloatText(std::numeric_limits<float>::quiet_NaN()), "null");
  EXPECT_EQ(FloatText(-std::numeric_limits<float>::quiet_NaN()), "null");
  EXPECT_EQ(FloatText(std::numeric_limits<float>::infinity()), "null");
  EXPECT_EQ(FloatText(-std::numeric_limits<float>::infinity()), "null");
}

// Significant digits of a text without an exponent ("0.0012" has 2).
int SignificantDigits(const std::string& text) {
  std::string digits;
  for (char c : text) {
    if (c < '0' || c > '9' || (digits.empty() && c == '0')) continue;
    digits += c;
  }
  return static_cast<int>(digits.size());
}

// The scientific text with the fewest significant digits that reads back to `value`
// (printf rounds correctly, so it is also the closest such text).
std::string ShortestScientific(float value) {
  char text[64];
  for (int digits = 1;; ++digits) {
    std::snprintf(text, sizeof text, "%.*e", digits - 1, static_cast<double>(value));
    if (std::strtof(text, nullptr) == value) return text;
  }
}

TEST(JsonFloat, RandomValuesReadBackExactlyAndNothingShorterDoes) {
  std::mt19937 random(7);
  for (int round = 0; round < 200000; ++round) {
    auto value = std::bit_cast<float>(static_cast<uint32_t>(random()));
    if (!std::isfinite(value)) continue;
    std::string text = FloatText(value);
    JsonValue parsed;
    std::string error;
    ASSERT_TRUE(JsonReader::Parse(text, parsed, error)) << text << ": " << error;
    ASSERT_EQ(parsed.type, JsonValue::Type::kNumber);
    float back = std::strtof(text.c_str(), nullptr);
    ASSERT_EQ(std::bit_cast<uint32_t>(back), std::bit_cast<uint32_t>(value)) << text;

    // Never longer than the shortest scientific text; when scientific, that very text;
    // when fixed with a fraction, no fewer digits would do.
    std::string scientific = ShortestScientific(value);
    ASSERT_LE(text.size(), scientific.size()) << text << " vs " << scientific;
    if (text.find('e') != std::string::npos) {
      ASSERT_EQ(text, scientific);
    } else if (text.find('.') != std::string::npos) {
      std::string mantissa = scientific.substr(0, scientific.find('e'));
      ASSERT_EQ(SignificantDigits(text), SignificantDigits(mantissa))
          << text << " vs " << scientific;
    }
  }
}

TEST(JsonInteger, PrintsTheFullRange) {
  std::string out;
  AppendJsonInt(out, std::numeric_limits<int64_t>::min());
  out += ' ';
  AppendJsonInt(out, -128);
  out += ' ';
  AppendJsonInt(out, 0);
  out += ' ';
  AppendJsonUint(out, std::numeric_limits<uint64_t>::max());
  EXPECT_EQ(out, "-9223372036854775808 -128 0 18446744073709551615");
}

TEST(JsonWriter, PlacesCommasInNestedValues) {
  JsonWriter w;
  w.BeginObject();
  w.Key("a");
  w.Int(1);
  w.Key("b");
  w.BeginArray();
  w.Uint(2);
  w.BeginObject();
  w.EndObject();
  w.BeginArray();
  w.EndArray();
  w.Null();
  w.EndArray();
  w.Key("c");
  w.BeginObject();
  w.Key("d");
  w.Bool(true);
  w.Key("e");
  w.Char('\0');
  w.Key("f");
  w.Char('x');
  w.EndObject();
  w.Key("g");
  w.Float(0.5f);
  w.EndObject();
  w.EndLine();
  w.BeginObject();
  w.Key("h");
  w.Bool(false);
  w.EndObject();
  w.EndLine();
  EXPECT_EQ(w.Text(),
            "{\"a\":1,\"b\":[2,{},[],null],\"c\":{\"d\":true,\"e\":\"\",\"f\":\"x\"},\"g\":0.5}\n"
            "{\"h\":false}\n");
}

TEST(JsonWriter, FlushWritesTheBufferAndEmptiesIt) {
  std::FILE* file = std::tmpfile();
  ASSERT_NE(file, nullptr);
  JsonWriter w;
  w.BeginArray();
  w.Int(5);
  w.EndArray();
  w.EndLine();
  EXPECT_TRUE(w.FlushIfFull(file));
  EXPECT_EQ(w.Text(), "[5]\n") << "a small buffer waits for more";
  EXPECT_TRUE(w.Flush(file));
  EXPECT_TRUE(w.Text().empty());
  // A buffer of a block or more goes out on FlushIfFull.
  std::string big(JsonWriter::kBlockSize, 'x');
  w.String(big);
  EXPECT_TRUE(w.FlushIfFull(file));
  EXPECT_TRUE(w.Text().empty());

  std::rewind(file);
  std::string written;
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) written.append(buffer, n);
  std::fclose(file);
  EXPECT_EQ(written, "[5]\n\"" + big + "\"");
}

}  // namespace
}  // namespace pelyx::tools
