// pelyx-sim: a simulated receiver over a pseudo-terminal and/or TCP on 127.0.0.1.
#include <signal.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/sim/host.h"
#include "tools/sim/options.h"
#include "tools/sim/receiver.h"

#ifndef PELYX_VERSION
#define PELYX_VERSION "unknown"
#endif

namespace {

pelyx::sim::Host* g_host = nullptr;

extern "C" void OnSignal(int) {
  if (g_host != nullptr) g_host->RequestStop();
}

}  // namespace

int main(int argc, char** argv) {
  using namespace pelyx::sim;
  SimOptions options;
  std::string error;
  if (!ParseOptions(std::vector<std::string>(argv + 1, argv + argc), options, error)) {
    std::fprintf(stderr, "pelyx-sim: %s\n\n%s", error.c_str(), UsageText());
    return 2;
  }
  if (options.help) {
    std::fputs(UsageText(), stdout);
    return 0;
  }
  if (options.version) {
    std::printf("pelyx-sim %s\n", PELYX_VERSION);
    return 0;
  }

  // The simulated clock starts at the machine's UTC time.
  options.receiver.startUtcMillis = std::chrono::duration_cast<std::chrono::milliseconds>(
                                        std::chrono::system_clock::now().time_since_epoch())
                                        .count();
  Receiver receiver(options.receiver);
  HostOptions hostOptions;
  hostOptions.pty = options.pty;
  hostOptions.ptyLink = options.ptyLink;
  hostOptions.tcp = options.tcp;
  hostOptions.tcpPort = options.tcpPort;
  hostOptions.closeAfter = options.receiver.faults.closeAfter;
  hostOptions.hangUpOnRequest = options.receiver.faults.hangUpOnRequest;
  hostOptions.closeOnRestart = options.receiver.faults.closeOnRestart;
  Host host(receiver, hostOptions);
  if (!host.Open(error)) {
    std::fprintf(stderr, "pelyx-sim: %s\n", error.c_str());
    return 1;
  }
  if (options.pty) std::printf("%s\n", host.PtyPath().c_str());
  if (options.tcp) std::printf("tcp 127.0.0.1:%d\n", host.TcpPort());
  std::fflush(stdout);

  g_host = &host;
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  signal(SIGPIPE, SIG_IGN);

  host.Run(options.runFor);
  g_host = nullptr;

  const ReceiverCounters& c = receiver.Counters();
  std::fprintf(stderr,
               "pelyx-sim: %llu bytes sent, %d commands, %d answers, %d restarts, %d "
               "connections\n",
               static_cast<unsigned long long>(c.bytes), c.commands, c.answers, c.restarts,
               host.ConnectionsAccepted());
  return 0;
}
