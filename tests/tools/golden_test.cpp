// Golden logs: `pelyx decode --stores --targets` over every recording of tests/data, with
// the clock fixed by --now, must print exactly tests/data/expected/<folder>/<file>.jsonl. After a deliberate change of the
// output, scripts/regenerate_golden.sh rewrites them and the diff is reviewed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/tools/run_pelyx.h"

namespace pelyx::tools {
namespace {

namespace fs = std::filesystem;
using testing::ReadWholeFile;
using testing::RunPelyx;

const fs::path kData = PELYX_TEST_DATA;
constexpr const char* kFolders[] = {"ais", "gnss", "quirks"};
// The local time the golden runs stamp the stations with (scripts/regenerate_golden.sh).
constexpr const char* kGoldenNow = "2026-01-01 12:00:00";

// "ais/sample.aivdm" and the like, sorted.
std::vector<std::string> Recordings() {
  std::vector<std::string> names;
  for (const char* folder : kFolders) {
    for (const auto& entry : fs::directory_iterator(kData / folder)) {
      if (entry.is_regular_file()) {
        names.push_back(std::string(folder) + "/" + entry.path().filename().string());
      }
    }
  }
  std::sort(names.begin(), names.end());
  return names;
}

fs::path ExpectedFile(const std::string& recording) {
  return kData / "expected" / (recording + ".jsonl");
}

// Line number and both texts of the first difference.
std::string FirstDifference(const std::string& actual, const std::string& expected) {
  size_t line = 1;
  size_t start = 0;
  for (;;) {
    size_t a = actual.find('\n', start);
    size_t e = expected.find('\n', start);
    std::string actualLine = actual.substr(start, a == std::string::npos ? a : a - start);
    std::string expectedLine = expected.substr(start, e == std::string::npos ? e : e - start);
    if (actualLine != expectedLine || a != e) {
      return "output line " + std::to_string(line) + "\n  expected: " + expectedLine +
             "\n  actual:   " + actualLine;
    }
    if (a == std::string::npos) return "no difference";
    start = a + 1;
    ++line;
  }
}

class GoldenLog : public ::testing::TestWithParam<std::string> {};

TEST_P(GoldenLog, DecodeOutputMatchesTheExpectedFile) {
  const std::string& recording = GetParam();
  fs::path expectedFile = ExpectedFile(recording);
  ASSERT_TRUE(fs::exists(expectedFile))
      << expectedFile << " is missing: run scripts/regenerate_golden.sh and review it";
  auto run = RunPelyx({"decode", "--stores", "--targets", "--now", kGoldenNow,
                       (kData / recording).string()});
  ASSERT_EQ(run.status, 0) << run.err;
  const std::string expected = ReadWholeFile(expectedFile);
  if (run.out != expected) {
    FAIL() << recording << " differs from " << expectedFile << ", first at "
           << FirstDifference(run.out, expected);
  }
}

std::string TestName(const ::testing::TestParamInfo<std::string>& info) {
  std::string name;
  for (char c : info.param) name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
  return name;
}

INSTANTIATE_TEST_SUITE_P(Recordings, GoldenLog, ::testing::ValuesIn(Recordings()), TestName);

TEST(GoldenLogs, EveryExpectedFileHasItsRecording) {
  std::vector<std::string> recordings = Recordings();
  ASSERT_GE(recordings.size(), 30u);
  for (const char* folder : kFolders) {
    fs::path expectedFolder = kData / "expected" / folder;
    ASSERT_TRUE(fs::is_directory(expectedFolder)) << expectedFolder;
    for (const auto& entry : fs::directory_iterator(expectedFolder)) {
      std::string name = entry.path().filename().string();
      ASSERT_TRUE(name.ends_with(".jsonl")) << name;
      std::string recording = std::string(folder) + "/" + name.substr(0, name.size() - 6);
      EXPECT_TRUE(std::binary_search(recordings.begin(), recordings.end(), recording))
          << entry.path() << " has no recording: a stale expectation";
    }
  }
}

}  // namespace
}  // namespace pelyx::tools
