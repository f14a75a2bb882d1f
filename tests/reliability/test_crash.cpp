// The program killed in the middle of a transfer over a large embedded database:
// every member row written before the kill is whole, the database passes
// Firebird's own validation, and a rerun adds exactly the missing members.
#include "tests/reliability/childprocess.h"
#include "tests/reliability/salesdata.h"
#include "tests/support/tempdb/tempdatabase.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <thread>

namespace {

using namespace std::chrono_literals;
using didu::test::ChildProcess;
using didu::test::TempDatabase;

int envNumber(const char* name, int fallback)
{
    const char* value = std::getenv(name);
    return value && *value ? std::atoi(value) : fallback;
}

int count(TempDatabase& db, const std::string& sql)
{
    const int n = std::stoi(db.scalar(sql).value_or("-1"));
    // The next process opens the file for itself: the embedded engine holds it
    // exclusively while attached.
    db.detach();
    return n;
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

// gfix's full validation of the file; empty when it found nothing wrong.
std::string validationProblems(const std::string& path)
{
    const auto result = didu::test::runCommand({"/usr/bin/gfix", "-v", "-full", "-user", "SYSDBA", path}, 300s);
    if (result.exitCode != 0 || !result.output.empty())
        return "exit " + std::to_string(result.exitCode) + ": " + result.output;
    return {};
}

TEST(CrashMidRun, KilledRunsLoseNothingAndTheRerunAddsExactlyTheMissing)
{
    const int customers = envNumber("DIDU_CRASH_CUSTOMERS", 12000);
    TempDatabase db(didu::test::kSalesSchema);
    db.execute(didu::test::addCustomersSql(customers));
    // Every tenth customer is a member already, so the killed runs pass skips
    // and inserts alike.
    db.execute("INSERT INTO MEMBER SELECT CUST_ID, TRIM(SUBSTRING(CUST_NAME FROM 1 FOR 20)), COALESCE(TEL_1, ''),"
               " COALESCE(BUSINESS_ADD, ''), 0, CUST_ID, 'False', COALESCE(MAIL_NUM, ''), 'Y', 'N', '--:--:--',"
               " '0', 0, 'N', COALESCE(SALES_ID, '') FROM CUSTOMER WHERE MOD(CAST(SUBSTRING(CUST_ID FROM 2) AS"
               " INTEGER), 10) = 0");
    const int existing = count(db, "SELECT COUNT(*) FROM MEMBER");
    ASSERT_EQ(existing, customers / 10);

    // Three runs, each killed at a later point of the bar, a few milliseconds
    // after the step was reported, so that the kill lands inside a lookup or an
    // insert rather than between them.
    std::mt19937 random(std::random_device {}());
    int members = existing;
    for (const int percent : {20, 45, 70}) {
        const int killAt = customers * percent / 100;
        ChildProcess run({transferProgram(), "--progress-fd", "1"});
        const auto started = std::chrono::steady_clock::now();
        bool reached = false;
        while (auto line = run.readLine(120s)) {
            if (reportedPosition(*line) >= killAt) {
                reached = true;
                break;
            }
        }
        ASSERT_TRUE(reached) << "the run did not reach position " << killAt << ": " << run.errorOutput();
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 3000));
        run.signal(SIGKILL);
        ASSERT_EQ(run.wait(30s), 128 + SIGKILL);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();

        const int now = count(db, "SELECT COUNT(*) FROM MEMBER");
        EXPECT_GE(now, members) << "rows written before the kill went missing";
        EXPECT_LT(now, customers) << "the run was not killed in the middle";
        EXPECT_EQ(count(db, didu::test::kWholeMemberRowsSql), now) << "a member row is not whole";
        EXPECT_EQ(count(db, didu::test::kStrayMembersSql), 0);
        EXPECT_EQ(validationProblems(db.databasePath()), "");
        std::printf("[ figures  ] killed at position %d of %d after %.2f s; %d members\n", killAt, customers,
                    seconds, now);
        members = now;
    }

    const auto started = std::chrono::steady_clock::now();
    ChildProcess rerun({transferProgram()});
    ASSERT_EQ(rerun.wait(600s), 0) << rerun.errorOutput();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    const std::string said = rerun.remainingOutput();
    EXPECT_EQ(said.substr(0, said.rfind(", ")), "資料轉移完成.\n" + std::to_string(customers) + " customers read, "
                  + std::to_string(customers - members) + " members added, " + std::to_string(members)
                  + " already members");

    EXPECT_EQ(count(db, "SELECT COUNT(*) FROM MEMBER"), customers);
    EXPECT_EQ(count(db, didu::test::kWholeMemberRowsSql), customers);
    EXPECT_EQ(count(db, didu::test::kStrayMembersSql), 0);
    // The rerun wrote the rows the killed runs had not reached, and only those:
    // the existing ones keep the time the set-up gave them.
    EXPECT_EQ(count(db, "SELECT COUNT(*) FROM MEMBER WHERE CHG_TIME = '--:--:--'"), existing);
    EXPECT_EQ(validationProblems(db.databasePath()), "");
    std::printf("[ figures  ] %d customers; rerun added %d members in %.2f s\n", customers, customers - members,
                seconds);
}

} // namespace
