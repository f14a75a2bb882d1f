#include "xdriver.h"

#include "platform/library.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

namespace didu::test {

namespace {

std::string quoted(const std::string& text)
{
    std::string out = "'";
    for (char c : text)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

std::string shell(const std::string& command)
{
    std::string output;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        std::size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
            output.append(buffer, n);
        ::pclose(pipe);
    }
    while (!output.empty() && output.back() == '\n')
        output.pop_back();
    return output;
}

ProgramProcess::ProgramProcess(const std::vector<std::string>& environment)
{
    const std::string program = executableDirectory() + "/DiduRaDozori";
    char errorTemplate[] = "/tmp/didu-e2e-stderr-XXXXXX";
    const int errorFd = ::mkstemp(errorTemplate);
    m_errorFile = errorTemplate;

    std::vector<std::string> variables;
    for (char** e = environ; *e; ++e)
        variables.emplace_back(*e);
    for (const std::string& extra : environment) {
        const std::string name = extra.substr(0, extra.find('=') + 1);
        std::erase_if(variables, [&](const std::string& v) { return v.rfind(name, 0) == 0; });
        variables.push_back(extra);
    }
    std::vector<char*> envp;
    for (std::string& v : variables)
        envp.push_back(v.data());
    envp.push_back(nullptr);

    m_pid = ::fork();
    if (m_pid == 0) {
        ::dup2(errorFd, 2);
        const int null = ::open("/dev/null", O_RDWR);
        ::dup2(null, 0);
        ::dup2(null, 1);
        char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
        ::execve(program.c_str(), argv, envp.data());
        ::_exit(127);
    }
    ::close(errorFd);
}

ProgramProcess::~ProgramProcess()
{
    if (m_pid > 0 && !m_exitCode) {
        ::kill(m_pid, SIGKILL);
        int status = 0;
        ::waitpid(m_pid, &status, 0);
    }
    ::unlink(m_errorFile.c_str());
}

std::optional<int> ProgramProcess::wait(std::chrono::milliseconds timeout)
{
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!m_exitCode) {
        int status = 0;
        const pid_t done = ::waitpid(m_pid, &status, WNOHANG);
        if (done == m_pid) {
            m_exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            break;
        }
        if (std::chrono::steady_clock::now() >= end)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return m_exitCode;
}

std::string ProgramProcess::standardError() const
{
    return readFile(m_errorFile);
}

std::string ProgramProcess::mappedFiles() const
{
    return readFile("/proc/" + std::to_string(m_pid) + "/maps");
}

std::string waitForWindow(pid_t pid, const std::string& title, std::chrono::milliseconds timeout)
{
    const auto end = std::chrono::steady_clock::now() + timeout;
    const std::string command = "xdotool search --all --onlyvisible --pid " + std::to_string(pid) + " --name "
                                + quoted("^" + title + "$") + " 2>/dev/null | head -n 1";
    do {
        const std::string id = shell(command);
        if (!id.empty())
            return id;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    } while (std::chrono::steady_clock::now() < end);
    return {};
}

bool waitForWindowGone(pid_t pid, const std::string& title, std::chrono::milliseconds timeout)
{
    const auto end = std::chrono::steady_clock::now() + timeout;
    const std::string command = "xdotool search --all --onlyvisible --pid " + std::to_string(pid) + " --name "
                                + quoted("^" + title + "$") + " 2>/dev/null | head -n 1";
    do {
        if (shell(command).empty())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    } while (std::chrono::steady_clock::now() < end);
    return false;
}

void pressKeys(const std::string& window, const std::string& keys)
{
    // Focus first, then real key events through the XTEST extension: Qt
    // ignores events sent to a window directly.
    shell("xdotool windowfocus --sync " + window + " 2>/dev/null");
    shell("xdotool key --delay 60 " + keys + " 2>/dev/null");
}

std::string clipboardText()
{
    // The "." keeps the text's own trailing line ends from being cut.
    std::string text = shell("timeout 5 xclip -o -selection clipboard 2>/dev/null; echo .");
    text.pop_back();
    return text;
}

} // namespace didu::test
