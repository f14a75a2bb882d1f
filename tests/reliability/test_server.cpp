// The program against a Firebird server instead of the embedded engine: the
// Database value names host (and port) before the path, the login is checked by
// the server, and several operators may run the transfer at the same time.
#include "tests/reliability/childprocess.h"
#include "tests/reliability/serverfixture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <regex>
#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;
using didu::test::ChildProcess;

int envNumber(const char* name, int fallback)
{
    const char* value = std::getenv(name);
    return value && *value ? std::atoi(value) : fallback;
}

std::string transferProgram()
{
    return didu::test::executableFolder() + "/diduradozori-transfer";
}

// The position a "--progress-fd" line reports: "done total".
int reportedPosition(const std::string& line)
{
    return std::stoi(line.substr(0, line.find(' ')));
}

class ServerDeployment : public didu::test::ServerTest {
protected:
    void startRun(std::vector<std::unique_ptr<ChildProcess>>& runs)
    {
        runs.push_back(std::make_unique<ChildProcess>(std::vector<std::string> {transferProgram()},
                                                      std::vector<std::string> {"XDG_CONFIG_HOME=" + xdgConfigHome}));
    }

    void rewriteDatabase(const std::string& value)
    {
        std::ifstream in(configFolder + "/dbxconnections.ini");
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        text = std::regex_replace(text, std::regex("\nDatabase=[^\n]*\n"), "\nDatabase=" + value + "\n");
        std::ofstream(configFolder + "/dbxconnections.ini", std::ios::trunc) << text;
    }

    void rewritePassword(const std::string& value)
    {
        std::ifstream in(configFolder + "/dbxconnections.ini");
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        text = std::regex_replace(text, std::regex("\nPassword=[^\n]*\n"), "\nPassword=" + value + "\n");
        std::ofstream(configFolder + "/dbxconnections.ini", std::ios::trunc) << text;
    }
};

TEST_F(ServerDeployment, TransfersThroughTheServerUnderEitherHostForm)
{
    db->execute(didu::test::addCustomersSql(120));
    db->setForcedWrites(false);
    // host/port:path, and the same with the host's name in place of its address.
    const std::string path = server->dataFolder() + "/TORDATA.FDB";
    const std::string port = std::to_string(server->port());
    for (const std::string& value : {"127.0.0.1/" + port + ":" + path, "localhost/" + port + ":" + path}) {
        SCOPED_TRACE(value);
        rewriteDatabase(value);
        db->execute("DELETE FROM MEMBER");
        ChildProcess run({transferProgram()}, {"XDG_CONFIG_HOME=" + xdgConfigHome});
        ASSERT_EQ(run.wait(300s), 0) << run.errorOutput();
        const std::string said = run.remainingOutput();
        EXPECT_EQ(said.substr(0, said.rfind(", ")), "資料轉移完成.\n120 customers read, 120 members added, 0 already members");
        EXPECT_EQ(count("SELECT COUNT(*) FROM MEMBER"), 120);
        EXPECT_EQ(count(didu::test::kWholeMemberRowsSql), 120);
    }
}

TEST_F(ServerDeployment, RefusedLoginsAndAbsentDatabasesCarryTheServersText)
{
    db->execute(didu::test::addCustomersSql(3));
    const std::string url = db->url();
    const struct {
        std::string password;
        std::string database;
        std::string serverText;
    } cases[] = {
        {"wrong" + server->password(), url, "Your user name and password are not defined"},
        {server->password(), url + ".missing", "I/O error"},
        // Nothing listens on port 1: refused at once, not after a long wait.
        {server->password(), "127.0.0.1/1:" + server->dataFolder() + "/TORDATA.FDB", "Unable to complete network request"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.database + " " + c.password);
        rewritePassword(c.password);
        rewriteDatabase(c.database);
        ChildProcess run({transferProgram()}, {"XDG_CONFIG_HOME=" + xdgConfigHome});
        ASSERT_EQ(run.wait(120s), 1);
        const std::string text = run.errorOutput();
        EXPECT_NE(text.find("SQL Server Error: "), std::string::npos) << text;
        EXPECT_NE(text.find(c.serverText), std::string::npos) << text;
        EXPECT_EQ(count("SELECT COUNT(*) FROM MEMBER"), 0);
    }
}

// Two operators press OK at the same moment over one database with thousands
// of customers without members. They walk the customers in the same order, so
// the later one catches up with the earlier (skipping is cheaper than
// inserting) and the two then race for the same customers: the loser's insert
// meets the winner's row and its run stops with the server's own message.
TEST_F(ServerDeployment, TwoOperatorsAtOnceLeaveExactlyOneMemberPerCustomer)
{
    const int customers = envNumber("DIDU_RACE_CUSTOMERS", 3000);
    const int rounds = envNumber("DIDU_RACE_ROUNDS", 2);
    db->execute(didu::test::addCustomersSql(customers));
    // Each statement is a round trip and a commit; without waiting for the disk
    // on every commit the two runs overlap for longer per second of test.
    db->setForcedWrites(false);
    int lostRaces = 0;
    for (int round = 1; round <= rounds; ++round) {
        db->execute("DELETE FROM MEMBER");
        const auto started = std::chrono::steady_clock::now();
        // Odd rounds press both at once; even rounds press the second when the
        // first has passed a quarter of the customers, so it meets the first
        // run in the middle of the table.
        const bool staggered = round % 2 == 0;
        std::vector<std::unique_ptr<ChildProcess>> runs;
        runs.push_back(std::make_unique<ChildProcess>(
            staggered ? std::vector<std::string> {transferProgram(), "--progress-fd", "1"} : std::vector<std::string> {transferProgram()},
            std::vector<std::string> {"XDG_CONFIG_HOME=" + xdgConfigHome}));
        if (staggered) {
            while (auto line = runs[0]->readLine(300s))
                if (reportedPosition(*line) >= customers / 4)
                    break;
        }
        startRun(runs);
        std::vector<std::string> failures;
        for (auto& run : runs) {
            const auto code = run->wait(600s);
            ASSERT_TRUE(code.has_value()) << "a run did not end";
            if (*code == 0) {
                // After the progress lines, if it reported them, and before the summary.
                const std::string output = run->remainingOutput();
                EXPECT_NE(output.find("資料轉移完成.\n"), std::string::npos)
                    << output.substr(output.size() > 200 ? output.size() - 200 : 0);
                continue;
            }
            ASSERT_EQ(*code, 1);
            const std::string text = run->errorOutput();
            failures.push_back(text);
            // The composed driver text, carrying what the server said about the
            // row the other run had just written.
            EXPECT_NE(text.find("SQL Server Error: "), std::string::npos) << text;
            EXPECT_TRUE(text.find("violation of PRIMARY or UNIQUE KEY constraint") != std::string::npos
                        || text.find("deadlock") != std::string::npos
                        || text.find("update conflicts with concurrent update") != std::string::npos)
                << text;
        }
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        EXPECT_LT(failures.size(), 2u) << "both runs lost";
        lostRaces += static_cast<int>(failures.size());
        // The stopped run is pressed again, alone now: it adds what is missing.
        for (std::size_t i = 0; i < failures.size(); ++i) {
            ChildProcess rerun({transferProgram()}, {"XDG_CONFIG_HOME=" + xdgConfigHome});
            ASSERT_EQ(rerun.wait(600s), 0) << rerun.errorOutput();
        }
        EXPECT_EQ(count("SELECT COUNT(*) FROM MEMBER"), customers);
        EXPECT_EQ(count("SELECT COUNT(DISTINCT MEMBER_ID) FROM MEMBER"), customers);
        EXPECT_EQ(count(didu::test::kWholeMemberRowsSql), customers);
        EXPECT_EQ(count(didu::test::kStrayMembersSql), 0);
        std::string shown = failures.empty() ? std::string() : ": " + failures.front();
        shown = std::regex_replace(shown, std::regex("\r?\n"), " | ");
        std::printf("[ figures  ] round %d (%s): 2 concurrent runs over %d customers, %.2f s, %zu stopped on a race%s\n",
                    round, staggered ? "second pressed at a quarter" : "pressed together", customers, seconds,
                    failures.size(), shown.c_str());
    }
    std::printf("[ figures  ] %d of %d runs lost a race\n", lostRaces, 2 * rounds);
}

} // namespace
