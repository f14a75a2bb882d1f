// The transfer as a database user that holds only the grants the README gives
// a shop's administrator: the embedded engine enforces grants for the user
// name it is given, as a server does for its logins.
#include "tests/reliability/salesdata.h"
#include "tests/reliability/transferrig.h"
#include "tests/support/tempdb/tempdatabase.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(LeastPrivilege, TheReadmesGrantsAreEnoughAndAMissingOneStopsTheRunWithItsText)
{
    didu::test::TempDatabase db(didu::test::kSalesSchema);
    db.execute(didu::test::addCustomersSql(12));
    db.run("GRANT SELECT ON CUSTOMER TO USER DIDU_TRANSFER; GRANT SELECT ON MEMBER TO USER DIDU_TRANSFER");
    db.writeConfiguration({{"User_Name", "DIDU_TRANSFER"}});

    // Without INSERT on MEMBER the run stops at the first new member, with the
    // engine's text, and nothing is written.
    const auto refused = didu::test::TransferRig().run();
    ASSERT_TRUE(refused.has_value());
    EXPECT_NE(refused->find("no permission for INSERT access to TABLE MEMBER"), std::string::npos) << *refused;
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM MEMBER"), "0");

    db.execute("GRANT INSERT ON MEMBER TO USER DIDU_TRANSFER");
    const auto error = didu::test::TransferRig().run();
    EXPECT_FALSE(error.has_value()) << *error;
    EXPECT_EQ(db.scalar(didu::test::kWholeMemberRowsSql), "12");
}

} // namespace
