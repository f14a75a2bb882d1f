// The command on desktops whose locale is not the programmer's: real glibc
// locales built for the test, a separate process that reads them as a shop's
// terminal or timer starts it.
#include "tests/cli/commandrun.h"
#include "tests/reliability/salesdata.h"
#include "tests/support/locales/privatelocale.h"
#include "tests/support/tempdb/tempdatabase.h"

#include <gtest/gtest.h>

namespace didu::test {
namespace {

std::vector<std::string> desktop(const std::string& folder, const std::string& locale)
{
    return {"LOCPATH=" + folder, "LANG=" + locale, "LC_ALL=" + locale};
}

// Turkish case rules: "i" is not the small "I". Firebird's client reads its
// configuration files by the C library's case rules, and the lookup asks for
// the column "member_id" of a result whose column is MEMBER_ID.
TEST(Desktops, ATurkishDesktopRunsTheTransferAndARerunFindsEveryMember)
{
    const auto folder = privateLocales({"tr_TR.UTF-8"});
    ASSERT_TRUE(folder) << "localedef cannot build tr_TR.UTF-8 here";
    TempDatabase db(kSalesSchema);
    db.execute(addCustomersSql(10));
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

} // namespace
} // namespace didu::test
