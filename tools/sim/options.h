// The command line of pelyx-sim.
#pragma once

#include <string>
#include <vector>

#include "tools/sim/receiver.h"

namespace pelyx::sim {

struct SimOptions {
  ReceiverConfig receiver = DefaultReceiverConfig();
  bool pty = false;
  std::string ptyLink;  // empty: no symlink
  bool tcp = false;
  int tcpPort = 0;     // 0: any free port
  Millis runFor = -1;  // -1: until interrupted
  bool help = false;
  bool version = false;
};

// Parses the arguments after the program name. False, with a message in `error`, for an
// unknown option, a missing or malformed value, or neither --pty nor --tcp (unless
// --help or --version was given).
bool ParseOptions(const std::vector<std::string>& args, SimOptions& options, std::string& error);

// The usage text printed by --help.
const char* UsageText();

}  // namespace pelyx::sim
