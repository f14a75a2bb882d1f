// transfer_bench [--server] [--repeat R] [N ...]: the time and the round trips per
// customer of the headless transfer beside two plain loops on Firebird's client
// library, on identical copies of one database (forced writes as created: on),
// with half of the customers members already and then with all of them (the
// second press). Embedded by default (N = 10000 and 100000); with --server the
// copies sit behind a private Firebird server on loopback, started with
// tools/fbserver.sh as the reliability tests start theirs (needs root; N = 2000).
// The three run in step, customer by customer; with R repetitions each runs on R
// copies and its best time is kept. Prints its figures.
//
// Where a customer's round trips go through a server (Firebird 3 client and
// later): a lookup costs two (the prepare, which brings the statement's type and
// descriptions in the same answer; the execute, which travels with the first
// fetch); an insert five (prepare; start of its own transaction; execute; rows
// affected; commit). Frees, closes and allocations travel with the next request.
// Per press the driver adds a ping (is the link still there after the idle
// time?) and the start and end of its read transaction, and renews a kept
// transaction (two more) at most once a second: well under 0.05 per customer.
#include "bench/transfer/benchdata.h"
#include "bench/transfer/rawclient.h"
#include "bench/transfer/rawloops.h"
#include "bench/transfer/roundtrips.h"

#include "db/connection/sqlconnection.h"
#include "tests/reliability/testserver.h"
#include "tests/support/tempdb/tempdatabase.h"
#include "transfer/transfersession.h"
#include "transfer/transferview.h"

#include <pwd.h>
#include <sys/resource.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdint>
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
    TransferContext(didu::test::TempDatabase& db, const std::string& path, const std::string& password)
    {
        if (password.empty())
            db.writeConfiguration({{"Database", path}});
        else
            db.writeConfiguration({{"Database", path}, {"Password", password}});
        session = std::make_unique<didu::TransferSession>();
        session->SQLConnection1().open(); // connecting is not the transfer's work
    }
    void run() { session->run(view); }

    std::unique_ptr<didu::TransferSession> session;
    HeadlessView view;
};

/// A Firebird server of our own on loopback, for as long as this object lives.
class PrivateServer {
public:
    PrivateServer()
    {
        if (::geteuid() != 0)
            throw std::runtime_error("--server needs root: the server runs as the firebird user");
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/didu-benchserver-XXXXXX";
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("no folder for the server");
        m_dir = pattern;
        port = didu::test::freeLoopbackPort();
        password = "benchfern";
        const std::string start = "bash " DIDU_SOURCE_DIR "/tools/fbserver.sh start " + m_dir + " "
                                  + std::to_string(port) + " " + password + " >/dev/null";
        if (std::system(start.c_str()) != 0) {
            std::error_code ignored;
            std::filesystem::remove_all(m_dir, ignored);
            throw std::runtime_error("the Firebird server did not start (tools/fbserver.sh)");
        }
    }
    ~PrivateServer()
    {
        std::system(("bash " DIDU_SOURCE_DIR "/tools/fbserver.sh stop " + m_dir + " >/dev/null 2>&1").c_str());
        std::error_code ignored;
        std::filesystem::remove_all(m_dir, ignored);
    }
    PrivateServer(const PrivateServer&) = delete;
    PrivateServer& operator=(const PrivateServer&) = delete;

    std::string dataFolder() const { return m_dir + "/data"; }
    int port = 0;
    std::string password;

private:
    std::string m_dir;
};

/// Where the contenders' copies go and how they are reached.
struct Place {
    std::string folder;
    std::string prefix;   // "127.0.0.1/port:" through a server, else empty
    std::string password; // the server's, else empty
    bool server = false;
};

/// Time and round trips of one contender.
struct Tally {
    double seconds = 1e300;
    std::uint64_t trips = 0;
};

// One press on one set of copies: the transfer and the two plain loops in step,
// one customer each in turn, so that the disk's changing speed (other work on
// the machine) falls on all of them alike. Keeps each one's best.
void runPress(TransferContext& context, didu::bench::RawDatabase& sameDb, didu::bench::RawDatabase& naiveDb,
              std::size_t expected, const std::function<void()>& afterTransfer, Tally& transfer, Tally& same,
              Tally& naive)
{
    using didu::bench::PlainLoop;
    using didu::bench::roundTrips;
    PlainLoop sameLoop(sameDb, PlainLoop::Style::SameStatements);
    PlainLoop naiveLoop(naiveDb, PlainLoop::Style::Naive);
    double sameTime = 0, naiveTime = 0, inSteps = 0;
    std::uint64_t sameTrips = 0, naiveTrips = 0, tripsInSteps = 0;
    // One contender's step: its time and its round trips.
    auto step = [](double& time, std::uint64_t& trips, auto&& work) {
        const std::uint64_t before = roundTrips();
        time += seconds(work);
        trips += roundTrips() - before;
    };
    step(sameTime, sameTrips, [&] { sameLoop.start(); });
    step(naiveTime, naiveTrips, [&] { naiveLoop.start(); });
    context.view.onAdvance = [&] {
        const auto start = Clock::now();
        const std::uint64_t before = roundTrips();
        step(sameTime, sameTrips, [&] { sameLoop.step(); });
        step(naiveTime, naiveTrips, [&] { naiveLoop.step(); });
        tripsInSteps += roundTrips() - before;
        inSteps += std::chrono::duration<double>(Clock::now() - start).count();
    };
    const std::uint64_t tripsBefore = roundTrips();
    const double total = seconds([&] { context.run(); });
    const std::uint64_t transferTrips = roundTrips() - tripsBefore - tripsInSteps;
    context.view.onAdvance = nullptr;
    afterTransfer();
    // Whatever the loops have left (their last step ends their run).
    step(sameTime, sameTrips, [&] { while (sameLoop.step()) {} });
    step(naiveTime, naiveTrips, [&] { while (naiveLoop.step()) {} });
    auto keep = [](Tally& best, double time, std::uint64_t trips) {
        if (time < best.seconds)
            best = {time, trips};
    };
    keep(transfer, total - inSteps, transferTrips);
    keep(same, sameTime, sameTrips);
    keep(naive, naiveTime, naiveTrips);
    if (sameLoop.inserted() != expected || naiveLoop.inserted() != expected)
        throw std::runtime_error("a plain loop inserted another number of rows");
}

void expectAllMembers(const Place& place, std::size_t n)
{
    // Every customer is a member of the transfer's copy now.
    didu::bench::RawDatabase copy0(place.prefix + place.folder + "/TRANSFER0.FDB", place.password);
    didu::bench::RawTransaction tr(copy0, {});
    didu::bench::RawStatement count(copy0);
    didu::bench::RawRow row(1);
    count.prepare(tr, "SELECT CAST(COUNT(*) AS VARCHAR(20)) FROM MEMBER", &row);
    count.execute(tr.handle(), nullptr);
    if (!count.fetch(row) || row.text(0) != std::to_string(n))
        throw std::runtime_error("the transfer left another number of members");
    count.closeCursor();
}

// The figures per customer for both presses, and how they compare with the goals.
void printFigures(const Place& place, std::size_t n, const Tally* transfer, const Tally* same, const Tally* naive)
{
    const double per = static_cast<double>(n);
    std::printf("  per customer             half new                all members (second press)\n");
    // Embedded there is no socket: round trips are shown through a server only.
    auto line = [&](const char* name, const Tally* t) {
        if (place.server)
            std::printf("  %-22s %8.1f us %6.2f trips   %8.1f us %6.2f trips\n", name, t[0].seconds * 1e6 / per,
                        t[0].trips / per, t[1].seconds * 1e6 / per, t[1].trips / per);
        else
            std::printf("  %-22s %8.1f us                %8.1f us\n", name, t[0].seconds * 1e6 / per,
                        t[1].seconds * 1e6 / per);
    };
    line("transfer", transfer);
    line("same-statements loop", same);
    line("naive loop", naive);
    const double overSame[2] = {transfer[0].seconds / same[0].seconds, transfer[1].seconds / same[1].seconds};
    const double overNaive[2] = {transfer[0].seconds / naive[0].seconds, transfer[1].seconds / naive[1].seconds};
    // What the transfer must reach: through a server fewer round trips matter most.
    const double naiveTarget[2] = {place.server ? 0.80 : 0.85, place.server ? 0.60 : 0.25};
    std::printf("  transfer / same        %8.2f (<= 1.15 %s)  %6.2f (<= 1.15 %s)\n", overSame[0],
                verdict(overSame[0], 1.15), overSame[1], verdict(overSame[1], 1.15));
    std::printf("  transfer / naive       %8.2f (<= %.2f %s)  %6.2f (<= %.2f %s)\n", overNaive[0], naiveTarget[0],
                verdict(overNaive[0], naiveTarget[0]), overNaive[1], naiveTarget[1],
                verdict(overNaive[1], naiveTarget[1]));
    if (place.server) {
        const double trips[2] = {transfer[0].trips / per, transfer[1].trips / per};
        std::printf("  transfer round trips   %8.2f (<= 5 %s)     %6.2f (<= 3 %s)\n", trips[0], verdict(trips[0], 5),
                    trips[1], verdict(trips[1], 3));
    }
}

void runOne(std::size_t n, int repeats, PrivateServer* server)
{
    didu::test::TempDatabase db(didu::bench::salesSchema());
    db.detach();
    const auto fillTime = seconds([&] { didu::bench::fillSalesData(db.databasePath(), n, 2); });
    bool forced = false;
    {
        didu::bench::RawDatabase check(db.databasePath());
        forced = check.forcedWrites();
    }
    Place place {db.folder(), "", "", false};
    if (server)
        place = {server->dataFolder(), "127.0.0.1/" + std::to_string(server->port) + ":", server->password, true};
    // Identical copies, one per contender and repetition.
    auto copy = [&](const std::string& kind, int r) {
        const std::string path = place.folder + "/" + kind + std::to_string(r) + ".FDB";
        std::filesystem::copy_file(db.databasePath(), path);
        if (place.server) {
            // The server opens its files as its own user.
            const passwd* firebird = ::getpwnam("firebird");
            if (!firebird || ::chown(path.c_str(), firebird->pw_uid, firebird->pw_gid) != 0)
                throw std::runtime_error("cannot give " + path + " to the firebird user");
        }
        return place.prefix + path;
    };
    std::vector<std::unique_ptr<TransferContext>> transfers;
    std::vector<std::unique_ptr<didu::bench::RawDatabase>> sameDbs, naiveDbs;
    long before = currentKiB();
    long growth = 0;
    for (int r = 0; r < repeats; ++r) {
        const std::string transferPath = copy("TRANSFER", r);
        sameDbs.push_back(std::make_unique<didu::bench::RawDatabase>(copy("SAME", r), place.password));
        naiveDbs.push_back(std::make_unique<didu::bench::RawDatabase>(copy("NAIVE", r), place.password));
        if (r == 0)
            before = currentKiB();
        transfers.push_back(std::make_unique<TransferContext>(db, transferPath, place.password));
    }
    // On tmpfs a forced write costs nothing: the figures show what is left besides
    // the disk (the targets below are set for a disk).
    struct statfs fs {};
    const bool memoryDisk = ::statfs(place.folder.c_str(), &fs) == 0 && fs.f_type == 0x01021994; // TMPFS_MAGIC
    std::printf("N = %zu customers, %zu members already; %s; forced writes %s%s; filled in %.1f s; best of %d\n", n,
                (n + 1) / 2, place.server ? "through a server on loopback" : "embedded", forced ? "on" : "OFF",
                memoryDisk ? " (on tmpfs: no disk)" : "", fillTime, repeats);

    Tally transfer[2], same[2], naive[2];
    for (int press = 0; press < 2; ++press) {
        for (int r = 0; r < repeats; ++r) {
            auto afterTransfer = [&] {
                if (press == 0 && r == 0)
                    growth = currentKiB() - before;
            };
            runPress(*transfers[r], *sameDbs[r], *naiveDbs[r], press == 0 ? n / 2 : 0, afterTransfer,
                     transfer[press], same[press], naive[press]);
        }
    }
    const long peak = peakKiB();
    for (auto& t : transfers) {
        if (t->view.completions != 2)
            throw std::runtime_error("the transfer did not complete twice");
    }
    transfers.clear();
    expectAllMembers(place, n);

    printFigures(place, n, transfer, same, naive);
    std::printf("  peak memory %.1f MiB; the first transfer grew the process by %.1f MiB\n\n", peak / 1024.0,
                growth / 1024.0);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::size_t> sizes;
    int repeats = 1;
    bool useServer = false;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--repeat" && i + 1 < argc)
            repeats = std::max(1, std::atoi(argv[++i]));
        else if (std::string(argv[i]) == "--server")
            useServer = true;
        else
            sizes.push_back(static_cast<std::size_t>(std::strtoull(argv[i], nullptr, 10)));
    }
    if (sizes.empty())
        sizes = useServer ? std::vector<std::size_t> {2000} : std::vector<std::size_t> {10000, 100000};
    try {
        std::unique_ptr<PrivateServer> server;
        if (useServer)
            server = std::make_unique<PrivateServer>();
        for (std::size_t n : sizes)
            runOne(n, repeats, server.get());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "transfer_bench: %s\n", error.what());
        return 1;
    }
    return 0;
}
