// Every statement commits by itself: rows are visible to other connections as
// soon as their insert returned, plain reads run in the connection's one
// read-only transaction (which holds nothing back), and the options for
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
// record versions. Lock timeout -1 waits, 0 does not. The connection's long-lived
// read-only transaction, at the default options:
const Row shared {"1", "2", "-1"};

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
    EXPECT_EQ(transactionsOf(db, attachmentOf(s)), (std::vector<Row> {shared}));
}

TEST(DriverTransactions, APlainQueryReadsInTheSharedTransactionOthersInTheirOwnUntilReleased)
{
    TempDatabase db("CREATE TABLE T (A INTEGER); INSERT INTO T VALUES (1); INSERT INTO T VALUES (2)");
    const Row sharedNoWait {"1", "2", "0"};
    const struct {
        const char* what;
        std::vector<std::pair<std::int32_t, std::intptr_t>> options;
        std::string sql;
        std::vector<Row> whileOpen; // after them the shared transaction alone is left
    } cases[] = {
        {"reference options", {{dbx::ConnWaitOnLocks, 1}, {dbx::ConnTxnIsoLevel, dbx::IsoReadCommitted}},
         "SELECT A FROM T", {shared}},
        {"repeatable read, no waiting", {{dbx::ConnWaitOnLocks, 0}, {dbx::ConnTxnIsoLevel, dbx::IsoRepeatableRead}},
         "SELECT A FROM T", {sharedNoWait, {"1", "1", "0"}}},
        {"dirty read is read committed", {{dbx::ConnTxnIsoLevel, dbx::IsoDirtyRead}}, "SELECT A FROM T", {shared}},
        {"a locking read writes", {}, "SELECT A FROM T FOR UPDATE", {shared, {"0", "2", "-1"}}},
        {"so does one WITH LOCK", {}, "SELECT A FROM T WITH LOCK", {shared, {"0", "2", "-1"}}},
    };
    for (const auto& c : cases) {
        DriverSession s(db, c.options);
        const std::string attachment = attachmentOf(s);
        Ref<dbx::ISQLCommand> command(s.command());
        check(command->prepare(c.sql.c_str(), 0), command.p);
        Ref<dbx::ISQLCursor> cursor;
        check(command->execute(cursor.out()), command.p);
        ASSERT_TRUE(cursor.p) << c.what;
        EXPECT_EQ(cursor->next(), dbx::ResultOk) << messageOf(cursor.p);
        EXPECT_EQ(cellText(cursor.p, 1), "1") << c.what;
        EXPECT_EQ(transactionsOf(db, attachment), c.whileOpen) << c.what;
        cursor.reset();
        EXPECT_EQ(transactionsOf(db, attachment), (std::vector<Row> {c.whileOpen.front()})) << c.what;
    }
}

TEST(DriverTransactions, ALookupSeesAMemberCommittedByAnotherConnectionAMomentBefore)
{
    TempDatabase db("CREATE TABLE MEMBER (MEMBER_ID VARCHAR(10) NOT NULL PRIMARY KEY)");
    DriverSession looker(db);
    DriverSession writer(db);
    const std::string lookup = "SELECT MEMBER_ID FROM MEMBER WHERE MEMBER_ID = ?";
    EXPECT_EQ(looker.select(lookup, {Bind::text("C1")}), std::vector<Row> {});
    for (const char* id : {"C1", "C2"}) {
        writer.exec("INSERT INTO MEMBER (MEMBER_ID) VALUES (?)", {Bind::text(id)});
        EXPECT_EQ(looker.select(lookup, {Bind::text(id)}), (std::vector<Row> {{id}}));
    }
    // Rows gone by another connection's commit are gone for the lookups too: their
    // transaction keeps no snapshot.
    db.execute("DELETE FROM MEMBER");
    EXPECT_EQ(looker.select("SELECT COUNT(*) FROM MEMBER"), (std::vector<Row> {{"0"}}));
}

TEST(DriverTransactions, ALongRunOfLookupsHoldsBackNoGarbageCollection)
{
    TempDatabase db("CREATE TABLE MEMBER (MEMBER_ID VARCHAR(10) NOT NULL PRIMARY KEY)");
    DriverSession s(db);
    const std::string lookupTransaction = *s.select("SELECT CURRENT_TRANSACTION FROM RDB$DATABASE")[0][0];
    for (int i = 0; i < 50; ++i) {
        const std::string id = "C" + std::to_string(i);
        if (s.select("SELECT MEMBER_ID FROM MEMBER WHERE MEMBER_ID = ?", {Bind::text(id)}).empty())
            s.exec("INSERT INTO MEMBER (MEMBER_ID) VALUES (?)", {Bind::text(id)});
    }
    // The lookups all ran in the one transaction, and it is still there...
    EXPECT_EQ(*s.select("SELECT CURRENT_TRANSACTION FROM RDB$DATABASE")[0][0], lookupTransaction);
    // ...yet the oldest active and the oldest snapshot transaction have moved past it.
    const std::vector<Row> marks = db.query("SELECT MON$OLDEST_ACTIVE, MON$OLDEST_SNAPSHOT FROM MON$DATABASE");
    ASSERT_EQ(marks.size(), 1u);
    EXPECT_GT(std::stoll(*marks[0][0]), std::stoll(lookupTransaction));
    EXPECT_GT(std::stoll(*marks[0][1]), std::stoll(lookupTransaction));
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
        // The writes keep one transaction; the read of the attachment id ran in the shared one.
        EXPECT_EQ(transactionsOf(db, attachment), (std::vector<Row> {shared, {"0", "2", "-1"}}));
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
