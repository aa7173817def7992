#include "app/simulator.h"

#include <chrono>

#include "tools/sim/host.h"
#include "tools/sim/receiver.h"

namespace pelyx::app {

bool AddedPortsEnumerator::ListPorts(std::vector<std::string>& names) {
  std::vector<std::string> found;
  if (!platform_.ListPorts(found)) found.clear();
  for (const std::string& name : added_) found.push_back(name);
  names = std::move(found);
  return true;
}

EmbeddedSimulator::EmbeddedSimulator(sim::ReceiverConfig config, bool tcp)
    : config_(std::move(config)), tcp_(tcp) {}

EmbeddedSimulator::~EmbeddedSimulator() {
  if (host_) host_->RequestStop();
  if (thread_.joinable()) thread_.join();
}

bool EmbeddedSimulator::Start(std::string& error) {
  sim::ReceiverConfig config = config_;
  config.startUtcMillis = std::chrono::duration_cast<std::chrono::milliseconds>(
                              std::chrono::system_clock::now().time_since_epoch())
                              .count();
  receiver_ = std::make_unique<sim::Receiver>(config);
  sim::HostOptions options;
  options.pty = true;
  options.tcp = tcp_;
  options.closeAfter = config.faults.closeAfter;
  options.closeOnRestart = config.faults.closeOnRestart;
  host_ = std::make_unique<sim::Host>(*receiver_, options);
  if (!host_->Open(error)) return false;
  thread_ = std::thread([this] { host_->Run(-1); });
  return true;
}

int EmbeddedSimulator::TcpPort() const {
  return host_ ? host_->TcpPort() : 0;
}

std::string EmbeddedSimulator::PortName() const {
  const std::string& path = host_ ? host_->PtyPath() : std::string();
  return path.rfind("/dev/", 0) == 0 ? path.substr(5) : path;
}

}  // namespace pelyx::app
