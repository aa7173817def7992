// Runs the pelyx program the way a user does and collects what it printed.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace pelyx::tools::testing {

struct RunResult {
  int status = -1;  // the exit status; -1 when the program did not exit normally
  std::string out;
  std::string err;
};

inline std::string ShellQuoted(const std::string& word) {
  std::string quoted = "'";
  for (char c : word) {
    if (c == '\'') {
      quoted += "'\\''";
    } else {
      quoted += c;
    }
  }
  return quoted + "'";
}

inline std::string ReadWholeFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Runs PELYX_BINARY with `args`; standard input from `stdinFile` when not empty,
// otherwise from /dev/null.
inline RunResult RunPelyx(const std::vector<std::string>& args, const std::string& stdinFile = "") {
  std::filesystem::path errFile =
      std::filesystem::temp_directory_path() /
      ("pelyx-test-err-" + std::to_string(::getpid()) + "-" + std::to_string(std::rand()));
  std::string command = ShellQuoted(PELYX_BINARY);
  for (const std::string& arg : args) command += " " + ShellQuoted(arg);
  command += " <" + ShellQuoted(stdinFile.empty() ? "/dev/null" : stdinFile);
  command += " 2>" + ShellQuoted(errFile.string());

  RunResult result;
  std::FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return result;
  char buffer[1 << 16];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) result.out.append(buffer, n);
  int raw = ::pclose(pipe);
  result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  result.err = ReadWholeFile(errFile);
  std::filesystem::remove(errFile);
  return result;
}

}  // namespace pelyx::tools::testing
