// Running the program as its own process and driving it through the X server,
// as an operator would: key presses by xdotool, the clipboard by xclip.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace didu::test {

/// Runs a shell command and gives its standard output (trailing newline cut).
std::string shell(const std::string& command);

/// The program, started with the current environment plus `environment`.
class ProgramProcess {
public:
    explicit ProgramProcess(const std::vector<std::string>& environment = {});
    /// Ends the program (if still running) and reaps it.
    ~ProgramProcess();
    ProgramProcess(const ProgramProcess&) = delete;
    ProgramProcess& operator=(const ProgramProcess&) = delete;

    pid_t pid() const { return m_pid; }
    /// Waits up to `timeout` for the program to end; its exit code, or nullopt
    /// while it still runs (a death by signal gives 128 + the signal).
    std::optional<int> wait(std::chrono::milliseconds timeout);
    /// What it wrote to standard error so far.
    std::string standardError() const;
    /// The shared libraries mapped into it now.
    std::string mappedFiles() const;

private:
    pid_t m_pid = -1;
    std::optional<int> m_exitCode;
    std::string m_errorFile;
};

/// The id of the program's visible window titled exactly `title`, waiting up to
/// `timeout` for it to appear; empty when it did not.
std::string waitForWindow(pid_t pid, const std::string& title, std::chrono::milliseconds timeout);
/// True once no window of the program titled `title` is visible.
bool waitForWindowGone(pid_t pid, const std::string& title, std::chrono::milliseconds timeout);
/// Gives `window` the keyboard focus and presses `keys` (xdotool key names).
void pressKeys(const std::string& window, const std::string& keys);
/// The clipboard's text, or empty.
std::string clipboardText();

} // namespace didu::test
