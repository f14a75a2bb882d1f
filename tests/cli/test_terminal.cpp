// The bar is for a person at a terminal: drawn on a real pseudo-terminal, at
// most ten times a second, and never on a pipe or with --quiet, where a log or
// a script reads the output.
#include "tests/cli/commandrun.h"
#include "tests/reliability/salesdata.h"
#include "tests/support/tempdb/tempdatabase.h"

#include <gtest/gtest.h>

#include <chrono>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

namespace didu::test {
namespace {

struct Captured {
    int exitCode = -1;
    std::string text; ///< standard output and standard error as they arrived
    double seconds = 0;
};

/// Runs the program with both outputs on one pseudo-terminal, or on one pipe.
Captured capture(const std::vector<std::string>& arguments, bool onTerminal)
{
    std::vector<std::string> argv{transferProgram()};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<char*> args;
    for (std::string& a : argv)
        args.push_back(a.data());
    args.push_back(nullptr);

    const auto started = std::chrono::steady_clock::now();
    int reader = -1;
    pid_t pid = -1;
    if (onTerminal) {
        winsize size{24, 100, 0, 0};
        pid = ::forkpty(&reader, nullptr, nullptr, &size);
    } else {
        int ends[2];
        EXPECT_EQ(::pipe(ends), 0);
        pid = ::fork();
        if (pid == 0) {
            ::dup2(ends[1], STDOUT_FILENO);
            ::dup2(ends[1], STDERR_FILENO);
        }
        ::close(ends[1]);
        reader = ends[0];
    }
    if (pid == 0) {
        ::execv(args[0], args.data());
        ::_exit(127);
    }
    Captured captured;
    char buffer[4096];
    pollfd wait{reader, POLLIN, 0};
    // A terminal whose last writer has gone answers EIO rather than end of file.
    while (::poll(&wait, 1, 120000) > 0) {
        const ssize_t n = ::read(reader, buffer, sizeof buffer);
        if (n <= 0)
            break;
        captured.text.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(reader);
    int status = 0;
    ::waitpid(pid, &status, 0);
    captured.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    captured.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    return captured;
}

std::size_t occurrences(const std::string& text, const std::string& what)
{
    std::size_t n = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

TEST(CommandTerminal, TheBarShowsOnATerminalOnly)
{
    const int customers = 300;
    TempDatabase db(kSalesSchema);
    db.execute(addCustomersSql(customers));
    db.detach();

    const Captured shown = capture({}, true);
    ASSERT_EQ(shown.exitCode, 0) << shown.text;
    const std::size_t draws = occurrences(shown.text, "\r[");
    EXPECT_GE(draws, 1u);
    EXPECT_LE(draws, static_cast<std::size_t>(10 * shown.seconds) + 2) << shown.seconds << " s";
    // The last drawing is the whole table; the results follow on lines of their
    // own (the terminal writes each "\n" as "\r\n").
    const std::string full = "[########################] 300/300  ";
    ASSERT_NE(shown.text.find(full), std::string::npos) << shown.text;
    EXPECT_NE(shown.text.find(" left\033[K\r\n資料轉移完成.\r\n300 customers read, 300 members added"), std::string::npos)
        << shown.text.substr(shown.text.rfind("\r["));
    std::printf("[ figures  ] %zu drawings of the bar in %.2f s\n", draws, shown.seconds);

    db.execute("DELETE FROM MEMBER");
    db.detach();
    const Captured quiet = capture({"--quiet"}, true);
    EXPECT_EQ(quiet.exitCode, 0);
    EXPECT_EQ(withoutSeconds(quiet.text), "資料轉移完成.\r\n300 customers read, 300 members added, 0 already members, S s\r\n");

    db.execute("DELETE FROM MEMBER");
    db.detach();
    const Captured piped = capture({}, false);
    EXPECT_EQ(piped.exitCode, 0);
    EXPECT_EQ(withoutSeconds(piped.text), "資料轉移完成.\n300 customers read, 300 members added, 0 already members, S s\n");
}

} // namespace
} // namespace didu::test
