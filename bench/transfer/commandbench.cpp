// command_bench [--repeat R] [N]: the cost per customer of diduradozori-transfer
// beside the headless transfer of transfer_bench, on identical copies of one
// embedded database (N customers, default 20000, half of them members already),
// for a first run (half new) and a second (all members). Both sides make a
// fresh session and connect, as a nightly run does; the command's own time is
// the one its summary line reports, and the process's whole life (start-up,
// loading the plugins, ending) is shown beside it. Forced writes are off on the
// copies, so that the disk's flushes do not hide what the command adds. The
// contenders take turns, R times (default 3); each one's best counts. Prints
// its figures.
#include "bench/transfer/benchdata.h"

#include "tests/reliability/childprocess.h"
#include "tests/support/tempdb/tempdatabase.h"
#include "transfer/transfersession.h"
#include "transfer/transferview.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <regex>
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

double headlessRun()
{
    const auto start = Clock::now();
    didu::TransferSession session;
    HeadlessView view;
    session.run(view);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    if (view.completions != 1)
        throw std::runtime_error("the headless transfer did not complete");
    return seconds;
}

struct CommandTimes {
    double reported = 0; ///< the summary line's seconds
    double process = 0; ///< from start to exit
};

CommandTimes commandRun(const std::vector<std::string>& extraArguments)
{
    std::vector<std::string> argv{didu::test::executableFolder() + "/diduradozori-transfer"};
    argv.insert(argv.end(), extraArguments.begin(), extraArguments.end());
    const auto start = Clock::now();
    didu::test::ChildProcess run(argv);
    const auto code = run.wait(30min);
    CommandTimes times;
    times.process = std::chrono::duration<double>(Clock::now() - start).count();
    if (code != 0)
        throw std::runtime_error("diduradozori-transfer failed: " + run.errorOutput());
    std::smatch seconds;
    const std::string output = run.remainingOutput();
    if (!std::regex_search(output, seconds, std::regex(R"(, ([0-9]+\.[0-9]+) s\n$)")))
        throw std::runtime_error("no summary line: " + output);
    times.reported = std::stod(seconds[1]);
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
    int repeats = 3;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--repeat" && i + 1 < argc)
            repeats = std::max(1, std::atoi(argv[++i]));
        else
            n = static_cast<std::size_t>(std::strtoull(argv[i], nullptr, 10));
    }
    try {
        didu::test::TempDatabase db(didu::bench::salesSchema());
        db.detach();
        didu::bench::fillSalesData(db.databasePath(), n, 2);
        forcedWritesOff(db.databasePath());

        // Best seconds per press: headless, the command (its own figure and the
        // process's), the command writing a progress line per customer.
        double headless[2] = {1e300, 1e300}, reported[2] = {1e300, 1e300}, process[2] = {1e300, 1e300},
               lines[2] = {1e300, 1e300};
        for (int r = 0; r < repeats; ++r) {
            for (const char* kind : {"HEADLESS", "COMMAND", "LINES"}) {
                const std::string path = db.folder() + "/" + kind + std::to_string(r) + ".FDB";
                std::filesystem::copy_file(db.databasePath(), path);
                db.writeConfiguration({{"Database", path}});
                for (int press = 0; press < 2; ++press) {
                    if (kind == std::string("HEADLESS")) {
                        headless[press] = std::min(headless[press], headlessRun());
                    } else if (kind == std::string("COMMAND")) {
                        const CommandTimes times = commandRun({"--quiet"});
                        reported[press] = std::min(reported[press], times.reported);
                        process[press] = std::min(process[press], times.process);
                    } else {
                        lines[press] = std::min(lines[press], commandRun({"--progress-fd", "1"}).reported);
                    }
                }
                std::filesystem::remove(path);
            }
        }
        const double per = 1e6 / static_cast<double>(n);
        std::printf("N = %zu customers, %zu members already; embedded; forced writes off; best of %d\n", n,
                    (n + 1) / 2, repeats);
        std::printf("  per customer, connect included      half new      all members\n");
        std::printf("  headless transfer                 %8.1f us   %8.1f us\n", headless[0] * per, headless[1] * per);
        std::printf("  diduradozori-transfer             %8.1f us   %8.1f us\n", reported[0] * per, reported[1] * per);
        std::printf("  ... with --progress-fd            %8.1f us   %8.1f us\n", lines[0] * per, lines[1] * per);
        std::printf("  ... whole process                 %8.1f us   %8.1f us\n", process[0] * per, process[1] * per);
        const double ratio[2] = {reported[0] / headless[0], reported[1] / headless[1]};
        std::printf("  command / headless                %8.3f      %8.3f      (<= 1.05 %s)\n", ratio[0], ratio[1],
                    std::max(ratio[0], ratio[1]) <= 1.05 ? "meets" : "MISSES");
    } catch (const std::exception& error) {
        std::fprintf(stderr, "command_bench: %s\n", error.what());
        return 1;
    }
    return 0;
}
