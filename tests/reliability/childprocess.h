// Separate processes for the reliability tests: the command-line transfer
// and the shell tools (the private server's script, gfix). Every wait is
// bounded, so a run that hangs fails its test instead of holding up CI.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace didu::test {

/// A program started with its standard output on a pipe and its standard error
/// in a file, killed (SIGKILL) on destruction if it still runs.
class ChildProcess {
public:
    /// Starts `argv[0]` (a path) with the environment of this process plus
    /// `environment` ("NAME=VALUE" entries, replacing same-named ones).
    explicit ChildProcess(const std::vector<std::string>& argv, const std::vector<std::string>& environment = {});
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    int pid() const { return m_pid; }
    /// The next line of standard output, without its "\n"; nullopt at end of
    /// output or when `timeout` passes first.
    std::optional<std::string> readLine(std::chrono::milliseconds timeout);
    /// Sends `signal` to the process.
    void signal(int signal);
    /// Waits up to `timeout` for the end; the exit code, 128 + signal number when
    /// a signal ended it, or nullopt when it still runs (it is then killed and
    /// reaped, so nothing outlives the test).
    std::optional<int> wait(std::chrono::milliseconds timeout);
    /// Everything written to standard output so far and not taken by readLine,
    /// read to its end (call after wait).
    std::string remainingOutput();
    /// Everything written to standard error (complete after wait).
    std::string errorOutput() const;

private:
    int m_pid = -1;
    int m_stdout = -1;
    std::string m_buffer;
    std::string m_stderrPath;
    bool m_reaped = false;
    bool m_outputClosed = false;
};

/// Result of a finished command.
struct CommandResult {
    int exitCode = -1; // -1: it timed out and was killed
    std::string output; // standard output and standard error together
};

/// Runs `argv` to its end, at most `timeout`, and gives its exit code and output.
CommandResult runCommand(const std::vector<std::string>& argv, std::chrono::seconds timeout,
                         const std::vector<std::string>& environment = {});

/// The folder of the running executable (where the plugins and the programs lie).
std::string executableFolder();

} // namespace didu::test
