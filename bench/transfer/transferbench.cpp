// transfer_bench [--repeat R] [N ...]: the time per customer of the headless
// transfer beside two plain loops on Firebird's client library, on identical copies of one
// embedded database (forced writes as created: on), with half of the customers
// members already and then with all of them (the second press). Prints its
// figures; default N = 10000 and 100000. The three run in step, customer by
// customer; with R repetitions each runs on R copies and its best time is kept.
#include "bench/transfer/benchdata.h"
#include "bench/transfer/rawclient.h"
#include "bench/transfer/rawloops.h"

#include "db/connection/sqlconnection.h"
#include "tests/support/tempdb/tempdatabase.h"
#include "transfer/transfersession.h"
#include "transfer/transferview.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// No bar; the completion message is taken as read.
class HeadlessView : public didu::TransferView {
public:
    void showProgress(const didu::Progress&) override
    {
        // The first state a run shows is its new maximum; each later one a step.
        if (m_stepping && onAdvance)
            onAdvance();
        m_stepping = true;
    }
    /// Called as the transfer starts on each customer.
    std::function<void()> onAdvance;
    void showInformation(const std::string&) override
    {
        ++completions;
        m_stepping = false;
    }
    int completions = 0;

private:
    bool m_stepping = false;
};

template <typename Work>
double seconds(Work&& work)
{
    const auto start = Clock::now();
    work();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

long peakKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

long currentKiB()
{
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

const char* verdict(double ratio, double target)
{
    return ratio <= target ? "meets" : "MISSES";
}

// The window's five database objects over one copy of the database, kept for
// both presses as the window keeps them.
struct TransferContext {
    explicit TransferContext(didu::test::TempDatabase& db, const std::string& path)
    {
        db.writeConfiguration({{"Database", path}});
        session = std::make_unique<didu::TransferSession>();
        session->SQLConnection1().open(); // connecting is not the transfer's work
    }
    void run() { session->run(view); }

    std::unique_ptr<didu::TransferSession> session;
    HeadlessView view;
};

void runOne(std::size_t n, int repeats)
{
    didu::test::TempDatabase db(didu::bench::salesSchema());
    db.detach();
    const auto fillTime = seconds([&] { didu::bench::fillSalesData(db.databasePath(), n, 2); });
    bool forced = false;
    {
        didu::bench::RawDatabase check(db.databasePath());
        forced = check.forcedWrites();
    }
    // Identical copies, one per contender and repetition.
    auto copy = [&](const std::string& kind, int r) {
        const std::string path = db.folder() + "/" + kind + std::to_string(r) + ".FDB";
        std::filesystem::copy_file(db.databasePath(), path);
        return path;
    };
    std::vector<std::unique_ptr<TransferContext>> transfers;
    std::vector<std::unique_ptr<didu::bench::RawDatabase>> sameDbs, naiveDbs;
    long before = currentKiB();
    long growth = 0;
    for (int r = 0; r < repeats; ++r) {
        const std::string transferPath = copy("TRANSFER", r);
        sameDbs.push_back(std::make_unique<didu::bench::RawDatabase>(copy("SAME", r)));
        naiveDbs.push_back(std::make_unique<didu::bench::RawDatabase>(copy("NAIVE", r)));
        if (r == 0)
            before = currentKiB();
        transfers.push_back(std::make_unique<TransferContext>(db, transferPath));
    }
    std::printf("N = %zu customers, %zu members already; forced writes %s; filled in %.1f s; best of %d\n", n,
                (n + 1) / 2, forced ? "on" : "OFF", fillTime, repeats);

    // The three run in step, one customer each in turn, so that the disk's
    // changing speed (other work on the machine) falls on all of them alike.
    using didu::bench::PlainLoop;
    const double inf = 1e300;
    double transfer[2] = {inf, inf}, same[2] = {inf, inf}, naive[2] = {inf, inf};
    for (int press = 0; press < 2; ++press) {
        for (int r = 0; r < repeats; ++r) {
            PlainLoop sameLoop(*sameDbs[r], PlainLoop::Style::SameStatements);
            PlainLoop naiveLoop(*naiveDbs[r], PlainLoop::Style::Naive);
            double sameTime = seconds([&] { sameLoop.start(); });
            double naiveTime = seconds([&] { naiveLoop.start(); });
            double inSteps = 0;
            transfers[r]->view.onAdvance = [&] {
                const auto start = Clock::now();
                sameTime += seconds([&] { sameLoop.step(); });
                naiveTime += seconds([&] { naiveLoop.step(); });
                inSteps += std::chrono::duration<double>(Clock::now() - start).count();
            };
            const double total = seconds([&] { transfers[r]->run(); });
            transfers[r]->view.onAdvance = nullptr;
            if (press == 0 && r == 0)
                growth = currentKiB() - before;
            // Whatever the loops have left (their last step ends their run).
            sameTime += seconds([&] { while (sameLoop.step()) {} });
            naiveTime += seconds([&] { while (naiveLoop.step()) {} });
            transfer[press] = std::min(transfer[press], total - inSteps);
            same[press] = std::min(same[press], sameTime);
            naive[press] = std::min(naive[press], naiveTime);
            const std::size_t expected = press == 0 ? n / 2 : 0;
            if (sameLoop.inserted() != expected || naiveLoop.inserted() != expected)
                throw std::runtime_error("a plain loop inserted another number of rows");
        }
    }
    const long peak = peakKiB();
    for (auto& t : transfers) {
        if (t->view.completions != 2)
            throw std::runtime_error("the transfer did not complete twice");
    }
    transfers.clear();
    {
        // Every customer is a member of the transfer's copy now.
        didu::bench::RawDatabase copy0(db.folder() + "/TRANSFER0.FDB");
        didu::bench::RawTransaction tr(copy0, {});
        didu::bench::RawStatement count(copy0);
        didu::bench::RawRow row(1);
        count.prepare(tr, "SELECT CAST(COUNT(*) AS VARCHAR(20)) FROM MEMBER", &row);
        count.execute(tr.handle(), nullptr);
        if (!count.fetch(row) || row.text(0) != std::to_string(n))
            throw std::runtime_error("the transfer left another number of members");
        count.closeCursor();
    }

    auto us = [n](double s) { return s * 1e6 / static_cast<double>(n); };
    std::printf("  time per customer        half new      all members (second press)\n");
    std::printf("  transfer               %8.1f us      %8.1f us\n", us(transfer[0]), us(transfer[1]));
    std::printf("  same-statements loop   %8.1f us      %8.1f us\n", us(same[0]), us(same[1]));
    std::printf("  naive loop             %8.1f us      %8.1f us\n", us(naive[0]), us(naive[1]));
    const double overSame[2] = {transfer[0] / same[0], transfer[1] / same[1]};
    const double overNaive[2] = {transfer[0] / naive[0], transfer[1] / naive[1]};
    std::printf("  transfer / same        %8.2f (<= 1.15 %s)  %6.2f (<= 1.15 %s)\n", overSame[0],
                verdict(overSame[0], 1.15), overSame[1], verdict(overSame[1], 1.15));
    std::printf("  transfer / naive       %8.2f (<= 0.90 %s)  %6.2f (<= 0.40 %s)\n", overNaive[0],
                verdict(overNaive[0], 0.90), overNaive[1], verdict(overNaive[1], 0.40));
    std::printf("  peak memory %.1f MiB; the first transfer grew the process by %.1f MiB\n\n", peak / 1024.0,
                growth / 1024.0);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::size_t> sizes;
    int repeats = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--repeat" && i + 1 < argc)
            repeats = std::max(1, std::atoi(argv[++i]));
        else
            sizes.push_back(static_cast<std::size_t>(std::strtoull(argv[i], nullptr, 10)));
    }
    if (sizes.empty())
        sizes = {10000, 100000};
    try {
        for (std::size_t n : sizes)
            runOne(n, repeats);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "transfer_bench: %s\n", error.what());
        return 1;
    }
    return 0;
}
