#include "bench/transfer/roundtrips.h"

#include <dlfcn.h>
#include <sys/socket.h>

#include <array>
#include <atomic>

namespace {

std::atomic<std::uint64_t> g_turns {0};
// Per descriptor: the last call on it was a send. Descriptors past the table are
// not counted (the benchmark opens few).
std::array<std::atomic<bool>, 4096> g_sending {};

template <typename Fn>
Fn next(const char* name)
{
    return reinterpret_cast<Fn>(::dlsym(RTLD_NEXT, name));
}

void sent(int fd)
{
    if (fd >= 0 && static_cast<std::size_t>(fd) < g_sending.size())
        g_sending[static_cast<std::size_t>(fd)] = true;
}

void received(int fd, ssize_t got)
{
    if (got > 0 && fd >= 0 && static_cast<std::size_t>(fd) < g_sending.size()
        && g_sending[static_cast<std::size_t>(fd)].exchange(false))
        ++g_turns;
}

} // namespace

namespace didu::bench {

std::uint64_t roundTrips()
{
    return g_turns.load();
}

} // namespace didu::bench

// The executable's own definitions come first in the symbol search, so the
// client library's calls land here and go on to the C library's.
extern "C" {

ssize_t send(int fd, const void* buffer, size_t length, int flags)
{
    static const auto real = next<ssize_t (*)(int, const void*, size_t, int)>("send");
    const ssize_t n = real(fd, buffer, length, flags);
    if (n > 0)
        sent(fd);
    return n;
}

ssize_t sendto(int fd, const void* buffer, size_t length, int flags, const sockaddr* to, socklen_t toLength)
{
    static const auto real = next<ssize_t (*)(int, const void*, size_t, int, const sockaddr*, socklen_t)>("sendto");
    const ssize_t n = real(fd, buffer, length, flags, to, toLength);
    if (n > 0)
        sent(fd);
    return n;
}

ssize_t recv(int fd, void* buffer, size_t length, int flags)
{
    static const auto real = next<ssize_t (*)(int, void*, size_t, int)>("recv");
    const ssize_t n = real(fd, buffer, length, flags);
    received(fd, n);
    return n;
}

ssize_t recvfrom(int fd, void* buffer, size_t length, int flags, sockaddr* from, socklen_t* fromLength)
{
    static const auto real = next<ssize_t (*)(int, void*, size_t, int, sockaddr*, socklen_t*)>("recvfrom");
    const ssize_t n = real(fd, buffer, length, flags, from, fromLength);
    received(fd, n);
    return n;
}

} // extern "C"
