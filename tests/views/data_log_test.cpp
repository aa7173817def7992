#include "views/data_log.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace pelyx::views {
namespace {

class MemoView : public LogView {
 public:
  void AppendLines(std::string_view lines) override {
    ++appends;
    if (!text.empty()) text += '\n';
    text.append(lines);
  }
  std::string text;
  int appends = 0;
};

struct Asked {
  std::string text, caption;
  LogButtons buttons;
  LogIcon icon;
};

class ScriptedPrompt : public LogPrompt {
 public:
  LogAnswer Message(std::string_view text, std::string_view caption, LogButtons buttons,
                    LogIcon icon) override {
    asked.push_back({std::string(text), std::string(caption), buttons, icon});
    return answer;
  }
  std::optional<std::string> SaveFileName(const LogFileDialog& dialog) override {
    dialogs.push_back(std::string(dialog.filter) + " / " + std::string(dialog.defaultExtension));
    return fileName;
  }
  LogAnswer answer = LogAnswer::kOk;
  std::optional<std::string> fileName;
  std::vector<Asked> asked;
  std::vector<std::string> dialogs;
};

class MemoryFiles : public LogFiles {
 public:
  bool Exists(const std::string& path) override { return files.count(path) != 0; }
  bool Write(const std::string& path, std::string_view bytes) override {
    if (failWrites) return false;
    files[path] = std::string(bytes);
    return true;
  }
  std::map<std::string, std::string> files;
  bool failWrites = false;
};

// ---- Logging through the line assembler ----

TEST(DataLogTest, NothingIsLoggedWhileLoggingIsOff) {
  MemoView memo;
  DataLog log(memo);
  LineAssembler assembler;
  assembler.SetLog(&log);
  assembler.Feed("$GPGGA,1\r\n$GPGGA,2\r\n");
  log.Flush();
  EXPECT_EQ(memo.text, "");
  EXPECT_EQ(memo.appends, 0);
}

TEST(DataLogTest, LineBegunBeforeTheTickIsLoggedWhole) {
  MemoView memo;
  DataLog log(memo);
  LineAssembler assembler;
  assembler.SetLog(&log);
  assembler.Feed("skipped\r\n$GPRMC,12");
  log.SetLoggingEnabled(true);
  assembler.Feed("3456\r\n");
  log.Flush();
  EXPECT_EQ(memo.text, "$GPRMC,123456");
}

TEST(DataLogTest, LongLinesAreLoggedToo) {
  MemoView memo;
  DataLog log(memo);
  log.SetLoggingEnabled(true);
  LineAssembler assembler;
  assembler.SetLog(&log);
  const std::string hundred(100, 'x');
  assembler.Feed(hundred + "\r\n");
  log.Flush();
  EXPECT_EQ(memo.text, hundred);
}

TEST(DataLogTest, LinesOfOneNotificationGoToTheViewInOneAppendInOrder) {
  MemoView memo;
  DataLog log(memo);
  log.SetLoggingEnabled(true);
  LineAssembler assembler;
  assembler.SetLog(&log);
  assembler.Feed("one\r\ntwo\r\n\r\nfour\r\nfiv");  // one notification's bytes
  EXPECT_EQ(memo.appends, 0);
  EXPECT_EQ(log.PendingLines(), 4u);
  log.Flush();
  EXPECT_EQ(memo.appends, 1);
  EXPECT_EQ(memo.text, "one\ntwo\n\nfour");
  log.Flush();  // nothing new: no append
  EXPECT_EQ(memo.appends, 1);
  assembler.Feed("e\n");
  log.Flush();
  EXPECT_EQ(memo.appends, 2);
  EXPECT_EQ(memo.text, "one\ntwo\n\nfour\nfive");
}

TEST(DataLogTest, LinesCompletedWhileOnStayLoggedWhenTurnedOffBeforeTheFlush) {
  MemoView memo;
  DataLog log(memo);
  log.SetLoggingEnabled(true);
  log.AppendLine("kept");
  log.SetLoggingEnabled(false);
  log.AppendLine("dropped");
  log.Flush();
  EXPECT_EQ(memo.text, "kept");
}

// ---- Clear ----

struct ClearCase {
  LogAnswer answer;
  ClearResult result;
};

class ClearTest : public testing::TestWithParam<ClearCase> {};

TEST_P(ClearTest, AsksFirst) {
  ScriptedPrompt prompt;
  prompt.answer = GetParam().answer;
  EXPECT_EQ(ConfirmClearLog(prompt), GetParam().result);
  ASSERT_EQ(prompt.asked.size(), 1u);
  EXPECT_EQ(prompt.asked[0].text, "Are you sure to clear log?");
  EXPECT_EQ(prompt.asked[0].caption, "Warning");
  EXPECT_EQ(prompt.asked[0].buttons, LogButtons::kOkCancel);
  EXPECT_EQ(prompt.asked[0].icon, LogIcon::kNone);
}

INSTANTIATE_TEST_SUITE_P(Answers, ClearTest,
                         testing::Values(ClearCase{LogAnswer::kOk, ClearResult::kCleared},
                                         ClearCase{LogAnswer::kCancel, ClearResult::kKept}));

// ---- Save ----

struct LinesCase {
  std::string text;
  std::vector<std::string> lines;
};

class LogLinesTest : public testing::TestWithParam<LinesCase> {};

TEST_P(LogLinesTest, Split) {
  std::vector<std::string> lines;
  for (std::string_view line : LogLines(GetParam().text)) lines.emplace_back(line);
  EXPECT_EQ(lines, GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(Texts, LogLinesTest,
                         testing::Values(LinesCase{"", {}}, LinesCase{"a", {"a"}},
                                         LinesCase{"a\nb", {"a", "b"}},
                                         LinesCase{"a\nb\n", {"a", "b"}},
                                         LinesCase{"a\n\nb", {"a", "", "b"}}, LinesCase{"\n", {""}},
                                         LinesCase{"a\r\nb", {"a", "b"}}));

TEST(SaveLogTest, WritesEveryLineWithCrLf) {
  ScriptedPrompt prompt;
  prompt.fileName = "/logs/a.TXT";
  MemoryFiles files;
  EXPECT_EQ(SaveLog("$GPGGA,1\n!AIVDM,2\nlast", prompt, files), SaveResult::kSaved);
  EXPECT_EQ(files.files["/logs/a.TXT"], "$GPGGA,1\r\n!AIVDM,2\r\nlast\r\n");
  EXPECT_TRUE(prompt.asked.empty());
  ASSERT_EQ(prompt.dialogs.size(), 1u);
  EXPECT_EQ(prompt.dialogs[0], "Data Log File (*.TXT)|*.TXT / TXT");
}

TEST(SaveLogTest, CancelledDialogWritesNothing) {
  ScriptedPrompt prompt;
  MemoryFiles files;
  EXPECT_EQ(SaveLog("x", prompt, files), SaveResult::kCancelled);
  EXPECT_TRUE(files.files.empty());
  EXPECT_TRUE(prompt.asked.empty());
}

struct OverwriteCase {
  LogAnswer answer;
  SaveResult result;
  std::string content;
};

class OverwriteTest : public testing::TestWithParam<OverwriteCase> {};

TEST_P(OverwriteTest, AsksBeforeReplacingAFile) {
  ScriptedPrompt prompt;
  prompt.fileName = "old.TXT";
  prompt.answer = GetParam().answer;
  MemoryFiles files;
  files.files["old.TXT"] = "previous";
  EXPECT_EQ(SaveLog("new", prompt, files), GetParam().result);
  EXPECT_EQ(files.files["old.TXT"], GetParam().content);
  ASSERT_EQ(prompt.asked.size(), 1u);
  EXPECT_EQ(prompt.asked[0].text, "File already exists. Do you want to overwrite?");
  EXPECT_EQ(prompt.asked[0].caption, "WARNING");
  EXPECT_EQ(prompt.asked[0].buttons, LogButtons::kYesNo);
  EXPECT_EQ(prompt.asked[0].icon, LogIcon::kNone);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, OverwriteTest,
    testing::Values(OverwriteCase{LogAnswer::kYes, SaveResult::kSaved, "new\r\n"},
                    OverwriteCase{LogAnswer::kNo, SaveResult::kKeptExisting, "previous"},
                    OverwriteCase{LogAnswer::kCancel, SaveResult::kKeptExisting, "previous"}));

TEST(SaveLogTest, FailedWriteIsReportedNotTakenForSuccess) {
  ScriptedPrompt prompt;
  prompt.fileName = "x.TXT";
  MemoryFiles files;
  files.failWrites = true;
  EXPECT_EQ(SaveLog("line", prompt, files), SaveResult::kWriteFailed);
  ASSERT_EQ(prompt.asked.size(), 1u);
  EXPECT_EQ(prompt.asked[0].icon, LogIcon::kError);
  EXPECT_NE(prompt.asked[0].text.find("x.TXT"), std::string::npos);
}

class StdFilesTest : public testing::Test {
 protected:
  void SetUp() override {
    dir = std::filesystem::temp_directory_path() / ("views_data_log_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
  }
  void TearDown() override { std::filesystem::remove_all(dir); }
  static std::string Read(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  std::filesystem::path dir;
};

TEST_F(StdFilesTest, OverwriteAnsweredNoLeavesTheFileUntouched) {
  const auto path = dir / "log.TXT";
  { std::ofstream(path, std::ios::binary) << "keep me\r\n"; }
  ScriptedPrompt prompt;
  prompt.fileName = path.string();
  prompt.answer = LogAnswer::kNo;
  StdLogFiles files;
  EXPECT_EQ(SaveLog("replacement", prompt, files), SaveResult::kKeptExisting);
  EXPECT_EQ(Read(path), "keep me\r\n");

  prompt.answer = LogAnswer::kYes;
  EXPECT_EQ(SaveLog("a\nb", prompt, files), SaveResult::kSaved);
  EXPECT_EQ(Read(path), "a\r\nb\r\n");  // the longer old content is gone
}

TEST_F(StdFilesTest, UnwritablePathFails) {
  ScriptedPrompt prompt;
  prompt.fileName = (dir / "no-such-folder" / "log.TXT").string();
  StdLogFiles files;
  EXPECT_EQ(SaveLog("a", prompt, files), SaveResult::kWriteFailed);
}

// ---- Console ----

struct SendCase {
  std::string text;
  std::string line;
};

class SendTest : public testing::TestWithParam<SendCase> {};

TEST_P(SendTest, SendsTheTextAsTypedWithCrLf) {
  ScriptedPrompt prompt;
  std::vector<std::string> written;
  auto writeLine = [&](std::string_view line) {
    written.emplace_back(line);
    return true;
  };
  EXPECT_TRUE(SendCommand(GetParam().text, writeLine, prompt));
  EXPECT_EQ(written, std::vector<std::string>{GetParam().line});
  EXPECT_TRUE(prompt.asked.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Lines, SendTest,
    testing::Values(SendCase{"", "\r\n"},
                    SendCase{"$PTSK,Q,DBG,99,1*00", "$PTSK,Q,DBG,99,1*00\r\n"},  // wrong sum kept
                    SendCase{"  spaced  ", "  spaced  \r\n"},                    // no trimming
                    SendCase{std::string(86, 'C'), std::string(86, 'C') + "\r\n"}));

TEST(SendTest, FailedWriteShowsTheError) {
  ScriptedPrompt prompt;
  EXPECT_FALSE(SendCommand(
      "hello", [](std::string_view) { return false; }, prompt));
  ASSERT_EQ(prompt.asked.size(), 1u);
  EXPECT_EQ(prompt.asked[0].text, "Send message error");
  EXPECT_EQ(prompt.asked[0].caption, "error");
  EXPECT_EQ(prompt.asked[0].buttons, LogButtons::kOk);
  EXPECT_EQ(prompt.asked[0].icon, LogIcon::kError);
}

TEST(SendTest, NoLinkToWriteToIsAFailure) {
  ScriptedPrompt prompt;
  EXPECT_FALSE(SendCommand("hello", WriteLineFunction{}, prompt));
  EXPECT_EQ(prompt.asked.size(), 1u);
}

// ---- The log while the user edits it ----

TEST(LogCapTest, OnlyArrivingLinesPushTheOldestOut) {
  struct Case {
    int64_t lines, arriving, maxLines, drop;
  };
  const Case cases[] = {
      {0, 1, 5, 0},     // an empty log takes its first line
      {4, 1, 5, 0},     // up to the limit nothing goes
      {5, 1, 5, 1},     // one over: the oldest goes
      {5, 3, 5, 3},     // a burst: as many as came
      {2, 9, 5, 6},     // a burst beyond the limit: the old lines and the first new ones
      {7, 1, 5, 3},     // lines the user added count as lines of the log
      {7, 0, 5, 0},     // no arriving line, nothing goes: an edit alone never drops
      {100, 50, 0, 0},  // no limit
  };
  for (const Case& c : cases) {
    EXPECT_EQ(LinesToDrop(c.lines, c.arriving, c.maxLines), c.drop)
        << c.lines << " + " << c.arriving << " of " << c.maxLines;
  }
}

// The log view as the window keeps it: received lines go onto the end, the oldest lines
// beyond the limit go from the front, and the user's place is put back.
struct EditedLog {
  std::string text;
  LogEditPlace place;

  static int64_t LineCount(const std::string& s) {
    return s.empty() ? 0 : static_cast<int64_t>(std::count(s.begin(), s.end(), '\n')) + 1;
  }
  void Receive(const std::string& lines, int64_t maxLines) {
    const int64_t before = LineCount(text);
    if (!text.empty()) text += '\n';
    text += lines;
    int64_t drop = LinesToDrop(before, LineCount(lines), maxLines);
    size_t dropped = 0;
    while (drop-- > 0) dropped = text.find('\n', dropped) + 1;
    text.erase(0, dropped);
    place = PlaceAfterAppend(place, static_cast<int64_t>(dropped));
  }
  std::string Selected() const {
    const auto [from, to] = std::minmax(place.anchor, place.position);
    return text.substr(static_cast<size_t>(from), static_cast<size_t>(to - from));
  }
  std::string BeforeCursor(size_t n) const {
    const size_t at = static_cast<size_t>(place.position);
    return text.substr(at >= n ? at - n : 0, std::min(n, at));
  }
};

TEST(LogEditPlaceTest, TheUsersPlaceStaysOnItsCharactersWhileLinesArrive) {
  struct Case {
    const char* what;
    std::string text;
    LogEditPlace place;
    std::string arriving;
    int64_t maxLines;
    std::string selected;      // the user's selection afterwards
    std::string beforeCursor;  // the two characters before the cursor afterwards
  };
  const Case cases[] = {
      {"cursor in the middle of a line", "L1\nL2 note\nL3", {5, 5}, "L4", 0, "", "L2"},
      {"cursor at the end", "L1\nL2", {5, 5}, "L3\nL4", 0, "", "L2"},
      {"cursor at the end of an empty log", "", {0, 0}, "L1", 0, "", ""},
      {"selection reaching the end", "L1\nL2", {3, 5}, "L3", 0, "L2", "L2"},
      {"selection made backwards to the end", "L1\nL2", {5, 3}, "L3", 0, "L2", "1\n"},
      {"whole text selected", "L1\nL2", {0, 5}, "L3", 0, "L1\nL2", "L2"},
      {"cursor behind the oldest lines that go", "L1\nL2\nL3", {6, 6}, "L4", 3, "", "2\n"},
      {"selection over the end, oldest line going", "L1\nL2\nL3", {6, 8}, "L4", 3, "L3", "L3"},
      {"selection across the line that goes", "L1\nL2\nL3", {1, 4}, "L4", 3, "L", "L"},
      {"cursor on a line that goes", "L1\nL2\nL3", {1, 1}, "L4", 3, "", ""},
      {"burst larger than the log", "L1\nL2", {5, 5}, "A\nB\nC", 2, "", ""},
  };
  for (const Case& c : cases) {
    EditedLog log{c.text, c.place};
    log.Receive(c.arriving, c.maxLines);
    EXPECT_EQ(log.Selected(), c.selected) << c.what;
    EXPECT_EQ(log.BeforeCursor(2), c.beforeCursor) << c.what;
    // The received lines are there, whole, at the end.
    EXPECT_EQ(log.text.substr(log.text.size() - std::min(log.text.size(), c.arriving.size())),
              c.arriving.substr(c.arriving.size() - std::min(log.text.size(), c.arriving.size())))
        << c.what;
  }
}

TEST(LogEditPlaceTest, TypingAtTheOldEndNeverJoinsTheNewLine) {
  EditedLog log{"L1\nL2", {5, 5}};
  log.Receive("L3", 0);
  log.text.insert(static_cast<size_t>(log.place.position), " seen");
  EXPECT_EQ(log.text, "L1\nL2 seen\nL3");
}

}  // namespace
}  // namespace pelyx::views
