// The command on desktops whose locale is not the programmer's: real glibc
// locales built for the test, a separate process that reads them as a shop's
// terminal or timer starts it.
#include "tests/cli/commandrun.h"
#include "tests/reliability/salesdata.h"
#include "tests/support/locales/privatelocale.h"
#include "tests/support/tempdb/tempdatabase.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace didu::test {
namespace {

std::vector<std::string> desktop(const std::string& folder, const std::string& locale)
{
    return {"LOCPATH=" + folder, "LANG=" + locale, "LC_ALL=" + locale};
}

// Turkish case rules: "i" is not the small "I". Firebird's client reads its
// configuration files by the C library's case rules, and the lookup asks for
// the column "member_id" of a result whose column is MEMBER_ID. The database's
// path is Turkish too, read in the desktop's character set.
TEST(Desktops, ATurkishDesktopRunsTheTransferAndARerunFindsEveryMember)
{
    const auto folder = privateLocales({"tr_TR.UTF-8"});
    ASSERT_TRUE(folder) << "localedef cannot build tr_TR.UTF-8 here";
    TempDatabase db(kSalesSchema);
    db.execute(addCustomersSql(10));
    const std::string turkish = db.folder() + "/m\xc3\xbc\xc5\x9fteri"; // müşteri
    std::filesystem::create_directory_symlink(db.folder(), turkish);
    db.writeConfiguration({{"Database", turkish + "/TORDATA.FDB"}});
    db.detach();

    const TransferResult first = runTransfer({}, desktop(*folder, "tr_TR.UTF-8"));
    ASSERT_EQ(first.exitCode, 0) << first.errors;
    EXPECT_EQ(withoutSeconds(first.output),
              "資料轉移完成.\n10 customers read, 10 members added, 0 already members, S s\n");
    const TransferResult second = runTransfer({}, desktop(*folder, "tr_TR.UTF-8"));
    ASSERT_EQ(second.exitCode, 0) << second.errors;
    EXPECT_EQ(withoutSeconds(second.output),
              "資料轉移完成.\n10 customers read, 0 members added, 10 already members, S s\n");
    EXPECT_EQ(db.scalar(kWholeMemberRowsSql), "10");
}

// A Big5 terminal over a database whose text is UTF-8: everything a person
// reads comes out in Big5, the database's text read in the connection's code
// page first, as the window shows it.
TEST(Desktops, ABig5TerminalReadsBig5WhateverTheDatabaseHolds)
{
    const auto folder = privateLocales({"zh_TW.BIG5"});
    ASSERT_TRUE(folder) << "localedef cannot build zh_TW.BIG5 here";
    TempDatabase db(kSalesSchema);
    db.execute("INSERT INTO CUSTOMER (CUST_ID, CUST_NAME) VALUES ('A0001', '陳大文')");
    db.execute("INSERT INTO CUSTOMER (CUST_ID, CUST_NAME) VALUES ('A0002', 'Kuo 😀')"); // no such Big5 character
    db.execute("INSERT INTO CUSTOMER (CUST_ID, CUST_NAME) VALUES ('A0003', 'x')");
    db.execute("CREATE EXCEPTION ON_HOLD '會員停用'");
    db.execute("CREATE TRIGGER MEMBER_HOLD FOR MEMBER BEFORE INSERT AS BEGIN"
               " IF (NEW.MEMBER_ID = 'A0003') THEN EXCEPTION ON_HOLD; END");
    db.writeConfiguration({{"ServerCharSet", "UTF8"}});
    db.detach();
    const auto big5 = desktop(*folder, "zh_TW.BIG5");

    const TransferResult dry = runTransfer({"--dry-run"}, big5);
    ASSERT_EQ(dry.exitCode, 0) << dry.errors;
    EXPECT_EQ(withoutSeconds(dry.output), "A0001\t\xb3\xaf\xa4\x6a\xa4\xe5\nA0002\tKuo ?\nA0003\tx\n"
                                          "3 customers read, 3 would become members, 0 already members, S s\n");

    const TransferResult held = runTransfer({}, big5);
    EXPECT_EQ(held.exitCode, 1);
    EXPECT_NE(held.errors.find("\xb7\x7c\xad\xfb\xb0\xb1\xa5\xce"), std::string::npos) << held.errors;
    EXPECT_EQ(held.errors.find("會員停用"), std::string::npos) << "UTF-8 on a Big5 terminal";

    db.execute("DROP TRIGGER MEMBER_HOLD");
    db.detach();
    const TransferResult done = runTransfer({}, big5);
    ASSERT_EQ(done.exitCode, 0) << done.errors;
    EXPECT_EQ(withoutSeconds(done.output), "\xb8\xea\xae\xc6\xc2\xe0\xb2\xbe\xa7\xb9\xa6\xa8.\n"
                                           "3 customers read, 1 members added, 2 already members, S s\n");
    EXPECT_EQ(db.scalar("SELECT MEMBER_NAME FROM MEMBER WHERE MEMBER_ID = 'A0001'"), "陳大文");
}

} // namespace
} // namespace didu::test
