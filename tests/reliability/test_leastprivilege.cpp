// The transfer as a database user that holds only the grants the README gives
// a shop's administrator: the embedded engine enforces grants for the user
// name it is given, as a server does for its logins.
#include "tests/reliability/salesdata.h"
#include "tests/reliability/transferrig.h"
#include "tests/support/tempdb/tempdatabase.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using didu::test::TempDatabase;
using didu::test::TransferRig;

// As README.md and packaging/dbxconnections.ini give them.
const char* const kGrants[] = {
    "GRANT SELECT ON CUSTOMER TO USER DIDU_TRANSFER",
    "GRANT SELECT, INSERT ON MEMBER TO USER DIDU_TRANSFER",
};

TEST(LeastPrivilege, TheGrantsTheReadmeGivesAreEnoughAndEachIsNeeded)
{
    TempDatabase db(didu::test::kSalesSchema);
    db.execute(didu::test::addCustomersSql(12));
    for (const char* grant : kGrants)
        db.execute(grant);
    db.writeConfiguration({{"User_Name", "DIDU_TRANSFER"}, {"Password", "not checked by the embedded engine"}});

    // One grant taken away at a time: the run stops at the first statement
    // that needs it, with the engine's text, and nothing is written.
    const struct {
        const char* revoke;
        const char* text;
    } missing[] = {
        {"REVOKE SELECT ON CUSTOMER FROM USER DIDU_TRANSFER", "no permission for SELECT access to TABLE CUSTOMER"},
        {"REVOKE SELECT ON MEMBER FROM USER DIDU_TRANSFER", "no permission for SELECT access to TABLE MEMBER"},
        {"REVOKE INSERT ON MEMBER FROM USER DIDU_TRANSFER", "no permission for INSERT access to TABLE MEMBER"},
    };
    for (const auto& c : missing) {
        SCOPED_TRACE(c.revoke);
        db.execute(c.revoke);
        TransferRig rig;
        const auto error = rig.run();
        ASSERT_TRUE(error.has_value());
        EXPECT_NE(error->find(c.text), std::string::npos) << *error;
        EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM MEMBER"), "0");
        for (const char* grant : kGrants)
            db.execute(grant);
    }

    TransferRig rig;
    const auto error = rig.run();
    EXPECT_FALSE(error.has_value()) << *error;
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM MEMBER"), "12");
    EXPECT_EQ(db.scalar(didu::test::kWholeMemberRowsSql), "12");
    // The user may not do more than that.
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM RDB$USER_PRIVILEGES WHERE RDB$USER = 'DIDU_TRANSFER'"), "3");
}

} // namespace
