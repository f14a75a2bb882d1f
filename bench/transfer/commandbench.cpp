// command_bench [--repeat R] [N]: the cost per customer of diduradozori-transfer
// beside the headless transfer of transfer_bench, on identical copies of one
// embedded database (N customers, default 20000, half of them members already),
// for a first run (half new) and a second (all members). Both sides make a
// fresh session and connect, as a nightly run does; the command's own time is
// the one its summary line reports, and the process's whole life (start-up,
// loading the plugins, ending) is shown beside it. What a run costs whatever
// the customers (for the command: a new process, the engine starting in it)
// is measured on a copy without customers and shown apart, so that the cost
// per customer is what each customer adds. Forced writes are off on the
// copies, so that the disk's flushes do not hide what the command adds. The
// contenders take turns, R times (default 5); each one's best counts. Both the
// wall time and the processor time (user and system, every thread) are shown:
// on a machine shared with other work the wall time of one run swings by a
// third, the processor time much less. The summary's hundredths of a second
// are half a percent of a run over the default N. Prints its figures.
#include "bench/transfer/benchdata.h"

#include "tests/reliability/childprocess.h"
#include "tests/support/tempdb/tempdatabase.h"
#include "transfer/transfersession.h"
#include "transfer/transferview.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <regex>
#include <sys/resource.h>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// The headless transfer's view, as transfer_bench has it: no bar, the
// completion message taken as read.
class HeadlessView : public didu::TransferView {
public:
    void showProgress(const didu::Progress&) override {}
    void showInformation(const std::string&) override { ++completions; }
    int completions = 0;
};

double processorSeconds(int who)
{
    rusage usage{};
    ::getrusage(who, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

/// One run's times; a best keeps the lowest of each.
struct Times {
    double wall = 1e300; ///< the transfer's own (the command's summary line)
    double processor = 1e300;
    double process = 1e300; ///< the command's whole life, start to exit
    void keep(const Times& run)
    {
        wall = std::min(wall, run.wall);
        processor = std::min(processor, run.processor);
        process = std::min(process, run.process);
    }
};

/// `customers`: false on a table without customers, where a run ends silently.
Times headlessRun(bool customers = true)
{
    const double processor = processorSeconds(RUSAGE_SELF);
    const auto start = Clock::now();
    didu::TransferSession session;
    HeadlessView view;
    session.run(view);
    Times times;
    times.wall = std::chrono::duration<double>(Clock::now() - start).count();
    times.processor = processorSeconds(RUSAGE_SELF) - processor;
    if (view.completions != (customers ? 1 : 0))
        throw std::runtime_error("the headless transfer did not complete");
    return times;
}

Times commandRun(const std::vector<std::string>& extraArguments)
{
    std::vector<std::string> argv{didu::test::executableFolder() + "/diduradozori-transfer"};
    argv.insert(argv.end(), extraArguments.begin(), extraArguments.end());
    const double processor = processorSeconds(RUSAGE_CHILDREN);
    const auto start = Clock::now();
    didu::test::ChildProcess run(argv);
    const auto code = run.wait(30min);
    Times times;
    times.process = std::chrono::duration<double>(Clock::now() - start).count();
    times.processor = processorSeconds(RUSAGE_CHILDREN) - processor;
    if (code != 0)
        throw std::runtime_error("diduradozori-transfer failed: " + run.errorOutput());
    std::smatch seconds;
    const std::string output = run.remainingOutput();
    if (!std::regex_search(output, seconds, std::regex(R"(, ([0-9]+\.[0-9]+) s\n$)")))
        throw std::runtime_error("no summary line: " + output);
    times.wall = std::stod(seconds[1]);
    return times;
}

void forcedWritesOff(const std::string& path)
{
    const std::string command = "gfix -write async -user SYSDBA '" + path + "'";
    if (std::system(command.c_str()) != 0)
        throw std::runtime_error("gfix could not turn forced writes off on " + path);
}

} // namespace

int main(int argc, char** argv)
{
    std::size_t n = 20000;
    int repeats = 5;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--repeat" && i + 1 < argc)
            repeats = std::max(1, std::atoi(argv[++i]));
        else
            n = static_cast<std::size_t>(std::strtoull(argv[i], nullptr, 10));
    }
    try {
        didu::test::TempDatabase db(didu::bench::salesSchema());
        db.detach();
        const std::string empty = db.folder() + "/EMPTY.FDB";
        std::filesystem::copy_file(db.databasePath(), empty);
        didu::bench::fillSalesData(db.databasePath(), n, 2);
        forcedWritesOff(db.databasePath());

        // The best of each contender per press: the headless transfer, the
        // command as a nightly run starts it, and the command writing a
        // progress line per customer.
        Times headless[2], command[2], lines[2], headlessFixed, commandFixed;
        for (int r = 0; r < repeats; ++r) {
            db.writeConfiguration({{"Database", empty}});
            headlessFixed.keep(headlessRun(false));
            commandFixed.keep(commandRun({"--quiet"}));
            for (const char* kind : {"HEADLESS", "COMMAND", "LINES"}) {
                const std::string path = db.folder() + "/" + kind + std::to_string(r) + ".FDB";
                std::filesystem::copy_file(db.databasePath(), path);
                db.writeConfiguration({{"Database", path}});
                for (int press = 0; press < 2; ++press) {
                    if (kind == std::string("HEADLESS"))
                        headless[press].keep(headlessRun());
                    else if (kind == std::string("COMMAND"))
                        command[press].keep(commandRun({"--quiet"}));
                    else
                        lines[press].keep(commandRun({"--progress-fd", "1"}));
                }
                std::filesystem::remove(path);
            }
        }
        const double per = 1e6 / static_cast<double>(n);
        std::printf("N = %zu customers, %zu members already; embedded; forced writes off; best of %d\n", n,
                    (n + 1) / 2, repeats);
        std::printf("  us per customer, connect included   half new: wall  processor   all members: wall  processor\n");
        auto line = [&](const char* name, const Times* t, bool whole) {
            std::printf("  %-34s %10.1f %10.1f %19.1f %10.1f\n", name, (whole ? t[0].process : t[0].wall) * per,
                        t[0].processor * per, (whole ? t[1].process : t[1].wall) * per, t[1].processor * per);
        };
        std::printf("  per run, whatever the customers: headless %.1f ms wall, %.1f ms processor;"
                    " command %.1f ms, %.1f ms (%.1f ms the whole process)\n",
                    headlessFixed.wall * 1e3, headlessFixed.processor * 1e3, commandFixed.wall * 1e3,
                    commandFixed.processor * 1e3, commandFixed.process * 1e3);
        // Each run less what a run costs without customers.
        auto net = [](const Times* t, const Times& fixed) {
            std::array<Times, 2> less;
            for (int press = 0; press < 2; ++press) {
                less[press].wall = t[press].wall - fixed.wall;
                less[press].processor = t[press].processor - fixed.processor;
                less[press].process = t[press].process - fixed.process;
            }
            return less;
        };
        const auto headlessNet = net(headless, headlessFixed);
        const auto commandNet = net(command, commandFixed);
        const auto linesNet = net(lines, commandFixed);
        line("headless transfer", headless, false);
        line("diduradozori-transfer", command, false);
        line("  the same, whole process", command, true);
        line("  with --progress-fd", lines, false);
        std::printf("  less the cost per run:\n");
        line("headless transfer", headlessNet.data(), false);
        line("diduradozori-transfer", commandNet.data(), false);
        line("  with --progress-fd", linesNet.data(), false);
        const double wall[2] = {commandNet[0].wall / headlessNet[0].wall, commandNet[1].wall / headlessNet[1].wall};
        const double cpu[2] = {commandNet[0].processor / headlessNet[0].processor,
                               commandNet[1].processor / headlessNet[1].processor};
        std::printf("  command / headless                 %10.3f %10.3f %19.3f %10.3f   (processor <= 1.05: %s)\n",
                    wall[0], cpu[0], wall[1], cpu[1], std::max(cpu[0], cpu[1]) <= 1.05 ? "meets" : "MISSES");
    } catch (const std::exception& error) {
        std::fprintf(stderr, "command_bench: %s\n", error.what());
        return 1;
    }
    return 0;
}
