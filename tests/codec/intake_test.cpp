#include "codec/intake.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace pelyx {
namespace {

// Records what reaches the log and the consumers, in order.
struct Recorder : LineLog, LineConsumer {
  explicit Recorder(std::vector<std::string>& events, std::string name, bool logging = true)
      : events(events), name(std::move(name)), logging(logging) {}
  bool LoggingEnabled() const override { return logging; }
  void AppendLine(std::string_view text) override { events.push_back("log:" + std::string(text)); }
  void TakeLine(std::string_view line) override {
    events.push_back(name + ":" + std::string(line));
  }
  std::vector<std::string>& events;
  std::string name;
  bool logging;
};

std::string WithChecksum(const std::string& body) {
  unsigned x = 0;
  for (size_t i = 1; i < body.size(); ++i) x ^= static_cast<unsigned char>(body[i]);
  char tail[8];
  std::snprintf(tail, sizeof tail, "*%02X", x);
  return body + tail;
}

TEST(LineAssembler, HandsEachLineToLogThenConsumersInOrder) {
  std::vector<std::string> events;
  Recorder log(events, "log");
  Recorder intake(events, "intake"), identification(events, "ident"), product(events, "info");
  LineAssembler assembler;
  assembler.SetLog(&log);
  assembler.AddConsumer(&intake);
  assembler.AddConsumer(&identification);
  assembler.AddConsumer(&product);
  assembler.Feed("$GPGGA,1\r\n");
  EXPECT_EQ(events, (std::vector<std::string>{"log:$GPGGA,1", "intake:$GPGGA,1\r\n",
                                              "ident:$GPGGA,1\r\n", "info:$GPGGA,1\r\n"}));
}

TEST(LineAssembler, LengthLimitAndFiltering) {
  struct Case {
    std::string input;
    std::vector<std::string> events;
  };
  const std::string s80(80, 'x'), s82(82, 'y'), s83(83, 'z');
  const Case cases[] = {
      {std::string("ab\r\0c\n", 6), {"log:abc", "c:abc\r\n"}},  // CR and NUL are dropped
      {"lf only\n", {"log:lf only", "c:lf only\r\n"}},
      {s80 + "\r\n", {"log:" + s80, "c:" + s80 + "\r\n"}},
      {s82 + "\n", {"log:" + s82, "c:" + s82 + "\r\n"}},
      {s83 + "\n", {"log:" + s83}},  // logged, reaches no consumer
      {"\n\n", {"log:", "c:\r\n", "log:", "c:\r\n"}},
      {"no end yet", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input);
    std::vector<std::string> events;
    Recorder log(events, "log"), consumer(events, "c");
    LineAssembler assembler;
    assembler.SetLog(&log);
    assembler.AddConsumer(&consumer);
    assembler.Feed(c.input.data(), c.input.size());
    EXPECT_EQ(events, c.events);
  }
}

TEST(LineAssembler, LoggingOffSkipsOnlyTheLog) {
  std::vector<std::string> events;
  Recorder log(events, "log", false), consumer(events, "c");
  LineAssembler assembler;
  assembler.SetLog(&log);
  assembler.AddConsumer(&consumer);
  assembler.Feed("a\n" + std::string(90, 'b') + "\n");
  EXPECT_EQ(events, (std::vector<std::string>{"c:a\r\n"}));
}

TEST(LineAssembler, JoinsLineSplitOverNotifications) {
  std::vector<std::string> events;
  Recorder consumer(events, "c");
  LineAssembler assembler;
  assembler.AddConsumer(&consumer);
  assembler.Feed("$GP");
  EXPECT_TRUE(events.empty());
  EXPECT_EQ(assembler.Pending(), "$GP");
  assembler.Feed("GGA\r");
  assembler.Feed("\n");
  EXPECT_EQ(events, (std::vector<std::string>{"c:$GPGGA\r\n"}));
}

TEST(LineAssembler, EndlessLineStaysBounded) {
  std::vector<std::string> events;
  Recorder log(events, "log"), consumer(events, "c");
  LineAssembler assembler;
  assembler.SetLog(&log);
  assembler.AddConsumer(&consumer);
  const std::string chunk(4096, 'g');
  for (int i = 0; i < 64; ++i) assembler.Feed(chunk);
  EXPECT_EQ(assembler.Pending().size(), LineAssembler::kMaxHeldLine);
  assembler.Feed("\n$X\n");
  ASSERT_EQ(events.size(), 3u);
  EXPECT_EQ(events[0].size(), 4 + LineAssembler::kMaxHeldLine);
  EXPECT_EQ(events[2], "c:$X\r\n");
}

struct HandoffRecorder : IntakeHandoff {
  void UpdateGpsStatus(const SentenceRecord& r) override { gps.push_back(r.formatter); }
  void CountReception(const char* formatter, char channel) override {
    receptions.push_back(std::string(formatter) + channel);
  }
  std::vector<std::string> gps, receptions;
};

// A stand-in for the AIS decoder: completes single-fragment messages only.
struct SingleFragmentStage : AisStage {
  void Discard() override { ++discards; }
  bool Process(const SentenceRecord& r) override { return r.payload.encap.total == 1; }
  int discards = 0;
};

TEST(SentenceIntake, HandsOffByGroupOnlyWhenFullyProcessed) {
  DataStores stores;
  SentenceIntake intake(stores);
  HandoffRecorder handoff;
  intake.SetHandoff(&handoff);
  const std::string gsvBad = WithChecksum("$GPGSV,1,1,01,05,40,083,46,1,2") + "\r\n";
  const std::string gsv = WithChecksum("$GPGSV,1,1,01,05,40,083,46") + "\r\n";
  const std::string hdt = WithChecksum("$GPHDT,274.07,T") + "\r\n";
  const std::string vdm = WithChecksum("!AIVDM,1,1,,B,15M67FC000G?ufbE`FepT@3n00Sa,0") + "\r\n";

  intake.AcceptSentence(gsvBad);
  EXPECT_FALSE(intake.LastDecoded());
  intake.AcceptSentence(gsv);
  EXPECT_TRUE(intake.LastHandled());
  intake.AcceptSentence(hdt);
  EXPECT_TRUE(intake.LastHandled());
  // Without an AIS stage an AIS sentence is decoded and merged but never completes.
  intake.AcceptSentence(vdm);
  EXPECT_TRUE(intake.LastDecoded());
  EXPECT_FALSE(intake.LastHandled());
  EXPECT_EQ(stores.ais.channel, 'B');
  EXPECT_EQ(handoff.gps, (std::vector<std::string>{"GSV"}));
  EXPECT_TRUE(handoff.receptions.empty());

  SingleFragmentStage stage;
  intake.SetAisStage(&stage);
  intake.AcceptSentence(vdm);
  EXPECT_TRUE(intake.LastHandled());
  EXPECT_EQ(handoff.receptions, (std::vector<std::string>{"VDMB"}));
  intake.AcceptSentence(hdt);
  EXPECT_EQ(stage.discards, 1);
}

TEST(SentenceIntake, RejectsLinesByStartAndLength) {
  DataStores stores;
  SentenceIntake intake(stores);
  const std::string ok = WithChecksum("$GPHDT,274.07,T") + "\r\n";
  // 80 characters plus CR LF decode; 81 do not.
  std::string pad80 = WithChecksum("$GPTXT,01,01,01," + std::string(80 - 16 - 3, 'A')) + "\r\n";
  std::string pad81 = WithChecksum("$GPTXT,01,01,01," + std::string(81 - 16 - 3, 'A')) + "\r\n";
  ASSERT_EQ(pad80.size(), 82u);
  ASSERT_EQ(pad81.size(), 83u);
  struct Case {
    std::string line;
    bool decoded;
  } cases[] = {{ok, true}, {"GPHDT,274.07,T*03\r\n", false}, {pad80, true}, {pad81, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    intake.AcceptSentence(c.line);
    EXPECT_EQ(intake.LastDecoded(), c.decoded);
  }
}

// ---- recordings fed whole, byte by byte and in 7-byte chunks ---------------------

struct Outcome {
  std::vector<std::string> lines;
  std::vector<int> results;  // decoded + 2 * handled per line
  bool operator==(const Outcome&) const = default;
};

struct Collector : LineLog, LineConsumer {
  explicit Collector(SentenceIntake& intake) : intake(intake) {}
  bool LoggingEnabled() const override { return true; }
  void AppendLine(std::string_view text) override { out.lines.emplace_back(text); }
  void TakeLine(std::string_view) override {
    out.results.push_back(intake.LastDecoded() + 2 * intake.LastHandled());
  }
  SentenceIntake& intake;
  Outcome out;
};

Outcome FeedInChunks(const std::string& bytes, size_t chunk) {
  DataStores stores;
  SentenceIntake intake(stores);
  Collector collector(intake);
  LineAssembler assembler;
  assembler.SetLog(&collector);
  assembler.AddConsumer(&intake);
  assembler.AddConsumer(&collector);
  for (size_t i = 0; i < bytes.size(); i += chunk) {
    assembler.Feed(bytes.data() + i, std::min(chunk, bytes.size() - i));
  }
  return collector.out;
}

TEST(LineAssembler, RecordingsGiveSameLinesWhateverTheChunking) {
  namespace fs = std::filesystem;
  const fs::path root = PELYX_TEST_DATA;
  int files = 0;
  for (const char* dir : {"ais", "gnss", "quirks"}) {
    if (!fs::exists(root / dir)) continue;
    for (const auto& entry : fs::directory_iterator(root / dir)) {
      SCOPED_TRACE(entry.path().string());
      std::ifstream in(entry.path(), std::ios::binary);
      std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      Outcome whole = FeedInChunks(bytes, bytes.size() + 1);
      EXPECT_FALSE(whole.lines.empty());
      EXPECT_EQ(FeedInChunks(bytes, 1), whole);
      EXPECT_EQ(FeedInChunks(bytes, 7), whole);
      ++files;
    }
  }
  EXPECT_GT(files, 0) << "no recordings under " << root;
}

}  // namespace
}  // namespace pelyx
