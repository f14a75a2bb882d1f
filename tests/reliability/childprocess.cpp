#include "tests/reliability/childprocess.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <map>
#include <poll.h>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace didu::test {

namespace {

std::vector<std::string> mergedEnvironment(const std::vector<std::string>& extra)
{
    std::map<std::string, std::string> byName;
    std::vector<std::string> order;
    auto put = [&](const std::string& entry) {
        const std::string name = entry.substr(0, entry.find('='));
        if (!byName.count(name))
            order.push_back(name);
        byName[name] = entry;
    };
    for (char** e = environ; *e; ++e)
        put(*e);
    for (const std::string& entry : extra)
        put(entry);
    std::vector<std::string> merged;
    for (const std::string& name : order)
        merged.push_back(byName[name]);
    return merged;
}

std::string tempFile()
{
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/didu-child-XXXXXX";
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0)
        throw std::runtime_error("cannot create " + pattern);
    ::close(fd);
    return pattern;
}

using Clock = std::chrono::steady_clock;

} // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& argv, const std::vector<std::string>& environment)
{
    if (argv.empty())
        throw std::invalid_argument("no program to start");
    m_stderrPath = tempFile();
    const std::vector<std::string> env = mergedEnvironment(environment);
    std::vector<char*> args, envp;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    for (const std::string& e : env)
        envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);

    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0)
        throw std::runtime_error("cannot make a pipe");
    const int err = ::open(m_stderrPath.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    m_pid = ::fork();
    if (m_pid == 0) {
        ::dup2(out[1], STDOUT_FILENO);
        ::dup2(err, STDERR_FILENO);
        ::execve(args[0], args.data(), envp.data());
        ::_exit(127);
    }
    ::close(out[1]);
    ::close(err);
    m_stdout = out[0];
    if (m_pid < 0) {
        ::close(m_stdout);
        throw std::runtime_error("cannot start " + argv[0]);
    }
}

ChildProcess::~ChildProcess()
{
    if (!m_reaped && m_pid > 0) {
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
    }
    if (m_stdout >= 0)
        ::close(m_stdout);
    ::unlink(m_stderrPath.c_str());
}

std::optional<std::string> ChildProcess::readLine(std::chrono::milliseconds timeout)
{
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        const auto newline = m_buffer.find('\n');
        if (newline != std::string::npos) {
            std::string line = m_buffer.substr(0, newline);
            m_buffer.erase(0, newline + 1);
            return line;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return std::nullopt;
        pollfd p {m_stdout, POLLIN, 0};
        const int ready = ::poll(&p, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return std::nullopt;
        char chunk[4096];
        const ssize_t n = ::read(m_stdout, chunk, sizeof chunk);
        if (n <= 0) {
            m_outputClosed = true;
            return std::nullopt;
        }
        m_buffer.append(chunk, static_cast<std::size_t>(n));
    }
}

void ChildProcess::signal(int number)
{
    if (!m_reaped)
        ::kill(m_pid, number);
}

std::optional<int> ChildProcess::wait(std::chrono::milliseconds timeout)
{
    const auto deadline = Clock::now() + timeout;
    int status = 0;
    for (;;) {
        const pid_t done = ::waitpid(m_pid, &status, WNOHANG);
        if (done == m_pid)
            break;
        if (Clock::now() >= deadline) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
            m_reaped = true;
            return std::nullopt;
        }
        // Keep the pipe drained so a chatty child never blocks on a full pipe;
        // once it is closed, just wait a little between looks.
        pollfd p {m_stdout, POLLIN, 0};
        if (!m_outputClosed && ::poll(&p, 1, 20) > 0) {
            char chunk[4096];
            const ssize_t n = ::read(m_stdout, chunk, sizeof chunk);
            if (n > 0)
                m_buffer.append(chunk, static_cast<std::size_t>(n));
            else
                m_outputClosed = true;
        } else if (m_outputClosed) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    m_reaped = true;
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    return WEXITSTATUS(status);
}

std::string ChildProcess::remainingOutput()
{
    char chunk[4096];
    for (;;) {
        pollfd p {m_stdout, POLLIN, 0};
        if (::poll(&p, 1, 0) <= 0)
            break;
        const ssize_t n = ::read(m_stdout, chunk, sizeof chunk);
        if (n <= 0)
            break;
        m_buffer.append(chunk, static_cast<std::size_t>(n));
    }
    std::string all;
    all.swap(m_buffer);
    return all;
}

std::string ChildProcess::errorOutput() const
{
    std::ifstream in(m_stderrPath, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

CommandResult runCommand(const std::vector<std::string>& argv, std::chrono::seconds timeout,
                         const std::vector<std::string>& environment)
{
    ChildProcess child(argv, environment);
    const auto code = child.wait(timeout);
    CommandResult result;
    result.exitCode = code ? *code : -1;
    result.output = child.remainingOutput() + child.errorOutput();
    return result;
}

std::string executableFolder()
{
    char path[4096];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0)
        throw std::runtime_error("cannot read /proc/self/exe");
    std::string exe(path, static_cast<std::size_t>(n));
    return exe.substr(0, exe.rfind('/'));
}

} // namespace didu::test
