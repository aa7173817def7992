// pelyx: the command-line companion of the configuration tool.
#include <cstdio>
#include <span>
#include <string_view>

#include "link/ports.h"
#include "tools/decode.h"
#include "tools/device_commands.h"

namespace {

#ifndef PELYX_VERSION
#define PELYX_VERSION "unknown"
#endif

struct Command {
  const char* name;
  const char* arguments;
  const char* help;  // what the command does and what its options mean
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

constexpr char kLinkHelp[] =
    "  --port DEVICE    the serial port: its device path (links are followed) or its\n"
    "                   name under /dev, such as ttyUSB0\n"
    "  --auto           find the receiver's port among the openable serial ports\n"
    "  --tcp HOST:PORT  the receiver's Wi-Fi bridge at a dotted IPv4 address\n";

// clang-format off
constexpr Command kCommands[] = {
    {"decode", "[--stores] [--targets] [--now \"YYYY-MM-DD hh:mm:ss\"] [FILE...]",
     "Decodes recorded receiver output (standard input without FILE) into JSON Lines.\n"
     "  --stores         then the data stores and the reception counts\n"
     "  --targets        then the table of heard stations\n"
     "  --now TIME       the local time the stations are stamped with\n",
     Decode},
    {"ports", "[--json]",
     "Lists the serial ports and whether each can be opened now.\n"
     "  --json           one JSON line\n",
     Ports},
    {"info", "(--port DEVICE | --auto | --tcp HOST:PORT) [--json] [--show-password]",
     "Connects, identifies the receiver and prints its product information.\n",
     Info},
    {"set-baud", "(--port DEVICE | --auto | --tcp HOST:PORT) --in RATE --out RATE [--json] [--show-password]",
     "Sets the NMEA IN and NMEA OUT rates, rides out the restart and prints the product\n"
     "information read back.\n"
     "  --in RATE        NMEA IN: 38400, 9600 or 4800\n"
     "  --out RATE       NMEA OUT: 38400, 9600 or 4800\n",
     SetBaud},
    {"report", "(--port DEVICE | --auto | --tcp HOST:PORT) -o FILE",
     "Writes the configuration report to FILE.\n"
     "  -o FILE          the report file (replaced)\n",
     Report},
};
// clang-format on

bool IsLinkCommand(const Command& command) {
  return std::string_view(command.arguments).starts_with("(--port");
}

void CommandUsage(const Command& command, std::FILE* to) {
  std::fprintf(to, "usage: pelyx %s %s\n\n%s", command.name, command.arguments, command.help);
  if (IsLinkCommand(command)) std::fputs(kLinkHelp, to);
  if (std::string_view(command.arguments).find("[--json]") != std::string_view::npos &&
      IsLinkCommand(command)) {
    std::fputs("  --json           one JSON line {\"productInfo\": {...}}\n", to);
  }
  if (std::string_view(command.arguments).find("--show-password") != std::string_view::npos) {
    std::fputs("  --show-password  show the Wi-Fi password in the text output (masked otherwise)\n",
               to);
  }
}

bool AsksForHelp(std::span<const char* const> args) {
  for (std::string_view arg : args) {
    if (arg == "--help" || arg == "-h") return true;
  }
  return false;
}

void Usage(std::FILE* to) {
  std::fputs("usage:\n", to);
  for (const Command& command : kCommands) {
    std::fprintf(to, "  pelyx %s %s\n", command.name, command.arguments);
  }
  std::fputs("  pelyx COMMAND --help\n  pelyx --version\n", to);
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
  if (name == "--version") {
    std::printf("pelyx %s\n", PELYX_VERSION);
    return 0;
  }
  for (const Command& command : kCommands) {
    if (name != command.name) continue;
    if (AsksForHelp(args.subspan(2))) {
      CommandUsage(command, stdout);
      return 0;
    }
    return command.run(args.subspan(2));
  }
  std::fprintf(stderr, "pelyx: unknown command '%s'\n", args[1]);
  Usage(stderr);
  return 1;
}
