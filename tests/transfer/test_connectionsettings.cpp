// Every combination of the settings a shop's administrator may set for the
// transactions: each press reads every customer committed before it, each
// lookup sees every member committed before it (the press's own and other
// programs'), and a window left open after a press holds back no garbage
// collection on the database.
#include "tests/transfer/transferfixture.h"

#include <cstdio>

namespace didu::test {
namespace {

class ConnectionSettings : public TransferRun {
protected:
    std::int64_t number(const char* sql) { return std::stoll(*db->scalar(sql)); }

    /// How far the oldest snapshot stands behind the next transaction after
    /// other programs ran 30 transactions while the window stood idle.
    std::int64_t idleGap()
    {
        const std::int64_t before = number("SELECT MON$NEXT_TRANSACTION FROM MON$DATABASE");
        for (int i = 0; i < 30; ++i)
            db->execute("UPDATE RDB$DATABASE SET RDB$DESCRIPTION = NULL WHERE 1 = 0");
        const std::int64_t oldest = number("SELECT MON$OLDEST_SNAPSHOT FROM MON$DATABASE");
        EXPECT_GT(oldest, before) << "the idle window holds back the oldest snapshot";
        return number("SELECT MON$NEXT_TRANSACTION FROM MON$DATABASE") - oldest;
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
                const std::int64_t firstGap = idleGap();

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
                const std::int64_t secondGap = idleGap();
                EXPECT_EQ(memberIds(), (std::vector<Row> {{"C1", "1"}, {"C2", "1"}, {"C3", "1"}, {"C4", "1"},
                                                          {"C5", "1"}, {"C6", "1"}}))
                    << what;
                std::printf("[ figures  ] %s: oldest snapshot behind the next transaction after 30 others,"
                            " idle after press 1: %lld, after press 2: %lld\n",
                            what.c_str(), static_cast<long long>(firstGap), static_cast<long long>(secondGap));
            }
        }
    }
}

} // namespace
} // namespace didu::test
