// Round trips to a database server, counted at this process's sockets: the
// client library's send, sendto, recv and recvfrom calls pass through here. A
// round trip is a turn from sending to receiving on one socket, however many
// packets or reads the answer takes, so the count does not depend on how busy
// the machine is.
#pragma once

#include <cstdint>

namespace didu::bench {

/// Round trips made by this process so far.
std::uint64_t roundTrips();

} // namespace didu::bench
