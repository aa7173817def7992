// Black-box tests of the sentence decoder: framing, checksum, empty-field marking,
// talker/formatter recognition, the tokenizer and the field conversions.
#include "codec/decoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "codec/fields.h"
#include "codec/records.h"
#include "sentence_builder.h"

namespace pelyx {
namespace {

using test_support::ChecksumOf;
using test_support::Sentence;

// A writable copy of `line` in a buffer at least as large as the decoder requires.
std::vector<char> Buffer(const std::string& line) {
  std::vector<char> buffer(std::max(line.size() + 1, kSentenceBufferSize), '\0');
  std::copy(line.begin(), line.end(), buffer.begin());
  return buffer;
}

// A record whose every byte holds a marker, so that bytes the decoder leaves alone and
// bytes it writes can be told apart.
SentenceRecord MarkedRecord() {
  SentenceRecord record;
  std::memset(&record, 0x5A, sizeof record);
  return record;
}

bool Decode(const std::string& line, SentenceRecord& record) {
  std::vector<char> buffer = Buffer(line);
  return DecodeSentence(buffer.data(), record);
}

bool SameBytes(const SentenceRecord& a, const SentenceRecord& b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

// "$" + filler + "*00" CR LF, exactly `length` characters long.
std::string LineOfLength(size_t length) {
  return "$" + std::string(length - 6, 'A') + "*00\r\n";
}

// ---- framing and checksum ------------------------------------------------------

// "$HEHDT,270.0,T" has the checksum 0x2A: one digit and one letter.
const char kHeadingBody[] = "$HEHDT,270.0,T";

TEST(DecodeSentence, HeadingBodyHasALetterInItsChecksum) {
  // The framing cases below rely on this checksum.
  EXPECT_EQ(ChecksumOf(kHeadingBody), "2A");
}

TEST(DecodeSentence, ChecksFrameAndChecksum) {
  const std::string body = kHeadingBody;
  struct Case {
    const char* what;
    std::string line;
    bool ok;
  };
  const Case cases[] = {
      {"well formed", body + "*2A\r\n", true},
      {"LF without CR", body + "*2A\n", false},
      {"CR without LF", body + "*2A\r", false},
      {"no terminator", body + "*2A", false},
      {"LF CR swapped", body + "*2A\n\r", false},
      {"no star", body + "\r\n", false},
      {"checksum without star", body + "2A\r\n", false},
      {"wrong checksum", body + "*2B\r\n", false},
      {"digits swapped", body + "*A2\r\n", false},
      {"lower-case checksum", body + "*2a\r\n", false},
      {"non-hex checksum character of value ten", body + "*2:\r\n", false},
      {"non-hex checksum letter of equal value", body + "*1Q\r\n", false},
      {"one checksum digit", body + "*2\r\n", false},
      {"no checksum digits", body + "*\r\n", false},
      {"checksum including the start character", body + "*0E\r\n", false},
      {"checksum including the star", body + "*00\r\n", false},
      {"empty line", "", false},
      {"terminator only", "\r\n", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SentenceRecord record = MarkedRecord();
    const SentenceRecord before = record;
    EXPECT_EQ(Decode(c.line, record), c.ok);
    if (c.ok) {
      EXPECT_FLOAT_EQ(record.payload.hdt.heading, 270.0f);
    } else {
      // A failure of frame or checksum writes nothing, not even the header.
      EXPECT_TRUE(SameBytes(record, before));
    }
  }
}

TEST(DecodeSentence, RejectsFieldsThatRunOutBeforeTheLastOne) {
  // Commas behind the checksum count, but the fields they delimit are not there.
  const std::string lines[] = {
      "$HEHDT,270.0*" + ChecksumOf("$HEHDT,270.0") + ",T\r\n",
      "$GPGGA*" + ChecksumOf("$GPGGA") + ",,,,,,,,,,,,,,\r\n",
      "$PTSK,R,DBG*" + ChecksumOf("$PTSK,R,DBG") + ",,,,,,,,\r\n",
  };
  for (const std::string& line : lines) {
    SCOPED_TRACE(line);
    SentenceRecord record = MarkedRecord();
    EXPECT_FALSE(Decode(line, record));
  }
}

TEST(DecodeSentence, AcceptsBothStartCharacters) {
  for (const char* body : {"$HEHDT,270.0,T", "!HEHDT,270.0,T"}) {
    SCOPED_TRACE(body);
    SentenceRecord record = MarkedRecord();
    ASSERT_TRUE(Decode(Sentence(body), record));
    EXPECT_EQ(record.startChar, body[0]);
  }
}

TEST(VerifyChecksum, CoversTheCharactersBetweenStartAndStar) {
  struct Case {
    std::string line;
    bool ok;
  };
  const Case cases[] = {
      {Sentence(kHeadingBody), true},
      {Sentence("!AIVDM,1,1,,A,13aDq30P00PJ8BPN?0@@0?wV2@NC,0"), true},
      {"!AIVDM,1,1,,A,13aDq30P00PJ8BPN?0@@0?wV2@NC,0*03\r\n", true},
      {"!AIVDM,1,1,,A,13aDq30P00PJ8BPN?0@@0?wV2@NC,0*04\r\n", false},
      {"!AIVDM,1,1,,B,13aDq30P00PJ8BPN?0@@0?wV2@NC,0*03\r\n", false},
      {std::string(kHeadingBody) + "*2a\r\n", false},
      {std::string(kHeadingBody) + "\r\n", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(VerifyChecksum(c.line.c_str()), c.ok);
  }
}

TEST(DecodeSentence, VerifiesTheChecksumOnTheUnmarkedLine) {
  SentenceRecord record = MarkedRecord();
  EXPECT_TRUE(Decode(Sentence("$GPGLL,,,,,,,"), record));
  EXPECT_FLOAT_EQ(record.payload.gll.latitude, kNoLatitude);
  EXPECT_FLOAT_EQ(record.payload.gll.longitude, kNoLongitude);

  // The same sentence with the checksum of its marked form fails.
  const std::string marked = "$GPGLL, , , , , , , ";
  EXPECT_FALSE(Decode("$GPGLL,,,,,,,*" + ChecksumOf(marked) + "\r\n", record));
}

// ---- line length after marking -------------------------------------------------

TEST(DecodeSentence, LimitsTheMarkedLineTo98Characters) {
  struct Case {
    const char* what;
    std::string body;
    size_t lineLength;  // as received, CR LF included
    bool ok;
  };
  const std::string full = "$GPTXT,01,01,02,";
  const std::string empty = "$GPTXT,,,,";
  const Case cases[] = {
      {"98 characters, nothing to mark", full + std::string(77, 'X'), 98, true},
      {"99 characters, nothing to mark", full + std::string(78, 'X'), 99, false},
      {"95 characters marked to 98", empty + std::string(80, 'X'), 95, true},
      {"96 characters marked to 99", empty + std::string(81, 'X'), 96, false},
      {"140 characters", full + std::string(119, 'X'), 140, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string line = Sentence(c.body);
    ASSERT_EQ(line.size(), c.lineLength);
    SentenceRecord record = MarkedRecord();
    const SentenceRecord before = record;
    EXPECT_EQ(Decode(line, record), c.ok);
    if (!c.ok) {
      EXPECT_TRUE(SameBytes(record, before));
    }
  }
}

// ---- MarkEmptyFields -----------------------------------------------------------

TEST(MarkEmptyFields, WidensEveryEmptyFieldToOneBlank) {
  struct Case {
    const char* in;
    const char* out;
  };
  const Case cases[] = {
      {"$GPGLL,,,,*7C\r\n", "$GPGLL, , , , *7C\r\n"},
      {"$GPHDT,1.0,T*00\r\n", "$GPHDT,1.0,T*00\r\n"},
      {"$A,,B,*00\r\n", "$A, ,B, *00\r\n"},
      {"$A,B,\r\n", "$A,B,\r\n"},
      {"$A,*,,\r\n", "$A, *, ,\r\n"},
      {"$A, ,B*00\r\n", "$A, ,B*00\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.in);
    std::vector<char> buffer = Buffer(c.in);
    EXPECT_TRUE(MarkEmptyFields(buffer.data()));
    EXPECT_STREQ(buffer.data(), c.out);
  }
}

TEST(MarkEmptyFields, RefusesLinesLongerThan98CharactersAndKeepsThem) {
  struct Case {
    const char* what;
    std::string line;
    bool ok;
    size_t markedLength;
  };
  const std::string line97 = LineOfLength(97);
  // Replace filler characters by commas: each ",," pair at the front gives one empty field.
  std::string oneEmpty97 = line97;
  oneEmpty97.replace(1, 2, ",,");
  std::string twoEmpty97 = line97;
  twoEmpty97.replace(1, 3, ",,,");
  const Case cases[] = {
      {"98 characters", LineOfLength(98), true, 98},
      {"99 characters", LineOfLength(99), false, 0},
      {"97 characters, one empty field", oneEmpty97, true, 98},
      {"97 characters, two empty fields", twoEmpty97, false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<char> buffer = Buffer(c.line);
    EXPECT_EQ(MarkEmptyFields(buffer.data()), c.ok);
    if (c.ok) {
      EXPECT_EQ(std::strlen(buffer.data()), c.markedLength);
    } else {
      EXPECT_EQ(std::string(buffer.data()), c.line);
    }
  }
}

// ---- talker, formatter and direction letter ------------------------------------

TEST(DecodeSentence, WorksOutTalkerFormatterAndDirectionLetter) {
  struct Case {
    const char* body;
    bool ok;
    char start;
    const char* talker;
    const char* formatter;
    char direction;
  };
  const Case cases[] = {
      {"$GPGGA,123519.00,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,", true, '$', "GP", "GGA",
       0},
      {"!AIVDM,1,1,,A,13aDq30P00PJ8BPN?0@@0?wV2@NC,0", true, '!', "AI", "VDM", 0},
      {"$PTSK,R,MID,123456789,987654321", true, '$', "P", "MID", 'R'},
      {"$PMID,123456789,987654321", true, '$', "P", "MID", 0},
      {"$PTSK,C,DBG,099,1,,,,,,", true, '$', "P", "DBG", 'C'},
      {"$PXYZ,1,2", false, '$', "P", "XYZ", 0},
      {"$PTSK,R,XYZ,1,2", false, '$', "P", "XYZ", 'R'},
      {"$ECAIQ,VDM,1,2,3,4,5,6,7,8", true, '$', "EC", "Q", 0},
      {"$ECAIQ,VDM", false, '$', "EC", "Q", 0},
      {"$AIAIQ,Smg,1", false, '$', "AI", "Q", 0},
      {"$PTSK,R,AIQ,Smg,1", true, '$', "P", "AIQ", 'R'},
      {"$PTSK,R,FRQ,161975000,1,162025000,2", true, '$', "P", "FRQ", 'R'},
      {"$AISmg,STATUS,4", true, '$', "AI", "Smg", 0},
      {"$AISMG,STATUS,4", false, '$', "AI", "SMG", 0},
      {"$AIsmg,STATUS,4", false, '$', "AI", "smg", 0},
      {"$PTSK,R,TXT,1,1,1,PROD. INFO. END", true, '$', "P", "TXT", 'R'},
      {"$PTSK,R,TXT,PROD. INFO. END", false, '$', "P", "TXT", 'R'},
      {"$CDDSC,20,3380210040,00,21,26,1423108312,2021,,,S,E", false, '$', "CD", "DSC", 0},
      {"$AILRI,1,0,211378120,244670000,5230.00,N,00430.00,E", false, '$', "AI", "LRI", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.body);
    SentenceRecord record = MarkedRecord();
    EXPECT_EQ(Decode(Sentence(c.body), record), c.ok);
    EXPECT_EQ(record.startChar, c.start);
    // Compared as whole arrays: the bytes after the name must be NUL.
    char talker[3] = {};
    char formatter[4] = {};
    std::memcpy(talker, c.talker, std::strlen(c.talker));
    std::memcpy(formatter, c.formatter, std::strlen(c.formatter));
    EXPECT_EQ(std::memcmp(record.talker, talker, sizeof talker), 0) << record.talker;
    EXPECT_EQ(std::memcmp(record.formatter, formatter, sizeof formatter), 0) << record.formatter;
    EXPECT_EQ(record.directionLetter, c.direction);
  }
}

TEST(DecodeSentence, ResetsTheHeaderForEverySentence) {
  SentenceRecord record = MarkedRecord();
  ASSERT_TRUE(Decode(Sentence("$PTSK,R,MID,1,2"), record));
  EXPECT_EQ(record.directionLetter, 'R');
  ASSERT_TRUE(Decode(Sentence("$GPGLL,4916.45,N,12311.12,W,225444,A,A"), record));
  EXPECT_EQ(record.directionLetter, 0);
  EXPECT_STREQ(record.talker, "GP");
  EXPECT_STREQ(record.formatter, "GLL");
  ASSERT_TRUE(Decode(Sentence("$ECAIQ,VDM,1,2,3,4,5,6,7,8"), record));
  EXPECT_EQ(std::memcmp(record.formatter, "Q\0\0", 4), 0);
}

TEST(DecodeSentence, ProprietaryEnvelopeReachesTheParserWithoutManufacturerAndLetter) {
  SentenceRecord record = MarkedRecord();
  ASSERT_TRUE(Decode(Sentence("$PTSK,R,MID,123456789,987654321"), record));
  EXPECT_EQ(record.payload.mid.number1, 123456789u);
  EXPECT_EQ(record.payload.mid.number2, 987654321u);
}

TEST(DispatchTable, KnowsFortyOneFormatters) {
  EXPECT_EQ(DispatchTableSize(), 41u);
}

// ---- HasCommaCount -------------------------------------------------------------

TEST(HasCommaCount, CountsEveryComma) {
  struct Case {
    const char* text;
    int count;
    bool ok;
  };
  const Case cases[] = {
      {"", 0, true},
      {"$GPHDT", 0, true},
      {"$GPHDT", 1, false},
      {"$GPHDT,1,T*00", 2, true},
      {"$GPHDT,1,T*00", 1, false},
      {"$GPHDT,1,T*00", 3, false},
      {",,,", 3, true},
      {"$A,1*00,", 2, true},
      {"$A, , , *00", 3, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.text) + " / " + std::to_string(c.count));
    EXPECT_EQ(HasCommaCount(c.text, c.count), c.ok);
  }
}

// ---- the tokenizer -------------------------------------------------------------

TEST(FieldCursor, SplitsFieldsAndStripsLeadingBlanksOfNonEmptyFields) {
  std::vector<char> buffer = Buffer("$GPXYZ,a, 12,  ,b , x y,last*5C");
  FieldCursor cursor(buffer.data());
  const char* expected[] = {"$GPXYZ", "a", "12", "  ", "b ", "x y"};
  for (const char* field : expected) {
    const char* got = cursor.NextField(',');
    ASSERT_NE(got, nullptr) << field;
    EXPECT_STREQ(got, field);
  }
  const char* last = cursor.NextField('*');
  ASSERT_NE(last, nullptr);
  EXPECT_STREQ(last, "last");
  EXPECT_EQ(cursor.NextField(','), nullptr);
  EXPECT_EQ(cursor.NextField('*'), nullptr);
}

TEST(FieldCursor, OverwritesTheDelimiterWithNul) {
  std::vector<char> buffer = Buffer("ab,cd*ef");
  FieldCursor cursor(buffer.data());
  ASSERT_NE(cursor.NextField(','), nullptr);
  EXPECT_EQ(buffer[2], '\0');
  ASSERT_NE(cursor.NextField('*'), nullptr);
  EXPECT_EQ(buffer[5], '\0');
  EXPECT_STREQ(buffer.data() + 6, "ef");
}

TEST(FieldCursor, ReturnsAnEmptyFieldBetweenAdjacentDelimiters) {
  std::vector<char> buffer = Buffer("a,,b,");
  FieldCursor cursor(buffer.data());
  EXPECT_STREQ(cursor.NextField(','), "a");
  const char* empty = cursor.NextField(',');
  ASSERT_NE(empty, nullptr);
  EXPECT_STREQ(empty, "");
  EXPECT_STREQ(cursor.NextField(','), "b");
}

TEST(FieldCursor, StaysExhaustedAfterAMissingDelimiter) {
  std::vector<char> buffer = Buffer("a,b*c,d");
  FieldCursor cursor(buffer.data());
  EXPECT_STREQ(cursor.NextField(','), "a");
  EXPECT_EQ(cursor.NextField('#'), nullptr);
  // "b" and the later fields are still in the text, but the cursor gave up.
  EXPECT_EQ(cursor.NextField('*'), nullptr);
  EXPECT_EQ(cursor.NextField(','), nullptr);
}

// ---- number conversions --------------------------------------------------------

TEST(DecimalValue, ReadsLikeTheCLibrary) {
  struct Case {
    const char* text;
    int64_t value;
  };
  const Case cases[] = {
      {"12", 12},
      {" 12", 12},
      {"  -5", -5},
      {"+7", 7},
      {"0042", 42},
      {"12.9", 12},
      {"3x4", 3},
      {"", 0},
      {" ", 0},
      {"abc", 0},
      {"-", 0},
      {"2147483648", 2147483648LL},
      {"99999999999999999999999", INT64_MAX},
      {"-99999999999999999999999", INT64_MIN},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(DecimalValue(c.text), c.value);
  }
}

TEST(RealValue, ReadsLikeTheCLibrary) {
  struct Case {
    const char* text;
    double value;
  };
  const Case cases[] = {
      {"12.5", 12.5}, {" -0.25", -0.25}, {"1.5e2", 150.0}, {"7", 7.0},
      {"3.5x", 3.5},  {"", 0.0},         {" ", 0.0},       {"abc", 0.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_DOUBLE_EQ(RealValue(c.text), c.value);
  }
}

// ---- latitude and longitude ----------------------------------------------------

TEST(MinutesToDegrees, ConvertsAndCapsAtTheLimit) {
  struct Case {
    double value;
    double limit;
    float degrees;
  };
  const Case cases[] = {
      {4916.45, 90, 49.274166f}, {12311.12, 180, 123.185333f},
      {0.0, 90, 0.0f},           {30.0, 90, 0.5f},
      {9000.0, 90, 90.0f},       {9000.01, 90, 91.0f},
      {9100.0, 90, 91.0f},       {18000.0, 180, 180.0f},
      {18000.5, 180, 181.0f},    {-4916.45, 90, -49.274166f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.value) + " limit " + std::to_string(c.limit));
    EXPECT_FLOAT_EQ(MinutesToDegrees(c.value, c.limit), c.degrees);
  }
}

TEST(ParseLatLon, ReadsFourFieldsAndReturnsTheNextOne) {
  struct Case {
    const char* fields;  // latitude, N/S, longitude, E/W
    float latitude;
    float longitude;
  };
  const Case cases[] = {
      {"4916.45,N,12311.12,W", 49.274166f, -123.185333f},
      {"4916.45,S,12311.12,E", -49.274166f, 123.185333f},
      {"0030.00,S,00030.00,W", -0.5f, -0.5f},
      {"9000.00,N,18000.00,E", 90.0f, 180.0f},
      {"9000.01,N,18000.01,E", 91.0f, 181.0f},
      {"9100.00,N,18100.00,E", 91.0f, 181.0f},
      {"9100.00,S,18100.00,W", -91.0f, -181.0f},
      {" ,N, ,E", 91.0f, 181.0f},
      {" ,S, ,W", -91.0f, -181.0f},
      {" , , , ", 91.0f, 181.0f},
      {"4916.45,s,12311.12,w", 49.274166f, 123.185333f},
      {"4916.45,SS,12311.12,WW", 49.274166f, 123.185333f},
      {"4916.45, ,12311.12, ", 49.274166f, 123.185333f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fields);
    std::vector<char> buffer = Buffer(std::string(c.fields) + ",next,");
    FieldCursor cursor(buffer.data());
    float latitude = 0;
    float longitude = 0;
    const char* next = ParseLatLon(cursor, cursor.NextField(','), latitude, longitude);
    EXPECT_FLOAT_EQ(latitude, c.latitude);
    EXPECT_FLOAT_EQ(longitude, c.longitude);
    ASSERT_NE(next, nullptr);
    EXPECT_STREQ(next, "next");
  }
}

// ---- UTC time ------------------------------------------------------------------

TEST(ParseUtcTime, SplitsHoursMinutesSecondsAndHundredths) {
  struct Case {
    const char* field;
    int hour, minute, second, hundredths;
  };
  constexpr int kPreset = 77;  // what hundredths held before
  const Case cases[] = {
      {"235959.99", 23, 59, 59, 99}, {"000000", 0, 0, 0, 0},       {"130711", 13, 7, 11, 0},
      {"083000.05", 8, 30, 0, 5},    {"123456.5", 12, 34, 56, 50}, {"123456.789", 12, 34, 56, 78},
      {"123456.", 12, 34, 56, 0},    {"256070", 25, 60, 70, 0},    {" ", 24, 60, 60, kPreset},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.field);
    std::vector<char> buffer = Buffer(std::string(c.field) + ",next,");
    FieldCursor cursor(buffer.data());
    UtcTime time{1, 2, 3, kPreset};
    const char* next = ParseUtcTime(cursor, cursor.NextField(','), time);
    EXPECT_EQ(time.hour, c.hour);
    EXPECT_EQ(time.minute, c.minute);
    EXPECT_EQ(time.second, c.second);
    EXPECT_EQ(time.hundredths, c.hundredths);
    ASSERT_NE(next, nullptr);
    EXPECT_STREQ(next, "next");
  }
}

// ---- date ----------------------------------------------------------------------

TEST(ParseDate, SplitsDayMonthAndTwoDigitYear) {
  struct Case {
    const char* field;
    int year, month, day;
  };
  const Case cases[] = {
      {"311299", 2099, 12, 31}, {"010100", 2000, 1, 1}, {"190615", 2015, 6, 19},
      {"10611", 2011, 6, 1},    {" ", 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.field);
    std::vector<char> buffer = Buffer(std::string(c.field) + ",next,");
    FieldCursor cursor(buffer.data());
    int16_t year = 1;
    int8_t month = 1;
    int8_t day = 1;
    const char* next = ParseDate(cursor, cursor.NextField(','), year, month, day);
    EXPECT_EQ(year, c.year);
    EXPECT_EQ(month, c.month);
    EXPECT_EQ(day, c.day);
    ASSERT_NE(next, nullptr);
    EXPECT_STREQ(next, "next");
  }
}

// ---- hexadecimal bytes ---------------------------------------------------------

TEST(ParseHexByte, AcceptsUpperCaseHexadecimalDigitsOnly) {
  struct Case {
    const char* text;
    bool ok;
    int value;
  };
  const Case cases[] = {
      {"0A", true, 10},    {"FF", true, 255}, {"00", true, 0},  {"7", true, 7},   {"9F", true, 159},
      {"ABC", true, 0xBC}, {"ff", false, 0},  {"0a", false, 0}, {"0G", false, 0}, {"G", false, 0},
      {" A", false, 0},    {"-1", false, 0},  {"1:", false, 0}, {"@", false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    uint8_t value = 0;
    EXPECT_EQ(ParseHexByte(c.text, value), c.ok);
    if (c.ok) {
      EXPECT_EQ(value, c.value);
    }
  }
}

}  // namespace
}  // namespace pelyx
