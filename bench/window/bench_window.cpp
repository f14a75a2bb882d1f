// Does the window slow the job? The same transfer over the same database, once
// driven by the shown window (its bar redrawn at once at every step) and once
// by a view that draws nothing, in alternating rounds; the best round of each
// is compared. Needs an X display (Xvfb serves).
#include "app/application.h"
#include "app/frmdiduradozori.h"
#include "app/informationdialog.h"
#include "app/progressbar.h"
#include "tests/support/tempdb/tempdatabase.h"
#include "tests/window/paintcounter.h"
#include "transfer/transfer.h"
#include "transfer/transfersession.h"
#include "transfer/transferview.h"

#include <QDialog>
#include <QFile>
#include <QWindow>
#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

namespace {

// The job's view with nothing on a screen.
class HeadlessView : public didu::TransferView {
public:
    void showProgress(const didu::Progress&) override {}
    void showInformation(const std::string&) override {}
};

double seconds(std::chrono::steady_clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

// CPU time of this process: the job, the embedded engine and the window's
// drawing all run here, and unlike the wall clock it does not count the time
// other work on a shared machine takes.
double cpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

struct Timing {
    double wall = 0;
    double cpu = 0;
};

/// The middle value of each figure on its own (the mean of the middle two for
/// an even count).
Timing median(std::vector<Timing> timings)
{
    auto middle = [&timings](double Timing::*field) {
        std::vector<double> values;
        for (const Timing& t : timings)
            values.push_back(t.*field);
        std::sort(values.begin(), values.end());
        const std::size_t n = values.size();
        return n == 0 ? 0.0 : n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
    };
    return {middle(&Timing::wall), middle(&Timing::cpu)};
}

template <typename Run>
Timing timed(Run run)
{
    const auto wallStart = std::chrono::steady_clock::now();
    const double cpuStart = cpuSeconds();
    run();
    return {seconds(std::chrono::steady_clock::now() - wallStart), cpuSeconds() - cpuStart};
}

void fillCustomers(didu::test::TempDatabase& db, int customers)
{
    db.execute("EXECUTE BLOCK AS DECLARE I INTEGER = 0; BEGIN "
               "WHILE (I < " + std::to_string(customers) + ") DO BEGIN "
               "INSERT INTO CUSTOMER VALUES ('C' || LPAD(:I, 7, '0'), "
               "'\xe9\x99\xb3\xe5\xb0\x8f\xe6\x98\x8e ' || :I, '02-2345-' || :I, "
               "'\xe5\x8f\xb0\xe5\x8c\x97\xe5\xb8\x82 ' || :I || ' Rd.', '1' || MOD(:I, 100), 'S' || MOD(:I, 7)); "
               "I = I + 1; END END");
}

// Prints the median times of both sides; answers the headless one.
Timing printMedians(const std::vector<Timing>& headlessTimes, const std::vector<Timing>& windowTimes, int customers)
{
    const Timing headlessMedian = median(headlessTimes);
    const Timing windowMedian = median(windowTimes);
    std::printf("median wall: headless %.3f s (%.0f us/customer), window %.3f s (%.0f us/customer), ratio %.3f\n",
                headlessMedian.wall, headlessMedian.wall * 1e6 / customers, windowMedian.wall,
                windowMedian.wall * 1e6 / customers, windowMedian.wall / headlessMedian.wall);
    std::printf("median cpu:  headless %.3f s, window %.3f s, ratio %.3f\n", headlessMedian.cpu, windowMedian.cpu,
                windowMedian.cpu / headlessMedian.cpu);
    return headlessMedian;
}

// Fills CUSTOMER; commits need not wait for the disk here: both sides of the
// comparison do the same writes, and waiting for the disk only adds noise.
void prepareDatabase(didu::test::TempDatabase& db, int customers)
{
    fillCustomers(db, customers);
    db.detach();
    const std::string gfix = "gfix -write async -user SYSDBA '" + db.databasePath() + "' 2>/dev/null";
    if (std::system(gfix.c_str()) != 0)
        std::printf("(gfix not available: commits wait for the disk)\n");
}

// Shows the window and waits until it is on the screen: a bar that is not yet
// exposed draws nothing, which would flatter the window's side.
void showAndWait(didu::TFormDiduRaDozori& form)
{
    form.showCentred();
    for (int i = 0; i < 200 && !(form.windowHandle() && form.windowHandle()->isExposed()); ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QCoreApplication::processEvents();
}

// The window's own share, without the database's noise: the bar driven through
// every step of a run, and the completion dialog.
void printWindowAlone(didu::TFormDiduRaDozori& form, const didu::test::PaintCounter& paintsOfBar, int customers,
                      double headlessWall)
{
    didu::Progress& progress = form.session().progress();
    progress.setPosition(0);
    progress.setMaximum(customers);
    form.showProgress(progress);
    const int paintsBefore = paintsOfBar.count;
    const Timing bar = timed([&] {
        for (int i = 1; i <= customers; ++i) {
            progress.step();
            form.showProgress(progress);
        }
    });
    const Timing dialog = timed([&] { form.showInformation(didu::kTransferCompleteMessage); });
    std::printf("window alone: bar %.3f s wall, %.3f s cpu (%d drawings); dialog %.3f s wall, %.3f s cpu\n",
                bar.wall, bar.cpu, paintsOfBar.count - paintsBefore, dialog.wall, dialog.cpu);
    std::printf("window alone / median headless run: %.3f\n", (bar.wall + dialog.wall) / headlessWall);
}

} // namespace

int main(int argc, char** argv)
{
    const int customers = argc > 1 ? std::atoi(argv[1]) : 10000;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 3;
    if (!std::getenv("DISPLAY")) {
        std::fprintf(stderr, "bench_window needs an X display (e.g. xvfb-run -a build/bin/bench_window)\n");
        return 2;
    }
    didu::Application app(argc, argv);

    QFile schema(QStringLiteral(DIDU_SALES_SCHEMA));
    schema.open(QIODevice::ReadOnly);
    didu::test::TempDatabase db(schema.readAll().toStdString());
    prepareDatabase(db, customers);
    std::printf("customers: %d, rounds: %d\n", customers, rounds);

    // The completion dialog is closed as soon as it is up: its time is the
    // operator's, not the job's.
    didu::setModalDialogHook([](QDialog& dialog) { dialog.accept(); });

    didu::TFormDiduRaDozori form;
    showAndWait(form);

    didu::TransferSession session;
    HeadlessView headless;
    didu::test::PaintCounter paintsOfBar(form.ProgressBar1());
    // Each round draws the bar from empty to full.
    auto emptyBar = [&form] {
        form.session().progress().setPosition(0);
        form.showProgress(form.session().progress());
    };

    std::vector<Timing> windowTimes, headlessTimes;
    // Each run starts from an empty MEMBER whose deleted rows are already
    // cleaned away, so neither side pays for the other's garbage; the sides
    // take turns going first.
    auto emptyMembers = [&db] {
        db.execute("DELETE FROM MEMBER");
        db.scalar("SELECT COUNT(*) FROM MEMBER");
        db.detach();
    };
    auto runHeadless = [&] {
        emptyMembers();
        return timed([&] { session.run(headless); });
    };
    int paints = 0;
    auto runWindow = [&] {
        emptyMembers();
        emptyBar();
        const int paintsBefore = paintsOfBar.count;
        const Timing timing = timed([&] { form.BitBtn1Click(); });
        paints = paintsOfBar.count - paintsBefore;
        return timing;
    };
    for (int round = 1; round <= rounds; ++round) {
        Timing headlessTime, windowTime;
        if (round % 2) {
            headlessTime = runHeadless();
            windowTime = runWindow();
        } else {
            windowTime = runWindow();
            headlessTime = runHeadless();
        }
        std::printf("round %d: headless %.3f s (cpu %.3f s), window %.3f s (cpu %.3f s, bar drawn %d times)\n",
                    round, headlessTime.wall, headlessTime.cpu, windowTime.wall, windowTime.cpu, paints);
        headlessTimes.push_back(headlessTime);
        windowTimes.push_back(windowTime);
    }
    db.detach();
    const auto members = db.scalar("SELECT COUNT(*) FROM MEMBER").value_or("?");
    std::printf("members after the last round: %s\n", members.c_str());
    const Timing headlessMedian = printMedians(headlessTimes, windowTimes, customers);
    printWindowAlone(form, paintsOfBar, customers, headlessMedian.wall);
    std::printf("goal: window / headless at most 1.10\n");
    didu::setModalDialogHook({});
    return 0;
}
