#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/tools/json_check.h"
#include "tools/decode.h"

namespace pelyx::tools {
namespace {

using testing::JsonReader;
using testing::JsonValue;

// "$BODY*hh": the body framed with its checksum.
std::string Framed(char start, const std::string& body) {
  unsigned x = 0;
  for (char c : body) x ^= static_cast<unsigned char>(c);
  char tail[8];
  std::snprintf(tail, sizeof tail, "*%02X", x);
  return std::string(1, start) + body + tail;
}

std::string Decode(const std::string& input) {
  JsonWriter out;
  DecodeSession session(out);
  session.Feed(input);
  return out.Text();
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

const std::string kGga =
    Framed('$', "GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,");
const std::string kDbg = Framed('$', "PTSK,R,DBG,40,2,999,0,999,0,999,0");

struct LineCase {
  const char* what;
  std::string input;
  std::string expected;
};

TEST(DecodeSession, PrintsOneObjectPerCompletedLine) {
  using namespace std::string_literals;
  const std::string longLine = "$" + std::string(82, 'X');
  const LineCase cases[] = {
      {"GGA with CR LF", kGga + "\r\n",
       R"({"line":1,"text":")" + kGga +
           R"(","decoded":true,"handled":true,"talker":"GP","formatter":"GGA"})"},
      {"LF alone ends a line too", kGga + "\n",
       R"({"line":1,"text":")" + kGga +
           R"(","decoded":true,"handled":true,"talker":"GP","formatter":"GGA"})"},
      {"CR and NUL inside are dropped", "$GP\rGGA\0"s + kGga.substr(6) + "\r\r\n",
       R"({"line":1,"text":")" + kGga +
           R"(","decoded":true,"handled":true,"talker":"GP","formatter":"GGA"})"},
      {"proprietary with direction letter", kDbg + "\r\n",
       R"({"line":1,"text":")" + kDbg +
           R"(","decoded":true,"handled":true,"talker":"P","formatter":"DBG","direction":"R"})"},
      {"bad checksum", kGga.substr(0, kGga.size() - 1) + "0\r\n",
       R"({"line":1,"text":")" + kGga.substr(0, kGga.size() - 1) +
           R"(0","decoded":false,"handled":false})"},
      {"plain text reply", "PROD. INFO. END\r\n",
       R"({"line":1,"text":"PROD. INFO. END","decoded":false,"handled":false})"},
      {"empty line", "\r\n", R"({"line":1,"text":"","decoded":false,"handled":false})"},
      {"line too long for the intake", longLine + "\r\n",
       R"({"line":1,"text":")" + longLine + R"(","decoded":false,"handled":false})"},
      {"binary garbage", "\x01\x7f\xff\"\\\n"s,
       R"({"line":1,"text":"\u0001\u007f\u00ff\"\\","decoded":false,"handled":false})"},
      {"no LF yet: nothing", kGga, ""},
  };
  for (const LineCase& c : cases) {
    std::string expected = c.expected.empty() ? "" : c.expected + "\n";
    EXPECT_EQ(Decode(c.input), expected) << c.what;
  }
}

TEST(DecodeSession, AisSentenceDecodesButCompletesNothingWithoutAisOutput) {
  const std::string vdm = Framed('!', "AIVDM,1,1,,A,15MgK45P3@G?fl0E`JbR0OwT0@MS,0");
  EXPECT_EQ(Decode(vdm + "\r\n"),
            R"({"line":1,"text":")" + vdm +
                R"(","decoded":true,"handled":false,"talker":"AI","formatter":"VDM"})"
                "\n");
}

TEST(DecodeSession, LongLineThenShortLineKeepsTheirOwnResults) {
  // The long line never reaches the intake, so it must not inherit the GGA's result,
  // nor the GGA the long line's.
  const std::string longLine(100, 'A');
  std::vector<std::string> lines =
      Lines(Decode(kGga + "\r\n" + longLine + "\n" + kGga + "\r\n" + longLine + "\n"));
  ASSERT_EQ(lines.size(), 4u);
  for (size_t i = 0; i < lines.size(); ++i) {
    JsonValue v;
    std::string error;
    ASSERT_TRUE(JsonReader::Parse(lines[i], v, error)) << error;
    EXPECT_EQ(v.Find("line")->text, std::to_string(i + 1));
    EXPECT_EQ(v.Find("decoded")->boolean, i % 2 == 0) << lines[i];
  }
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(DecodeSession, OutputDoesNotDependOnHowTheBytesArrive) {
  const std::string recording = ReadFile(PELYX_TEST_DATA "/ais/ais-nmea.log");
  ASSERT_GT(recording.size(), 10000u);
  const std::string whole = Decode(recording);
  ASSERT_EQ(Lines(whole).size(), 1500u);

  for (size_t chunk : {size_t{1}, size_t{7}, size_t{83}, size_t{4096}}) {
    JsonWriter out;
    DecodeSession session(out);
    for (size_t at = 0; at < recording.size(); at += chunk) {
      session.Feed(recording.data() + at, std::min(chunk, recording.size() - at));
    }
    session.AppendStoresSummary();
    JsonWriter reference;
    DecodeSession referenceSession(reference);
    referenceSession.Feed(recording);
    referenceSession.AppendStoresSummary();
    EXPECT_EQ(out.Text(), reference.Text()) << "chunks of " << chunk;
  }
}

TEST(DecodeSession, StateCarriesOnAcrossFeeds) {
  JsonWriter out;
  DecodeSession session(out);
  session.Feed(kGga.substr(0, 20));
  EXPECT_EQ(out.Text(), "");
  session.Feed(kGga.substr(20) + "\r\n" + kGga + "\r\n");
  session.Feed("\n");
  std::vector<std::string> lines = Lines(out.Text());
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_NE(lines[0].find(R"({"line":1,"text":")" + kGga + R"(","decoded":true)"),
            std::string::npos);
  EXPECT_NE(lines[1].find(R"("line":2)"), std::string::npos);
  EXPECT_EQ(lines[2], R"({"line":3,"text":"","decoded":false,"handled":false})");
  EXPECT_EQ(session.LinesCompleted(), 3u);
}

TEST(DecodeSession, StoresSummaryHoldsTheMergedFieldsAndReception) {
  JsonWriter out;
  DecodeSession session(out);
  session.Feed(kGga + "\r\n" + kDbg + "\r\n");
  out.Clear();
  session.AppendStoresSummary();
  ASSERT_EQ(out.Text().back(), '\n');
  JsonValue v;
  std::string error;
  ASSERT_TRUE(JsonReader::Parse(out.Text(), v, error)) << error;
  EXPECT_EQ(v.Keys(), (std::vector<std::string>{"stores", "reception"}));
  const JsonValue& gnss = *v.Find("stores")->Find("GnssStore");
  EXPECT_EQ(gnss.Find("utcHour")->text, "12");
  EXPECT_EQ(gnss.Find("latitude")->text, "48.1173");
  EXPECT_EQ(gnss.Find("fixQuality")->text, "1");
  EXPECT_EQ(gnss.Find("positionValid")->text, "1");
  const JsonValue& proprietary = *v.Find("stores")->Find("ProprietaryStore");
  EXPECT_EQ(proprietary.Find("dbgCode")->items.at(0).text, "40");
  EXPECT_EQ(proprietary.Find("dbgDirectionLetter")->text, "R");
  const JsonValue& reception = *v.Find("reception");
  EXPECT_EQ(reception.Keys(), (std::vector<std::string>{"channelA", "channelB"}));
  EXPECT_EQ(reception.Find("channelA")->text, "0");
  EXPECT_EQ(reception.Find("channelB")->text, "0");
}

// Stands in for the AIS decoder: every "!" sentence completes a message.
class FakeAisOutput : public AisOutput, public AisStage {
 public:
  AisStage& Stage() override { return *this; }
  void Discard() override { ++discards; }
  bool Process(const SentenceRecord& record) override {
    lastChannel = record.payload.encap.channel;
    completed = true;
    return true;
  }
  void CountReception(const char*, char channel) override {
    (channel == 'A' ? counts.channelA : counts.channelB) += 1;
  }
  ReceptionCounts Reception() const override { return counts; }
  void AppendLineKeys(JsonWriter& out) override {
    if (!completed) return;
    out.Key("ais");
    out.BeginObject();
    out.Key("type");
    out.Uint(1);
    out.EndObject();
    out.Key("slot");
    out.Int(-1);
    completed = false;
  }
  void AppendTargets(JsonWriter& out) override {
    out.BeginArray();
    out.EndArray();
  }

  ReceptionCounts counts;
  int discards = 0;
  char lastChannel = 0;
  bool completed = false;
};

TEST(DecodeSession, AisOutputAddsItsKeysAndCountsAfterTheLineKeys) {
  FakeAisOutput ais;
  JsonWriter out;
  DecodeSession session(out);
  session.SetAisOutput(&ais);
  const std::string vdmA = Framed('!', "AIVDM,1,1,,A,15MgK45P3@G?fl0E`JbR0OwT0@MS,0");
  const std::string vdmB = Framed('!', "AIVDM,1,1,,B,15MgK45P3@G?fl0E`JbR0OwT0@MS,0");
  session.Feed(vdmA + "\r\n" + vdmB + "\r\n" + vdmB + "\r\n" + kGga + "\r\n");
  std::vector<std::string> lines = Lines(out.Text());
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], R"({"line":1,"text":")" + vdmA +
                          R"(","decoded":true,"handled":true,"talker":"AI","formatter":"VDM",)"
                          R"("ais":{"type":1},"slot":-1})");
  EXPECT_EQ(lines[3], R"({"line":4,"text":")" + kGga +
                          R"(","decoded":true,"handled":true,"talker":"GP","formatter":"GGA"})");
  EXPECT_EQ(ais.discards, 1) << "the $ sentence breaks off AIS assembly";
  EXPECT_EQ(session.Reception().channelA, 1u);
  EXPECT_EQ(session.Reception().channelB, 2u);
  out.Clear();
  session.AppendStoresSummary();
  EXPECT_NE(out.Text().find(R"("reception":{"channelA":1,"channelB":2}})"), std::string::npos);
}

}  // namespace
}  // namespace pelyx::tools
