// A dry run seen by the engine itself: through a private server, the database's
// own record counters (the monitoring tables, read from another attachment)
// show the dry run's reads and not one insert, update or delete, where the
// press that follows inserts exactly the customers the dry run listed.
#include "tests/cli/commandrun.h"
#include "tests/reliability/serverfixture.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace didu::test {
namespace {

class DryRunOnServer : public ServerTest {
protected:
    struct RecordCounts {
        std::int64_t inserts = 0, updates = 0, deletes = 0, reads = 0;
    };
    // Counted by the server for the database since it opened it, over every
    // attachment; the fixture's own attachment keeps it open between runs.
    RecordCounts recordCounts()
    {
        const auto rows = db->query(
            "SELECT R.MON$RECORD_INSERTS, R.MON$RECORD_UPDATES, R.MON$RECORD_DELETES,"
            " R.MON$RECORD_SEQ_READS + R.MON$RECORD_IDX_READS"
            " FROM MON$DATABASE D JOIN MON$RECORD_STATS R ON R.MON$STAT_ID = D.MON$STAT_ID");
        return {std::stoll(*rows.at(0)[0]), std::stoll(*rows.at(0)[1]), std::stoll(*rows.at(0)[2]),
                std::stoll(*rows.at(0)[3])};
    }
    TransferResult run(const std::vector<std::string>& arguments)
    {
        return runTransfer(arguments, {"XDG_CONFIG_HOME=" + xdgConfigHome});
    }
};

TEST_F(DryRunOnServer, TheEngineCountsReadsButNoWrite)
{
    db->execute(addCustomersSql(40));
    db->execute("INSERT INTO MEMBER (MEMBER_ID) SELECT CUST_ID FROM CUSTOMER WHERE CUST_ID > 'C0000030'");
    db->setForcedWrites(false);

    const RecordCounts before = recordCounts();
    const TransferResult dry = run({"--dry-run"});
    ASSERT_EQ(dry.exitCode, 0) << dry.errors;
    const RecordCounts afterDry = recordCounts();
    EXPECT_EQ(afterDry.inserts - before.inserts, 0);
    EXPECT_EQ(afterDry.updates - before.updates, 0);
    EXPECT_EQ(afterDry.deletes - before.deletes, 0);
    // Every customer read, and each one's lookup in MEMBER.
    EXPECT_GE(afterDry.reads - before.reads, 40 + 10);
    EXPECT_EQ(withoutSeconds(dry.output).substr(dry.output.rfind("C0000030\t")),
              "C0000030\tCustomer number 30 o\n40 customers read, 30 would become members, 10 already members, S s\n");

    const TransferResult press = run({});
    ASSERT_EQ(press.exitCode, 0) << press.errors;
    EXPECT_EQ(recordCounts().inserts - afterDry.inserts, 30);
    std::printf("[ figures  ] dry run: %lld records read, %lld inserted, %lld updated, %lld deleted\n",
                static_cast<long long>(afterDry.reads - before.reads),
                static_cast<long long>(afterDry.inserts - before.inserts),
                static_cast<long long>(afterDry.updates - before.updates),
                static_cast<long long>(afterDry.deletes - before.deletes));
}

} // namespace
} // namespace didu::test
