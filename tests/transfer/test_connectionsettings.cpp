// Every combination of the settings a shop's administrator may set for the
// transactions: each press reads every customer committed before it, each
// lookup sees every member committed before it (the press's own and other
// programs'), and a window left open after a press holds no transaction open,
// so it holds back no garbage collection on the database. (That a transaction
// kept during a press is renewed once it has lived a second is checked with
// the driver, on a clock the test moves.)
#include "tests/transfer/transferfixture.h"

namespace didu::test {
namespace {

class ConnectionSettings : public TransferRun {
protected:
    /// Transactions open on the database besides the fixture's own connection:
    /// the window's, as it stands idle after a press.
    std::string openTransactions()
    {
        // The engine's own garbage collector, a system attachment, keeps one.
        return *db->scalar("SELECT COUNT(*) FROM MON$TRANSACTIONS T JOIN MON$ATTACHMENTS A"
                           " ON A.MON$ATTACHMENT_ID = T.MON$ATTACHMENT_ID"
                           " WHERE A.MON$SYSTEM_FLAG = 0 AND A.MON$ATTACHMENT_ID <> CURRENT_CONNECTION");
    }

    std::vector<Row> memberIds() { return db->query("SELECT MEMBER_ID, COUNT(*) FROM MEMBER GROUP BY MEMBER_ID"); }
};

TEST_F(ConnectionSettings, TwoPressesWithOtherProgramsBetweenEndRightUnderEverySetting)
{
    for (const char* commitRetain : {"False", "True"}) {
        for (const char* isolation : {"ReadCommited", "RepeatableRead", "DirtyRead"}) {
            for (const char* waitOnLocks : {"True", "False"}) {
                const std::string what = std::string("CommitRetain=") + commitRetain
                    + " TransIsolation=" + isolation + " WaitOnLocks=" + waitOnLocks;
                session.reset();
                db.reset(); // a fixture restores the configuration folder it found
                open(std::string(kCustomerTable) + kMemberTable);
                db->writeConfiguration({{"CommitRetain", commitRetain},
                                        {"Interbase TransIsolation", isolation},
                                        {"WaitOnLocks", waitOnLocks}});
                session = std::make_unique<TransferSession>();
                for (const char* id : {"C1", "C2", "C3", "C4"})
                    addCustomer({id, "name", "tel", "address", "100", "S1"});

                session->run(view, clock.clock());
                EXPECT_EQ(openTransactions(), "0") << what << ": idle after the first press";

                // Another program, while the window stays open: two new
                // customers, and one member removed.
                addCustomer({"C5", "name", "tel", "address", "100", "S1"});
                addCustomer({"C6", "name", "tel", "address", "100", "S1"});
                db->execute("DELETE FROM MEMBER WHERE MEMBER_ID = 'C2'");

                try {
                    session->run(view, clock.clock());
                } catch (const std::exception& e) {
                    ADD_FAILURE() << what << ": the second press failed: " << e.what();
                }
                EXPECT_EQ(openTransactions(), "0") << what << ": idle after the second press";
                EXPECT_EQ(memberIds(), (std::vector<Row> {{"C1", "1"}, {"C2", "1"}, {"C3", "1"}, {"C4", "1"},
                                                          {"C5", "1"}, {"C6", "1"}}))
                    << what;
            }
        }
    }
}

} // namespace
} // namespace didu::test
