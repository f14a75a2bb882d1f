// Whole runs of the command over a fresh embedded database: what it writes,
// what it prints, and what it keeps when the engine stops it.
#include "tests/cli/commandrun.h"
#include "tests/reliability/salesdata.h"
#include "tests/support/tempdb/tempdatabase.h"

#include <gtest/gtest.h>

namespace didu::test {
namespace {

class Command : public testing::Test {
protected:
    /// `customers` customers, every tenth a member already.
    void addCustomers(int customers)
    {
        db.execute(addCustomersSql(customers));
        db.execute("INSERT INTO MEMBER (MEMBER_ID, MEMBER_NAME, CHG_TIME) SELECT CUST_ID, 'kept', '--:--:--'"
                   " FROM CUSTOMER WHERE MOD(CAST(SUBSTRING(CUST_ID FROM 2) AS INTEGER), 10) = 0");
    }
    std::vector<Row> members()
    {
        auto rows = db.query("SELECT * FROM MEMBER ORDER BY MEMBER_ID");
        db.detach(); // the program opens the file for itself
        return rows;
    }
    TransferResult run(const std::vector<std::string>& arguments = {})
    {
        db.detach();
        return runTransfer(arguments);
    }

    TempDatabase db{kSalesSchema};
};

TEST_F(Command, RunAddsTheMissingMembersAndARerunAddsNothing)
{
    addCustomers(30);
    const TransferResult first = run();
    ASSERT_EQ(first.exitCode, 0) << first.errors;
    EXPECT_EQ(withoutSeconds(first.output),
              "資料轉移完成.\n30 customers read, 27 members added, 3 already members, S s\n");
    EXPECT_EQ(first.errors, "") << "nothing but errors goes to standard error off a terminal";
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM MEMBER"), "30");
    EXPECT_EQ(db.scalar(kWholeMemberRowsSql), "27");
    const auto written = members();

    const TransferResult second = run();
    ASSERT_EQ(second.exitCode, 0) << second.errors;
    EXPECT_EQ(withoutSeconds(second.output),
              "資料轉移完成.\n30 customers read, 0 members added, 30 already members, S s\n");
    EXPECT_EQ(members(), written);
}

TEST_F(Command, DryRunListsExactlyTheMissingCustomersAndWritesNothing)
{
    addCustomers(12);
    // A name that ends in a blank once cut, and one of a multibyte character
    // (UTF-8, the locale's) that the 20th byte would split.
    db.execute("UPDATE CUSTOMER SET CUST_NAME = 'Lin Mei-ling of the  north shop' WHERE CUST_ID = 'C0000003'");
    db.execute("UPDATE CUSTOMER SET CUST_NAME = '林美玲林美玲林美玲林美玲' WHERE CUST_ID = 'C0000004'");
    const auto before = members();

    const TransferResult dry = run({"--dry-run"});
    ASSERT_EQ(dry.exitCode, 0) << dry.errors;
    std::string expected;
    for (int i : {1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 12}) {
        // 20 bytes of "Customer number <i> of the shop", trailing blank dropped.
        const std::string cut = "Customer number " + std::to_string(i) + (i < 10 ? " of" : " o");
        const std::string name = i == 3 ? "Lin Mei-ling of the" : i == 4 ? "林美玲林美玲" : cut;
        expected += (i < 10 ? "C000000" : "C00000") + std::to_string(i) + "\t" + name + "\n";
    }
    EXPECT_EQ(withoutSeconds(dry.output), expected + "12 customers read, 11 would become members, 1 already members, S s\n");
    EXPECT_EQ(members(), before);

    // The list is what a press then writes.
    ASSERT_EQ(run().exitCode, 0);
    EXPECT_EQ(db.scalar("SELECT MEMBER_NAME FROM MEMBER WHERE MEMBER_ID = 'C0000003'"), "Lin Mei-ling of the");
    EXPECT_EQ(db.scalar("SELECT MEMBER_NAME FROM MEMBER WHERE MEMBER_ID = 'C0000004'"), "林美玲林美玲");
}

TEST_F(Command, AnEngineErrorExitsOneWithItsTextAndKeepsTheMembersWritten)
{
    db.execute("CREATE EXCEPTION ON_HOLD 'Customer on hold, ask the office'");
    db.execute("CREATE TRIGGER MEMBER_HOLD FOR MEMBER BEFORE INSERT AS BEGIN"
           " IF (NEW.MEMBER_ID = 'C0000005') THEN EXCEPTION ON_HOLD; END");
    db.execute(addCustomersSql(8));

    const TransferResult failed = run();
    EXPECT_EQ(failed.exitCode, 1);
    EXPECT_EQ(failed.errors, "dbExpress Error: [0x0065]: SQL Error\nSQL Server Error: exception 1\nON_HOLD\n"
                             "Customer on hold, ask the office\nAt trigger 'MEMBER_HOLD' line: 1, col: 99.\n");
    EXPECT_EQ(withoutSeconds(failed.output), "5 customers read, 4 members added, 0 already members, S s\n");
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM MEMBER"), "4");
    EXPECT_EQ(db.scalar(kWholeMemberRowsSql), "4");
}

} // namespace
} // namespace didu::test
