#include "bench/resultset/benchmemory.h"

#include <fstream>
#include <string>

namespace didu::bench {

namespace {
std::uint64_t statusField(const std::string& name)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(name + ":", 0) == 0)
            return std::stoull(line.substr(name.size() + 1)) * 1024; // given in kB
    return 0;
}
} // namespace

std::uint64_t residentBytes()
{
    return statusField("VmRSS");
}

void resetPeak()
{
    // Writing 5 to clear_refs sets the process's peak resident size back to its
    // current size, so that the peak of one piece of work can be read afterwards.
    std::ofstream("/proc/self/clear_refs") << "5";
}

std::uint64_t peakBytes()
{
    return statusField("VmHWM");
}

} // namespace didu::bench
