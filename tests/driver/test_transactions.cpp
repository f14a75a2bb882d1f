// Every statement commits by itself: rows are visible to other connections as
// soon as their insert returned, reads run read-only, and the options for
// isolation, lock waiting and commit retaining act.
#include "tests/driver/driversession.h"

#include <gtest/gtest.h>

namespace {

using namespace didu::test;

/// Read-only flag, isolation mode and lock timeout of every transaction of the
/// session's attachment, oldest first, as the engine's monitoring tables show them.
std::vector<Row> transactionsOf(TempDatabase& db, const std::string& attachment)
{
    return db.query("SELECT MON$READ_ONLY, MON$ISOLATION_MODE, MON$LOCK_TIMEOUT FROM MON$TRANSACTIONS"
                    " WHERE MON$ATTACHMENT_ID = " + attachment + " ORDER BY MON$TRANSACTION_ID");
}

std::string attachmentOf(DriverSession& s)
{
    return *s.select("SELECT CURRENT_CONNECTION FROM RDB$DATABASE")[0][0];
}

// Isolation modes of MON$TRANSACTIONS: 1 concurrency, 2 read committed with
// record versions. Lock timeout -1 waits, 0 does not.
const Row preparing {"1", "2", "0"};

TEST(DriverTransactions, AnInsertIsVisibleToAnotherConnectionAtOnce)
{
    TempDatabase db("CREATE TABLE T (A INTEGER)");
    DriverSession s(db);
    DriverSession other(db);
    Ref<dbx::ISQLCommand> command(s.command());
    check(command->prepare("INSERT INTO T VALUES (?)", 1), command.p);
    for (std::int32_t i = 1; i <= 3; ++i) {
        bindAll(command.p, {Bind::int32(i)});
        Ref<dbx::ISQLCursor> none;
        check(command->execute(none.out()), command.p);
        // The command is neither closed nor released: the row is committed already.
        EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM T"), std::to_string(i));
        EXPECT_EQ(other.select("SELECT COUNT(*) FROM T"), (std::vector<Row> {{std::to_string(i)}}));
    }
    // Nothing of the writes stays open; only the transaction statements are prepared in.
    EXPECT_EQ(transactionsOf(db, attachmentOf(s)), (std::vector<Row> {preparing}));
}

TEST(DriverTransactions, AQueryReadsReadOnlyUntilItsCursorIsReleased)
{
    TempDatabase db("CREATE TABLE T (A INTEGER); INSERT INTO T VALUES (1); INSERT INTO T VALUES (2)");
    const struct {
        const char* what;
        std::vector<std::pair<std::int32_t, std::intptr_t>> options;
        std::string sql;
        Row cursorTransaction;
    } cases[] = {
        {"reference options", {{dbx::ConnWaitOnLocks, 1}, {dbx::ConnTxnIsoLevel, dbx::IsoReadCommitted}},
         "SELECT A FROM T", {"1", "2", "-1"}},
        {"repeatable read, no waiting", {{dbx::ConnWaitOnLocks, 0}, {dbx::ConnTxnIsoLevel, dbx::IsoRepeatableRead}},
         "SELECT A FROM T", {"1", "1", "0"}},
        {"dirty read is read committed", {{dbx::ConnTxnIsoLevel, dbx::IsoDirtyRead}}, "SELECT A FROM T", {"1", "2", "-1"}},
        {"a locking read writes", {}, "SELECT A FROM T FOR UPDATE", {"0", "2", "-1"}},
    };
    for (const auto& c : cases) {
        DriverSession s(db, c.options);
        const std::string attachment = attachmentOf(s);
        Ref<dbx::ISQLCommand> command(s.command());
        check(command->prepare(c.sql.c_str(), 0), command.p);
        Ref<dbx::ISQLCursor> cursor;
        check(command->execute(cursor.out()), command.p);
        ASSERT_TRUE(cursor.p) << c.what;
        EXPECT_EQ(cursor->next(), dbx::ResultOk);
        EXPECT_EQ(transactionsOf(db, attachment), (std::vector<Row> {preparing, c.cursorTransaction})) << c.what;
        cursor.reset();
        EXPECT_EQ(transactionsOf(db, attachment), (std::vector<Row> {preparing})) << c.what;
    }
}

TEST(DriverTransactions, WithoutLockWaitingAConflictFailsAtOnce)
{
    TempDatabase db("CREATE TABLE T (A INTEGER); INSERT INTO T VALUES (1)");
    DriverSession holder(db);
    DriverSession impatient(db, {{dbx::ConnWaitOnLocks, 0}});
    Ref<dbx::ISQLCommand> command(holder.command());
    check(command->prepare("SELECT A FROM T WITH LOCK", 0), command.p);
    Ref<dbx::ISQLCursor> cursor;
    check(command->execute(cursor.out()), command.p);
    ASSERT_EQ(cursor->next(), dbx::ResultOk) << messageOf(cursor.p); // the row is locked while the cursor lives
    try {
        impatient.exec("UPDATE T SET A = 2");
        ADD_FAILURE() << "no conflict";
    } catch (const DriverFailure& e) {
        EXPECT_NE(std::string(e.what()).find("update conflicts with concurrent update"), std::string::npos) << e.what();
    }
    cursor.reset(); // commits the lock away
    EXPECT_EQ(impatient.exec("UPDATE T SET A = 2"), 1u);
    EXPECT_EQ(db.scalar("SELECT A FROM T"), "2");
}

TEST(DriverTransactions, CommitRetainingCommitsAndKeepsTheContext)
{
    TempDatabase db("CREATE TABLE T (A INTEGER)");
    {
        DriverSession s(db, {{dbx::ConnCommitRetain, 1}});
        const std::string attachment = attachmentOf(s);
        s.exec("INSERT INTO T VALUES (1)");
        s.exec("INSERT INTO T VALUES (2)");
        EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM T"), "2");
        // The read of the attachment id and the writes each keep one transaction.
        EXPECT_EQ(transactionsOf(db, attachment), (std::vector<Row> {preparing, {"1", "2", "-1"}, {"0", "2", "-1"}}));
        try {
            s.exec("INSERT INTO T VALUES ('x')");
            ADD_FAILURE() << "no error";
        } catch (const DriverFailure&) {
        }
        s.exec("INSERT INTO T VALUES (3)");
    }
    EXPECT_EQ(db.query("SELECT A FROM T ORDER BY A"), (std::vector<Row> {{"1"}, {"2"}, {"3"}}));
}

TEST(DriverTransactions, DisconnectEndsRunningStatementsSafely)
{
    TempDatabase db("CREATE TABLE T (A INTEGER); INSERT INTO T VALUES (1); INSERT INTO T VALUES (2)");
    ExecutedCommand run(db, "SELECT A FROM T");
    auto& [s, command, cursor] = run;
    // The cursor keeps its command alive after the caller let go of it.
    command.reset();
    ASSERT_EQ(cursor->next(), dbx::ResultOk);
    EXPECT_EQ(cellText(cursor.p, 1), "1");
    EXPECT_EQ(s.connection()->disconnect(), dbx::ResultOk);
    EXPECT_EQ(cursor->next(), dbx::ResultInvalidHandle);
    dbx::ISQLCommand* late = nullptr;
    EXPECT_EQ(s.connection()->getSQLCommand(&late), dbx::ResultInvalidHandle);
    EXPECT_EQ(late, nullptr);
    cursor.reset();
    // The database is free again: nothing of ours is attached.
    db.detach();
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM MON$ATTACHMENTS WHERE MON$ATTACHMENT_ID <> CURRENT_CONNECTION"
                        " AND MON$SYSTEM_FLAG = 0"),
              "0");
}

} // namespace
