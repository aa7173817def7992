// pelyx: the command-line companion of the configuration tool.
#include <cstdio>
#include <span>
#include <string_view>

#include "link/ports.h"
#include "tools/decode.h"
#include "tools/device_commands.h"

namespace {

struct Command {
  const char* name;
  const char* arguments;
  int (*run)(std::span<const char* const> args);
};

int Decode(std::span<const char* const> args) {
  return pelyx::tools::RunDecode(args, stdin, stdout, stderr);
}

int Ports(std::span<const char* const> args) {
  pelyx::link::SysfsPortEnumerator ports;
  return pelyx::tools::RunPorts(args, ports, stdout, stderr);
}

int Info(std::span<const char* const> args) {
  pelyx::link::SysfsPortEnumerator ports;
  return pelyx::tools::RunInfo(args, ports, stdout, stderr);
}

int SetBaud(std::span<const char* const> args) {
  pelyx::link::SysfsPortEnumerator ports;
  return pelyx::tools::RunSetBaud(args, ports, stdout, stderr);
}

int Report(std::span<const char* const> args) {
  pelyx::link::SysfsPortEnumerator ports;
  return pelyx::tools::RunReportCommand(args, ports, stdout, stderr);
}

// clang-format off
constexpr Command kCommands[] = {
    {"decode", "[--stores] [--targets] [--now \"YYYY-MM-DD hh:mm:ss\"] [FILE...]", Decode},
    {"ports", "[--json]", Ports},
    {"info", "(--port DEVICE | --auto | --tcp HOST:PORT) [--json]", Info},
    {"set-baud", "(--port DEVICE | --auto | --tcp HOST:PORT) --in RATE --out RATE [--json]", SetBaud},
    {"report", "(--port DEVICE | --auto | --tcp HOST:PORT) -o FILE", Report},
};
// clang-format on

void Usage(std::FILE* to) {
  std::fputs("usage:\n", to);
  for (const Command& command : kCommands) {
    std::fprintf(to, "  pelyx %s %s\n", command.name, command.arguments);
  }
  std::fputs("RATE: 38400, 9600 or 4800 (the receiver's NMEA IN and NMEA OUT ports).\n", to);
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
