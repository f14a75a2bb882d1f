// The server goes away in the middle of a run: the run ends with the composed
// driver text and keeps what it wrote, no later press hangs, and once the
// server is back the next press reconnects and finishes the work. A server
// restarted while the window stood idle costs the next press nothing.
#include "tests/reliability/serverfixture.h"
#include "tests/reliability/transferrig.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <thread>

namespace {

using namespace std::chrono_literals;

// Ends the test program when a step takes longer than it may: a lost
// connection must never leave a press waiting for ever.
class Watchdog {
public:
    Watchdog(std::chrono::seconds limit, const char* what)
        : m_thread([this, limit, what] {
              std::unique_lock lock(m_mutex);
              if (!m_done.wait_for(lock, limit, [this] { return m_finished; })) {
                  std::fprintf(stderr, "hung: %s did not end within %lld s\n", what,
                               static_cast<long long>(limit.count()));
                  std::_Exit(3);
              }
          })
    {
    }
    ~Watchdog()
    {
        {
            std::lock_guard lock(m_mutex);
            m_finished = true;
        }
        m_done.notify_one();
        m_thread.join();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_done;
    bool m_finished = false;
    std::thread m_thread;
};

// The bar, with a hook at one position: there the server is stopped, between
// one customer's statements and the next.
class StoppingView : public didu::test::RecordingView {
public:
    void showProgress(const didu::Progress& progress) override
    {
        if (progress.position() == stopAt && onStop) {
            onStop();
            onStop = {};
        }
    }
    std::int32_t stopAt = -1;
    std::function<void()> onStop;
};

class LostConnection : public didu::test::ServerTest {};

TEST_F(LostConnection, RunEndsWithTheDriverTextNothingHangsAndTheWorkCanBeFinished)
{
    const int customers = 400;
    prepareRun(customers);

    didu::test::TransferRig rig;
    StoppingView view;
    auto press = [&] { return rig.run(view); };

    view.stopAt = customers / 2;
    view.onStop = [this] { server->stop(); };
    std::optional<std::string> lost;
    {
        Watchdog dog(120s, "the run whose server stopped");
        lost = press();
    }
    ASSERT_TRUE(lost.has_value()) << "the run went on without its server";
    std::printf("[ figures  ] server stopped at customer %d of %d: %s\n", customers / 2, customers, lost->c_str());
    EXPECT_NE(lost->find("SQL Server Error: "), std::string::npos) << *lost;
    EXPECT_TRUE(view.messages.empty());
    EXPECT_EQ(rig.session.progress().position(), customers / 2) << "the bar keeps the failing customer's step";

    // Pressed again while the server is still away: an error, at once.
    std::optional<std::string> away;
    {
        Watchdog dog(120s, "a press while the server is away");
        away = press();
    }
    ASSERT_TRUE(away.has_value());
    std::printf("[ figures  ] pressed while the server is away: %s\n", away->c_str());
    EXPECT_FALSE(away->empty());

    server->start();
    db->detach();
    // What was written before the server stopped stays.
    const int kept = count("SELECT COUNT(*) FROM MEMBER");
    EXPECT_EQ(kept, customers / 2 - 1);
    EXPECT_EQ(count(didu::test::kWholeMemberRowsSql), kept);

    // Back: the same program, the same window, OK again: the connection that
    // lost its link was closed and a new one is made, so the work completes.
    std::optional<std::string> back;
    {
        Watchdog dog(300s, "the press after the server came back");
        back = press();
    }
    EXPECT_EQ(back, std::nullopt) << *back;
    EXPECT_EQ(view.messages, std::vector<std::string> {"資料轉移完成."});
    EXPECT_EQ(count("SELECT COUNT(*) FROM MEMBER"), customers);
    EXPECT_EQ(count(didu::test::kWholeMemberRowsSql), customers);
}

TEST_F(LostConnection, AServerRestartedWhileTheWindowStoodIdleCostsTheNextPressNothing)
{
    prepareRun(20);
    didu::test::TransferRig rig;
    ASSERT_EQ(rig.run(), std::nullopt);

    server->stop();
    server->start();
    db->execute(didu::test::addCustomersSql(5, 21)); // five more, by another program
    db->detach();

    std::optional<std::string> next;
    {
        Watchdog dog(120s, "the press after the restart");
        next = rig.run();
    }
    EXPECT_EQ(next, std::nullopt) << *next;
    EXPECT_EQ(rig.view.messages, (std::vector<std::string> {"資料轉移完成.", "資料轉移完成."}));
    EXPECT_EQ(count("SELECT COUNT(*) FROM MEMBER"), 25);
    EXPECT_EQ(count(didu::test::kWholeMemberRowsSql), 25);
}

} // namespace
