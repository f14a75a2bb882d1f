// Peak memory of the running process, measured around one piece of work.
#pragma once

#include <cstdint>

namespace didu::bench {

/// Resident bytes now.
std::uint64_t residentBytes();
/// Starts a measurement: the peak is set back to what is resident now.
void resetPeak();
/// Highest resident bytes since the last resetPeak().
std::uint64_t peakBytes();

} // namespace didu::bench
