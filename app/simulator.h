// `pelyx-config --simulator`: a simulated receiver inside the program, on a
// pseudo-terminal that the window finds among the machine's serial ports. Everything
// else runs as with a real receiver: the window opens the terminal with its serial
// component, identifies the receiver, configures it.
#pragma once

#include <algorithm>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "link/ports.h"
#include "tools/sim/receiver.h"

namespace pelyx::sim {
class Host;
}  // namespace pelyx::sim

namespace pelyx::app {

// The platform's ports and, after them, ports of the program's own.
class AddedPortsEnumerator final : public link::PortEnumerator {
 public:
  explicit AddedPortsEnumerator(link::PortEnumerator& platform) : platform_(platform) {}
  void Add(const std::string& name) { added_.push_back(name); }
  // The port of the program's own goes away (as an unplugged adapter's).
  void Remove(const std::string& name) { std::erase(added_, name); }
  bool Has(const std::string& name) const {
    return std::find(added_.begin(), added_.end(), name) != added_.end();
  }

  bool ListPorts(std::vector<std::string>& names) override;
  bool TrialOpen(const std::string& name) override { return platform_.TrialOpen(name); }

 private:
  link::PortEnumerator& platform_;
  std::vector<std::string> added_;
};

class EmbeddedSimulator {
 public:
  // The receiver of `config`; its clock starts at the machine's UTC time. With `tcp`, it
  // also serves a TCP listener on 127.0.0.1, as the receiver's Wi-Fi bridge does.
  explicit EmbeddedSimulator(sim::ReceiverConfig config = sim::DefaultReceiverConfig(),
                             bool tcp = false);
  ~EmbeddedSimulator();  // stops the receiver and waits for its thread
  EmbeddedSimulator(const EmbeddedSimulator&) = delete;
  EmbeddedSimulator& operator=(const EmbeddedSimulator&) = delete;

  // Creates the pseudo-terminal and starts the receiver's thread; false with a message
  // when the terminal cannot be made.
  bool Start(std::string& error);
  // The terminal's port name ("pts/3" for /dev/pts/3).
  std::string PortName() const;
  // The TCP listener's port on 127.0.0.1; 0 without one.
  int TcpPort() const;

 private:
  sim::ReceiverConfig config_;
  bool tcp_;
  std::unique_ptr<sim::Receiver> receiver_;
  std::unique_ptr<sim::Host> host_;
  std::thread thread_;
};

}  // namespace pelyx::app
