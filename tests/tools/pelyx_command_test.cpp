#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/tools/json_check.h"
#include "tests/tools/run_pelyx.h"

namespace pelyx::tools {
namespace {

using testing::JsonReader;
using testing::JsonValue;
using testing::RunPelyx;

namespace fs = std::filesystem;

const std::string kData = PELYX_TEST_DATA;
// Two lines: a VDM, then an HDT.
const std::string kVdmHdt = kData + "/quirks/vdm_then_hdt_bad_att_json.nmea";
const std::string kHdtLine = "$GPHDT,274.07,T*03";
const std::string kGgaLine = "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47";

class ScratchFolder {
 public:
  ScratchFolder()
      : path_(fs::temp_directory_path() / ("pelyx-command-test-" + std::to_string(::getpid()))) {
    fs::create_directories(path_);
  }
  ~ScratchFolder() { fs::remove_all(path_); }
  std::string Write(const std::string& name, const std::string& bytes) const {
    fs::path file = path_ / name;
    std::ofstream(file, std::ios::binary) << bytes;
    return file.string();
  }
  std::string Missing() const { return (path_ / "no-such-file.nmea").string(); }

 private:
  fs::path path_;
};

// The text of a string or number member; "(missing)" when there is none.
std::string Member(const JsonValue& object, const char* key) {
  const JsonValue* value = object.Find(key);
  return value != nullptr ? value->text : "(missing)";
}

std::vector<JsonValue> ParseLines(const std::string& out) {
  std::vector<JsonValue> values;
  size_t start = 0;
  while (start < out.size()) {
    size_t end = out.find('\n', start);
    EXPECT_NE(end, std::string::npos) << "output ends without LF";
    if (end == std::string::npos) break;
    JsonValue v;
    std::string error;
    EXPECT_TRUE(JsonReader::Parse(out.substr(start, end - start), v, error)) << error;
    values.push_back(v);
    start = end + 1;
  }
  return values;
}

TEST(PelyxDecode, MissingFileGivesStatus2AndTheOtherFilesAreStillRead) {
  ScratchFolder scratch;
  const std::string missing = scratch.Missing();
  const std::string gga = scratch.Write("gga.nmea", kGgaLine + "\r\n");
  auto run = RunPelyx({"decode", "--stores", kVdmHdt, missing, gga});
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find(missing), std::string::npos) << run.err;
  std::vector<JsonValue> lines = ParseLines(run.out);
  ASSERT_EQ(lines.size(), 4u) << run.out;  // 2 + 1 lines, then the summary
  for (size_t i = 0; i < 3; ++i) EXPECT_EQ(Member(lines[i], "line"), std::to_string(i + 1));
  EXPECT_EQ(Member(lines[2], "formatter"), "GGA") << "the file after the missing one";
  EXPECT_NE(lines[3].Find("stores"), nullptr);
}

TEST(PelyxDecode, EveryFileReadGivesStatus0) {
  auto run = RunPelyx({"decode", kVdmHdt, kVdmHdt});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(ParseLines(run.out).size(), 4u) << "no summary without --stores";
}

TEST(PelyxDecode, OnlyMissingFilesGiveStatus2AndNoLines) {
  ScratchFolder scratch;
  auto run = RunPelyx({"decode", scratch.Missing()});
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.out, "");
  EXPECT_NE(run.err.find("no-such-file.nmea"), std::string::npos);
}

TEST(PelyxDecode, ReadsStandardInputWithoutFiles) {
  auto fromFile = RunPelyx({"decode", "--stores", kVdmHdt});
  auto fromStdin = RunPelyx({"decode", "--stores"}, kVdmHdt);
  EXPECT_EQ(fromStdin.status, 0);
  EXPECT_EQ(fromStdin.out, fromFile.out);
  EXPECT_EQ(ParseLines(fromStdin.out).size(), 3u);
}

TEST(PelyxDecode, OneAssemblerRunsAcrossFiles) {
  // A line cut between two files completes with the second file's first bytes.
  ScratchFolder scratch;
  std::string first = scratch.Write("first.nmea", kHdtLine + "\r\n" + kGgaLine.substr(0, 30));
  std::string second = scratch.Write("second.nmea", kGgaLine.substr(30) + "\r\n");
  auto run = RunPelyx({"decode", first, second});
  EXPECT_EQ(run.status, 0);
  std::vector<JsonValue> lines = ParseLines(run.out);
  ASSERT_EQ(lines.size(), 2u) << run.out;
  EXPECT_EQ(Member(lines[1], "line"), "2");
  EXPECT_EQ(Member(lines[1], "text"), kGgaLine);
  EXPECT_EQ(Member(lines[1], "formatter"), "GGA");
}

TEST(PelyxDecode, BinaryGarbageGivesValidJsonLines) {
  ScratchFolder scratch;
  std::string garbage;
  for (int i = 0; i < 4096; ++i) garbage += static_cast<char>((i * 131 + 7) % 256);
  auto run = RunPelyx({"decode", "--stores", scratch.Write("garbage.bin", garbage)});
  EXPECT_EQ(run.status, 0);
  std::vector<JsonValue> lines = ParseLines(run.out);
  ASSERT_GT(lines.size(), 1u);
  for (size_t i = 0; i + 1 < lines.size(); ++i) {
    ASSERT_NE(lines[i].Find("decoded"), nullptr);
    EXPECT_FALSE(lines[i].Find("decoded")->boolean);
  }
  EXPECT_NE(lines.back().Find("stores"), nullptr);
}

TEST(PelyxDecode, TargetsListTheStationsWithTheFixedClock) {
  // A two-fragment static and voyage report, then the same station's position report.
  ScratchFolder scratch;
  const std::string recording = scratch.Write(
      "type5.nmea",
      "!AIVDM,2,1,1,A,55?MbV02;H;s<HtKR20EHE:0@T4@Dn2222222216L961O5Gf0NSQEp6ClRp8,0*1C\r\n"
      "!AIVDM,2,2,1,A,88888888880,2*25\r\n");
  auto run =
      RunPelyx({"decode", "--stores", "--targets", "--now", "2026-03-04 05:06:07", recording});
  EXPECT_EQ(run.status, 0) << run.err;
  std::vector<JsonValue> lines = ParseLines(run.out);
  ASSERT_EQ(lines.size(), 4u) << run.out;
  EXPECT_EQ(lines[0].Find("ais"), nullptr) << "the first fragment completes nothing";
  ASSERT_NE(lines[1].Find("ais"), nullptr);
  EXPECT_EQ(Member(*lines[1].Find("ais"), "type"), "5");
  EXPECT_EQ(Member(lines[1], "slot"), "1");
  const JsonValue* reception = lines[2].Find("reception");
  ASSERT_NE(reception, nullptr);
  EXPECT_EQ(Member(*reception, "channelA"), "1");
  EXPECT_EQ(Member(*reception, "channelB"), "0");
  const JsonValue* targets = lines[3].Find("targets");
  ASSERT_NE(targets, nullptr);
  ASSERT_EQ(targets->items.size(), 1u) << "the own ship (MMSI 0) is not listed";
  const JsonValue& ship = targets->items[0];
  EXPECT_EQ(Member(ship, "mmsi"), "351759000");
  // Texts as the station sent them, padded with blanks to their width.
  EXPECT_EQ(Member(ship, "name"), "EVER DIADEM         ");
  EXPECT_EQ(Member(ship, "call_sign"), "3FOF8  ");
  EXPECT_EQ(Member(ship, "destination"), "NEW YORK            ");
  EXPECT_EQ(Member(ship, "imo_number"), "9134270");
  EXPECT_EQ(Member(ship, "first_heard"), "2026-03-04 05:06:07");
  EXPECT_EQ(Member(ship, "last_heard"), "2026-03-04 05:06:07");
  EXPECT_EQ(Member(ship, "vdm_count"), "1");
}

struct UsageCase {
  std::vector<std::string> args;
  int status;
  const char* message;
};

TEST(Pelyx, RefusesUnknownCommandsAndOptions) {
  const UsageCase cases[] = {
      {{}, 1, "usage:"},
      {{"frobnicate"}, 1, "pelyx: unknown command 'frobnicate'"},
      {{"decode", "--verbose", kVdmHdt}, 1, "unknown option '--verbose'"},
      {{"decode", "--now", "2026-13-01 00:00:00", kVdmHdt}, 1, "--now wants"},
      {{"decode", "--now", "yesterday", kVdmHdt}, 1, "--now wants"},
      {{"decode", "--now"}, 1, "unknown option '--now'"},
  };
  for (const UsageCase& c : cases) {
    auto run = RunPelyx(c.args);
    EXPECT_EQ(run.status, c.status) << c.message;
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    EXPECT_EQ(run.out, "");
  }
}

TEST(Pelyx, EachCommandPrintsItsOwnUsageForHelp) {
  struct Case {
    const char* command;
    const char* usage;  // the first line
    std::vector<const char*> mentions;
  };
  const Case cases[] = {
      {"decode", "usage: pelyx decode [--stores] [--targets]", {"--now", "--stores"}},
      {"ports", "usage: pelyx ports [--json]", {"--json"}},
      {"info",
       "usage: pelyx info (--port DEVICE | --auto | --tcp HOST:PORT) [--json] [--show-password]",
       {"--port DEVICE", "--tcp HOST:PORT", "--show-password"}},
      {"set-baud",
       "usage: pelyx set-baud (--port DEVICE | --auto | --tcp HOST:PORT) --in RATE",
       {"--in RATE", "--out RATE", "38400, 9600 or 4800"}},
      {"report",
       "usage: pelyx report (--port DEVICE | --auto | --tcp HOST:PORT) -o FILE",
       {"-o FILE"}},
  };
  for (const Case& c : cases) {
    for (const char* help : {"--help", "-h"}) {
      SCOPED_TRACE(std::string(c.command) + " " + help);
      // Also after other options, which are not looked at then.
      for (const std::vector<std::string>& args :
           {std::vector<std::string>{c.command, help},
            std::vector<std::string>{c.command, "--json", help}}) {
        const auto run = RunPelyx(args);
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.err, "");
        EXPECT_EQ(run.out.rfind(c.usage, 0), 0u) << run.out;
        for (const char* mention : c.mentions) {
          EXPECT_NE(run.out.find(mention), std::string::npos) << mention << "\n" << run.out;
        }
        for (const Case& other : cases) {
          if (&other == &c) continue;
          EXPECT_EQ(run.out.find(std::string("pelyx ") + other.command + " "), std::string::npos)
              << "only this command's usage";
        }
      }
    }
  }
}

TEST(Pelyx, VersionIsTheProjectsVersion) {
  const auto pelyx = RunPelyx({"--version"});
  EXPECT_EQ(pelyx.status, 0);
  EXPECT_EQ(pelyx.out, std::string("pelyx ") + PELYX_VERSION + "\n");
  EXPECT_EQ(pelyx.err, "");
#ifdef PELYX_SIM_BINARY
  const auto sim = testing::RunProgram(PELYX_SIM_BINARY, {"--version"});
  EXPECT_EQ(sim.status, 0);
  EXPECT_EQ(sim.out, std::string("pelyx-sim ") + PELYX_VERSION + "\n");
  EXPECT_EQ(sim.err, "");
#endif
  // One version number: digits and dots.
  const std::string version = PELYX_VERSION;
  ASSERT_FALSE(version.empty());
  EXPECT_EQ(version.find_first_not_of("0123456789."), std::string::npos) << version;
  const auto usage = RunPelyx({"--help"});
  EXPECT_NE(usage.out.find("pelyx --version"), std::string::npos) << usage.out;
}

}  // namespace
}  // namespace pelyx::tools
