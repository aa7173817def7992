// TESK AIS Receiver Configuration: configures and checks a Pelyx AIS receiver.
//
// With the one option --simulator, a simulated receiver runs inside the program on a
// pseudo-terminal, listed among the serial ports, so the window can be tried without a
// receiver.
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "app/simulator.h"
#include "app/startup.h"

int main(int argc, char** argv) {
  bool simulator = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--simulator") == 0) simulator = true;
  }
  if (!simulator) return pelyx::app::RunApplication(argc, argv);

  pelyx::link::SysfsPortEnumerator platform;
  pelyx::app::AddedPortsEnumerator ports(platform);
  pelyx::app::EmbeddedSimulator receiver;
  std::string error;
  if (!receiver.Start(error)) {
    std::fprintf(stderr, "pelyx-config: the simulated receiver cannot start: %s\n", error.c_str());
    return 1;
  }
  ports.Add(receiver.PortName());
  std::fprintf(stderr, "pelyx-config: simulated receiver on /dev/%s\n",
               receiver.PortName().c_str());
  return pelyx::app::RunApplication(argc, argv, &ports);
}
