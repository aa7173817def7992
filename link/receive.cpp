#include "link/receive.h"

#include <algorithm>

namespace pelyx::link {

void ReadAnnounced(TThreadComm& port, uint32_t count, const ReceivedBytes& take) {
  char buffer[4096];
  while (count > 0 && port.IsOpen()) {
    const auto want = static_cast<int32_t>(std::min<uint32_t>(count, sizeof buffer));
    const int32_t n = port.Read(buffer, want);
    if (n <= 0) break;
    take(buffer, static_cast<size_t>(n));
    count -= std::min(count, static_cast<uint32_t>(n));
  }
}

void ReadNotified(TTCPIPClientThread& client, const ReceivedBytes& take) {
  char buffer[TTCPIPClientThread::kReceiveSize];
  const int32_t n = client.Receive(buffer);
  if (n > 0) take(buffer, static_cast<size_t>(n));
}

}  // namespace pelyx::link
