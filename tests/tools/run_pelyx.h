// Runs the pelyx program the way a user does and collects what it printed.
#pragma once

#include <fcntl.h>
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
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

// Runs the program `binary` with `args`; standard input from `stdinFile` when not
// empty, otherwise from /dev/null.
inline RunResult RunProgram(const std::string& binary, const std::vector<std::string>& args,
                            const std::string& stdinFile = "") {
  std::filesystem::path errFile =
      std::filesystem::temp_directory_path() /
      ("pelyx-test-err-" + std::to_string(::getpid()) + "-" + std::to_string(std::rand()));
  std::string command = ShellQuoted(binary);
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

// Runs PELYX_BINARY with `args`, as RunProgram.
inline RunResult RunPelyx(const std::vector<std::string>& args, const std::string& stdinFile = "") {
  return RunProgram(PELYX_BINARY, args, stdinFile);
}

// Runs PELYX_BINARY with `args` as the user `uid` and group `gid` (without supplementary
// groups) when they differ from the test's own; standard input from /dev/null.
inline RunResult RunPelyxAs(const std::vector<std::string>& args, uid_t uid, gid_t gid) {
  const std::filesystem::path base =
      std::filesystem::temp_directory_path() /
      ("pelyx-test-as-" + std::to_string(::getpid()) + "-" + std::to_string(std::rand()));
  const std::string outFile = base.string() + ".out";
  const std::string errFile = base.string() + ".err";
  std::vector<std::string> words = {PELYX_BINARY};
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);

  RunResult result;
  const pid_t child = ::fork();
  if (child < 0) return result;
  if (child == 0) {
    // Only async-signal-safe calls from here on.
    const int in = ::open("/dev/null", O_RDONLY);
    const int out = ::open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err = ::open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in < 0 || out < 0 || err < 0 || ::dup2(in, 0) < 0 || ::dup2(out, 1) < 0 ||
        ::dup2(err, 2) < 0) {
      ::_exit(126);
    }
    if (uid != ::getuid() || gid != ::getgid()) {
      if (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0) ::_exit(126);
    }
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  int raw = 0;
  while (::waitpid(child, &raw, 0) < 0 && errno == EINTR) {
  }
  result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  result.out = ReadWholeFile(outFile);
  result.err = ReadWholeFile(errFile);
  std::filesystem::remove(outFile);
  std::filesystem::remove(errFile);
  return result;
}

}  // namespace pelyx::tools::testing
