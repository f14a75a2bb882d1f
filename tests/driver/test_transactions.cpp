// Every statement commits by itself: rows are visible to other connections as
// soon as their insert returned, plain reads run in the connection's read
// transaction, nothing is held back once the caller's work is over, and the
// options for isolation, lock waiting and commit retaining act.
#include "tests/driver/driversession.h"

#include "drivers/interbase/ibdriver.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>

namespace {

using namespace didu::test;

/// Read-only flag ("1"), isolation ("snapshot" or "read committed", whatever
/// variant of read committed the engine runs) and lock timeout ("-1" waits, "0"
/// does not) of every transaction of the session's attachment, oldest first.
std::vector<Row> transactionsOf(TempDatabase& db, const std::string& attachment)
{
    return db.query("SELECT MON$READ_ONLY, TRIM(IIF(MON$ISOLATION_MODE < 2, 'snapshot', 'read committed')),"
                    " MON$LOCK_TIMEOUT FROM MON$TRANSACTIONS"
                    " WHERE MON$ATTACHMENT_ID = " + attachment + " ORDER BY MON$TRANSACTION_ID");
}

std::string attachmentOf(DriverSession& s)
{
    return *s.select("SELECT CURRENT_CONNECTION FROM RDB$DATABASE")[0][0];
}

void endWork(DriverSession& s)
{
    ASSERT_EQ(s.connection()->setOption(dbx::ConnEndOfWork, 0), dbx::ResultOk);
}

/// The connection's read transaction, at the default options.
const Row shared {"1", "read committed", "-1"};

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
    // Nothing of the writes stays open; only the transaction statements are
    // prepared in, and that one only until the work is over.
    const std::string attachment = attachmentOf(s);
    EXPECT_EQ(transactionsOf(db, attachment), (std::vector<Row> {shared}));
    endWork(s);
    EXPECT_EQ(transactionsOf(db, attachment), std::vector<Row> {});
}

TEST(DriverTransactions, APlainQueryReadsInTheSharedTransactionOthersInTheirOwnUntilReleased)
{
    TempDatabase db("CREATE TABLE T (A INTEGER); INSERT INTO T VALUES (1); INSERT INTO T VALUES (2)");
    const Row sharedNoWait {"1", "read committed", "0"};
    const struct {
        const char* what;
        std::vector<std::pair<std::int32_t, std::intptr_t>> options;
        std::string sql;
        std::vector<Row> whileOpen; // after them the shared transaction alone is left
    } cases[] = {
        {"reference options", {{dbx::ConnWaitOnLocks, 1}, {dbx::ConnTxnIsoLevel, dbx::IsoReadCommitted}},
         "SELECT A FROM T", {shared}},
        {"repeatable read, no waiting", {{dbx::ConnWaitOnLocks, 0}, {dbx::ConnTxnIsoLevel, dbx::IsoRepeatableRead}},
         "SELECT A FROM T", {sharedNoWait, {"1", "snapshot", "0"}}},
        {"dirty read is read committed", {{dbx::ConnTxnIsoLevel, dbx::IsoDirtyRead}}, "SELECT A FROM T", {shared}},
        {"a locking read writes", {}, "SELECT A FROM T FOR UPDATE", {shared, {"0", "read committed", "-1"}}},
        {"so does one WITH LOCK", {}, "SELECT A FROM T WITH LOCK", {shared, {"0", "read committed", "-1"}}},
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

TEST(DriverTransactions, AKeptTransactionIsRenewedBetweenStatementsOnceItHasLivedASecond)
{
    // Under every setting that keeps a transaction between statements: lookups
    // and inserts, then other programs' work. The kept transactions age on the
    // driver's clock, which the test moves: while it stands the read transaction
    // stays, and once it has moved on a second the oldest snapshot moves past
    // all of ours while we go on working. (A press's end of work, which ends
    // them at once, is checked under every setting with the transfer.)
    const struct {
        const char* what;
        std::vector<std::pair<std::int32_t, std::intptr_t>> options;
    } cases[] = {
        {"reference options", {}},
        {"commit retaining", {{dbx::ConnCommitRetain, 1}}},
        {"commit retaining, repeatable read", {{dbx::ConnCommitRetain, 1}, {dbx::ConnTxnIsoLevel, dbx::IsoRepeatableRead}}},
    };
    TempDatabase db("CREATE TABLE MEMBER (MEMBER_ID VARCHAR(10) NOT NULL PRIMARY KEY)");
    const auto client = didu::ib::FbClient::load("libfbclient.so.2");
    ASSERT_TRUE(client);
    auto oldestSnapshot = [&] { return std::stoll(*db.scalar("SELECT MON$OLDEST_SNAPSHOT FROM MON$DATABASE")); };
    auto next = [&] { return std::stoll(*db.scalar("SELECT MON$NEXT_TRANSACTION FROM MON$DATABASE")); };
    auto othersWork = [&] {
        for (int i = 0; i < 30; ++i)
            db.execute("UPDATE RDB$DATABASE SET RDB$DESCRIPTION = NULL WHERE 1 = 0");
    };
    for (const auto& c : cases) {
        db.execute("DELETE FROM MEMBER");
        std::chrono::steady_clock::time_point now {};
        Ref<dbx::ISQLDriver> driver(didu::ib::newDriver(client, [&now] { return now; }));
        DriverSession s(db, c.options, driver.p);
        const std::string attachment = attachmentOf(s);
        const std::string readTransaction = "SELECT MON$TRANSACTION_ID FROM MON$TRANSACTIONS WHERE MON$READ_ONLY = 1"
                                            " AND MON$ATTACHMENT_ID = " + attachment;
        auto work = [&](int from) {
            for (int i = from; i < from + 20; ++i) {
                const std::string id = "C" + std::to_string(i);
                if (s.select("SELECT MEMBER_ID FROM MEMBER WHERE MEMBER_ID = ?", {Bind::text(id)}).empty())
                    s.exec("INSERT INTO MEMBER (MEMBER_ID) VALUES (?)", {Bind::text(id)});
            }
        };
        work(0);
        const Value firstRead = db.scalar(readTransaction);
        now += std::chrono::milliseconds(900);
        work(20);
        EXPECT_EQ(db.scalar(readTransaction), firstRead) << c.what << ": renewed before its second was up";
        const std::int64_t before = next();
        othersWork();
        // A renewed transaction takes the oldest active transaction the engine
        // counts at its start, which Firebird 4 may reckon a little behind: the
        // second renewal is past any doubt.
        for (int round = 1; round <= 2; ++round) {
            now += std::chrono::milliseconds(1100);
            work(20 + 20 * round);
        }
        othersWork();
        EXPECT_NE(db.scalar(readTransaction), firstRead) << c.what << ": not renewed";
        EXPECT_GT(oldestSnapshot(), before) << c.what << ": still working, seconds later";
        EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM MEMBER"), "80") << c.what;
    }
}

TEST(DriverTransactions, TemporaryBlobsOfAQueryEndWithIt)
{
    // A text bound to a blob marker becomes a temporary blob in the database
    // file: living as long as the transaction it was made in, a long run of
    // lookups would grow the file by every one of them.
    TempDatabase db;
    DriverSession s(db);
    const std::string text(256 * 1024, 'x');
    const std::string lookup = "SELECT CHAR_LENGTH(CAST(? AS BLOB SUB_TYPE TEXT)) FROM RDB$DATABASE";
    auto pages = [&] { return std::stoll(*db.scalar("SELECT MON$PAGES FROM MON$DATABASE")); };
    EXPECT_EQ(s.select(lookup, {Bind::text(text)}), (std::vector<Row> {{std::to_string(text.size())}}));
    const std::int64_t first = pages();
    for (int i = 0; i < 60; ++i)
        s.select(lookup, {Bind::text(text)});
    const std::int64_t grown = pages() - first;
    std::printf("[ figures  ] 60 lookups of a 256 KiB blob parameter: the database grew by %lld pages\n",
                static_cast<long long>(grown));
    // 60 blobs kept would take some 2,000 pages of 8 KiB.
    EXPECT_LT(grown, 200);
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
        EXPECT_EQ(transactionsOf(db, attachment), (std::vector<Row> {shared, {"0", "read committed", "-1"}}));
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
