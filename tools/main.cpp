// pelyx: the command-line companion of the configuration tool.
#include <cstdio>
#include <span>
#include <string_view>

#include "tools/decode.h"

namespace {

struct Command {
  const char* name;
  const char* arguments;
  int (*run)(std::span<const char* const> args);
};

int Decode(std::span<const char* const> args) {
  return pelyx::tools::RunDecode(args, stdin, stdout, stderr);
}

// clang-format off
constexpr Command kCommands[] = {
    {"decode", "[--stores] [--targets] [--now \"YYYY-MM-DD hh:mm:ss\"] [FILE...]", Decode},
};
// clang-format on

void Usage(std::FILE* to) {
  std::fputs("usage:\n", to);
  for (const Command& command : kCommands) {
    std::fprintf(to, "  pelyx %s %s\n", command.name, command.arguments);
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::span<const char* const> args(argv, static_cast<size_t>(argc));
  if (args.size() < 2) {
    Usage(stderr);
    return 1;
  }
  std::string_view name = args[1];
  if (name == "help" || name == "--help" || name == "-h") {
    Usage(stdout);
    return 0;
  }
  for (const Command& command : kCommands) {
    if (name == command.name) return command.run(args.subspan(2));
  }
  std::fprintf(stderr, "pelyx: unknown command '%s'\n", args[1]);
  Usage(stderr);
  return 1;
}
