// Reading what a receive notification of either link brought, for whoever assembles the
// received bytes into lines.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "link/comm.h"
#include "link/tcp_client.h"

namespace pelyx::link {

using ReceivedBytes = std::function<void(const char* bytes, size_t count)>;

// Reads the `count` bytes the serial component's receive notification announced, in
// pieces, and hands each piece to `take`; stops early when the port closes (a consumer
// of the lines may close it).
void ReadAnnounced(TThreadComm& port, uint32_t count, const ReceivedBytes& take);

// Reads what one receive notification of the TCP client brought (at most
// kReceiveSize bytes) and hands it to `take`.
void ReadNotified(TTCPIPClientThread& client, const ReceivedBytes& take);

}  // namespace pelyx::link
